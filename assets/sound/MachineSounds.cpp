// SPDX-License-Identifier: GPL-3.0-or-later
// The slot machine's own noises: reel stop, coin, refusal buzz, count tick.
#include "Effects.h"
#include "Sounds.h"
#include "Synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace morrow::soundgen {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

double Seconds(std::size_t i) {
    return static_cast<double>(i) / kSampleRate;
}

// A struck piece of metal: a few decaying modes, all starting at zero phase
// so the strike begins without a step.
struct Mode {
    double hz, t60;
    float amplitude;
};

Mono Strike(const std::vector<Mode>& modes, double seconds, float gain) {
    Mono out(FramesFor(seconds), 0.0f);
    for (const Mode& m : modes) {
        MixInto(out, DecayingSine(m.hz, m.t60, m.amplitude, seconds), 0, gain);
    }
    return out;
}

Mono Click(Noise& noise, double tau, double hz, double q, float gain) {
    Mono c = NoiseBurst(noise, 8.0 * tau, tau, gain);
    Biquad::BandPass(hz, q).Run(c);
    return c;
}

} // namespace

// The drum's weight landing on its stop (a low thump falling in pitch), the
// latch snapping in, and the latch's small bounce a moment later.
Stereo ReelStop() {
    constexpr double kLength = 0.2;
    Noise noise(100);
    Mono out(FramesFor(kLength), 0.0f);
    double phase = 0.0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = Seconds(i);
        phase += kTwoPi * (55.0 + 85.0 * std::exp(-t / 0.02)) / kSampleRate;
        out[i] = static_cast<float>(0.9 * std::exp(-t / 0.045) * std::sin(phase));
    }
    const std::vector<Mode> latch = {{1230, 0.05, 0.25f}, {2870, 0.035, 0.18f}, {4410, 0.025, 0.1f}};
    MixInto(out, Click(noise, 0.0025, 2600, 1.2, 1.0f), 0, 0.7f);
    MixInto(out, Strike(latch, 0.1, 1.0f), 0, 0.7f);
    MixInto(out, Click(noise, 0.002, 3400, 1.5, 0.35f), FramesFor(0.032), 0.7f);
    MixInto(out, Strike(latch, 0.06, 0.4f), FramesFor(0.032), 0.7f);
    out.resize(FramesFor(kLength));
    Stereo s = ToStereo(out);
    Finish(s, {-20.0, 0.001, 0.03});
    return s;
}

// A coin rings as it hits the chute, bounces a few times, each bounce quicker
// and quieter, and lands with a duller chink on the coins already inside.
Stereo CoinDrop() {
    constexpr double kLength = 0.45;
    Noise noise(200);
    Mono out(FramesFor(kLength), 0.0f);
    const double hits[] = {0.0, 0.075, 0.13, 0.17, 0.198, 0.218};
    const float levels[] = {1.0f, 0.6f, 0.42f, 0.3f, 0.2f, 0.14f};
    constexpr double kRatios[] = {1.0, 1.58, 2.33, 2.97, 3.65, 4.3};
    constexpr double kRings[] = {0.35, 0.25, 0.2, 0.15, 0.12, 0.1};
    for (std::size_t h = 0; h < std::size(hits); ++h) {
        // Each bounce strikes the coin at another point, so the modes sound
        // in other proportions.
        std::vector<Mode> modes;
        for (std::size_t k = 0; k < std::size(kRatios); ++k) {
            modes.push_back(
                {2350.0 * kRatios[k], kRings[k],
                 static_cast<float>((1.0 - 0.13 * static_cast<double>(k)) * noise.Range(0.5, 1.2))});
        }
        const std::size_t at = FramesFor(hits[h]);
        MixInto(out, Strike(modes, kLength - hits[h], 0.3f), at, levels[h]);
        MixInto(out, Click(noise, 0.0015, 6000, 0.8, 0.3f), at, levels[h]);
    }
    const std::size_t landing = FramesFor(0.26);
    MixInto(out, Strike({{1650, 0.06, 0.5f}, {2900, 0.05, 0.35f}, {4100, 0.04, 0.2f}}, 0.15, 0.5f), landing);
    Mono thump = NoiseBurst(noise, 0.06, 0.008, 0.5f);
    Biquad::LowPass(600).Run(thump);
    MixInto(out, thump, landing);
    out.resize(FramesFor(kLength));
    Stereo s = ToStereo(out);
    Finish(s, {-19.0, 0.001, 0.06});
    return s;
}

// Two low buzzes, the second lower: a sawtooth against another a tritone
// above (the interval that always sounds wrong), driven a little hard and
// rattling at 28 Hz.
Stereo RefusalBuzz() {
    struct Buzz {
        double at, seconds, hz;
    };
    constexpr Buzz kBuzzes[] = {{0.0, 0.18, 104.0}, {0.24, 0.2, 92.0}};
    Mono out;
    for (const Buzz& b : kBuzzes) {
        Mono buzz(FramesFor(b.seconds));
        for (std::size_t i = 0; i < buzz.size(); ++i) {
            const double t = Seconds(i);
            double saw = 0.0;
            for (double ratio : {1.0, std::numbers::sqrt2}) {
                const double f = b.hz * ratio;
                const double level = ratio == 1.0 ? 1.0 : 0.5;
                for (int k = 1; k * f < 8000.0; ++k) {
                    saw += level * std::sin(kTwoPi * k * f * t) / k;
                }
            }
            const double rattle = 1.0 - 0.3 * (0.5 + 0.5 * std::sin(kTwoPi * 28.0 * t));
            const double env = std::min({1.0, t / 0.006, (b.seconds - t) / 0.025});
            buzz[i] = static_cast<float>(std::tanh(1.5 * saw * rattle * 0.5) * env);
        }
        Biquad::LowPass(2200).Run(buzz);
        MixInto(out, buzz, FramesFor(b.at));
    }
    Stereo s = ToStereo(out);
    Finish(s, {-19.0, 0.003, 0.03});
    return s;
}

// A small bright tick, like a counter wheel clicking on by one: a few high
// modes and a touch of noise, gone well before the next credit is counted.
Stereo CountTick() {
    constexpr double kLength = 0.045;
    Noise noise(300);
    Mono out = Strike({{3150, 0.02, 1.0f}, {4720, 0.012, 0.5f}, {1980, 0.03, 0.35f}}, kLength, 0.5f);
    Mono click = NoiseBurst(noise, 0.01, 0.0008, 0.3f);
    Biquad::HighPass(5000).Run(click);
    MixInto(out, click, 0);
    out.resize(FramesFor(kLength));
    Stereo s = ToStereo(out);
    Finish(s, {-22.0, 0.0005, 0.008});
    return s;
}

} // namespace morrow::soundgen
