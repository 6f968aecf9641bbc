// SPDX-License-Identifier: GPL-3.0-or-later
// Sample buffers of the sound generator and the measures and finishing steps
// every effect goes through: mixing, fades, loudness, normalising, 16-bit PCM.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace morrow::soundgen {

// Every effect is made and written at this rate.
inline constexpr int kSampleRate = 44100;

// One channel of float samples, full scale at +-1.
using Mono = std::vector<float>;

// Two channels of the same length.
struct Stereo {
    Mono left;
    Mono right;

    std::size_t Frames() const { return left.size(); }
    double Seconds() const { return static_cast<double>(left.size()) / kSampleRate; }
    // Grows (with silence) or cuts both channels to the given length.
    void Resize(std::size_t frames);
};

// Samples in the given time, rounded to the nearest sample.
std::size_t FramesFor(double seconds);

// Adds src * gain into dst from sample `at` on, growing dst as needed.
void MixInto(Mono& dst, const Mono& src, std::size_t at, float gain = 1.0f);

// Adds a mono source into both channels, placed by an equal-power pan from
// -1 (left) through 0 (centre) to +1 (right).
void MixInto(Stereo& dst, const Mono& src, std::size_t at, float gain = 1.0f, float pan = 0.0f);
void MixInto(Stereo& dst, const Stereo& src, std::size_t at, float gain = 1.0f);

// The same signal in both channels.
Stereo ToStereo(const Mono& m);

// Raised-cosine fades over the first / last `seconds` of the buffer.
void FadeIn(Stereo& s, double seconds);
void FadeOut(Stereo& s, double seconds);

// Cuts the tail after the last sample louder than `threshold`, keeping
// `keepSeconds` after it.
void TrimTail(Stereo& s, float threshold, double keepSeconds);

// Largest absolute sample of either channel.
float Peak(const Stereo& s);

// Root mean square level over both channels, as a linear value.
double Rms(const Stereo& s);

// Programme loudness in LUFS as broadcasters measure it: K-weighted, in
// 400 ms blocks overlapping by 75 %, gated at -70 LUFS and 10 LU below the
// ungated level. A buffer shorter than one block is measured as one block
// of its own length. Silence reads as -inf.
double Loudness(const Stereo& s);

// Linear gain from decibels and back.
double DbToGain(double db);
double GainToDb(double gain);

// Scales the buffer to the target loudness, but never so far that its peak
// crosses `ceilingDb` (dBFS). Returns the gain applied.
double Normalise(Stereo& s, double targetLufs, double ceilingDb);

// Interleaved 16-bit samples, rounded and clamped to the 16-bit range.
std::vector<std::int16_t> ToPcm16(const Stereo& s);

} // namespace morrow::soundgen
