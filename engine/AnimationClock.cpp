// SPDX-License-Identifier: GPL-3.0-or-later
#include "AnimationClock.h"

#include <algorithm>

namespace morrow {

// An animation timer: started, it runs only while the window is seen. Its
// owner sees it as running all the while, as before.
class AnimationClock::HeldTimer final : public Timer {
public:
    HeldTimer(AnimationClock& owner, std::unique_ptr<Timer> timer)
        : owner_(&owner), timer_(std::move(timer)) {
        owner_->held_.push_back(this);
    }
    ~HeldTimer() override {
        if (owner_ != nullptr) {
            std::erase(owner_->held_, this);
        }
    }
    HeldTimer(const HeldTimer&) = delete;
    HeldTimer& operator=(const HeldTimer&) = delete;

    void Start() override {
        wanted_ = true;
        if (owner_ == nullptr || owner_->seen_) {
            timer_->Start();
        }
    }
    void Stop() override {
        wanted_ = false;
        timer_->Stop();
    }
    bool IsActive() const override { return wanted_; }

    void Follow(bool seen) {
        if (seen && wanted_) {
            timer_->Start(); // a full interval before the next frame
        } else if (!seen) {
            timer_->Stop();
        }
    }
    void Orphan() { owner_ = nullptr; }

private:
    AnimationClock* owner_;
    std::unique_ptr<Timer> timer_;
    bool wanted_ = false;
};

AnimationClock::~AnimationClock() {
    for (HeldTimer* timer : held_) {
        timer->Orphan();
    }
}

std::unique_ptr<Timer> AnimationClock::MakeTimer(GameTimer timer, std::function<void()> tick) {
    std::unique_ptr<Timer> made = clock_.MakeTimer(timer, std::move(tick));
    if (!IsAnimation(timer)) {
        return made;
    }
    return std::make_unique<HeldTimer>(*this, std::move(made));
}

void AnimationClock::SetSeen(bool seen) {
    if (seen == seen_) {
        return;
    }
    seen_ = seen;
    for (HeldTimer* timer : held_) {
        timer->Follow(seen);
    }
}

} // namespace morrow
