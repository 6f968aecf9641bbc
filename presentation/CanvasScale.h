// Drawing at more than one pixel per unit. The game's coordinates are units
// (the pixels of a screen at 100 %); a canvas or picture may hold two device
// pixels per unit, its devicePixelRatio, so that high-resolution screens get
// pictures painted at twice the size instead of the small ones blown up.
#pragma once

#include "PictureFile.h"

#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>

#include <cstring>

namespace morrow {

// The scale of the pictures a screen with this many device pixels per unit
// is drawn from: 1 up to 100 %, 2 above. Fractional screens (125 %, 150 %,
// 175 %) draw from the 2x pictures and show the canvas scaled down smoothly
// in one piece, so no seam can open between neighbouring copies; a 300 %
// screen shows the 2x canvas scaled up.
inline int ArtScaleFor(qreal devicePixelRatio) {
    return devicePixelRatio > 1.0 ? 2 : 1;
}

// An image's own rectangle in units.
inline QRect UnitRect(const QImage& image) {
    return {QPoint(0, 0), image.deviceIndependentSize().toSize()};
}

// A rectangle in units as the pixels of `image` it covers.
inline QRect PixelRect(const QImage& image, const QRect& units) {
    const int scale = static_cast<int>(image.devicePixelRatio());
    return {units.x() * scale, units.y() * scale, units.width() * scale, units.height() * scale};
}

// A picture `size` units large at `scale` pixels per unit, in the canvas's
// pixel format, filled with `fill`.
inline QImage NewScaledImage(QSize size, int scale, const QColor& fill = Qt::black) {
    QImage image(size * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    image.fill(fill);
    return image;
}

// Copies the rows of `from` (pixels of `source`, in its bounds) to `at`
// (pixels of `target`) as they are, clipped to the target. Both pictures
// hold 32-bit pixels of one format. Sprites and the wild are copied this way
// many times a second, so no painter is set up for them.
inline void CopyPixels(QImage& target, QPoint at, const QImage& source, QRect from) {
    QRect to(at, from.size());
    to = to.intersected(target.rect());
    if (to.isEmpty()) {
        return;
    }
    from.translate(to.topLeft() - at);
    const qsizetype rowBytes = static_cast<qsizetype>(to.width()) * 4;
    for (int row = 0; row < to.height(); ++row) {
        std::memcpy(target.scanLine(to.y() + row) + static_cast<qsizetype>(to.x()) * 4,
                    source.constScanLine(from.y() + row) + static_cast<qsizetype>(from.x()) * 4,
                    static_cast<std::size_t>(rowBytes));
    }
}

// A plain copy of part of a picture, pixels replaced, nothing blended; `at`
// and `from` in units. Between pictures of the same scale this is a copy
// pixel for pixel.
inline void CopyInto(QImage& target, QPoint at, const QImage& source, const QRect& from) {
    if (source.isNull()) {
        return;
    }
    const QRect pixels = PixelRect(source, from);
    if (source.devicePixelRatio() == target.devicePixelRatio() && source.format() == target.format() &&
        source.format() == QImage::Format_RGB32 && source.rect().contains(pixels)) {
        const int scale = static_cast<int>(target.devicePixelRatio());
        CopyPixels(target, at * scale, source, pixels);
        return;
    }
    QPainter painter(&target);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.setRenderHint(QPainter::SmoothPixmapTransform,
                          source.devicePixelRatio() != target.devicePixelRatio());
    painter.drawImage(at, source, PixelRect(source, from));
}

// A part of `source` (in units) as a picture of the same scale.
inline QImage CopyOut(const QImage& source, const QRect& units) {
    QImage part = source.copy(PixelRect(source, units));
    part.setDevicePixelRatio(source.devicePixelRatio());
    return part;
}

// Shows `canvas` on a widget's painter, whose clip holds the region to show.
// When the canvas has as many pixels per unit as the device, every pixel is
// copied as it is; otherwise the whole canvas is scaled smoothly in one
// piece, so the part shown samples its neighbours as a single picture would.
inline void PresentCanvas(QPainter& painter, const QImage& canvas, qreal deviceRatio) {
    painter.setRenderHint(QPainter::SmoothPixmapTransform, canvas.devicePixelRatio() != deviceRatio);
    painter.drawImage(QPointF(0, 0), canvas);
}

// The name of the 2x picture beside a 1x one: "Name.ext" becomes
// "Name@2x.ext".
inline QString SharpFileName(const QString& path) {
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (dot <= slash) {
        return path + QStringLiteral("@2x");
    }
    return path.left(dot) + QStringLiteral("@2x") + path.mid(dot);
}

// The 2x counterpart of `single`, a 1x picture: the picture read from
// `sharpPath` when it is exactly twice as large, so that a player's own
// replacement of a 1x picture is never paired with our 2x one; otherwise
// the 1x picture scaled up smoothly. Two pixels per unit either way; empty
// when `single` is.
inline QImage SharpCounterpart(const QImage& single, const QString& sharpPath) {
    if (single.isNull()) {
        return {};
    }
    QImage sharp = ReadPictureFile(sharpPath);
    if (sharp.isNull() || sharp.size() != single.size() * 2) {
        sharp = single.scaled(single.size() * 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    sharp = sharp.convertToFormat(single.format());
    sharp.setDevicePixelRatio(2);
    return sharp;
}

} // namespace morrow
