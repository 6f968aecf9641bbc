#pragma once

#include <cstdint>
#include <optional>
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

// Reads the whole file at `path` into `bytes` (left empty on failure). Never
// blocks on a pipe or a device: anything but a plain file is refused as
// access denied.
std::optional<FileReadError> ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes);

} // namespace morrow
