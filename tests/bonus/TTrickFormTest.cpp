// SPDX-License-Identifier: GPL-3.0-or-later
// The bonus window on the offscreen screen (96 pixels per inch, so it opens
// maximised), played with real clicks and keys. Every game deals the same six
// pumpkins at a bet of 2: 200 credits, empty, the nudge prize, 100, empty, 50.

#include "TTrickForm.h"
#include "TTrickFormTestAccess.h"

#include "ArtResources.h"
#include "app/ModalAnswerer.h"

#include <QApplication>
#include <QFontInfo>
#include <QPainter>
#include <QScreen>
#include <QTest>

#include <memory>

using morrow::TrickFormState;
using morrow::TTrickForm;
using Access = morrow::TTrickFormTestAccess;
using morrow::test::ModalAnswerer;

Q_DECLARE_METATYPE(morrow::TrickFormState)

namespace {

// A bonus game with a fake random source and a transcript of the sounds.
struct Bonus {
    Bonus() {
        session.Bet = 2;
        session.Nudges = 3;
        session.Credits = 500;
        session.TricksWon = 1000;
        session.TrickPrizes = {200, 0, 1, 100, 0, 50};
        session.ScreenWidth = QGuiApplication::primaryScreen()->size().width();
        session.ScreenHeight = QGuiApplication::primaryScreen()->size().height();
    }
    morrow::TrickFormCollaborators Collaborators() {
        return {[this](int n) { return asked.push_back(n), nextRandom; },
                [this](int sound) { heard << QStringLiteral("win %1").arg(sound); },
                [this] { heard << QStringLiteral("trick or treat"); }};
    }
    // Opens the window, not modally, and waits for it to show.
    TTrickForm& Open() {
        form = std::make_unique<TTrickForm>(session, Collaborators());
        form->show();
        [this] { QVERIFY(QTest::qWaitForWindowExposed(form.get())); }();
        return *form;
    }
    void ClickPicture(QPoint point, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(form.get(), button, {}, form->PictureOffset() + point);
    }

    morrow::GameSession session;
    std::vector<int> asked;
    int nextRandom = 0;
    QStringList heard;
    std::unique_ptr<TTrickForm> form;
};

// The middle of tile k (1..6) of the pick picture.
QPoint TileCentre(int k) {
    return {68 + 100 * (k - 1), 377};
}

} // namespace

class TTrickFormTest : public QObject {
    Q_OBJECT

private slots:
    // Only the six inclusive tile rectangles pick; a miss, and a click on the
    // black area beside the picture, gets the message and leaves the pick open.
    void clicksPickOnlyInsideTheTiles_data() {
        QTest::addColumn<QSize>("window"); // empty: the whole screen
        QTest::addColumn<QPoint>("point"); // relative to the picture
        QTest::addColumn<int>("pumpkin");  // 0: a miss
        QTest::newRow("tile 1 top left") << QSize() << QPoint(22, 330) << 1;
        QTest::newRow("tile 1 bottom right") << QSize() << QPoint(115, 424) << 1;
        for (int x = 116; x <= 121; ++x) {
            QTest::addRow("gap x=%d", x) << QSize() << QPoint(x, 380) << 0;
        }
        QTest::newRow("tile 6 bottom right") << QSize() << QPoint(615, 424) << 6;
        QTest::newRow("above the tiles y=329") << QSize() << QPoint(50, 329) << 0;
        QTest::newRow("below the tiles y=425") << QSize() << QPoint(50, 425) << 0;
        QTest::newRow("black area beside the picture") << QSize() << QPoint(-10, 380) << 0;
        // Smaller than the picture: offsets (-20, -15), cut on both sides.
        QTest::newRow("small window tile 1 top left") << QSize(600, 400) << QPoint(22, 330) << 1;
        QTest::newRow("small window y=329") << QSize(600, 400) << QPoint(22, 329) << 0;
    }
    void clicksPickOnlyInsideTheTiles() {
        QFETCH(QSize, window);
        QFETCH(QPoint, point);
        QFETCH(int, pumpkin);
        Bonus bonus;
        TTrickForm& form = bonus.Open();
        if (window.isValid()) {
            form.setWindowState(Qt::WindowNoState);
            form.resize(window);
            QTRY_COMPARE(form.size(), window);
        } else {
            QCOMPARE(form.size(), form.screen()->size());
        }
        QCOMPARE(form.PictureOffset(), QPoint((form.width() - 640) / 2, (form.height() - 430) / 2));

        ModalAnswerer answerer;
        bonus.ClickPicture(point, Qt::RightButton); // any button picks
        if (pumpkin == 0) {
            QCOMPARE(answerer.Boxes().size(), std::size_t{1});
            QCOMPARE(answerer.Boxes()[0].text, QStringLiteral("Click on one of the Pumkins!"));
            QCOMPARE(answerer.Boxes()[0].icon, QMessageBox::Information);
            QCOMPARE(form.State(), TrickFormState::Picking);
            QVERIFY2(form.isVisible() && !Access::CloseTimer(form).isActive(),
                     "a miss must leave the pick open");
        } else {
            QVERIFY2(answerer.Boxes().empty(), "a click on a tile must not get the message");
            QCOMPARE(form.PickedPrize(), bonus.session.TrickPrizes[static_cast<std::size_t>(pumpkin - 1)]);
        }
    }

    // What each pumpkin hands out: a credit prize is left in WinAmount for the
    // caller to count and joins TricksWon only at the close; the nudge prize
    // adds 2 x Bet at the pick; an empty one gives nothing. Clicks on the
    // picture after the pick do nothing; one beside it closes at once.
    void eachPumpkinHandsOutItsPrize_data() {
        QTest::addColumn<int>("pumpkin");
        QTest::addColumn<TrickFormState>("state");
        QTest::addColumn<QString>("sound");
        QTest::addColumn<int>("winAmount");
        QTest::addColumn<int>("nudges");
        QTest::addColumn<int>("tricksWon"); // after the close
        QTest::newRow("200 credits") << 1 << TrickFormState::TreatShown << "win 5" << 200 << 3 << 1200;
        QTest::newRow("empty") << 2 << TrickFormState::TrickShown << "win 6" << 0 << 3 << 1000;
        QTest::newRow("nudges") << 3 << TrickFormState::TreatShown << "win 5" << 0 << 7 << 1000;
        QTest::newRow("50 credits") << 6 << TrickFormState::TreatShown << "win 5" << 50 << 3 << 1050;
    }
    void eachPumpkinHandsOutItsPrize() {
        QFETCH(int, pumpkin);
        QFETCH(TrickFormState, state);
        QFETCH(QString, sound);
        QFETCH(int, winAmount);
        QFETCH(int, nudges);
        QFETCH(int, tricksWon);
        Bonus bonus;
        TTrickForm& form = bonus.Open();
        ModalAnswerer answerer;
        bonus.ClickPicture(TileCentre(pumpkin));
        bonus.ClickPicture(TileCentre(pumpkin == 1 ? 2 : 1));
        bonus.ClickPicture(QPoint(300, 100));
        QCOMPARE(form.State(), state);
        QVERIFY2(answerer.Boxes().empty(), "clicks on the picture after the pick must not get the message");
        QVERIFY2(bonus.heard.contains(sound), qPrintable(bonus.heard.join(", ")));
        QCOMPARE(bonus.session.WinAmount, winAmount);
        QCOMPARE(bonus.session.Nudges, nudges);
        QCOMPARE(bonus.session.Credits, 500); // the caller counts the win
        QCOMPARE(bonus.session.TricksWon, 1000);

        QTest::mouseClick(&form, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY2(!form.isVisible(), "a click beside the picture after the pick closes at once");
        QCOMPARE(form.State(), TrickFormState::Closed);
        QCOMPARE(bonus.session.TricksWon, tricksWon);
        QCOMPARE(bonus.session.Nudges, nudges);
        QVERIFY2(bonus.asked.empty(), "a mouse pick must not draw a random pumpkin");
    }

    // Enter and Space pick at random while the pick picture shows, never
    // after; other keys, Escape among them, do nothing. Once the arrows have
    // chosen a pumpkin, outlined on the screen only, the keys pick that one.
    void keysPickAtRandomOnlyBeforeThePick_data() {
        QTest::addColumn<QList<int>>("arrows");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("random");
        QTest::addColumn<int>("winAmount");
        QTest::newRow("Return picks pumpkin 4") << QList<int>{} << int(Qt::Key_Return) << 3 << 100;
        QTest::newRow("keypad Enter picks pumpkin 1") << QList<int>{} << int(Qt::Key_Enter) << 0 << 200;
        QTest::newRow("Space picks pumpkin 6") << QList<int>{} << int(Qt::Key_Space) << 5 << 50;
        QTest::newRow("Right from none is 1, on to 4")
            << QList<int>{Qt::Key_Right, Qt::Key_Down, Qt::Key_Right, Qt::Key_Right} << int(Qt::Key_Return)
            << 0 << 100;
        QTest::newRow("Left from none is 6, stays at the end; Home, End")
            << QList<int>{Qt::Key_Left, Qt::Key_Right, Qt::Key_Home, Qt::Key_Up, Qt::Key_End}
            << int(Qt::Key_Space) << 0 << 50;
    }
    void keysPickAtRandomOnlyBeforeThePick() {
        QFETCH(QList<int>, arrows);
        QFETCH(int, key);
        QFETCH(int, random);
        QFETCH(int, winAmount);
        Bonus bonus;
        bonus.nextRandom = random;
        TTrickForm& form = bonus.Open();
        for (Qt::Key other : {Qt::Key_Escape, Qt::Key_A, Qt::Key_M}) {
            QTest::keyClick(&form, other);
        }
        QVERIFY2(form.isVisible(), "Escape must not close the bonus window");
        QCOMPARE(form.State(), TrickFormState::Picking);

        const QImage pick =
            QImage(QString::fromLatin1(morrow::art::kTrickPick)).convertToFormat(QImage::Format_RGB32);
        const auto shown = [&] {
            return form.grab()
                .toImage()
                .convertToFormat(QImage::Format_RGB32)
                .copy(QRect(form.PictureOffset(), pick.size()));
        };
        QVERIFY2(shown() == pick, "no outline before a key has chosen");
        for (const int arrow : arrows) {
            QTest::keyClick(&form, static_cast<Qt::Key>(arrow));
        }
        if (!arrows.isEmpty()) { // the outline lies on and just around the chosen tile, and only there
            const morrow::PumpkinTile tile = morrow::PumpkinTileOf(form.ChosenPumpkin());
            const QRect onTile(QPoint(tile.left, tile.top), QPoint(tile.right, tile.bottom));
            const QRect around = onTile.adjusted(-3, -3, 3, 3);
            QImage lit = shown();
            QVERIFY(lit.copy(onTile) != pick.copy(onTile));
            QPainter(&lit).drawImage(around.topLeft(), pick.copy(around));
            QVERIFY(lit == pick);
        }
        QTest::keyClick(&form, static_cast<Qt::Key>(key));
        bonus.nextRandom = 1;
        for (Qt::Key again : {Qt::Key_Return, Qt::Key_Space, Qt::Key_Enter, Qt::Key_Left}) {
            QTest::keyClick(&form, again);
        }
        QCOMPARE(bonus.asked, arrows.isEmpty() ? std::vector<int>{6} : std::vector<int>{});
        QCOMPARE(form.State(), TrickFormState::TreatShown);
        QCOMPARE(bonus.session.WinAmount, winAmount);
        QCOMPARE(bonus.heard.count(QStringLiteral("win 5")), qsizetype{1});
    }

    // "Trick or treat!" once, 200 ms after opening; the close 3 s after the
    // pick (shortened once its interval is checked), which only then counts
    // the prize into TricksWon.
    void timersGreetOnceAndCloseAfterThePick() {
        Bonus bonus;
        TTrickForm& form = bonus.Open();
        QCOMPARE(Access::GreetingTimer(form).interval(), 200);
        QTRY_COMPARE_WITH_TIMEOUT(bonus.heard, QStringList{QStringLiteral("trick or treat")}, 2000);
        QVERIFY(!Access::CloseTimer(form).isActive());
        QTest::qWait(50);
        QCOMPARE(bonus.heard.size(), qsizetype{1});

        bonus.ClickPicture(TileCentre(4));
        QTimer& closeTimer = Access::CloseTimer(form);
        QCOMPARE(closeTimer.interval(), 3000);
        QVERIFY2(closeTimer.isActive() && closeTimer.remainingTime() > 2500, "the close starts at the pick");
        QTest::qWait(30);
        QVERIFY(form.isVisible());
        QCOMPARE(bonus.session.TricksWon, 1000);
        closeTimer.setInterval(1); // restarts it
        QTRY_VERIFY2(!form.isVisible(), "the window must close by itself after the pick");
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(bonus.session.TricksWon, 1100);
        QCOMPARE(bonus.session.WinAmount, 100);
    }

    // The prize as the window shows it: pure red on the black patch of the
    // treat picture, centred on (460, 180), in the font asked for.
    void prizeTextIsRedAndCentred() {
        QCOMPARE(QFontInfo(QFont(QString::fromLatin1(morrow::kPrizeFontFamily))).family(),
                 QStringLiteral("Liberation Sans"));
        Bonus bonus;
        TTrickForm& form = bonus.Open();
        bonus.ClickPicture(TileCentre(1)); // 200 Credits!
        const QImage shown = form.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage treat =
            QImage(QString::fromLatin1(morrow::art::kTrickTreat)).convertToFormat(QImage::Format_RGB32);
        QVERIFY(!treat.isNull());
        QCOMPARE(shown.pixel(2, 2), qRgb(0, 0, 0));
        QRect changed;
        int reddest = 0;
        for (int y = 0; y < treat.height(); ++y) {
            for (int x = 0; x < treat.width(); ++x) {
                const QRgb now = shown.pixel(form.PictureOffset() + QPoint(x, y));
                if (now != treat.pixel(x, y)) {
                    QVERIFY2(qGreen(now) == 0 && qBlue(now) == 0,
                             qPrintable(QStringLiteral("text pixel (%1, %2) is not pure red").arg(x).arg(y)));
                    reddest = std::max(reddest, qRed(now));
                    changed |= QRect(x, y, 1, 1);
                }
            }
        }
        QCOMPARE(reddest, 255);
        // "200 Credits!" at 24 points bold: about 190 x 24 pixels of ink.
        QVERIFY2(changed.width() > 150 && changed.width() < 230 && changed.height() > 18 &&
                     changed.height() < 34,
                 qPrintable(QStringLiteral("text of %1 x %2").arg(changed.width()).arg(changed.height())));
        const QPointF centre = QRectF(changed).center();
        QVERIFY2(std::abs(centre.x() - 460) <= 2 && std::abs(centre.y() - 180) <= 2,
                 qPrintable(QStringLiteral("text centred on (%1, %2)").arg(centre.x()).arg(centre.y())));
    }

    // The entry point runs the window modally, frameless and covering the
    // screen, while the caller's timers keep ticking; on return the round is
    // over. A window closed before any pick picks at random for the player.
    void runsModallyAndEndsTheRound_data() {
        QTest::addColumn<bool>("pickFirst");
        QTest::addColumn<int>("winAmount");
        QTest::addColumn<int>("nudges");
        QTest::addColumn<int>("tricksWon");
        QTest::newRow("pick, then a click beside") << true << 200 << 3 << 1200;
        QTest::newRow("closed before a pick") << false << 0 << 7 << 1000;
    }
    void runsModallyAndEndsTheRound() {
        QFETCH(bool, pickFirst);
        QFETCH(int, winAmount);
        QFETCH(int, nudges);
        QFETCH(int, tricksWon);
        Bonus bonus;
        bonus.nextRandom = 2; // pumpkin 3: the nudges
        QWidget mainWindow;
        mainWindow.show();
        // The main window's timer counts its ticks while the bonus window is
        // up; after a few it looks at the window and ends the round.
        int ticks = 0;
        bool looked = false;
        bool acted = false;
        const auto bonusWindow = [&mainWindow]() -> TTrickForm* {
            auto* form = mainWindow.findChild<TTrickForm*>();
            return form && form->isVisible() && QApplication::activeModalWidget() == form ? form : nullptr;
        };
        QTimer mainTimer;
        connect(&mainTimer, &QTimer::timeout, [&] {
            TTrickForm* form = bonusWindow();
            if (acted || !form || ++ticks < 4) {
                return;
            }
            looked = (form->windowFlags() & Qt::FramelessWindowHint) &&
                     (form->windowState() & Qt::WindowMaximized) && form->size() == form->screen()->size();
            if (!looked) {
                return; // not laid out yet: the next tick looks again
            }
            acted = true;
            if (pickFirst) {
                QTest::mouseClick(form, Qt::LeftButton, {}, form->PictureOffset() + TileCentre(1));
                QTest::mouseClick(form, Qt::LeftButton, {}, QPoint(2, 2));
            } else {
                form->close();
            }
        });
        mainTimer.start(10);
        // Only a guard against a hang: a window still open this long after is
        // closed, and the checks below say why.
        QTimer::singleShot(30000, &mainWindow, [&] {
            if (auto* form = mainWindow.findChild<TTrickForm*>()) {
                form->close();
            }
        });
        morrow::RunTrickOrTreat(&mainWindow, bonus.session, bonus.Collaborators());
        QVERIFY2(ticks > 3, "the main window's timers must keep running while the bonus is open");
        QVERIFY2(looked && acted,
                 "the bonus window must be modal, frameless and maximised over the main window");
        QCOMPARE(bonus.session.WinAmount, winAmount);
        QCOMPARE(bonus.session.Nudges, nudges);
        QCOMPARE(bonus.session.TricksWon, tricksWon);
    }
};

QTEST_MAIN(TTrickFormTest)
#include "TTrickFormTest.moc"
