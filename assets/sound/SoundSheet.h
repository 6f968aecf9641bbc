// SPDX-License-Identifier: GPL-3.0-or-later
// The sound sheet: every sound file of the game with its length and levels,
// read back from the files themselves, and played on request.
#pragma once

#include "Wave.h"

#include <cstdio>
#include <filesystem>

namespace morrow::soundgen {

enum class Playback { ListOnly, Play };

// A WAV (or other libsndfile) file as float samples; a mono file comes back
// in both channels. Throws std::runtime_error when it cannot be read or is
// not at kSampleRate.
Stereo ReadWav(const std::filesystem::path& path);

// Prints one line per sound of the game found in dir: length, peak, RMS,
// loudness and what the game plays it for; under each spoken line, what the
// speech recogniser heard in it (see Listener.h). With Playback::Play each is
// played after its line through `play` (SoX) or `aplay`, when one of them is
// installed and a sound device is there. Returns 0, or 1 when a file is
// missing or unreadable or the recogniser cannot be run.
int PrintSoundSheet(const std::filesystem::path& dir, Playback playback, std::FILE* out);

} // namespace morrow::soundgen
