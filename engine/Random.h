// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <random>

namespace morrow {

// The game's one pseudo-random generator. The engine of std::mt19937 is
// fully defined by the standard; the mapping to 0..n-1 is our own, so a seed
// gives the same stops with every compiler and standard library.
class RandomSource {
public:
    explicit RandomSource(std::uint32_t seed) : engine_(seed) {}

    // A uniform integer in 0..n-1; n must be positive (0 is returned otherwise).
    std::int32_t Random(std::int32_t n);

    void Reseed(std::uint32_t seed) { engine_.seed(seed); }

private:
    std::mt19937 engine_;
};

// A seed taken from the time of day, for a real game's start.
std::uint32_t SeedFromTimeOfDay();

} // namespace morrow
