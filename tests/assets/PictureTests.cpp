// SPDX-License-Identifier: GPL-3.0-or-later
// Every picture: its file format and size, and the places on it the game
// draws over or clicks on.
#include "ArtTestSupport.h"
#include "Pictures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

using namespace morrow::artgen;
using namespace morrow::artgen::test;

namespace {

struct Expected {
    const char* path;
    bool embedded;
    int width, height, bits;
};

constexpr Expected kBmpFiles[] = {
    {"MorInt.bmp", false, 500, 400, 24},   {"MorIn256.bmp", false, 500, 400, 8},
    {"Morro96.bmp", false, 384, 288, 24},  {"Motion.bmp", false, 96, 576, 24},
    {"Motion2.bmp", false, 96, 576, 8},    {"Bat.bmp", false, 750, 150, 24},
    {"Ghoul.bmp", false, 190, 600, 24},    {"Skelt.bmp", false, 90, 252, 24},
    {"Blood.bmp", false, 498, 120, 24},    {"Paychart.bmp", false, 632, 413, 24},
    {"DigitsSmall.bmp", true, 188, 21, 4}, {"GreenSmall.bmp", true, 188, 21, 4},
    {"DigitsLarge.bmp", true, 376, 42, 4}, {"GreenLarge.bmp", true, 376, 42, 4},
    {"TrickPick.bmp", true, 640, 430, 8},  {"TrickTricked.bmp", true, 640, 430, 8},
    {"TrickTreat.bmp", true, 640, 430, 8},
};

double meanBrightness(const QImage& img, const QRect& r) {
    double sum = 0;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            sum += brightness(img.pixel(x, y));
        }
    }
    return sum / (r.width() * r.height());
}

int maxBrightness(const QImage& img, const QRect& r) {
    int m = 0;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            m = std::max(m, brightness(img.pixel(x, y)));
        }
    }
    return m;
}

bool allBlack(const QImage& img, const QRect& r) {
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            if (!isBlack(img.pixel(x, y))) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

TEST(ArtFiles, EveryBmpHasItsSizeAndDepth) {
    for (const Expected& e : kBmpFiles) {
        SCOPED_TRACE(e.path);
        const QByteArray b = EncodeArt(artFile(QString::fromLatin1(e.path), e.embedded));
        ASSERT_GE(b.size(), 54);
        EXPECT_EQ(b.left(2), QByteArray("BM"));
        EXPECT_EQ(le32(b, 14), 40u);
        EXPECT_EQ(le32(b, 18), static_cast<std::uint32_t>(e.width));
        EXPECT_EQ(le32(b, 22), static_cast<std::uint32_t>(e.height));
        EXPECT_EQ(le16(b, 28), e.bits);
        EXPECT_EQ(le32(b, 30), 0u);
        const int rowBytes = ((e.width * e.bits + 31) / 32) * 4;
        const int palette = e.bits == 24 ? 0 : 4 * (1 << e.bits);
        EXPECT_EQ(le32(b, 10), static_cast<std::uint32_t>(54 + palette));
        EXPECT_EQ(b.size(), 54 + palette + rowBytes * e.height);
    }
}

TEST(ArtFiles, BonusPicturesHaveTheExactWindowsLayout) {
    for (const char* name : {"TrickPick.bmp", "TrickTricked.bmp", "TrickTreat.bmp"}) {
        SCOPED_TRACE(name);
        const QByteArray b = EncodeArt(artFile(QString::fromLatin1(name), true));
        EXPECT_EQ(b.size(), 276278);
        EXPECT_EQ(le32(b, 2), 276278u);
        EXPECT_EQ(le32(b, 10), 1078u);
        EXPECT_EQ(le32(b, 14), 40u); // BITMAPINFOHEADER
        EXPECT_EQ(le32(b, 18), 640u);
        EXPECT_EQ(le32(b, 22), 430u); // positive: bottom-up
        EXPECT_EQ(le16(b, 26), 1);
        EXPECT_EQ(le16(b, 28), 8);
        EXPECT_EQ(le32(b, 46), 256u);
    }
}

TEST(ArtFiles, ChipsAndIconsArePngsOfTheirSizes) {
    for (int amount : {1000, 100, 10, 1}) {
        for (bool embedded : {false, true}) {
            const QImage chip = decoded(QStringLiteral("Chip%1.png").arg(amount), embedded);
            EXPECT_EQ(chip.size(), QSize(66, 42));
        }
    }
    for (int size : {16, 24, 32, 48, 64, 128, 256, 512}) {
        const QImage icon =
            decoded(QStringLiteral("icons/hicolor/%1x%1/apps/morrowmas-slots.png").arg(size), false);
        EXPECT_EQ(icon.size(), QSize(size, size));
    }
    EXPECT_EQ(decoded(QStringLiteral("icon.png"), true).size(), QSize(256, 256));
}

// Every picture of the program directory, and every embedded digit strip,
// bonus picture and chip, stands beside its 1x picture at exactly twice and
// three times its size ("Name@2x", "Name@3x"), a BMP in the same depth as
// its 1x one.
TEST(ArtFiles, Every2xAnd3xPictureIsThatManyTimesIts1xPicture) {
    int pairs = 0;
    for (const ArtFile& sharp : art()) {
        const int scale = sharp.path.contains(QStringLiteral("@3x")) ? 3 : 2;
        const QString suffix = QStringLiteral("@%1x").arg(scale);
        if (!sharp.path.contains(suffix)) {
            continue;
        }
        SCOPED_TRACE(sharp.path.toStdString());
        QString single = sharp.path;
        single.remove(suffix);
        if (single.startsWith(QStringLiteral("Trick"))) {
            single.replace(QStringLiteral(".png"), QStringLiteral(".bmp"));
        }
        const QImage one = decoded(single, sharp.embedded);
        const QImage two = decoded(sharp.path, sharp.embedded);
        EXPECT_EQ(two.size(), one.size() * scale);
        if (sharp.encoding != Encoding::Png) {
            EXPECT_EQ(le16(EncodeArt(sharp), 28), le16(EncodeArt(artFile(single, sharp.embedded)), 28));
        }
        ++pairs;
    }
    // At each scale 10 pictures and 4 chips beside the program, 4 strips, 3
    // bonus pictures and 4 chips embedded.
    EXPECT_EQ(pairs, 50);
}

TEST(ArtFiles, TheSamePicturesEveryTime) {
    const std::vector<ArtFile> again = BuildArt();
    ASSERT_EQ(again.size(), art().size());
    for (std::size_t i = 0; i < again.size(); ++i) {
        EXPECT_EQ(EncodeArt(again[i]), EncodeArt(art()[i])) << again[i].path.toStdString();
    }
    // Written twice into fresh directories, the files are byte for byte equal.
    QTemporaryDir first, second;
    ASSERT_TRUE(first.isValid() && second.isValid());
    WriteArt(art(), first.filePath("game"), first.filePath("embedded"));
    WriteArt(again, second.filePath("game"), second.filePath("embedded"));
    for (const ArtFile& f : art()) {
        const QString rel = (f.embedded ? QStringLiteral("embedded/") : QStringLiteral("game/")) + f.path;
        QFile a(first.filePath(rel)), b(second.filePath(rel));
        ASSERT_TRUE(a.open(QIODevice::ReadOnly)) << rel.toStdString();
        ASSERT_TRUE(b.open(QIODevice::ReadOnly)) << rel.toStdString();
        EXPECT_EQ(a.readAll(), b.readAll()) << rel.toStdString();
    }
}

TEST(ArtFiles, TheBuildWroteTheSameProgramFiles) {
    QByteArray dir = qgetenv("MORROW_PROGRAM_DIR");
    if (dir.isEmpty()) {
        dir = MORROW_ART_PROGRAM_DIR; // where this build writes them
    }
    for (const ArtFile& f : art()) {
        if (f.embedded) {
            continue;
        }
        QFile file(QDir(QString::fromLocal8Bit(dir)).filePath(f.path));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << f.path.toStdString();
        EXPECT_EQ(file.readAll(), EncodeArt(f)) << f.path.toStdString();
    }
}

TEST(PlayField, ReelOpeningsAreDarkNeutral) {
    for (const char* name : {"MorInt.bmp", "MorIn256.bmp"}) {
        SCOPED_TRACE(name);
        const QImage field = decoded(QString::fromLatin1(name), false);
        for (int left : kReelLeft) {
            for (int y = kReelTop; y < kReelBottom; ++y) {
                for (int x = left; x < left + kReelWidth; ++x) {
                    const QRgb c = field.pixel(x, y);
                    ASSERT_LE(std::max({qRed(c), qGreen(c), qBlue(c)}), 60) << x << "," << y;
                    ASSERT_LE(std::max({qRed(c), qGreen(c), qBlue(c)}) -
                                  std::min({qRed(c), qGreen(c), qBlue(c)}),
                              8)
                        << x << "," << y;
                }
            }
            // The frame around an opening is lit, not part of it.
            EXPECT_GT(maxBrightness(field, QRect(left - 12, kReelTop, 8, 200)), 90);
        }
    }
}

TEST(PlayField, NudgeCaptionBandIsPlainAndDark) {
    const QImage field = decoded(QStringLiteral("MorInt.bmp"), false);
    for (int cx : kNudgeCentreX) {
        // Room for "Nudge" at 12 points: about 50 x 20 pixels around its centre.
        EXPECT_LT(maxBrightness(field, QRect(cx - 30, kNudgeCentreY - 10, 60, 20)), 40) << cx;
    }
}

TEST(PlayField, ButtonsAndPaylineMarkersStandWhereTheGameClicksAndDraws) {
    const QImage field = decoded(QStringLiteral("MorInt.bmp"), false);
    for (const QRect& button : kButtons) {
        // A lit button cap fills its click area; the gap beside it is dark.
        EXPECT_GT(meanBrightness(field, button.adjusted(4, 4, -4, -4)), 90);
    }
    EXPECT_LT(meanBrightness(field, QRect(180, 370, 14, 20)), 60);
    EXPECT_LT(meanBrightness(field, QRect(304, 370, 14, 20)), 60);
    // The gold arrow heads end where the green line begins and ends.
    const int w = field.width();
    EXPECT_GT(brightness(field.pixel(kPaylineInset - 6, kPaylineY)), 80);
    EXPECT_GT(brightness(field.pixel(w - kPaylineInset + 5, kPaylineY)), 80);
    EXPECT_GE(field.height(), 396);
}

TEST(Symbols, TilesAreDistinctAndShadedLikeADrum) {
    const QImage sheet = decoded(QStringLiteral("Morro96.bmp"), false);
    for (int t = 0; t < kTileCount; ++t) {
        SCOPED_TRACE(t);
        const QRect r = TileRect(t);
        const double top = meanBrightness(sheet, QRect(r.left(), r.top(), kTile, 4));
        const double bottom = meanBrightness(sheet, QRect(r.left(), r.bottom() - 3, kTile, 4));
        const double middle = meanBrightness(sheet, QRect(r.left(), r.top() + 30, kTile, 4));
        EXPECT_LT(top, middle * 0.6);
        EXPECT_LT(bottom, middle * 0.6);
        for (int u = 0; u < t; ++u) {
            EXPECT_NE(sheet.copy(r), sheet.copy(TileRect(u))) << u;
        }
    }
}

TEST(Symbols, MotionStripIsSeamless) {
    for (const char* name : {"Motion.bmp", "Motion2.bmp"}) {
        SCOPED_TRACE(name);
        const QImage strip = decoded(QString::fromLatin1(name), false);
        auto rowDistance = [&](int a, int b) {
            double d = 0;
            for (int x = 0; x < strip.width(); ++x) {
                const QRgb p = strip.pixel(x, a), q = strip.pixel(x, b);
                d += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                     std::abs(qBlue(p) - qBlue(q));
            }
            return d / (3.0 * strip.width());
        };
        // The wrap from the last row to the first is no bigger a step than
        // the strip takes between neighbouring rows anywhere else.
        double worst = 0;
        for (int y = 1; y < strip.height(); ++y) {
            worst = std::max(worst, rowDistance(y - 1, y));
        }
        EXPECT_LE(rowDistance(strip.height() - 1, 0), std::max(worst, 1.0));
        EXPECT_LT(rowDistance(strip.height() - 1, 0), 10.0);
    }
}

TEST(Sprites, EveryFrameHasABlackBorderAndSomethingInside) {
    struct Sheet {
        const char* name;
        QSize frame;
        int count;
        bool across;
    };
    const Sheet sheets[] = {{"Bat.bmp", {150, 150}, 5, true},
                            {"Ghoul.bmp", {190, 150}, 4, false},
                            {"Skelt.bmp", {90, 126}, 2, false}};
    for (const Sheet& s : sheets) {
        const QImage img = decoded(QString::fromLatin1(s.name), false);
        std::vector<QImage> frames;
        for (int k = 0; k < s.count; ++k) {
            SCOPED_TRACE(std::string(s.name) + " frame " + std::to_string(k));
            const QPoint at = s.across ? QPoint(k * s.frame.width(), 0) : QPoint(0, k * s.frame.height());
            const QRect r(at, s.frame);
            const QRect inner = r.adjusted(kSpriteBorder, kSpriteBorder, -kSpriteBorder, -kSpriteBorder);
            EXPECT_TRUE(allBlack(img, QRect(r.left(), r.top(), r.width(), kSpriteBorder)));
            EXPECT_TRUE(allBlack(img, QRect(r.left(), inner.bottom() + 1, r.width(), kSpriteBorder)));
            EXPECT_TRUE(allBlack(img, QRect(r.left(), r.top(), kSpriteBorder, r.height())));
            EXPECT_TRUE(allBlack(img, QRect(inner.right() + 1, r.top(), kSpriteBorder, r.height())));
            EXPECT_GT(maxBrightness(img, inner), 120);
            frames.push_back(img.copy(r));
        }
        for (std::size_t k = 1; k < frames.size(); ++k) {
            EXPECT_NE(frames[k], frames[k - 1]) << s.name << " frames move";
        }
    }
}

TEST(Sprites, BloodRowsStartWithTheBandAndGrow) {
    const QImage blood = decoded(QStringLiteral("Blood.bmp"), false);
    int previousInk = 0;
    for (int k = 0; k < 5; ++k) {
        SCOPED_TRACE(k);
        // The top rows of every row cover the field's bottom lip in red.
        for (int x = 0; x < 498; x += 7) {
            const QRgb c = blood.pixel(x, 24 * k + 1);
            EXPECT_GT(qRed(c), 100);
            EXPECT_LT(qGreen(c), 40);
        }
        int ink = 0;
        for (int y = 24 * k + 6; y < 24 * k + 24; ++y) {
            for (int x = 0; x < 498; ++x) {
                ink += isBlack(blood.pixel(x, y)) ? 0 : 1;
            }
        }
        if (k > 0 && k < 4) {
            EXPECT_GT(ink, previousInk); // the drips lengthen
        }
        previousInk = ink;
    }
}

TEST(Bonus, PickTilesHaveFramesAtTheirExactBounds) {
    const QImage pick = decoded(QStringLiteral("TrickPick.bmp"), true);
    for (int k = 0; k < 6; ++k) {
        SCOPED_TRACE(k);
        const QRect r = PumpkinTile(k); // inclusive 22 + 100k .. 115 + 100k, 330 .. 424
        EXPECT_EQ(r.left(), 22 + 100 * k);
        EXPECT_EQ(r.right(), 115 + 100 * k);
        for (int y = 330; y <= 424; y += 2) {
            EXPECT_GT(brightness(pick.pixel(r.left(), y)), 120) << y;
            EXPECT_GT(brightness(pick.pixel(r.right(), y)), 120) << y;
            EXPECT_TRUE(isBlack(pick.pixel(r.left() - 1, y))) << y;
            EXPECT_TRUE(isBlack(pick.pixel(r.right() + 1, y))) << y;
        }
        for (int x = r.left(); x <= r.right(); x += 2) {
            EXPECT_GT(brightness(pick.pixel(x, 330)), 120) << x;
            EXPECT_GT(brightness(pick.pixel(x, 424)), 120) << x;
            EXPECT_TRUE(isBlack(pick.pixel(x, 329))) << x;
            EXPECT_TRUE(isBlack(pick.pixel(x, 425))) << x;
        }
        // The gap after the tile is black from x + 94 to x + 99.
        if (k < 5) {
            EXPECT_TRUE(allBlack(pick, QRect(r.right() + 1, 330, 6, 95)));
        }
    }
}

TEST(Bonus, TreatLeavesTheTextAreaBlackAndTheOthersPaintTheirScenes) {
    const QImage treat = decoded(QStringLiteral("TrickTreat.bmp"), true);
    EXPECT_TRUE(allBlack(treat, QRect(310, 140, 300, 80)));
    EXPECT_TRUE(kTreatTextArea.contains(QRect(310, 140, 300, 80)));
    // Lantern on the left, lettering above, pumpkins below.
    EXPECT_GT(meanBrightness(treat, QRect(60, 150, 160, 100)), 80);
    EXPECT_GT(maxBrightness(treat, QRect(340, 40, 240, 60)), 150);
    EXPECT_GT(meanBrightness(treat, QRect(0, 380, 640, 50)), 60);
    const QImage tricked = decoded(QStringLiteral("TrickTricked.bmp"), true);
    EXPECT_GT(maxBrightness(tricked, QRect(60, 370, 520, 45)), 150); // the words
}

TEST(Digits, SevenSegmentGlyphsInPureInkWithinTheirCells) {
    for (bool green : {false, true}) {
        const QString base = green ? QStringLiteral("Green") : QStringLiteral("Digits");
        const QImage small = decoded(base + QStringLiteral("Small.bmp"), true);
        const QImage large = decoded(base + QStringLiteral("Large.bmp"), true);
        const QRgb ink = green ? qRgb(0, 255, 0) : qRgb(255, 0, 0);
        const QRgb other = green ? qRgb(255, 0, 0) : qRgb(0, 255, 0);
        for (int cell = 0; cell < 12; ++cell) {
            SCOPED_TRACE(base.toStdString() + " cell " + std::to_string(cell));
            int inkPixels = 0;
            for (int y = 0; y < 21; ++y) {
                for (int x = cell * 16; x < std::min(cell * 16 + 16, 188); ++x) {
                    const QRgb c = small.pixel(x, y);
                    const int cx = x - cell * 16;
                    EXPECT_NE(c, other);
                    if (!isBlack(c)) {
                        EXPECT_TRUE(cx >= 2 && cx <= 13 && y >= 2 && y <= 18) << cx << "," << y;
                    }
                    inkPixels += c == ink ? 1 : 0;
                }
            }
            EXPECT_GT(inkPixels, cell < 10 ? 10 : 2);
        }
        // Lit segment counts tell the digits apart: 1 has fewest, 8 most.
        auto lit = [&](int d) {
            int n = 0;
            for (int y = 0; y < 21; ++y) {
                for (int x = d * 16; x < d * 16 + 16; ++x) {
                    n += small.pixel(x, y) == ink ? 1 : 0;
                }
            }
            return n;
        };
        for (int d = 0; d < 10; ++d) {
            EXPECT_LE(lit(1), lit(d));
            EXPECT_GE(lit(8), lit(d));
        }
        for (int y = 0; y < 42; ++y) {
            for (int x = 0; x < 376; ++x) {
                ASSERT_EQ(large.pixel(x, y), small.pixel(x / 2, y / 2)) << x << "," << y;
            }
        }
    }
}

TEST(PayChart, ShowsTheSymbolTilesAtChartSize) {
    const QImage chart = decoded(QStringLiteral("Paychart.bmp"), false);
    EXPECT_EQ(chart.size(), QSize(632, 413));
    EXPECT_GT(meanBrightness(chart, QRect(40, 70, 40, 30)), 60); // the first row's tiles
}
