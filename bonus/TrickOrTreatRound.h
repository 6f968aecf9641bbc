// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "GameSession.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace morrow {

inline constexpr std::string_view kMissedPumpkinText = "Click on one of the Pumkins!";

// Pumpkin tile k (1..6) of the pick picture covers x = 22 + 100(k-1) to
// 115 + 100(k-1) and y = 330 to 424, bounds inclusive. Returns the pumpkin
// under a point of the picture, if any.
std::optional<int> PumpkinAt(int x, int y);

// The tile of pumpkin k (1..6) on the pick picture, bounds inclusive.
struct PumpkinTile {
    int left;
    int top;
    int right;
    int bottom;
};
PumpkinTile PumpkinTileOf(int pumpkin);

enum class PumpkinPrize {
    Empty,   // a trick: nothing won
    Nudges,  // 2 nudges per coin
    Credits, // the pumpkin's value in credits
};

struct PumpkinReveal {
    PumpkinPrize prize = PumpkinPrize::Empty;
    std::int32_t amount = 0; // credits or nudges won
    std::string text;        // what the treat picture says, e.g. "200 Credits!"
};

// One Trick or Treat game: one pick among the six prizes dealt into
// TrickPrizes. A credit prize becomes the WinAmount that the spin then counts
// into the credits; a nudge prize goes straight into Nudges.
class TrickOrTreatRound {
public:
    explicit TrickOrTreatRound(GameSession& session) : session_(session) {}

    bool Picked() const { return picked_; }
    std::int32_t PickedPrize() const { return pickedPrize_; }

    // Opens pumpkin k (1..6) and hands out its prize. Only the first pick counts.
    std::optional<PumpkinReveal> RevealPumpkin(int pumpkin);

    // The window is closing: a credit prize joins the Trick or Treat total.
    void Close();

private:
    GameSession& session_;
    bool picked_ = false;
    bool closed_ = false;
    std::int32_t pickedPrize_ = 0;
};

// A pumpkin 1..6 drawn from `random`, which gives 0..n-1 (a value out of
// that range is held to its nearest end).
int RandomPumpkin(const std::function<int(int n)>& random);

// The bonus game of a window that is closing: a pumpkin picked at random and
// its prize handed out exactly as a pick and a close of the window would,
// with nothing shown or heard, so the game that is saved holds the prize.
// Returns the pumpkin picked.
int PickPumpkinUnseen(GameSession& session, const std::function<int(int n)>& random);

} // namespace morrow
