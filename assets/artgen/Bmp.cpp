// SPDX-License-Identifier: GPL-3.0-or-later
#include "Bmp.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <vector>

namespace morrow::artgen {

namespace {

void Put16(QByteArray& out, std::uint16_t v) {
    out.append(static_cast<char>(v & 0xFF));
    out.append(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(QByteArray& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
}

} // namespace

QByteArray EncodeBmp(const QImage& image, int bits) {
    if (image.isNull()) {
        throw std::invalid_argument("encodeBmp: empty image");
    }
    if (bits != 24 && bits != 8 && bits != 4) {
        throw std::invalid_argument("encodeBmp: unsupported depth");
    }
    const int paletteSize = bits == 24 ? 0 : (1 << bits);
    QImage src = image;
    if (bits == 24) {
        src = image.convertToFormat(QImage::Format_RGB32);
    } else {
        if (image.format() != QImage::Format_Indexed8 || image.colorCount() > paletteSize) {
            throw std::invalid_argument("encodeBmp: palette does not fit");
        }
    }
    const int w = src.width();
    const int h = src.height();
    const int rowBytes = ((w * bits + 31) / 32) * 4;
    const std::uint32_t offset =
        static_cast<std::uint32_t>(kFileHeaderSize + kInfoHeaderSize + 4 * paletteSize);
    const std::uint32_t imageSize = static_cast<std::uint32_t>(rowBytes * h);

    QByteArray out;
    out.reserve(static_cast<qsizetype>(offset + imageSize));
    // BITMAPFILEHEADER
    out.append('B');
    out.append('M');
    Put32(out, offset + imageSize);
    Put16(out, 0);
    Put16(out, 0);
    Put32(out, offset);
    // BITMAPINFOHEADER
    Put32(out, kInfoHeaderSize);
    Put32(out, static_cast<std::uint32_t>(w));
    Put32(out, static_cast<std::uint32_t>(h)); // positive: rows bottom-up
    Put16(out, 1);
    Put16(out, static_cast<std::uint16_t>(bits));
    Put32(out, 0); // BI_RGB, no compression
    Put32(out, imageSize);
    Put32(out, 3780); // 96 pixels per inch
    Put32(out, 3780);
    Put32(out, static_cast<std::uint32_t>(paletteSize));
    Put32(out, 0);
    // Palette, blue green red reserved.
    for (int i = 0; i < paletteSize; ++i) {
        const QRgb c = i < src.colorCount() ? src.color(i) : qRgb(0, 0, 0);
        out.append(static_cast<char>(qBlue(c)));
        out.append(static_cast<char>(qGreen(c)));
        out.append(static_cast<char>(qRed(c)));
        out.append('\0');
    }
    // Pixel rows, bottom row first, each padded to four bytes.
    QByteArray row(rowBytes, '\0');
    for (int y = h - 1; y >= 0; --y) {
        row.fill('\0');
        const uchar* line = src.constScanLine(y);
        if (bits == 24) {
            const auto* px = reinterpret_cast<const QRgb*>(line);
            for (int x = 0; x < w; ++x) {
                row[3 * x] = static_cast<char>(qBlue(px[x]));
                row[3 * x + 1] = static_cast<char>(qGreen(px[x]));
                row[3 * x + 2] = static_cast<char>(qRed(px[x]));
            }
        } else if (bits == 8) {
            std::copy(line, line + w, row.begin());
        } else {
            for (int x = 0; x < w; ++x) {
                const int v = line[x] & 0x0F;
                const int i = x / 2;
                row[i] =
                    static_cast<char>((x % 2 == 0) ? (v << 4) : ((static_cast<uchar>(row[i]) & 0xF0) | v));
            }
        }
        out.append(row);
    }
    return out;
}

void WriteFileBytes(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        throw std::runtime_error("cannot write " + path.toStdString());
    }
}

namespace {

struct ColourCount {
    std::array<int, 3> rgb;
    std::int64_t count;
};

struct Box {
    std::size_t begin;
    std::size_t end; // exclusive, into the colour list
    std::array<int, 3> lo{};
    std::array<int, 3> hi{};
    std::int64_t weight = 0;

    std::size_t widestAxis() const {
        std::size_t axis = 0;
        for (std::size_t a = 1; a < 3; ++a) {
            if (hi[a] - lo[a] > hi[axis] - lo[axis]) {
                axis = a;
            }
        }
        return axis;
    }
    int span() const {
        const std::size_t a = widestAxis();
        return hi[a] - lo[a];
    }
};

void Measure(Box& box, const std::vector<ColourCount>& colours) {
    box.lo = {255, 255, 255};
    box.hi = {0, 0, 0};
    box.weight = 0;
    for (std::size_t i = box.begin; i < box.end; ++i) {
        for (std::size_t a = 0; a < 3; ++a) {
            box.lo[a] = std::min(box.lo[a], colours[i].rgb[a]);
            box.hi[a] = std::max(box.hi[a], colours[i].rgb[a]);
        }
        box.weight += colours[i].count;
    }
}

} // namespace

QImage Quantise256(const QImage& image) {
    const QImage src = image.convertToFormat(QImage::Format_RGB32);
    const int w = src.width();
    const int h = src.height();

    // Histogram of the exact colours, in a fixed order.
    QHash<QRgb, std::int64_t> histogram;
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            ++histogram[line[x] | 0xFF000000u];
        }
    }
    std::vector<ColourCount> colours;
    colours.reserve(static_cast<std::size_t>(histogram.size()));
    for (auto it = histogram.constBegin(); it != histogram.constEnd(); ++it) {
        const QRgb c = it.key();
        if ((c & 0xFFFFFFu) == 0 || (c & 0xFFFFFFu) == 0xFFFFFFu) {
            continue; // black and white are fixed entries
        }
        colours.push_back({{qRed(c), qGreen(c), qBlue(c)}, it.value()});
    }
    std::sort(colours.begin(), colours.end(),
              [](const ColourCount& a, const ColourCount& b) { return a.rgb < b.rgb; });

    std::vector<QRgb> palette{qRgb(0, 0, 0), qRgb(255, 255, 255)};
    const std::size_t freeEntries = 256 - palette.size();
    if (colours.size() <= freeEntries) {
        for (const auto& c : colours) {
            palette.push_back(qRgb(c.rgb[0], c.rgb[1], c.rgb[2]));
        }
    } else {
        std::vector<Box> boxes;
        Box first{0, colours.size()};
        Measure(first, colours);
        boxes.push_back(first);
        while (boxes.size() < freeEntries) {
            // Split the box with the largest span weighted by its pixel count;
            // ties go to the earliest box, so the order is fixed.
            std::size_t pick = boxes.size();
            double best = 0.0;
            for (std::size_t i = 0; i < boxes.size(); ++i) {
                if (boxes[i].end - boxes[i].begin < 2) {
                    continue;
                }
                const double score =
                    static_cast<double>(boxes[i].span()) * std::sqrt(static_cast<double>(boxes[i].weight));
                if (score > best) {
                    best = score;
                    pick = i;
                }
            }
            if (pick == boxes.size()) {
                break;
            }
            Box box = boxes[pick];
            const std::size_t axis = box.widestAxis();
            auto first_it = colours.begin() + static_cast<std::ptrdiff_t>(box.begin);
            auto last_it = colours.begin() + static_cast<std::ptrdiff_t>(box.end);
            std::sort(first_it, last_it, [axis](const ColourCount& a, const ColourCount& b) {
                if (a.rgb[axis] != b.rgb[axis]) {
                    return a.rgb[axis] < b.rgb[axis];
                }
                return a.rgb < b.rgb;
            });
            // Median by pixel weight.
            std::int64_t half = box.weight / 2;
            std::int64_t acc = 0;
            std::size_t cut = box.begin + 1;
            for (std::size_t i = box.begin; i < box.end - 1; ++i) {
                acc += colours[i].count;
                cut = i + 1;
                if (acc >= half) {
                    break;
                }
            }
            Box a{box.begin, cut};
            Box b{cut, box.end};
            Measure(a, colours);
            Measure(b, colours);
            boxes[pick] = a;
            boxes.push_back(b);
        }
        for (const Box& box : boxes) {
            std::array<double, 3> sum{};
            for (std::size_t i = box.begin; i < box.end; ++i) {
                for (std::size_t a = 0; a < 3; ++a) {
                    sum[a] += static_cast<double>(colours[i].rgb[a]) * static_cast<double>(colours[i].count);
                }
            }
            const double wgt = static_cast<double>(box.weight);
            palette.push_back(qRgb(static_cast<int>(std::lround(sum[0] / wgt)),
                                   static_cast<int>(std::lround(sum[1] / wgt)),
                                   static_cast<int>(std::lround(sum[2] / wgt))));
        }
    }
    while (palette.size() < 256) {
        palette.push_back(qRgb(0, 0, 0));
    }

    QImage out(w, h, QImage::Format_Indexed8);
    out.setColorTable(QList<QRgb>(palette.begin(), palette.end()));
    QHash<QRgb, uchar> nearest;
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        uchar* dst = out.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const QRgb c = line[x] | 0xFF000000u;
            auto found = nearest.constFind(c);
            if (found != nearest.constEnd()) {
                dst[x] = *found;
                continue;
            }
            int bestIndex = 0;
            int bestDistance = 1 << 30;
            for (std::size_t i = 0; i < palette.size(); ++i) {
                const int dr = qRed(c) - qRed(palette[i]);
                const int dg = qGreen(c) - qGreen(palette[i]);
                const int db = qBlue(c) - qBlue(palette[i]);
                const int d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
                if (d < bestDistance) {
                    bestDistance = d;
                    bestIndex = static_cast<int>(i);
                }
            }
            nearest.insert(c, static_cast<uchar>(bestIndex));
            dst[x] = static_cast<uchar>(bestIndex);
        }
    }
    return out;
}

} // namespace morrow::artgen
