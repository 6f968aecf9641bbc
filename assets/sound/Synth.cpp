// SPDX-License-Identifier: GPL-3.0-or-later
#include "Synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace morrow::soundgen {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kLn1000 = 6.907755278982137; // a fall of 60 dB
constexpr double kHighestPartial = 16000.0;   // partials above are left out

// A sine oscillator of fixed frequency as a rotating unit vector: one complex
// multiplication per sample instead of a sine, renormalised now and then so
// rounding never lets it grow or shrink.
class Phasor {
public:
    Phasor(double hz, double phase)
        : re_(std::cos(phase)), im_(std::sin(phase)), cr_(std::cos(kTwoPi * hz / kSampleRate)),
          ci_(std::sin(kTwoPi * hz / kSampleRate)) {}

    // The sine of the current phase; then one sample on.
    double Next() {
        const double out = im_;
        const double re = re_ * cr_ - im_ * ci_;
        im_ = re_ * ci_ + im_ * cr_;
        re_ = re;
        if (++count_ == 4096) {
            count_ = 0;
            const double norm = std::sqrt(re_ * re_ + im_ * im_);
            re_ /= norm;
            im_ /= norm;
        }
        return out;
    }

private:
    double re_, im_, cr_, ci_;
    int count_ = 0;
};

double Seconds(std::size_t i) {
    return static_cast<double>(i) / kSampleRate;
}

// 0 -> 1 over `length` seconds, raised-cosine shaped.
double Rise(double t, double length) {
    if (t >= length) {
        return 1.0;
    }
    return 0.5 - 0.5 * std::cos(std::numbers::pi * t / length);
}

// 1 until `from`, then down to 0 over `length` seconds.
double Release(double t, double from, double length) {
    if (t <= from) {
        return 1.0;
    }
    if (t >= from + length) {
        return 0.0;
    }
    return 0.5 + 0.5 * std::cos(std::numbers::pi * (t - from) / length);
}

std::uint64_t SeedFor(double hz, double seconds) {
    return static_cast<std::uint64_t>(hz * 1000.0) * 1000003u + static_cast<std::uint64_t>(seconds * 1000.0);
}

} // namespace

Noise::Noise(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) {
    if (state_ == 0) {
        state_ = 0x2545F4914F6CDD1Dull;
    }
}

double Noise::Unit() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    const std::uint64_t r = state_ * 0x2545F4914F6CDD1Dull;
    return static_cast<double>(r >> 11) * (1.0 / 9007199254740992.0);
}

Biquad::Biquad(double b0, double b1, double b2, double a0, double a1, double a2)
    : b0_(b0 / a0), b1_(b1 / a0), b2_(b2 / a0), a1_(a1 / a0), a2_(a2 / a0) {}

Biquad Biquad::LowPass(double hz, double q) {
    const double w = kTwoPi * hz / kSampleRate, c = std::cos(w), alpha = std::sin(w) / (2 * q);
    return Biquad((1 - c) / 2, 1 - c, (1 - c) / 2, 1 + alpha, -2 * c, 1 - alpha);
}

Biquad Biquad::HighPass(double hz, double q) {
    const double w = kTwoPi * hz / kSampleRate, c = std::cos(w), alpha = std::sin(w) / (2 * q);
    return Biquad((1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + alpha, -2 * c, 1 - alpha);
}

Biquad Biquad::BandPass(double hz, double q) {
    const double w = kTwoPi * hz / kSampleRate, c = std::cos(w), alpha = std::sin(w) / (2 * q);
    return Biquad(alpha, 0, -alpha, 1 + alpha, -2 * c, 1 - alpha);
}

Biquad Biquad::Peaking(double hz, double q, double gainDb) {
    const double a = std::pow(10.0, gainDb / 40.0);
    const double w = kTwoPi * hz / kSampleRate, c = std::cos(w), alpha = std::sin(w) / (2 * q);
    return Biquad(1 + alpha * a, -2 * c, 1 - alpha * a, 1 + alpha / a, -2 * c, 1 - alpha / a);
}

float Biquad::Process(float x) {
    const double y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
    x2_ = x1_;
    x1_ = x;
    y2_ = y1_;
    y1_ = y;
    return static_cast<float>(y);
}

void Biquad::Run(Mono& m) {
    for (float& v : m) {
        v = Process(v);
    }
}

double NoteHz(double midi) {
    return 440.0 * std::pow(2.0, (midi - 69.0) / 12.0);
}

Mono DecayingSine(double hz, double t60, float amplitude, double seconds, double phase) {
    Mono out(FramesFor(seconds));
    Phasor osc(hz, phase);
    const double decay = std::exp(-kLn1000 / (t60 * kSampleRate));
    double env = amplitude;
    for (float& v : out) {
        v = static_cast<float>(env * osc.Next());
        env *= decay;
    }
    return out;
}

Mono NoiseBurst(Noise& noise, double seconds, double tau, float amplitude) {
    Mono out(FramesFor(seconds));
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = Seconds(i);
        out[i] = static_cast<float>(amplitude * Rise(t, 0.0003) * std::exp(-t / tau)) * noise.Next();
    }
    return out;
}

// A celesta: struck steel bars over wooden resonators. A frequency-modulated
// sine gives the bright strike that mellows as the bar rings on; the bar's
// second bending mode (2.76 times the fundamental) and a short hammer ping sit
// above it. The damper falls when the key is let go.
Mono Celesta(double hz, double seconds, float velocity) {
    const double t60 = std::clamp(1.8 * std::sqrt(880.0 / hz), 0.35, 2.6);
    constexpr double kDamper = 0.12;
    const double held = std::min(seconds, t60);
    Mono out(FramesFor(held + kDamper));
    const double w = kTwoPi * hz / kSampleRate;
    const bool barMode = hz * 2.756 < kHighestPartial, ping = hz * 5.4 < kHighestPartial;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = Seconds(i), phase = w * static_cast<double>(i);
        const double env = std::exp(-kLn1000 * t / t60) * Rise(t, 0.002) * Release(t, held, kDamper);
        const double index = 1.6 * velocity * std::exp(-t / 0.06) + 0.2;
        double s = std::sin(phase + index * std::sin(phase));
        if (barMode) {
            s += 0.18 * std::sin(2.756 * phase) * std::exp(-t / 0.04);
        }
        if (ping) {
            s += 0.06 * std::sin(5.4 * phase) * std::exp(-t / 0.012);
        }
        out[i] = static_cast<float>(0.5 * velocity * env * s);
    }
    return out;
}

// A church bell: the partials of a tuned bell (hum an octave below the strike
// note, the minor-third tierce that makes bells sound sad, quint, nominal and
// the upper partials), each dying at its own rate, the hum beating slowly
// against a twin. Lower bells ring longer.
Mono Bell(double hz, double seconds, float velocity) {
    struct Partial {
        double ratio;
        float amplitude;
        double t60;
    };
    static constexpr Partial kPartials[] = {
        {0.5, 0.32f, 4.2},  {0.5025, 0.22f, 4.0}, {1.0, 0.55f, 3.0},  {1.189, 0.42f, 2.5},
        {1.5, 0.22f, 1.9},  {2.0, 0.6f, 1.6},     {2.52, 0.25f, 1.1}, {2.66, 0.16f, 1.0},
        {3.01, 0.18f, 0.8}, {4.17, 0.1f, 0.55},   {5.43, 0.07f, 0.4},
    };
    const double scale = std::pow(523.25 / hz, 0.35);
    Mono out(FramesFor(seconds));
    double energy = 0.0;
    for (const Partial& p : kPartials) {
        if (hz * p.ratio >= kHighestPartial) {
            continue;
        }
        const float bright = p.ratio > 2.0 ? 0.6f + 0.4f * velocity : 1.0f;
        MixInto(out, DecayingSine(hz * p.ratio, p.t60 * scale, p.amplitude * bright, seconds), 0);
        energy += static_cast<double>(p.amplitude) * p.amplitude;
    }
    Noise noise(SeedFor(hz, seconds));
    Mono strike = NoiseBurst(noise, 0.02, 0.003, 0.15f);
    Biquad::BandPass(std::min(hz * 6.0, 9000.0), 0.8).Run(strike);
    Biquad::LowPass(7000.0).Run(strike);
    MixInto(out, strike, 0);
    const double gain = 0.5 * velocity / std::sqrt(energy);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = Seconds(i);
        out[i] = static_cast<float>(out[i] * gain * Rise(t, 0.001) * Release(t, seconds - 0.15, 0.15));
    }
    return out;
}

// A pipe organ: every stop a set of harmonic ranks (ratios to the 8-foot
// pitch), with the breathy "chiff" of a pipe speaking, a slight tremulant on
// the quiet stops and, on those, a second rank tuned a few cents sharp whose
// slow beating gives the haunted-chapel shimmer.
Mono Organ(double hz, double seconds, float velocity, OrganStop stop) {
    struct Rank {
        double ratio;
        float amplitude;
    };
    static constexpr Rank kFlute[] = {{1, 1.0f}, {2, 0.3f}, {3, 0.1f}, {4, 0.06f}};
    static constexpr Rank kPrincipal[] = {{1, 1.0f}, {2, 0.55f}, {3, 0.28f}, {4, 0.3f},
                                          {5, 0.1f}, {6, 0.12f}, {8, 0.08f}};
    static constexpr Rank kFull[] = {{0.5, 0.6f}, {1, 1.0f},   {1.5, 0.25f}, {2, 0.75f},
                                     {3, 0.5f},   {4, 0.55f},  {6, 0.35f},   {8, 0.3f},
                                     {10, 0.12f}, {12, 0.15f}, {16, 0.08f}};
    std::vector<Rank> ranks;
    double celeste = 0.0, celesteCents = 0.0, tremulant = 0.0, chiff = 0.0, attack = 0.035;
    switch (stop) {
    case OrganStop::Flute:
        ranks.assign(std::begin(kFlute), std::end(kFlute));
        celeste = 0.6;
        celesteCents = 4.0;
        tremulant = 0.05;
        chiff = 0.12;
        break;
    case OrganStop::Principal:
        ranks.assign(std::begin(kPrincipal), std::end(kPrincipal));
        celeste = 0.35;
        celesteCents = 3.0;
        tremulant = 0.04;
        chiff = 0.1;
        break;
    case OrganStop::Full:
        ranks.assign(std::begin(kFull), std::end(kFull));
        chiff = 0.06;
        attack = 0.045;
        break;
    }
    constexpr double kRelease = 0.18;
    Mono out(FramesFor(seconds + kRelease));
    Noise noise(SeedFor(hz, seconds) + static_cast<std::uint64_t>(stop));
    double energy = 0.0;
    for (const Rank& r : ranks) {
        const double f = hz * r.ratio;
        if (f >= kHighestPartial) {
            continue;
        }
        // Pipes above a few kHz are quieter; keep the top from going shrill.
        const double a = r.amplitude * std::min(1.0, 6000.0 / f);
        energy += a * a * (1.0 + celeste * celeste);
        MixInto(out, DecayingSine(f, 1e9, static_cast<float>(a), seconds + kRelease, kTwoPi * noise.Unit()),
                0);
        if (celeste > 0.0) {
            const double sharp = f * std::pow(2.0, celesteCents / 1200.0);
            MixInto(out,
                    DecayingSine(sharp, 1e9, static_cast<float>(a * celeste), seconds + kRelease,
                                 kTwoPi * noise.Unit()),
                    0);
        }
    }
    if (energy == 0.0) {
        return out; // every rank above hearing
    }
    Mono breath = NoiseBurst(noise, 0.08, 0.012, static_cast<float>(chiff * std::sqrt(energy)));
    Biquad::BandPass(std::min(hz * 3.0, 8000.0), 6.0).Run(breath);
    MixInto(out, breath, 0);
    const double gain = 0.5 * velocity / std::sqrt(energy);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = Seconds(i);
        const double wobble = 1.0 + tremulant * std::sin(kTwoPi * 5.3 * t);
        out[i] = static_cast<float>(out[i] * gain * wobble * Rise(t, attack) * Release(t, seconds, kRelease));
    }
    return out;
}

Stereo PlayNotes(const std::vector<Note>& notes) {
    Stereo out;
    for (const Note& n : notes) {
        const double hz = NoteHz(n.midi);
        Mono sound;
        switch (n.instrument) {
        case Instrument::Celesta:
            sound = Celesta(hz, n.seconds, n.velocity);
            break;
        case Instrument::Bell:
            sound = Bell(hz, n.seconds, n.velocity);
            break;
        case Instrument::OrganFlute:
            sound = Organ(hz, n.seconds, n.velocity, OrganStop::Flute);
            break;
        case Instrument::OrganPrincipal:
            sound = Organ(hz, n.seconds, n.velocity, OrganStop::Principal);
            break;
        case Instrument::OrganFull:
            sound = Organ(hz, n.seconds, n.velocity, OrganStop::Full);
            break;
        }
        MixInto(out, sound, FramesFor(n.at), 1.0f, n.pan);
    }
    return out;
}

} // namespace morrow::soundgen
