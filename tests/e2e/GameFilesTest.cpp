// The real game in a virtual X server against the files around it: a save
// the system refuses when the window closes (a full disk, a read-only file
// system, a second copy stopped while it holds the record's lock), and files
// a player has put in the program directory (their own music, a cut-off
// piece or sound, a picture whose header lies).

#include "ArtResources.h"
#include "ChildProcess.h"
#include "VirtualScreen.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <thread>

namespace morrow::e2e {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

#if defined(__SANITIZE_ADDRESS__)
constexpr int kSlowdown = 3;
#else
constexpr int kSlowdown = 1;
#endif

std::string ReadText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

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
        const char* programDir = std::getenv("MORROW_PROGRAM_DIR");
        ASSERT_NE(programDir, nullptr) << "MORROW_PROGRAM_DIR names no program directory";
        program_ = programDir;
        std::string error;
        screen_ = VirtualScreen::Start({800, 600, 24}, temp_.Path(), error);
        ASSERT_TRUE(screen_) << error;
        home_ = temp_.Path() / "home";
        config_ = home_ / ".config" / "morrowmas-slots";
        std::filesystem::create_directories(config_);
        const std::filesystem::path runtime = temp_.Path() / "runtime";
        std::filesystem::create_directories(runtime);
        chmod(runtime.c_str(), 0700);
        env_ = screen_->ClientEnvironment();
        env_["QT_QPA_PLATFORM"] = "xcb";
        env_["HOME"] = home_.string();
        env_["XDG_CONFIG_HOME"] = (home_ / ".config").string();
        env_["XDG_RUNTIME_DIR"] = runtime.string();
        env_["SDL_AUDIODRIVER"] = "dummy";
        gameLog_ = temp_.Path() / "game.log";
    }

    void TearDown() override {
        if (HasFailure()) {
            std::cout << "Game output:\n" << ReadText(gameLog_) << '\n';
        }
        game_.Stop(500ms);
        screen_.reset();
    }

    // A program directory of its own: the game's files, the named ones
    // replaced (an empty content leaves the file out).
    std::filesystem::path ProgramDirWith(const std::map<std::string, Bytes>& replaced) {
        const std::filesystem::path dir = temp_.Path() / "program";
        std::filesystem::create_directories(dir);
        for (const auto& entry : std::filesystem::directory_iterator(program_)) {
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

    void Launch(const std::filesystem::path& programDir) {
        std::string error;
        std::optional<ChildProcess> game =
            ChildProcess::Start({(programDir / "morrowmas-slots").string()}, env_, gameLog_, error);
        ASSERT_TRUE(game) << error;
        game_ = std::move(*game);
        window_.clear();
    }

    // Starts the game and waits for its main window.
    void StartGame(const std::filesystem::path& programDir) {
        ASSERT_NO_FATAL_FAILURE(Launch(programDir));
        ASSERT_NO_FATAL_FAILURE(WaitForMainWindow());
    }

    void WaitForMainWindow() {
        window_ = screen_->WaitForWindow("^Morrowmas Slots", game_, 20s * kSlowdown);
        ASSERT_TRUE(game_.Running()) << "the game ended at start";
        ASSERT_FALSE(window_.empty()) << "no window named \"Morrowmas Slots\" appeared";
    }

    std::vector<std::string> OtherWindows() const {
        std::vector<std::string> others;
        for (const std::string& w : screen_->WindowsOfProcess(game_.Pid())) {
            if (w != window_) {
                others.push_back(w);
            }
        }
        return others;
    }

    // The first window of the game's besides the main one within `timeout`.
    std::string WaitForBox(std::chrono::milliseconds timeout) {
        for (const auto deadline = Clock::now() + timeout * kSlowdown; Clock::now() < deadline;) {
            const std::vector<std::string> others = OtherWindows();
            if (!others.empty()) {
                return others.front();
            }
            std::this_thread::sleep_for(100ms);
        }
        return {};
    }

    void Keep(const std::string& name) {
        if (const char* shots = std::getenv("MORROW_E2E_SHOTS")) {
            const std::filesystem::path dir = std::filesystem::path(shots) / "GameFiles";
            std::filesystem::create_directories(dir);
            screen_->Shot(dir / (name + ".png"));
        }
    }

    void Answer(const std::string& box) {
        screen_->Focus(box);
        screen_->Key("Return");
        for (const auto deadline = Clock::now() + 5s * kSlowdown; Clock::now() < deadline;) {
            if (OtherWindows().empty()) {
                return;
            }
            std::this_thread::sleep_for(100ms);
        }
    }

    void ExitFromTheMenu() {
        screen_->Focus(window_);
        screen_->Key("alt+f");
        std::this_thread::sleep_for(300ms * kSlowdown);
        screen_->Key("x");
    }

    bool EndsWithin(std::chrono::milliseconds timeout) {
        for (const auto deadline = Clock::now() + timeout * kSlowdown; Clock::now() < deadline;) {
            if (!game_.Running()) {
                return true;
            }
            std::this_thread::sleep_for(100ms);
        }
        return !game_.Running();
    }

    std::filesystem::path program_;
    TemporaryDirectory temp_;
    std::unique_ptr<VirtualScreen> screen_;
    std::filesystem::path home_, config_, gameLog_;
    Environment env_;
    ChildProcess game_;
    std::string window_;
};

enum class Refusal { DiskFull, ReadOnlyFileSystem, StoppedCopyHoldsTheLock };

const char* Name(Refusal r) {
    switch (r) {
    case Refusal::DiskFull:
        return "DiskFull";
    case Refusal::ReadOnlyFileSystem:
        return "ReadOnlyFileSystem";
    case Refusal::StoppedCopyHoldsTheLock:
        return "StoppedCopyHoldsTheLock";
    }
    return "";
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
        if (::mount("morrow-e2e", config_.c_str(), "tmpfs", 0, "size=64k") != 0) {
            GTEST_SKIP() << "cannot mount a tmpfs: " << std::strerror(errno);
        }
        unmount.action = [this] { ::umount2(config_.c_str(), MNT_DETACH); };
    }
    const std::filesystem::path record = config_ / "Morrow.ini";
    const std::string before = "[CurrentGame]\nGameName=CurrentGame\nCredits=4321\nBorrowed=1000\n";
    std::ofstream(record) << before;
    ASSERT_NO_FATAL_FAILURE(StartGame(program_));
    std::this_thread::sleep_for(1500ms * kSlowdown); // the start-up tick has run

    pid_t other = -1;
    Undo endOther;
    if (refusal == Refusal::DiskFull) {
        std::ofstream filler(config_ / "filler", std::ios::binary);
        const std::string block(4096, 'x');
        for (int i = 0; i < 64 && filler.write(block.data(), static_cast<std::streamsize>(block.size()));
             ++i) {
        }
    } else if (refusal == Refusal::ReadOnlyFileSystem) {
        ASSERT_EQ(::mount(nullptr, config_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0)
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

    ExitFromTheMenu();
    const std::string box = WaitForBox(15s);
    Keep(std::string(Name(refusal)) + "-refused");
    ASSERT_FALSE(box.empty()) << "no message came up when the save was refused"
                              << (game_.Running() ? "" : " (the game ended)");
    EXPECT_TRUE(game_.Running());
    EXPECT_FALSE(screen_->FindWindows("^Morrowmas Slots").empty()) << "the main window is gone";
    EXPECT_EQ(ReadText(record), before) << "the old file was changed";
    Answer(box);
    EXPECT_TRUE(game_.Running()) << "the game ended after the refused save";

    // The cause gone, the next close saves.
    if (refusal == Refusal::DiskFull) {
        std::filesystem::remove(config_ / "filler");
    } else if (refusal == Refusal::ReadOnlyFileSystem) {
        ASSERT_EQ(::mount(nullptr, config_.c_str(), nullptr, MS_REMOUNT, nullptr), 0) << std::strerror(errno);
    } else {
        endOther.action();
    }
    ExitFromTheMenu();
    ASSERT_TRUE(EndsWithin(15s)) << "the game did not end once the file could be written";
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
    const std::filesystem::path capture = temp_.Path() / "output.raw";
    env_["SDL_AUDIODRIVER"] = "disk";
    env_["SDL_DISKAUDIOFILE"] = capture.string();
    ASSERT_NO_FATAL_FAILURE(StartGame(ProgramDirWith(files)));

    const std::string box = WaitForBox(5s);
    Keep(std::string(c.name) + "-first");
    if (c.plays) {
        EXPECT_TRUE(box.empty()) << "the player's own piece was reported";
        const std::string output = ReadText(capture);
        EXPECT_NE(output.find_first_not_of('\0'), std::string::npos) << "no music reached the output";
        return;
    }
    ASSERT_FALSE(box.empty()) << "the unplayable piece was not reported";
    Answer(box);
    const std::string again = WaitForBox(5s);
    Keep(std::string(c.name) + "-after");
    EXPECT_TRUE(again.empty()) << "the unplayable piece was reported again";
    EXPECT_TRUE(game_.Running());
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
        const std::string text = ReadText(program_ / c.file);
        return Bytes(text.begin(), text.end());
    }();
    ASSERT_FALSE(original.empty());
    ASSERT_NO_FATAL_FAILURE(Launch(ProgramDirWith({{c.file, c.damage(original)}})));
    std::string box;
    for (const auto deadline = Clock::now() + 20s * kSlowdown; box.empty() && Clock::now() < deadline;) {
        ASSERT_TRUE(game_.Running()) << "the game ended at start";
        const std::vector<std::string> shown = screen_->WindowsOfProcess(game_.Pid());
        if (!shown.empty()) {
            box = shown.front();
        } else {
            std::this_thread::sleep_for(100ms);
        }
    }
    Keep(std::string(c.name) + "-start");
    ASSERT_FALSE(box.empty()) << "no window came up";
    EXPECT_TRUE(screen_->FindWindows("^Morrowmas Slots").empty()) << c.file << " was not reported";
    std::this_thread::sleep_for(1500ms); // the start-up tick is due meanwhile
    Answer(box);
    ASSERT_NO_FATAL_FAILURE(WaitForMainWindow());
    EXPECT_TRUE(WaitForBox(3s).empty()) << "more than one message at start";
    EXPECT_TRUE(game_.Running());
    ExitFromTheMenu();
    EXPECT_TRUE(EndsWithin(15s));
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
