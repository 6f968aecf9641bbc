// SPDX-License-Identifier: GPL-3.0-or-later
// The digit strips of the counters: seven-segment digits with bevelled
// segments, lit in pure red or green, with the unlit segments left as a
// faint ghost like a real LED display. Drawn pixel by pixel at 16 x 21 and
// doubled for the large strips, so both sizes match exactly.
#include "Pictures.h"

#include <array>

namespace morrow::artgen {

namespace {

// Palette of every strip (16 colours).
enum Ink : uchar {
    kBlack = 0,
    kRed = 1,
    kRedLight = 2,
    kRedDark = 3,
    kRedGhost = 4,
    kGreen = 5,
    kGreenLight = 6,
    kGreenDark = 7,
    kGreenGhost = 8,
};

QList<QRgb> DigitPalette() {
    QList<QRgb> pal{qRgb(0, 0, 0),    qRgb(255, 0, 0),     qRgb(255, 150, 140), qRgb(168, 0, 0),
                    qRgb(52, 0, 0),   qRgb(0, 255, 0),     qRgb(160, 255, 150), qRgb(0, 160, 0),
                    qRgb(0, 48, 0),   qRgb(128, 128, 128), qRgb(192, 192, 192), qRgb(255, 255, 255),
                    qRgb(64, 64, 64), qRgb(255, 255, 0),   qRgb(0, 0, 255),     qRgb(0, 255, 255)};
    return pal;
}

// Segments a..g; horizontal ones are (row of centre), vertical ones
// (column of centre, first row, last row) in the small cell.
enum Seg { A, B, C, D, E, F, G };

// Which segments light each digit.
constexpr std::array<std::array<bool, 7>, 10> kLit{{
    {true, true, true, true, true, true, false},     // 0
    {false, true, true, false, false, false, false}, // 1
    {true, true, false, true, true, false, true},    // 2
    {true, true, true, true, false, false, true},    // 3
    {false, true, true, false, false, true, true},   // 4
    {true, false, true, true, false, true, true},    // 5
    {true, false, true, true, true, true, true},     // 6
    {true, true, true, false, false, false, false},  // 7
    {true, true, true, true, true, true, true},      // 8
    {true, true, true, true, false, true, true},     // 9
}};

void Put(QImage& img, int x, int y, uchar v) {
    img.setPixel(x, y, v);
}

// A horizontal segment centred on row cy, spanning x 4..11 at its widest.
void HSeg(QImage& img, int ox, int cy, uchar light, uchar mid, uchar dark) {
    for (int x = 5; x <= 10; ++x) {
        Put(img, ox + x, cy - 1, light);
        Put(img, ox + x, cy + 1, dark);
    }
    for (int x = 4; x <= 11; ++x) {
        Put(img, ox + x, cy, mid);
    }
}

// A vertical segment centred on column cx, spanning rows y0..y1 at its
// longest.
void VSeg(QImage& img, int ox, int cx, int y0, int y1, uchar light, uchar mid, uchar dark) {
    for (int y = y0 + 1; y <= y1 - 1; ++y) {
        Put(img, ox + cx - 1, y, light);
        Put(img, ox + cx + 1, y, dark);
    }
    for (int y = y0; y <= y1; ++y) {
        Put(img, ox + cx, y, mid);
    }
}

void Segment(QImage& img, int ox, Seg s, bool lit, bool green) {
    const uchar mid = lit ? (green ? kGreen : kRed) : (green ? kGreenGhost : kRedGhost);
    const uchar light = lit ? uchar(green ? kGreenLight : kRedLight) : mid;
    const uchar dark = lit ? uchar(green ? kGreenDark : kRedDark) : mid;
    switch (s) {
    case A:
        HSeg(img, ox, 3, light, mid, dark);
        break;
    case G:
        HSeg(img, ox, 10, light, mid, dark);
        break;
    case D:
        HSeg(img, ox, 17, light, mid, dark);
        break;
    case F:
        VSeg(img, ox, 3, 4, 9, light, mid, dark);
        break;
    case B:
        VSeg(img, ox, 12, 4, 9, light, mid, dark);
        break;
    case E:
        VSeg(img, ox, 3, 11, 16, light, mid, dark);
        break;
    case C:
        VSeg(img, ox, 12, 11, 16, light, mid, dark);
        break;
    }
}

void Dot(QImage& img, int x0, int y0, bool green) {
    const uchar light = green ? kGreenLight : kRedLight;
    const uchar mid = green ? kGreen : kRed;
    const uchar dark = green ? kGreenDark : kRedDark;
    Put(img, x0, y0, light);
    Put(img, x0 + 1, y0, light);
    Put(img, x0, y0 + 1, light);
    Put(img, x0 + 1, y0 + 1, mid);
    Put(img, x0 + 2, y0 + 1, dark);
    Put(img, x0 + 1, y0 + 2, dark);
    Put(img, x0 + 2, y0 + 2, dark);
    Put(img, x0 + 2, y0, mid);
    Put(img, x0, y0 + 2, mid);
}

QImage SmallStrip(bool green) {
    QImage img(188, 21, QImage::Format_Indexed8);
    img.setColorTable(DigitPalette());
    img.fill(0);
    for (int d = 0; d < 10; ++d) {
        for (int s = A; s <= G; ++s) {
            Segment(img, d * 16, static_cast<Seg>(s),
                    kLit[static_cast<std::size_t>(d)][static_cast<std::size_t>(s)], green);
        }
    }
    Dot(img, 160 + 6, 16, green); // point
    Dot(img, 176 + 4, 6, green);  // colon, upper dot
    Dot(img, 176 + 4, 13, green); // colon, lower dot
    return img;
}

} // namespace

QImage PaintDigits(bool green, bool large, int scale) {
    const QImage small = SmallStrip(green);
    const int factor = (large ? 2 : 1) * scale;
    if (factor == 1) {
        return small;
    }
    QImage big(small.width() * factor, small.height() * factor, QImage::Format_Indexed8);
    big.setColorTable(small.colorTable());
    for (int y = 0; y < big.height(); ++y) {
        for (int x = 0; x < big.width(); ++x) {
            big.setPixel(x, y, static_cast<uint>(small.pixelIndex(x / factor, y / factor)));
        }
    }
    return big;
}

} // namespace morrow::artgen
