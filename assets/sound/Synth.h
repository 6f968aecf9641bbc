// SPDX-License-Identifier: GPL-3.0-or-later
// The sound generator's instruments: a seeded noise source, filters, decaying
// partials, and the celesta, church bell and pipe organ the jingles are
// played on, with a small note list to play them from.
#pragma once

#include "Wave.h"

#include <cstdint>
#include <vector>

namespace morrow::soundgen {

// A deterministic random source (xorshift64*): the same numbers on every
// machine and library, so every run writes the same bytes.
class Noise {
public:
    explicit Noise(std::uint64_t seed);
    // Uniform in [0, 1).
    double Unit();
    // Uniform in [lo, hi).
    double Range(double lo, double hi) { return lo + (hi - lo) * Unit(); }
    // White noise sample, uniform in [-1, 1).
    float Next() { return static_cast<float>(2.0 * Unit() - 1.0); }

private:
    std::uint64_t state_;
};

// A second-order filter section (the usual audio cookbook designs).
class Biquad {
public:
    static Biquad LowPass(double hz, double q = 0.7071);
    static Biquad HighPass(double hz, double q = 0.7071);
    // Unity gain at the centre frequency.
    static Biquad BandPass(double hz, double q);
    static Biquad Peaking(double hz, double q, double gainDb);

    float Process(float x);
    void Run(Mono& m);

private:
    Biquad(double b0, double b1, double b2, double a0, double a1, double a2);
    double b0_, b1_, b2_, a1_, a2_;
    double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// Equal temperament, A4 (note 69) at 440 Hz.
double NoteHz(double midi);

// A sine partial dying away exponentially: amplitude falls by 60 dB in t60
// seconds. Rendered for `seconds`.
Mono DecayingSine(double hz, double t60, float amplitude, double seconds, double phase = 0.0);

// A burst of white noise: in over 0.3 ms, then an exponential decay (time
// constant `tau`).
Mono NoiseBurst(Noise& noise, double seconds, double tau, float amplitude);

// Instruments. Each renders one note from its attack to the end of its ring.
// `seconds` is how long the key is held (celesta, organ) or the bell left to
// ring; velocity 0..1.
Mono Celesta(double hz, double seconds, float velocity);
Mono Bell(double hz, double seconds, float velocity);
enum class OrganStop {
    Flute,     // soft and hollow, with a slow beating second rank
    Principal, // the plain organ tone
    Full       // every rank drawn, 16-foot bass included
};
Mono Organ(double hz, double seconds, float velocity, OrganStop stop);

enum class Instrument { Celesta, Bell, OrganFlute, OrganPrincipal, OrganFull };

// One note of a jingle: when it starts, its pitch as a note number, how long
// it is held, how hard it is struck and where it stands (-1 left .. +1 right).
struct Note {
    Instrument instrument;
    double at;
    double midi;
    double seconds;
    float velocity;
    float pan = 0.0f;
};

// Plays every note into a stereo buffer, each at its own level, untouched by
// any room.
Stereo PlayNotes(const std::vector<Note>& notes);

} // namespace morrow::soundgen
