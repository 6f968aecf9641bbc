// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace morrow {

// Why a file operation failed: the step, the path and the system's reason,
// for a maintainer (the player sees the record file's own message).
struct FileFailure {
    std::string detail;
};
using FileResult = std::optional<FileFailure>; // empty when all went well

// How long a writer waits for another copy of the game to let go of the
// lock. A write holds it for milliseconds; a copy that holds it longer has
// been stopped or hangs, and this copy must not freeze with it.
inline constexpr std::chrono::milliseconds kLockWaitLimit{2000};

// An exclusive advisory lock (flock) on a lock file, held while it lives.
// Every writer of one file takes the same lock around its read, change and
// replacement, so two running copies of the game never lose each other's
// writes.
class FileLock {
public:
    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Takes the lock on `lockPath`, creating the lock file when needed. When
    // another holder keeps it beyond `limit`, gives up with a failure.
    [[nodiscard]] FileResult Acquire(const std::filesystem::path& lockPath,
                                     std::chrono::milliseconds limit = kLockWaitLimit);

private:
    int fd_ = -1;
};

enum class FilePresence { Missing, Present };

struct FileContents {
    FilePresence presence = FilePresence::Missing;
    std::string text;
};

// Reads a whole file. A missing file is no failure; anything else that keeps
// it from being read is (so a writer never mistakes it for an empty file).
[[nodiscard]] FileResult ReadWholeFile(const std::filesystem::path& path, FileContents& contents);

// Creates `directory` and its missing parents, each with mode 0700.
[[nodiscard]] FileResult MakeDirectories(const std::filesystem::path& directory);

// Replaces `target` by a file holding `text` in one step: the text goes to a
// temporary file in the same directory, is flushed to the disk, and the
// temporary is renamed over `target`. A crash at any moment leaves either
// the old file or the new one, whole. The new file keeps the old one's mode.
[[nodiscard]] FileResult ReplaceFileAtomically(const std::filesystem::path& target, std::string_view text);

// Removes the temporaries of `target` that a writer killed mid-write left
// behind. Call it only while holding the lock every writer takes.
void RemoveStaleTemporaries(const std::filesystem::path& target);

} // namespace morrow
