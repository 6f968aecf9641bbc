// SPDX-License-Identifier: GPL-3.0-or-later
// The complete set of the game's pictures: what each file is called, where
// it goes (beside the program, or embedded in it) and how it is encoded.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <vector>

namespace morrow::artgen {

enum class Encoding { Bmp24, Bmp8, Bmp4, Png };

struct ArtFile {
    QString path;  // relative to its destination directory
    bool embedded; // true: compiled into the program; false: program dir
    Encoding encoding;
    QImage image; // what was painted (true colour or Indexed8)
};

// Paints every picture. Throws std::runtime_error when a font is missing.
std::vector<ArtFile> BuildArt();

// The file bytes of one picture.
QByteArray EncodeArt(const ArtFile& file);

// Writes every picture under programDir or embeddedDir.
void WriteArt(const std::vector<ArtFile>& files, const QString& programDir, const QString& embeddedDir);

// One picture showing every picture at 1:1 with its name, on a grey board.
// The 8-bit and 4-bit files are shown as decoded from their bytes.
QImage ContactSheet(const std::vector<ArtFile>& files);

} // namespace morrow::artgen
