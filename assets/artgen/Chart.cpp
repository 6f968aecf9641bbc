// SPDX-License-Identifier: GPL-3.0-or-later
// The payoff chart, the chips of the borrow dialog and the game's icon.
#include "Common.h"
#include "Pictures.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <numbers>

namespace morrow::artgen {

namespace {

constexpr int kChartW = 632;
constexpr int kChartH = 413;
constexpr int kCell = 44;

void ChartTile(QPainter& p, const QImage& sheet, int tile, const QPointF& at) {
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.setPen(QPen(QColor(0, 0, 0), 1));
    p.setBrush(Qt::NoBrush);
    p.drawImage(QRectF(at.x(), at.y(), kCell, kCell), sheet, PixelRect(sheet, TileRect(tile)));
    p.drawRect(QRectF(at.x() - 0.5, at.y() - 0.5, kCell + 1, kCell + 1));
    p.restore();
}

void AnyTile(QPainter& p, const QPointF& at) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient g(at, at + QPointF(0, kCell));
    g.setColorAt(0.0, QColor(30, 26, 36));
    g.setColorAt(0.5, QColor(70, 62, 80));
    g.setColorAt(1.0, QColor(30, 26, 36));
    p.setPen(QPen(QColor(0, 0, 0), 1));
    p.setBrush(g);
    p.drawRect(QRectF(at.x() - 0.5, at.y() - 0.5, kCell + 1, kCell + 1));
    p.restore();
    DrawOutlinedText(p, QStringLiteral("ANY"), LabelFont(12), at + QPointF(kCell / 2.0, kCell / 2.0),
                     QColor(220, 220, 230), QColor(0, 0, 0), 1.2);
}

// The third reel's cell of a triple: the symbol, with a small wild in its
// corner to show that the wild completes it too.
void SymbolOrWild(QPainter& p, const QImage& sheet, int tile, const QPointF& at) {
    ChartTile(p, sheet, tile, at);
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF badge(at.x() + kCell - 20, at.y() + kCell - 20, 24, 24);
    p.setPen(QPen(QColor(255, 230, 120), 1.5));
    p.setBrush(Qt::black);
    p.drawEllipse(badge.adjusted(-1, -1, 1, 1));
    QPainterPath clip;
    clip.addEllipse(badge);
    p.setClipPath(clip);
    p.drawImage(badge, sheet, PixelRect(sheet, TileRect(9).adjusted(10, 10, -10, -10)));
    p.restore();
}

void PayRow(QPainter& p, const QImage& sheet, const QPointF& at, int symbol) {
    // Row panel.
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient g(at, at + QPointF(0, 48));
    g.setColorAt(0.0, QColor(60, 28, 60, 200));
    g.setColorAt(1.0, QColor(24, 10, 28, 200));
    p.setPen(QPen(QColor(120, 70, 30), 1));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(at.x(), at.y(), 290, 50), 8, 8);
    p.restore();
    const QPointF cell = at + QPointF(8, 3);
    if (symbol == 9) {
        AnyTile(p, cell);
        AnyTile(p, cell + QPointF(48, 0));
        ChartTile(p, sheet, 9, cell + QPointF(96, 0));
    } else {
        ChartTile(p, sheet, symbol, cell);
        ChartTile(p, sheet, symbol, cell + QPointF(48, 0));
        SymbolOrWild(p, sheet, symbol, cell + QPointF(96, 0));
    }
    const QPointF text = at + QPointF(220, 25);
    if (symbol == 8) {
        DrawOutlinedText(p, QStringLiteral("TRICK OR TREAT"), LabelFont(13), text + QPointF(0, -8),
                         QColor(255, 170, 40), QColor(30, 0, 0), 1.4);
        DrawOutlinedText(p, QStringLiteral("bonus game"), LabelFont(12), text + QPointF(0, 10),
                         QColor(240, 230, 210), QColor(30, 0, 0), 1.2);
        return;
    }
    static constexpr int kPays[] = {250, 50, 20, 18, 14, 12, 10, 3, 0, 1};
    DrawGradientText(p, QString::number(kPays[symbol]), TitleFont(26), text + QPointF(-22, 0),
                     QColor(255, 245, 170), QColor(220, 130, 0), QColor(30, 0, 0), 1.6);
    DrawOutlinedText(p, symbol == 9 ? QStringLiteral("stake") : QStringLiteral("per"), LabelFont(11),
                     text + QPointF(36, -7), QColor(240, 230, 210), QColor(30, 0, 0), 1.0);
    DrawOutlinedText(p, symbol == 9 ? QStringLiteral("back") : QStringLiteral("coin"), LabelFont(11),
                     text + QPointF(36, 8), QColor(240, 230, 210), QColor(30, 0, 0), 1.0);
}

} // namespace

QImage PaintPayChart(const QImage& symbolSheet) {
    QImage img = NewCanvas(kChartW, kChartH);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    {
        QRadialGradient g(QPointF(kChartW / 2.0, kChartH / 2.0), kChartW * 0.7);
        g.setColorAt(0.0, QColor(50, 16, 30));
        g.setColorAt(1.0, QColor(8, 2, 6));
        p.fillRect(img.rect(), g);
    }
    // Gold frame.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(120, 70, 10), 6));
    p.drawRoundedRect(QRectF(3, 3, kChartW - 6, kChartH - 6), 10, 10);
    p.setPen(QPen(QColor(255, 210, 100), 1.5));
    p.drawRoundedRect(QRectF(6.5, 6.5, kChartW - 13, kChartH - 13), 8, 8);
    DrawEmoji(p, QStringLiteral("🎃"), QRectF(20, 10, 34, 30));
    DrawEmoji(p, QStringLiteral("🎃"), QRectF(kChartW - 54, 10, 34, 30));
    DrawGradientText(p, QStringLiteral("MORROWMAS PAYOFFS"), TitleFont(26), QPointF(kChartW / 2.0, 26),
                     QColor(255, 240, 160), QColor(220, 100, 0), QColor(40, 0, 0), 2.0);
    constexpr int kRows[2][5] = {{0, 1, 2, 3, 4}, {5, 6, 7, 8, 9}};
    for (int col = 0; col < 2; ++col) {
        for (int row = 0; row < 5; ++row) {
            PayRow(p, symbolSheet, QPointF(18 + col * 306, 50 + row * 54), kRows[col][row]);
        }
    }
    // The rules under the table.
    const QRectF rules(18, 324, kChartW - 36, 78);
    p.setPen(QPen(QColor(120, 70, 30), 1));
    p.setBrush(QColor(0, 0, 0, 140));
    p.drawRoundedRect(rules, 8, 8);
    p.setFont(RequireFont(QStringLiteral("DejaVu Sans"), 13));
    p.setPen(QColor(240, 230, 210));
    const QStringList lines{
        QStringLiteral("Pays are per coin on the centre line, times the coins bet (1 to 3)."),
        QStringLiteral("The WILD stands on reel 3 only and takes the place of the third symbol."),
        QStringLiteral("Every WILD on the payline also earns a nudge."),
        QStringLiteral("A losing line offers a nudge: move one reel down by one symbol."),
    };
    for (int i = 0; i < lines.size(); ++i) {
        p.drawText(QPointF(rules.left() + 14, rules.top() + 20 + i * 17), lines[i]);
    }
    p.end();
    return img.convertToFormat(QImage::Format_RGB32);
}

QImage PaintChip(int amount) {
    QColor base;
    QString label;
    switch (amount) {
    case 1000:
        base = QColor(30, 70, 200);
        label = QStringLiteral("$1,000");
        break;
    case 100:
        base = QColor(200, 20, 20);
        label = QStringLiteral("$100");
        break;
    case 10:
        base = QColor(20, 150, 40);
        label = QStringLiteral("$10");
        break;
    default:
        base = QColor(30, 30, 34);
        label = QStringLiteral("$1");
        break;
    }
    QImage img = NewCanvas(66, 42, Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF top(2, 2, 62, 31);
    const double thick = 7;
    // The chip's edge, seen below the top face.
    QPainterPath edge;
    edge.moveTo(top.left(), top.center().y());
    edge.lineTo(top.left(), top.center().y() + thick);
    edge.arcTo(top.translated(0, thick), 180, 180);
    edge.lineTo(top.right(), top.center().y());
    edge.closeSubpath();
    p.setPen(QPen(MixColour(base, Qt::black, 0.7), 1));
    p.setBrush(MixColour(base, Qt::black, 0.35));
    p.drawPath(edge);
    // White inserts on the edge.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(240, 240, 240));
    for (int i = 0; i < 6; ++i) {
        const double a = std::numbers::pi * (i + 0.5) / 6;
        const double x = top.center().x() - std::cos(a) * top.width() / 2;
        const double y = top.center().y() + std::sin(a) * top.height() / 2;
        p.drawRect(QRectF(x - 2.5, y + 1, 5, thick - 2));
    }
    // Top face.
    QRadialGradient face(top.center() - QPointF(10, 6), 40);
    face.setColorAt(0.0, MixColour(base, Qt::white, 0.35));
    face.setColorAt(1.0, base);
    p.setPen(QPen(MixColour(base, Qt::black, 0.6), 1));
    p.setBrush(face);
    p.drawEllipse(top);
    // Rim inserts and the inner ring.
    p.setPen(QPen(QColor(250, 250, 250), 4, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 8; ++i) {
        p.drawArc(top.adjusted(2, 1, -2, -1), i * 45 * 16, 14 * 16);
    }
    const QRectF inner = top.adjusted(9, 5, -9, -5);
    p.setPen(QPen(QColor(255, 255, 255, 200), 1, Qt::DashLine));
    p.setBrush(MixColour(base, Qt::black, 0.15));
    p.drawEllipse(inner);
    p.end();
    QPainter t(&img);
    DrawOutlinedText(t, label, LabelFont(amount == 1000 ? 11 : 13), inner.center(), QColor(255, 255, 255),
                     MixColour(base, Qt::black, 0.7), 1.0);
    return img;
}

QImage PaintIcon(int size) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    const double s = size;
    QRadialGradient bg(QPointF(s * 0.45, s * 0.4), s * 0.75);
    bg.setColorAt(0.0, QColor(110, 30, 120));
    bg.setColorAt(1.0, QColor(20, 4, 26));
    p.setPen(size >= 32 ? QPen(QColor(230, 160, 40), s / 32.0) : Qt::NoPen);
    p.setBrush(bg);
    const double inset = std::max(0.5, s / 32.0);
    p.drawRoundedRect(QRectF(inset, inset, s - 2 * inset, s - 2 * inset), s * 0.2, s * 0.2);
    DrawGlow(p, QPointF(s / 2, s * 0.56), s * 0.45, QColor(255, 150, 0, 150));
    DrawLitLantern(p, QRectF(s * 0.1, s * 0.16, s * 0.8, s * 0.76));
    if (size >= 48) {
        DrawEmoji(p, QStringLiteral("🦇"), QRectF(s * 0.56, s * 0.06, s * 0.34, s * 0.2));
    }
    p.end();
    return img;
}

} // namespace morrow::artgen
