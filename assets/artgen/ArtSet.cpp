#include "ArtSet.h"

#include "Bmp.h"
#include "Common.h"
#include "Pictures.h"

#include <QBuffer>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <stdexcept>

namespace morrow::artgen {

namespace {

// The same pictures painted again at twice the size, for screens with two or
// more device pixels per unit, named as Qt names such pictures ("Name@2x").
// The digit strips are pixel art: their 2x strips are the pixels doubled.
// The bonus pictures keep their true colours at 2x, as PNGs.
void AddSharpPictures(std::vector<ArtFile>& out) {
    const ScopedPaintScale scale(2);
    const QImage field = PaintPlayField();
    const QImage symbols = PaintSymbolSheet();
    const QImage motion = PaintMotionStrip(symbols);
    out.push_back({QStringLiteral("MorInt@2x.bmp"), false, Encoding::Bmp24, field});
    out.push_back({QStringLiteral("MorIn256@2x.bmp"), false, Encoding::Bmp8, Quantise256(field)});
    out.push_back({QStringLiteral("Morro96@2x.bmp"), false, Encoding::Bmp24, symbols});
    out.push_back({QStringLiteral("Motion@2x.bmp"), false, Encoding::Bmp24, motion});
    out.push_back({QStringLiteral("Motion2@2x.bmp"), false, Encoding::Bmp8, Quantise256(motion)});
    out.push_back({QStringLiteral("Bat@2x.bmp"), false, Encoding::Bmp24, PaintBat()});
    out.push_back({QStringLiteral("Ghoul@2x.bmp"), false, Encoding::Bmp24, PaintGhoul()});
    out.push_back({QStringLiteral("Skelt@2x.bmp"), false, Encoding::Bmp24, PaintSkeleton()});
    out.push_back({QStringLiteral("Blood@2x.bmp"), false, Encoding::Bmp24, PaintBlood()});
    out.push_back({QStringLiteral("Paychart@2x.bmp"), false, Encoding::Bmp24, PaintPayChart(symbols)});
    for (int amount : {1000, 100, 10, 1}) {
        const QImage chip = PaintChip(amount);
        const QString name = QStringLiteral("Chip%1@2x.png").arg(amount);
        out.push_back({name, false, Encoding::Png, chip});
        out.push_back({name, true, Encoding::Png, chip});
    }
    out.push_back({QStringLiteral("DigitsSmall@2x.bmp"), true, Encoding::Bmp4, PaintDigits(false, false, 2)});
    out.push_back({QStringLiteral("GreenSmall@2x.bmp"), true, Encoding::Bmp4, PaintDigits(true, false, 2)});
    out.push_back({QStringLiteral("DigitsLarge@2x.bmp"), true, Encoding::Bmp4, PaintDigits(false, true, 2)});
    out.push_back({QStringLiteral("GreenLarge@2x.bmp"), true, Encoding::Bmp4, PaintDigits(true, true, 2)});
    out.push_back({QStringLiteral("TrickPick@2x.png"), true, Encoding::Png, PaintTrickPick()});
    out.push_back({QStringLiteral("TrickTricked@2x.png"), true, Encoding::Png, PaintTrickTricked()});
    out.push_back({QStringLiteral("TrickTreat@2x.png"), true, Encoding::Png, PaintTrickTreat()});
}

} // namespace

std::vector<ArtFile> BuildArt() {
    std::vector<ArtFile> out;
    const QImage field = PaintPlayField();
    const QImage symbols = PaintSymbolSheet();
    const QImage motion = PaintMotionStrip(symbols);
    out.push_back({QStringLiteral("MorInt.bmp"), false, Encoding::Bmp24, field});
    out.push_back({QStringLiteral("MorIn256.bmp"), false, Encoding::Bmp8, Quantise256(field)});
    out.push_back({QStringLiteral("Morro96.bmp"), false, Encoding::Bmp24, symbols});
    out.push_back({QStringLiteral("Motion.bmp"), false, Encoding::Bmp24, motion});
    out.push_back({QStringLiteral("Motion2.bmp"), false, Encoding::Bmp8, Quantise256(motion)});
    out.push_back({QStringLiteral("Bat.bmp"), false, Encoding::Bmp24, PaintBat()});
    out.push_back({QStringLiteral("Ghoul.bmp"), false, Encoding::Bmp24, PaintGhoul()});
    out.push_back({QStringLiteral("Skelt.bmp"), false, Encoding::Bmp24, PaintSkeleton()});
    out.push_back({QStringLiteral("Blood.bmp"), false, Encoding::Bmp24, PaintBlood()});
    out.push_back({QStringLiteral("Paychart.bmp"), false, Encoding::Bmp24, PaintPayChart(symbols)});
    const int chipAmounts[] = {1000, 100, 10, 1};
    for (int amount : chipAmounts) {
        const QImage chip = PaintChip(amount);
        const QString name = QStringLiteral("Chip%1.png").arg(amount);
        out.push_back({name, false, Encoding::Png, chip});
        out.push_back({name, true, Encoding::Png, chip});
    }
    const int iconSizes[] = {16, 32, 48, 64, 128, 256};
    for (int size : iconSizes) {
        out.push_back({QStringLiteral("icons/hicolor/%1x%1/apps/morrowmas-slots.png").arg(size), false,
                       Encoding::Png, PaintIcon(size)});
    }
    out.push_back({QStringLiteral("icon.png"), true, Encoding::Png, PaintIcon(256)});
    out.push_back({QStringLiteral("DigitsSmall.bmp"), true, Encoding::Bmp4, PaintDigits(false, false)});
    out.push_back({QStringLiteral("GreenSmall.bmp"), true, Encoding::Bmp4, PaintDigits(true, false)});
    out.push_back({QStringLiteral("DigitsLarge.bmp"), true, Encoding::Bmp4, PaintDigits(false, true)});
    out.push_back({QStringLiteral("GreenLarge.bmp"), true, Encoding::Bmp4, PaintDigits(true, true)});
    out.push_back({QStringLiteral("TrickPick.bmp"), true, Encoding::Bmp8, Quantise256(PaintTrickPick())});
    out.push_back(
        {QStringLiteral("TrickTricked.bmp"), true, Encoding::Bmp8, Quantise256(PaintTrickTricked())});
    out.push_back({QStringLiteral("TrickTreat.bmp"), true, Encoding::Bmp8, Quantise256(PaintTrickTreat())});
    AddSharpPictures(out);
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
