// SPDX-License-Identifier: GPL-3.0-or-later
#include "ArtSet.h"

#include "Bmp.h"
#include "Common.h"
#include "Pictures.h"

#include <QBuffer>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace morrow::artgen {

namespace {

// Every picture at one paint scale: 1, the game's own sizes, or 2 and 3,
// the same pictures painted at twice and three times the size for screens
// with more device pixels per unit, named as Qt names such pictures
// ("Name@2x.ext", "Name@3x.ext"). The digit strips are pixel art: their
// larger strips are the pixels repeated. The bonus pictures keep their true
// colours above 1x, as PNGs. The desktop icons
// come in their own sizes, at 1x only.
void AddPictures(std::vector<ArtFile>& out, int scale) {
    const ScopedPaintScale paintScale(scale);
    const bool sharp = scale > 1;
    const QString suffix = sharp ? QStringLiteral("@%1x").arg(scale) : QString();
    const auto name = [&suffix](const char* base, const char* extension) {
        return QString::fromLatin1(base) + suffix + QLatin1Char('.') + QString::fromLatin1(extension);
    };
    const QImage field = PaintPlayField();
    const QImage symbols = PaintSymbolSheet();
    const QImage motion = PaintMotionStrip(symbols);
    out.push_back({name("MorInt", "bmp"), false, Encoding::Bmp24, field});
    out.push_back({name("MorIn256", "bmp"), false, Encoding::Bmp8, Quantise256(field)});
    out.push_back({name("Morro96", "bmp"), false, Encoding::Bmp24, symbols});
    out.push_back({name("Motion", "bmp"), false, Encoding::Bmp24, motion});
    out.push_back({name("Motion2", "bmp"), false, Encoding::Bmp8, Quantise256(motion)});
    out.push_back({name("Bat", "bmp"), false, Encoding::Bmp24, PaintBat()});
    out.push_back({name("Ghoul", "bmp"), false, Encoding::Bmp24, PaintGhoul()});
    out.push_back({name("Skelt", "bmp"), false, Encoding::Bmp24, PaintSkeleton()});
    out.push_back({name("Blood", "bmp"), false, Encoding::Bmp24, PaintBlood()});
    out.push_back({name("Paychart", "bmp"), false, Encoding::Bmp24, PaintPayChart(symbols)});
    for (int amount : {1000, 100, 10, 1}) {
        const QImage chip = PaintChip(amount);
        const QString chipName = QStringLiteral("Chip%1").arg(amount) + suffix + QStringLiteral(".png");
        out.push_back({chipName, false, Encoding::Png, chip});
        out.push_back({chipName, true, Encoding::Png, chip});
    }
    if (!sharp) {
        for (int size : {16, 24, 32, 48, 64, 128, 256, 512}) {
            out.push_back({QStringLiteral("icons/hicolor/%1x%1/apps/morrowmas-slots.png").arg(size), false,
                           Encoding::Png, PaintIcon(size)});
        }
        out.push_back({QStringLiteral("icon.png"), true, Encoding::Png, PaintIcon(256)});
    }
    out.push_back({name("DigitsSmall", "bmp"), true, Encoding::Bmp4, PaintDigits(false, false, scale)});
    out.push_back({name("GreenSmall", "bmp"), true, Encoding::Bmp4, PaintDigits(true, false, scale)});
    out.push_back({name("DigitsLarge", "bmp"), true, Encoding::Bmp4, PaintDigits(false, true, scale)});
    out.push_back({name("GreenLarge", "bmp"), true, Encoding::Bmp4, PaintDigits(true, true, scale)});
    const std::pair<const char*, QImage> bonus[] = {{"TrickPick", PaintTrickPick()},
                                                    {"TrickTricked", PaintTrickTricked()},
                                                    {"TrickTreat", PaintTrickTreat()}};
    for (const auto& [base, picture] : bonus) {
        if (sharp) {
            out.push_back({name(base, "png"), true, Encoding::Png, picture});
        } else {
            out.push_back({name(base, "bmp"), true, Encoding::Bmp8, Quantise256(picture)});
        }
    }
}

} // namespace

std::vector<ArtFile> BuildArt() {
    std::vector<ArtFile> out;
    AddPictures(out, 1);
    AddPictures(out, 2);
    AddPictures(out, 3);
    return out;
}

QByteArray EncodeArt(const ArtFile& file) {
    switch (file.encoding) {
    case Encoding::Bmp24:
        return EncodeBmp(file.image, 24);
    case Encoding::Bmp8:
        return EncodeBmp(file.image, 8);
    case Encoding::Bmp4:
        return EncodeBmp(file.image, 4);
    case Encoding::Png:
        break;
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!file.image.save(&buffer, "PNG")) {
        throw std::runtime_error("cannot encode " + file.path.toStdString());
    }
    return bytes;
}

void WriteArt(const std::vector<ArtFile>& files, const QString& programDir, const QString& embeddedDir) {
    for (const ArtFile& f : files) {
        const QString path = QDir(f.embedded ? embeddedDir : programDir).filePath(f.path);
        WriteFileBytes(path, EncodeArt(f));
    }
}

namespace {

const ArtFile* FindArt(const std::vector<ArtFile>& files, const QString& path) {
    for (const ArtFile& f : files) {
        if (f.path == path) {
            return &f;
        }
    }
    return nullptr;
}

// The field as the game shows it at start: reels at their first stops
// (7 8 4 / 0 8 7 / 2 9 1), the payline, grey "Nudge" captions and a row of
// blood over the bottom edge.
QImage GamePreview(const std::vector<ArtFile>& files) {
    const ArtFile* field = FindArt(files, QStringLiteral("MorInt.bmp"));
    const ArtFile* symbols = FindArt(files, QStringLiteral("Morro96.bmp"));
    const ArtFile* blood = FindArt(files, QStringLiteral("Blood.bmp"));
    if (field == nullptr || symbols == nullptr || blood == nullptr) {
        return {};
    }
    QImage out = NewCanvas(field->image.width(), field->image.height() + 20);
    QPainter p(&out);
    p.drawImage(0, 0, field->image);
    const int rows[3][3] = {{7, 8, 4}, {0, 8, 7}, {2, 9, 1}};
    for (int r = 0; r < 3; ++r) {
        for (int k = 0; k < 3; ++k) {
            p.drawImage(QPoint(kReelLeft[static_cast<std::size_t>(r)], kReelTop + kTile * k), symbols->image,
                        TileRect(rows[r][k]));
        }
    }
    p.setPen(QColor(0, 255, 0));
    p.drawLine(kPaylineInset, kPaylineY, out.width() - kPaylineInset - 1, kPaylineY);
    p.setFont(RequireFont(QStringLiteral("DejaVu Sans"), 16));
    p.setPen(QColor(128, 128, 128));
    for (int cx : kNudgeCentreX) {
        p.drawText(QRect(cx - 50, kNudgeCentreY - 12, 100, 24), Qt::AlignCenter, QStringLiteral("Nudge"));
    }
    p.drawImage(QPoint(0, field->image.height() - 4), blood->image, QRect(0, 48, 498, 24));
    p.end();
    return out;
}

} // namespace

QImage ContactSheet(const std::vector<ArtFile>& files) {
    // Shelf packing in file order, at most 1400 pixels wide.
    constexpr int kMaxWidth = 1400;
    constexpr int kGap = 14;
    constexpr int kLabel = 18;
    struct Placed {
        QImage image;
        QString name;
        QPoint at;
    };
    std::vector<Placed> placed;
    int x = kGap, y = kGap, shelf = 0, width = 0;
    const QImage preview = GamePreview(files);
    if (!preview.isNull()) {
        placed.push_back(
            {preview, QStringLiteral("(preview: the field as the game draws it)"), QPoint(x, y + kLabel)});
        x += preview.width() + kGap;
        shelf = preview.height();
    }
    for (const ArtFile& f : files) {
        if (f.embedded && f.encoding == Encoding::Png && f.path.startsWith(QStringLiteral("Chip"))) {
            continue; // the same chip is shown once, from the program dir
        }
        QImage shown;
        shown.loadFromData(EncodeArt(f));
        if (shown.isNull()) {
            throw std::runtime_error("cannot decode " + f.path.toStdString());
        }
        const QString name = (f.embedded ? QStringLiteral(":/art/") : QString()) + f.path;
        if (x + shown.width() > kMaxWidth && x > kGap) {
            x = kGap;
            y += shelf + kLabel + kGap;
            shelf = 0;
        }
        placed.push_back({shown, name, QPoint(x, y + kLabel)});
        x += std::max(shown.width(), 120) + kGap;
        shelf = std::max(shelf, shown.height());
        width = std::max(width, x);
    }
    const int height = y + shelf + kLabel + kGap;
    QImage sheet = NewCanvas(width, height, QColor(96, 96, 104));
    QPainter p(&sheet);
    p.setFont(RequireFont(QStringLiteral("DejaVu Sans"), 11));
    for (const Placed& pl : placed) {
        p.setPen(Qt::white);
        QString label = pl.name;
        if (label.startsWith(QStringLiteral("icons/"))) {
            label = label.section(QLatin1Char('/'), 2, 2);
        }
        p.drawText(pl.at + QPoint(0, -5), label);
        p.drawImage(pl.at, pl.image);
    }
    p.end();
    return sheet.convertToFormat(QImage::Format_RGB32);
}

} // namespace morrow::artgen
