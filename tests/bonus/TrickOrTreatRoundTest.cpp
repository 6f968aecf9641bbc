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

} // namespace
} // namespace morrow
