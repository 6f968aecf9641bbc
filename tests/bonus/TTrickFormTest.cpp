// The bonus window on an offscreen screen of 800 x 600 at 96 pixels per inch,
// played with real clicks and keys. Every game deals the same six pumpkins
// at a bet of 2: 200 credits, empty, the nudge prize, 100, empty, 50.

#include "TTrickForm.h"

#include "ArtResources.h"
#include "app/ModalAnswerer.h"

#include <QApplication>
#include <QFile>
#include <QFontInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using morrow::GameSession;
using morrow::TrickFormState;
using morrow::TTrickForm;
using morrow::test::ModalAnswerer;

namespace {

constexpr QSize kScreen{800, 600};
const QPoint kOffset{(800 - 640) / 2, (600 - 430) / 2};
const QString kMissText = QStringLiteral("Click on one of the Pumkins!");

// A bonus game with a fake random source and a transcript of the sounds.
struct Bonus {
    Bonus() {
        session.Bet = 2;
        session.Nudges = 3;
        session.Credits = 500;
        session.TricksWon = 1000;
        session.ScreenWidth = kScreen.width();
        session.ScreenHeight = kScreen.height();
        session.GameTitle = "Morrowmas Slots";
        session.TrickPrizes = {200, 0, 1, 100, 0, 50};
    }
    morrow::TrickFormCollaborators Collaborators() {
        return {[this](int n) {
                    asked.push_back(n);
                    return nextRandom;
                },
                [this](int sound) { heard.push_back(QStringLiteral("win %1").arg(sound)); },
                [this] { heard.push_back(QStringLiteral("trick or treat")); }};
    }
    // Opens the window (not modally) and waits for it to show.
    TTrickForm& Open() {
        form = std::make_unique<TTrickForm>(session, Collaborators());
        form->show();
        form->activateWindow();
        [this] { QVERIFY(QTest::qWaitForWindowExposed(form.get())); }();
        return *form;
    }
    void ClickPicture(QPoint point, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(form.get(), button, {}, form->PictureOffset() + point);
    }

    GameSession session;
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

Q_DECLARE_METATYPE(morrow::TrickFormState)

class TTrickFormTest : public QObject {
    Q_OBJECT

private slots:
    // Clicks on the pick picture's bounds and gaps: only the six inclusive
    // tile rectangles pick; every miss, and a click on the black area beside
    // the picture, gets the message and leaves the pick open.
    void clicksPickOnlyInsideTheTiles_data() {
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QPoint>("point"); // relative to the picture
        QTest::addColumn<int>("pumpkin");  // 0: a miss
        QTest::newRow("tile 1 top left") << kScreen << QPoint(22, 330) << 1;
        QTest::newRow("tile 1 bottom right") << kScreen << QPoint(115, 424) << 1;
        for (int x = 116; x <= 121; ++x) {
            QTest::addRow("gap x=%d", x) << kScreen << QPoint(x, 380) << 0;
        }
        QTest::newRow("tile 2 left edge") << kScreen << QPoint(122, 380) << 2;
        QTest::newRow("tile 6 right edge") << kScreen << QPoint(615, 424) << 6;
        QTest::newRow("right of tile 6") << kScreen << QPoint(616, 380) << 0;
        QTest::newRow("left of tile 1") << kScreen << QPoint(21, 380) << 0;
        QTest::newRow("above the tiles y=329") << kScreen << QPoint(50, 329) << 0;
        QTest::newRow("below the tiles y=425") << kScreen << QPoint(50, 425) << 0;
        QTest::newRow("black area beside the picture") << kScreen << QPoint(-10, 380) << 0;
        // A screen smaller than the picture: offsets (-20, -15), cut on both sides.
        QTest::newRow("small screen tile 1 top left") << QSize(600, 400) << QPoint(22, 330) << 1;
        QTest::newRow("small screen y=329") << QSize(600, 400) << QPoint(22, 329) << 0;
    }
    void clicksPickOnlyInsideTheTiles() {
        QFETCH(QSize, window);
        QFETCH(QPoint, point);
        QFETCH(int, pumpkin);
        Bonus bonus;
        TTrickForm& form = bonus.Open();
        if (window != kScreen) {
            form.setWindowState(Qt::WindowNoState);
            form.resize(window);
            QTRY_COMPARE(form.size(), window);
        }
        QCOMPARE(form.size(), window);
        const QPoint expectedOffset((window.width() - 640) / 2, (window.height() - 430) / 2);
        QCOMPARE(form.PictureOffset(), expectedOffset);

        ModalAnswerer answerer;
        bonus.ClickPicture(point, Qt::RightButton); // any button picks
        if (pumpkin == 0) {
            QCOMPARE(answerer.Boxes().size(), std::size_t{1});
            QCOMPARE(answerer.Boxes()[0].text, kMissText);
            QCOMPARE(answerer.Boxes()[0].icon, QMessageBox::Information);
            QCOMPARE(form.State(), TrickFormState::Picking);
            QVERIFY2(form.isVisible(), "a miss must not close the window");
            QVERIFY(!form.Timer1.isActive());
            return;
        }
        QVERIFY2(answerer.Boxes().empty(), "a click on a tile must not get the message");
        const std::int32_t prize = bonus.session.TrickPrizes[static_cast<std::size_t>(pumpkin - 1)];
        QCOMPARE(form.PickedPrize(), prize);
        QCOMPARE(form.State(), prize > 0 ? TrickFormState::TreatShown : TrickFormState::TrickShown);
    }

    // What each pumpkin hands out: a credit prize is left in WinAmount for
    // the caller to count and joins TricksWon only at the close; the nudge
    // prize adds 2 x Bet at the pick; an empty pumpkin gives nothing. The
    // close here is a click beside the picture, which closes at once.
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
        QCOMPARE(form.State(), state);
        QVERIFY2(bonus.heard.contains(sound), qPrintable(bonus.heard.join(", ")));
        QCOMPARE(bonus.session.WinAmount, winAmount);
        QCOMPARE(bonus.session.Nudges, nudges);
        QCOMPARE(bonus.session.Credits, 500); // the caller counts the win
        QCOMPARE(bonus.session.TricksWon, 1000);

        // A second click on the trick or treat picture does nothing.
        bonus.ClickPicture(TileCentre(pumpkin == 1 ? 2 : 1));
        bonus.ClickPicture(QPoint(300, 100));
        QCOMPARE(form.State(), state);
        QVERIFY(form.isVisible());
        QVERIFY2(answerer.Boxes().empty(), "clicks on the picture after the pick must not get the message");
        QCOMPARE(bonus.session.WinAmount, winAmount);
        QCOMPARE(bonus.session.Nudges, nudges);

        QTest::mouseClick(&form, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY2(!form.isVisible(), "a click beside the picture after the pick closes at once");
        QCOMPARE(form.State(), TrickFormState::Closed);
        QCOMPARE(bonus.session.TricksWon, tricksWon);
        QCOMPARE(bonus.session.Nudges, nudges);
        QVERIFY2(bonus.asked.empty(), "a mouse pick must not draw a random pumpkin");
    }

    // Enter and Space pick at random while the pick picture shows, never
    // after; other keys, Escape among them, do nothing.
    void keysPickAtRandomOnlyBeforeThePick_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("random");
        QTest::addColumn<int>("winAmount");
        QTest::newRow("Return picks pumpkin 4") << int(Qt::Key_Return) << 3 << 100;
        QTest::newRow("keypad Enter picks pumpkin 1") << int(Qt::Key_Enter) << 0 << 200;
        QTest::newRow("Space picks pumpkin 6") << int(Qt::Key_Space) << 5 << 50;
    }
    void keysPickAtRandomOnlyBeforeThePick() {
        QFETCH(int, key);
        QFETCH(int, random);
        QFETCH(int, winAmount);
        Bonus bonus;
        bonus.nextRandom = random;
        TTrickForm& form = bonus.Open();
        for (Qt::Key other : {Qt::Key_Escape, Qt::Key_A, Qt::Key_B, Qt::Key_M}) {
            QTest::keyClick(&form, other);
        }
        QVERIFY2(form.isVisible(), "Escape must not close the bonus window");
        QCOMPARE(form.State(), TrickFormState::Picking);
        QVERIFY(bonus.asked.empty());

        QTest::keyClick(&form, static_cast<Qt::Key>(key));
        QCOMPARE(bonus.asked, std::vector<int>{6});
        QCOMPARE(form.State(), TrickFormState::TreatShown);
        QCOMPARE(bonus.session.WinAmount, winAmount);

        bonus.nextRandom = 1;
        for (Qt::Key again : {Qt::Key_Return, Qt::Key_Space, Qt::Key_Enter}) {
            QTest::keyClick(&form, again);
        }
        QCOMPARE(bonus.asked.size(), std::size_t{1});
        QCOMPARE(bonus.session.WinAmount, winAmount);
        QCOMPARE(bonus.heard.count(QStringLiteral("win 5")), qsizetype{1});
    }

    // The timers: "Trick or treat!" once, 200 ms after opening; the window
    // closes 3 s after the pick (the wait is shortened here once its
    // interval is checked) and only then counts the prize into TricksWon.
    void timersGreetOnceAndCloseAfterThePick() {
        Bonus bonus;
        TTrickForm& form = bonus.Open();
        QCOMPARE(form.Timer2.interval(), 200);
        QTRY_COMPARE_WITH_TIMEOUT(bonus.heard, QStringList{QStringLiteral("trick or treat")}, 2000);
        QVERIFY(!form.Timer1.isActive());
        QTest::qWait(50);
        QCOMPARE(bonus.heard.size(), qsizetype{1});

        bonus.ClickPicture(TileCentre(4));
        QVERIFY(form.Timer1.isActive());
        QCOMPARE(form.Timer1.interval(), 3000);
        QCOMPARE(form.Timer1.remainingTime() > 2500, true);
        QTest::qWait(30);
        QVERIFY(form.isVisible());
        QCOMPARE(bonus.session.TricksWon, 1000);
        form.Timer1.setInterval(1); // restarts it
        QTRY_VERIFY2(!form.isVisible(), "the window must close by itself after the pick");
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(bonus.session.TricksWon, 1100);
        QCOMPARE(bonus.session.WinAmount, 100);
    }

    // The prize text on the treat picture as the window shows it: pure red
    // on the black patch, centred on (460, 180), in the font asked for.
    void prizeTextIsRedAndCentred() {
        Bonus bonus;
        TTrickForm& form = bonus.Open();
        bonus.ClickPicture(TileCentre(1)); // 200 Credits!
        QCOMPARE(form.State(), TrickFormState::TreatShown);

        QFont font(QString::fromLatin1(morrow::kPrizeFontFamily));
        QCOMPARE(QFontInfo(font).family(), QStringLiteral("Liberation Sans"));

        const QImage shown = form.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown.pixel(5, 5), qRgb(0, 0, 0));
        const QImage treat =
            QImage(QString::fromLatin1(morrow::art::kTrickTreat)).convertToFormat(QImage::Format_RGB32);
        QVERIFY(!treat.isNull());
        QRect changed;
        int reddest = 0;
        for (int y = 0; y < treat.height(); ++y) {
            for (int x = 0; x < treat.width(); ++x) {
                const QRgb now = shown.pixel(kOffset + QPoint(x, y));
                if (now == treat.pixel(x, y)) {
                    continue;
                }
                if (qGreen(now) != 0 || qBlue(now) != 0) {
                    QFAIL(qPrintable(QStringLiteral("pixel (%1, %2) of the text is not pure red: #%3")
                                         .arg(x)
                                         .arg(y)
                                         .arg(now, 6, 16, QLatin1Char('0'))));
                }
                reddest = std::max(reddest, qRed(now));
                changed |= QRect(x, y, 1, 1);
            }
        }
        QCOMPARE(reddest, 255);
        // "200 Credits!" at 24 points bold is about 190 x 24 pixels of ink.
        QVERIFY2(changed.width() > 150 && changed.width() < 230,
                 qPrintable(QString::number(changed.width())));
        QVERIFY2(changed.height() > 18 && changed.height() < 34,
                 qPrintable(QString::number(changed.height())));
        const QPointF centre = QRectF(changed).center();
        QVERIFY2(std::abs(centre.x() - 460) <= 2 && std::abs(centre.y() - 180) <= 2,
                 qPrintable(QStringLiteral("text centred on (%1, %2)").arg(centre.x()).arg(centre.y())));
    }

    // The entry point runs the window modally, frameless, covering the
    // screen, while the caller's timers keep ticking; on return the round is
    // over. A window closed before any pick picks at random for the player.
    void runsModallyAndEndsTheRound_data() {
        QTest::addColumn<bool>("pickFirst");
        QTest::addColumn<int>("winAmount");
        QTest::addColumn<int>("nudges");
        QTest::addColumn<int>("tricksWon");
        QTest::newRow("pick then click beside") << true << 200 << 3 << 1200;
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
        int ticks = 0;
        QTimer mainTimer;
        connect(&mainTimer, &QTimer::timeout, [&ticks] { ++ticks; });
        mainTimer.start(10);

        bool looked = false;
        QTimer::singleShot(100, [&] {
            auto* form = mainWindow.findChild<TTrickForm*>();
            QVERIFY(form);
            looked = QApplication::activeModalWidget() == form && form->isModal() &&
                     (form->windowFlags() & Qt::FramelessWindowHint) &&
                     (form->windowState() & Qt::WindowMaximized) && form->size() == kScreen &&
                     form->parentWidget() == &mainWindow;
            if (pickFirst) {
                QTest::mouseClick(form, Qt::LeftButton, {}, form->PictureOffset() + TileCentre(1));
                QTest::mouseClick(form, Qt::LeftButton, {}, QPoint(5, 5));
            } else {
                form->close();
            }
        });
        morrow::RunTrickOrTreat(&mainWindow, bonus.session, bonus.Collaborators());
        QVERIFY2(looked, "the bonus window must be a modal, frameless, maximised child of the main window");
        QVERIFY2(ticks > 3, "the main window's timers must keep running while the bonus is open");
        QCOMPARE(bonus.session.WinAmount, winAmount);
        QCOMPARE(bonus.session.Nudges, nudges);
        QCOMPARE(bonus.session.TricksWon, tricksWon);
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }
};

// The screen the window opens on: 800 x 600 at 96 pixels per inch.
int main(int argc, char** argv) {
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("screens.json"));
    QFile file(config);
    if (!dir.isValid() || !file.open(QIODevice::WriteOnly) ||
        file.write(
            R"({"synchronousWindowSystemEvents":false,"windowFrameMargins":false,"screens":[)"
            R"({"name":"S1","x":0,"y":0,"width":800,"height":600,"logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]})") <
            0) {
        qFatal("cannot write the offscreen screen configuration");
    }
    file.close();
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen:configfile=") + QFile::encodeName(config));
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    TTrickFormTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "TTrickFormTest.moc"
