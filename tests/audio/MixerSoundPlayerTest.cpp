// SPDX-License-Identifier: GPL-3.0-or-later
#include "MixerSoundPlayer.h"
#include "AudioDevice.h"
#include "AudioTestFiles.h"
#include "engine/FakeGameHost.h"

#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace morrow {
namespace {

using std::chrono::milliseconds;

// Frames the output has mixed, counted on the audio thread: the sound's own
// time, which a busy machine cannot stretch as it stretches the wall clock.
std::atomic<long long> gFramesMixed{0};

void CountFrames(void* /*unused*/, Uint8* /*stream*/, int length) {
    gFramesMixed += length / 4; // 16-bit stereo
}

// The real player on the output the suite gives it (SDL's dummy driver, in
// buffers of 11.6 ms), with tone files of known lengths. Lengths are measured
// in the frames the output mixed.
class MixerSoundPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device_.WaitUntilOpen(milliseconds(2000)))
            << "no sound output, not even the dummy driver";
        test::WriteFile(dir_.File("long.wav"), test::ToneWav(1500));
        test::WriteFile(dir_.File("short.wav"), test::ToneWav(300));
        Mix_SetPostMix(&CountFrames, nullptr);
    }
    void TearDown() override { Mix_SetPostMix(nullptr, nullptr); }

    void StartCounting() { gFramesMixed = 0; }
    // Milliseconds of output mixed since StartCounting.
    double MixedMilliseconds() {
        return 1000.0 * static_cast<double>(gFramesMixed.load()) / device_.SampleRate();
    }

    test::TempDir dir_;
    AudioDevice device_;
    MixerSoundPlayer player_{device_};
};

// A waited sound returns after its length, not before and not much later.
TEST_F(MixerSoundPlayerTest, AWaitedSoundReturnsAfterItsLength) {
    StartCounting();
    player_.PlayFile(dir_.File("short.wav"), SoundWait::WaitForEnd);
    const double took = MixedMilliseconds();
    EXPECT_GE(took, 290.0) << "returned before the 300 ms sound was over";
    EXPECT_LE(took, 1000.0) << "kept the game waiting long after the 300 ms sound";
    EXPECT_FALSE(player_.IsPlaying());
}

// One sound at a time: a new sound cuts off the one still playing, so waiting
// for the new one takes its own length only and then all is quiet.
TEST_F(MixerSoundPlayerTest, ANewSoundCutsOffTheOnePlaying) {
    player_.PlayFile(dir_.File("long.wav"), SoundWait::NoWait);
    EXPECT_TRUE(player_.IsPlaying());
    StartCounting();
    player_.PlayFile(dir_.File("short.wav"), SoundWait::WaitForEnd);
    EXPECT_LT(MixedMilliseconds(), 1400.0)
        << "the waited sound lasted as long as the one it should have cut off";
    EXPECT_TRUE(player_.WaitUntilQuiet(milliseconds(0))) << "the first sound kept playing under the second";

    // A missing file is silent, and it still replaces what was playing.
    player_.PlayFile(dir_.File("long.wav"), SoundWait::NoWait);
    player_.PlayFile(dir_.File("missing.wav"), SoundWait::WaitForEnd);
    EXPECT_FALSE(player_.IsPlaying()) << "waiting for a missing sound must not wait";
}

// An output that stops taking samples never ends a waited sound: the wait
// ends at the sound's length and a second more, on the player's clock, and
// the sound is cut off so that the game goes on in quiet.
TEST_F(MixerSoundPlayerTest, AWaitedSoundOnAStalledOutputIsCutOffAfterItsBound) {
    struct StallingClock final : test::FakeTimers {
        bool stalled = false;
        void Sleep(std::chrono::microseconds span) override {
            if (!stalled) {
                Mix_Pause(-1); // the output stalls: the sound stays "playing"
                stalled = true;
            }
            now += span.count();
        }
    } clock;
    MixerSoundPlayer player(device_, &clock);
    player.PlayFile(dir_.File("short.wav"), SoundWait::WaitForEnd);
    const auto waited = std::chrono::duration_cast<milliseconds>(std::chrono::microseconds(clock.now));
    Mix_Resume(-1);
    ASSERT_TRUE(clock.stalled);
    EXPECT_GE(waited, milliseconds(300) + MixerSoundPlayer::kWaitedSoundSlack);
    EXPECT_LE(waited, milliseconds(310) + MixerSoundPlayer::kWaitedSoundSlack);
    EXPECT_FALSE(player.IsPlaying()) << "the stalled sound was left to play on";
}

// A memory image is the player's own copy: it plays with the caller's bytes
// and the file both gone, and a damaged image is merely silent.
TEST_F(MixerSoundPlayerTest, AMemoryImagePlaysAfterItsFileAndBytesAreGone) {
    auto bytes = std::make_unique<std::vector<std::uint8_t>>(test::ToneWav(400));
    const SoundImage image = player_.AddImage("tone.wav", *bytes);
    bytes.reset();
    std::filesystem::remove(dir_.File("short.wav"));

    StartCounting();
    player_.PlayImage(image);
    EXPECT_TRUE(player_.IsPlaying()) << "the image did not start";
    EXPECT_TRUE(player_.WaitUntilQuiet(milliseconds(10000)));
    EXPECT_GE(MixedMilliseconds(), 390.0) << "the 400 ms image did not play its whole length";

    const std::vector<std::uint8_t> damaged{'R', 'I', 'F', 'F', 0, 1, 2};
    const SoundImage broken = player_.AddImage("damaged.wav", damaged);
    player_.PlayImage(broken);
    player_.PlayImage(SoundImage{99});
    EXPECT_FALSE(player_.IsPlaying());
}

// A resting output has its device closed; the next sound opens it again in
// the format it had, with its one channel, and an image decoded before plays.
TEST_F(MixerSoundPlayerTest, ARestingOutputOpensAgainForTheNextSound) {
    const SoundImage image = player_.AddImage("tone.wav", test::ToneWav(200));
    const int rate = device_.SampleRate();
    ASSERT_TRUE(device_.Rest());
    EXPECT_FALSE(device_.Rest());
    EXPECT_EQ(Mix_QuerySpec(nullptr, nullptr, nullptr), 0) << "the device stayed open";
    EXPECT_FALSE(player_.IsPlaying());
    StartCounting();
    player_.PlayImage(image);
    EXPECT_TRUE(player_.IsPlaying() && !device_.Resting());
    EXPECT_EQ(Mix_AllocateChannels(-1), 1);
    EXPECT_TRUE(player_.WaitUntilQuiet(milliseconds(10000)));
    EXPECT_GE(MixedMilliseconds(), 190.0) << "the image did not play its whole length";
    EXPECT_EQ(device_.SampleRate(), rate);
    EXPECT_EQ(device_.FormatGeneration(), 0);
}

// A driver that cannot be opened (here one that does not exist, even when
// the environment insists on it) gives way to the silent dummy driver.
TEST(AudioDeviceTest, FallsBackToTheDummyDriver) {
    const char* previous = std::getenv("SDL_AUDIODRIVER");
    const std::string saved = previous ? previous : "";
    ::setenv("SDL_AUDIODRIVER", "nosuchdriver", 1);
    {
        AudioDevice device;
        EXPECT_TRUE(device.WaitUntilOpen(milliseconds(2000)));
        EXPECT_EQ(device.DriverName(), "dummy");
        EXPECT_GT(device.SampleRate(), 0);
    }
    if (previous) {
        ::setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
    } else {
        ::unsetenv("SDL_AUDIODRIVER");
    }
}

} // namespace
} // namespace morrow
