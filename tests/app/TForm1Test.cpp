// SPDX-License-Identifier: GPL-3.0-or-later
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
#include "GamepadInput.h"
#include "LateAudio.h"
#include "ModalAnswerer.h"
#include "QtGameHost.h"
#include "TForm1TestAccess.h"
#include "TTrickForm.h"
#include "TerminationSignals.h"
#include "audio/FakeMusicSequencer.h"
#include "audio/FakeSoundPlayer.h"

#include <QAccessible>
#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <SDL.h>

#include <algorithm>
#include <map>
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
    FakeClock day{0}; // dates the saves
    morrow::GameRecordFile file{dir.filePath("Morrow.ini").toStdString(), day};
};

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

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

std::vector<std::int32_t> Outcome(const morrow::GameSession& s) {
    return {s.Credits, s.Spins, s.Nudges, s.NudgesUsed, s.ReelPos[0], s.ReelPos[1], s.ReelPos[2]};
}

// A controller with every button, plugged in through SDL's virtual joystick.
struct VirtualPad {
    VirtualPad() {
        SDL_VirtualJoystickDesc pad{};
        pad.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        pad.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        pad.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        pad.button_mask = (1U << SDL_CONTROLLER_BUTTON_MAX) - 1;
        index = SDL_JoystickAttachVirtualEx(&pad);
        joystick = index >= 0 ? SDL_JoystickOpen(index) : nullptr;
    }
    void Press(morrow::GamepadInput& pads, SDL_GameControllerButton button) {
        for (const Uint8 state : {Uint8{1}, Uint8{0}}) {
            SDL_JoystickSetVirtualButton(joystick, button, state);
            pads.Poll();
        }
    }
    void Unplug() {
        if (joystick != nullptr) {
            SDL_JoystickClose(joystick);
            SDL_JoystickDetachVirtual(index); // the only controller there is
            joystick = nullptr;
        }
    }
    int index = -1;
    SDL_Joystick* joystick = nullptr;
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

    // The sound output loads once a window has painted, and not before; a
    // sound taken in before is played by its own handle after. Without the
    // module the game plays on silent.
    void FirstPaintLoadsTheSoundOutputAfterAWindowHasPainted() {
        QTemporaryDir noModule;
        const QString programDir = qEnvironmentVariable("MORROW_PROGRAM_DIR");
        QFile wav(programDir + "/Welcome.wav");
        QVERIFY(wav.open(QIODevice::ReadOnly));
        const QByteArray bytes = wav.readAll();
        for (const QString& dir : {programDir, noModule.path()}) {
            morrow::LateAudio audio(dir, nullptr);
            morrow::FirstPaint firstPaint([&audio] { audio.Load(); });
            audio.Effects().AddImage("not a sound", std::vector<std::uint8_t>{'R', 'I', 'F', 'F'});
            const morrow::SoundImage welcome =
                audio.Effects().AddImage("Welcome.wav", {reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                                         std::size_t(bytes.size())});
            QWidget window;
            QVERIFY(!firstPaint.Wait(std::chrono::milliseconds(0)) && !audio.Loaded());
            window.show();
            QTRY_VERIFY(firstPaint.Wait(std::chrono::milliseconds(0)));
            QCOMPARE(audio.Loaded(), dir == programDir);
            audio.Effects().PlayImage(welcome);
            QCOMPARE(audio.Effects().IsPlaying(), dir == programDir);
            QVERIFY(audio.Effects().WaitUntilQuiet(std::chrono::seconds(10)));
        }
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
        // Options ends with "Full Screen" and "Fit to Screen", checked. The
        // player's choice is kept beside the record, never in it; a screen
        // this small is not zoomed either way.
        const QList<QAction*> options = game.form.menuBar()->actions().at(1)->menu()->actions();
        QCOMPARE(options.at(options.size() - 2)->text(), QStringLiteral("Full Screen"));
        QCOMPARE(options.constLast()->text(), QStringLiteral("Fit to Screen"));
        QVERIFY(options.constLast()->isChecked());
        const QByteArray record = ReadAll(game.records.dir.filePath("Morrow.ini"));
        options.constLast()->trigger();
        QVERIFY(ReadAll(game.records.dir.filePath("Display.ini")).contains("FitToScreen=false"));
        QCOMPARE(ReadAll(game.records.dir.filePath("Morrow.ini")), record);
        QCOMPARE(QPoint(s.ScreenWidth, s.FieldLeft), QPoint(800, 150));
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

    // A screen reader finds the field's parts by name, sees which buttons a
    // click would move, presses them and reads the line and the counters.
    void AScreenReaderPlaysTheField() {
        Game game(kLosingSeed);
        QAccessibleInterface* field = QAccessible::queryAccessibleInterface(&game.form.Canvas());
        QVERIFY(field != nullptr);
        std::map<QString, QAccessibleInterface*> part;
        for (int i = 0; i < field->childCount(); ++i) {
            part[field->child(i)->text(QAccessible::Name)] = field->child(i);
        }
        const auto read = [&](const char* name) {
            return part[name]->valueInterface()->currentValue().toInt();
        };
        const auto press = [&](const char* name) {
            QVERIFY(!part[name]->state().disabled);
            part[name]->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        };
        QCOMPARE(QAccessible::queryAccessibleInterface(qApp)->text(QAccessible::Name), "Morrowmas Slots");
        QVERIFY(part["Nudge reel 1"]->state().disabled);
        {
            // A box open over the window keeps presses out as it keeps clicks.
            ModalAnswerer answerer({[&](QMessageBox& box) {
                QVERIFY(part["Bet Max"]->state().disabled);
                part["Bet Max"]->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
                QTest::qWait(50);
                QTest::keyClick(&box, Qt::Key_Escape);
            }});
            game.Key(Qt::Key_Space); // "No bet was placed!"
            QCOMPARE(answerer.Boxes().size(), std::size_t{1});
            QCOMPARE(game.Session().Spins, 0);
        }
        press("Bet Max");
        QTRY_COMPARE(game.Session().Spins, 1);
        QAccessibleInterface* reels = field->child(3);
        QCOMPARE(reels->text(QAccessible::Name), "Jack-o'-lantern, Bonus pail, Ghost: no win");
        QCOMPARE(read("Credits"), 997);
        press("Nudge reel 1"); // the lost line offers a nudge
        QTRY_COMPARE(game.Session().NudgesUsed, 1);
        QCOMPARE(read("Nudges"), 2);
        QCOMPARE(reels->text(QAccessible::Name).left(19), "Sweet, Bonus pail, ");
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
        QTest::addColumn<QString>("said"); // the prize, as a screen reader reads it
        // Every row has the wild's nudge on reel 3. Pumpkin 1 is picked by a
        // screen reader, through its button.
        QTest::newRow("credits") << 1 << 997 + 150 << 4 << 150 << "150 Credits!";
        QTest::newRow("nudges") << 2 << 997 << 4 + 6 << 0 << "6 Nudges!";
        QTest::newRow("trick") << 4 << 997 << 4 << 0 << "A trick! The pumpkin was empty.";
        QTest::newRow("picked for the player") << 0 << 997 << 4 + 6 << 0 << "6 Nudges!";
    }
    void TrickOrTreatPaysThePickedPumpkin() {
        QFETCH(int, pumpkin);
        QFETCH(int, credits);
        QFETCH(int, nudges);
        QFETCH(int, tricksWon);
        QFETCH(QString, said);
        Game game(kBonusSeed);
        QString prize;
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
                QAccessibleInterface* window = QAccessible::queryAccessibleInterface(bonus);
                if (pumpkin == 0) {
                    QTest::keyClick(bonus, Qt::Key_Return);
                } else if (pumpkin == 1) {
                    window->child(0)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
                } else {
                    const QPoint tile = bonus->PictureOffset() + QPoint(60 + 100 * (pumpkin - 1), 370);
                    QTest::mouseClick(bonus, Qt::LeftButton, {}, tile);
                }
            } else {
                prize = QAccessible::queryAccessibleInterface(bonus)
                            ->child(morrow::kPumpkinCount)
                            ->text(QAccessible::Name);
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
        QCOMPARE(prize, said);
        QCOMPARE(s.WinAmount, 0);
        QVERIFY(!s.Spinning);
        QTRY_COMPARE(QApplication::focusWidget(), &game.form.Canvas());
    }

    // A virtual controller plays as the keys: south answers a box, north bets
    // the most, d-pad left nudges reel 1; pulled out mid-spin, it changes nothing.
    void ControllerPlaysAsTheKeysDo() {
        morrow::GamepadInput pads;
        if (!pads.Available()) {
            QSKIP("SDL's game controllers do not start here");
        }
        std::vector<std::int32_t> byKeys;
        {
            Game game(kLosingSeed);
            ModalAnswerer answerer;
            for (const Qt::Key key : {Qt::Key_Return, Qt::Key_M, Qt::Key_1, Qt::Key_Return}) {
                game.Key(key);
            }
            byKeys = Outcome(game.Session());
        }
        Game game(kLosingSeed);
        VirtualPad pad;
        QVERIFY2(pad.joystick != nullptr, SDL_GetError());
        pads.Poll();
        QCOMPARE(pads.ControllerCount(), 1);
        ModalAnswerer answerer({[&](QMessageBox&) { pad.Press(pads, SDL_CONTROLLER_BUTTON_A); }});
        pad.Press(pads, SDL_CONTROLLER_BUTTON_A);
        QTRY_COMPARE(answerer.Boxes().size(), std::size_t{1});
        QTRY_VERIFY(game.form.isActiveWindow()); // the controller plays where the focus is
        const morrow::GameSession& s = game.Session();
        pad.Press(pads, SDL_CONTROLLER_BUTTON_Y);
        QTRY_COMPARE(s.Spins, 1);
        pad.Press(pads, SDL_CONTROLLER_BUTTON_DPAD_LEFT);
        QTRY_COMPARE(s.NudgesUsed, 1);
        bool unpluggedMidSpin = false;
        QTimer unplug;
        connect(&unplug, &QTimer::timeout, [&] {
            if (s.Spinning && pad.joystick != nullptr) {
                unpluggedMidSpin = true;
                pad.Unplug();
                pads.Poll();
            }
        });
        unplug.start(0);
        pad.Press(pads, SDL_CONTROLLER_BUTTON_A);
        QTRY_COMPARE(s.Spins, 2);
        QVERIFY(unpluggedMidSpin);
        QCOMPARE(pads.ControllerCount(), 0);
        QCOMPARE(Outcome(s), byKeys);
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

    // The session manager's request to save (before a logout) saves the game
    // at once and play goes on, as does the compositor's end; the session's
    // end closes the window. None waits on a box or a goodbye, even when the
    // file cannot be written.
    void ALogoutSavesWithoutAsking() {
        for (const bool writable : {true, false}) {
            Game game(kLosingSeed);
            if (!writable) { // a folder in its place: the file cannot be written
                QVERIFY(QDir(game.records.dir.path()).remove(QStringLiteral("Morrow.ini")));
                QVERIFY(QDir(game.records.dir.path()).mkdir(QStringLiteral("Morrow.ini")));
            }
            morrow::TerminationSignals endRequests(
                game.form, [&] { game.form.CloseUnattended(); }, [&] { game.form.SaveUnattended(); });
            ModalAnswerer answerer;
            game.Session().Credits = 777;
            endRequests.CommitDataRequest();
            morrow::GameSession saved;
            game.records.file.ReadGameRecord(saved, morrow::kCurrentGameSlot);
            QCOMPARE(saved.Credits, writable ? 777 : 1000);
            // A Wayland session whose compositor goes first: Qt says so, then ends.
            game.Session().Credits = 555;
            const char* broken = "The Wayland connection broke. Did the Wayland compositor die?";
            QTest::ignoreMessage(QtWarningMsg, broken);
            qWarning("%s", broken);
            game.records.file.ReadGameRecord(saved, morrow::kCurrentGameSlot);
            QCOMPARE(saved.Credits, writable ? 555 : 1000);
            QVERIFY(game.form.isVisible());

            QEvent quit(QEvent::Quit); // what Qt makes of the session's end
            QCoreApplication::sendEvent(qApp, &quit);
            QTRY_VERIFY(!game.form.isVisible());
            QVERIFY(answerer.Boxes().empty());
            QVERIFY2(std::none_of(game.sounds.plays.begin(), game.sounds.plays.end(),
                                  [](const std::string& play) { return play.starts_with("Goodbye"); }),
                     qPrintable(Joined(game.sounds.plays)));
        }
    }

    // A close the game could not save refuses to close, and play goes on
    // exactly as before it: a winning nudge waits out its win sound, counts
    // the win in and pays it.
    void ARefusedCloseLeavesPlayAsItWas() {
        QTemporaryDir dir;
        // The record is a folder: it can be neither read nor written.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Morrow.ini")));
        FakeClock clock(kClockStep);
        morrow::GameRecordFile unwritable(dir.filePath("Morrow.ini").toStdString(), clock);
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
