// SPDX-License-Identifier: GPL-3.0-or-later
#include "DigitCounter.h"

#include "ArtResources.h"
#include "CanvasScale.h"

#include <QPainter>

#include <string>

namespace morrow {

namespace {

constexpr DigitCell kSmallCell{16, 21};
constexpr DigitCell kLargeCell{32, 42};
// A number is at most this many digits long (the widest 32-bit value).
constexpr std::size_t kMostDigits = 10;

// The index of a strip in DigitStrips' order: red small, green small, red
// large, green large.
std::size_t StripIndex(DigitCell cell, DigitInk ink) {
    const bool large = cell.width == kLargeCell.width;
    return (large ? 2U : 0U) + (ink == DigitInk::Green ? 1U : 0U);
}

constexpr std::array<QImage DigitStrips::*, 4> kStrips{&DigitStrips::DigitsSmall, &DigitStrips::GreenSmall,
                                                       &DigitStrips::DigitsLarge, &DigitStrips::GreenLarge};
constexpr std::array<const char*, 4> kStripResources{art::kDigitsSmall, art::kGreenSmall, art::kDigitsLarge,
                                                     art::kGreenLarge};

// The strips hold no minus sign. A seven-segment minus is the middle bar
// alone, which is exactly what an 8 has and a 0 lacks: the pixels where the
// two cells differ, in the counter's own ink, on black.
// `cell` is in the strip's own pixels; the glyph has the strip's scale.
QImage MinusCell(const QImage& strip, DigitCell cell) {
    QImage minus(cell.width, cell.height, QImage::Format_RGB32);
    minus.fill(Qt::black);
    minus.setDevicePixelRatio(strip.devicePixelRatio());
    const QImage zero = strip.copy(0, 0, cell.width, cell.height);
    const QImage eight = strip.copy(8 * cell.width, 0, cell.width, cell.height);
    if (zero.isNull() || eight.isNull()) {
        return minus;
    }
    for (int y = 0; y < cell.height; ++y) {
        for (int x = 0; x < cell.width; ++x) {
            if (eight.pixel(x, y) != zero.pixel(x, y)) {
                minus.setPixel(x, y, eight.pixel(x, y));
            }
        }
    }
    return minus;
}

} // namespace

DigitStrips DigitStrips::LoadEmbedded() {
    DigitStrips strips;
    strips.DigitsSmall.load(QString::fromLatin1(art::kDigitsSmall));
    strips.GreenSmall.load(QString::fromLatin1(art::kGreenSmall));
    strips.DigitsLarge.load(QString::fromLatin1(art::kDigitsLarge));
    strips.GreenLarge.load(QString::fromLatin1(art::kGreenLarge));
    // The strips are 16-colour pictures; converted once here, every copy
    // from them is a plain one.
    for (std::size_t i = 0; i < strips.Minus.size(); ++i) {
        QImage& strip = strips.*kStrips[i];
        strip = strip.convertToFormat(QImage::Format_RGB32);
        strips.Minus[i] = MinusCell(strip, i < 2 ? kSmallCell : kLargeCell);
    }
    return strips;
}

void DigitStrips::LoadSharp(qreal ratio) {
    SharpRatio = ratio;
    for (std::size_t i = 0; i < Sharp.size(); ++i) {
        Sharp[i] = PictureAtRatio(this->*kStrips[i], QString::fromLatin1(kStripResources[i]), ratio);
        const DigitCell cell = i < 2 ? kSmallCell : kLargeCell;
        const QSize pixels = PixelSize({cell.width, cell.height}, ratio);
        SharpMinus[i] = MinusCell(Sharp[i], {pixels.width(), pixels.height()});
    }
}

DigitCell DigitCellFor(std::int32_t screenWidth) {
    return screenWidth < kLargeDigitsScreenWidth ? kSmallCell : kLargeCell;
}

QRect DrawNumber(QImage& target, const DigitStrips& strips, std::int32_t screenWidth, std::int32_t value,
                 int x, int y, DigitInk ink, DigitAlign align) {
    const DigitCell cell = DigitCellFor(screenWidth);
    const std::size_t index = StripIndex(cell, ink);
    // On a canvas of more than one pixel per unit the sharp strips, once loaded.
    const bool sharp = target.devicePixelRatio() > 1 && !strips.Sharp[index].isNull();
    const QImage& strip = sharp ? strips.Sharp[index] : strips.*kStrips[index];
    const QImage& minus = sharp ? strips.SharpMinus[index] : strips.Minus[index];

    const bool negative = value < 0;
    const std::int64_t magnitude = negative ? -static_cast<std::int64_t>(value) : value;
    std::string text = std::to_string(magnitude);
    if (text.size() > kMostDigits) {
        text.resize(kMostDigits);
    }
    if (negative) {
        text.insert(text.begin(), '-');
    }
    const int length = static_cast<int>(text.size());

    if (align == DigitAlign::Right) {
        x -= cell.width * length;
    }
    // The backing box reaches one cell beyond the number on the side away
    // from its anchor, which wipes the digit a shorter number leaves behind.
    const QRect box = align == DigitAlign::Right
                          ? QRect(x - cell.width, y, cell.width * (length + 1), cell.height)
                          : QRect(x, y, cell.width * (length + 1), cell.height);

    QPainter painter(&target);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(box, Qt::black);
    for (int i = 0; i < length; ++i) {
        const QPoint at(x + i * cell.width, y);
        const char c = text[static_cast<std::size_t>(i)];
        if (c == '-') {
            painter.drawImage(at, minus);
            continue;
        }
        const int digit = c - '0';
        painter.drawImage(at, strip, PixelRect(strip, QRect(digit * cell.width, 0, cell.width, cell.height)));
    }
    return box;
}

} // namespace morrow
