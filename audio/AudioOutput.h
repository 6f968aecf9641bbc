// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Clock.h"
#include "MusicSequencer.h"
#include "SoundFonts.h"
#include "SoundPlayer.h"

#include <optional>
#include <string>

namespace morrow {

// The machine's sound output as the game uses it: the effect player and the
// music sequencer on one output. The real one (SDL_mixer and FluidSynth) is
// built into a module of its own beside the executable, so that those
// libraries and their dependencies are loaded only once the window is up.
class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    virtual SoundPlayer& Effects() = 0;
    virtual MusicSequencer& Music() = 0;
    // Why no music can be played at all in this run (no SoundFont);
    // nothing when music can be played.
    virtual std::optional<std::string> MusicError() const = 0;
    // Whether the window is in sight. Out of sight, with nothing to hear, the
    // output may rest; a sound or a piece asked for wakes it.
    virtual void SetSeen(bool seen) = 0;
};

// The module in the program directory, and the function in it that opens
// the output: `clock` measures the waits for a sound's end (nullptr: the
// system's steady clock). The caller owns the result; nullptr on failure.
inline constexpr char kAudioOutputModule[] = "morrow-audio.so";
inline constexpr char kOpenAudioOutput[] = "MorrowOpenAudioOutput";
using OpenAudioOutputFunction = AudioOutput* (*)(Clock* clock);

} // namespace morrow
