// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace morrow {

// The texts shown when a file the game reads whole cannot be read.
inline constexpr std::string_view kFileNotFoundText = "File not found";
inline constexpr std::string_view kFileAccessDeniedText = "File access denied";
inline constexpr std::string_view kReadBeyondEndText = "Read beyond end of file";

enum class FileReadError {
    NotFound,      // no such file
    AccessDenied,  // there, but cannot be opened as a file (rights, a folder...)
    ReadBeyondEnd, // fewer bytes could be read than the file's size
};

std::string_view FileReadErrorText(FileReadError error);

// A plain file open for reading at any offset, closed when it goes.
class PlainFile {
public:
    // Opens the file at `path` without ever waiting: anything but a plain
    // file (a pipe or a device could hang the game) is refused as access
    // denied. Nothing, with the reason in `error`, when it cannot be opened.
    static std::optional<PlainFile> Open(const std::string& path, FileReadError& error);

    PlainFile(PlainFile&& other) noexcept;
    PlainFile& operator=(PlainFile&&) = delete;
    ~PlainFile();

    // The size the file had when it was opened.
    std::uint64_t Size() const { return size_; }
    // Fills `into` from `offset` on; false when fewer bytes could be read.
    bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> into) const;

private:
    PlainFile(int fd, std::uint64_t size) : fd_(fd), size_(size) {}

    int fd_;
    std::uint64_t size_;
};

// The largest file the game reads whole: the game's sounds and music pieces
// are a few megabytes at most. A file of gigabytes put in their place is
// refused as access denied, before any memory is taken for it.
inline constexpr std::uint64_t kMostBytesReadWhole = 64u << 20;

// Reads the whole file at `path` into `bytes` (left empty on failure), as a
// PlainFile: never from a pipe or a device, never more than `mostBytes`.
std::optional<FileReadError> ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes,
                                           std::uint64_t mostBytes = kMostBytesReadWhole);

} // namespace morrow
