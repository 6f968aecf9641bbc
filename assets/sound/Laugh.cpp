// SPDX-License-Identifier: GPL-3.0-or-later
#include "Laugh.h"

#include "Synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace morrow::soundgen {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// The first three resonances of the vocal tract for a vowel, in Hz, for an
// adult male; smaller throats scale them up.
struct Vowel {
    double f1, f2, f3;
};
constexpr Vowel kAh{730, 1090, 2440}; // "ha"
constexpr Vowel kEe{290, 2250, 3000}; // "hee"
constexpr Vowel kEh{530, 1840, 2480}; // "heh"
constexpr Vowel kOo{300, 870, 2240};  // the "w" of "mwa"

Vowel Blend(const Vowel& a, const Vowel& b, double x) {
    return {a.f1 + (b.f1 - a.f1) * x, a.f2 + (b.f2 - a.f2) * x, a.f3 + (b.f3 - a.f3) * x};
}

struct Syllable {
    double at, seconds;  // start, length
    double f0From, f0To; // pitch glide over the syllable
    Vowel from, to;      // the vowel glides from one to the other in 70 ms
    double breath;       // length of the breathy "h" before the voice sets in
    double level;
};

// A two-pole resonance with unity gain at 0 Hz; a chain of them is the
// classic cascade formant voice. Frequency and width may change per sample.
class Resonator {
public:
    double Process(double x, double hz, double bandwidth) {
        const double r = std::exp(-std::numbers::pi * bandwidth / kSampleRate);
        const double b = 2.0 * r * std::cos(kTwoPi * hz / kSampleRate), c = -r * r;
        const double y = (1.0 - b - c) * x + b * y1_ + c * y2_;
        y2_ = y1_;
        y1_ = y;
        return y;
    }

private:
    double y1_ = 0, y2_ = 0;
};

Mono Speak(const Syllable& s, double formantScale, Noise& noise) {
    // The resonances ring on for a moment after the voice stops.
    const std::size_t voicedFrames = FramesFor(s.seconds);
    Mono out(voicedFrames + FramesFor(0.04));
    const auto harmonics = static_cast<int>(8000.0 / std::max(s.f0From, s.f0To));
    Resonator r1, r2, r3, r4;
    double phase = 0.0, last = 0.0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate, x = std::min(1.0, t / s.seconds);
        const double wobble = 1.0 + 0.012 * std::sin(kTwoPi * 5.5 * t) + 0.004 * noise.Next();
        phase += kTwoPi * s.f0From * std::pow(s.f0To / s.f0From, x) * wobble / kSampleRate;
        // Harmonics k of the buzz at 1/k: sin(k phase) by the Chebyshev recurrence.
        const double c2 = 2.0 * std::cos(phase);
        double prev = 0.0, cur = std::sin(phase), buzz = 0.0;
        for (int k = 1; k <= harmonics; ++k) {
            buzz += cur / k;
            const double next = c2 * cur - prev;
            prev = cur;
            cur = next;
        }
        // Voice: in after the breath, a gentle sag, out over the last quarter.
        const double voiced = t < s.breath ? 0.0 : std::min(1.0, (t - s.breath) / 0.015);
        const double shape = (1.0 - 0.35 * x) * std::min(1.0, (1.0 - x) / 0.25);
        const double hiss = t < s.breath ? std::min(1.0, t / 0.008) : 0.12 * voiced;
        const double excitation =
            i < voicedFrames ? voiced * shape * buzz * 0.5 + hiss * shape * 0.6 * noise.Next() : 0.0;
        const Vowel v = Blend(s.from, s.to, std::min(1.0, t / 0.07));
        double y = r1.Process(excitation, v.f1 * formantScale, 90.0);
        y = r2.Process(y, v.f2 * formantScale, 120.0);
        y = r3.Process(y, v.f3 * formantScale, 170.0);
        y = r4.Process(y, 3500.0 * formantScale, 250.0);
        // The lips radiate the highs more strongly than the lows.
        out[i] = static_cast<float>((y - 0.9 * last) * s.level);
        last = y;
    }
    return out;
}

} // namespace

Mono Laugh(LaughStyle style) {
    std::vector<Syllable> syllables;
    double formantScale = 1.0;
    if (style == LaughStyle::Witch) {
        formantScale = 1.2;
        for (int k = 0; k < 6; ++k) {
            const double f0 = 640.0 - 30.0 * k;
            syllables.push_back({0.125 * k, 0.09, f0, f0 * 0.82, kEe, kEe, 0.025, 1.0 - 0.06 * k});
        }
        syllables.push_back({0.75, 0.42, 560.0, 330.0, kEe, kEh, 0.03, 0.9});
    } else {
        formantScale = 0.95;
        syllables.push_back({0.0, 0.2, 150.0, 125.0, kOo, kAh, 0.0, 0.9});
        for (int k = 0; k < 3; ++k) {
            const double f0 = 140.0 - 8.0 * k;
            syllables.push_back({0.24 + 0.16 * k, 0.13, f0, f0 * 0.85, kAh, kAh, 0.035, 1.0});
        }
        syllables.push_back({0.72, 0.42, 135.0, 85.0, kAh, kAh, 0.035, 1.0});
    }
    Noise noise(style == LaughStyle::Witch ? 13 : 666);
    Mono out;
    for (const Syllable& s : syllables) {
        MixInto(out, Speak(s, formantScale, noise), FramesFor(s.at));
    }
    Biquad::HighPass(80.0).Run(out);
    return out;
}

} // namespace morrow::soundgen
