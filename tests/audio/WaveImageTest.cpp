// SPDX-License-Identifier: GPL-3.0-or-later
// A WAV image whose chunks claim more than the file holds is cut to what it
// holds before the decoder sees it, so that a few bytes never ask for
// gigabytes; whole images are left byte for byte; anything but a WAV image
// never reaches the decoder. A RIFF file shorter than its header says was
// broken off.
#include "WaveImage.h"

#include "ByteReader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace morrow {
namespace {

using Bytes = std::vector<std::uint8_t>;

// RIFF WAVE with a 16-byte fmt chunk and `held` data bytes, whose lengths
// are as given.
Bytes Wave(std::uint32_t riffLength, std::uint32_t fmtLength, std::uint32_t dataLength, std::size_t held) {
    Bytes out;
    AppendTag(out, "RIFF");
    AppendLittle(out, riffLength, 4);
    AppendTag(out, "WAVE");
    AppendTag(out, "fmt ");
    AppendLittle(out, fmtLength, 4);
    for (const std::uint32_t word : {0x00010001U, 22050U, 44100U, 0x00100002U}) {
        AppendLittle(out, word, 4);
    }
    AppendTag(out, "data");
    AppendLittle(out, dataLength, 4);
    out.resize(out.size() + held, 0x55);
    return out;
}

TEST(WaveImage, ChunksAreCutToTheBytesTheImageHolds) {
    const struct {
        const char* what;
        Bytes image;
        Bytes fitted;
        bool cutShort;    // shorter than its RIFF header says
        bool wave = true; // an effect the mixer is given at all
    } cases[] = {
        {"a whole image", Wave(36 + 8, 16, 8, 8), Wave(36 + 8, 16, 8, 8), false},
        {"data claiming 4 GB", Wave(36 + 8, 16, 0xFFFFFFF0U, 8), Wave(36 + 8, 16, 8, 8), false},
        {"a file cut short", Wave(36 + 100, 16, 100, 30), Wave(36 + 30, 16, 30, 30), true},
        {"fmt claiming the rest and more", Wave(0xFFFFFFFFU, 0x7FFFFFFFU, 8, 8),
         Wave(36 + 8, 16 + 8 + 8, 8, 8), true},
        {"no RIFF file", Bytes{'O', 'g', 'g', 'S', 1, 2}, Bytes{'O', 'g', 'g', 'S', 1, 2}, false, false},
        {"a MIDI file", Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96},
         Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96}, false, false},
    };
    for (const auto& c : cases) {
        Bytes image = c.image;
        FitWaveChunksToImage(image);
        EXPECT_EQ(image, c.fitted) << c.what;
        EXPECT_EQ(IsWaveImage(c.image), c.wave) << c.what;
        EXPECT_EQ(IsCutShortRiff(c.image), c.cutShort) << c.what;
    }
}

} // namespace
} // namespace morrow
