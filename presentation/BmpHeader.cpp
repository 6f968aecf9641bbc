// SPDX-License-Identifier: GPL-3.0-or-later
#include "BmpHeader.h"

#include "ByteReader.h"

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

} // namespace

bool BmpPixelsFitFile(std::span<const std::uint8_t> file) {
    if (file.size() < 2 || file[0] != 'B' || file[1] != 'M') {
        return true; // not a BMP file: the decoder refuses it itself
    }
    ByteReader in(file, 10);
    const std::uint32_t pixelsAt = in.U32();
    const std::uint32_t headerSize = in.U32();
    if (!in.Ok()) {
        return false;
    }
    if (headerSize != kCoreHeader && headerSize < kInfoHeader) {
        return true; // a header the decoder does not know
    }
    if (file.size() < kFileHeader + headerSize || pixelsAt > file.size()) {
        return false;
    }
    // Both headers: the width, the height, the planes and the bits a pixel.
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t compression = kPlainPixels;
    if (headerSize == kCoreHeader) {
        width = in.U16();
        height = in.U16();
    } else {
        width = in.I32();
        height = in.I32();
    }
    in.Skip(2);
    const std::uint32_t bits = in.U16();
    if (headerSize != kCoreHeader) {
        compression = in.U32();
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
