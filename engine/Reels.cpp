// SPDX-License-Identifier: GPL-3.0-or-later
#include "Reels.h"

namespace morrow {

void SetupReels(PlayState& play) {
    for (int reel = 0; reel < kReelCount; ++reel) {
        const auto r = static_cast<std::size_t>(reel);
        play.ReelStrip[r] = std::string(kReelStrips[r]);
        play.ReelPos[r] = kStartPositions[r];
    }
}

int SymbolAt(const PlayState& play, int reel, std::int32_t position) {
    const std::string& strip = play.ReelStrip[static_cast<std::size_t>(reel)];
    if (strip.empty()) {
        return 0;
    }
    const auto length = static_cast<std::int32_t>(strip.size());
    const std::int32_t index = ((position - 1) % length + length) % length;
    return strip[static_cast<std::size_t>(index)] - '0';
}

int VisibleSymbol(const PlayState& play, int reel, int row) {
    return SymbolAt(play, reel, StripPosition(play.ReelPos[static_cast<std::size_t>(reel)], row));
}

} // namespace morrow
