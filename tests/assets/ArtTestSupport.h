// SPDX-License-Identifier: GPL-3.0-or-later
// Shared access to the painted pictures for the art tests.
#pragma once

#include "ArtSet.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace morrow::artgen::test {

// Every picture, painted once per test program.
const std::vector<ArtFile>& art();
const ArtFile& artFile(const QString& path, bool embedded);
// A picture as the game reads it: its file bytes decoded, as RGB32.
QImage decoded(const QString& path, bool embedded);

inline std::uint32_t le32(const QByteArray& b, int at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}
inline std::uint16_t le16(const QByteArray& b, int at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      static_cast<unsigned char>(b[at + 1]) << 8);
}

inline bool isBlack(QRgb c) {
    return (c & 0xFFFFFFu) == 0;
}
inline int brightness(QRgb c) {
    return (qRed(c) + qGreen(c) + qBlue(c)) / 3;
}

} // namespace morrow::artgen::test
