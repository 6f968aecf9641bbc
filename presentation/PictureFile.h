// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QString>

namespace morrow {

// Reads a picture file of the game's, or one embedded in the program, whole.
// A null picture when there is no such regular file (never from a pipe or a
// device, which could hang the game), when it cannot be read or decoded, or
// when it is a BMP whose header promises more pixels than the file holds.
// `format` names the decoder ("BMP"); without one the contents tell.
QImage ReadPictureFile(const QString& path, const char* format = nullptr);

} // namespace morrow
