// SPDX-License-Identifier: GPL-3.0-or-later
// Our own Windows bitmap writer and 256-colour quantiser. The game's
// pictures are BMP files in three flavours: 24-bit true colour, 8-bit with
// a 256-entry palette, and 4-bit with a 16-entry palette. Every byte is
// ours to choose, so the same picture always gives the same file.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <cstdint>

namespace morrow::artgen {

// Byte sizes of the BMP headers we write.
inline constexpr int kFileHeaderSize = 14;
inline constexpr int kInfoHeaderSize = 40; // BITMAPINFOHEADER

// Encodes an image as an uncompressed bottom-up BMP.
//  bits 24: any image, alpha ignored;
//  bits 8:  an Indexed8 image, palette padded to 256 entries;
//  bits 4:  an Indexed8 image with at most 16 colours, palette padded to 16.
// Throws std::invalid_argument on an image that does not fit the depth.
QByteArray EncodeBmp(const QImage& image, int bits);

// Writes bytes to a file, creating its directory; throws std::runtime_error.
void WriteFileBytes(const QString& path, const QByteArray& bytes);

// Reduces a picture to at most 256 colours by median cut over its colour
// histogram, then maps every pixel to the nearest palette entry (no
// dithering). Pure black and pure white are always in the palette exactly,
// so black areas stay black. Deterministic for a given picture.
QImage Quantise256(const QImage& image);

} // namespace morrow::artgen
