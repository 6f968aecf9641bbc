// SPDX-License-Identifier: GPL-3.0-or-later
// The BMP writer's byte layout and the quantiser's guarantees.
#include "ArtTestSupport.h"
#include "Bmp.h"

#include <QColor>

#include <gtest/gtest.h>

#include <set>

using namespace morrow::artgen;
using namespace morrow::artgen::test;

namespace {

QImage indexed(int w, int h, const QList<QRgb>& palette) {
    QImage img(w, h, QImage::Format_Indexed8);
    img.setColorTable(palette);
    img.fill(0);
    return img;
}

} // namespace

TEST(BmpWriter, TrueColourHeaderPaddingAndBottomUpRows) {
    QImage img(3, 2, QImage::Format_RGB32);
    img.setPixel(0, 0, qRgb(1, 2, 3));    // top left
    img.setPixel(2, 1, qRgb(40, 50, 60)); // bottom right
    const QByteArray b = EncodeBmp(img, 24);
    const int rowBytes = 12; // 9 bytes of pixels padded to 12
    ASSERT_EQ(b.size(), 54 + 2 * rowBytes);
    EXPECT_EQ(b.left(2), QByteArray("BM"));
    EXPECT_EQ(le32(b, 2), static_cast<std::uint32_t>(b.size()));
    EXPECT_EQ(le32(b, 10), 54u);
    EXPECT_EQ(le32(b, 14), 40u);
    EXPECT_EQ(le32(b, 18), 3u);
    EXPECT_EQ(le32(b, 22), 2u); // positive height: bottom-up
    EXPECT_EQ(le16(b, 28), 24);
    EXPECT_EQ(le32(b, 30), 0u); // no compression
    // The first stored row is the bottom row; pixels are blue, green, red.
    EXPECT_EQ(static_cast<unsigned char>(b[54 + 6]), 60);
    EXPECT_EQ(static_cast<unsigned char>(b[54 + 8]), 40);
    EXPECT_EQ(static_cast<unsigned char>(b[54 + rowBytes]), 3);
    EXPECT_EQ(static_cast<unsigned char>(b[54 + rowBytes + 2]), 1);
}

TEST(BmpWriter, PalettedDepthsPackIndicesAndPadPalette) {
    QImage img = indexed(5, 2, {qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0)});
    img.setPixel(0, 1, 1); // bottom row: 1 0 0 0 2
    img.setPixel(4, 1, 2);
    img.setPixel(1, 0, 2); // top row:    0 2 0 0 0

    const QByteArray four = EncodeBmp(img, 4);
    const int paletteEnd4 = 54 + 16 * 4;
    EXPECT_EQ(le32(four, 10), static_cast<std::uint32_t>(paletteEnd4));
    EXPECT_EQ(le16(four, 28), 4);
    EXPECT_EQ(le32(four, 46), 16u);
    EXPECT_EQ(four.size(), paletteEnd4 + 2 * 4); // 5 nibbles padded to 4 bytes
    // Palette entry 1 is red stored as blue, green, red, 0.
    EXPECT_EQ(four.mid(54 + 4, 4), QByteArray("\x00\x00\xff\x00", 4));
    // High nibble first.
    EXPECT_EQ(static_cast<unsigned char>(four[paletteEnd4]), 0x10);
    EXPECT_EQ(static_cast<unsigned char>(four[paletteEnd4 + 2]), 0x20);
    EXPECT_EQ(static_cast<unsigned char>(four[paletteEnd4 + 4]), 0x02);

    const QByteArray eight = EncodeBmp(img, 8);
    EXPECT_EQ(le32(eight, 10), 1078u);
    EXPECT_EQ(le16(eight, 28), 8);
    EXPECT_EQ(eight.size(), 1078 + 2 * 8);
    EXPECT_EQ(static_cast<unsigned char>(eight[1078]), 1);
    EXPECT_EQ(static_cast<unsigned char>(eight[1078 + 4]), 2);
    EXPECT_EQ(static_cast<unsigned char>(eight[1078 + 8 + 1]), 2);

    // Qt reads back what we wrote.
    for (const QByteArray& bytes : {four, eight}) {
        QImage back;
        ASSERT_TRUE(back.loadFromData(bytes));
        EXPECT_EQ(back.pixel(0, 1), qRgb(255, 0, 0));
        EXPECT_EQ(back.pixel(1, 0), qRgb(0, 255, 0));
        EXPECT_EQ(back.pixel(2, 0), qRgb(0, 0, 0));
    }
}

TEST(BmpWriter, RefusesImagesThatDoNotFitTheDepth) {
    QList<QRgb> big;
    for (int i = 0; i < 17; ++i) {
        big.push_back(qRgb(i, i, i));
    }
    EXPECT_THROW(EncodeBmp(indexed(2, 2, big), 4), std::invalid_argument);
    EXPECT_THROW(EncodeBmp(QImage(2, 2, QImage::Format_RGB32), 8), std::invalid_argument);
    EXPECT_THROW(EncodeBmp(QImage(), 24), std::invalid_argument);
}

TEST(Quantiser, KeepsBlackWhiteAndSmallPalettesExact) {
    QImage img(64, 4, QImage::Format_RGB32); // 2 + 240 colours
    for (int x = 0; x < 64; ++x) {
        for (int y = 0; y < 4; ++y) {
            img.setPixel(x, y,
                         x < 2   ? qRgb(0, 0, 0)
                         : x < 4 ? qRgb(255, 255, 255)
                                 : qRgb(4 * x, 255 - 4 * x, y * 30));
        }
    }
    const QImage q = Quantise256(img);
    ASSERT_EQ(q.format(), QImage::Format_Indexed8);
    EXPECT_EQ(q.colorCount(), 256);
    for (int x = 0; x < 64; ++x) {
        for (int y = 0; y < 4; ++y) {
            EXPECT_EQ(q.pixel(x, y), img.pixel(x, y)) << x << "," << y;
        }
    }
}

TEST(Quantiser, ManyColoursStayCloseAndDeterministic) {
    QImage img(256, 64, QImage::Format_RGB32);
    for (int x = 0; x < 256; ++x) {
        for (int y = 0; y < 64; ++y) {
            img.setPixel(x, y, qRgb(x, (x * 7 + y * 3) % 256, y * 4));
        }
    }
    img.setPixel(5, 5, qRgb(0, 0, 0));
    const QImage q = Quantise256(img);
    EXPECT_EQ(q.pixel(5, 5), qRgb(0, 0, 0));
    double error = 0;
    for (int x = 0; x < 256; ++x) {
        for (int y = 0; y < 64; ++y) {
            const QRgb a = img.pixel(x, y), b = q.pixel(x, y);
            error +=
                std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
        }
    }
    EXPECT_LT(error / (256.0 * 64 * 3), 12.0);
    EXPECT_EQ(EncodeBmp(q, 8), EncodeBmp(Quantise256(img), 8));
}
