// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "GameHost.h"

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace morrow {

// A WAV file image handed to a sound player once, played by this handle.
struct SoundImage {
    int id = -1;
    friend bool operator==(const SoundImage&, const SoundImage&) = default;
};

// Plays the game's sound effects, one at a time: a new sound cuts off the one
// still playing. The real one plays through SDL_mixer (MixerSoundPlayer);
// tests hand in a fake that records what was played.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;

    // Plays the WAV file at `path`. With SoundWait::WaitForEnd the call
    // returns when the sound has ended, handling no window messages
    // meanwhile. A file that is missing or unreadable plays nothing.
    virtual void PlayFile(const std::string& path, SoundWait wait) = 0;

    // Takes in a whole WAV file image; the player keeps its own copy, so the
    // caller's bytes may go at once. `name` says where the image came from
    // (a file name) and serves transcripts only.
    virtual SoundImage AddImage(std::string_view name, std::span<const std::uint8_t> wavImage) = 0;
    // Plays an image taken in by AddImage without waiting. An image that is
    // not a playable WAV plays nothing.
    virtual void PlayImage(SoundImage image) = 0;

    virtual bool IsPlaying() = 0;
    // Returns once no sound is playing any more, or after `limit`; true when
    // quiet. Called before the process ends, so the goodbye is heard.
    virtual bool WaitUntilQuiet(std::chrono::milliseconds limit) = 0;
};

} // namespace morrow
