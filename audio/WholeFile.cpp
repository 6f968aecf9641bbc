// SPDX-License-Identifier: GPL-3.0-or-later
#include "WholeFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace morrow {

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

std::optional<PlainFile> PlainFile::Open(const std::string& path, FileReadError& error) {
    // O_NONBLOCK: a pipe put in a sound's place must not hang the start-up.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = errno == ENOENT || errno == ENOTDIR ? FileReadError::NotFound : FileReadError::AccessDenied;
        return std::nullopt;
    }
    PlainFile file(fd, 0);
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        error = FileReadError::AccessDenied;
        return std::nullopt;
    }
    file.size_ = static_cast<std::uint64_t>(status.st_size);
    return file;
}

PlainFile::PlainFile(PlainFile&& other) noexcept : fd_(other.fd_), size_(other.size_) {
    other.fd_ = -1;
}

PlainFile::~PlainFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool PlainFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> into) const {
    while (!into.empty()) {
        const ssize_t got = ::pread(fd_, into.data(), into.size(), static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        into = into.subspan(static_cast<std::size_t>(got));
        offset += static_cast<std::uint64_t>(got);
    }
    return true;
}

std::optional<FileReadError> ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes,
                                           std::uint64_t mostBytes) {
    bytes.clear();
    FileReadError error{};
    const std::optional<PlainFile> file = PlainFile::Open(path, error);
    if (!file) {
        return error;
    }
    if (file->Size() > mostBytes) {
        return FileReadError::AccessDenied;
    }
    bytes.resize(static_cast<std::size_t>(file->Size()));
    if (!file->ReadAt(0, bytes)) {
        bytes.clear();
        return FileReadError::ReadBeyondEnd;
    }
    return std::nullopt;
}

} // namespace morrow
