// SPDX-License-Identifier: GPL-3.0-or-later
// Effects of the sound generator: changing speed and pitch, echo and a
// stereo room reverb.
#pragma once

#include "Wave.h"

namespace morrow::soundgen {

// Plays `in`, recorded at `inRate`, back at kSampleRate and at `speed` times
// its own speed (0.9: ten per cent slower and that much lower), with an
// optional slow waver of the speed (depth 0.01 = +-1 %). Windowed-sinc
// interpolation, band-limited when the speed goes up. Throws
// std::invalid_argument unless the speed stays above zero.
Mono ChangeSpeed(const Mono& in, int inRate, double speed, double waverHz = 0.0, double waverDepth = 0.0);

// Moves the pitch by `ratio` (0.5: an octave down) and keeps the length:
// two read heads sweep through a delay line `grainSeconds` long, crossfaded
// so that one is always in the middle of its sweep.
Mono ShiftPitch(const Mono& in, double ratio, double grainSeconds);

// A repeating echo: each repeat `delaySeconds` after the one before, `feedback`
// times as loud and darker (low-passed at toneHz). `wet` is the level of the
// first repeat; the buffer grows by `tailSeconds` for the repeats to die out.
Mono Echo(const Mono& in, double delaySeconds, float feedback, float wet, double toneHz, double tailSeconds);

struct ReverbSettings {
    double roomSize = 0.7;  // 0..1: how long the room rings
    double damping = 0.5;   // 0..1: how fast the highs die in it
    double wet = 0.3;       // level of the room
    double dry = 1.0;       // level of the direct sound
    double width = 1.0;     // 0 mono room .. 1 wide room
    double preDelay = 0.02; // seconds before the room answers
    double tail = 1.0;      // seconds added to the buffer for the ring-out
};

// A room: eight damped comb filters and four all-passes per channel, the
// right channel's tuned slightly apart from the left's for width.
Stereo Reverb(const Stereo& in, const ReverbSettings& settings);

// Lowers `s` while `key` sounds: the gain falls towards 1 - depth as the
// key's level nears a quarter of its peak, and recovers over about
// `releaseSeconds` once it falls silent. Ducking an echo or a room under the
// voice that feeds it keeps the words dry and lets the space bloom in the
// pauses and after the last word.
void Duck(Stereo& s, const Mono& key, double depth, double releaseSeconds);

// Removes anything below `hz` (rumble, a DC offset).
void HighPass(Mono& m, double hz);
void HighPass(Stereo& s, double hz);

} // namespace morrow::soundgen
