// SPDX-License-Identifier: GPL-3.0-or-later
#include "GameRecordFile.h"
#include "RecordTestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace morrow {
namespace {

using namespace morrow::test;

int TemporaryCount(const std::filesystem::path& record) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(record.parent_path())) {
        count += entry.path().filename().string().rfind(".Morrow.ini.new-", 0) == 0 ? 1 : 0;
    }
    return count;
}

// The section a write of GameWithCounters(k) named "Run k" leaves.
std::string RunSection(int k) {
    std::string text = "[GameNo3]\nGameName=Run " + std::to_string(k) + "\nGameDate=10/31/98\n";
    for (const char* key :
         {"Credits", "Borrowed", "Spins", "TotalBets", "Nudges", "NudgesUsed", "TricksWon"}) {
        text += std::string(key) + "=" + std::to_string(k) + "\n";
    }
    return text;
}

// A writer killed at random moments leaves either the old or the new
// section, whole, and all else untouched; the next write clears what it left.
TEST(RecordSafety, KilledWriterLeavesOldOrNewSectionWhole) {
    TempDir dir(TempPlace::Memory);
    const auto path = dir / "Morrow.ini";
    const std::string stable = "; kept\n[Window]\nLeft = 10\n\n[GameNo1]\nGameName=untouched\n";
    WriteText(path, stable);
    const GameRecordFile file = HalloweenFile(path);
    std::mt19937 random(20241031);
    std::uniform_int_distribution<int> delay(0, 1500);
    int last = 0;
    int killsMidWrite = 0;
    int kills = 0;
    for (; kills < 200 || (killsMidWrite < 20 && kills < 3000); ++kills) {
        // The child says when its first write is done, so that the kill's
        // moment counts from inside the writing, however slowly a busy
        // machine starts the child.
        int writing[2];
        ASSERT_EQ(::pipe(writing), 0) << std::strerror(errno);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0) << std::strerror(errno);
        if (child == 0) {
            ::close(writing[0]);
            for (int k = last + 1;; ++k) {
                if (file.WriteGameRecord(GameWithCounters(k), 2, "Run " + std::to_string(k))) {
                    ::_exit(3);
                }
                if (k == last + 1 && ::write(writing[1], "w", 1) != 1) {
                    ::_exit(4);
                }
            }
        }
        ::close(writing[1]);
        char started = 0;
        const ssize_t got = ::read(writing[0], &started, 1);
        ::close(writing[0]);
        std::this_thread::sleep_for(std::chrono::microseconds(got == 1 ? delay(random) : 0));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "a write failed";
        killsMidWrite += TemporaryCount(path) > 0 ? 1 : 0;
        const std::string text = ReadText(path);
        if (text != stable) {
            const std::size_t number = std::min(text.size(), stable.size() + RunSection(0).find("Run ") + 4);
            const int k = std::atoi(text.c_str() + number);
            ASSERT_EQ(text, stable + RunSection(k))
                << "after kill " << kills << " the file is not old or new";
            ASSERT_GE(k, last) << "the section went back to an older write";
            last = k;
        }
    }
    EXPECT_GE(killsMidWrite, 20) << "too few of " << kills << " kills landed inside a write";
    ASSERT_FALSE(file.WriteGameRecord(GameWithCounters(last + 1), 2, "Run " + std::to_string(last + 1)));
    EXPECT_EQ(TemporaryCount(path), 0) << "temporaries of killed writers were left behind";
    EXPECT_EQ(ReadText(path), stable + RunSection(last + 1));
}

// Copies of the game writing different slots at once lose no write: each
// copy finds its own last write before its next one.
TEST(RecordSafety, CopiesWritingAtOnceLoseNoWrite) {
    constexpr int kCopies = 4;
    constexpr int kWrites = 400;
    TempDir dir(TempPlace::Memory);
    const GameRecordFile file = HalloweenFile(dir / "Morrow.ini");
    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);
    std::vector<pid_t> children;
    for (int copy = 0; copy < kCopies; ++copy) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0) << std::strerror(errno);
        if (child == 0) {
            ::close(gate[1]);
            char go = 0;
            (void)::read(gate[0], &go, 1); // all start when the parent closes its end
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
    ::close(gate[0]);
    ::close(gate[1]);
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status)) << "a copy crashed";
        EXPECT_EQ(WEXITSTATUS(status), 0)
            << (WEXITSTATUS(status) == 10 ? "a copy lost a write" : "a write failed");
    }
    for (int copy = 0; copy < kCopies; ++copy) {
        EXPECT_EQ(ReadSlot(file, copy), "[Copy] [10/31/98] 400 400 400 400 400 400 400");
    }
}

// A pipe in the file's place reads as no file, never blocks, and is never
// replaced: a file that cannot be read must not be overwritten.
TEST(RecordSafety, UnreadableFileIsNeverReplaced) {
    TempDir dir;
    const auto path = dir / "Morrow.ini";
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0) << std::strerror(errno);
    EXPECT_EQ(ReadSlot(HalloweenFile(path), 0), "[GameNo1] [10/31/98] 1000 1000 0 0 0 0 0");
    const auto error = HalloweenFile(path).WriteGameRecord(GameWithCounters(1), 0, "x");
    ASSERT_TRUE(error) << "a write over an unreadable file reported success";
    EXPECT_EQ(error->message, "Unable to write to Morrow.ini");
    EXPECT_TRUE(std::filesystem::is_fifo(path)) << "the unreadable file was replaced";
}

// Runs its action when it goes, so a failed check never leaves a mount or an
// immutable file behind.
struct Undo {
    std::function<void()> action;
    ~Undo() {
        if (action) {
            action();
        }
    }
};

// A second copy of the game stopped (SIGSTOP) while it holds the lock never
// lets go. This copy's write gives up after a bounded wait and reports the
// refusal, leaving the file as it was; once the other copy is gone, writes
// go through again.
TEST(RecordSafety, StoppedLockHolderDoesNotFreezeTheWrite) {
    TempDir dir;
    const auto path = dir / "Morrow.ini";
    const GameRecordFile file = HalloweenFile(path);
    ASSERT_FALSE(file.WriteGameRecord(GameWithCounters(5), 0, "old"));
    const std::string before = ReadText(path);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t other = ::fork();
    ASSERT_GE(other, 0) << std::strerror(errno);
    if (other == 0) {
        const int fd = ::open((path.string() + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0 || ::flock(fd, LOCK_EX) != 0) {
            ::_exit(1);
        }
        (void)::write(ready[1], "L", 1);
        ::raise(SIGSTOP);
        ::pause();
        ::_exit(0);
    }
    ::close(ready[1]);
    char locked = 0;
    ASSERT_EQ(::read(ready[0], &locked, 1), 1) << "the other copy never took the lock";
    ::close(ready[0]);
    Undo end{[other] {
        ::kill(other, SIGKILL);
        ::waitpid(other, nullptr, 0);
    }};

    const auto error = file.WriteGameRecord(GameWithCounters(9), 0, "new");
    ASSERT_TRUE(error) << "a write reported success while another copy held the lock";
    EXPECT_EQ(error->message, "Unable to write to Morrow.ini");
    EXPECT_EQ(ReadText(path), before);

    end.action();
    end.action = nullptr;
    EXPECT_FALSE(file.WriteGameRecord(GameWithCounters(9), 0, "new")) << "the lock of a dead copy stuck";
    EXPECT_EQ(ReadSlot(file, 0), "[new] [10/31/98] 9 9 9 9 9 9 9");
}

enum class Refusal { ReadOnlyFile, ReadOnlyDirectory, DiskFull };

// A refused write (read-only file, read-only folder, full disk) reports
// "Unable to write to Morrow.ini" and leaves the old file whole. Root ignores
// file modes, so the refusals are an immutable file and a small tmpfs.
TEST(RecordSafety, RefusedWritesKeepTheOldFile) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to mount a tmpfs and set the immutable flag";
    }
    for (const Refusal refusal : {Refusal::ReadOnlyFile, Refusal::ReadOnlyDirectory, Refusal::DiskFull}) {
        SCOPED_TRACE(static_cast<int>(refusal));
        TempDir dir;
        const auto folder = dir / "";
        Undo unmount;
        if (refusal != Refusal::ReadOnlyFile) {
            if (::mount("morrow-test", folder.c_str(), "tmpfs", 0, "size=64k") != 0) {
                GTEST_SKIP() << "cannot mount a tmpfs: " << std::strerror(errno);
            }
            unmount.action = [&folder] { ::umount2(folder.c_str(), MNT_DETACH); };
        }
        const auto path = dir / "Morrow.ini";
        WriteText(path, "[Window]\nLeft = 10\n");
        const GameRecordFile file = HalloweenFile(path);
        ASSERT_FALSE(file.WriteGameRecord(GameWithCounters(5), 0, "old"));
        const std::string before = ReadText(path);
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        Undo release{[fd] {
            int flags = 0;
            if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_IMMUTABLE_FL) != 0) {
                flags &= ~FS_IMMUTABLE_FL;
                ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
            }
            ::close(fd);
        }};
        if (refusal == Refusal::ReadOnlyFile) {
            int flags = 0;
            ASSERT_EQ(::ioctl(fd, FS_IOC_GETFLAGS, &flags), 0);
            flags |= FS_IMMUTABLE_FL;
            ASSERT_EQ(::ioctl(fd, FS_IOC_SETFLAGS, &flags), 0)
                << "no immutable flag: " << std::strerror(errno);
        } else if (refusal == Refusal::ReadOnlyDirectory) {
            ASSERT_EQ(::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
        } else {
            WriteText(dir / "filler", std::string(256 * 1024, 'x')); // stops when the disk is full
        }

        const auto error = file.WriteGameRecord(GameWithCounters(9), 0, "new");
        EXPECT_TRUE(error) << "the refused write reported success";
        EXPECT_EQ(error ? error->message : "", "Unable to write to Morrow.ini");
        EXPECT_EQ(ReadText(path), before) << "the old file was changed";
        EXPECT_EQ(TemporaryCount(path), 0) << "a temporary was left behind";
    }
}

} // namespace
} // namespace morrow
