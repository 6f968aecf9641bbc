// SPDX-License-Identifier: GPL-3.0-or-later
// The game's sound effects, one function each, and the finishing step they
// all end with.
#pragma once

#include "Speech.h"
#include "Wave.h"

namespace morrow::soundgen {

// No effect peaks above this (dBFS): headroom for the player's resampling.
inline constexpr double kCeilingDb = -1.0;

struct Mastering {
    double loudness; // LUFS
    double fadeIn;   // seconds
    double fadeOut;  // seconds
};

// Fades both ends so nothing clicks, then brings the sound to its loudness
// below the ceiling.
void Finish(Stereo& s, const Mastering& m);

// The machine: "Morrow0.wav" .. "Morrow3.wav".
Stereo ReelStop();    // a reel coming to rest: thud and latch clack, 0.2 s
Stereo CoinDrop();    // a coin dropping in and bouncing to rest, 0.45 s
Stereo RefusalBuzz(); // "no": two low dissonant buzzes, 0.48 s
Stereo CountTick();   // one credit counted: a bright tick, 45 ms

// "MorWin0.wav" .. "MorWin8.wav". prize 0 is the top prize and the grandest
// and longest; 7 the smallest triple; 8 the stake back. 5 doubles as the
// treat of the bonus game, 6 (with a witch's cackle) as its trick.
Stereo WinJingle(int prize);

enum class Line {
    TrickOrTreat, // "Tort.wav"
    Welcome,      // "Welcome.wav"
    Goodbye       // "Goodbye.wav"
};
Stereo SpokenLine(const Speaker& speaker, Line line);

} // namespace morrow::soundgen
