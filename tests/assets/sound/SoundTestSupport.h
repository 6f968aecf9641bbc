// SPDX-License-Identifier: GPL-3.0-or-later
// Shared helpers of the sound tests: a temporary directory and test tones.
#pragma once

#include "TempDir.h"
#include "Wave.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <stdexcept>
#include <string>
#include <system_error>

namespace morrow::soundgen::test {

using morrow::test::TempDir;

inline Mono Sine(double hz, double seconds, double amplitude, int rate = kSampleRate) {
    Mono m(static_cast<std::size_t>(seconds * rate));
    for (std::size_t i = 0; i < m.size(); ++i) {
        m[i] = static_cast<float>(amplitude *
                                  std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / rate));
    }
    return m;
}

} // namespace morrow::soundgen::test
