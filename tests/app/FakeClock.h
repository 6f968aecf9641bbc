// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SteadyClock.h"

#include <cstdint>

namespace morrow::test {

// A clock that moves on by a fixed step every time it is read, so a spin,
// its pauses and its count-up run through in a few milliseconds of real time
// while the engine still plays every frame and every step. Its timers are
// the event loop's; its day is Halloween 1998.
class FakeClock final : public SteadyClock {
public:
    explicit FakeClock(std::int64_t stepMicroseconds) : step_(stepMicroseconds) {}

    std::int64_t NowMicroseconds() override {
        now_ += step_;
        return now_;
    }
    CalendarDate Today() override { return {1998, 10, 31}; }

private:
    std::int64_t step_;
    std::int64_t now_ = 0;
};

} // namespace morrow::test
