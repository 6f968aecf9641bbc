#include "MixerSoundPlayer.h"
#include "AudioDevice.h"
#include "AudioTestFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace morrow {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

milliseconds Since(Clock::time_point start) {
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

// The real player on the output the suite gives it (SDL's dummy driver, which
// plays in real time to within a few per cent, in buffers of 11.6 ms), with
// tone files of known lengths.
class MixerSoundPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device_.WaitUntilOpen(milliseconds(2000)))
            << "no sound output, not even the dummy driver";
        test::WriteFile(dir_.File("long.wav"), test::ToneWav(1500));
        test::WriteFile(dir_.File("short.wav"), test::ToneWav(300));
    }

    test::TempDir dir_;
    AudioDevice device_;
    MixerSoundPlayer player_{device_};
};

// A waited sound returns after its length, not before and not much later.
TEST_F(MixerSoundPlayerTest, AWaitedSoundReturnsAfterItsLength) {
    const auto start = Clock::now();
    player_.PlayFile(dir_.File("short.wav"), SoundWait::WaitForEnd);
    const milliseconds took = Since(start);
    EXPECT_GE(took.count(), 240) << "returned before the 300 ms sound was over";
    EXPECT_LE(took.count(), 600) << "kept the game waiting long after the 300 ms sound";
    EXPECT_FALSE(player_.IsPlaying());
}

// One sound at a time: a new sound cuts off the one still playing, so waiting
// for the new one takes its own length only and then all is quiet.
TEST_F(MixerSoundPlayerTest, ANewSoundCutsOffTheOnePlaying) {
    player_.PlayFile(dir_.File("long.wav"), SoundWait::NoWait);
    EXPECT_TRUE(player_.IsPlaying());
    const auto start = Clock::now();
    player_.PlayFile(dir_.File("short.wav"), SoundWait::WaitForEnd);
    EXPECT_LE(Since(start).count(), 600)
        << "the waited sound lasted as long as the one it should have cut off";
    EXPECT_TRUE(player_.WaitUntilQuiet(milliseconds(0))) << "the first sound kept playing under the second";

    // A missing file is silent, and it still replaces what was playing.
    player_.PlayFile(dir_.File("long.wav"), SoundWait::NoWait);
    const auto missingStart = Clock::now();
    player_.PlayFile(dir_.File("missing.wav"), SoundWait::WaitForEnd);
    EXPECT_LE(Since(missingStart).count(), 100) << "waiting for a missing sound must not wait";
    EXPECT_FALSE(player_.IsPlaying());
}

// A memory image is the player's own copy: it plays with the caller's bytes
// and the file both gone, and a damaged image is merely silent.
TEST_F(MixerSoundPlayerTest, AMemoryImagePlaysAfterItsFileAndBytesAreGone) {
    auto bytes = std::make_unique<std::vector<std::uint8_t>>(test::ToneWav(400));
    const SoundImage image = player_.AddImage("tone.wav", *bytes);
    bytes.reset();
    std::filesystem::remove(dir_.File("short.wav"));

    const auto start = Clock::now();
    player_.PlayImage(image);
    EXPECT_TRUE(player_.IsPlaying()) << "the image did not start";
    EXPECT_TRUE(player_.WaitUntilQuiet(milliseconds(2000)));
    EXPECT_GE(Since(start).count(), 320) << "the 400 ms image did not play its whole length";

    const std::vector<std::uint8_t> damaged{'R', 'I', 'F', 'F', 0, 1, 2};
    const SoundImage broken = player_.AddImage("damaged.wav", damaged);
    player_.PlayImage(broken);
    player_.PlayImage(SoundImage{99});
    EXPECT_FALSE(player_.IsPlaying());
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
