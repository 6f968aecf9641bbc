#include "EngineRig.h"

#include <gtest/gtest.h>

namespace morrow::test {
namespace {

// The play field stands at (150, 40) in the window, as in a medium layout.
struct InputRig : EngineRig {
    InputRig() {
        session.FieldLeft = 150;
        session.FieldTop = 40;
    }
    void Click(int fieldX, int fieldY) { engine.FormMouseDown(150 + fieldX, 40 + fieldY); }
    void Key(GameKey key) { engine.FormKeyDown(static_cast<int>(key)); }
};

// Column and row edges are inclusive; one pixel outside does nothing.
TEST(InputTest, ButtonAreasAreInclusiveAndRelativeToTheField) {
    struct Case {
        int x;
        int y;
        std::int32_t bet; // coins placed by the click
    };
    const std::vector<Case> cases{
        {76, 365, 1},  {172, 395, 1}, {75, 380, 0},  {173, 380, 0}, {100, 364, 0},
        {100, 396, 0}, {201, 365, 3}, {297, 395, 3}, {200, 380, 0}, {298, 380, 0},
    };
    for (const Case& c : cases) {
        InputRig rig;
        rig.session.Credits = 3; // Bet Max places three and spins, leaving Bet at 0
        rig.NextSpinShows(2, 5, 3);
        rig.Click(c.x, c.y);
        const std::int32_t placed = rig.session.Bet + rig.session.TotalBets;
        EXPECT_EQ(placed, c.bet) << "click at field (" << c.x << ", " << c.y << ")";
    }
}

TEST(InputTest, SpinButtonStartsAtColumn325NotAt324) {
    InputRig rig;
    rig.session.LastBet = 1;
    rig.NextSpinShows(2, 5, 3);
    rig.Click(324, 365);
    EXPECT_EQ(rig.session.Spins, 0);
    rig.Click(325, 365);
    EXPECT_EQ(rig.session.Spins, 1);
    rig.Click(421, 395);
    EXPECT_EQ(rig.session.Spins, 2);
}

TEST(InputTest, NudgeRowBetweenColumnsDoesNothingWhenOfferedAndRefusesOtherwise) {
    InputRig rig;
    rig.session.NudgeChance = true;
    rig.session.LastBet = 1;
    rig.Click(180, 34);
    EXPECT_TRUE(rig.host.calls.empty()) << "a gap in the nudge row does nothing while a nudge is offered";
    EXPECT_EQ(rig.session.Nudges, 3);

    rig.session.NudgeChance = false;
    rig.Click(180, 61);
    EXPECT_EQ(rig.host.Texts(), (std::vector<std::string>{"PlayNoNudge"}));
    rig.host.calls.clear();
    rig.Click(180, 62);
    EXPECT_TRUE(rig.host.calls.empty()) << "below the nudge row";
}

TEST(InputTest, AnyClickWithNoNudgesLeftClosesTheOffer) {
    InputRig rig;
    rig.session.Nudges = 0;
    rig.session.NudgeChance = true;
    rig.host.timerRunning[GameTimer::Timer3] = true;
    rig.Click(10, 200);
    EXPECT_FALSE(rig.session.NudgeChance);
    EXPECT_FALSE(rig.host.timerRunning[GameTimer::Timer3]);
    EXPECT_EQ(rig.host.Texts(), (std::vector<std::string>{"StopTimer Timer3", "DrawNudgeLabels grey"}));
}

TEST(InputTest, BetMaxWithTwoCreditsPlacesTwoAndTheSpinButtonPlaysThem) {
    InputRig rig;
    rig.session.Credits = 2;
    rig.Key(GameKey::M);
    EXPECT_EQ(rig.session.Bet, 2);
    EXPECT_EQ(rig.session.Credits, 0);
    EXPECT_EQ(rig.session.Spins, 0) << "two coins do not start a spin";
    EXPECT_EQ(rig.host.Texts(), (std::vector<std::string>{"DrawCredits 1", "DrawBet 1", "PlayCoin",
                                                          "DrawCredits 0", "DrawBet 2", "PlayCoin"}));
    rig.NextSpinShows(7, 7, 7);
    rig.Click(330, 380);
    EXPECT_EQ(rig.session.TotalBets, 2);
    EXPECT_EQ(rig.session.Credits, 6);
}

TEST(InputTest, NoCreditsBetOneSaysSoAndBetMaxDoesNothing) {
    InputRig rig;
    rig.session.Credits = 0;
    rig.Key(GameKey::B);
    EXPECT_EQ(rig.host.messages, (std::vector<std::string>{"You are out of credits...better borrow some!"}));
    EXPECT_EQ(rig.session.Bet, 0);
    rig.host.calls.clear();
    rig.Key(GameKey::M);
    EXPECT_TRUE(rig.host.calls.empty());
}

TEST(InputTest, ThirdCoinSpinsAndAFourthPressDuringTheSpinIsIgnored) {
    InputRig rig;
    rig.NextSpinShows(2, 5, 3);
    rig.host.At(100'000, [&] { rig.Key(GameKey::B); });
    rig.Key(GameKey::B);
    rig.Key(GameKey::B);
    EXPECT_EQ(rig.session.Spins, 0);
    rig.Key(GameKey::B);
    EXPECT_EQ(rig.session.Spins, 1);
    EXPECT_EQ(rig.session.TotalBets, 3);
    EXPECT_EQ(rig.session.Credits, 997);
    EXPECT_EQ(rig.session.Bet, 0);
    EXPECT_EQ(rig.host.Count("PlayCoin"), 3U) << "the coin sound comes before each coin";
}

TEST(InputTest, EnterAndSpaceSpinAndOtherKeysDoNothing) {
    for (const GameKey key : {GameKey::Enter, GameKey::Space}) {
        InputRig rig;
        rig.session.LastBet = 1;
        rig.NextSpinShows(2, 5, 3);
        rig.Key(key);
        EXPECT_EQ(rig.session.Spins, 1) << "key " << static_cast<int>(key);
    }
    InputRig rig;
    rig.session.LastBet = 1;
    for (const int code : {0, 27, 65, 78, 98, 109}) {
        rig.engine.FormKeyDown(code);
    }
    EXPECT_TRUE(rig.host.calls.empty());
}

} // namespace
} // namespace morrow::test
