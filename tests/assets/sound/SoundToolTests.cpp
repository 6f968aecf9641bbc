// The measures and effects every sound is built on: the loudness meter that
// sets their levels, the normaliser's ceiling, the speed change the voices go
// through, and the WAV writer's failure path.
#include "Effects.h"
#include "SoundSet.h"
#include "Wave.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <stdexcept>

using namespace morrow::soundgen;

namespace {

Mono Sine(double hz, double seconds, double amplitude, int rate = kSampleRate) {
    Mono m(static_cast<std::size_t>(seconds * rate));
    for (std::size_t i = 0; i < m.size(); ++i) {
        m[i] = static_cast<float>(amplitude *
                                  std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / rate));
    }
    return m;
}

// Amplitude of the component at hz (Goertzel over a Hann window).
double AmplitudeAt(const Mono& m, double hz) {
    const double w = 2.0 * std::numbers::pi * hz / kSampleRate, c = 2.0 * std::cos(w);
    double s1 = 0, s2 = 0, windowSum = 0;
    const auto n = static_cast<double>(m.size());
    for (std::size_t i = 0; i < m.size(); ++i) {
        const double win = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) / n);
        windowSum += win;
        const double s0 = m[i] * win + c * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - c * s1 * s2;
    return 2.0 * std::sqrt(std::max(power, 0.0)) / windowSum;
}

} // namespace

// A 1 kHz tone at -20 dBFS in both channels reads -20 LUFS, as broadcast
// meters read it; silence and a much quieter passage after it are gated out
// and do not drag the reading down (only the few blocks that straddle the
// end of the tone count, a few hundredths of a dB over ten seconds).
TEST(Loudness, ReadsTheReferenceToneAndGatesOutQuietParts) {
    const Stereo tone = ToStereo(Sine(1000, 10.0, 0.1));
    EXPECT_NEAR(Loudness(tone), -20.0, 0.03);

    Stereo withSilence = tone;
    withSilence.Resize(tone.Frames() * 2);
    EXPECT_NEAR(Loudness(withSilence), -20.0, 0.1) << "silence is not gated out";

    Stereo withMurmur = tone;
    MixInto(withMurmur, ToStereo(Sine(1000, 10.0, 0.001)), tone.Frames());
    EXPECT_NEAR(Loudness(withMurmur), -20.0, 0.1) << "a passage 40 dB down is not gated out";

    EXPECT_TRUE(std::isinf(Loudness(ToStereo(Mono(4410, 0.0f))))) << "silence has a loudness";
}

// Normalising brings a quiet tone to the target, but a click, whose peak
// would cross the ceiling long before it sounded as loud, stops at the
// ceiling.
TEST(Loudness, NormaliseReachesTheTargetBelowTheCeiling) {
    Stereo quiet = ToStereo(Sine(440, 1.0, 0.01));
    Normalise(quiet, -16.0, -1.0);
    EXPECT_NEAR(Loudness(quiet), -16.0, 0.05);

    Mono click(4410, 0.0f);
    click[100] = 0.05f;
    Stereo spike = ToStereo(click);
    Normalise(spike, -16.0, -1.0);
    EXPECT_NEAR(GainToDb(Peak(spike)), -1.0, 0.01) << "the click's peak is not held at the ceiling";
    EXPECT_LT(Loudness(spike), -16.0);
}

// Changing speed moves a tone's pitch and length by the speed, from the
// synthesiser's 22.05 kHz to our 44.1 kHz, without mirror images of the tone;
// a tone pushed above the new Nyquist frequency is filtered out, not folded
// back.
TEST(ChangeSpeed, MovesPitchAndLengthWithoutImagesOrAliases) {
    struct Case {
        double toneHz, speed, expectedHz, imageHz;
    };
    const Case cases[] = {
        {1000, 0.5, 500, 22050 * 0.5 - 500}, // slowed: image of the old rate at 10.5 kHz
        {1000, 0.88, 880, 22050 * 0.88 - 880},
        {10000, 3.0, 0, 44100 - 30000}, // 30 kHz cannot exist at 44.1 kHz: 14.1 kHz would be its alias
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.toneHz << " Hz at speed " << c.speed);
        const Mono in = Sine(c.toneHz, 0.5, 0.5, 22050);
        const Mono out = ChangeSpeed(in, 22050, c.speed);
        EXPECT_NEAR(static_cast<double>(out.size()) / kSampleRate, 0.5 / c.speed, 0.002) << "length";
        if (c.expectedHz > 0) {
            EXPECT_NEAR(AmplitudeAt(out, c.expectedHz), 0.5, 0.01) << "the tone is not at its new pitch";
        }
        EXPECT_LT(AmplitudeAt(out, c.imageHz), 0.5e-3) << "an image or alias above -60 dB";
    }
}

// Writing into a directory that does not exist fails loudly and leaves no
// file behind.
TEST(WriteWav, FailureThrowsAndLeavesNothing) {
    const std::filesystem::path missing =
        std::filesystem::temp_directory_path() / "morrow-sound-no-such-dir" / "x.wav";
    EXPECT_THROW(WriteWav(ToStereo(Sine(440, 0.1, 0.1)), missing), std::runtime_error);
    EXPECT_FALSE(std::filesystem::exists(missing.parent_path()));
}
