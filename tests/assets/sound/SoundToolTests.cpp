// SPDX-License-Identifier: GPL-3.0-or-later
// The measures and effects every sound is built on: the loudness meter that
// sets their levels, the normaliser's ceiling, the speed and pitch changes,
// echo and room the voices go through, the speech synthesiser, the WAV
// writer and reader, and the sound sheet.
#include "Effects.h"
#include "SoundSet.h"
#include "SoundSheet.h"
#include "SoundTestSupport.h"
#include "Speech.h"
#include "Wave.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <stdexcept>
#include <string>

using namespace morrow::soundgen;
using morrow::soundgen::test::Sine;
using morrow::soundgen::test::TempDir;

namespace {

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

double Energy(const Mono& m, std::size_t from, std::size_t to) {
    double e = 0.0;
    for (std::size_t i = from; i < std::min(to, m.size()); ++i) {
        e += static_cast<double>(m[i]) * m[i];
    }
    return e;
}

float PeakIn(const Stereo& s, double from, double to) {
    float p = 0.0f;
    for (std::size_t i = FramesFor(from); i < std::min(FramesFor(to), s.Frames()); ++i) {
        p = std::max({p, std::abs(s.left[i]), std::abs(s.right[i])});
    }
    return p;
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

// Shifting the pitch an octave down keeps the length and halves the tone's
// frequency (counted by its zero crossings), with nothing left at the old
// pitch.
TEST(ShiftPitch, AnOctaveDownKeepsTheLength) {
    const Mono in = Sine(440, 1.0, 0.5);
    const Mono out = ShiftPitch(in, 0.5, 0.045);
    ASSERT_EQ(out.size(), in.size());
    const Mono middle(out.begin() + 4410, out.end() - 4410); // past the first grain
    int crossings = 0;
    for (std::size_t i = 1; i < middle.size(); ++i) {
        crossings += (middle[i - 1] < 0.0f) != (middle[i] < 0.0f) ? 1 : 0;
    }
    const double hz = crossings / 2.0 / (static_cast<double>(middle.size()) / kSampleRate);
    EXPECT_NEAR(hz, 220.0, 15.0);
    EXPECT_LT(AmplitudeAt(middle, 440), 0.01) << "the old pitch is still there";
}

// Each repeat of an echo comes exactly one delay after the one before, the
// first at the wet level and every further one quieter by the feedback, with
// silence in between.
TEST(Echo, RepeatsOneDelayApartDyingByTheFeedback) {
    Mono impulse(4410, 0.0f);
    impulse[0] = 0.5f;
    const Mono out = Echo(impulse, 0.1, 0.5f, 0.5f, 20000.0, 0.5);
    EXPECT_EQ(out.size(), impulse.size() + FramesFor(0.5));
    const std::size_t delay = FramesFor(0.1);
    std::vector<double> repeats;
    for (std::size_t k = 0; k < 4; ++k) {
        repeats.push_back(Energy(out, k * delay, k * delay + 200));
        EXPECT_LT(Energy(out, k * delay + 300, (k + 1) * delay), 1e-9) << "sound between repeats " << k;
    }
    EXPECT_NEAR(repeats[1] / repeats[0], 0.25, 0.25 * 0.15) << "first repeat not at the wet level";
    for (std::size_t k = 2; k < repeats.size(); ++k) {
        EXPECT_NEAR(repeats[k] / repeats[k - 1], 0.25, 0.25 * 0.15) << "repeat " << k;
    }
}

// The largest room the jingles use dies away (more than 40 dB down 3.5 s
// after a click), and with no room level the direct sound passes
// untouched, followed by silence.
TEST(Reverb, DiesAwayAndPassesTheDirectSound) {
    Stereo click;
    click.Resize(4410);
    click.left[0] = click.right[0] = 0.5f;
    ReverbSettings hall;
    hall.roomSize = 0.88;
    hall.wet = 0.3;
    hall.tail = 4.0;
    const Stereo ringing = Reverb(click, hall);
    EXPECT_GT(PeakIn(ringing, 0.05, 0.5), 0.005f) << "the room does not answer";
    EXPECT_LT(PeakIn(ringing, 3.5, 4.1), 0.01f * PeakIn(ringing, 0.05, 0.5)) << "the room does not die away";

    hall.wet = 0.0;
    const Stereo dry = Reverb(click, hall);
    EXPECT_EQ(dry.left[0], 0.5f);
    EXPECT_EQ(PeakIn(dry, 1.0 / kSampleRate, 4.1), 0.0f) << "sound without a room";
}

// The synthesiser speaks a short line in a plausible time and with real
// energy, the same samples every time; an unknown voice is an error, not
// silence or another voice.
TEST(Speaker, SpeaksAndRefusesWhatItCannotDo) {
    const Speaker speaker;
    const Speech line = speaker.Say("Trick or treat!", {kNaturalVoice, 1.0});
    ASSERT_GT(line.rate, 0);
    const double seconds = static_cast<double>(line.samples.size()) / line.rate;
    EXPECT_GT(seconds, 0.5);
    EXPECT_LT(seconds, 2.5);
    EXPECT_GT(Energy(line.samples, 0, line.samples.size()) / static_cast<double>(line.samples.size()), 1e-4)
        << "hardly audible";
    EXPECT_GT(speaker.Say("Trick or treat!", {kNaturalVoice, 0.8}).samples.size(),
              static_cast<double>(line.samples.size()) * 1.15)
        << "a slower pace is not slower";
    EXPECT_THROW(speaker.Say("Boo", {"no_such_voice", 1.0}), std::runtime_error);
}

// A sound written and read back keeps every sample to within one step of
// 16-bit PCM with its channels in order; samples beyond full scale are held
// at full scale, never wrapped round to the other sign.
TEST(WriteWav, RoundTripKeepsSamplesAndClampsOverload) {
    const TempDir dir;
    Stereo s{Sine(440, 0.2, 0.5), Sine(660, 0.2, -0.25)};
    s.left[10] = 1.5f;
    s.right[11] = -1.5f;
    WriteWav(s, dir.Path() / "x.wav");
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "x.wav.part")) << "temporary file left behind";
    const Stereo back = ReadWav(dir.Path() / "x.wav");
    ASSERT_EQ(back.Frames(), s.Frames());
    EXPECT_GT(back.left[10], 0.999f);
    EXPECT_LT(back.right[11], -0.999f);
    for (std::size_t i = 0; i < s.Frames(); ++i) {
        if (i != 10 && i != 11) {
            ASSERT_NEAR(back.left[i], s.left[i], 1.0 / 32767) << "left, frame " << i;
            ASSERT_NEAR(back.right[i], s.right[i], 1.0 / 32767) << "right, frame " << i;
        }
    }
}

// The sound sheet lists every sound of the game, with the length of each one
// found, names the missing ones and then reports failure.
TEST(SoundSheet, ListsEverySoundAndFailsOnAMissingOne) {
    const TempDir dir;
    WriteWav(ToStereo(Sine(3000, 0.045, 0.3)), dir.Path() / "Morrow3.wav");
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&text, &size);
    ASSERT_NE(out, nullptr);
    const int status = PrintSoundSheet(dir.Path(), Playback::ListOnly, out);
    std::fclose(out);
    const std::string sheet(text, size);
    std::free(text);

    EXPECT_EQ(status, 1) << "missing files not reported as a failure";
    for (const SoundRecipe& r : SoundRecipes()) {
        const std::string name = r.name;
        const std::size_t line = sheet.find("\n" + name + " ");
        ASSERT_NE(line, std::string::npos) << name << " not listed";
        const std::string row = sheet.substr(line + 1, sheet.find('\n', line + 1) - line - 1);
        if (name == "Morrow3.wav") {
            EXPECT_NE(row.find(" 45 ms "), std::string::npos) << "length not listed: " << row;
        } else {
            EXPECT_NE(row.find("missing"), std::string::npos) << "not named as missing: " << row;
        }
    }
}
