// SPDX-License-Identifier: GPL-3.0-or-later
#include "Effects.h"

#include "Synth.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace morrow::soundgen {

namespace {

constexpr int kTaps = 16;          // interpolation taps on each side
constexpr int kPhases = 512;       // table steps per input sample
constexpr double kPassband = 0.92; // of the lower Nyquist frequency

// sinc(x * cutoff) * cutoff under a Blackman window reaching zero at kTaps,
// tabulated for x = 0 .. kTaps.
std::vector<double> Kernel(double cutoff) {
    std::vector<double> table(kTaps * kPhases + 2, 0.0);
    for (int k = 0; k <= kTaps * kPhases; ++k) {
        const double x = static_cast<double>(k) / kPhases;
        const double px = std::numbers::pi * x * cutoff;
        const double sinc = k == 0 ? 1.0 : std::sin(px) / px;
        const double w = 0.42 + 0.5 * std::cos(std::numbers::pi * x / kTaps) +
                         0.08 * std::cos(2.0 * std::numbers::pi * x / kTaps);
        table[static_cast<std::size_t>(k)] = cutoff * sinc * w;
    }
    return table;
}

double KernelAt(const std::vector<double>& table, double distance) {
    const double at = std::abs(distance) * kPhases;
    const auto k = static_cast<std::size_t>(at);
    const double f = at - static_cast<double>(k);
    return table[k] + (table[k + 1] - table[k]) * f;
}

} // namespace

Mono ChangeSpeed(const Mono& in, int inRate, double speed, double waverHz, double waverDepth) {
    if (inRate <= 0 || speed <= 0.0 || std::abs(waverDepth) >= 1.0) {
        throw std::invalid_argument("ChangeSpeed: the speed must stay above zero");
    }
    const double baseStep = static_cast<double>(inRate) / kSampleRate * speed;
    const double maxStep = baseStep * (1.0 + std::abs(waverDepth));
    const std::vector<double> table = Kernel(kPassband * std::min(1.0, 1.0 / maxStep));
    const auto length = static_cast<double>(in.size());
    Mono out;
    out.reserve(static_cast<std::size_t>(length / baseStep) + 16);
    double pos = 0.0;
    for (std::size_t i = 0; pos < length; ++i) {
        const auto i0 = static_cast<long>(std::floor(pos));
        double sum = 0.0;
        for (long j = i0 - kTaps + 1; j <= i0 + kTaps; ++j) {
            if (j >= 0 && j < static_cast<long>(in.size())) {
                sum += in[static_cast<std::size_t>(j)] * KernelAt(table, pos - static_cast<double>(j));
            }
        }
        out.push_back(static_cast<float>(sum));
        const double t = static_cast<double>(i) / kSampleRate;
        pos += baseStep * (1.0 + waverDepth * std::sin(2.0 * std::numbers::pi * waverHz * t));
    }
    return out;
}

Mono ShiftPitch(const Mono& in, double ratio, double grainSeconds) {
    if (ratio <= 0.0 || grainSeconds <= 0.0) {
        throw std::invalid_argument("ShiftPitch: ratio and grain must be above zero");
    }
    const double grain = grainSeconds * kSampleRate;
    const double rate = (1.0 - ratio) / grain;
    const auto read = [&](double at) {
        if (at < 0.0) {
            return 0.0;
        }
        const auto k = static_cast<std::size_t>(at);
        const double f = at - static_cast<double>(k);
        const double a = in[k], b = k + 1 < in.size() ? in[k + 1] : 0.0;
        return a + (b - a) * f;
    };
    Mono out(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        double sum = 0.0;
        for (double offset : {0.0, 0.5}) {
            double phase = offset + rate * static_cast<double>(i);
            phase -= std::floor(phase);
            const double gain = std::sin(std::numbers::pi * phase);
            sum += gain * gain * read(static_cast<double>(i) - phase * grain);
        }
        out[i] = static_cast<float>(sum);
    }
    return out;
}

Mono Echo(const Mono& in, double delaySeconds, float feedback, float wet, double toneHz, double tailSeconds) {
    const std::size_t delay = std::max<std::size_t>(1, FramesFor(delaySeconds));
    Mono out = in;
    out.resize(in.size() + FramesFor(tailSeconds), 0.0f);
    Mono repeats(out.size(), 0.0f);
    Biquad tone = Biquad::LowPass(toneHz);
    for (std::size_t n = delay; n < out.size(); ++n) {
        const float source = n - delay < in.size() ? in[n - delay] : 0.0f;
        repeats[n] = tone.Process(source + feedback * repeats[n - delay]);
    }
    for (std::size_t n = 0; n < out.size(); ++n) {
        out[n] += wet * repeats[n];
    }
    return out;
}

namespace {

class Comb {
public:
    Comb(std::size_t length, float feedback, float damping)
        : buffer_(length, 0.0f), feedback_(feedback), damping_(damping) {}
    float Process(float in) {
        const float out = buffer_[index_];
        store_ = out * (1.0f - damping_) + store_ * damping_;
        buffer_[index_] = in + store_ * feedback_;
        index_ = index_ + 1 == buffer_.size() ? 0 : index_ + 1;
        return out;
    }

private:
    std::vector<float> buffer_;
    std::size_t index_ = 0;
    float store_ = 0.0f, feedback_, damping_;
};

class AllPass {
public:
    explicit AllPass(std::size_t length) : buffer_(length, 0.0f) {}
    float Process(float in) {
        const float held = buffer_[index_];
        buffer_[index_] = in + held * 0.5f;
        index_ = index_ + 1 == buffer_.size() ? 0 : index_ + 1;
        return held - in;
    }

private:
    std::vector<float> buffer_;
    std::size_t index_ = 0;
};

// Delay lengths in samples at 44.1 kHz: mutually prime-ish so the echoes of
// the combs never line up into a flutter.
constexpr std::array<std::size_t, 8> kCombLengths = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr std::array<std::size_t, 4> kAllPassLengths = {556, 441, 341, 225};
constexpr std::size_t kRightSpread = 23;

struct Room {
    std::vector<Comb> combs;
    std::vector<AllPass> allPasses;

    Room(std::size_t spread, float feedback, float damping) {
        for (std::size_t n : kCombLengths) {
            combs.emplace_back(n + spread, feedback, damping);
        }
        for (std::size_t n : kAllPassLengths) {
            allPasses.emplace_back(n + spread);
        }
    }
    float Process(float in) {
        float sum = 0.0f;
        for (Comb& c : combs) {
            sum += c.Process(in);
        }
        for (AllPass& a : allPasses) {
            sum = a.Process(sum);
        }
        return sum;
    }
};

} // namespace

Stereo Reverb(const Stereo& in, const ReverbSettings& s) {
    const auto feedback = static_cast<float>(0.7 + 0.28 * std::clamp(s.roomSize, 0.0, 1.0));
    const auto damping = static_cast<float>(0.4 * std::clamp(s.damping, 0.0, 1.0));
    Room left(0, feedback, damping), right(kRightSpread, feedback, damping);
    const double wet = 3.0 * s.wet;
    const double wetSame = wet * (s.width / 2.0 + 0.5), wetCross = wet * (1.0 - s.width) / 2.0;
    const std::size_t preDelay = FramesFor(s.preDelay);
    Stereo out;
    out.Resize(in.Frames() + FramesFor(s.tail));
    for (std::size_t i = 0; i < out.Frames(); ++i) {
        float feed = 0.0f;
        if (i >= preDelay && i - preDelay < in.Frames()) {
            feed = (in.left[i - preDelay] + in.right[i - preDelay]) * 0.015f;
        }
        const double l = left.Process(feed), r = right.Process(feed);
        const double dryL = i < in.Frames() ? in.left[i] : 0.0, dryR = i < in.Frames() ? in.right[i] : 0.0;
        out.left[i] = static_cast<float>(l * wetSame + r * wetCross + dryL * s.dry);
        out.right[i] = static_cast<float>(r * wetSame + l * wetCross + dryR * s.dry);
    }
    return out;
}

void Duck(Stereo& s, const Mono& key, double depth, double releaseSeconds) {
    float keyPeak = 0.0f;
    for (float v : key) {
        keyPeak = std::max(keyPeak, std::abs(v));
    }
    if (keyPeak <= 0.0f) {
        return;
    }
    const double fall = std::exp(-1.0 / (std::max(releaseSeconds, 1e-3) * kSampleRate));
    const double full = 0.25 * keyPeak;
    double envelope = 0.0;
    for (std::size_t i = 0; i < s.Frames(); ++i) {
        const double k = i < key.size() ? std::abs(key[i]) : 0.0;
        envelope = std::max(k, envelope * fall);
        const auto gain = static_cast<float>(1.0 - depth * std::min(1.0, envelope / full));
        s.left[i] *= gain;
        s.right[i] *= gain;
    }
}

void HighPass(Mono& m, double hz) {
    Biquad::HighPass(hz).Run(m);
}

void HighPass(Stereo& s, double hz) {
    HighPass(s.left, hz);
    HighPass(s.right, hz);
}

} // namespace morrow::soundgen
