// SPDX-License-Identifier: GPL-3.0-or-later
// The play field on high-resolution screens: a canvas of 2 pixels per unit
// drawn from the 2x pictures, shown scaled at fractional ratios, and the
// rule that pairs a 2x picture with its 1x one.
#include "PresentationTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <string>
#include <vector>

namespace morrow::test {
namespace {

constexpr QRgb kGreen = 0xFF00FF00;
constexpr QRgb kWhite = 0xFFFFFFFF;

QImage Cell(const QImage& sheet, int tile) {
    return sheet.copy(tile % 4 * 192, tile / 4 * 192, 192, 192);
}

// At a ratio of 2 every copy is the 2x picture pixel for pixel at the
// doubled place, and lines and bands cover their doubled rectangles.
TEST(SharpCanvas, AtRatioTwoTheFieldIsThe2xPicturesPixelForPixel) {
    Screen screen(800, 600, 2);
    ASSERT_TRUE(screen.loaded) << "pictures missing in " << ProgramDir();
    const QImage& symbols = screen.bitmaps.Sharp.SymbolBitmap;
    ASSERT_EQ(symbols.size(), QSize(768, 576)) << "no 2x symbol picture";
    screen.session.Credits = 1000;
    screen.painter.FormPaint();
    const int w = screen.bitmaps.FieldWidth();
    const auto device = [&](int x, int y) { return screen.Field(x, y) * 2; };

    // The top row of every reel: its strip digit's 2x tile.
    for (int reel = 0; reel < kReelCount; ++reel) {
        const int tile =
            SymbolAt(screen.session, reel, screen.session.ReelPos[static_cast<std::size_t>(reel)]);
        EXPECT_TRUE(Shows(screen.canvas, device(78 + 124 * reel, 71), Cell(symbols, tile)))
            << "reel " << reel;
    }
    // The credits, green and right-aligned at the field's right edge: the
    // 2x digit cells (32 x 42) of the green strip.
    const QImage& green = screen.strips.Sharp[1];
    ASSERT_EQ(green.size(), QSize(376, 42));
    const std::string credits = "1000";
    for (int i = 0; i < 4; ++i) {
        const int digit = credits[static_cast<std::size_t>(i)] - '0';
        EXPECT_TRUE(Shows(screen.canvas, device(w - 16 * (4 - i), -25), green.copy(digit * 32, 0, 32, 42)))
            << "digit " << i;
    }
    // The payline: two device rows of green, the rows beside it not.
    const QRect payline(device(72, 213), QSize((w - 144) * 2, 2));
    EXPECT_TRUE(Filled(screen.canvas, payline, kGreen));
    EXPECT_FALSE(Filled(screen.canvas, payline.translated(0, 2).adjusted(0, 0, 0, -1), kGreen));
    EXPECT_FALSE(Filled(screen.canvas, payline.translated(0, -1).adjusted(0, 0, 0, -1), kGreen));

    // The wild's next frame and the white band under its cell.
    screen.painter.Timer2Timer();
    EXPECT_TRUE(Shows(screen.canvas, device(326, 167), Cell(symbols, 10).copy(0, 0, 192, 92)));
    EXPECT_TRUE(Filled(screen.canvas, QRect(device(326, 263), QSize(192, 30)), kWhite));
    EXPECT_FALSE(Filled(screen.canvas, QRect(device(326, 278), QSize(192, 1)), kWhite));
}

// At 1.5 the 2x canvas is shown scaled down. Shown in the small pieces the
// game updates one at a time, with edges between device pixels, it must
// be the same picture as shown in one piece: no seam, no gap, no pixel
// left unpainted.
TEST(SharpCanvas, AtOneAndAHalfPiecesShowWithoutSeams) {
    Screen screen(800, 600, 2);
    ASSERT_TRUE(screen.loaded) << "pictures missing in " << ProgramDir();
    screen.painter.FormPaint();
    const QRgb unpainted = 0xFFFF00FF;
    const auto shown = [&](const std::vector<QRect>& pieces) {
        QImage device(1200, 900, QImage::Format_RGB32);
        device.setDevicePixelRatio(1.5);
        device.fill(unpainted);
        for (const QRect& piece : pieces) {
            QPainter painter(&device);
            painter.setClipRect(piece);
            PresentCanvas(painter, screen.canvas, 1.5);
        }
        return device;
    };
    const QImage whole = shown({QRect(0, 0, 800, 600)});
    std::vector<QRect> pieces;
    for (int y = 0; y < 600; y += 37) {
        for (int x = 0; x < 800; x += 41) {
            pieces.emplace_back(x, y, 41, 37);
        }
    }
    const QImage pieced = shown(pieces);
    int unpaintedPixels = 0;
    int seams = 0;
    for (int y = 0; y < whole.height(); ++y) {
        for (int x = 0; x < whole.width(); ++x) {
            const QRgb a = whole.pixel(x, y);
            const QRgb b = pieced.pixel(x, y);
            unpaintedPixels += (a == unpainted || b == unpainted) ? 1 : 0;
            seams += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                                 std::abs(qBlue(a) - qBlue(b)) >
                             6
                         ? 1
                         : 0;
        }
    }
    EXPECT_EQ(unpaintedPixels, 0);
    EXPECT_EQ(seams, 0);
}

// A player's own 1x picture must not be paired with our 2x one: a 2x file
// counts only when it is exactly twice its 1x picture; otherwise the 1x
// picture is scaled up. Each case writes its own "Morro96@2x.bmp".
// The sprites' fast copy gives what a painter's plain copy gives, also for
// a frame that hangs over any edge of the canvas (the bat enters from above
// the window and leaves past its left side) and on a 2x canvas.
TEST(SharpCanvas, AFrameCopiedOverTheCanvasEdgeMatchesThePaintersCopy) {
    struct Case {
        int scale;
        QPoint at;
    };
    const Case cases[] = {{1, {5, 6}},   {1, {-7, -9}}, {1, {30, 25}}, {1, {-60, 0}},
                          {2, {-7, 20}}, {2, {33, -5}}, {2, {30, 25}}, {2, {0, 50}}};
    for (const Case& c : cases) {
        QImage source = NewScaledImage({20, 15}, c.scale);
        for (int y = 0; y < source.height(); ++y) {
            for (int x = 0; x < source.width(); ++x) {
                source.setPixel(x, y, qRgb(x * 7 % 256, y * 13 % 256, (x + y) % 256));
            }
        }
        const QRect frame(3, 2, 12, 10);
        QImage fast = NewScaledImage({40, 30}, c.scale, Qt::blue);
        CopyInto(fast, c.at, source, frame);
        QImage painted = NewScaledImage({40, 30}, c.scale, Qt::blue);
        {
            QPainter painter(&painted);
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.drawImage(c.at, source, PixelRect(source, frame));
        }
        EXPECT_EQ(fast, painted) << "scale " << c.scale << " at " << c.at.x() << "," << c.at.y();
    }
}

// Above 2 pixels per unit a 3x file is read by the same rule, and a 2x one
// when there is no 3x; a ratio between two scales gets the larger picture
// scaled down to the device's own pixels.
TEST(SharpCanvas, A2xPictureCountsOnlyWhenExactlyTwiceIts1xPicture) {
    struct Case {
        const char* what;
        QSize sharpFile; // empty: no 2x file
        bool used;
        bool cutShort = false; // the 2x file one byte shorter than its header promises
        int fileScale = 2;     // the file is Morro96@<fileScale>x.bmp
        qreal ratio = 2;
    };
    const Case cases[] = {
        {"exactly twice", {768, 576}, true},
        {"no 2x file", {}, false},
        {"the 1x size", {384, 288}, false},
        {"twice, but not of this 1x picture", {760, 576}, false},
        {"twice, but one byte short", {768, 576}, false, true},
        {"three times, at 3", {1152, 864}, true, false, 3, 3},
        {"three times, but not of this 1x picture", {1150, 864}, false, false, 3, 3},
        {"twice, at 2.5, with no 3x file", {768, 576}, true, false, 2, 2.5},
        {"twice, at 1.5", {768, 576}, true, false, 2, 1.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QFile::copy(QString::fromStdString(ProgramDir()) + QStringLiteral("Morro96.bmp"),
                                dir.filePath(QStringLiteral("Morro96.bmp"))));
        const QString file = dir.filePath(QStringLiteral("Morro96@%1x.bmp").arg(c.fileScale));
        if (!c.sharpFile.isEmpty()) {
            QImage blue(c.sharpFile, QImage::Format_RGB32);
            blue.fill(Qt::blue);
            ASSERT_TRUE(blue.save(file, "BMP"));
            if (c.cutShort) {
                QFile cut(file);
                ASSERT_TRUE(cut.resize(cut.size() - 1));
            }
        }
        GameSession session;
        session.ProgramDir = QDir(dir.path()).filePath(QString()).toStdString() + "/";
        session.ScreenWidth = 800;
        PlayFieldBitmaps bitmaps = CreateBitmaps(800);
        LoadBitmaps(bitmaps, session, 32);
        LoadSharpBitmaps(bitmaps, session, 32, c.ratio);
        const QImage& sharp = bitmaps.Sharp.SymbolBitmap;
        const QSize size = QSizeF(384 * c.ratio, 288 * c.ratio).toSize();
        ASSERT_EQ(sharp.size(), size);
        EXPECT_EQ(sharp.devicePixelRatio(), c.ratio);
        const QImage scaledUp =
            bitmaps.SymbolBitmap.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_EQ(sharp.pixel(100, 100) == qRgb(0, 0, 255), c.used);
        EXPECT_EQ(sharp.pixel(100, 100) == scaledUp.pixel(100, 100), !c.used);
        EXPECT_TRUE(bitmaps.Sharp.InterfaceBitmap.isNull()) << "a missing 1x picture has no 2x one";
    }
}

} // namespace
} // namespace morrow::test
