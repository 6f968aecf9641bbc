// SPDX-License-Identifier: GPL-3.0-or-later
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
#include <QVariant>

#include <cmath>
#include <cstring>

namespace morrow {

// The scale of the art a canvas of this many device pixels per unit is
// drawn from: 1 up to 100 %, 2 up to 200 %, 3 above. A canvas always holds
// the device's own pixels; at a ratio between two art scales the larger art
// is scaled down smoothly once, as it is read, so every copy onto the
// canvas stays a plain one.
inline int ArtScaleFor(qreal devicePixelRatio) {
    return devicePixelRatio > 2.0 ? 3 : devicePixelRatio > 1.0 ? 2 : 1;
}

// The device pixel at which unit `units` begins, at `scale` pixels per
// unit. Neighbouring rectangles share their edges, so copies side by side
// meet without a seam or an overlap at fractional scales too.
inline int PixelEdge(int units, qreal scale) {
    return static_cast<int>(std::floor(units * scale + 0.5));
}

// A size in units as the pixels it covers at `scale`.
inline QSize PixelSize(QSize units, qreal scale) {
    return {PixelEdge(units.width(), scale), PixelEdge(units.height(), scale)};
}

// The game's main window holds its zoom (desktop pixels per unit) in this
// property; the windows it opens read it there to show the game's own
// pictures at the same size.
inline constexpr char kGameZoomProperty[] = "gameZoom";

// The zoom of the game window that `object` is or belongs to; 1 when none.
inline double GameZoomOf(const QObject* object) {
    for (; object != nullptr; object = object->parent()) {
        const QVariant zoom = object->property(kGameZoomProperty);
        if (zoom.isValid()) {
            return zoom.toDouble();
        }
    }
    return 1;
}

// An image's own rectangle in units.
inline QRect UnitRect(const QImage& image) {
    return {QPoint(0, 0), image.deviceIndependentSize().toSize()};
}

// A rectangle in units as the pixels of `image` it covers.
inline QRect PixelRect(const QImage& image, const QRect& units) {
    const qreal scale = image.devicePixelRatio();
    const QPoint from(PixelEdge(units.x(), scale), PixelEdge(units.y(), scale));
    const QPoint to(PixelEdge(units.x() + units.width(), scale),
                    PixelEdge(units.y() + units.height(), scale));
    return {from, QSize(to.x() - from.x(), to.y() - from.y())};
}

// A picture `size` units large at `scale` pixels per unit, in the canvas's
// pixel format, filled with `fill`.
inline QImage NewScaledImage(QSize size, qreal scale, const QColor& fill = Qt::black) {
    QImage image(PixelSize(size, scale), QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    image.fill(fill);
    return image;
}

// Copies the rows of `from` (pixels of `source`) to `at` (pixels of
// `target`) as they are, clipped to both pictures. Both pictures
// hold 32-bit pixels of one format. Sprites and the wild are copied this way
// many times a second, so no painter is set up for them.
inline void CopyPixels(QImage& target, QPoint at, const QImage& source, QRect from) {
    const QRect inSource = from.intersected(source.rect());
    at += inSource.topLeft() - from.topLeft();
    from = inSource;
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
// pixel for pixel: the target's pixels of the rectangle at `at`, filled
// from the source's pixels where `from` begins.
inline void CopyInto(QImage& target, QPoint at, const QImage& source, const QRect& from) {
    if (source.isNull()) {
        return;
    }
    const QRect pixels = PixelRect(source, from);
    if (source.devicePixelRatio() == target.devicePixelRatio() && source.format() == target.format() &&
        source.format() == QImage::Format_RGB32 && source.rect().contains(pixels)) {
        const QRect to = PixelRect(target, QRect(at, from.size()));
        CopyPixels(target, to.topLeft(), source, QRect(pixels.topLeft(), to.size()));
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

// The name of the picture at `scale` beside a 1x one: "Name.ext" becomes
// "Name@2x.ext" or "Name@3x.ext".
// A different `extension` (".png") replaces the 1x one.
inline QString ScaledFileName(const QString& path, int scale, const QString& extension = {}) {
    const QString suffix = QStringLiteral("@%1x").arg(scale);
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (dot <= slash) {
        return path + suffix + extension;
    }
    return path.left(dot) + suffix + (extension.isEmpty() ? path.mid(dot) : extension);
}

inline QString SharpFileName(const QString& path) {
    return ScaledFileName(path, 2);
}

// `single`, a 1x picture read from `path`, at `ratio` pixels per unit. It
// is drawn from the art of ArtScaleFor(ratio) ("Name@3x.ext" or
// "Name@2x.ext" beside it, the largest there is up to that scale), which
// counts only when it is exactly that many times the 1x picture, so that a
// player's own replacement of a 1x picture is never paired with our larger
// one; failing that from the 1x picture. The art is then scaled smoothly to
// the ratio when it is not already of it. Empty when `single` is. The larger
// art may be of another file type (`extension`).
inline QImage PictureAtRatio(const QImage& single, const QString& path, qreal ratio,
                             const QString& extension = {}) {
    if (single.isNull()) {
        return {};
    }
    QImage art;
    for (int scale = ArtScaleFor(ratio); scale > 1 && art.isNull(); --scale) {
        art = ReadPictureFile(ScaledFileName(path, scale, extension));
        if (art.size() != single.size() * scale) {
            art = QImage();
        }
    }
    if (art.isNull()) {
        art = single;
    }
    const QSize size = PixelSize(single.size(), ratio);
    if (art.size() != size) {
        art = art.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                  .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    art = art.convertToFormat(single.format());
    art.setDevicePixelRatio(ratio);
    return art;
}

// The 2x counterpart of `single`, read from `sharpPath` by the rule above.
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
