// SPDX-License-Identifier: GPL-3.0-or-later
// The reel symbols and the blurred strip of a spinning reel.
//
// Every symbol sits on the same dark drum surface inside a glowing medallion
// whose ring tells its worth: gold for the crowned jack-o'-lantern, the bonus
// pail and the wild, silver for the ghoul, bat and skull, copper for the
// small pays. The whole tile is then shaded like a turning drum.
#include "Common.h"
#include "Pictures.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <numbers>
#include <vector>

namespace morrow::artgen {

namespace {

enum class Ring { Gold, Silver, Copper };

struct SymbolLook {
    QString emoji;
    QColor inner;
    QColor outer;
    Ring ring;
};

// Symbols 0..7, top prize first.
SymbolLook LookOf(int t) {
    switch (t) {
    case 0:
        return {QStringLiteral("🎃"), QColor(255, 226, 120), QColor(170, 60, 0), Ring::Gold};
    case 1:
        return {QStringLiteral("🧟"), QColor(190, 255, 120), QColor(20, 90, 20), Ring::Silver};
    case 2:
        return {QStringLiteral("🦇"), QColor(255, 250, 200), QColor(150, 120, 40), Ring::Silver};
    case 3:
        return {QStringLiteral("💀"), QColor(255, 110, 90), QColor(110, 0, 0), Ring::Silver};
    case 4:
        return {QStringLiteral("👻"), QColor(140, 220, 255), QColor(10, 50, 120), Ring::Copper};
    case 5:
        return {QStringLiteral("🕷️"), QColor(220, 170, 255), QColor(70, 20, 110), Ring::Copper};
    case 6:
        return {QStringLiteral("🐈‍⬛"), QColor(255, 200, 90), QColor(190, 80, 10), Ring::Copper};
    default:
        return {QStringLiteral("🍬"), QColor(255, 190, 230), QColor(150, 20, 100), Ring::Copper};
    }
}

void RingColours(Ring ring, QColor& light, QColor& dark) {
    switch (ring) {
    case Ring::Gold:
        light = QColor(255, 236, 140);
        dark = QColor(150, 90, 0);
        break;
    case Ring::Silver:
        light = QColor(245, 245, 255);
        dark = QColor(90, 95, 110);
        break;
    case Ring::Copper:
        light = QColor(240, 170, 120);
        dark = QColor(100, 45, 20);
        break;
    }
}

void PaintDrumSurface(QPainter& p, const QRect& r) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0.0, QColor(58, 48, 66));
    g.setColorAt(1.0, QColor(44, 36, 52));
    p.fillRect(r, g);
    // Faint grain lines on the drum.
    p.save();
    p.setPen(QPen(QColor(255, 255, 255, 10), 1));
    for (int y = r.top() + 5; y < r.bottom(); y += 7) {
        p.drawLine(r.left(), y, r.right(), y);
    }
    p.restore();
}

void PaintMedallion(QPainter& p, const QPointF& c, double radius, const QColor& inner, const QColor& outer,
                    Ring ring) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    // Drop shadow under the medallion.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 110));
    p.drawEllipse(c + QPointF(2, 3), radius + 1, radius + 1);
    QColor light, dark;
    RingColours(ring, light, dark);
    QLinearGradient rg(c - QPointF(radius, radius), c + QPointF(radius, radius));
    rg.setColorAt(0.0, light);
    rg.setColorAt(0.5, MixColour(light, dark, 0.45));
    rg.setColorAt(1.0, dark);
    p.setBrush(rg);
    p.drawEllipse(c, radius, radius);
    const double face = radius - (ring == Ring::Gold ? 5.0 : 4.0);
    QRadialGradient fg(c - QPointF(face * 0.3, face * 0.35), face * 1.25);
    fg.setColorAt(0.0, inner);
    fg.setColorAt(0.6, MixColour(inner, outer, 0.6));
    fg.setColorAt(1.0, outer);
    p.setBrush(fg);
    p.drawEllipse(c, face, face);
    // Inner groove of the ring.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 0, 0, 120), 1.2));
    p.drawEllipse(c, face + 0.6, face + 0.6);
    if (ring == Ring::Gold) {
        p.setPen(QPen(QColor(255, 250, 210, 200), 1.0));
        p.drawEllipse(c, radius - 2.2, radius - 2.2);
    }
    p.restore();
}

void Sparkle(QPainter& p, const QPointF& c, double s, const QColor& colour) {
    QPainterPath star;
    star.moveTo(c.x(), c.y() - s);
    star.quadTo(c.x(), c.y(), c.x() + s, c.y());
    star.quadTo(c.x(), c.y(), c.x(), c.y() + s);
    star.quadTo(c.x(), c.y(), c.x() - s, c.y());
    star.quadTo(c.x(), c.y(), c.x(), c.y() - s);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(star);
    p.restore();
}

void PaintSpiderWeb(QPainter& p, const QPointF& c, double radius) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColor(255, 255, 255, 90), 0.8));
    for (int i = 0; i < 8; ++i) {
        const double a = i * std::numbers::pi / 4 + 0.2;
        p.drawLine(c, c + QPointF(std::cos(a) * radius, std::sin(a) * radius));
    }
    for (double rr = radius * 0.3; rr < radius; rr += radius * 0.22) {
        QPainterPath path;
        for (int i = 0; i <= 8; ++i) {
            const double a = i * std::numbers::pi / 4 + 0.2;
            const QPointF pt = c + QPointF(std::cos(a) * rr, std::sin(a) * rr);
            if (i == 0) {
                path.moveTo(pt);
            } else {
                const double am = (i - 0.5) * std::numbers::pi / 4 + 0.2;
                const QPointF mid = c + QPointF(std::cos(am) * rr * 0.86, std::sin(am) * rr * 0.86);
                path.quadTo(mid, pt);
            }
        }
        p.drawPath(path);
    }
    p.restore();
}

void PaintSymbol(QPainter& p, int t) {
    const QPointF c(48, 48);
    const SymbolLook look = LookOf(t);
    PaintMedallion(p, c, 42, look.inner, look.outer, look.ring);
    switch (t) {
    case 0: {
        DrawGlow(p, QPointF(48, 56), 40, QColor(255, 200, 60, 170));
        DrawLitLantern(p, QRectF(16, 30, 64, 58));
        DrawEmoji(p, QStringLiteral("👑"), QRectF(31, 8, 34, 28));
        Sparkle(p, QPointF(17, 24), 6, QColor(255, 255, 220));
        Sparkle(p, QPointF(80, 30), 5, QColor(255, 255, 220));
        Sparkle(p, QPointF(74, 78), 4, QColor(255, 255, 220));
        break;
    }
    case 2:
        DrawGlow(p, c, 30, QColor(255, 255, 230, 200));
        DrawEmoji(p, look.emoji, QRectF(10, 16, 76, 64));
        break;
    case 5:
        PaintSpiderWeb(p, c, 36);
        DrawEmoji(p, look.emoji, QRectF(16, 16, 64, 64));
        break;
    case 6:
        DrawGlow(p, c, 34, QColor(255, 240, 170, 200));
        DrawEmoji(p, look.emoji, QRectF(14, 14, 68, 68));
        break;
    default:
        DrawEmoji(p, look.emoji, QRectF(15, 14, 66, 68));
        break;
    }
}

void PaintBonus(QPainter& p) {
    const QPointF c(48, 48);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    // Sunburst behind the pail.
    QRadialGradient burst(c, 46);
    burst.setColorAt(0.0, QColor(255, 230, 120, 220));
    burst.setColorAt(1.0, QColor(255, 120, 0, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(burst);
    for (int i = 0; i < 12; ++i) {
        const double a = i * std::numbers::pi / 6;
        QPainterPath ray;
        ray.moveTo(c);
        ray.lineTo(c + QPointF(std::cos(a - 0.13) * 50, std::sin(a - 0.13) * 50));
        ray.lineTo(c + QPointF(std::cos(a + 0.13) * 50, std::sin(a + 0.13) * 50));
        ray.closeSubpath();
        p.drawPath(ray);
    }
    p.restore();
    PaintMedallion(p, c, 36, QColor(255, 200, 80), QColor(150, 40, 0), Ring::Gold);
    // The trick-or-treat pail: a pumpkin with a wire handle and sweets.
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(40, 30, 20), 4.2, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(24, 12, 48, 44), 16 * 15, 16 * 150);
    p.setPen(QPen(QColor(210, 210, 220), 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(24, 12, 48, 44), 16 * 15, 16 * 150);
    p.restore();
    DrawEmoji(p, QStringLiteral("🍬"), QRectF(26, 20, 22, 16));
    DrawEmoji(p, QStringLiteral("🍭"), QRectF(48, 14, 20, 22));
    DrawEmoji(p, QStringLiteral("🎃"), QRectF(20, 28, 56, 48));
    // Ribbon banner.
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath ribbon;
    ribbon.moveTo(4, 66);
    ribbon.lineTo(92, 66);
    ribbon.lineTo(86, 75);
    ribbon.lineTo(92, 84);
    ribbon.lineTo(4, 84);
    ribbon.lineTo(10, 75);
    ribbon.closeSubpath();
    QLinearGradient rg(0, 66, 0, 84);
    rg.setColorAt(0.0, QColor(230, 30, 30));
    rg.setColorAt(1.0, QColor(110, 0, 0));
    p.setPen(QPen(QColor(40, 0, 0), 1.2));
    p.setBrush(rg);
    p.drawPath(ribbon);
    p.restore();
    DrawGradientText(p, QStringLiteral("BONUS"), LabelFont(14), QPointF(48, 75.5), QColor(255, 255, 200),
                     QColor(255, 190, 0), QColor(40, 0, 0), 1.3);
}

// The wild: a witch's-fire flame that swells and glows over three frames.
void PaintWild(QPainter& p, int frame) {
    const QPointF c(48, 48);
    const double pulse = 0.55 + 0.225 * frame; // 0.55, 0.775, 1.0
    PaintMedallion(p, c, 42, QColor(210, 255, 120), QColor(60, 0, 90), Ring::Gold);
    DrawGlow(p, QPointF(48, 46), 24 + 14 * pulse, QColor(180, 255, 80, static_cast<int>(120 + 120 * pulse)));
    const double fw = 40 + 10 * pulse;
    const double fh = 40 + 10 * pulse;
    DrawEmoji(p, QStringLiteral("🔥"), QRectF(48 - fw / 2, 56 - fh, fw, fh + 4));
    DrawOutlinedText(p, QStringLiteral("WILD"), LabelFont(23), QPointF(48, 70),
                     MixColour(QColor(255, 230, 60), QColor(255, 255, 230), pulse - 0.55), QColor(50, 0, 70),
                     2.0, QColor(200, 255, 80, static_cast<int>(90 + 100 * pulse)));
    if (frame > 0) {
        Sparkle(p, QPointF(20, 26), 3 + 2 * frame, QColor(230, 255, 200));
        Sparkle(p, QPointF(78, 22), 2 + 2 * frame, QColor(230, 255, 200));
    }
}

} // namespace

QImage PaintSymbolSheet() {
    QImage sheet = NewCanvas(4 * kTile, 3 * kTile);
    for (int t = 0; t < kTileCount; ++t) {
        const QRect r = TileRect(t);
        QImage tile = NewCanvas(kTile, kTile);
        {
            QPainter p(&tile);
            PaintDrumSurface(p, UnitRect(tile));
            if (t <= 7) {
                PaintSymbol(p, t);
            } else if (t == 8) {
                PaintBonus(p);
            } else {
                PaintWild(p, t - 9);
            }
        }
        DrumShade(tile, UnitRect(tile));
        QPainter sp(&sheet);
        sp.drawImage(r.topLeft(), tile);
    }
    return sheet.convertToFormat(QImage::Format_RGB32);
}

QImage PaintMotionStrip(const QImage& symbolSheet) {
    int h = kTile * static_cast<int>(kMotionOrder.size());
    QImage strip = NewCanvas(kTile, h);
    {
        QPainter p(&strip);
        for (std::size_t i = 0; i < kMotionOrder.size(); ++i) {
            p.drawImage(QPoint(0, static_cast<int>(i) * kTile), symbolSheet,
                        PixelRect(symbolSheet, TileRect(kMotionOrder[i])));
        }
    }
    strip = strip.convertToFormat(QImage::Format_RGB32);
    // Vertical motion blur as a loop: three passes of a circular box filter
    // (close to a gaussian) so the bottom row runs on into the top row.
    const int radius = 9 * PaintScale();
    h = strip.height();
    std::vector<int> column(static_cast<std::size_t>(h) * 3);
    for (int x = 0; x < strip.width(); ++x) {
        for (int y = 0; y < h; ++y) {
            const QRgb c = strip.pixel(x, y);
            column[static_cast<std::size_t>(y) * 3] = qRed(c);
            column[static_cast<std::size_t>(y) * 3 + 1] = qGreen(c);
            column[static_cast<std::size_t>(y) * 3 + 2] = qBlue(c);
        }
        for (int pass = 0; pass < 3; ++pass) {
            std::vector<int> next(column.size());
            for (std::size_t ch = 0; ch < 3; ++ch) {
                int sum = 0;
                for (int k = -radius; k <= radius; ++k) {
                    sum += column[static_cast<std::size_t>((k + h) % h) * 3 + ch];
                }
                for (int y = 0; y < h; ++y) {
                    next[static_cast<std::size_t>(y) * 3 + ch] = sum / (2 * radius + 1);
                    sum -= column[static_cast<std::size_t>((y - radius + h) % h) * 3 + ch];
                    sum += column[static_cast<std::size_t>((y + radius + 1) % h) * 3 + ch];
                }
            }
            column.swap(next);
        }
        for (int y = 0; y < h; ++y) {
            const std::size_t i = static_cast<std::size_t>(y) * 3;
            strip.setPixel(x, y, qRgb(column[i], column[i + 1], column[i + 2]));
        }
    }
    return strip;
}

} // namespace morrow::artgen
