// SPDX-License-Identifier: GPL-3.0-or-later
// The game played in a real window: the executable from the program
// directory on a virtual screen of its own, keys and clicks given with
// xdotool, and every check made on screenshots against the game's own
// pictures.

#include "GameRig.h"
#include "Reels.h"

#include <gtest/gtest.h>

#include <QImage>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <set>
#include <thread>
#include <tuple>

namespace morrow::e2e {
namespace {

// The game's id on the desktop: its window class and Wayland app id.
constexpr char kDesktopId[] = "example.nexorail.MorrowmasSlots";
constexpr QRgb kGrey = 0x808080;
constexpr QRgb kYellow = 0xFFFF00;
constexpr int kBloodWidth = 498;
constexpr int kBloodRows = 24;
constexpr int kBloodFrames = 5;
constexpr int kBatSize = 150;
constexpr int kBatFrames = 5;
constexpr int kBatInkInView = 1500;
// The game in play that the test leaves in the game's record file: credits
// and nudges that a new game would not have, so the counters prove the file
// was read, and nudges in stock for the nudge offer.
constexpr int kSavedCredits = 1234;
constexpr int kSavedNudges = 5;
const std::string kSavedGame =
    "[CurrentGame]\nGameName=CurrentGame\nCredits=" + std::to_string(kSavedCredits) +
    "\nBorrowed=1000\nNudges=" + std::to_string(kSavedNudges) + "\n";
constexpr int kMaxCoins = 3;
constexpr std::array<int, 3> kStartPositions{8, 9, 7};

// How long a reading must stay unchanged to count as settled: longer than
// a reel's bounce (8 frames of 25 ms) and the pause after a payout's count.
constexpr std::chrono::milliseconds kSettle{300};

// Centres of the drawn buttons (rows 365 to 395).
constexpr QPoint kBetOneButton{124, 380};
constexpr QPoint kBetMaxButton{249, 380};
constexpr QPoint kSpinButton{373, 380};

const std::array<Stage, 5> kScreens{{
    {"Small640x480x24", {640, 480, 24}},
    {"Medium800x600x24", {800, 600, 24}},
    {"Large1024x768x24", {1024, 768, 24}},
    {"Medium800x600x16", {800, 600, 16}},
    // 800 x 600 units at 2 device pixels each: the 2x pictures.
    {"Medium1600x1200Scale2", {1600, 1200, 24}, Desktop::BareX, 2},
}};

// Pixels of a placed picture that are not black and stand in view.
int InkInView(const Placement& placement) {
    int ink = 0;
    for (int y = 0; y < placement.from.height(); ++y) {
        for (int x = 0; x < placement.from.width(); ++x) {
            const QPoint source = placement.from.topLeft() + QPoint(x, y);
            ink += placement.visible.contains(placement.at + QPoint(x, y)) &&
                   (placement.picture->pixel(source) & 0xFFFFFFu) != 0;
        }
    }
    return ink;
}

// What sets a spin going: a key, or a click on a drawn button.
struct Trigger {
    const char* what;
    const char* key;
    QPoint button;
    int coins = kMaxCoins; // taken from the credits for this spin
};

const Trigger kMaxBetKey{"M (three coins and spin)", "m", {}};

bool AtRest(const Reading& r) {
    return r.AtRest();
}

class GameWindowTest : public ::testing::TestWithParam<Stage> {
protected:
    void SetUp() override {
        if (const std::string missing = GameRig::Missing(GetParam().desktop); !missing.empty()) {
            GTEST_SKIP() << missing;
        }
        // One folder of screenshots per test and screen, such as
        // Small640x480x24-PlaysWithKeysAndClicks.
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_EQ(rig_.Open(GetParam(), std::string(GetParam().name) + "-" + test.substr(0, test.find('/'))),
                  "");
        rig_.WriteRecord(kSavedGame);
        ASSERT_EQ(rig_.Start(), "");
    }

    void TearDown() override {
        if (HasFailure() || IsSkipped()) {
            rig_.Report(std::cout, HasFailure() ? "failure" : "skipped");
        }
    }

    // The title of another window of the game's that has come up over the field.
    std::string OtherWindow() const {
        const std::vector<std::string> others = rig_.OtherWindows();
        return others.empty() ? std::string() : rig_.WindowName(others.front());
    }

    // Spins by `t` and waits until the reels are at rest: their reading and
    // what the payline pays. Skips the test when the spin opens the bonus
    // game, which these tests do not play.
    void SpinBy(const Trigger& t, Reading& rest, LineResult& line) {
        rig_.Note(std::string("-- ") + t.what);
        ASSERT_TRUE(t.key ? rig_.Key(t.key) : rig_.Click(t.button));
        auto [started, moving] = rig_.WaitFor([](const Reading& r) { return !r.AtRest(); }, 5s);
        ASSERT_TRUE(started) << t.what << " started no spin: " << Describe(moving)
                             << (OtherWindow().empty() ? "" : "; window \"" + OtherWindow() + "\" is open");
        bool stopped = false;
        std::tie(stopped, rest) = rig_.WaitFor(AtRest, 10s, kSettle);
        if (!stopped && !OtherWindow().empty()) {
            GTEST_SKIP() << "window \"" << OtherWindow() << "\" opened over the field (the bonus game)";
        }
        ASSERT_TRUE(stopped) << "after " << t.what
                             << " the reels never came to rest on symbol tiles: " << Describe(rest);
        line = EvaluateLine(rest.Payline(0), rest.Payline(1), rest.Payline(2));
        if (line.kind == LineKind::Bonus) {
            GTEST_SKIP() << "the spin opened the bonus game, which this test does not play";
        }
    }

    // Waits until the reels rest and the counters show these credits and nudges.
    void WaitForCounters(const std::string& after, long long credits, long long nudges) {
        auto [paid, reading] = rig_.WaitFor(
            [&](const Reading& r) { return r.AtRest() && r.credits == credits && r.nudges == nudges; }, 15s,
            kSettle);
        ASSERT_TRUE(paid) << "after " << after << " the counters should show credits " << credits
                          << " and nudges " << nudges << ": " << Describe(reading);
    }

    // Bet Max by key on the saved game until the counters show what the
    // payline paid: the credits and nudges then.
    void SpinByMaxBet(long long& credits, long long& nudges) {
        Reading rest;
        LineResult line;
        ASSERT_TRUE(rig_.PointAt({250, 250}));
        ASSERT_NO_FATAL_FAILURE(SpinBy(kMaxBetKey, rest, line));
        if (IsSkipped()) {
            return;
        }
        credits = kSavedCredits - kMaxCoins + Won(line);
        nudges = kSavedNudges + (line.wildNudge ? 1 : 0);
        ASSERT_NO_FATAL_FAILURE(WaitForCounters(kMaxBetKey.what, credits, nudges));
    }

    // The saved game as the window first shows it: the reels at their start
    // positions with the wild on the payline, the green payline, and the
    // counters of the record file.
    void ExpectTheSavedGameAtStart() {
        const Reading start = rig_.Read(rig_.FirstShot());
        for (int reel = 0; reel < 3; ++reel) {
            const auto& view = start.reels[static_cast<std::size_t>(reel)];
            ASSERT_TRUE(view) << "reel " << reel + 1 << " shows no symbol tiles at start";
            const int at = kStartPositions[static_cast<std::size_t>(reel)];
            EXPECT_NE(std::find(view->positions.begin(), view->positions.end(), at), view->positions.end())
                << "reel " << reel + 1 << " does not show strip positions " << at << " to " << at + 2 << ": "
                << Describe(start);
        }
        EXPECT_EQ(start.Payline(2), kWildSymbol) << "reel 3 starts with the wild on the payline";
        EXPECT_TRUE(rig_.PaylineIsGreen(rig_.FirstShot()))
            << "the payline is not a green line across the field";
        EXPECT_EQ(start.credits, kSavedCredits) << Describe(start);
        EXPECT_EQ(start.nudges, kSavedNudges) << Describe(start);
        EXPECT_EQ(start.bet, 0) << Describe(start);
    }

    static long long Won(const LineResult& line) {
        return line.kind == LineKind::Triple      ? line.payPerCoin * kMaxCoins
               : line.kind == LineKind::StakeBack ? kMaxCoins
                                                  : 0;
    }

    GameRig rig_;
    Clock::time_point started_ = Clock::now();
};

// The window's size and place, the field picture at its layout's origin,
// the reels at their start positions, the payline, the counters of the
// saved game, grey "Nudge" captions, the animated wild, and the decorations: the
// bat and the blood from 700 pixels up, nothing in the small layout.
TEST_P(GameWindowTest, ShowsTheFieldAtStart) {
    const int w = GetParam().mode.width;
    const int h = GetParam().mode.height;
    const Layout& layout = rig_.FieldLayout();
    const QRect& canvas = rig_.Canvas();
    EXPECT_EQ(rig_.WindowRect().size(), QSize(w - 10, h - 10))
        << "the window leaves 10 pixels of the screen free";
    EXPECT_EQ(rig_.WindowRect().topLeft(), QPoint(5, layout.small ? 0 : 5))
        << "the window stands centred across, at the top on small screens";
    const int menuBar = canvas.top() - rig_.WindowRect().top();
    EXPECT_TRUE(menuBar >= 10 && menuBar <= 60) << "menu bar of " << menuBar << " rows";

    ASSERT_NO_FATAL_FAILURE(ExpectTheSavedGameAtStart());
    for (const int grey : rig_.CaptionPixels(rig_.FirstShot(), kGrey)) {
        EXPECT_GE(grey, 20) << "a \"Nudge\" caption is not written in grey";
    }
    for (const int yellow : rig_.CaptionPixels(rig_.FirstShot(), kYellow)) {
        EXPECT_EQ(yellow, 0) << "a \"Nudge\" caption is lit with no nudge offered";
    }

    // A few seconds of the idle window: the wild steps through its frames,
    // the bat descends the right margin and the blood drips.
    const int fieldRight = layout.field.x() + layout.fieldWidth;
    const int batX = fieldRight + (w - fieldRight - kBatSize) / 2;
    std::set<int> wildTiles;
    bool band = false;
    std::vector<int> batYs;
    bool bloodSeen = false;
    const auto deadline = Clock::now() + 4s * kSlowdown;
    for (int shotNumber = 1; Clock::now() < deadline; ++shotNumber) {
        const QImage shot = rig_.Shot();
        ASSERT_FALSE(shot.isNull());
        const Reading r = rig_.Read(shot);
        if (r.reels[2]) {
            wildTiles.insert(r.reels[2]->tiles[1]);
            band = band || r.reels[2]->wildBand;
        }
        if (layout.small) {
            // Nothing but the field and the column of counters and captions.
            const QRect belowField(rig_.OnScreen({0, layout.field.y() + layout.fieldHeight}),
                                   QPoint(canvas.right(), canvas.bottom()));
            const QRect rightTop(rig_.OnScreen({layout.fieldWidth, 0}),
                                 rig_.OnScreen({canvas.width() - 1, 45}));
            const QRect rightBottom(rig_.OnScreen({layout.fieldWidth, 250}),
                                    QPoint(canvas.right(), canvas.bottom()));
            const QRect rightGap(rig_.OnScreen({layout.fieldWidth, 0}), rig_.OnScreen({w - 121, 250}));
            ASSERT_TRUE(AllBlack(shot, belowField) && AllBlack(shot, rightTop) &&
                        AllBlack(shot, rightBottom) && AllBlack(shot, rightGap))
                << "something is drawn outside the field and its counters on a small screen";
            if (shotNumber >= 8 && wildTiles.size() >= 2 && band) {
                break;
            }
            continue;
        }
        for (int row = 0; row < kBloodFrames && !bloodSeen; ++row) {
            const Placement strip{&rig_.Blood(), QRect(0, kBloodRows * row, kBloodWidth, kBloodRows),
                                  rig_.FieldOnScreen({0, layout.fieldHeight - 4}), canvas};
            bloodSeen = Mismatches(shot, strip, rig_.Matcher(), 1) == 0;
        }
        // The bat, with enough of its body in view to tell it from the
        // black around it.
        for (int y = -kBatSize; y < h; ++y) {
            bool found = false;
            for (int frame = 0; frame < kBatFrames && !found; ++frame) {
                const Placement sprite{&rig_.Bat(), QRect(kBatSize * frame, 0, kBatSize, kBatSize),
                                       rig_.OnScreen({batX, y}), canvas};
                found =
                    Mismatches(shot, sprite, rig_.Matcher(), 1) == 0 && InkInView(sprite) >= kBatInkInView;
            }
            if (found) {
                if (batYs.empty() || batYs.back() != y) {
                    rig_.Keep(shot, "02-bat-" + std::to_string(batYs.size() + 1));
                }
                batYs.push_back(y);
                break;
            }
        }
        if (bloodSeen && band && std::set<int>(batYs.begin(), batYs.end()).size() >= 2 &&
            wildTiles.size() >= 2) {
            break;
        }
    }
    EXPECT_GE(wildTiles.size(), 2u) << "the wild on reel 3's payline does not change its frame";
    EXPECT_TRUE(band) << "no white band under the animated wild";
    for (const int tile : wildTiles) {
        EXPECT_GE(tile, kWildSymbol) << "reel 3's payline cell showed tile " << tile
                                     << " instead of the wild";
    }
    if (layout.small) {
        return;
    }
    EXPECT_TRUE(bloodSeen) << "no row of the blood strip under the field";
    ASSERT_GE(batYs.size(), 2u) << "the bat was not seen twice in the margin right of the field (x = " << batX
                                << ")";
    EXPECT_GT(batYs.back(), batYs.front()) << "the bat does not descend";
    EXPECT_EQ((batYs.back() - batYs.front()) % 5, 0) << "the bat moves in steps of 5 pixels";
}

// Bets and spins from the keys and the drawn buttons: every counter shows
// what the payline paid, the reels stop on three neighbouring strip
// positions, and after a losing spin the "Nudge" captions flash.
TEST_P(GameWindowTest, PlaysWithKeysAndClicks) {
    ASSERT_TRUE(rig_.PointAt({250, 250}));

    // Single coins: one from the B key, one from the Bet One button.
    ASSERT_TRUE(rig_.Key("b"));
    auto [oneCoin, afterB] =
        rig_.WaitFor([](const Reading& r) { return r.bet == 1 && r.credits == kSavedCredits - 1; }, 5s);
    ASSERT_TRUE(oneCoin) << "B placed no coin: " << Describe(afterB);
    ASSERT_TRUE(rig_.Click(kBetOneButton));
    auto [twoCoins, afterClick] =
        rig_.WaitFor([](const Reading& r) { return r.bet == 2 && r.credits == kSavedCredits - 2; }, 5s);
    ASSERT_TRUE(twoCoins) << "the Bet One button placed no coin: " << Describe(afterClick);
    rig_.Keep(rig_.LastShot(), "03-two-coins");

    long long credits = kSavedCredits - 2;
    long long nudges = kSavedNudges;
    bool flashed = false;
    std::vector<Trigger> triggers{
        {"M (third coin)", "m", {}, 1},
        {"the Spin button", nullptr, kSpinButton},
        {"Enter", "Return", {}},
        {"Space", "space", {}},
        {"the Bet Max button", nullptr, kBetMaxButton},
    };
    // More spins only if none of these lost.
    triggers.insert(triggers.end(), 6, Trigger{"Space", "space", {}});

    for (std::size_t spin = 0; spin < triggers.size() && !(spin >= 5 && flashed); ++spin) {
        const Trigger& t = triggers[spin];
        Reading rest;
        LineResult line;
        ASSERT_NO_FATAL_FAILURE(SpinBy(t, rest, line));
        if (IsSkipped()) {
            return;
        }
        for (int reel = 0; reel < 3; ++reel) {
            EXPECT_FALSE(rest.reels[static_cast<std::size_t>(reel)]->positions.empty())
                << "reel " << reel + 1
                << " stopped on symbols that do not follow each other on its strip: " << Describe(rest);
        }
        credits += Won(line) - t.coins;
        nudges += line.wildNudge ? 1 : 0;
        const std::string name = "04-spin-" + std::to_string(spin + 1);
        WaitForCounters(t.what, credits, nudges);
        rig_.Keep(rig_.LastShot(), name);
        if (HasFatalFailure()) {
            return;
        }
        EXPECT_EQ(rig_.FieldMismatches(rig_.LastShot()), 0)
            << "the spin left marks on the field picture (" << name << ")";
        EXPECT_TRUE(rig_.PaylineIsGreen(rig_.LastShot())) << "the payline is gone after " << t.what;

        if (line.kind != LineKind::Lose || nudges <= 0 || flashed) {
            continue;
        }
        // A nudge is offered: the captions go yellow and grey in turn.
        bool lit = false;
        bool unlit = false;
        for (const auto deadline = Clock::now() + 4s * kSlowdown;
             !(lit && unlit) && Clock::now() < deadline;) {
            const QImage shot = rig_.Shot();
            const std::array<int, 3> yellow = rig_.CaptionPixels(shot, kYellow);
            if (!lit && std::all_of(yellow.begin(), yellow.end(), [](int n) { return n >= 20; })) {
                lit = true;
                rig_.Keep(shot, "05-nudge-lit");
            }
            if (!unlit && std::all_of(yellow.begin(), yellow.end(), [](int n) { return n <= 2; })) {
                unlit = true;
                rig_.Keep(shot, "05-nudge-unlit");
            }
            // A screenshot on a busy machine can take as long as a whole
            // flash; the pause keeps the shots from falling in step with it.
            std::this_thread::sleep_for(70ms);
        }
        EXPECT_TRUE(lit && unlit) << "after a losing spin with " << nudges
                                  << " nudges the \"Nudge\" captions do not flash yellow (lit seen: " << lit
                                  << ", unlit seen: " << unlit << ")";
        flashed = true;
    }
    EXPECT_TRUE(flashed) << "no losing spin in " << triggers.size() << " spins";
}

std::string ScreenName(const ::testing::TestParamInfo<Stage>& screen) {
    return screen.param.name;
}

INSTANTIATE_TEST_SUITE_P(Screens, GameWindowTest, ::testing::ValuesIn(kScreens.begin(), kScreens.end() - 1),
                         ScreenName);

// At a scale of 2 (QT_SCALE_FACTOR=2 on a 1600 x 1200 screen, 800 x 600
// units; or the game's own zoom of 2 on a 2560 x 1440 screen, 1280 x 720
// units) the field is drawn from the 2x pictures: the start reels are the
// 2x tiles pixel for pixel at the doubled field origin, the counters the 2x
// digit cells, and a spin plays and comes to rest on 2x tiles again.
class GameWindowScaledTest : public GameWindowTest {};

TEST_P(GameWindowScaledTest, DrawsFromThe2xPicturesAndPlays) {
    ASSERT_NO_FATAL_FAILURE(ExpectTheSavedGameAtStart());

    long long credits = 0;
    long long nudges = 0;
    ASSERT_NO_FATAL_FAILURE(SpinByMaxBet(credits, nudges));
    if (IsSkipped()) {
        return;
    }
    rig_.Keep(rig_.LastShot(), "02-after-spin");
    EXPECT_EQ(rig_.FieldMismatches(rig_.LastShot()), 0) << "the spin left marks on the 2x field picture";
}

INSTANTIATE_TEST_SUITE_P(
    Screens, GameWindowScaledTest,
    ::testing::Values(kScreens.back(),
                      Stage{"Openbox2560x1440Zoom2", {2560, 1440, 24}, Desktop::Openbox, 2, true}),
    ScreenName);

// "Fit to Screen" on a 1920 x 1080 screen, started unchecked: checked, the
// machine is drawn at once 1.5 times as wide (its green payline, the width
// less two margins of 72); unchecked again, the field is the 1x picture
// pixel for pixel where it stood.
class FitToScreenTest : public GameWindowTest {
protected:
    // The longest run of payline green in any row of the shot.
    static int PaylineLength(const QImage& shot) {
        int longest = 0;
        for (int y = 0; y < shot.height(); ++y) {
            int run = 0;
            for (int x = 0; x < shot.width(); ++x) {
                run = (shot.pixel(x, y) & 0xFFFFFF) == 0x00FF00 ? run + 1 : 0;
                longest = std::max(longest, run);
            }
        }
        return longest;
    }
    int PaylineAfterSwitch(int expected) {
        EXPECT_TRUE(rig_.SwitchFitToScreen());
        int length = 0;
        for (const auto until = Clock::now() + 10s * kSlowdown; Clock::now() < until;) {
            length = PaylineLength(rig_.Shot());
            if (std::abs(length - expected) <= 2) {
                break;
            }
        }
        return length;
    }
};

TEST_P(FitToScreenTest, ZoomsTheMachineAndBackAtOnce) {
    const int single = 500 - 2 * kPaylineInset;
    EXPECT_EQ(PaylineLength(rig_.FirstShot()), single);
    EXPECT_NEAR(PaylineAfterSwitch(single * 3 / 2), single * 3 / 2, 2) << "not drawn at 1.5x once fitted";
    rig_.Keep(rig_.LastShot(), "01-fitted");
    EXPECT_EQ(PaylineAfterSwitch(single), single) << "not drawn at 1x once unfitted";
    rig_.Keep(rig_.LastShot(), "02-unfitted");
    EXPECT_EQ(rig_.FieldMismatches(rig_.LastShot()), 0) << "the 1x field is not back pixel for pixel";
    EXPECT_NEAR(PaylineAfterSwitch(single * 3 / 2), single * 3 / 2, 2) << "not drawn at 1.5x again";
}

INSTANTIATE_TEST_SUITE_P(
    Screens, FitToScreenTest,
    ::testing::Values(Stage{"Openbox1920x1080Unfitted", {1920, 1080, 24}, Desktop::Openbox, 1, false, false}),
    ScreenName);

// The game in play outlives the program. One screen is enough: the record
// file does not depend on the layout.
class GameRestartTest : public GameWindowTest {};

// A spin, Exit from the File menu, and the next start shows the credits and
// nudges that the spin left; a coin bet, SIGTERM, and the file holds it.
TEST_P(GameRestartTest, ContinuesTheGameAfterExitFromTheFileMenu) {
    long long credits = 0;
    long long nudges = 0;
    ASSERT_NO_FATAL_FAILURE(SpinByMaxBet(credits, nudges));
    if (IsSkipped()) {
        return;
    }
    rig_.Keep(rig_.LastShot(), "03-before-exit");

    rig_.Note("-- File > Exit");
    ASSERT_TRUE(rig_.ExitFromTheMenu());
    ASSERT_TRUE(rig_.EndsWithin(15s)) << "the game did not end after File > Exit";
    EXPECT_EQ(rig_.SavedGame()["Credits"], std::to_string(credits))
        << "Morrow.ini does not hold the credits after the spin:\n"
        << ReadText(rig_.Record());

    ASSERT_EQ(rig_.Start(), "");
    rig_.Keep(rig_.FirstShot(), "04-after-restart");
    const Reading again = rig_.Read(rig_.FirstShot());
    EXPECT_EQ(again.credits, credits) << "the credits did not survive the restart: " << Describe(again);
    EXPECT_EQ(again.nudges, nudges) << "the nudges did not survive the restart: " << Describe(again);
    EXPECT_EQ(again.bet, 0) << Describe(again);

    // Ended from outside (the session closing), the game is saved as well.
    rig_.Note("-- B, then SIGTERM");
    ASSERT_TRUE(rig_.Key("b"));
    auto [bet, afterBet] =
        rig_.WaitFor([&](const Reading& r) { return r.bet == 1 && r.credits == credits - 1; }, 5s);
    ASSERT_TRUE(bet) << "B placed no coin: " << Describe(afterBet);
    rig_.Stop(15s * kSlowdown);
    EXPECT_EQ(rig_.SavedGame()["Credits"], std::to_string(credits - 1))
        << "Morrow.ini does not hold the game after SIGTERM:\n"
        << ReadText(rig_.Record());
}

INSTANTIATE_TEST_SUITE_P(Screens, GameRestartTest, ::testing::Values(kScreens[1]), ScreenName);

// The game on a desktop: a window manager, a 1280 x 720 screen (also what a
// 1920 x 1080 screen at 150 % gives), 96 pixels per inch.
class DesktopWindowTest : public GameWindowTest {};

// The title bar reads the caption alone, the window is maximised within the
// screen and carries the desktop entry's class, a spin plays by keys, and
// the bat's flight along the bottom leaves the field and its buttons whole.
TEST_P(DesktopWindowTest, FitsTheDesktopAndPlays) {
    const std::string& window = rig_.Window();
    EXPECT_EQ(rig_.Property(window, "_NET_WM_NAME"), "_NET_WM_NAME(UTF8_STRING) = \"Morrowmas Slots\"");
    EXPECT_NE(rig_.Property(window, "WM_CLASS").find(std::string("\"") + kDesktopId + "\""),
              std::string::npos)
        << rig_.Property(window, "WM_CLASS");
    EXPECT_TRUE(rig_.Maximised()) << rig_.Property(window, "_NET_WM_STATE");
    int left = 0, right = 0, top = 0, bottom = 0;
    const std::string extents = rig_.Property(window, "_NET_FRAME_EXTENTS");
    ASSERT_EQ(std::sscanf(extents.c_str(), "_NET_FRAME_EXTENTS(CARDINAL) = %d, %d, %d, %d", &left, &right,
                          &top, &bottom),
              4)
        << extents;
    const QRect frame = rig_.WindowRect().adjusted(-left, -top, right, bottom);
    EXPECT_TRUE(QRect(QPoint(0, 0), QSize(GetParam().mode.width, GetParam().mode.height)).contains(frame))
        << "the framed window (" << frame.x() << ", " << frame.y() << ") " << frame.width() << " x "
        << frame.height() << " does not lie within the screen";

    long long credits = 0;
    long long nudges = 0;
    ASSERT_NO_FATAL_FAILURE(SpinByMaxBet(credits, nudges));
    if (IsSkipped()) {
        return;
    }
    rig_.Keep(rig_.LastShot(), "03-after-spin");

    // The bat comes down the right margin, then flies left under the
    // buttons from about 10 s after start.
    const auto until = std::max(started_ + 20s * kSlowdown, Clock::now() + 3s);
    int shots = 0;
    while (Clock::now() < until) {
        const QImage shot = rig_.Shot();
        ++shots;
        const int mismatches = rig_.FieldMismatches(shot);
        if (mismatches != 0) {
            rig_.Keep(shot, "04-field-drawn-over");
        }
        ASSERT_EQ(mismatches, 0) << "a sprite drew over the field, its buttons or its blood strip";
    }
    EXPECT_GT(shots, 1);

    rig_.Stop(5s * kSlowdown);
    EXPECT_EQ(rig_.SavedGame()["Credits"], std::to_string(credits)) << "SIGTERM did not save the game:\n"
                                                                    << ReadText(rig_.Record());
}

INSTANTIATE_TEST_SUITE_P(Screens, DesktopWindowTest,
                         ::testing::Values(Stage{"Openbox1280x720x24", {1280, 720, 24}, Desktop::Openbox},
                                           Stage{"Xfwm41280x720x24", {1280, 720, 24}, Desktop::Xfwm4}),
                         ScreenName);

// The game's sound stream as the desktop's volume mixer lists it, read from
// a sound server of the test's own while the game plays its music.
TEST(SoundStreamTest, CarriesTheGamesNameIconAndRole) {
    GameRig rig;
    ASSERT_EQ(rig.Open(kScreens[0], "SoundStream"), "");
    if (const std::string why = rig.StartSoundServer(); !why.empty()) {
        GTEST_SKIP() << "no sound server: " << why;
    }
    rig.WriteRecord(kSavedGame);
    ASSERT_EQ(rig.Start(), "");
    std::string streams;
    for (const auto until = Clock::now() + 10s * kSlowdown;
         streams.find("Morrowmas") == std::string::npos && Clock::now() < until;) {
        std::this_thread::sleep_for(200ms);
        streams = rig.Pactl({"list", "sink-inputs"});
    }
    for (const std::string& property :
         std::vector<std::string>{"application.name = \"Morrowmas Slots\"",
                                  "application.icon_name = \"" + std::string(kDesktopId) + "\"",
                                  "media.name = \"Sound effects and music\"", "media.role = \"game\""}) {
        EXPECT_NE(streams.find(property), std::string::npos) << property << " is not in:\n" << streams;
    }
}

// The game under a Wayland compositor: Weston, headless, with its desktop
// shell. The compositor places and sizes the window, and takes no input
// from outside.
TEST(WaylandWindowTest, StartsDrawsAndSavesUnderWeston) {
    if (const std::string missing = GameRig::Missing(Desktop::Weston); !missing.empty()) {
        GTEST_SKIP() << missing;
    }
    GameRig rig;
    ASSERT_EQ(rig.Open({"Wayland", {1280, 720, 24}, Desktop::Weston}, "Wayland"), "");
    rig.WriteRecord(kSavedGame);
    ASSERT_EQ(rig.Launch(), "");

    // The field is found by the Bet One button, then the reels are read at
    // their start positions.
    const QImage& field = rig.FieldPicture();
    const QRect button(100, 370, 40, 20);
    const auto findField = [&](const QImage& shot) -> std::optional<QPoint> {
        const QRgb first = field.pixel(button.topLeft());
        for (int y = 0; y < shot.height(); ++y) {
            for (int x = 0; x < shot.width(); ++x) {
                const QRect at(QPoint(x, y), button.size());
                if (rig.Matcher().Same(shot.pixel(x, y), first) && shot.rect().contains(at) &&
                    Mismatches(shot, {&field, button, at.topLeft(), at}, rig.Matcher(), 1) == 0) {
                    return at.topLeft() - button.topLeft();
                }
            }
        }
        return std::nullopt;
    };
    QImage shot;
    std::string seen = "no screenshot";
    bool reelsAtStart = false;
    for (const auto deadline = Clock::now() + 20s * kSlowdown; !reelsAtStart && Clock::now() < deadline;) {
        ASSERT_TRUE(rig.Running()) << "the game ended:\n" << rig.Output();
        std::this_thread::sleep_for(300ms);
        shot = rig.Shot();
        if (shot.isNull()) {
            continue;
        }
        const std::optional<QPoint> origin = findField(shot);
        if (!origin) {
            seen = "no play field in the screenshot";
            continue;
        }
        reelsAtStart = true;
        for (int reel = 0; reel < 3; ++reel) {
            const int position = kStartPositions[static_cast<std::size_t>(reel)];
            const int symbol =
                kReelStrips[static_cast<std::size_t>(reel)][static_cast<std::size_t>(position - 1)] - '0';
            const std::optional<int> tile =
                MatchTile(shot, *origin + QPoint(kReelLeft + kReelPitch * reel, kReelTop), rig.Symbols(),
                          rig.Matcher());
            reelsAtStart = reelsAtStart && tile == symbol;
        }
        seen = "the reels do not show their start positions";
    }
    rig.Keep(shot, "start");
    ASSERT_TRUE(reelsAtStart) << seen << "\nGame output:\n" << rig.Output();

    // It stays up, and SIGTERM saves the game in play (the keys a new game
    // writes were not in the file) and ends it.
    std::this_thread::sleep_for(2s);
    ASSERT_TRUE(rig.Running()) << "the game ended:\n" << rig.Output();
    rig.Stop(15s * kSlowdown);
    EXPECT_TRUE(rig.SavedGame().contains("TotalBets")) << "Morrow.ini was not written on SIGTERM:\n"
                                                       << ReadText(rig.Record()) << "\nGame output:\n"
                                                       << rig.Output();
}

// The game as a screen reader sees it, on a session and accessibility bus
// of the test's own: screen-reader.py finds the buttons and counters by
// name, plays a spin by Bet Max's action and reads it back.
class ScreenReaderTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (HasFailure()) {
            rig_.Report(std::cout, "failure");
        }
    }
    ChildProcess sessionBus_; // made first, ended last
    ChildProcess atSpi_;
    GameRig rig_;
};

TEST_F(ScreenReaderTest, PlaysBetMaxByItsActionAndReadsTheSpin) {
    constexpr char kBusLauncher[] = "/usr/libexec/at-spi-bus-launcher";
    const Stage stage{"Medium800x600x24", {800, 600, 24}};
    std::string why = GameRig::Missing(stage.desktop);
    for (const char* tool : {"/usr/bin/dbus-daemon", kBusLauncher, "/usr/bin/python3"}) {
        why += access(tool, X_OK) == 0 ? "" : std::string(tool) + " is missing; ";
    }
    if (!why.empty()) {
        GTEST_SKIP() << "no accessibility bus: " << why;
    }
    ASSERT_EQ(rig_.Open(stage, "Medium800x600x24-ScreenReader"), "");
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
    std::string error, address;
    std::optional<ChildProcess> bus = ChildProcess::Start(
        {"dbus-daemon", "--session", "--nofork", "--print-address=" + std::to_string(fds[1])}, {},
        rig_.Temp() / "dbus.log", error, fds[1]);
    close(fds[1]);
    if (bus) {
        sessionBus_ = std::move(*bus);
        ReadPipeUntil(fds[0], Clock::now() + 10s, address,
                      [](const std::string& text) { return text.find('\n') != std::string::npos; });
    }
    close(fds[0]);
    if (address.find('\n') == std::string::npos) {
        GTEST_SKIP() << "the session bus did not start: " << error << ReadText(rig_.Temp() / "dbus.log");
    }
    address.erase(address.find('\n'));
    rig_.GameEnvironment()["DBUS_SESSION_BUS_ADDRESS"] = address;
    const Environment env = rig_.GameEnvironment();
    std::optional<ChildProcess> launcher =
        ChildProcess::Start({kBusLauncher, "--launch-immediately"}, env, rig_.Temp() / "at-spi.log", error);
    if (!launcher) {
        GTEST_SKIP() << "the accessibility bus did not start: " << error;
    }
    atSpi_ = std::move(*launcher);
    rig_.GameEnvironment()["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1";
    ASSERT_EQ(rig_.Start(), "");
    const CommandResult reader = RunCommand({"/usr/bin/python3", MORROW_SCREEN_READER_SCRIPT}, env,
                                            std::chrono::seconds(90 * kSlowdown));
    std::cout << reader.output;
    if (reader.exitCode == 77) {
        GTEST_SKIP() << "the accessibility bus cannot be read: " << reader.output
                     << ReadText(rig_.Temp() / "at-spi.log");
    }
    EXPECT_EQ(reader.exitCode, 0) << (reader.timedOut ? "the reader timed out\n" : "") << reader.output;
}

// The game under KDE Plasma's compositor, KWin, on its virtual screen: the
// title, the maximised window within the screen as KWin has it, and the game
// saved on SIGTERM. KWin takes no keys from outside.
TEST(WaylandWindowTest, StartsMaximisedAndSavesUnderKwin) {
    if (const std::string missing = GameRig::Missing(Desktop::Kwin); !missing.empty()) {
        GTEST_SKIP() << missing;
    }
    GameRig rig;
    if (const std::string why = rig.Open({"Kwin", {1280, 720, 24}, Desktop::Kwin}, "Kwin"); !why.empty()) {
        GTEST_SKIP() << "KWin did not start: " << why;
    }
    rig.WriteRecord(kSavedGame);
    ASSERT_EQ(rig.Launch(), "");
    // One line per window: its caption, then whether it fills the area a
    // maximised window gets, and whether it lies on the screen.
    const std::string script = R"(
        const screen = workspace.clientArea(KWin.ScreenArea, 0, 0);
        for (const w of workspace.clientList()) {
            const g = w.frameGeometry;
            const area = workspace.clientArea(KWin.MaximizeArea, w);
            const inside = g.x >= screen.x && g.y >= screen.y &&
                g.x + g.width <= screen.x + screen.width && g.y + g.height <= screen.y + screen.height;
            print("[" + w.caption + "] " + (g.width == area.width && g.height == area.height) + " " + inside);
        }
        print("end");)";
    std::string windows;
    for (const auto until = Clock::now() + 20s * kSlowdown;
         windows.find("[Morrowmas Slots] true") == std::string::npos && Clock::now() < until;) {
        ASSERT_TRUE(rig.Running()) << "the game ended:\n" << rig.Output();
        std::this_thread::sleep_for(500ms);
        windows = rig.KwinScript(script);
    }
    EXPECT_NE(windows.find("[Morrowmas Slots] true true\n"), std::string::npos) << windows;

    std::this_thread::sleep_for(1s);
    ASSERT_TRUE(rig.Running()) << "the game ended:\n" << rig.Output();
    rig.Stop(5s * kSlowdown);
    EXPECT_TRUE(rig.SavedGame().contains("TotalBets")) << "Morrow.ini was not written on SIGTERM:\n"
                                                       << ReadText(rig.Record()) << "\nGame output:\n"
                                                       << rig.Output();
}

} // namespace
} // namespace morrow::e2e
