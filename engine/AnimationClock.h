// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Clock.h"

#include <memory>
#include <vector>

namespace morrow {

// The clock the play field's animations are made from. Their timers, the
// wild's Timer2 and the decorations' Timer5 to Timer8, stand still while
// nobody can see the window: nothing moves that nobody would see, and the
// process sleeps. Seen again, each goes on from the frame it had reached,
// one interval later, with no ticks made up for the time away. The game's
// own timers (the nudge captions, the music) and the time itself come
// straight from the clock underneath.
class AnimationClock final : public Clock {
public:
    explicit AnimationClock(Clock& clock) : clock_(clock) {}
    ~AnimationClock() override;

    AnimationClock(const AnimationClock&) = delete;
    AnimationClock& operator=(const AnimationClock&) = delete;

    std::int64_t NowMicroseconds() override { return clock_.NowMicroseconds(); }
    CalendarDate Today() override { return clock_.Today(); }
    void Sleep(std::chrono::microseconds span) override { clock_.Sleep(span); }
    std::unique_ptr<Timer> MakeTimer(GameTimer timer, std::function<void()> tick) override;

    // Whether the window can be seen; it can until told otherwise.
    void SetSeen(bool seen);
    bool Seen() const { return seen_; }

    // The timers that only draw: held while the window is out of sight.
    static constexpr bool IsAnimation(GameTimer timer) {
        return timer == GameTimer::Timer2 || timer == GameTimer::Timer5 || timer == GameTimer::Timer6 ||
               timer == GameTimer::Timer7 || timer == GameTimer::Timer8;
    }

private:
    class HeldTimer;
    Clock& clock_;
    bool seen_ = true;
    std::vector<HeldTimer*> held_; // the animation timers alive
};

} // namespace morrow
