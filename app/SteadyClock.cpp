// SPDX-License-Identifier: GPL-3.0-or-later
#include "SteadyClock.h"

#include <QDate>
#include <QTimer>

namespace morrow {

namespace {

class EventLoopTimer final : public Timer {
public:
    EventLoopTimer(GameTimer timer, std::function<void()> tick) {
        timer_.setInterval(IntervalOf(timer));
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, &timer_, std::move(tick));
    }
    void Start() override { timer_.start(); }
    void Stop() override { timer_.stop(); }
    bool IsActive() const override { return timer_.isActive(); }

private:
    QTimer timer_;
};

} // namespace

CalendarDate SteadyClock::Today() {
    const QDate today = QDate::currentDate();
    return {today.year(), today.month(), today.day()};
}

std::unique_ptr<Timer> SteadyClock::MakeTimer(GameTimer timer, std::function<void()> tick) {
    return std::make_unique<EventLoopTimer>(timer, std::move(tick));
}

} // namespace morrow
