// SPDX-License-Identifier: GPL-3.0-or-later
#include "Wave.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace morrow::soundgen {

void Stereo::Resize(std::size_t frames) {
    left.resize(frames, 0.0f);
    right.resize(frames, 0.0f);
}

std::size_t FramesFor(double seconds) {
    return seconds <= 0.0 ? 0 : static_cast<std::size_t>(std::lround(seconds * kSampleRate));
}

void MixInto(Mono& dst, const Mono& src, std::size_t at, float gain) {
    if (dst.size() < at + src.size()) {
        dst.resize(at + src.size(), 0.0f);
    }
    for (std::size_t i = 0; i < src.size(); ++i) {
        dst[at + i] += src[i] * gain;
    }
}

void MixInto(Stereo& dst, const Mono& src, std::size_t at, float gain, float pan) {
    const double angle = (std::clamp(pan, -1.0f, 1.0f) + 1.0) * std::numbers::pi / 4.0;
    // Equal power: centre gives 1/sqrt(2) to each side. Scaled by sqrt(2) so a
    // centred source keeps its level in each channel.
    const auto l = static_cast<float>(std::cos(angle) * std::numbers::sqrt2);
    const auto r = static_cast<float>(std::sin(angle) * std::numbers::sqrt2);
    if (dst.Frames() < at + src.size()) {
        dst.Resize(at + src.size());
    }
    for (std::size_t i = 0; i < src.size(); ++i) {
        dst.left[at + i] += src[i] * gain * l;
        dst.right[at + i] += src[i] * gain * r;
    }
}

void MixInto(Stereo& dst, const Stereo& src, std::size_t at, float gain) {
    MixInto(dst.left, src.left, at, gain);
    MixInto(dst.right, src.right, at, gain);
    dst.Resize(std::max(dst.left.size(), dst.right.size()));
}

Stereo ToStereo(const Mono& m) {
    return Stereo{m, m};
}

namespace {

void Fade(Stereo& s, double seconds, bool in) {
    const std::size_t n = std::min(FramesFor(seconds), s.Frames());
    if (n == 0) {
        return;
    }
    for (std::size_t i = 0; i < n; ++i) {
        // 0 at the silent end, 1 where the fade meets the untouched sound.
        const double x = static_cast<double>(i) / static_cast<double>(n);
        const auto g = static_cast<float>(0.5 - 0.5 * std::cos(std::numbers::pi * x));
        const std::size_t at = in ? i : s.Frames() - 1 - i;
        s.left[at] *= g;
        s.right[at] *= g;
    }
}

} // namespace

void FadeIn(Stereo& s, double seconds) {
    Fade(s, seconds, true);
}

void FadeOut(Stereo& s, double seconds) {
    Fade(s, seconds, false);
}

void TrimTail(Stereo& s, float threshold, double keepSeconds) {
    std::size_t last = 0;
    for (std::size_t i = 0; i < s.Frames(); ++i) {
        if (std::abs(s.left[i]) > threshold || std::abs(s.right[i]) > threshold) {
            last = i;
        }
    }
    s.Resize(std::min(s.Frames(), last + 1 + FramesFor(keepSeconds)));
}

float Peak(const Stereo& s) {
    float peak = 0.0f;
    for (std::size_t i = 0; i < s.Frames(); ++i) {
        peak = std::max({peak, std::abs(s.left[i]), std::abs(s.right[i])});
    }
    return peak;
}

double Rms(const Stereo& s) {
    if (s.Frames() == 0) {
        return 0.0;
    }
    double sum = 0.0;
    for (std::size_t i = 0; i < s.Frames(); ++i) {
        sum += static_cast<double>(s.left[i]) * s.left[i] + static_cast<double>(s.right[i]) * s.right[i];
    }
    return std::sqrt(sum / (2.0 * static_cast<double>(s.Frames())));
}

namespace {

// A second-order section in direct form I, coefficients normalised by a0.
struct Section {
    double b0, b1, b2, a1, a2;
};

std::vector<double> Filter(std::vector<double> x, const Section& f) {
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (double& v : x) {
        const double x0 = v;
        const double y0 = f.b0 * x0 + f.b1 * x1 + f.b2 * x2 - f.a1 * y1 - f.a2 * y2;
        x2 = x1;
        x1 = x0;
        y2 = y1;
        y1 = y0;
        v = y0;
    }
    return x;
}

// The two stages of the K-weighting curve, from their analogue prototypes by
// the bilinear transform at our sample rate: a high shelf of about +4 dB
// above 1.5 kHz (the head) and a high-pass near 38 Hz. At 48 kHz these give
// the published coefficients of the measurement standard exactly.
Section KShelf() {
    const double f0 = 1681.974450955533, gainDb = 3.999843853973347, q = 0.7071752369554196;
    const double k = std::tan(std::numbers::pi * f0 / kSampleRate);
    const double vh = std::pow(10.0, gainDb / 20.0), vb = std::pow(vh, 0.4996667741545416);
    const double a0 = 1.0 + k / q + k * k;
    return {(vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
            2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
}

Section KHighPass() {
    const double f0 = 38.13547087602444, q = 0.5003270373238773;
    const double k = std::tan(std::numbers::pi * f0 / kSampleRate);
    const double a0 = 1.0 + k / q + k * k;
    return {1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
}

} // namespace

double Loudness(const Stereo& s) {
    const std::size_t n = s.Frames();
    if (n == 0) {
        return -std::numeric_limits<double>::infinity();
    }
    const Section shelf = KShelf(), highPass = KHighPass();
    const auto weighted = [&](const Mono& m) {
        return Filter(Filter(std::vector<double>(m.begin(), m.end()), shelf), highPass);
    };
    const std::vector<double> l = weighted(s.left), r = weighted(s.right);

    // Cumulative energy of both channels, so every block is one subtraction.
    std::vector<double> energy(n + 1, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        energy[i + 1] = energy[i] + l[i] * l[i] + r[i] * r[i];
    }
    const std::size_t block = std::min(n, FramesFor(0.4));
    const std::size_t step = std::max<std::size_t>(1, block / 4);
    std::vector<double> blocks; // mean energy per block
    for (std::size_t start = 0; start + block <= n; start += step) {
        blocks.push_back((energy[start + block] - energy[start]) / static_cast<double>(block));
    }
    const auto lufs = [](double z) { return -0.691 + 10.0 * std::log10(z); };
    const auto gatedMean = [&](double gate, double& mean) {
        double sum = 0.0;
        std::size_t count = 0;
        for (double z : blocks) {
            if (z > 0.0 && lufs(z) > gate) {
                sum += z;
                ++count;
            }
        }
        mean = count == 0 ? 0.0 : sum / static_cast<double>(count);
        return count;
    };
    double mean = 0.0;
    if (gatedMean(-70.0, mean) == 0) {
        return -std::numeric_limits<double>::infinity();
    }
    const double relativeGate = lufs(mean) - 10.0;
    gatedMean(std::max(relativeGate, -70.0), mean);
    return lufs(mean);
}

double DbToGain(double db) {
    return std::pow(10.0, db / 20.0);
}

double GainToDb(double gain) {
    return gain <= 0.0 ? -std::numeric_limits<double>::infinity() : 20.0 * std::log10(gain);
}

double Normalise(Stereo& s, double targetLufs, double ceilingDb) {
    const double loudness = Loudness(s);
    const float peak = Peak(s);
    if (!std::isfinite(loudness) || peak <= 0.0f) {
        return 1.0;
    }
    const double gain = std::min(DbToGain(targetLufs - loudness), DbToGain(ceilingDb) / peak);
    for (std::size_t i = 0; i < s.Frames(); ++i) {
        s.left[i] = static_cast<float>(s.left[i] * gain);
        s.right[i] = static_cast<float>(s.right[i] * gain);
    }
    return gain;
}

std::vector<std::int16_t> ToPcm16(const Stereo& s) {
    std::vector<std::int16_t> out(2 * s.Frames());
    const auto convert = [](float x) {
        const long v = std::lround(static_cast<double>(x) * 32767.0);
        return static_cast<std::int16_t>(std::clamp(v, -32768L, 32767L));
    };
    for (std::size_t i = 0; i < s.Frames(); ++i) {
        out[2 * i] = convert(s.left[i]);
        out[2 * i + 1] = convert(s.right[i]);
    }
    return out;
}

} // namespace morrow::soundgen
