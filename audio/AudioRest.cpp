// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioRest.h"

#include <QTimer>

namespace morrow {

namespace {
constexpr int kLookInterval = 1000; // ms
} // namespace

AudioRest::AudioRest(AudioDevice& device, std::function<bool()> quiet)
    : device_(device), quiet_(std::move(quiet)), look_(std::make_unique<QTimer>()) {
    look_->setInterval(kLookInterval);
    QObject::connect(look_.get(), &QTimer::timeout, [this] { Look(); });
}

AudioRest::~AudioRest() = default;

void AudioRest::SetSeen(bool seen) {
    if (!seen) {
        look_->start();
        return;
    }
    look_->stop();
    // After the window's first frame back, so that is not held up.
    QTimer::singleShot(0, look_.get(), [this] { device_.Wake(); });
}

// A piece may start out of sight and wake the output again: it keeps
// looking until the window is seen.
void AudioRest::Look() {
    if (!device_.Resting() && quiet_()) {
        device_.Rest();
    }
}

} // namespace morrow
