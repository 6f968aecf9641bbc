// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FakeGameHost.h"
#include "GameEngine.h"
#include "Random.h"
#include "Reels.h"

#include <array>
#include <cstdint>
#include <stdexcept>

namespace morrow::test {

// The reel positions a spin started with `seed` comes to rest at: a spin
// draws, for each reel in turn, the motion strip's starting row and the stop.
inline std::array<std::int32_t, kReelCount> StopsForSeed(std::uint32_t seed) {
    RandomSource random(seed);
    std::array<std::int32_t, kReelCount> stops{};
    for (auto& stop : stops) {
        random.Random(576);
        stop = random.Random(kStripLength) + 1;
    }
    return stops;
}

// A seed whose spin puts a, b, c on the payline.
inline std::uint32_t SeedForPayline(int a, int b, int c) {
    GameSession reels;
    SetupReels(reels);
    for (std::uint32_t seed = 1; seed < 10'000'000; ++seed) {
        reels.ReelPos = StopsForSeed(seed);
        if (PaylineSymbol(reels, 0) == a && PaylineSymbol(reels, 1) == b && PaylineSymbol(reels, 2) == c) {
            return seed;
        }
    }
    throw std::runtime_error("no seed gives that payline");
}

// A seed whose spin loses without the wild, so a nudge is offered.
inline std::uint32_t SeedForLosingLine() {
    GameSession reels;
    SetupReels(reels);
    for (std::uint32_t seed = 1;; ++seed) {
        reels.ReelPos = StopsForSeed(seed);
        const LineResult line =
            EvaluateLine(PaylineSymbol(reels, 0), PaylineSymbol(reels, 1), PaylineSymbol(reels, 2));
        if (line.kind == LineKind::Lose) {
            return seed;
        }
    }
}

// A new game on a fake host, reels at their start positions, transcript empty.
struct EngineRig {
    GameSession session;
    FakeGameHost host;
    GameEngine engine{session, host, host, 1};

    EngineRig() {
        host.soundOn = &session.SoundOn;
        SetupReels(session);
        engine.NewGame();
        host.calls.clear();
    }

    // Places `coins` coins without spinning.
    void PlaceCoins(int coins) {
        session.Bet = coins;
        session.Credits -= coins;
    }

    // Where the reels stop for this game's next spin.
    void NextSpinShows(int a, int b, int c) { engine.Reseed(SeedForPayline(a, b, c)); }
};

} // namespace morrow::test
