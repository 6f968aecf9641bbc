#include "BmpHeader.h"

#include <cstdlib>

namespace morrow {

namespace {

constexpr std::size_t kFileHeader = 14;
constexpr std::uint32_t kCoreHeader = 12; // the oldest header: 16-bit sizes
constexpr std::uint32_t kInfoHeader = 40;
// Pixel layouts with one fixed size per row.
constexpr std::uint32_t kPlainPixels = 0;
constexpr std::uint32_t kBitFields = 3;
constexpr std::uint32_t kAlphaBitFields = 6;

std::uint32_t Little(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t count) {
    std::uint32_t value = 0;
    for (std::size_t i = count; i > 0; --i) {
        value = (value << 8) | bytes[at + i - 1];
    }
    return value;
}

} // namespace

bool BmpPixelsFitFile(std::span<const std::uint8_t> file) {
    if (file.size() < 2 || file[0] != 'B' || file[1] != 'M') {
        return true; // not a BMP file: the decoder refuses it itself
    }
    if (file.size() < kFileHeader + 4) {
        return false;
    }
    const std::uint32_t pixelsAt = Little(file, 10, 4);
    const std::uint32_t headerSize = Little(file, kFileHeader, 4);
    if (headerSize != kCoreHeader && headerSize < kInfoHeader) {
        return true; // a header the decoder does not know
    }
    if (file.size() < kFileHeader + headerSize || pixelsAt > file.size()) {
        return false;
    }
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t bits = 0;
    std::uint32_t compression = kPlainPixels;
    if (headerSize == kCoreHeader) {
        width = Little(file, 18, 2);
        height = Little(file, 20, 2);
        bits = Little(file, 24, 2);
    } else {
        width = static_cast<std::int32_t>(Little(file, 18, 4));
        height = static_cast<std::int32_t>(Little(file, 22, 4));
        bits = Little(file, 28, 2);
        compression = Little(file, 30, 4);
    }
    if (compression != kPlainPixels && compression != kBitFields && compression != kAlphaBitFields) {
        return true;
    }
    if (width <= 0 || height == 0 || bits == 0) {
        return true; // no picture at all: the decoder refuses it
    }
    // Each row is padded to whole 32-bit words.
    const std::uint64_t rowBytes = (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
    const std::uint64_t pixelBytes = rowBytes * static_cast<std::uint64_t>(std::llabs(height));
    return pixelBytes <= file.size() - pixelsAt;
}

} // namespace morrow
