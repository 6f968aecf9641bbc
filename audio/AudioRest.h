// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AudioDevice.h"

#include <functional>
#include <memory>

class QTimer;

namespace morrow {

// Lets the sound output rest while nobody can see the window and nothing is
// heard: no effect playing, and the music off or between pieces. An open
// output costs CPU time even when silent (SDL's device thread wakes for every
// buffer), which a game left minimised for hours should not spend. Out of
// sight it looks once a second; back in view the output opens again at once,
// ready for the next sound. A sound or a piece asked for while it rests opens
// it itself.
class AudioRest {
public:
    // `quiet` says whether nothing sounds or is about to; `device` and what
    // `quiet` looks at outlive this. Called on the thread with the event loop.
    AudioRest(AudioDevice& device, std::function<bool()> quiet);
    ~AudioRest();

    AudioRest(const AudioRest&) = delete;
    AudioRest& operator=(const AudioRest&) = delete;

    void SetSeen(bool seen);

private:
    void Look();

    AudioDevice& device_;
    std::function<bool()> quiet_;
    std::unique_ptr<QTimer> look_;
};

} // namespace morrow
