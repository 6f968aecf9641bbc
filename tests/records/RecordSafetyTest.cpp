#include "GameRecordFile.h"
#include "RecordTestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace morrow {
namespace {

using test::GameWithCounters;
using test::HalloweenFile;
using test::ReadText;
using test::TempDir;
using test::TemporaryCount;
using test::WriteText;

// The section as a write of GameWithCounters(k) named "Run k" leaves it.
std::string RunSection(const std::string& section, int k) {
    const std::string v = std::to_string(k);
    return "[" + section + "]\nGameName=Run " + v + "\nGameDate=10/31/98\nCredits=" + v + "\nBorrowed=" + v +
           "\nSpins=" + v + "\nTotalBets=" + v + "\nNudges=" + v + "\nNudgesUsed=" + v + "\nTricksWon=" + v +
           "\n";
}

// Which k the "Run k" section at the end of `text` holds, if the text is
// exactly `stable` followed by one whole such section.
std::optional<int> WholeRun(const std::string& text, const std::string& stable, const std::string& section) {
    if (text.compare(0, stable.size(), stable) != 0) {
        return std::nullopt;
    }
    const std::string prefix = "[" + section + "]\nGameName=Run ";
    if (text.compare(stable.size(), prefix.size(), prefix) != 0) {
        return std::nullopt;
    }
    const int k = std::atoi(text.c_str() + stable.size() + prefix.size());
    if (text != stable + RunSection(section, k)) {
        return std::nullopt;
    }
    return k;
}

// A writer killed at random moments leaves the file with either the old or
// the new section, whole, and everything else untouched; the temporaries it
// leaves are cleared by the next write.
TEST(RecordSafety, KilledWriterLeavesOldOrNewSectionWhole) {
    TempDir dir(test::TempPlace::Memory);
    const auto path = dir / "Morrow.ini";
    WriteText(path, "; kept as it is\n[Window]\nLeft = 10\n\n[GameNo1]\nGameName=untouched\n");
    const GameRecordFile file = HalloweenFile(path);
    ASSERT_FALSE(file.WriteGameRecord(GameWithCounters(0), 2, "Run 0"));
    const std::string written = ReadText(path);
    const std::string stable = written.substr(0, written.find("[GameNo3]"));

    std::mt19937 random(20241031);
    std::uniform_int_distribution<int> delayMicroseconds(0, 1500);
    int last = 0;
    int killsMidWrite = 0;
    int kills = 0;
    for (; kills < 200 || (killsMidWrite < 20 && kills < 3000); ++kills) {
        const int first = last + 1;
        const pid_t child = ::fork();
        ASSERT_GE(child, 0) << "fork: " << std::strerror(errno);
        if (child == 0) {
            for (int k = first;; ++k) {
                if (file.WriteGameRecord(GameWithCounters(k), 2, "Run " + std::to_string(k))) {
                    ::_exit(3);
                }
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(delayMicroseconds(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself (a write failed)";

        killsMidWrite += TemporaryCount(path) > 0 ? 1 : 0;
        const auto run = WholeRun(ReadText(path), stable, "GameNo3");
        ASSERT_TRUE(run) << "after kill " << kills << " the file is not old-or-new:\n" << ReadText(path);
        ASSERT_GE(*run, last) << "the section went back to an older write";
        last = *run;
    }
    EXPECT_GE(killsMidWrite, 20) << "too few kills landed inside a write to prove anything (" << kills
                                 << " kills)";
    EXPECT_GT(last, 0) << "no write ever completed";

    ASSERT_FALSE(file.WriteGameRecord(GameWithCounters(last + 1), 2, "Run " + std::to_string(last + 1)));
    EXPECT_EQ(TemporaryCount(path), 0) << "temporaries of killed writers were left behind";
    EXPECT_EQ(WholeRun(ReadText(path), stable, "GameNo3"), last + 1);
}

// Copies of the game writing different slots at the same time never lose
// each other's writes: each copy finds its own last write before the next.
TEST(RecordSafety, CopiesWritingAtOnceLoseNoWrite) {
    constexpr int kCopies = 3;
    constexpr int kWrites = 150;
    TempDir dir(test::TempPlace::Memory);
    const auto path = dir / "Morrow.ini";
    const std::string foreign = "[Window]\nLeft = 10\n";
    WriteText(path, foreign);
    const GameRecordFile file = HalloweenFile(path);

    int startGate[2];
    ASSERT_EQ(::pipe(startGate), 0);
    std::vector<pid_t> children;
    for (int copy = 0; copy < kCopies; ++copy) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0) << "fork: " << std::strerror(errno);
        if (child == 0) {
            ::close(startGate[1]);
            char go = 0;
            (void)::read(startGate[0], &go, 1); // returns when the parent closes its end
            for (int i = 1; i <= kWrites; ++i) {
                GameSession seen;
                file.ReadGameRecord(seen, copy);
                if (seen.Credits != (i == 1 ? 1000 : i - 1)) {
                    ::_exit(10);
                }
                if (file.WriteGameRecord(GameWithCounters(i), copy, "Copy")) {
                    ::_exit(11);
                }
            }
            ::_exit(0);
        }
        children.push_back(child);
    }
    ::close(startGate[0]);
    ::close(startGate[1]);
    for (int copy = 0; copy < kCopies; ++copy) {
        int status = 0;
        ASSERT_EQ(::waitpid(children[static_cast<std::size_t>(copy)], &status, 0),
                  children[static_cast<std::size_t>(copy)]);
        ASSERT_TRUE(WIFEXITED(status)) << "copy " << copy << " crashed";
        EXPECT_EQ(WEXITSTATUS(status), 0)
            << "copy " << copy
            << (WEXITSTATUS(status) == 10 ? " found one of its writes lost" : " had a write refused");
    }
    for (int copy = 0; copy < kCopies; ++copy) {
        GameSession game;
        file.ReadGameRecord(game, copy);
        EXPECT_EQ(game.Credits, kWrites) << "slot " << copy;
    }
    EXPECT_EQ(ReadText(path).compare(0, foreign.size(), foreign), 0) << "the other section changed";
}

// A record path that cannot hold a file is refused, never blocks, and what
// is there stays: a pipe in the file's place, a plain file in the folder's.
TEST(RecordSafety, UnusablePathsAreRefused) {
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "Morrow.ini").c_str(), 0600), 0) << std::strerror(errno);
    GameSession game;
    HalloweenFile(dir / "Morrow.ini").ReadGameRecord(game, 0);
    EXPECT_EQ(game.Credits, 1000) << "a pipe did not read as a missing file";
    const auto overPipe = HalloweenFile(dir / "Morrow.ini").WriteGameRecord(GameWithCounters(1), 0, "x");
    ASSERT_TRUE(overPipe) << "a write over a file that cannot be read reported success";
    EXPECT_EQ(overPipe->message, "Unable to write to Morrow.ini");
    EXPECT_TRUE(std::filesystem::is_fifo(dir / "Morrow.ini")) << "the unreadable file was replaced";

    WriteText(dir / "plain", "not a folder");
    const auto underFile =
        HalloweenFile(dir / "plain" / "Morrow.ini").WriteGameRecord(GameWithCounters(1), 0, "x");
    ASSERT_TRUE(underFile) << "a write below a plain file reported success";
    EXPECT_EQ(underFile->message, "Unable to write to Morrow.ini");
    EXPECT_FALSE(underFile->detail.empty()) << "the refusal gives no reason";
}

// A small tmpfs mounted on a directory for as long as it lives.
class TmpfsMount {
public:
    explicit TmpfsMount(const std::filesystem::path& at) : at_(at) {
        mounted_ = ::mount("morrow-test", at.c_str(), "tmpfs", 0, "size=64k,mode=0700") == 0;
        error_ = mounted_ ? 0 : errno;
    }
    ~TmpfsMount() {
        if (mounted_) {
            ::umount2(at_.c_str(), MNT_DETACH);
        }
    }
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;
    bool Mounted() const { return mounted_; }
    int Error() const { return error_; }
    bool RemountReadOnly() const {
        return ::mount(nullptr, at_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    std::filesystem::path at_;
    bool mounted_ = false;
    int error_ = 0;
};

// The immutable flag on a file (which stops even root), cleared when it goes.
class ImmutableFlag {
public:
    explicit ImmutableFlag(const std::filesystem::path& file)
        : fd_(::open(file.c_str(), O_RDONLY | O_CLOEXEC)) {
        int flags = 0;
        set_ = fd_ >= 0 && ::ioctl(fd_, FS_IOC_GETFLAGS, &flags) == 0 &&
               (flags |= FS_IMMUTABLE_FL, ::ioctl(fd_, FS_IOC_SETFLAGS, &flags) == 0);
    }
    ~ImmutableFlag() {
        int flags = 0;
        if (set_ && ::ioctl(fd_, FS_IOC_GETFLAGS, &flags) == 0) {
            flags &= ~FS_IMMUTABLE_FL;
            ::ioctl(fd_, FS_IOC_SETFLAGS, &flags);
        }
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    ImmutableFlag(const ImmutableFlag&) = delete;
    ImmutableFlag& operator=(const ImmutableFlag&) = delete;
    bool Set() const { return set_; }

private:
    int fd_ = -1;
    bool set_ = false;
};

enum class Refusal { ReadOnlyFile, ReadOnlyDirectory, DiskFull };

// A write the system refuses (read-only file, read-only directory, full
// disk) reports "Unable to write to Morrow.ini" and leaves the old file
// whole, with no temporary behind.
TEST(RecordSafety, RefusedWritesKeepTheOldFile) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to mount a read-only tmpfs and set the immutable flag";
    }
    for (const Refusal refusal : {Refusal::ReadOnlyFile, Refusal::ReadOnlyDirectory, Refusal::DiskFull}) {
        const char* what = refusal == Refusal::ReadOnlyFile        ? "read-only file"
                           : refusal == Refusal::ReadOnlyDirectory ? "read-only directory"
                                                                   : "full disk";
        SCOPED_TRACE(what);
        TempDir dir;
        std::optional<TmpfsMount> mount;
        if (refusal != Refusal::ReadOnlyFile) {
            mount.emplace(dir.Path());
            if (!mount->Mounted()) {
                GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(mount->Error());
            }
        }
        const auto path = dir / "Morrow.ini";
        WriteText(path, "[Window]\nLeft = 10\n");
        const GameRecordFile file = HalloweenFile(path);
        ASSERT_FALSE(file.WriteGameRecord(GameWithCounters(5), 0, "old"));
        const std::string before = ReadText(path);

        std::optional<ImmutableFlag> immutable;
        if (refusal == Refusal::ReadOnlyFile) {
            immutable.emplace(path);
            if (!immutable->Set()) {
                GTEST_SKIP() << "this file system has no immutable flag";
            }
        } else if (refusal == Refusal::ReadOnlyDirectory) {
            ASSERT_TRUE(mount->RemountReadOnly()) << std::strerror(errno);
        } else {
            WriteText(dir / "filler", std::string(256 * 1024, 'x'));
            ASSERT_LT(std::filesystem::file_size(dir / "filler"), 256U * 1024U) << "the disk did not fill up";
        }

        const auto error = file.WriteGameRecord(GameWithCounters(9), 0, "new");
        ASSERT_TRUE(error) << "the refused write reported success";
        EXPECT_EQ(error->message, "Unable to write to Morrow.ini");
        EXPECT_FALSE(error->detail.empty()) << "the refusal gives no reason";
        EXPECT_EQ(ReadText(path), before) << "the old file was changed";
        EXPECT_EQ(TemporaryCount(path), 0) << "a temporary was left behind";
        GameSession game;
        file.ReadGameRecord(game, 0);
        EXPECT_EQ(game.Credits, 5);
    }
}

} // namespace
} // namespace morrow
