// The main window, started for real on the offscreen screen (800 x 800 at
// 96 pixels per inch: the medium layout), played with keys, clicks and the
// menu. Every game starts from a fixed seed; the lines those seeds give on
// the first spin are written beside them.

#include "TForm1.h"
#include "ApplicationTitle.h"
#include "FakeClock.h"
#include "FieldCanvas.h"
#include "FieldLayout.h"
#include "FirstPaint.h"
#include "Game.h"
#include "ModalAnswerer.h"
#include "QtGameHost.h"
#include "TForm1TestAccess.h"
#include "TTrickForm.h"
#include "audio/FakeMusicSequencer.h"
#include "audio/FakeSoundPlayer.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>
#include <tuple>

using morrow::DisplayMode;
using morrow::FieldOrigin;
using morrow::TForm1;
using Access = morrow::TForm1TestAccess;
using morrow::test::FakeClock;
using morrow::test::ModalAnswerer;

namespace {

constexpr std::uint32_t kSevensSeed = 61; // 7 7 7: three coins win 9 credits
constexpr std::uint32_t kLosingSeed = 1;  // 0 8 4: nothing
constexpr std::uint32_t kBonusSeed = 228; // 8 8 9: Trick or Treat, and the wild's nudge
// Each reading of the fake clock is 100 ms later than the one before: longer
// than a frame and than any pause, so the game never has to sleep for real.
constexpr std::int64_t kClockStep = 100'000;

// A window on a fake clock, shown and with the keyboard focus.
// The player's record file, in a folder of its own for each test. Unless told
// otherwise it holds the game in play as a new game leaves it.
enum class RecordStart { NewGameSaved, NoFile };
struct RecordFolder {
    explicit RecordFolder(RecordStart start) {
        if (start == RecordStart::NewGameSaved) {
            QFile ini(dir.filePath("Morrow.ini"));
            if (ini.open(QIODevice::WriteOnly)) {
                ini.write("[CurrentGame]\nCredits=1000\nBorrowed=1000\nNudges=3\n");
            }
        }
    }
    QTemporaryDir dir;
    morrow::GameRecordFile file{dir.filePath("Morrow.ini").toStdString()};
};

struct Game {
    explicit Game(std::uint32_t seed, morrow::Clock* gameClock = nullptr,
                  RecordStart start = RecordStart::NewGameSaved)
        : clock(kClockStep), records(start),
          root(morrow::FormCollaborators{gameClock ? gameClock : &clock, seed,
                                         qEnvironmentVariable("MORROW_PROGRAM_DIR"), &records.file, &sounds,
                                         &music}),
          form(root.Window()) {
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
    }
    morrow::GameSession& Session() { return root.Session(); }
    // A key as the player types it: to whatever has the keyboard focus.
    void Key(Qt::Key key) {
        QTRY_VERIFY(QApplication::focusWidget() != nullptr);
        QTest::keyClick(QApplication::focusWidget(), key);
    }
    void Click(int fieldX, int fieldY) {
        QTest::mouseClick(&form.Canvas(), Qt::LeftButton, {},
                          QPoint(Session().FieldLeft + fieldX, Session().FieldTop + fieldY));
    }

    FakeClock clock;
    RecordFolder records;
    morrow::test::FakeSoundPlayer sounds;
    morrow::test::FakeMusicSequencer music;
    morrow::Game root;
    TForm1& form;
};

// A transcript as one line, so a failed comparison shows both in full.
QString Joined(const std::vector<std::string>& entries) {
    QStringList list;
    for (const std::string& entry : entries) {
        list << QString::fromStdString(entry);
    }
    return list.join(QStringLiteral(", "));
}

// Chooses File > New Game the way a player does: the bar, then the item.
void ChooseNewGame(TForm1& form) {
    QMenuBar* bar = form.menuBar();
    QAction* fileMenu = bar->actions().constFirst();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(fileMenu).center());
    QMenu* menu = fileMenu->menu();
    QVERIFY(menu && menu->isVisible());
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(&Access::NewGame(form)).center());
    // The offscreen platform makes the menu's popup the active window and,
    // unlike a desktop, gives nothing back when it closes.
    form.activateWindow();
}

// A program directory with the game's files but for those named (all of
// them for "*"): links to the build's files.
struct ProgramFolder {
    explicit ProgramFolder(const QStringList& missing) {
        const QDir build(qEnvironmentVariable("MORROW_PROGRAM_DIR"));
        if (missing.contains(QStringLiteral("*"))) {
            return;
        }
        for (const QString& name : build.entryList(QDir::Files)) {
            if (!missing.contains(name)) {
                QFile::link(build.filePath(name), dir.filePath(name));
            }
        }
    }
    QTemporaryDir dir;
};

// Answers each message box only after it has been open `delay` ms, as a
// player reading it would, noting its text and what had sounded by then.
class SlowReader : public QObject {
public:
    struct Answered {
        QString text;
        std::size_t soundsBefore = 0;
        std::string musicBefore;
    };
    SlowReader(int delay, const morrow::test::FakeSoundPlayer& sounds,
               const morrow::test::FakeMusicSequencer& music)
        : delay_(delay) {
        poll_.setInterval(10);
        connect(&poll_, &QTimer::timeout, this, [this, &sounds, &music] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible() || box == waiting_) {
                return;
            }
            waiting_ = box;
            QTimer::singleShot(delay_, this, [this, box = QPointer<QMessageBox>(box), &sounds, &music] {
                if (box) {
                    answered.push_back({box->text(), sounds.plays.size(), music.Playing()});
                    QTest::keyClick(box, Qt::Key_Escape);
                }
            });
        });
        poll_.start();
    }
    std::vector<Answered> answered;

private:
    int delay_;
    QTimer poll_;
    QPointer<QMessageBox> waiting_; // the box being read; null once it has gone
};

} // namespace

class TForm1Test : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // Closing a window must not end the test run.
        QApplication::setQuitOnLastWindowClosed(false);
        morrow::ApplyApplicationTitle();
    }

    // What waits for the first frame (the SoundFont) goes on once a window
    // has painted, and not before.
    void FirstPaintOpensAfterAWindowHasPainted() {
        morrow::FirstPaint firstPaint;
        QWidget window;
        QVERIFY(!firstPaint.Wait(std::chrono::milliseconds(0)));
        window.show();
        QTRY_VERIFY(firstPaint.Wait(std::chrono::milliseconds(0)));
    }

    void StartsUpAsANewGameInTheMediumLayout() {
        Game game(kLosingSeed);
        const morrow::GameSession& s = game.Session();
        QCOMPARE(game.form.windowTitle(), QStringLiteral("Morrowmas Slots"));
        // No display name: the desktop names the game from its entry, and
        // no title bar has anything added to its caption.
        QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("example.nexorail.MorrowmasSlots"));
        QCOMPARE(QCoreApplication::applicationName(), QGuiApplication::desktopFileName());
        QCOMPARE(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
        QStringList bar;
        for (const QAction* menu : game.form.menuBar()->actions()) {
            bar << menu->text();
        }
        QCOMPARE(bar, (QStringList{"&File", "&Options", "&Borrow", "&Stats", "&Payoffs", "&Help"}));
        QCOMPARE(Access::NewGame(game.form).text(), QStringLiteral("&New Game"));

        const std::string dir = qEnvironmentVariable("MORROW_PROGRAM_DIR").toStdString() + "/";
        QCOMPARE(s.ProgramDir, dir);
        QCOMPARE(game.root.Dialogs().HelpFile().toStdString(), dir + "Morrow.hlp");
        QCOMPARE(s.MusicFiles[7], dir + "Morro7.mid");
        QCOMPARE(s.LineBreak, std::string("\r\n"));

        QCOMPARE(s.ScreenWidth, 800);
        // The 500-pixel field centred.
        QCOMPARE(s.FieldLeft, 150);
        QCOMPARE(s.FieldTop, 40);
        // 96 pixels per inch: maximised.
        QVERIFY(game.form.windowState() & Qt::WindowMaximized);

        QCOMPARE(s.Credits, 1000);
        QCOMPARE(s.Borrowed, 1000);
        QCOMPARE(s.Nudges, 3);
        QVERIFY(s.SoundOn && s.MusicOn);
        QVERIFY(game.root.Engine().WildTimer().IsActive());
        QVERIFY(!game.root.Engine().NudgeFlashTimer().IsActive());
        QCOMPARE(QApplication::focusWidget(), &game.form.Canvas());
    }

    // Minimised, the window paints nothing and nothing moves for 5 s while
    // the wild still counts as animated; back, the procession goes on from
    // where it stood, a step at a time, with no frames made up.
    void AMinimisedWindowNeitherPaintsNorAnimates() {
        Game game(kLosingSeed);
        const morrow::AmbientAnimations& bat = game.root.Field().Animations();
        QTRY_VERIFY(bat.SpriteY() > -150);
        struct Paints : QObject {
            int count = 0;
            bool eventFilter(QObject* o, QEvent* e) override {
                count += e->type() == QEvent::Paint ? 1 : 0;
                return QObject::eventFilter(o, e);
            }
        } paints;
        game.form.Canvas().installEventFilter(&paints);
        game.form.setWindowState(game.form.windowState() | Qt::WindowMinimized);
        QVERIFY(!game.root.Visibility().Seen());
        const auto state = [&bat] {
            return std::tuple(bat.Moving(), bat.SpriteX(), bat.SpriteY(), bat.SpriteFrame(),
                              bat.BloodFrame());
        };
        const auto before = state();
        QTest::qWait(5000);
        QCOMPARE(paints.count, 0);
        QVERIFY(state() == before);
        QVERIFY(game.root.Engine().WildTimer().IsActive());
        game.form.setWindowState(game.form.windowState() & ~Qt::WindowMinimized);
        QTRY_VERIFY(paints.count > 0 && state() != before);
        QVERIFY(std::abs(bat.SpriteY() - std::get<2>(before)) <= 10);
    }

    void LayoutFollowsTheScreenWidth_data() {
        QTest::addColumn<int>("screenWidth");
        QTest::addColumn<int>("fieldWidth");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::newRow("640 small") << 640 << 500 << 0 << -20;
        QTest::newRow("699 still small") << 699 << 500 << 0 << -20;
        QTest::newRow("700 medium") << 700 << 500 << 100 << 40;
        QTest::newRow("999 medium") << 999 << 500 << 249 << 40;
        QTest::newRow("1000 large") << 1000 << 500 << 250 << 100;
        QTest::newRow("800 odd width rounds down") << 800 << 499 << 150 << 40;
        QTest::newRow("800 no picture") << 800 << 0 << 400 << 40;
        QTest::newRow("1024 large") << 1024 << 500 << 262 << 100;
        QTest::newRow("beyond 10000 stays large") << 12000 << 500 << 5750 << 100;
    }
    void LayoutFollowsTheScreenWidth() {
        QFETCH(int, screenWidth);
        QFETCH(int, fieldWidth);
        QFETCH(int, left);
        QFETCH(int, top);
        QCOMPARE(morrow::FieldOriginFor(screenWidth, fieldWidth), (FieldOrigin{left, top}));
    }

    void ThreeBetOneKeysPlayASpin() {
        Game game(kSevensSeed);
        ModalAnswerer answerer;
        game.Key(Qt::Key_B);
        game.Key(Qt::Key_B);
        QCOMPARE(game.Session().Bet, 2);
        QCOMPARE(game.Session().Credits, 998);
        game.Key(Qt::Key_B); // the third coin spins at once

        const morrow::GameSession& s = game.Session();
        QVERIFY(!s.Spinning);
        QCOMPARE(s.Spins, 1);
        QCOMPARE(s.TotalBets, 3);
        QCOMPARE(s.Credits, 1000 - 3 + 9);
        QCOMPARE(s.LastBet, 3);
        QVERIFY(answerer.Boxes().empty());

        // Enter repeats the bet of three.
        game.Key(Qt::Key_Enter);
        QCOMPARE(s.Spins, 2);
        QCOMPARE(s.TotalBets, 6);
    }

    // The real clock: between frames the spin sleeps until its next frame is
    // due (a wake-up that never came would hang here).
    void SpinsOnTheRealClock() {
        morrow::SteadyClock realClock;
        Game game(kLosingSeed, &realClock);
        game.Key(Qt::Key_M);
        QCOMPARE(game.Session().Spins, 1);
        QCOMPARE(game.Session().Credits, 997);
        QVERIFY(!game.Session().Spinning);
        QVERIFY(game.root.Engine().NudgeFlashTimer().IsActive()); // the lost line offers a nudge
    }

    void MessageWaitEndsAtTheDeadline_data() {
        QTest::addColumn<qint64>("now");
        QTest::addColumn<qint64>("deadline");
        QTest::addColumn<int>("milliseconds");
        QTest::newRow("deadline passed") << qint64{50'000} << qint64{40'000} << 0;
        QTest::newRow("under 1 ms left is not left to the event loop") << qint64{0} << qint64{999} << 0;
        QTest::newRow("12.7 ms left wakes before the deadline") << qint64{0} << qint64{12'700} << 12;
        QTest::newRow("never longer than a frame") << qint64{0} << qint64{2'000'000} << 25;
    }
    void MessageWaitEndsAtTheDeadline() {
        QFETCH(qint64, now);
        QFETCH(qint64, deadline);
        QFETCH(int, milliseconds);
        QCOMPARE(morrow::MessageWaitMilliseconds(now, deadline), milliseconds);
    }

    void SpaceWithoutABetSaysSoAndChangesNothing() {
        Game game(kLosingSeed);
        ModalAnswerer answerer;
        game.Key(Qt::Key_Space);
        QCOMPARE(answerer.Boxes().size(), std::size_t{1});
        const ModalAnswerer::Box& box = answerer.Boxes().front();
        QCOMPARE(box.text, QStringLiteral("No bet was placed!"));
        QCOMPARE(box.title, QStringLiteral("Morrowmas Slots"));
        QCOMPARE(box.icon, QMessageBox::Information);
        QCOMPARE(box.parent, &game.form);
        QCOMPARE(game.Session().Credits, 1000);
        QCOMPARE(game.Session().Spins, 0);
        QCOMPARE(game.Session().Bet, 0);
        // The focus comes back to the field, and the next key plays.
        QTRY_COMPARE(QApplication::focusWidget(), &game.form.Canvas());
        game.Key(Qt::Key_M);
        QCOMPARE(game.Session().Spins, 1);
    }

    void TheSpinButtonStartsAtItsLeftEdge() {
        Game game(kLosingSeed);
        ModalAnswerer answerer;
        game.Key(Qt::Key_B);
        game.Click(324, 365); // between Bet Max and Spin
        QCOMPARE(game.Session().Spins, 0);
        QCOMPARE(game.Session().Bet, 1);
        game.Click(325, 365);
        QCOMPARE(game.Session().Spins, 1);
        QCOMPARE(game.Session().TotalBets, 1);
        QCOMPARE(game.Session().LastBet, 1);
        QVERIFY(answerer.Boxes().empty());
    }

    void NewGameFromTheMenuWaitsForTheRunningSpin() {
        Game game(kSevensSeed);
        ModalAnswerer answerer;
        bool chosenWhileSpinning = false;
        std::int32_t creditsAfterChoice = 0;
        // Runs from the spin's own message handling.
        QTimer::singleShot(0, &game.form, [&] {
            chosenWhileSpinning = game.Session().Spinning;
            ChooseNewGame(game.form);
            creditsAfterChoice = game.Session().Credits;
            QTest::keyClick(&game.form.Canvas(), Qt::Key_M); // no second spin inside the first
        });
        game.Key(Qt::Key_M);

        QVERIFY(chosenWhileSpinning);
        QCOMPARE(creditsAfterChoice, 997); // not reset in the middle of the spin
        const morrow::GameSession& s = game.Session();
        QVERIFY(!s.Spinning);
        QCOMPARE(s.Credits, 1000);
        QCOMPARE(s.Spins, 0);
        QCOMPARE(s.Bet, 0);

        // Idle, the menu item resets at once.
        game.Key(Qt::Key_M);
        QCOMPARE(s.Spins, 1);
        ChooseNewGame(game.form);
        QCOMPARE(s.Credits, 1000);
        QCOMPARE(s.Spins, 0);
    }

    void TrickOrTreatPaysThePickedPumpkin_data() {
        // With this seed the pumpkins hold 150, 1 (nudges), 75, 0, 0, 300.
        QTest::addColumn<int>("pumpkin"); // 0: Enter, the game's generator picks
        QTest::addColumn<int>("credits");
        QTest::addColumn<int>("nudges");
        QTest::addColumn<int>("tricksWon");
        // Every row has the wild's nudge on reel 3.
        QTest::newRow("credits") << 1 << 997 + 150 << 4 << 150;
        QTest::newRow("nudges") << 2 << 997 << 4 + 6 << 0;
        QTest::newRow("trick") << 4 << 997 << 4 << 0;
        QTest::newRow("picked for the player") << 0 << 997 << 4 + 6 << 0;
    }
    void TrickOrTreatPaysThePickedPumpkin() {
        QFETCH(int, pumpkin);
        QFETCH(int, credits);
        QFETCH(int, nudges);
        QFETCH(int, tricksWon);
        Game game(kBonusSeed);
        // When the bonus window is up: pick, then click beside the picture,
        // which closes it at once.
        bool bonusShown = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            auto* bonus = qobject_cast<morrow::TTrickForm*>(QApplication::activeModalWidget());
            if (!bonus) {
                return;
            }
            if (bonus->State() == morrow::TrickFormState::Picking) {
                bonusShown = true;
                if (pumpkin == 0) {
                    QTest::keyClick(bonus, Qt::Key_Return);
                } else {
                    const QPoint tile = bonus->PictureOffset() + QPoint(60 + 100 * (pumpkin - 1), 370);
                    QTest::mouseClick(bonus, Qt::LeftButton, {}, tile);
                }
            } else {
                QTest::mouseClick(bonus, Qt::LeftButton, {}, QPoint(1, 1));
            }
        });
        poll.start(20);
        game.Key(Qt::Key_M);

        QVERIFY2(bonusShown, "the bonus window never opened");
        const morrow::GameSession& s = game.Session();
        QCOMPARE(s.Credits, credits);
        QCOMPARE(s.Nudges, nudges);
        QCOMPARE(s.TricksWon, tricksWon);
        QCOMPARE(s.WinAmount, 0);
        QVERIFY(!s.Spinning);
        QTRY_COMPARE(QApplication::focusWidget(), &game.form.Canvas());
    }

    // Closing mid-spin stops the reels at once, lets the spin pay and saves
    // the game with its win for the next start.
    void ClosingDuringASpinSavesTheGameWithItsWin() {
        Game game(kSevensSeed);
        bool closedMidSpin = false;
        QTimer::singleShot(0, &game.form, [&] {
            closedMidSpin = game.Session().Spinning;
            game.form.close();
        });
        game.Key(Qt::Key_M);

        QVERIFY(closedMidSpin);
        const morrow::GameSession& s = game.Session();
        QVERIFY(!s.Spinning);
        QTRY_VERIFY(!game.form.isVisible());
        // The reels came to rest on their stops and the line still paid.
        QCOMPARE(s.Spins, 1);
        QCOMPARE(s.Credits, 1000 - 3 + 9);
        morrow::GameSession saved;
        game.records.file.ReadGameRecord(saved, morrow::kCurrentGameSlot);
        QCOMPARE(saved.Credits, 1000 - 3 + 9);
        QCOMPARE(saved.Spins, 1);
    }

    // What the player hears from start to exit: the two sounds read at start,
    // the welcome at the first tick, coins, reel stops, the win waited out,
    // the count's ticks and the goodbye; with Sound off, nothing after it.
    void SoundsFollowThePlay_data() {
        QTest::addColumn<bool>("soundOn");
        QTest::newRow("sound on") << true;
        QTest::newRow("sound off") << false;
    }
    void SoundsFollowThePlay() {
        QFETCH(bool, soundOn);
        Game game(kSevensSeed);
        QTRY_VERIFY(!game.sounds.plays.empty());
        QCOMPARE(game.sounds.plays, (std::vector<std::string>{"Welcome.wav"}));
        QCOMPARE(game.sounds.images.size(), std::size_t{2});
        if (!soundOn) {
            Access::Sound(game.form).trigger();
        }
        QCOMPARE(game.Session().SoundOn, soundOn);
        game.sounds.plays.clear();
        game.Key(Qt::Key_M);
        Access::Exit(game.form).trigger();

        std::vector<std::string> heard =
            soundOn
                ? std::vector<std::string>{"Morrow1.wav",        "Morrow1.wav",        "Morrow1.wav",
                                           "Morrow0.wav memory", "Morrow0.wav memory", "Morrow0.wav memory",
                                           "MorWin7.wav wait"}
                : std::vector<std::string>{};
        if (soundOn) {
            // Nine credits are counted in, one tick each.
            heard.insert(heard.end(), 9, "Morrow3.wav memory");
            heard.push_back("Goodbye.wav");
        }
        QCOMPARE(Joined(game.sounds.plays), Joined(heard));
    }

    // A win sound holds the game until it has been heard out; meanwhile the
    // screen shows the field as drawn, the last frame of the spin included.
    void TheWinSoundIsHeardOverTheReelsAtRest() {
        Game game(kSevensSeed);
        QImage shown;
        QImage drawn;
        game.sounds.onPlay = [&](const std::string& entry) {
            if (entry == "MorWin7.wav wait") {
                const QImage window = game.form.screen()->grabWindow(game.form.winId()).toImage();
                const QPoint at = game.form.Canvas().mapTo(&game.form, QPoint(0, 0));
                drawn = game.root.Field().Image().convertToFormat(QImage::Format_RGB32);
                shown = window.copy(QRect(at, drawn.size())).convertToFormat(QImage::Format_RGB32);
            }
        };
        game.Key(Qt::Key_M);
        QVERIFY2(!drawn.isNull(), "the win sound was not heard");
        QVERIFY2(shown == drawn, "the screen does not show the field as drawn while the win sound plays");
    }

    // The first piece starts within a second of the start-up tick, and the
    // Music item stops it and starts it again from its beginning.
    void MusicStartsAndTheMusicItemSwitchesIt() {
        Game game(kLosingSeed);
        QTRY_COMPARE_WITH_TIMEOUT(game.music.Playing(), std::string("Morro0.mid"), 3000);
        Access::Music(game.form).trigger();
        QVERIFY(!Access::Music(game.form).isChecked());
        QCOMPARE(game.music.Playing(), std::string());
        Access::Music(game.form).trigger();
        QVERIFY(Access::Music(game.form).isChecked());
        QTRY_COMPARE(game.music.Playing(), std::string("Morro0.mid"));
    }

    // File > Exit saves the game, and the next start continues it; the very
    // first start, with no record at all, has 1000 credits and no nudges.
    void ExitSavesTheGameForTheNextStart() {
        Game first(kSevensSeed, nullptr, RecordStart::NoFile);
        QCOMPARE(first.Session().Credits, 1000);
        QCOMPARE(first.Session().Borrowed, 1000);
        QCOMPARE(first.Session().Nudges, 0);
        first.Key(Qt::Key_M);
        Access::Exit(first.form).trigger();
        QVERIFY(!first.form.isVisible());

        FakeClock clock(kClockStep);
        morrow::Game next(morrow::FormCollaborators{&clock, kLosingSeed,
                                                    qEnvironmentVariable("MORROW_PROGRAM_DIR"),
                                                    &first.records.file, &first.sounds, &first.music});
        QCOMPARE(next.Session().Credits, 1000 - 3 + 9);
        // The window shows the game it read, not the new game before it:
        // drawing the counters again changes no pixel.
        const QImage shown = next.Field().Image().copy();
        next.Field().Painter().DrawCredits(next.Session().Credits);
        next.Field().Painter().DrawNudges(next.Session().Nudges);
        QVERIFY2(next.Field().Image() == shown, "the counters shown are not those of the game read at start");
        QCOMPARE(next.Session().Spins, 1);
        QCOMPARE(next.Session().TotalBets, 3);
        QCOMPARE(next.Session().GameName, std::string("CurrentGame"));
    }

    // A start-up box may stay open as long as the player likes: no tick of
    // the game reaches the window while it is being made, and the music and
    // the welcome start after the boxes, once start-up is over.
    void StartUpBoxesMayStayOpen_data() {
        QTest::addColumn<QStringList>("missing");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<bool>("music");
        const QString pictures =
            QStringLiteral("There are BMP files missing which may cause this program to not "
                           "function properly!");
        QTest::newRow("a picture") << QStringList{"Bat.bmp"} << QStringList{pictures} << true;
        QTest::newRow("a sound held in memory")
            << QStringList{"Morrow0.wav"} << QStringList{"File not found"} << true;
        QTest::newRow("every file") << QStringList{"*"} << QStringList{pictures, "File not found"} << false;
    }
    void StartUpBoxesMayStayOpen() {
        QFETCH(QStringList, missing);
        QFETCH(QStringList, boxes);
        QFETCH(bool, music);
        ProgramFolder folder(missing);
        RecordFolder records(RecordStart::NewGameSaved);
        FakeClock clock(kClockStep);
        morrow::test::FakeSoundPlayer sounds;
        morrow::test::FakeMusicSequencer sequencer;
        SlowReader reader(1500, sounds, sequencer);
        morrow::Game game(morrow::FormCollaborators{&clock, kLosingSeed, folder.dir.path(), &records.file,
                                                    &sounds, &sequencer});
        TForm1& form = game.Window();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QStringList shown;
        for (const SlowReader::Answered& box : reader.answered) {
            shown << box.text;
            QCOMPARE(box.soundsBefore, std::size_t{0});
            QCOMPARE(box.musicBefore, std::string());
        }
        QCOMPARE(shown.size(), boxes.size());
        for (qsizetype i = 0; i < boxes.size(); ++i) {
            QVERIFY2(shown[i].startsWith(boxes[i]), qPrintable(shown[i]));
        }
        QVERIFY(game.Music().StartUpTimer().IsActive() || !sounds.plays.empty());
        if (music) {
            QTRY_COMPARE_WITH_TIMEOUT(sequencer.Playing(), std::string("Morro0.mid"), 3000);
            QTRY_COMPARE(sounds.plays.front(), std::string("Welcome.wav"));
        }
        QVERIFY(form.isVisible());
    }

    // A close the game could not save refuses to close, and play goes on
    // exactly as before it: a winning nudge waits out its win sound, counts
    // the win in and pays it.
    void ARefusedCloseLeavesPlayAsItWas() {
        QTemporaryDir dir;
        // The record is a folder: it can be neither read nor written.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Morrow.ini")));
        morrow::GameRecordFile unwritable(dir.filePath("Morrow.ini").toStdString());
        FakeClock clock(kClockStep);
        morrow::test::FakeSoundPlayer sounds;
        morrow::test::FakeMusicSequencer music;
        morrow::Game game(morrow::FormCollaborators{
            &clock, kLosingSeed, qEnvironmentVariable("MORROW_PROGRAM_DIR"), &unwritable, &sounds, &music});
        TForm1& form = game.Window();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        ModalAnswerer answerer;
        form.close();
        QCOMPARE(answerer.Boxes().size(), std::size_t{1});
        QVERIFY(answerer.Boxes().front().text.startsWith(QStringLiteral("Unable to write to Morrow.ini")));
        QVERIFY(form.isVisible());
        morrow::GameSession& s = game.Session();
        QVERIFY(!s.StopRequested);

        // The lost line showed 5 and 5; the third reel is nudged onto the wild.
        s.ReelPos = {5, 2, 8};
        s.LastBet = 3;
        s.Nudges = 1;
        s.NudgeChance = true;
        const std::int32_t credits = s.Credits;
        sounds.plays.clear();
        QTest::mouseClick(&form.Canvas(), Qt::LeftButton, {},
                          QPoint(s.FieldLeft + 80 + 248, s.FieldTop + 40));
        QCOMPARE(s.Credits, credits + 36);
        QVERIFY2(std::any_of(sounds.plays.begin(), sounds.plays.end(),
                             [](const std::string& play) { return play.ends_with(" wait"); }),
                 qPrintable(Joined(sounds.plays)));
        QVERIFY(!s.StopRequested);
    }
};

QTEST_MAIN(TForm1Test)
#include "TForm1Test.moc"
