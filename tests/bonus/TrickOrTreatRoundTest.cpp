// SPDX-License-Identifier: GPL-3.0-or-later
#include "TrickOrTreatRound.h"

#include <gtest/gtest.h>

namespace morrow {
namespace {

TEST(PumpkinAtTest, TileBoundsAreInclusiveAndGapsMiss) {
    EXPECT_EQ(PumpkinAt(22, 330), 1);
    EXPECT_EQ(PumpkinAt(115, 424), 1);
    for (int x = 116; x <= 121; ++x) {
        EXPECT_EQ(PumpkinAt(x, 380), std::nullopt) << "gap at x = " << x;
    }
    EXPECT_EQ(PumpkinAt(122, 380), 2);
    EXPECT_EQ(PumpkinAt(615, 380), 6);
    EXPECT_EQ(PumpkinAt(616, 380), std::nullopt);
    EXPECT_EQ(PumpkinAt(21, 380), std::nullopt);
    EXPECT_EQ(PumpkinAt(50, 329), std::nullopt);
    EXPECT_EQ(PumpkinAt(50, 425), std::nullopt);
}

struct RoundRig {
    GameSession session;
    RoundRig() {
        session.Bet = 2;
        session.Nudges = 3;
        session.TrickPrizes = {0, 200, 1, 50, 0, 100};
    }
};

TEST(TrickOrTreatRoundTest, CreditPrizeBecomesTheWinAndJoinsTheTotalAtClose) {
    RoundRig rig;
    TrickOrTreatRound round(rig.session);
    const auto reveal = round.RevealPumpkin(2);
    ASSERT_TRUE(reveal.has_value());
    EXPECT_EQ(reveal->prize, PumpkinPrize::Credits);
    EXPECT_EQ(reveal->text, "200 Credits!");
    EXPECT_EQ(rig.session.WinAmount, 200);
    EXPECT_EQ(rig.session.TricksWon, 0) << "the total grows only when the window closes";
    round.Close();
    round.Close();
    EXPECT_EQ(rig.session.TricksWon, 200) << "closing twice must not count twice";
}

TEST(TrickOrTreatRoundTest, NudgePrizeAddsTwoPerCoinAtOnceAndNeverCountsAsTrickWinnings) {
    RoundRig rig;
    TrickOrTreatRound round(rig.session);
    const auto reveal = round.RevealPumpkin(3);
    ASSERT_TRUE(reveal.has_value());
    EXPECT_EQ(reveal->prize, PumpkinPrize::Nudges);
    EXPECT_EQ(reveal->text, "4 Nudges!");
    EXPECT_EQ(rig.session.Nudges, 7);
    EXPECT_EQ(rig.session.WinAmount, 0);
    round.Close();
    EXPECT_EQ(rig.session.TricksWon, 0);
}

TEST(TrickOrTreatRoundTest, EmptyPumpkinWinsNothingAndOnlyTheFirstPickCounts) {
    RoundRig rig;
    TrickOrTreatRound round(rig.session);
    const auto reveal = round.RevealPumpkin(1);
    ASSERT_TRUE(reveal.has_value());
    EXPECT_EQ(reveal->prize, PumpkinPrize::Empty);
    EXPECT_FALSE(round.RevealPumpkin(2).has_value()) << "a second pick is refused";
    EXPECT_EQ(rig.session.WinAmount, 0);
    EXPECT_EQ(rig.session.Nudges, 3);
    round.Close();
    EXPECT_EQ(rig.session.TricksWon, 0);
}

// The unseen pick of a closing window hands out the prize as a pick and a
// close would: credits into WinAmount and TricksWon, nudges into Nudges.
TEST(PickPumpkinUnseenTest, HandsOutThePrizeAsPickAndCloseWould) {
    struct Case {
        int random;
        int pumpkin, winAmount, nudges, tricksWon;
    };
    for (const Case c : {Case{1, 2, 200, 3, 200}, Case{2, 3, 0, 7, 0}, Case{0, 1, 0, 3, 0},
                         Case{-4, 1, 0, 3, 0}, Case{9, 6, 100, 3, 100}}) {
        RoundRig rig;
        const int pumpkin = PickPumpkinUnseen(rig.session, [&c](int n) {
            EXPECT_EQ(n, kPumpkinCount);
            return c.random;
        });
        EXPECT_EQ(pumpkin, c.pumpkin) << "random " << c.random << " (out of range is held to 0..5)";
        EXPECT_EQ(rig.session.WinAmount, c.winAmount) << "pumpkin " << pumpkin;
        EXPECT_EQ(rig.session.Nudges, c.nudges) << "pumpkin " << pumpkin;
        EXPECT_EQ(rig.session.TricksWon, c.tricksWon) << "pumpkin " << pumpkin;
    }
}

} // namespace
} // namespace morrow
