// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "GameSession.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace morrow {

// Symbols are the digits 0..9; 8 opens Trick or Treat, 9 is the wild and
// stands on reel 3 only.
inline constexpr int kBonusSymbol = 8;
inline constexpr int kWildSymbol = 9;
inline constexpr int kSymbolCount = 10;

inline constexpr std::array<std::string_view, kReelCount> kReelStrips{
    "012345678456745678123745672367",
    "765473210876543721876547320765",
    "574837291706574635291763513246",
};

inline constexpr std::array<std::int32_t, kReelCount> kStartPositions{8, 9, 7};

// Stores the strips and puts the reels at their start positions.
void SetupReels(PlayState& play);

// Strip position `steps` rows below position `pos`, wrapping 30 to 1.
constexpr std::int32_t StripPosition(std::int32_t pos, std::int32_t steps) {
    return (pos - 1 + steps) % kStripLength + 1;
}

// Symbol at a 1-based strip position. Positions past either end wrap round
// the strip (31 is 1, 0 is 30); a reel with no strip shows symbol 0.
int SymbolAt(const PlayState& play, int reel, std::int32_t position);

// Symbol shown in row 0 (top), 1 (payline) or 2 (bottom) of a reel.
int VisibleSymbol(const PlayState& play, int reel, int row);

inline int PaylineSymbol(const PlayState& play, int reel) {
    return VisibleSymbol(play, reel, 1);
}

// What one payline is worth.
enum class LineKind {
    Triple,    // rows 1..8: a triple, perhaps completed by the wild
    Bonus,     // 8, 8, 8 or 8, 8, wild: Trick or Treat
    StakeBack, // the wild alone: one per coin
    Lose,      // nothing: a nudge is offered
};

struct LineResult {
    LineKind kind = LineKind::Lose;
    int payPerCoin = 0;     // credits per coin for Triple and StakeBack
    bool wildNudge = false; // reel 3 shows the wild: one nudge more
};

// One row of the pay table: reels 1 and 2 show `symbol`, reel 3 shows it or
// the wild.
struct PayRow {
    int symbol;
    int payPerCoin; // 0 for the bonus row
};

inline constexpr std::array<PayRow, 9> kPayTable{{
    {0, 250},
    {1, 50},
    {2, 20},
    {3, 18},
    {4, 14},
    {5, 12},
    {6, 10},
    {7, 3},
    {kBonusSymbol, 0},
}};

inline constexpr int kStakeBackPerCoin = 1;

// The pay table applied to payline symbols a, b, c of reels 1, 2, 3; the
// first row that matches decides.
constexpr LineResult EvaluateLine(int a, int b, int c) {
    LineResult result;
    result.wildNudge = (c == kWildSymbol);
    for (const PayRow& row : kPayTable) {
        if (a == row.symbol && b == row.symbol && (c == row.symbol || c == kWildSymbol)) {
            result.kind = row.symbol == kBonusSymbol ? LineKind::Bonus : LineKind::Triple;
            result.payPerCoin = row.payPerCoin;
            return result;
        }
    }
    if (c == kWildSymbol) {
        result.kind = LineKind::StakeBack;
        result.payPerCoin = kStakeBackPerCoin;
    }
    return result;
}

} // namespace morrow
