#include "WholeFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace morrow {

namespace {

// Closes a file descriptor when the read is over, however it ends.
class FileHandle {
public:
    explicit FileHandle(int fd) : fd_(fd) {}
    ~FileHandle() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

} // namespace

std::string_view FileReadErrorText(FileReadError error) {
    switch (error) {
    case FileReadError::NotFound:
        return kFileNotFoundText;
    case FileReadError::AccessDenied:
        return kFileAccessDeniedText;
    case FileReadError::ReadBeyondEnd:
        return kReadBeyondEndText;
    }
    return kFileAccessDeniedText;
}

std::optional<FileReadError> ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    // O_NONBLOCK: a pipe put in a sound's place must not hang the start-up.
    const FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.Get() < 0) {
        return errno == ENOENT || errno == ENOTDIR ? FileReadError::NotFound : FileReadError::AccessDenied;
    }
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return FileReadError::AccessDenied;
    }
    const auto size = static_cast<std::size_t>(status.st_size);
    bytes.resize(size);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(file.Get(), bytes.data() + done, size - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            bytes.clear();
            return FileReadError::ReadBeyondEnd;
        }
        done += static_cast<std::size_t>(got);
    }
    return std::nullopt;
}

} // namespace morrow
