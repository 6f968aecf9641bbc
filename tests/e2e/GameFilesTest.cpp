// SPDX-License-Identifier: GPL-3.0-or-later
// The real game in a virtual X server against the files around it: a save
// the system refuses when the window closes (a full disk, a read-only file
// system, a second copy stopped while it holds the record's lock), and files
// a player has put in the program directory (their own music, a cut-off
// piece or sound, a picture whose header lies).

#include "GameRig.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <thread>

namespace morrow::e2e {
namespace {

using Bytes = std::vector<std::uint8_t>;

void WriteBytes(const std::filesystem::path& file, const Bytes& bytes) {
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Runs its action when it goes, so a failed check leaves no mount behind.
struct Undo {
    std::function<void()> action;
    ~Undo() {
        if (action) {
            action();
        }
    }
};

// Standard MIDI files of our own, written out byte by byte.
void Put32(Bytes& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(v >> shift));
    }
}

Bytes Chunk(const char* id, const Bytes& body) {
    Bytes out(id, id + 4);
    Put32(out, static_cast<std::uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Bytes Header(int format, int tracks) {
    return Chunk("MThd", {0, static_cast<std::uint8_t>(format), 0, static_cast<std::uint8_t>(tracks), 0, 96});
}

// Tempo 120, a General MIDI reset by sysex, then a tempo change halfway.
const Bytes kTempoAndSysex{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xF0, 0x05, 0x7E, 0x7F,
                           0x09, 0x01, 0xF7, 0x83, 0x00, 0xFF, 0x51, 0x03, 0x04, 0x93, 0xE0};
const Bytes kEndOfTrack{0x00, 0xFF, 0x2F, 0x00};

// Eight notes of `channel`, all but the first in running status (a note-on
// of velocity 0 ends a note), about three seconds in all.
Bytes Melody(int channel, int program) {
    Bytes t{0x00, static_cast<std::uint8_t>(0xC0 | channel), static_cast<std::uint8_t>(program),
            0x00, static_cast<std::uint8_t>(0x90 | channel), 60,
            100};
    for (int n = 0; n < 8; ++n) {
        const std::uint8_t key = static_cast<std::uint8_t>(60 + 2 * n);
        if (n > 0) {
            t.insert(t.end(), {0x00, key, 100});
        }
        t.insert(t.end(), {0x60, key, 0x00});
    }
    return t;
}

Bytes TypeZeroPiece() {
    Bytes track = kTempoAndSysex;
    const Bytes tune = Melody(0, 19);
    track.insert(track.end(), tune.begin(), tune.end());
    track.insert(track.end(), kEndOfTrack.begin(), kEndOfTrack.end());
    Bytes file = Header(0, 1);
    const Bytes chunk = Chunk("MTrk", track);
    file.insert(file.end(), chunk.begin(), chunk.end());
    return file;
}

Bytes TypeOnePiece() {
    Bytes file = Header(1, 3);
    Bytes tempo = kTempoAndSysex;
    tempo.insert(tempo.end(), kEndOfTrack.begin(), kEndOfTrack.end());
    for (const Bytes& track : {tempo, Melody(0, 0), Melody(9, 0)}) {
        Bytes body = track;
        if (&track != &tempo) {
            body.insert(body.end(), kEndOfTrack.begin(), kEndOfTrack.end());
        }
        const Bytes chunk = Chunk("MTrk", body);
        file.insert(file.end(), chunk.begin(), chunk.end());
    }
    return file;
}

Bytes CutShort(Bytes bytes, std::size_t keep) {
    bytes.resize(std::min(keep, bytes.size()));
    return bytes;
}

Bytes Text(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

class GameFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(test->test_suite_name()) + "-" + test->name();
        std::replace(name.begin(), name.end(), '/', '-');
        ASSERT_EQ(rig_.Open({"Medium800x600x24", {800, 600, 24}}, name), "");
    }

    void TearDown() override {
        if (HasFailure()) {
            rig_.Report(std::cout, "failure");
        }
    }

    // A program directory of its own: the game's files, the named ones
    // replaced (an empty content leaves the file out).
    std::filesystem::path ProgramDirWith(const std::map<std::string, Bytes>& replaced) {
        const std::filesystem::path dir = rig_.Temp() / "program";
        std::filesystem::create_directories(dir);
        for (const auto& entry : std::filesystem::directory_iterator(rig_.ProgramDir())) {
            const std::string name = entry.path().filename().string();
            if (replaced.contains(name)) {
                continue;
            }
            if (name == "morrowmas-slots") {
                // A copy, not a link: the game finds its files beside its own path.
                std::filesystem::copy_file(entry.path(), dir / name);
            } else {
                std::filesystem::create_symlink(entry.path(), dir / name);
            }
        }
        for (const auto& [name, bytes] : replaced) {
            if (!bytes.empty()) {
                WriteBytes(dir / name, bytes);
            }
        }
        return dir;
    }

    // Starts the game and waits for its main window.
    void StartGame(const std::filesystem::path& programDir) {
        ASSERT_EQ(rig_.Launch(programDir), "");
        ASSERT_EQ(rig_.WaitForMainWindow(), "");
    }

    void Keep(const std::string& name) { rig_.Keep(rig_.Shot(), name); }

    GameRig rig_;
};

enum class Refusal { DiskFull, ReadOnlyFileSystem, StoppedCopyHoldsTheLock };

const char* Name(Refusal r) {
    return std::array{"DiskFull", "ReadOnlyFileSystem",
                      "StoppedCopyHoldsTheLock"}[static_cast<std::size_t>(r)];
}

class RefusedSaveTest : public GameFilesTest, public ::testing::WithParamInterface<Refusal> {};

// Closing the window when the save is refused: the player is told
// ("Unable to write to Morrow.ini"), the old file stays whole, the window
// stays open; once the cause is gone, the next close saves and ends.
TEST_P(RefusedSaveTest, ClosingKeepsTheWindowAndTheOldFile) {
    const Refusal refusal = GetParam();
    Undo unmount;
    if (refusal != Refusal::StoppedCopyHoldsTheLock) {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "needs root to mount a small tmpfs (root ignores file modes)";
        }
        if (::mount("morrow-e2e", rig_.ConfigDir().c_str(), "tmpfs", 0, "size=64k") != 0) {
            GTEST_SKIP() << "cannot mount a tmpfs: " << std::strerror(errno);
        }
        unmount.action = [this] { ::umount2(rig_.ConfigDir().c_str(), MNT_DETACH); };
    }
    const std::filesystem::path record = rig_.Record();
    const std::string before = "[CurrentGame]\nGameName=CurrentGame\nCredits=4321\nBorrowed=1000\n";
    std::ofstream(record) << before;
    ASSERT_NO_FATAL_FAILURE(StartGame(rig_.ProgramDir()));
    std::this_thread::sleep_for(1500ms * kSlowdown); // the start-up tick has run

    pid_t other = -1;
    Undo endOther;
    if (refusal == Refusal::DiskFull) {
        std::ofstream filler(rig_.ConfigDir() / "filler", std::ios::binary);
        const std::string block(4096, 'x');
        for (int i = 0; i < 64 && filler.write(block.data(), static_cast<std::streamsize>(block.size()));
             ++i) {
        }
    } else if (refusal == Refusal::ReadOnlyFileSystem) {
        ASSERT_EQ(::mount(nullptr, rig_.ConfigDir().c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0)
            << std::strerror(errno);
    } else {
        // Another copy takes the lock every writer takes, then stops dead.
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        other = ::fork();
        ASSERT_GE(other, 0);
        if (other == 0) {
            const int fd = ::open((record.string() + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
            if (fd < 0 || ::flock(fd, LOCK_EX) != 0) {
                ::_exit(1);
            }
            (void)::write(ready[1], "L", 1);
            ::raise(SIGSTOP);
            ::_exit(0);
        }
        ::close(ready[1]);
        char locked = 0;
        ASSERT_EQ(::read(ready[0], &locked, 1), 1);
        ::close(ready[0]);
        endOther.action = [&other] {
            if (other > 0) {
                ::kill(other, SIGKILL);
                ::waitpid(other, nullptr, 0);
                other = -1;
            }
        };
    }

    rig_.ExitFromTheMenu();
    const std::string box = rig_.WaitForOtherWindow(15s);
    Keep(std::string(Name(refusal)) + "-refused");
    ASSERT_FALSE(box.empty()) << "no message came up when the save was refused"
                              << (rig_.Running() ? "" : " (the game ended)");
    EXPECT_TRUE(rig_.Running());
    EXPECT_FALSE(rig_.FindWindows("^Morrowmas Slots").empty()) << "the main window is gone";
    EXPECT_EQ(ReadText(record), before) << "the old file was changed";
    rig_.Dismiss(box);
    EXPECT_TRUE(rig_.Running()) << "the game ended after the refused save";

    // The cause gone, the next close saves.
    if (refusal == Refusal::DiskFull) {
        std::filesystem::remove(rig_.ConfigDir() / "filler");
    } else if (refusal == Refusal::ReadOnlyFileSystem) {
        ASSERT_EQ(::mount(nullptr, rig_.ConfigDir().c_str(), nullptr, MS_REMOUNT, nullptr), 0)
            << std::strerror(errno);
    } else {
        endOther.action();
    }
    rig_.ExitFromTheMenu();
    ASSERT_TRUE(rig_.EndsWithin(15s)) << "the game did not end once the file could be written";
    EXPECT_NE(ReadText(record).find("GameDate="), std::string::npos) << "the game was not saved:\n"
                                                                     << ReadText(record);
}

INSTANTIATE_TEST_SUITE_P(Refusals, RefusedSaveTest,
                         ::testing::Values(Refusal::DiskFull, Refusal::ReadOnlyFileSystem,
                                           Refusal::StoppedCopyHoldsTheLock),
                         [](const auto& test) { return std::string(Name(test.param)); });

struct MusicCase {
    const char* name;
    std::function<Bytes()> piece;
    bool plays;
};

class PlayersMusicTest : public GameFilesTest, public ::testing::WithParamInterface<MusicCase> {};

// A Morro3.mid of the player's own, the only piece: one written elsewhere
// (type 0 or 1, running status, sysex, tempo changes) plays, and nothing is
// reported; a cut-off one or a text file is reported once, and the rotation
// stops there rather than reporting it again every second.
TEST_P(PlayersMusicTest, PlaysOrIsReportedOnce) {
    const MusicCase& c = GetParam();
    std::map<std::string, Bytes> files{{"Welcome.wav", {}}, {"Morro3.mid", c.piece()}};
    for (int n = 0; n < 8; ++n) {
        if (n != 3) {
            files["Morro" + std::to_string(n) + ".mid"] = {};
        }
    }
    const std::filesystem::path capture = rig_.Temp() / "output.raw";
    rig_.GameEnvironment()["SDL_AUDIODRIVER"] = "disk";
    rig_.GameEnvironment()["SDL_DISKAUDIOFILE"] = capture.string();
    ASSERT_NO_FATAL_FAILURE(StartGame(ProgramDirWith(files)));

    const std::string box = rig_.WaitForOtherWindow(5s);
    Keep(std::string(c.name) + "-first");
    if (c.plays) {
        EXPECT_TRUE(box.empty()) << "the player's own piece was reported";
        const std::string output = ReadText(capture);
        EXPECT_NE(output.find_first_not_of('\0'), std::string::npos) << "no music reached the output";
        return;
    }
    ASSERT_FALSE(box.empty()) << "the unplayable piece was not reported";
    rig_.Dismiss(box);
    const std::string again = rig_.WaitForOtherWindow(5s);
    Keep(std::string(c.name) + "-after");
    EXPECT_TRUE(again.empty()) << "the unplayable piece was reported again";
    EXPECT_TRUE(rig_.Running());
}

INSTANTIATE_TEST_SUITE_P(
    Pieces, PlayersMusicTest,
    ::testing::Values(MusicCase{"TypeZero", TypeZeroPiece, true}, MusicCase{"TypeOne", TypeOnePiece, true},
                      MusicCase{"CutShort", [] { return CutShort(TypeOnePiece(), 60); }, false},
                      MusicCase{"Text", [] { return Text("These are the words, not the tune.\n"); }, false}),
    [](const auto& test) { return std::string(test.param.name); });

struct DamagedFile {
    const char* name;
    const char* file;
    std::function<Bytes(const Bytes&)> damage;
};

class DamagedFileTest : public GameFilesTest, public ::testing::WithParamInterface<DamagedFile> {};

// A sound cut short that the game keeps in memory is reported at start; a
// picture whose header promises more than the file holds counts as missing
// and is reported at start. Either way the game goes on. The report comes
// before the main window first shows.
TEST_P(DamagedFileTest, IsReportedAtStartAndTheGameGoesOn) {
    const DamagedFile& c = GetParam();
    const Bytes original = [&] {
        const std::string text = ReadText(rig_.ProgramDir() / c.file);
        return Bytes(text.begin(), text.end());
    }();
    ASSERT_FALSE(original.empty());
    ASSERT_EQ(rig_.Launch(ProgramDirWith({{c.file, c.damage(original)}})), "");
    // Before the main window, any window of the game's is the report.
    const std::string box = rig_.WaitForOtherWindow(20s);
    Keep(std::string(c.name) + "-start");
    ASSERT_FALSE(box.empty()) << "no window came up" << (rig_.Running() ? "" : " (the game ended at start)");
    EXPECT_TRUE(rig_.FindWindows("^Morrowmas Slots").empty()) << c.file << " was not reported";
    std::this_thread::sleep_for(1500ms); // the start-up tick is due meanwhile
    rig_.Dismiss(box);
    ASSERT_EQ(rig_.WaitForMainWindow(), "");
    EXPECT_TRUE(rig_.WaitForOtherWindow(3s).empty()) << "more than one message at start";
    EXPECT_TRUE(rig_.Running());
    rig_.ExitFromTheMenu();
    EXPECT_TRUE(rig_.EndsWithin(15s));
}

// A BMP whose header claims a picture of 60000 x 60000.
Bytes HugeClaim(const Bytes& bmp) {
    Bytes lying = bmp;
    for (const std::size_t at : {std::size_t{18}, std::size_t{22}}) {
        lying[at] = 0x60;
        lying[at + 1] = 0xEA;
        lying[at + 2] = 0;
        lying[at + 3] = 0;
    }
    return lying;
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedFileTest,
    ::testing::Values(DamagedFile{"CutReelStopSound", "Morrow0.wav",
                                  [](const Bytes& b) { return CutShort(b, b.size() / 2); }},
                      DamagedFile{"CutPlayField", "MorInt.bmp",
                                  [](const Bytes& b) { return CutShort(b, b.size() / 2); }},
                      DamagedFile{"HugePlayField", "MorInt.bmp", HugeClaim}),
    [](const auto& test) { return std::string(test.param.name); });

} // namespace
} // namespace morrow::e2e
