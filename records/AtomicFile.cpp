// SPDX-License-Identifier: GPL-3.0-or-later
#include "AtomicFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <thread>

namespace morrow {

namespace fs = std::filesystem;

namespace {

FileFailure Failure(std::string_view step, const fs::path& path, int error) {
    return {std::string(step) + " " + path.string() + ": " + std::strerror(error)};
}

// The temporaries of `target` are hidden files named after it.
std::string TemporaryPrefix(const fs::path& target) {
    return "." + target.filename().string() + ".new-";
}

fs::path TemporaryPath(const fs::path& target) {
    static std::atomic<unsigned> counter{0};
    const std::string name =
        TemporaryPrefix(target) + std::to_string(::getpid()) + "-" + std::to_string(++counter);
    return target.parent_path() / name;
}

FileResult WriteAll(int fd, std::string_view text, const fs::path& path) {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Failure("write", path, errno);
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return std::nullopt;
}

// Makes the rename itself durable; some file systems cannot, which is no failure.
void SyncDirectory(const fs::path& directory) {
    const int fd = ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

FileLock::~FileLock() {
    if (fd_ >= 0) {
        ::close(fd_); // closing the last descriptor releases the lock
    }
}

FileResult FileLock::Acquire(const fs::path& lockPath, std::chrono::milliseconds limit) {
    if (fd_ >= 0) {
        return std::nullopt;
    }
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        return Failure("open lock", lockPath, errno);
    }
    // Polled rather than blocking, so that the wait has an end: a holder that
    // is stopped (SIGSTOP, a debugger) or hangs never lets go.
    const auto deadline = std::chrono::steady_clock::now() + limit;
    auto pause = std::chrono::milliseconds(1);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EINTR) {
            continue;
        }
        if (error != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
            ::close(fd);
            return Failure("lock", lockPath, error == EWOULDBLOCK ? ETIMEDOUT : error);
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(20));
    }
    fd_ = fd;
    return std::nullopt;
}

FileResult ReadWholeFile(const fs::path& path, FileContents& contents) {
    contents = {};
    // Non-blocking, so that a pipe put in the file's place cannot stall the game.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT) {
            return std::nullopt;
        }
        return Failure("open", path, errno);
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        const int error = errno;
        ::close(fd);
        return Failure("stat", path, error);
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(fd);
        return Failure("read", path, S_ISDIR(status.st_mode) ? EISDIR : EINVAL);
    }
    std::string text;
    char buffer[8192];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int error = errno;
            ::close(fd);
            return Failure("read", path, error);
        }
        if (got == 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    contents.presence = FilePresence::Present;
    contents.text = std::move(text);
    return std::nullopt;
}

FileResult MakeDirectories(const fs::path& directory) {
    if (directory.empty()) {
        return std::nullopt; // the working directory
    }
    fs::path partial;
    for (const fs::path& part : directory) {
        partial /= part;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) {
            return Failure("create directory", partial, errno);
        }
    }
    struct stat status {};
    if (::stat(directory.c_str(), &status) != 0) {
        return Failure("create directory", directory, errno);
    }
    if (!S_ISDIR(status.st_mode)) {
        return Failure("create directory", directory, ENOTDIR);
    }
    return std::nullopt;
}

FileResult ReplaceFileAtomically(const fs::path& target, std::string_view text) {
    const fs::path temporary = TemporaryPath(target);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return Failure("create", temporary, errno);
    }
    const auto abandon = [&](FileFailure failure) -> FileResult {
        ::unlink(temporary.c_str());
        return failure;
    };
    if (FileResult failure = WriteAll(fd, text, temporary)) {
        ::close(fd);
        return abandon(*failure);
    }
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0) {
        ::fchmod(fd, old.st_mode & 07777);
    }
    if (::fsync(fd) != 0) {
        const int error = errno;
        ::close(fd);
        return abandon(Failure("flush", temporary, error));
    }
    if (::close(fd) != 0) {
        return abandon(Failure("close", temporary, errno));
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        return abandon(Failure("replace", target, errno));
    }
    SyncDirectory(target.parent_path());
    return std::nullopt;
}

void RemoveStaleTemporaries(const fs::path& target) {
    const std::string prefix = TemporaryPrefix(target);
    std::error_code error;
    const fs::path directory = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    for (fs::directory_iterator entry(directory, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (name.compare(0, prefix.size(), prefix) == 0) {
            ::unlink(entry->path().c_str());
        }
    }
}

} // namespace morrow
