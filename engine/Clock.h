// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

namespace morrow {

// A day of the calendar: year (e.g. 1998), month 1..12, day 1..31.
struct CalendarDate {
    int year = 1970;
    int month = 1;
    int day = 1;
};

// The timers of the main window, by the names they have always had. Each
// belongs to the object whose job it drives:
//   Timer1  250 ms, once  the music's start and the welcome    MusicRotation
//   Timer2  200 ms        the wild on reel 3's payline         GameEngine
//   Timer3  200 ms        the flashing "Nudge" captions        GameEngine
//   Timer4  1000 ms       starts a piece whose turn has come   MusicRotation
//   Timer5  100 ms        the skeleton's walk                  AmbientAnimations
//   Timer6  70 ms         the bat's flight                     AmbientAnimations
//   Timer7  250 ms        the dripping blood                   AmbientAnimations
//   Timer8  100 ms        the ghoul's walk                     AmbientAnimations
enum class GameTimer { Timer1, Timer2, Timer3, Timer4, Timer5, Timer6, Timer7, Timer8 };

constexpr std::chrono::milliseconds IntervalOf(GameTimer timer) {
    switch (timer) {
    case GameTimer::Timer1:
    case GameTimer::Timer7:
        return std::chrono::milliseconds(250);
    case GameTimer::Timer2:
    case GameTimer::Timer3:
        return std::chrono::milliseconds(200);
    case GameTimer::Timer4:
        return std::chrono::milliseconds(1000);
    case GameTimer::Timer6:
        return std::chrono::milliseconds(70);
    case GameTimer::Timer5:
    case GameTimer::Timer8:
        break;
    }
    return std::chrono::milliseconds(100);
}

// One of the timers above. It is made stopped; once started it ticks every
// interval until stopped (a one-shot timer stops itself in its tick).
class Timer {
public:
    virtual ~Timer() = default;
    virtual void Start() = 0;
    virtual void Stop() = 0;
    virtual bool IsActive() const = 0;
};

// The game's one source of time: the monotonic clock that spin frames,
// pauses, the count-up and the waits for a sound's end run by, the timers,
// and the day of the calendar a saved game is dated with. The program's is
// the system's clock with the event loop's timers; tests hand in a fake.
class Clock {
public:
    virtual ~Clock() = default;
    // Microseconds since an arbitrary fixed point; never goes backwards.
    virtual std::int64_t NowMicroseconds() = 0;
    // Today in the player's time zone.
    virtual CalendarDate Today() = 0;
    // A timer that calls `tick` every IntervalOf(timer) while it runs.
    virtual std::unique_ptr<Timer> MakeTimer(GameTimer timer, std::function<void()> tick) = 0;
    // Blocks the calling thread for `span`, handling nothing meanwhile.
    virtual void Sleep(std::chrono::microseconds span) { std::this_thread::sleep_for(span); }
};

} // namespace morrow
