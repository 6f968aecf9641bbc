// SPDX-License-Identifier: GPL-3.0-or-later
// assets/sound: morrow-soundgen, which makes every sound effect of the game
// by our own synthesis and the Festival speech synthesiser, and lists them.
//
// This header is the set of sound files: their names, what each is for, how
// to make them and how they are written (44.1 kHz 16-bit PCM WAV).
#pragma once

#include "Speech.h"
#include "Wave.h"

#include <filesystem>
#include <string>
#include <vector>

namespace morrow::soundgen {

struct SoundRecipe {
    const char* name; // file name in the program directory
    const char* what; // what the game plays it for
    bool spoken;      // a spoken line, which the sound sheet puts to a speech recogniser
    Stereo (*make)(const Speaker& speaker);
};

// Every sound file of the game, in the order the game numbers them.
const std::vector<SoundRecipe>& SoundRecipes();

struct SoundFile {
    std::string name;
    Stereo wave;
};

// Makes every sound. Throws std::runtime_error when the speech synthesiser
// cannot be used.
std::vector<SoundFile> BuildSounds();

// Writes one sound as a 16-bit PCM WAV file, through a temporary file in the
// same directory so a failed run never leaves half a file behind. Throws
// std::runtime_error on failure.
void WriteWav(const Stereo& wave, const std::filesystem::path& path);

// Writes every sound into dir, which must exist.
void WriteSounds(const std::vector<SoundFile>& sounds, const std::filesystem::path& dir);

} // namespace morrow::soundgen
