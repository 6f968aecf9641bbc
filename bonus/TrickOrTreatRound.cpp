// SPDX-License-Identifier: GPL-3.0-or-later
#include "TrickOrTreatRound.h"

#include <algorithm>

namespace morrow {

namespace {
constexpr int kFirstTileLeft = 22;
constexpr int kTileWidth = 94;
constexpr int kTilePitch = 100;
constexpr int kTileTop = 330;
constexpr int kTileBottom = 424;
} // namespace

std::optional<int> PumpkinAt(int x, int y) {
    if (y < kTileTop || y > kTileBottom) {
        return std::nullopt;
    }
    for (int k = 1; k <= kPumpkinCount; ++k) {
        const int left = kFirstTileLeft + kTilePitch * (k - 1);
        if (x >= left && x <= left + kTileWidth - 1) {
            return k;
        }
    }
    return std::nullopt;
}

PumpkinTile PumpkinTileOf(int pumpkin) {
    const int left = kFirstTileLeft + kTilePitch * (pumpkin - 1);
    return {left, kTileTop, left + kTileWidth - 1, kTileBottom};
}

std::optional<PumpkinReveal> TrickOrTreatRound::RevealPumpkin(int pumpkin) {
    if (picked_ || pumpkin < 1 || pumpkin > kPumpkinCount) {
        return std::nullopt;
    }
    picked_ = true;
    const std::int32_t value = session_.TrickPrizes[static_cast<std::size_t>(pumpkin - 1)];
    PumpkinReveal reveal;
    if (value <= 0) {
        return reveal;
    }
    pickedPrize_ = value;
    if (value == 1) {
        reveal.prize = PumpkinPrize::Nudges;
        reveal.amount = 2 * session_.Bet;
        SaturatingAdd(session_.Nudges, reveal.amount);
        reveal.text = std::to_string(reveal.amount) + " Nudges!";
    } else {
        reveal.prize = PumpkinPrize::Credits;
        reveal.amount = value;
        session_.WinAmount = value;
        reveal.text = std::to_string(value) + " Credits!";
    }
    return reveal;
}

void TrickOrTreatRound::Close() {
    if (closed_) {
        return;
    }
    closed_ = true;
    if (pickedPrize_ > 1) {
        SaturatingAdd(session_.TricksWon, pickedPrize_);
    }
}

int RandomPumpkin(const std::function<int(int n)>& random) {
    return 1 + std::clamp(random(kPumpkinCount), 0, kPumpkinCount - 1);
}

int PickPumpkinUnseen(GameSession& session, const std::function<int(int n)>& random) {
    const int pumpkin = RandomPumpkin(random);
    TrickOrTreatRound round(session);
    round.RevealPumpkin(pumpkin);
    round.Close();
    return pumpkin;
}

} // namespace morrow
