// SPDX-License-Identifier: GPL-3.0-or-later
// A long session on the fake clock: spins with random bets, nudges taken and
// declined, bonus games picked, credits borrowed and paid back, games saved
// and opened. After every step a ledger kept here from the payline alone
// agrees with the game: Credits = Borrowed - TotalBets + everything paid
// out, every counter as counted, nothing wrapped. A saved game reads back
// as the game in play.
//
// It plays 100,000 spins in a second or two (20,000 under the sanitizers);
// MORROW_LONG_SESSION_SPINS sets another count.

#include "EngineRig.h"
#include "TrickOrTreatRound.h"
#include "records/RecordTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <random>

namespace morrow {
namespace {

using namespace morrow::test;

// The saved fields, counted in 64 bits so that a wrap in the game shows.
struct Ledger {
    std::int64_t credits = 0; // including the coins placed for the next spin
    std::int64_t borrowed = 0;
    std::int64_t spins = 0;
    std::int64_t totalBets = 0;
    std::int64_t nudges = 0;
    std::int64_t nudgesUsed = 0;
    std::int64_t tricksWon = 0;
    std::int64_t paid = 0; // everything the payline and the bonus paid out

    static Ledger Of(const GameSession& s, std::int64_t paid) {
        return {std::int64_t{s.Credits} + s.Bet,
                s.Borrowed,
                s.Spins,
                s.TotalBets,
                s.Nudges,
                s.NudgesUsed,
                s.TricksWon,
                paid};
    }
    bool operator==(const Ledger&) const = default;
};

std::string Describe(const Ledger& l) {
    return "credits " + std::to_string(l.credits) + ", borrowed " + std::to_string(l.borrowed) + ", spins " +
           std::to_string(l.spins) + ", bets " + std::to_string(l.totalBets) + ", nudges " +
           std::to_string(l.nudges) + ", used " + std::to_string(l.nudgesUsed) + ", tricks " +
           std::to_string(l.tricksWon) + ", paid " + std::to_string(l.paid);
}

class LongSession {
public:
    explicit LongSession(std::uint32_t seed) : random_(seed) {
        rig_.host.onBonusGame = [this] { PlayBonus(); };
        model_ = Ledger::Of(rig_.session, 0);
    }

    GameSession& Session() { return rig_.session; }
    const Ledger& Model() const { return model_; }

    // One spin: 1 to 3 coins by B, then Enter, or Enter alone to repeat the
    // last bet; borrows first when the credits run short.
    void Spin() {
        GameSession& s = rig_.session;
        if (s.Credits < 3) {
            Borrow(1000);
        }
        const int coins = Pick(4); // 0: repeat the last bet
        const bool repeat = coins == 0 && s.LastBet > 0;
        const std::int32_t placed = repeat ? s.LastBet : std::max(coins, 1);
        for (int i = 0; i < placed && !repeat; ++i) {
            rig_.engine.Command(PlayerCommand::BetOne, CommandSource::Key); // the third coin spins
        }
        if (s.Bet > 0 || repeat) {
            rig_.engine.Command(PlayerCommand::Spin, CommandSource::Key);
        }
        model_.spins += 1;
        model_.totalBets += placed;
        model_.credits -= placed;
        Evaluate(placed);
        rig_.host.calls.clear();
    }

    // After a losing line a nudge is offered: taken half of the time, on a
    // random reel, by a click on its "Nudge" caption.
    void MaybeNudge() {
        GameSession& s = rig_.session;
        if (!s.NudgeChance || s.Nudges <= 0 || Pick(2) == 0) {
            return;
        }
        const int reel = Pick(kReelCount);
        rig_.engine.Command(NudgeCommandFor(reel), CommandSource::Click);
        model_.nudges -= 1;
        model_.nudgesUsed += 1;
        Evaluate(s.LastBet);
        rig_.host.calls.clear();
    }

    // Borrowing and paying back move Credits and Borrowed together.
    void Borrow(std::int32_t amount) {
        EXPECT_EQ(rig_.engine.Borrow(amount), LoanAnswer::Done);
        model_.credits += amount;
        model_.borrowed += amount;
    }
    void PayBack() {
        const GameSession& s = rig_.session;
        const std::int32_t amount = std::min(s.Credits, s.Borrowed) / 2;
        EXPECT_EQ(rig_.engine.PayBack(amount), LoanAnswer::Done);
        model_.credits -= amount;
        model_.borrowed -= amount;
    }

    // Saves the game in play as a slot (or "CurrentGame"); what it reads back
    // is the game in play.
    void Save(const GameRecordFile& file, int slot) {
        ASSERT_FALSE(file.WriteGameRecord(rig_.session, slot, "Run " + std::to_string(slot)));
        GameSession back;
        file.ReadGameRecord(back, slot);
        back.Bet = rig_.session.Bet;
        ASSERT_EQ(Ledger::Of(back, model_.paid), Ledger::Of(rig_.session, model_.paid))
            << "slot " << slot << " read back differs";
        saved_[slot] = model_;
    }

    // Opens a saved slot as the game in play, as the open dialog does: the
    // slot's game, then parked as "CurrentGame".
    void Open(const GameRecordFile& file, int slot) {
        if (!saved_.contains(slot)) {
            return;
        }
        file.ReadGameRecord(rig_.session, slot);
        ASSERT_FALSE(file.WriteGameRecord(rig_.session, kCurrentGameSlot, kCurrentGameName));
        rig_.session.NudgeChance = false;
        rig_.session.LastBet = 0;
        model_ = saved_[slot];
    }

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

    // A spin, perhaps a nudge, and now and then a loan, a payment, a save or an open.
    void Step(const GameRecordFile& file) {
        Spin();
        MaybeNudge();
        switch (Pick(60)) {
        case 0:
            Borrow(1 + Pick(5000));
            break;
        case 1:
            PayBack();
            break;
        case 2:
            ASSERT_NO_FATAL_FAILURE(Save(file, Pick(kSaveSlotCount + 1)));
            break;
        case 3:
            ASSERT_NO_FATAL_FAILURE(Open(file, Pick(kSaveSlotCount)));
            break;
        default:
            break;
        }
    }

private:
    // What the line now on the payline pays at `coins`, worked out from the
    // pay table alone, and the nudges it gives.
    void Evaluate(std::int32_t coins) {
        const GameSession& s = rig_.session;
        const LineResult line = EvaluateLine(PaylineSymbol(s, 0), PaylineSymbol(s, 1), PaylineSymbol(s, 2));
        if (line.kind == LineKind::Triple || line.kind == LineKind::StakeBack) {
            model_.credits += std::int64_t{line.payPerCoin} * coins;
            model_.paid += std::int64_t{line.payPerCoin} * coins;
        } else if (line.kind == LineKind::Bonus) {
            ++bonusGames_;
            // Prizes dealt: 100, 50 and 25 per coin, a nudge prize, two empty.
            std::array<std::int32_t, kPumpkinCount> dealt = lastPrizes_;
            std::sort(dealt.begin(), dealt.end());
            const std::array<std::int32_t, kPumpkinCount> expected{0,          0,          1,
                                                                   25 * coins, 50 * coins, 100 * coins};
            EXPECT_EQ(dealt, expected) << "the pumpkins were dealt other prizes";
            if (lastPick_ == 1) {
                model_.nudges += 2 * coins;
            } else if (lastPick_ > 1) {
                model_.credits += lastPick_;
                model_.paid += lastPick_;
                model_.tricksWon += lastPick_;
            }
        }
        if (line.wildNudge) {
            model_.nudges += 1;
        }
    }

    void PlayBonus() {
        GameSession& s = rig_.session;
        lastPrizes_ = s.TrickPrizes;
        const int pumpkin = 1 + Pick(kPumpkinCount);
        lastPick_ = s.TrickPrizes[static_cast<std::size_t>(pumpkin - 1)];
        TrickOrTreatRound round(s);
        round.RevealPumpkin(pumpkin);
        round.Close();
    }

    EngineRig rig_;
    std::mt19937 random_;
    Ledger model_;
    std::map<int, Ledger> saved_;
    std::array<std::int32_t, kPumpkinCount> lastPrizes_{};
    std::int32_t lastPick_ = 0;

public:
    int bonusGames_ = 0;
};

TEST(LongSession, LedgerHoldsAfterEveryStep) {
#if defined(__SANITIZE_ADDRESS__)
    int spins = 20'000;
#else
    int spins = 100'000;
#endif
    if (const char* count = std::getenv("MORROW_LONG_SESSION_SPINS")) {
        spins = std::max(1, std::atoi(count));
    }
    TempDir dir(TempPlace::Memory);
    const GameRecordFile file = HalloweenFile(dir / "Morrow.ini");
    LongSession game(20261207);
    for (int step = 1; step <= spins; ++step) {
        ASSERT_NO_FATAL_FAILURE(game.Step(file));
        const GameSession& s = game.Session();
        const Ledger seen = Ledger::Of(s, game.Model().paid);
        ASSERT_EQ(seen, game.Model()) << "step " << step << ": the game shows " << Describe(seen)
                                      << ", the ledger " << Describe(game.Model());
        ASSERT_EQ(seen.credits, seen.borrowed - seen.totalBets + seen.paid) << "step " << step;
        ASSERT_TRUE(s.Credits >= 0 && s.Nudges >= 0 && s.Spins > 0 && s.TotalBets > 0) << "step " << step;
    }
    ASSERT_NO_FATAL_FAILURE(game.Save(file, kCurrentGameSlot));
    EXPECT_GT(game.bonusGames_, 0);
}

// Players keep their record files from one version of the game to the next:
// this seeded play, every slot saved and opened along the way, writes
// SeededPlay.ini byte for byte, as the game has always written it.
TEST(LongSession, SeededPlayWritesTheKnownRecordFile) {
    TempDir dir(TempPlace::Memory);
    const auto path = dir / "Morrow.ini";
    const GameRecordFile file = HalloweenFile(path);
    LongSession game(20261208);
    for (int step = 1; step <= 20000; ++step) {
        ASSERT_NO_FATAL_FAILURE(game.Step(file));
    }
    ASSERT_NO_FATAL_FAILURE(game.Save(file, kCurrentGameSlot));
    EXPECT_EQ(ReadText(path), ReadText(MORROW_SEEDED_PLAY_INI));
}

} // namespace
} // namespace morrow
