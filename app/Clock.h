#pragma once

#include <QElapsedTimer>

#include <cstdint>

namespace morrow {

// The game's monotonic clock: spin frames, pauses and the count-up run by it.
class Clock {
public:
    virtual ~Clock() = default;
    // Microseconds since an arbitrary fixed point; never goes backwards.
    virtual std::int64_t NowMicroseconds() = 0;
};

// The real clock: the system's monotonic clock, started when it is made.
class SteadyClock final : public Clock {
public:
    SteadyClock() { timer_.start(); }
    std::int64_t NowMicroseconds() override { return timer_.nsecsElapsed() / 1000; }

private:
    QElapsedTimer timer_;
};

} // namespace morrow
