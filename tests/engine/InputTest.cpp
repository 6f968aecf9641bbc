// SPDX-License-Identifier: GPL-3.0-or-later
#include "EngineRig.h"

#include <gtest/gtest.h>

namespace morrow::test {
namespace {

struct InputRig : EngineRig {
    void Click(PlayerCommand command) { engine.Command(command, CommandSource::Click); }
    void Key(PlayerCommand command) { engine.Command(command, CommandSource::Key); }
};

// A click on a button does what its key does; a click that hits nothing
// places no coin.
TEST(InputTest, ButtonsPlaceCoinsAndSpin) {
    const std::vector<std::pair<PlayerCommand, std::int32_t>> cases{
        {PlayerCommand::BetOne, 1}, {PlayerCommand::BetMax, 3}, {PlayerCommand::Nothing, 0}};
    for (const auto& [command, coins] : cases) {
        InputRig rig;
        rig.session.Credits = 3; // Bet Max places three and spins, leaving Bet at 0
        rig.NextSpinShows(2, 5, 3);
        rig.Click(command);
        EXPECT_EQ(rig.session.Bet + rig.session.TotalBets, coins) << "command " << static_cast<int>(command);
    }
    InputRig rig;
    rig.session.LastBet = 1;
    rig.NextSpinShows(2, 5, 3);
    rig.Click(PlayerCommand::Spin);
    EXPECT_EQ(rig.session.Spins, 1) << "the Spin button repeats the last bet";
}

TEST(InputTest, NudgeRowBetweenColumnsDoesNothingWhenOfferedAndRefusesOtherwise) {
    InputRig rig;
    rig.session.NudgeChance = true;
    rig.session.LastBet = 1;
    rig.Click(PlayerCommand::NudgeRowGap);
    EXPECT_TRUE(rig.host.calls.empty()) << "a gap in the nudge row does nothing while a nudge is offered";
    EXPECT_EQ(rig.session.Nudges, 3);

    rig.session.NudgeChance = false;
    rig.Click(PlayerCommand::NudgeRowGap);
    EXPECT_EQ(rig.host.Texts(), (std::vector<std::string>{"PlayNoNudge"}));
    rig.host.calls.clear();
    rig.Click(PlayerCommand::Nothing);
    EXPECT_TRUE(rig.host.calls.empty()) << "below the nudge row";
}

TEST(InputTest, AnyClickWithNoNudgesLeftClosesTheOffer) {
    InputRig rig;
    rig.session.Nudges = 0;
    rig.session.NudgeChance = true;
    rig.host.timerRunning[GameTimer::Timer3] = true;
    rig.Key(PlayerCommand::Nothing);
    EXPECT_TRUE(rig.session.NudgeChance) << "a key leaves the offer as it is";
    rig.Click(PlayerCommand::Nothing);
    EXPECT_FALSE(rig.session.NudgeChance);
    EXPECT_FALSE(rig.host.timerRunning[GameTimer::Timer3]);
    EXPECT_EQ(rig.host.Texts(), (std::vector<std::string>{"StopTimer Timer3", "DrawNudgeLabels grey"}));
}

TEST(InputTest, BetMaxWithTwoCreditsPlacesTwoAndTheSpinButtonPlaysThem) {
    InputRig rig;
    rig.session.Credits = 2;
    rig.Key(PlayerCommand::BetMax);
    EXPECT_EQ(rig.session.Bet, 2);
    EXPECT_EQ(rig.session.Credits, 0);
    EXPECT_EQ(rig.session.Spins, 0) << "two coins do not start a spin";
    EXPECT_EQ(rig.host.Texts(), (std::vector<std::string>{"DrawCredits 1", "DrawBet 1", "PlayCoin",
                                                          "DrawCredits 0", "DrawBet 2", "PlayCoin"}));
    rig.NextSpinShows(7, 7, 7);
    rig.Click(PlayerCommand::Spin);
    EXPECT_EQ(rig.session.TotalBets, 2);
    EXPECT_EQ(rig.session.Credits, 6);
}

TEST(InputTest, NoCreditsBetOneSaysSoAndBetMaxDoesNothing) {
    InputRig rig;
    rig.session.Credits = 0;
    rig.Key(PlayerCommand::BetOne);
    EXPECT_EQ(rig.host.messages, (std::vector<std::string>{"You are out of credits...better borrow some!"}));
    EXPECT_EQ(rig.session.Bet, 0);
    rig.host.calls.clear();
    rig.Key(PlayerCommand::BetMax);
    EXPECT_TRUE(rig.host.calls.empty());
}

TEST(InputTest, ThirdCoinSpinsAndAFourthPressDuringTheSpinIsIgnored) {
    InputRig rig;
    rig.NextSpinShows(2, 5, 3);
    rig.host.At(100'000, [&] { rig.Key(PlayerCommand::BetOne); });
    rig.Key(PlayerCommand::BetOne);
    rig.Key(PlayerCommand::BetOne);
    EXPECT_EQ(rig.session.Spins, 0);
    rig.Key(PlayerCommand::BetOne);
    EXPECT_EQ(rig.session.Spins, 1);
    EXPECT_EQ(rig.session.TotalBets, 3);
    EXPECT_EQ(rig.session.Credits, 997);
    EXPECT_EQ(rig.session.Bet, 0);
    EXPECT_EQ(rig.host.Count("PlayCoin"), 3U) << "the coin sound comes before each coin";
}

} // namespace
} // namespace morrow::test
