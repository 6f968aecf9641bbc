// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>

namespace morrow {

// Whether a BMP file holds the pixels its header promises. A header that
// claims more rows of plain (uncompressed) pixels than the file holds is a
// lie: the decoder would still make a picture of the claimed size, filled
// with whatever the memory held, at the cost of all that memory. Files with
// run-length pixels, whose length the header cannot promise, need only hold
// their headers; anything that is no BMP at all is left to the decoder.
bool BmpPixelsFitFile(std::span<const std::uint8_t> file);

} // namespace morrow
