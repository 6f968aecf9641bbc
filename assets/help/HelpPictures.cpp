// SPDX-License-Identifier: GPL-3.0-or-later
// morrow-helppictures: the pictures of the manual, cut and composed from the
// game's own pictures so the manual always shows what the player sees.
//
//   morrow-helppictures <program-dir> <out-dir>
//
// Writes into <out-dir>: symbol0.png .. symbol9.png (the reel symbols),
// paychart.png (the payoff chart), chip1000.png .. chip1.png (the borrow
// chips), machine.png (the machine as a new game shows it) and
// nudge-before.png / nudge-after.png (a losing line and the nudge that
// turns it into a win).
#include "Reels.h"

#include <QByteArray>
#include <QDir>
#include <QFont>
#include <QFontInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace {

constexpr int kTile = 96;
// Where the play field shows its reels and payline, in field pixels.
constexpr std::array<int, 3> kReelLeft{78, 202, 326};
constexpr int kReelTop = 71;
constexpr int kPaylineY = 213;
constexpr int kPaylineInset = 72;
// Centres of the three "Nudge" captions above the reels.
constexpr std::array<int, 3> kNudgeCentreX{125, 250, 375};
constexpr int kNudgeCentreY = 47;

// The pictures are made twice: at 1x, and at 2x ("name@2x.png") from the
// 2x pictures for high-resolution screens.
int scale = 1;

QString AtScale(const QString& name) {
    if (scale == 1) {
        return name;
    }
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return name.left(dot) + QStringLiteral("@2x") + name.mid(dot);
}

QImage Load(const QString& programDir, const QString& name) {
    const QString path = QDir(programDir).filePath(AtScale(name));
    QImage image(path);
    if (image.isNull()) {
        throw std::runtime_error("cannot read " + path.toStdString());
    }
    image = image.convertToFormat(QImage::Format_ARGB32);
    image.setDevicePixelRatio(scale);
    return image;
}

void Save(const QImage& image, const QString& outDir, const QString& name) {
    const QString path = QDir(outDir).filePath(AtScale(name));
    if (!image.save(path, "PNG")) {
        throw std::runtime_error("cannot write " + path.toStdString());
    }
}

// The manual shows the machine and the chart smaller than the game does,
// so they fit beside the help window's contents.
constexpr int kMachineWidth = 420;
constexpr int kNudgeWidth = 220;
constexpr int kChartWidth = 480;
constexpr int kSymbolWidth = 64;

QImage Scaled(const QImage& image, int width) {
    return image.scaledToWidth(width * scale, Qt::SmoothTransformation);
}

// A symbol's tile, in the pixels of the picture at the current scale.
QRect TileRect(int symbol) {
    return QRect((symbol % 4) * kTile, (symbol / 4) * kTile, kTile, kTile);
}
QRect TilePixels(int symbol) {
    const QRect units = TileRect(symbol);
    return {units.topLeft() * scale, units.size() * scale};
}

enum class NudgeCaptions { Grey, Lit };

// The play field with the reels at the given strip positions, the payline
// and the three "Nudge" captions, as the main window paints them.
QImage ComposeMachine(const QImage& field, const QImage& symbols, const std::array<int, 3>& positions,
                      NudgeCaptions captions) {
    QImage machine = field.copy();
    QPainter p(&machine);
    for (int reel = 0; reel < 3; ++reel) {
        const std::string_view strip = morrow::kReelStrips[static_cast<std::size_t>(reel)];
        for (int row = 0; row < 3; ++row) {
            const int position = morrow::StripPosition(positions[static_cast<std::size_t>(reel)], row);
            const int symbol = strip[static_cast<std::size_t>(position - 1)] - '0';
            p.drawImage(QPoint(kReelLeft[static_cast<std::size_t>(reel)], kReelTop + kTile * row), symbols,
                        TilePixels(symbol));
        }
    }
    p.setPen(QColor(0, 255, 0));
    const int width = machine.width() / scale;
    if (scale == 1) {
        p.drawLine(kPaylineInset, kPaylineY, width - kPaylineInset - 1, kPaylineY);
    } else {
        p.fillRect(QRect(kPaylineInset, kPaylineY, width - 2 * kPaylineInset, 1), QColor(0, 255, 0));
    }

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(16);
    font.setBold(true);
    if (QFontInfo(font).family() != QStringLiteral("DejaVu Sans")) {
        throw std::runtime_error("the font DejaVu Sans is not installed");
    }
    p.setFont(font);
    p.setPen(captions == NudgeCaptions::Lit ? QColor(255, 255, 0) : QColor(128, 128, 128));
    for (const int x : kNudgeCentreX) {
        p.drawText(QRect(x - 50, kNudgeCentreY - 14, 100, 28), Qt::AlignCenter, QStringLiteral("Nudge"));
    }
    return machine;
}

void WritePictures(const QString& programDir, const QString& outDir) {
    if (!QDir().mkpath(outDir)) {
        throw std::runtime_error("cannot create " + outDir.toStdString());
    }
    const QImage symbols = Load(programDir, QStringLiteral("Morro96.bmp"));
    for (int symbol = 0; symbol < morrow::kSymbolCount; ++symbol) {
        Save(Scaled(symbols.copy(TilePixels(symbol)), kSymbolWidth), outDir,
             QStringLiteral("symbol%1.png").arg(symbol));
    }
    Save(Scaled(Load(programDir, QStringLiteral("Paychart.bmp")), kChartWidth), outDir,
         QStringLiteral("paychart.png"));
    for (const char* amount : {"1000", "100", "10", "1"}) {
        const QString name = QStringLiteral("Chip%1.png").arg(QLatin1String(amount));
        Save(Load(programDir, name), outDir, name.toLower());
    }

    const QImage field = Load(programDir, QStringLiteral("MorInt.bmp"));
    // A new game's reels.
    const std::array<int, 3> start{morrow::kStartPositions[0], morrow::kStartPositions[1],
                                   morrow::kStartPositions[2]};
    Save(Scaled(ComposeMachine(field, symbols, start, NudgeCaptions::Grey), kMachineWidth), outDir,
         QStringLiteral("machine.png"));
    // Spider, spider, sweet on the line with a spider above the sweet; one
    // nudge of reel 3 drops that spider onto the line.
    const std::array<int, 3> before{5, 2, 1};
    const std::array<int, 3> after{5, 2, morrow::StripPosition(1, morrow::kStripLength - 1)};
    Save(Scaled(ComposeMachine(field, symbols, before, NudgeCaptions::Lit), kNudgeWidth), outDir,
         QStringLiteral("nudge-before.png"));
    Save(Scaled(ComposeMachine(field, symbols, after, NudgeCaptions::Grey), kNudgeWidth), outDir,
         QStringLiteral("nudge-after.png"));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
    }
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: morrow-helppictures <program-dir> <out-dir>\n");
        return 2;
    }
    try {
        for (const int s : {1, 2}) {
            scale = s;
            WritePictures(args[1], args[2]);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "morrow-helppictures: %s\n", e.what());
        return 1;
    }
    return 0;
}
