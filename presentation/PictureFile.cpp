// SPDX-License-Identifier: GPL-3.0-or-later
#include "PictureFile.h"

#include "BmpHeader.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <span>

namespace morrow {

QImage ReadPictureFile(const QString& path, const char* format) {
    if (!QFileInfo(path).isFile()) {
        return {};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray bytes = file.readAll();
    const std::span<const std::uint8_t> view(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                             static_cast<std::size_t>(bytes.size()));
    QImage picture;
    if (!BmpPixelsFitFile(view) || !picture.loadFromData(bytes, format)) {
        return {};
    }
    return picture;
}

} // namespace morrow
