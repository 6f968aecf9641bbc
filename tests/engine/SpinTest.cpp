// SPDX-License-Identifier: GPL-3.0-or-later
#include "EngineRig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace morrow::test {
namespace {

constexpr std::int64_t kMs = 1000;

// The frame (25 ms each, counted from the spin's start) of each call with
// this prefix.
std::vector<std::int64_t> FramesOf(const FakeGameHost& host, std::string_view prefix, std::int64_t start) {
    std::vector<std::int64_t> frames;
    for (const HostCall& call : host.Matching(prefix)) {
        frames.push_back((call.at - start) / (25 * kMs));
    }
    return frames;
}

TEST(SpinTest, ReelsStopAtFrames21And30And39AndTheSpinEndsAtFrame47) {
    EngineRig rig;
    rig.NextSpinShows(2, 5, 3);
    rig.PlaceCoins(1);
    rig.engine.Spin();

    const std::int64_t start = rig.host.Matching("StopTimer Timer2").front().at;
    EXPECT_EQ(FramesOf(rig.host, "DrawReel ", start), (std::vector<std::int64_t>{21, 30, 39}));
    EXPECT_EQ(FramesOf(rig.host, "PlayReelStop", start), (std::vector<std::int64_t>{21, 30, 39}));
    EXPECT_EQ(rig.host.Count("DrawReelMotion 0"), 20U);
    EXPECT_EQ(rig.host.Count("DrawReelMotion 1"), 29U);
    EXPECT_EQ(rig.host.Count("DrawReelMotion 2"), 38U);
    EXPECT_EQ(FramesOf(rig.host, "DrawReelBounce 2", start).back(), 47)
        << "the spin ends with reel 3's last bounce frame";
    EXPECT_EQ(rig.host.Matching("DrawNudges").front().at - start, 47 * 25 * kMs)
        << "the evaluation follows the last frame at once";
}

TEST(SpinTest, EachReelBouncesDownThenUpAfterItStops) {
    EngineRig rig;
    rig.NextSpinShows(2, 5, 3);
    rig.PlaceCoins(1);
    rig.engine.Spin();
    for (int reel = 0; reel < kReelCount; ++reel) {
        const std::string r = std::to_string(reel);
        EXPECT_EQ(rig.host.Count("BeginReelBounce " + r), 1U);
        const std::vector<std::string> bounce = rig.host.Texts("DrawReelBounce " + r);
        const std::vector<std::string> expected{"DrawReelBounce " + r + " 1",  "DrawReelBounce " + r + " 2",
                                                "DrawReelBounce " + r + " 1",  "DrawReelBounce " + r + " 0",
                                                "DrawReelBounce " + r + " -1", "DrawReelBounce " + r + " -2",
                                                "DrawReelBounce " + r + " -1", "DrawReelBounce " + r + " 0"};
        EXPECT_EQ(bounce, expected) << "reel " << reel;
    }
}

TEST(SpinTest, MotionStripRunsDownwardBy61RowsAFrameAndWraps) {
    EngineRig rig;
    rig.NextSpinShows(2, 5, 3);
    rig.PlaceCoins(1);
    rig.engine.Spin();
    const std::vector<HostCall> motion = rig.host.Matching("DrawReelMotion 1 ");
    ASSERT_GE(motion.size(), 2U);
    auto previous = motion.front().args.at(1);
    bool wrapped = false;
    for (std::size_t i = 1; i < motion.size(); ++i) {
        const auto offset = motion[i].args.at(1);
        ASSERT_GE(offset, 0);
        ASSERT_LT(offset, 576);
        const std::int64_t expected = previous - 61 < 0 ? previous - 61 + 576 : previous - 61;
        wrapped = wrapped || previous - 61 < 0;
        ASSERT_EQ(offset, expected) << "frame " << i;
        previous = offset;
    }
    EXPECT_TRUE(wrapped) << "29 frames of 61 rows pass the end of the 576-row strip";
}

TEST(SpinTest, ThreeCoinsOnSevensPayNineInNineSingleSteps) {
    EngineRig rig;
    rig.NextSpinShows(7, 7, 7);
    rig.PlaceCoins(3);
    rig.engine.Spin();

    const GameSession& s = rig.session;
    EXPECT_EQ(s.Credits, 1000 - 3 + 9);
    EXPECT_EQ(s.Spins, 1);
    EXPECT_EQ(s.TotalBets, 3);
    EXPECT_EQ(s.LastBet, 3);
    EXPECT_EQ(s.Bet, 0);
    EXPECT_FALSE(s.Spinning);
    EXPECT_EQ(rig.host.Count("PlayWinSound 7 wait"), 1U);
    EXPECT_EQ(rig.host.Texts("DrawWinnings "),
              (std::vector<std::string>{"DrawWinnings 1", "DrawWinnings 2", "DrawWinnings 3",
                                        "DrawWinnings 4", "DrawWinnings 5", "DrawWinnings 6",
                                        "DrawWinnings 7", "DrawWinnings 8", "DrawWinnings 9"}));
    EXPECT_EQ(rig.host.Count("PlayCountTick"), 9U);
    const std::vector<HostCall> steps = rig.host.Matching("DrawWinnings ");
    EXPECT_EQ(steps[1].at - steps[0].at, 75 * kMs) << "count steps are 75 ms apart";
    // The win sound is heard in full before the count starts.
    const std::vector<std::string> all = rig.host.Texts();
    const auto sound = std::find(all.begin(), all.end(), "PlayWinSound 7 wait");
    const auto label = std::find(all.begin(), all.end(), "DrawWinningsLabel");
    EXPECT_LT(sound, label);
}

// Count-up steps: 25 from 1000, 10 from 100, 5 from 25, else 1.
TEST(CountWinningsTest, BigWinsCountInBigSteps) {
    const std::vector<std::pair<std::int32_t, std::size_t>> cases{{9, 9}, {25, 21}, {750, 100}, {1000, 124}};
    for (const auto& [win, steps] : cases) {
        EngineRig rig;
        rig.session.Credits = 0;
        rig.session.WinAmount = win;
        rig.engine.CountWinnings();
        EXPECT_EQ(rig.host.Count("DrawWinnings "), steps) << "win of " << win;
        EXPECT_EQ(rig.session.Credits, win) << "win of " << win;
        EXPECT_EQ(rig.session.WinAmount, 0);
        EXPECT_EQ(rig.host.Texts("DrawWinnings ").back(), "DrawWinnings " + std::to_string(win));
    }
}

TEST(CountWinningsTest, WinIntoNearlyFullCreditsStopsAtTheTop) {
    EngineRig rig;
    rig.session.Credits = INT32_MAX - 3;
    rig.session.WinAmount = 30;
    rig.engine.CountWinnings();
    EXPECT_EQ(rig.session.Credits, INT32_MAX);
    EXPECT_EQ(rig.session.WinAmount, 0);
}

TEST(SpinTest, TopPrizeWithThreeCoinsPays750InAHundredSteps) {
    EngineRig rig;
    rig.NextSpinShows(0, 0, 0);
    rig.PlaceCoins(3);
    rig.engine.Spin();
    EXPECT_EQ(rig.session.Credits, 1000 - 3 + 750);
    EXPECT_EQ(rig.host.Count("DrawWinnings "), 100U);
    EXPECT_EQ(rig.host.Count("PlayWinSound 0 wait"), 1U);
}

TEST(SpinTest, WildAloneWithTwoCoinsPaysTheStakeBackAndANudge) {
    EngineRig rig;
    rig.NextSpinShows(1, 4, 9);
    rig.PlaceCoins(2);
    rig.engine.Spin();
    const GameSession& s = rig.session;
    EXPECT_EQ(s.Credits, 1000);
    EXPECT_EQ(s.Nudges, 4);
    EXPECT_FALSE(s.NudgeChance);
    EXPECT_EQ(rig.host.Count("PlayWinSound 8 wait"), 1U);
    EXPECT_TRUE(rig.host.timerRunning[GameTimer::Timer2]) << "the wild on the payline is animated";
    EXPECT_FALSE(rig.host.timerRunning[GameTimer::Timer3]) << "a win offers no nudge";
}

TEST(SpinTest, RepeatBetTakesTheLastCoinsAtOnceWithoutCoinSounds) {
    EngineRig rig;
    rig.session.LastBet = 3;
    rig.NextSpinShows(7, 7, 7);
    rig.engine.Spin();
    EXPECT_EQ(rig.session.TotalBets, 3);
    EXPECT_EQ(rig.session.Credits, 1000 - 3 + 9) << "the repeated spin pays at three coins";
    EXPECT_EQ(rig.host.Count("PlayCoin"), 0U);
    const std::vector<std::string> all = rig.host.Texts();
    ASSERT_GE(all.size(), 2U);
    EXPECT_EQ(all[0], "DrawCredits 997");
    EXPECT_EQ(all[1], "DrawBet 3");
}

TEST(SpinTest, NoCoinsAndTooFewCreditsToRepeatSaysNoBetAndChangesNothing) {
    EngineRig rig;
    rig.session.LastBet = 2;
    rig.session.Credits = 1;
    const GameSession before = rig.session;
    rig.engine.Spin();
    EXPECT_EQ(rig.host.messages, (std::vector<std::string>{"No bet was placed!"}));
    EXPECT_EQ(rig.session.Credits, before.Credits);
    EXPECT_EQ(rig.session.Spins, 0);
    EXPECT_EQ(rig.session.ReelPos, before.ReelPos);
    EXPECT_EQ(rig.host.Texts(), (std::vector<std::string>{"ShowInformation No bet was placed!"}));
}

TEST(SpinTest, PendingMusicChangeStartsWhenASpinIsAskedFor) {
    EngineRig rig;
    rig.session.MusicChange = TrackChange::Pending;
    rig.engine.Spin();
    EXPECT_EQ(rig.host.Texts().front(), "StartPendingTrack");
}

// A piece that fails to open ends that spin request before the bet is
// looked at: no coins taken, no "No bet was placed!".
TEST(SpinTest, PendingPieceThatFailsEndsTheSpinRequest) {
    EngineRig rig;
    rig.session.MusicChange = TrackChange::Pending;
    rig.session.LastBet = 3;
    rig.host.pendingTrackStart = TrackStart::Failed;
    const std::int32_t credits = rig.session.Credits;
    rig.engine.Spin();
    EXPECT_EQ(rig.host.Texts(), (std::vector<std::string>{"StartPendingTrack"}));
    EXPECT_EQ(rig.session.Credits, credits) << "the repeat bet was taken";
    EXPECT_EQ(rig.session.Spins, 0);
}

TEST(SpinTest, LosingLineOffersANudgeAndFlashesTheCaptionsOnlyWithNudgesLeft) {
    for (const int nudges : {3, 0}) {
        EngineRig rig;
        rig.session.Nudges = nudges;
        rig.engine.Reseed(SeedForLosingLine());
        rig.PlaceCoins(1);
        rig.engine.Spin();
        EXPECT_TRUE(rig.session.NudgeChance) << nudges << " nudges";
        EXPECT_EQ(rig.host.timerRunning[GameTimer::Timer3], nudges > 0) << nudges << " nudges";
        EXPECT_EQ(rig.session.Credits, 999);
        EXPECT_EQ(rig.host.Count("PlayWinSound"), 0U);
    }
}

TEST(SpinTest, BonusLineDealsShuffledPrizesAndCountsTheCreditPrizeAfterTheWindow) {
    EngineRig rig;
    rig.NextSpinShows(8, 8, 8);
    rig.PlaceCoins(1);
    std::multiset<std::int32_t> dealt;
    std::int64_t countStartedBeforeClose = 0;
    rig.host.onBonusGame = [&] {
        dealt = {rig.session.TrickPrizes.begin(), rig.session.TrickPrizes.end()};
        EXPECT_EQ(rig.session.WinAmount, 0) << "the window opens with nothing won yet";
        rig.session.WinAmount = 50; // the player found the 50-credit pumpkin
        rig.session.TricksWon += 50;
        countStartedBeforeClose = static_cast<std::int64_t>(rig.host.Count("DrawWinnings "));
    };
    rig.engine.Spin();

    EXPECT_EQ(dealt, (std::multiset<std::int32_t>{100, 50, 25, 1, 0, 0}));
    EXPECT_EQ(countStartedBeforeClose, 0);
    EXPECT_EQ(rig.session.Credits, 999 + 50);
    EXPECT_EQ(rig.host.Count("PlayWinSound"), 0U) << "Trick or Treat plays no payline win sound";
    EXPECT_EQ(rig.session.Nudges, 3);
    EXPECT_FALSE(rig.session.NudgeChance);
}

TEST(SpinTest, BonusNudgePrizeShowsOnlyInTheNudgeCounterAndTheWildAddsOneMore) {
    EngineRig rig;
    rig.NextSpinShows(8, 8, 9);
    rig.PlaceCoins(2);
    rig.host.onBonusGame = [&] { rig.session.Nudges += 2 * rig.session.Bet; };
    rig.engine.Spin();
    EXPECT_EQ(rig.session.Nudges, 3 + 4 + 1);
    EXPECT_EQ(rig.session.Credits, 998);
    EXPECT_EQ(rig.host.Count("DrawWinnings "), 0U);
}

TEST(SetupTrickPrizesTest, ThreeCoinsDealTripledPrizesInAShuffledOrder) {
    EngineRig rig;
    rig.session.Bet = 3;
    std::set<std::array<std::int32_t, kPumpkinCount>> orders;
    for (int game = 0; game < 20; ++game) {
        rig.engine.SetupTrickPrizes();
        const auto& p = rig.session.TrickPrizes;
        EXPECT_EQ(std::multiset<std::int32_t>(p.begin(), p.end()),
                  (std::multiset<std::int32_t>{300, 150, 75, 1, 0, 0}));
        orders.insert(p);
    }
    EXPECT_GT(orders.size(), 10U) << "the prizes should land behind different pumpkins";
}

// Closing the window mid-spin: the reels come to rest at once and the line
// is still evaluated.
TEST(SpinTest, StopRequestedEndsTheAnimationAtOnce) {
    EngineRig rig;
    rig.NextSpinShows(7, 7, 7);
    rig.PlaceCoins(1);
    // Frame 25: reel 1 at rest, reel 2 spinning, reel 3 spinning.
    rig.host.At(25 * 25 * kMs + 1, [&] { rig.session.StopRequested = true; });
    rig.engine.Spin();

    EXPECT_EQ(rig.host.Count("DrawReel "), 4U) << "reel 1, mid-bounce, is put back at rest too";
    EXPECT_EQ(rig.host.Count("PlayReelStop"), 3U) << "one stop sound for each reel";
    EXPECT_EQ(rig.host.Count("DrawReelMotion 0"), 20U);
    EXPECT_LT(rig.host.Count("DrawReelMotion 1"), 29U);
    const std::vector<HostCall> rests = rig.host.Matching("DrawReel ");
    EXPECT_EQ(rests[1].at, rests[3].at) << "the reels stop together";
    EXPECT_EQ(rig.host.Matching("DrawNudges").front().at - rests[3].at, 60 * kMs)
        << "three pauses of 20 ms before the evaluation";
    EXPECT_EQ(rig.session.Credits, 999 + 3) << "the line is still paid";
}

TEST(SpinTest, ClosingDuringTheCountPaysTheRestAtOnce) {
    EngineRig rig;
    rig.NextSpinShows(0, 0, 0);
    rig.PlaceCoins(3);
    const std::int64_t countStarts = 47 * 25 * kMs;
    rig.host.At(countStarts + 1000 * kMs, [&] { rig.session.StopRequested = true; });
    rig.engine.Spin();
    EXPECT_EQ(rig.session.Credits, 997 + 750) << "the whole win is in the credits";
    EXPECT_EQ(rig.host.Count("DrawWinnings "), 100U) << "the steps stay the same";
    EXPECT_LT(rig.host.now, countStarts + 1200 * kMs) << "no more 75 ms pauses once the window closes";
}

TEST(SpinTest, SoundOffPlaysNothingAndWaitsForNothing) {
    EngineRig rig;
    rig.session.SoundOn = false;
    rig.host.waitedSoundMicroseconds = 2'000'000;
    rig.NextSpinShows(7, 7, 7);
    rig.PlaceCoins(1);
    rig.engine.Spin();
    EXPECT_EQ(rig.host.Count("Play"), 0U);
    EXPECT_EQ(rig.session.Credits, 1002);
}

TEST(SpinTest, ClicksAndKeysDuringTheCountDoNotStartASecondSpin) {
    EngineRig rig;
    rig.NextSpinShows(0, 0, 0);
    rig.PlaceCoins(1);
    // Well into the 250-credit count-up.
    const std::int64_t during = 47 * 25 * kMs + 500 * kMs;
    rig.host.At(during, [&] {
        rig.engine.Command(PlayerCommand::Spin, CommandSource::Click);
        rig.engine.Command(PlayerCommand::Spin, CommandSource::Key);
        rig.engine.Command(PlayerCommand::BetOne, CommandSource::Key);
        rig.engine.Command(PlayerCommand::BetOne, CommandSource::Click);
    });
    rig.engine.Spin();
    EXPECT_EQ(rig.session.Spins, 1);
    EXPECT_EQ(rig.session.Credits, 999 + 250);
    EXPECT_EQ(rig.session.Bet, 0);
}

TEST(SpinTest, NewGameDuringASpinWaitsForTheSpinToEnd) {
    EngineRig rig;
    rig.NextSpinShows(7, 7, 7);
    rig.PlaceCoins(3);
    rig.host.At(300 * kMs, [&] {
        rig.engine.RequestNewGame();
        EXPECT_TRUE(rig.session.Spinning) << "the running spin goes on";
        rig.engine.Command(PlayerCommand::Spin, CommandSource::Key);
    });
    rig.engine.Spin();
    EXPECT_EQ(rig.session.Credits, 1000);
    EXPECT_EQ(rig.session.Spins, 0);
    EXPECT_EQ(rig.session.TotalBets, 0);
    EXPECT_EQ(rig.session.Nudges, 3);
    EXPECT_EQ(rig.host.Count("RepaintWindow"), 1U);
    EXPECT_EQ(rig.host.Count("DrawReel 0"), 1U) << "no second spin ran";
}

TEST(SpinTest, FrameLoopWaitsForMessagesInsteadOfPolling) {
    EngineRig rig;
    rig.NextSpinShows(2, 5, 3);
    rig.PlaceCoins(1);
    rig.engine.Spin();
    // One wait per frame: the host is asked to sleep until the next frame.
    EXPECT_LE(rig.host.handleMessagesCalls, 47 + 2);
}

} // namespace
} // namespace morrow::test
