#include "WaveImage.h"

#include <cstddef>

namespace morrow {

namespace {

constexpr std::size_t kChunkHead = 8; // id and length
constexpr std::size_t kRiffHead = 12; // "RIFF", length, "WAVE"

std::uint32_t Little32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

void SetLittle32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

bool HasTag(const std::vector<std::uint8_t>& bytes, std::size_t at, const char (&tag)[5]) {
    for (std::size_t i = 0; i < 4; ++i) {
        if (bytes[at + i] != static_cast<std::uint8_t>(tag[i])) {
            return false;
        }
    }
    return true;
}

// Cuts the length at `lengthAt` to the bytes after it; the length it keeps.
std::uint64_t FitLength(std::vector<std::uint8_t>& image, std::size_t lengthAt) {
    const std::uint64_t held = image.size() - (lengthAt + 4);
    const std::uint32_t claimed = Little32(image, lengthAt);
    if (claimed > held) {
        SetLittle32(image, lengthAt, static_cast<std::uint32_t>(held));
        return held;
    }
    return claimed;
}

} // namespace

bool IsWaveImage(const std::vector<std::uint8_t>& image) {
    return image.size() >= kRiffHead && HasTag(image, 0, "RIFF") && HasTag(image, 8, "WAVE");
}

void FitWaveChunksToImage(std::vector<std::uint8_t>& image) {
    if (!IsWaveImage(image) || image.size() > UINT32_MAX) {
        return;
    }
    FitLength(image, 4);
    std::size_t at = kRiffHead;
    while (image.size() - at >= kChunkHead) {
        const std::uint64_t length = FitLength(image, at + 4);
        // Chunks are padded to an even length.
        at += static_cast<std::size_t>(kChunkHead + length + (length & 1U));
        if (at >= image.size()) {
            break;
        }
    }
}

} // namespace morrow
