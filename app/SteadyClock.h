// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Clock.h"

#include <QElapsedTimer>

namespace morrow {

// The real clock: the system's monotonic clock, started when it is made,
// the timers of the event loop, precise to the millisecond, and the
// system's calendar in the local time zone.
class SteadyClock : public Clock {
public:
    SteadyClock() { timer_.start(); }
    std::int64_t NowMicroseconds() override { return timer_.nsecsElapsed() / 1000; }
    std::unique_ptr<Timer> MakeTimer(GameTimer timer, std::function<void()> tick) override;
    CalendarDate Today() override;

private:
    QElapsedTimer timer_;
};

} // namespace morrow
