// SPDX-License-Identifier: GPL-3.0-or-later
#include "GameSounds.h"
#include "AudioTestFiles.h"
#include "FakeSoundPlayer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace morrow {
namespace {

using test::FakeSoundPlayer;
using test::TempDir;

// How one of the two preloaded sound files is set up for a test.
enum class Prepared { Present, Missing, Folder };

void Prepare(const TempDir& dir, std::string_view name, Prepared how,
             const std::vector<std::uint8_t>& bytes) {
    const std::string path = dir.File(std::string(name));
    if (how == Prepared::Present) {
        test::WriteFile(path, bytes);
    } else if (how == Prepared::Folder) {
        std::filesystem::create_directory(path);
    }
}

// LoadSounds reads both files whole, reports the first failure with its
// text, and never goes on to the second file after the first has failed.
TEST(GameSoundsTest, LoadSoundsReadsBothFilesOrReportsTheFirstFailure) {
    struct Case {
        Prepared reelStop;
        Prepared countTick;
        std::optional<std::string_view> message;
        std::vector<std::string> imagesTaken;
    };
    const Case cases[] = {
        {Prepared::Present, Prepared::Present, std::nullopt, {"Morrow0.wav", "Morrow3.wav"}},
        {Prepared::Missing, Prepared::Present, kFileNotFoundText, {}},
        {Prepared::Folder, Prepared::Present, kFileAccessDeniedText, {}},
        {Prepared::Present, Prepared::Missing, kFileNotFoundText, {"Morrow0.wav"}},
    };
    const std::vector<std::uint8_t> reelStop = test::ToneWav(20);
    const std::vector<std::uint8_t> countTick = test::ToneWav(30);
    for (const Case& c : cases) {
        TempDir dir;
        Prepare(dir, kReelStopFile, c.reelStop, reelStop);
        Prepare(dir, kCountTickFile, c.countTick, countTick);
        GameSession session;
        session.ProgramDir = dir.ProgramDir();
        FakeSoundPlayer player;
        GameSounds sounds(session, player);

        const std::optional<std::string> message = sounds.LoadSounds();
        EXPECT_EQ(message, c.message ? std::optional<std::string>(*c.message) : std::nullopt);
        std::vector<std::string> taken;
        for (const FakeSoundPlayer::Image& image : player.images) {
            taken.push_back(image.name);
            EXPECT_EQ(image.bytes, image.name == kReelStopFile ? reelStop : countTick)
                << image.name << " must be handed over whole, byte for byte";
        }
        EXPECT_EQ(taken, c.imagesTaken);

        // A sound that could not be read stays silent; the other still plays.
        sounds.PlayReelStop();
        sounds.PlayCountTick();
        std::vector<std::string> expectedPlays;
        for (const std::string& name : c.imagesTaken) {
            expectedPlays.push_back(name + " memory");
        }
        EXPECT_EQ(player.plays, expectedPlays);
    }
}

// A file of gigabytes in a sound's place (sparse: it takes no disk) is
// refused before memory is taken for it; a file whose size promises more
// than can be read (a kernel status file reports a whole page) is a short
// read, not a success.
TEST(GameSoundsTest, HugeFilesAndShortReadsAreRefused) {
    TempDir dir;
    const std::string huge = dir.File("Huge.wav");
    std::ofstream(huge).close();
    std::filesystem::resize_file(huge, 4ull << 30);
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(ReadWholeFile(huge, bytes), FileReadError::AccessDenied);

    const std::string shortFile = "/sys/devices/system/cpu/online";
    if (!std::filesystem::is_regular_file(shortFile)) {
        GTEST_SKIP() << shortFile << " is not available here";
    }
    EXPECT_EQ(ReadWholeFile(shortFile, bytes), FileReadError::ReadBeyondEnd);
    EXPECT_TRUE(bytes.empty()) << "a short read must not leave a partial image behind";
}

// Every operation plays its own file from the program directory, waiting
// where the game waits; with sound off none plays, not even a waited one.
TEST(GameSoundsTest, EachOperationPlaysItsFileOnlyWithSoundOn) {
    TempDir dir;
    test::WriteFile(dir.File("Morrow0.wav"), test::ToneWav(10));
    test::WriteFile(dir.File("Morrow3.wav"), test::ToneWav(10));
    GameSession session;
    session.ProgramDir = dir.ProgramDir();
    FakeSoundPlayer player;
    GameSounds sounds(session, player);
    ASSERT_EQ(sounds.LoadSounds(), std::nullopt);

    const auto playAll = [&sounds] {
        sounds.PlayReelStop();
        sounds.PlayCoin();
        sounds.PlayNoNudge();
        sounds.PlayCountTick();
        sounds.PlayWinSound(0, SoundWait::WaitForEnd);
        sounds.PlayWinSound(8, SoundWait::WaitForEnd);
        sounds.PlayWinSound(5, SoundWait::NoWait);
        sounds.PlayWinSound(9, SoundWait::WaitForEnd); // no such sound
        sounds.PlayTrickOrTreat();
        sounds.PlayWelcome();
        sounds.PlayGoodbye();
    };
    playAll();
    EXPECT_EQ(player.plays,
              (std::vector<std::string>{"Morrow0.wav memory", "Morrow1.wav", "Morrow2.wav wait",
                                        "Morrow3.wav memory", "MorWin0.wav wait", "MorWin8.wav wait",
                                        "MorWin5.wav", "Tort.wav", "Welcome.wav", "Goodbye.wav"}));

    for (const std::string& path : player.filePaths) {
        EXPECT_TRUE(path.starts_with(dir.ProgramDir())) << path << " is not in the program directory";
    }

    player.plays.clear();
    session.SoundOn = false;
    playAll();
    EXPECT_TRUE(player.plays.empty()) << "sound is off, yet " << player.plays.size() << " sounds played";
}

} // namespace
} // namespace morrow
