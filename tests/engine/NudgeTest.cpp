// SPDX-License-Identifier: GPL-3.0-or-later
#include "AnimationClock.h"
#include "EngineRig.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <vector>

namespace morrow::test {
namespace {

constexpr std::int64_t kMs = 1000;
// A click on the "Nudge" caption above reel r.
void ClickNudge(EngineRig& rig, int reel) {
    rig.engine.Command(NudgeCommandFor(reel), CommandSource::Click);
}

// After a losing spin with `lastBet` coins: the offer is open.
void OfferNudge(EngineRig& rig, int lastBet, std::array<std::int32_t, 3> positions) {
    rig.session.ReelPos = positions;
    rig.session.LastBet = lastBet;
    rig.session.NudgeChance = true;
    rig.host.timerRunning[GameTimer::Timer3] = true;
}

TEST(NudgeTest, ReelAtPositionOneWrapsToThirtyAndShowsTheOldTopRowOnThePayline) {
    EngineRig rig;
    OfferNudge(rig, 1, {1, 1, 1});
    const int oldTop = VisibleSymbol(rig.session, 0, 0);
    ClickNudge(rig, 0);
    EXPECT_EQ(rig.session.ReelPos[0], 30);
    EXPECT_EQ(PaylineSymbol(rig.session, 0), oldTop);
    EXPECT_EQ(PaylineSymbol(rig.session, 0), 0);
    EXPECT_EQ(rig.session.Nudges, 2);
    EXPECT_EQ(rig.session.NudgesUsed, 1);
    EXPECT_EQ(rig.session.Spins, 0) << "a nudge is not a spin";
    EXPECT_EQ(rig.session.TotalBets, 0);
}

TEST(NudgeTest, SlideMovesTwelveRowsEvery50msThenTheReelJiggles) {
    EngineRig rig;
    OfferNudge(rig, 1, {5, 5, 5});
    rig.engine.NudgeReel(1);

    EXPECT_EQ(rig.host.Texts("BeginNudgeSlide"), (std::vector<std::string>{"BeginNudgeSlide 1 4"}));
    const std::vector<HostCall> slide = rig.host.Matching("DrawNudgeSlide");
    ASSERT_EQ(slide.size(), 8U);
    for (std::size_t i = 0; i < slide.size(); ++i) {
        EXPECT_EQ(slide[i].what, "DrawNudgeSlide 1 " + std::to_string(84 - 12 * static_cast<int>(i)));
        EXPECT_EQ(slide[i].at - slide[0].at, 50 * kMs * static_cast<std::int64_t>(i));
    }
    EXPECT_EQ(rig.host.Texts("DrawShakeReel"),
              (std::vector<std::string>{"DrawShakeReel 1 2", "DrawShakeReel 1 4", "DrawShakeReel 1 2",
                                        "DrawShakeReel 1 0", "DrawShakeReel 1 -2", "DrawShakeReel 1 -4",
                                        "DrawShakeReel 1 -2", "DrawShakeReel 1 0"}));
    const std::vector<HostCall> shake = rig.host.Matching("DrawShakeReel");
    EXPECT_EQ(shake.back().at - shake.front().at, 7 * 20 * kMs);
    // The stop sound comes between the slide and the jiggle.
    const std::vector<std::string> all = rig.host.Texts();
    const auto stop = std::find(all.begin(), all.end(), "PlayReelStop");
    EXPECT_LT(std::find(all.begin(), all.end(), "DrawNudgeSlide 1 0"), stop);
    EXPECT_LT(stop, std::find(all.begin(), all.end(), "BeginShakeReel 1"));
    EXPECT_EQ(rig.host.Texts().front(), "StopTimer Timer2") << "the wild animation stops first";
}

// Reels 1 and 2 show 5, 5; reel 3 is nudged onto the wild.
TEST(NudgeTest, ThreeCoinNudgeOntoFiveFiveWildPays36AndGivesTheNudgeBack) {
    EngineRig rig;
    rig.session.Nudges = 1;
    OfferNudge(rig, 3, {5, 2, 8});
    ASSERT_EQ(PaylineSymbol(rig.session, 0), 5);
    ASSERT_EQ(PaylineSymbol(rig.session, 1), 5);
    ClickNudge(rig, 2);
    EXPECT_EQ(PaylineSymbol(rig.session, 2), kWildSymbol);
    EXPECT_EQ(rig.session.Credits, 1000 + 36);
    EXPECT_EQ(rig.session.Nudges, 1) << "the wild gives back the nudge just spent";
    EXPECT_EQ(rig.session.Bet, 0);
    EXPECT_EQ(rig.session.LastBet, 3);
    EXPECT_FALSE(rig.host.timerRunning[GameTimer::Timer3]) << "a win ends the offer";
    EXPECT_TRUE(rig.host.timerRunning[GameTimer::Timer2]) << "the wild is animated again";
}

TEST(NudgeTest, WildAloneAfterANudgePaysTheLastBetAndGivesTheNudgeBack) {
    EngineRig rig;
    OfferNudge(rig, 2, {1, 1, 8}); // payline 1, 6, then the wild
    rig.engine.NudgeReel(2);
    EXPECT_EQ(rig.session.Credits, 1000 + 2);
    EXPECT_EQ(rig.session.Nudges, 3);
    EXPECT_EQ(rig.host.Count("PlayWinSound 8 wait"), 1U);
}

TEST(NudgeTest, LosingNudgeKeepsTheOfferOpenWhileNudgesRemain) {
    EngineRig rig;
    rig.session.Nudges = 2;
    OfferNudge(rig, 1, {1, 1, 1}); // nudging reel 1 gives 0, 6, 7: a loss
    rig.engine.NudgeReel(0);
    EXPECT_TRUE(rig.session.NudgeChance);
    EXPECT_TRUE(rig.host.timerRunning[GameTimer::Timer3]);
    rig.engine.NudgeReel(0); // 7, 6, 7: loses again, and the stock is empty
    EXPECT_EQ(rig.session.Nudges, 0);
    EXPECT_FALSE(rig.session.NudgeChance);
    EXPECT_FALSE(rig.host.timerRunning[GameTimer::Timer3]);
    EXPECT_EQ(rig.host.Texts("DrawNudgeLabels").back(), "DrawNudgeLabels grey");
}

// Coins placed for the next spin before a nudge stay placed.
TEST(NudgeTest, CoinsPlacedBeforeTheNudgeAreKeptAndShownAgain) {
    EngineRig rig;
    OfferNudge(rig, 3, {5, 2, 8});
    rig.PlaceCoins(2);
    rig.engine.NudgeReel(2);
    EXPECT_EQ(rig.session.Credits, 998 + 36) << "the nudge pays at the last spin's three coins";
    EXPECT_EQ(rig.session.Bet, 2) << "the two coins placed are still there";
    EXPECT_EQ(rig.host.Texts().back(), "DrawBet 2");
    // And they play the next spin.
    rig.NextSpinShows(2, 5, 3);
    rig.engine.Spin();
    EXPECT_EQ(rig.session.TotalBets, 2);
    EXPECT_EQ(rig.session.LastBet, 2);
}

TEST(NudgeTest, BetAndSpinControlsWaitWhileANudgeRuns) {
    EngineRig rig;
    OfferNudge(rig, 1, {5, 5, 5});
    rig.host.At(60 * kMs, [&] {
        EXPECT_TRUE(rig.engine.Busy());
        rig.engine.Command(PlayerCommand::BetOne, CommandSource::Key);
        rig.engine.Command(PlayerCommand::BetMax, CommandSource::Key);
        rig.engine.Command(PlayerCommand::Spin, CommandSource::Key);
        rig.engine.Command(PlayerCommand::BetOne, CommandSource::Click);
        ClickNudge(rig, 0);
    });
    rig.engine.NudgeReel(1);
    EXPECT_EQ(rig.session.Bet, 0);
    EXPECT_EQ(rig.session.Credits, 1000);
    EXPECT_EQ(rig.session.Spins, 0);
    EXPECT_EQ(rig.session.NudgesUsed, 1) << "only one nudge ran";
}

// Keys 1 to 3 go by the rules of a click on the reel's caption: after a
// losing spin key 2 moves reel 2 down one as the click does; with no offer,
// or an offer and no nudges left, both are refused, and the offer closes.
TEST(NudgeTest, NudgeKeyDoesWhatTheClickOnItsCaptionDoes) {
    enum class Before { LosingSpin, NoOffer, NoNudgesLeft };
    for (const Before before : {Before::LosingSpin, Before::NoOffer, Before::NoNudgesLeft}) {
        std::vector<std::vector<std::string>> transcripts;
        for (const CommandSource source : {CommandSource::Click, CommandSource::Key}) {
            EngineRig rig;
            rig.session.Nudges = before == Before::NoNudgesLeft ? 0 : 3;
            if (before != Before::NoOffer) {
                rig.engine.Reseed(SeedForLosingLine());
                rig.engine.Command(PlayerCommand::BetMax, CommandSource::Key);
            }
            const std::int32_t reel2 = rig.session.ReelPos[1];
            rig.host.calls.clear();
            rig.engine.Command(PlayerCommand::NudgeReel2, source);
            const bool moved = before == Before::LosingSpin;
            EXPECT_EQ(rig.session.ReelPos[1], moved ? (reel2 > 1 ? reel2 - 1 : 30) : reel2);
            if (!moved) {
                const std::vector<std::string> refused{"PlayNoNudge", "StopTimer Timer3",
                                                       "DrawNudgeLabels grey"};
                const auto end = refused.begin() + (before == Before::NoOffer ? 1 : 3);
                EXPECT_EQ(rig.host.Texts(), std::vector<std::string>(refused.begin(), end));
                EXPECT_FALSE(rig.session.NudgeChance);
            }
            transcripts.push_back(rig.host.Texts());
        }
        EXPECT_EQ(transcripts[0], transcripts[1]) << "case " << static_cast<int>(before);
    }
}

// Timer3's ticks flash the captions; Timer2's move the wild. A full
// repaint leaves the captions grey, and the flashing goes on from there.
TEST(NudgeTest, NudgeCaptionsFlashBetweenGreyAndYellow) {
    EngineRig rig;
    rig.host.Tick(GameTimer::Timer3);
    rig.host.Tick(GameTimer::Timer3);
    rig.host.Tick(GameTimer::Timer2);
    rig.host.Tick(GameTimer::Timer3);
    EXPECT_EQ(rig.session.NudgeColour, kNudgeYellow);
    rig.engine.FieldRepainted();
    rig.host.Tick(GameTimer::Timer3);
    EXPECT_EQ(rig.host.Texts(),
              (std::vector<std::string>{"DrawNudgeLabels yellow", "DrawNudgeLabels grey", "DrawWildFrame",
                                        "DrawNudgeLabels yellow", "DrawNudgeLabels yellow"}));
}

// Out of sight the animations' timers (the wild's, the decorations') stand
// still while the game's own run on; seen again, those started run again,
// and to their owners they have been running all the while.
TEST(NudgeTest, AnimationTimersStandStillOutOfSight) {
    test::FakeTimers clock;
    AnimationClock animations(clock);
    std::vector<std::unique_ptr<Timer>> timers;
    for (int t = 0; t < 8; ++t) {
        timers.push_back(animations.MakeTimer(static_cast<GameTimer>(t), [] {}));
        timers.back()->Start();
    }
    animations.SetSeen(false);
    timers[6]->Stop();
    timers[7]->Start();
    EXPECT_EQ(clock.Running(), (std::set{GameTimer::Timer1, GameTimer::Timer3, GameTimer::Timer4}));
    animations.SetSeen(true);
    EXPECT_EQ(clock.Running().size(), 7u);
    EXPECT_FALSE(clock.timerRunning[GameTimer::Timer7]) << "a timer stopped out of sight came back";
    EXPECT_TRUE(timers[7]->IsActive() && !timers[6]->IsActive());
}

TEST(NudgeTest, NewGameClosesTheOffer) {
    EngineRig rig;
    OfferNudge(rig, 1, {5, 5, 5});
    rig.session.NudgeColour = kNudgeYellow;
    rig.engine.RequestNewGame();
    EXPECT_FALSE(rig.session.NudgeChance);
    EXPECT_FALSE(rig.host.timerRunning[GameTimer::Timer3]);
    EXPECT_EQ(rig.session.NudgeColour, kNudgeGrey);
    EXPECT_EQ(rig.session.ReelPos, (std::array<std::int32_t, 3>{5, 5, 5}))
        << "the reels stay where they were";
}

} // namespace
} // namespace morrow::test
