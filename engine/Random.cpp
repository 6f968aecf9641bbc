// SPDX-License-Identifier: GPL-3.0-or-later
#include "Random.h"

#include <chrono>

namespace morrow {

std::int32_t RandomSource::Random(std::int32_t n) {
    if (n <= 0) {
        return 0;
    }
    // Rejection sampling: draws that fall in the incomplete last block of
    // 2^32 are thrown away, so every value of 0..n-1 is equally likely.
    const auto range = static_cast<std::uint64_t>(n);
    constexpr std::uint64_t span = std::uint64_t{1} << 32;
    const std::uint64_t limit = span - span % range;
    std::uint64_t draw = 0;
    do {
        draw = engine_();
    } while (draw >= limit);
    return static_cast<std::int32_t>(draw % range);
}

std::uint32_t SeedFromTimeOfDay() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(now).count();
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(micros) ^
                                      (static_cast<std::uint64_t>(micros) >> 32));
}

} // namespace morrow
