// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace morrow {

// Whether the bytes are a RIFF WAVE file image, by its first twelve bytes.
bool IsWaveImage(std::span<const std::uint8_t> image);

// Whether the bytes are a RIFF file that ends before the length its header
// states: a copy broken off halfway.
bool IsCutShortRiff(std::span<const std::uint8_t> image);

// Makes a WAV file image safe to hand to the decoder: where a chunk of a
// RIFF WAVE image claims more bytes than the image holds (a file cut short,
// or a header that lies), its length is cut to the bytes that are there.
// The decoder then reads what the file holds, as it would anyway, instead of
// first asking for all the memory the header claims (4 GB from a file of a
// few bytes). Any other image is left as it is.
void FitWaveChunksToImage(std::vector<std::uint8_t>& image);

} // namespace morrow
