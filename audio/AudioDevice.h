// SPDX-License-Identifier: GPL-3.0-or-later
// Sound effects and background music of the game: the sound output, the
// effect player, the MIDI synthesiser and the rotation of the music pieces.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace morrow {

enum class AudioDeviceState {
    Opening, // still being opened on its own thread
    Open,    // sounds and music can be played
    Failed,  // not even SDL's silent dummy driver could be opened
};

// The game's one sound output: SDL_mixer with a single effect channel, on the
// system's default audio driver or, when there is no usable sound device, on
// SDL's silent dummy driver. It opens on a thread of its own, started by the
// constructor, so that the window paints meanwhile; the players wait for it
// (for a bounded time) before their first sound.
//
// One instance for the whole run: it initialises SDL and shuts it down. The
// players that use it must be destroyed before it.
class AudioDevice {
public:
    AudioDevice();
    ~AudioDevice();

    AudioDevice(const AudioDevice&) = delete;
    AudioDevice& operator=(const AudioDevice&) = delete;

    // Waits at most `limit` for the opening to finish; true when the output
    // is open.
    bool WaitUntilOpen(std::chrono::milliseconds limit);
    AudioDeviceState State();

    // Once open: the SDL audio driver in use ("pulseaudio", "alsa", "dummy"...),
    // the output's sample rate and the time the opening took.
    std::string DriverName();
    int SampleRate();
    std::chrono::microseconds OpeningTime();

    // From the thread that plays: the output rests, its device closed, so
    // that nothing runs for it while nothing is to be heard. Only an open
    // output rests; true when it did. Effects and music must be quiet.
    bool Rest();
    bool Resting();
    // Open and not resting: the mixer's channels are there.
    bool IsOpen();
    // Opens a resting output again, in the format it had; true when open.
    // Where the device has gone meanwhile, the silent driver takes over.
    bool Wake();
    // Grows each time the output comes back in another format than before:
    // sounds decoded for the old one must be decoded again.
    int FormatGeneration();

private:
    void OpenOutput();

    std::mutex mutex_;
    std::condition_variable opened_;
    AudioDeviceState state_ = AudioDeviceState::Opening;
    std::string driverName_;
    int sampleRate_ = 0;
    std::uint16_t format_ = 0;
    int channels_ = 0;
    bool resting_ = false;
    int formatGeneration_ = 0;
    std::chrono::microseconds openingTime_{0};
    std::thread opener_;
};

} // namespace morrow
