// SPDX-License-Identifier: GPL-3.0-or-later
// A long evening at the machine: the real game in a virtual X server plays
// a thousand spins by keys (MORROW_SOAK_SPINS changes the count), with the
// statistics, payoff chart and save/open windows opened and closed between
// spins and every bonus game played. The game's resident memory is noted
// along the way and must stay flat after warm-up (the first hundred spins),
// the game prints nothing, and at the end the counters on the screen are
// what the record file holds. It takes half an hour and more, so it runs
// from `make soak`, not with the other tests.

#include "GameRig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <thread>

namespace morrow::e2e {
namespace {

constexpr long long kStartCredits = 100000;
constexpr long long kStartNudges = 5;
constexpr int kCoins = 3;
constexpr int kWarmUpSpins = 100;
constexpr long long kFlatRssKiB = 2 * 1024;

// The resident memory of a process, in KiB; -1 when it cannot be read.
long long ResidentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::atoll(line.c_str() + 6);
        }
    }
    return -1;
}

// A dialog opened from the menu bar by its access keys and closed with
// Escape. (The borrow dialog has no Cancel, so Escape leaves it open.) It is
// told by its title: the File menu on the way to it is a window of the
// game's too, for a moment.
struct MenuDialog {
    const char* name;
    std::vector<const char*> keys;
    const char* title;
};

const std::vector<MenuDialog> kDialogs{
    {"statistics", {"alt+s"}, "Your Game Statistics"},
    {"payoff chart", {"alt+p"}, "Payoff Chart"},
    {"statistics", {"alt+s"}, "Your Game Statistics"},
    {"save game", {"alt+f", "s"}, "Save a Game -- Select Game Slot"},
    {"open game", {"alt+f", "o"}, "Open a Game -- Select Game Slot"},
};

class GameSoakTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* count = std::getenv("MORROW_SOAK_SPINS")) {
            spins_ = std::max(1, std::atoi(count));
        }
        ASSERT_EQ(rig_.Open({"Medium800x600x24", {800, 600, 24}}, "Soak"), "");
        rig_.WriteRecord("[CurrentGame]\nGameName=CurrentGame\nCredits=" + std::to_string(kStartCredits) +
                         "\nBorrowed=" + std::to_string(kStartCredits) +
                         "\nNudges=" + std::to_string(kStartNudges) + "\n");
        ASSERT_EQ(rig_.Start(), "");
    }

    void TearDown() override {
        if (HasFailure()) {
            rig_.Report(std::cout, "failure");
        }
    }

    // Plays any bonus game that has come up: Space picks a pumpkin.
    void PlayBonusIfOpen() {
        if (const std::vector<std::string> bonus = rig_.OtherWindows(); !bonus.empty()) {
            ++bonusGames_;
            rig_.Dismiss(bonus.front(), "space", 20s);
        }
    }

    bool OpenAndClose(const MenuDialog& dialog) {
        PlayBonusIfOpen(); // one the last spins brought
        rig_.MenuKeys({dialog.keys.begin(), dialog.keys.end()});
        const std::string opened = rig_.WaitForOtherWindow(10s, dialog.title);
        return !opened.empty() && rig_.Dismiss(opened, "Escape");
    }

    GameRig rig_;
    int spins_ = 1000;
    int bonusGames_ = 0;
};

TEST_F(GameSoakTest, ThousandSpinsByKeys) {
    ASSERT_TRUE(rig_.PointAt({250, 250}));
    const auto started = Clock::now();
    std::map<int, long long> rss; // spins done -> KiB, at the first count past each milestone
    std::vector<std::pair<int, long long>> afterWarmUp; // (spins, KiB)
    int dialogsShown = 0;
    int spins = 0;
    for (int round = 0; spins < spins_; ++round) {
        ASSERT_TRUE(rig_.Running()) << "the game ended after " << spins << " spins:\n" << rig_.Output();
        // M at a player's pace: a press while the reels run or a win is
        // counted is ignored by the game, so a few go unanswered.
        rig_.Focus(rig_.Window());
        for (int press = 1; press <= 20; ++press) {
            rig_.Key("m");
            std::this_thread::sleep_for(900ms);
            if (press % 3 == 0) {
                PlayBonusIfOpen();
            }
        }
        // A dialog: in turn one of the three that only show, and the save or
        // the open dialog, which parks the game in play in the record file
        // first and so tells how many spins were made.
        const MenuDialog& dialog = kDialogs[round % 2 == 0 ? static_cast<std::size_t>(round / 2) % 3
                                                           : 3 + static_cast<std::size_t>(round / 2) % 2];
        ASSERT_TRUE(OpenAndClose(dialog)) << "the " << dialog.name << " window did not open and close";
        ++dialogsShown;
        if (round % 2 == 0) {
            continue;
        }
        spins = std::atoi(rig_.SavedGame()["Spins"].c_str());
        const long long kib = ResidentKiB(rig_.Pid());
        const double minutes = std::chrono::duration<double>(Clock::now() - started).count() / 60;
        std::cout << "[soak] " << spins << " spins: RSS " << kib << " KiB, " << dialogsShown << " dialogs, "
                  << bonusGames_ << " bonus games, " << minutes << " min" << std::endl;
        for (const int milestone : {kWarmUpSpins, 500, 1000}) {
            if (spins >= milestone && !rss.contains(milestone)) {
                rss[milestone] = kib;
            }
        }
        if (spins >= kWarmUpSpins) {
            afterWarmUp.emplace_back(spins, kib);
        }
    }
    Reading last = rig_.Read(rig_.Shot());

    // Memory after warm-up stays flat. Single readings swing by a few MiB
    // (dialogs come and go; pieces of music, each with its own instruments,
    // take turns); what must not happen is the later half of the evening
    // climbing above the earlier half. A session shorter than two warm-ups
    // is too short to tell.
    long long earlier = 0;
    long long later = 0;
    if (spins_ >= 2 * kWarmUpSpins) {
        ASSERT_GE(afterWarmUp.size(), 2u) << "too few readings after warm-up";
        const auto half = afterWarmUp.begin() + static_cast<std::ptrdiff_t>(afterWarmUp.size() / 2);
        const auto highest = [](auto from, auto to) {
            return std::max_element(from, to,
                                    [](const auto& a, const auto& b) { return a.second < b.second; })
                ->second;
        };
        earlier = highest(afterWarmUp.begin(), half);
        later = highest(half, afterWarmUp.end());
        EXPECT_LE(later - earlier, kFlatRssKiB)
            << "resident memory climbed from " << earlier << " KiB to " << later << " KiB after warm-up";
    }

    // The last win may still be counting: the counters as they stay.
    for (auto deadline = Clock::now() + 30s; Clock::now() < deadline;) {
        std::this_thread::sleep_for(1500ms);
        const Reading now = rig_.Read(rig_.Shot());
        if (Still(now) == Still(last) && now.AtRest()) {
            break;
        }
        last = now;
    }

    // File > Exit, as a player ends the evening; the game saves on its way out.
    rig_.ExitFromTheMenu();
    ASSERT_TRUE(rig_.EndsWithin(20s)) << "the game did not end after File > Exit";

    const std::string output = rig_.Output();
    EXPECT_TRUE(output.empty()) << "the game printed:\n" << output;
    auto saved = rig_.SavedGame();
    EXPECT_EQ(saved["Credits"], std::to_string(last.credits.value_or(-1)))
        << "the screen showed " << Describe(last);
    EXPECT_EQ(saved["Nudges"], std::to_string(last.nudges.value_or(-1)))
        << "the screen showed " << Describe(last);
    const int made = std::atoi(saved["Spins"].c_str());
    EXPECT_GE(made, spins_);
    EXPECT_EQ(saved["TotalBets"], std::to_string(kCoins * made)) << "every spin was a spin of three coins";
    std::cout << "[soak] " << made << " spins, " << dialogsShown << " dialogs, " << bonusGames_
              << " bonus games; RSS KiB at 100/500/1000: " << rss[100] << " / " << rss[500] << " / "
              << rss[1000] << "; highest after warm-up, earlier and later half: " << earlier << " / " << later
              << "; saved Credits " << saved["Credits"] << ", Nudges " << saved["Nudges"] << std::endl;
}

} // namespace
} // namespace morrow::e2e
