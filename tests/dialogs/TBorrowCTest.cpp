// SPDX-License-Identifier: GPL-3.0-or-later
// The borrow dialog driven through its real buttons on the offscreen screen;
// its message boxes are answered and recorded by a ModalAnswerer.

#include "TBorrowC.h"
#include "Dialogs.h"
#include "DigitCounter.h"
#include "GameEngine.h"
#include "GameSession.h"
#include "app/ModalAnswerer.h"
#include "engine/FakeGameHost.h"

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <climits>
#include <vector>

using morrow::DigitInk;
using morrow::DigitStrips;
using morrow::GameSession;
using morrow::TBorrowC;
using morrow::test::ModalAnswerer;

namespace {

enum class Mode { Borrow, PayBack };

// The game in play and the engine that lends on it.
struct Game {
    Game(std::int32_t credits, std::int32_t borrowed, std::int32_t screenWidth = 800) {
        session.Credits = credits;
        session.Borrowed = borrowed;
        session.ScreenWidth = screenWidth;
        session.GameTitle = "Morrowmas Slots";
        session.LineBreak = "\r\n";
    }
    GameSession session;
    morrow::test::FakeGameHost host;
    morrow::GameEngine engine{session, host, host, 1};
};

QPushButton* Chip(TBorrowC& dialog, int amount) {
    switch (amount) {
    case 1000:
        return dialog.BitBtn1;
    case 100:
        return dialog.BitBtn2;
    case 10:
        return dialog.BitBtn3;
    default:
        return dialog.BitBtn4;
    }
}

// The cells `digits` would take in `strip`, side by side, as the screen shows them.
QImage DigitsFromStrip(const QImage& strip, const QString& digits, morrow::DigitCell cell) {
    QImage expected(cell.width * static_cast<int>(digits.size()), cell.height, QImage::Format_RGB32);
    for (int i = 0; i < digits.size(); ++i) {
        const int d = digits[i].digitValue();
        const QImage glyph =
            strip.copy(d * cell.width, 0, cell.width, cell.height).convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < cell.height; ++y) {
            for (int x = 0; x < cell.width; ++x) {
                expected.setPixel(i * cell.width + x, y, glyph.pixel(x, y));
            }
        }
    }
    return expected;
}

bool AllBlack(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qRed(image.pixel(x, y)) + qGreen(image.pixel(x, y)) + qBlue(image.pixel(x, y)) != 0) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

class TBorrowCTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        strips_ = DigitStrips::LoadEmbedded();
        QVERIFY2(!strips_.DigitsSmall.isNull() && !strips_.GreenLarge.isNull(),
                 "embedded digit strips missing");
    }

    // Each chip click changes both counters at once, or is refused with the
    // right text and changes nothing; refusals come in their fixed order.
    void clicks_data() {
        QTest::addColumn<int>("credits");
        QTest::addColumn<int>("borrowed");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QList<int>>("amounts");
        QTest::addColumn<int>("creditsAfter");
        QTest::addColumn<int>("borrowedAfter");
        QTest::addColumn<QStringList>("messages");
        const auto mode = [](Mode m) { return static_cast<int>(m); };
        const QString noCredits = QStringLiteral("You do not have %1 credits!");
        const QString overPaid = QStringLiteral("You cannot pay back more credits than you have borrowed!");
        const QString tooMuch = QStringLiteral("You cannot borrow that many more credits!");

        QTest::newRow("borrow 1000 with 20 on hand")
            << 20 << 1000 << mode(Mode::Borrow) << QList<int>{1000} << 1020 << 2000 << QStringList{};
        QTest::newRow("pay back 500/300: too much, three hundreds, then more than borrowed")
            << 500 << 300 << mode(Mode::PayBack) << QList<int>{1000, 100, 100, 100, 100} << 200 << 0
            << QStringList{noCredits.arg(QStringLiteral("1000.00")), overPaid};
        QTest::newRow("pay back every credit")
            << 10 << 1000 << mode(Mode::PayBack) << QList<int>{10} << 0 << 990 << QStringList{};
        QTest::newRow("credits are checked before the loan, amount padded to seven")
            << 5 << 500 << mode(Mode::PayBack) << QList<int>{10, 1} << 4 << 499
            << QStringList{noCredits.arg(QStringLiteral("  10.00"))};
        QTest::newRow("one filler blank before 100.00")
            << 40 << 300 << mode(Mode::PayBack) << QList<int>{100} << 40 << 300
            << QStringList{noCredits.arg(QStringLiteral(" 100.00"))};
        QTest::newRow("a loan past the 32-bit top is refused, a smaller one still fits")
            << INT_MAX - 999 << 5 << mode(Mode::Borrow) << QList<int>{1000, 100} << INT_MAX - 899 << 105
            << QStringList{tooMuch};
        QTest::newRow("the loan counter has its own top")
            << 0 << INT_MAX << mode(Mode::Borrow) << QList<int>{1} << 0 << INT_MAX << QStringList{tooMuch};
    }
    void clicks() {
        QFETCH(int, credits);
        QFETCH(int, borrowed);
        QFETCH(int, mode);
        QFETCH(QList<int>, amounts);
        QFETCH(int, creditsAfter);
        QFETCH(int, borrowedAfter);
        QFETCH(QStringList, messages);

        Game game(credits, borrowed);
        TBorrowC dialog(game.engine, game.session, strips_, QLocale::c());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY2(dialog.RadioButton1->isChecked(), "the dialog must open in borrow mode");
        if (mode == static_cast<int>(Mode::PayBack)) {
            QTest::mouseClick(dialog.RadioButton2, Qt::LeftButton);
            QVERIFY(dialog.RadioButton2->isChecked());
        }
        ModalAnswerer answerer;
        for (int amount : amounts) {
            QTest::mouseClick(Chip(dialog, amount), Qt::LeftButton);
        }
        QStringList shown;
        for (const ModalAnswerer::Box& box : answerer.Boxes()) {
            shown << box.text;
            QCOMPARE(box.icon, QMessageBox::Information);
        }
        QCOMPARE(shown, messages);
        QCOMPARE(game.session.Credits, creditsAfter);
        QCOMPARE(game.session.Borrowed, borrowedAfter);
        QVERIFY2(dialog.isVisible(), "a refused click must leave the dialog open");
    }

    // The refused amount uses the locale's decimal separator.
    void commaLocale() {
        Game game(40, 300);
        TBorrowC dialog(game.engine, game.session, strips_, QLocale(QLocale::German, QLocale::Germany));
        dialog.show();
        QTest::mouseClick(dialog.RadioButton2, Qt::LeftButton);
        ModalAnswerer answerer;
        QTest::mouseClick(dialog.BitBtn1, Qt::LeftButton);
        QTest::mouseClick(dialog.BitBtn2, Qt::LeftButton);
        QCOMPARE(answerer.Boxes().size(), std::size_t{2});
        QCOMPARE(answerer.Boxes()[0].text, QStringLiteral("You do not have 1000,00 credits!"));
        QCOMPARE(answerer.Boxes()[1].text, QStringLiteral("You do not have  100,00 credits!"));
    }

    // Through the lead's entry: each opening starts in borrow mode whatever
    // the last one ended in, Escape does not close it, OK does, and the
    // clicks made meanwhile stay in the game.
    void reopensInBorrowMode() {
        Game game(500, 1000);
        std::vector<bool> openedInBorrowMode;
        std::vector<bool> escapeClosed;
        const auto visit = [&](bool switchToPayBack) {
            QTimer::singleShot(0, [&, switchToPayBack] {
                auto* dialog = qobject_cast<TBorrowC*>(QApplication::activeModalWidget());
                if (!dialog) {
                    QFAIL("the borrow dialog is not the active modal window");
                }
                openedInBorrowMode.push_back(dialog->RadioButton1->isChecked());
                QTest::keyClick(dialog, Qt::Key_Escape);
                escapeClosed.push_back(!dialog->isVisible());
                if (switchToPayBack) {
                    QTest::mouseClick(dialog->RadioButton2, Qt::LeftButton);
                    QTest::mouseClick(dialog->BitBtn2, Qt::LeftButton);
                }
                QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
            });
            morrow::RunBorrowDialog(nullptr, game.engine, game.session, strips_);
        };
        visit(true);
        visit(false);
        QCOMPARE(openedInBorrowMode, (std::vector<bool>{true, true}));
        QCOMPARE(escapeClosed, (std::vector<bool>{false, false}));
        QCOMPARE(game.session.Credits, 400);
        QCOMPARE(game.session.Borrowed, 900);
    }

    // Help tells how the screen works, with the game's two line breaks; F1
    // finds 41005 on every control and 41003 on the window.
    void help() {
        Game game(0, 0);
        TBorrowC dialog(game.engine, game.session, strips_, QLocale::c());
        dialog.show();
        ModalAnswerer answerer;
        QTest::mouseClick(dialog.BitBtn7, Qt::LeftButton);
        QCOMPARE(answerer.Boxes().size(), std::size_t{1});
        QCOMPARE(answerer.Boxes()[0].text,
                 QStringLiteral("Use this screen to borrow credits or pay back credits that you borrowed "
                                "previously.  Click on the button representing the amount to borrow (or pay "
                                "back).\n\nTo switch between \"borrow\" and \"pay back\" select the mode."));
        QCOMPARE(dialog.property("helpContext").toInt(), 41003);
        for (QWidget* control : dialog.findChildren<QAbstractButton*>()) {
            QVERIFY2(control->property("helpContext").toInt() == 41005,
                     qPrintable(control->objectName() + " " + control->property("text").toString() +
                                " lacks help context 41005"));
        }
    }

    // The counters on screen are the strips' own cells: red credits ending 30
    // pixels from the right, green loan from x = 20, both at y = 40, small or
    // large digits by screen width; a number that got shorter leaves no
    // digit behind.
    void counterPixels_data() {
        QTest::addColumn<int>("screenWidth");
        QTest::newRow("small digits at 999") << 999;
        QTest::newRow("large digits at 1000") << 1000;
    }
    void counterPixels() {
        QFETCH(int, screenWidth);
        Game game(1000, 2000, screenWidth);
        TBorrowC dialog(game.engine, game.session, strips_, QLocale::c());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::mouseClick(dialog.RadioButton2, Qt::LeftButton);
        QTest::mouseClick(dialog.BitBtn4, Qt::LeftButton); // 999 credits, 1999 borrowed

        const morrow::DigitCell cell = morrow::DigitCellFor(screenWidth);
        const bool large = screenWidth >= 1000;
        const QImage shown = dialog.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const int creditsRight = dialog.width() - 30;
        const QImage credits = shown.copy(creditsRight - 3 * cell.width, 40, 3 * cell.width, cell.height);
        QCOMPARE(credits, DigitsFromStrip(large ? strips_.DigitsLarge : strips_.DigitsSmall, "999", cell));
        const QImage formerDigit = shown.copy(creditsRight - 4 * cell.width, 40, cell.width, cell.height);
        QVERIFY2(AllBlack(formerDigit), "the cell of the credits' old leading digit is not blanked");
        const QImage loan = shown.copy(20, 40, 4 * cell.width, cell.height);
        QCOMPARE(loan, DigitsFromStrip(large ? strips_.GreenLarge : strips_.GreenSmall, "1999", cell));
        QCOMPARE(dialog.Canvas().size(), QSize(582, 300));
    }

private:
    DigitStrips strips_;
};

QTEST_MAIN(TBorrowCTest)
#include "TBorrowCTest.moc"
