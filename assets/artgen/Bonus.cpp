// SPDX-License-Identifier: GPL-3.0-or-later
// The three pictures of the Trick or Treat bonus window: the house where
// the player picks one of six pumpkins, the graveyard of an empty pumpkin,
// and the heap of treats with a black space for the prize text.
#include "Common.h"
#include "Pictures.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <numbers>

namespace morrow::artgen {

namespace {

constexpr int W = kBonusWidth;
constexpr int H = kBonusHeight;

void NightSky(QPainter& p, const QRectF& r, const QColor& top, const QColor& bottom, Rng& rng, int stars) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0.0, top);
    g.setColorAt(1.0, bottom);
    p.fillRect(r, g);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < stars; ++i) {
        const QPointF c(r.left() + rng.unit() * r.width(), r.top() + rng.unit() * r.height() * 0.7);
        const double s = rng.range(0.4, 1.3);
        p.setBrush(QColor(255, 255, 230, static_cast<int>(rng.range(90, 230))));
        p.drawEllipse(c, s, s);
    }
}

void Moon(QPainter& p, const QPointF& c, double r, const QColor& tint) {
    DrawGlow(p, c, r * 2.6, QColor(tint.red(), tint.green(), tint.blue(), 90));
    QRadialGradient g(c - QPointF(r * 0.3, r * 0.3), r * 1.3);
    g.setColorAt(0.0, QColor(255, 255, 240));
    g.setColorAt(0.7, tint);
    g.setColorAt(1.0, MixColour(tint, Qt::black, 0.3));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(c, r, r);
    p.setBrush(QColor(0, 0, 0, 28));
    p.drawEllipse(c + QPointF(-r * 0.3, -r * 0.1), r * 0.22, r * 0.2);
    p.drawEllipse(c + QPointF(r * 0.25, r * 0.3), r * 0.16, r * 0.14);
    p.drawEllipse(c + QPointF(r * 0.1, -r * 0.45), r * 0.1, r * 0.09);
}

void DeadTree(QPainter& p, QPointF base, double length, double angle, double width, int depth, Rng& rng,
              const QColor& colour) {
    const QPointF tip = base + QPointF(std::sin(angle) * length, -std::cos(angle) * length);
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
    const QPointF bend = (base + tip) / 2.0 + QPointF(rng.range(-6, 6), rng.range(-4, 4));
    QPainterPath path;
    path.moveTo(base);
    path.quadTo(bend, tip);
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    if (depth == 0) {
        return;
    }
    const int branches = 2 + (rng.unit() < 0.35 ? 1 : 0);
    for (int i = 0; i < branches; ++i) {
        const double spread = rng.range(0.3, 0.8) * (i % 2 == 0 ? 1 : -1);
        DeadTree(p, tip, length * rng.range(0.55, 0.78), angle + spread, width * 0.62, depth - 1, rng,
                 colour);
    }
}

void Tombstone(QPainter& p, const QRectF& r, bool cross, Rng& rng) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 120));
    p.drawEllipse(QPointF(r.center().x() + 6, r.bottom()), r.width() * 0.7, 6);
    QPainterPath stone;
    if (cross) {
        const double w = r.width() / 3;
        stone.addRect(r.center().x() - w / 2, r.top(), w, r.height());
        stone.addRect(r.left(), r.top() + r.height() * 0.22, r.width(), w);
        stone.setFillRule(Qt::WindingFill);
    } else {
        stone.moveTo(r.left(), r.bottom());
        stone.lineTo(r.left(), r.top() + r.width() / 2);
        stone.arcTo(QRectF(r.left(), r.top(), r.width(), r.width()), 180, -180);
        stone.lineTo(r.right(), r.bottom());
        stone.closeSubpath();
    }
    QLinearGradient g(r.topLeft(), r.topRight());
    g.setColorAt(0.0, QColor(150, 155, 165));
    g.setColorAt(0.6, QColor(95, 100, 110));
    g.setColorAt(1.0, QColor(45, 48, 55));
    p.setPen(QPen(QColor(25, 25, 30), 1.5));
    p.setBrush(g);
    p.drawPath(stone);
    if (!cross) {
        p.setPen(QPen(QColor(40, 40, 48), 1.0));
        QFont f = TitleFont(static_cast<int>(r.width() * 0.28));
        p.setFont(f);
        p.drawText(QRectF(r.left(), r.top() + r.height() * 0.25, r.width(), r.height() * 0.3),
                   Qt::AlignCenter, QStringLiteral("R.I.P."));
        // A crack down the face.
        QPainterPath crack;
        double x = r.left() + r.width() * rng.range(0.3, 0.7);
        double y = r.top() + r.height() * 0.55;
        crack.moveTo(x, y);
        for (int i = 0; i < 4; ++i) {
            x += rng.range(-5, 5);
            y += r.height() * 0.1;
            crack.lineTo(x, y);
        }
        p.setBrush(Qt::NoBrush);
        p.drawPath(crack);
    }
    p.restore();
}

void Fog(QPainter& p, double y, Rng& rng, int puffs) {
    p.setPen(Qt::NoPen);
    for (int i = 0; i < puffs; ++i) {
        const QPointF c(rng.unit() * W, y + rng.range(-12, 12));
        QRadialGradient g(c, rng.range(40, 90));
        g.setColorAt(0.0, QColor(200, 220, 210, 60));
        g.setColorAt(1.0, QColor(200, 220, 210, 0));
        p.setBrush(g);
        p.drawEllipse(c, g.radius() * 1.8, g.radius() * 0.5);
    }
}

void House(QPainter& p) {
    // Walls.
    const QRectF wall(170, 128, 300, 178);
    QLinearGradient wg(wall.topLeft(), wall.bottomLeft());
    wg.setColorAt(0.0, QColor(70, 60, 90));
    wg.setColorAt(1.0, QColor(38, 30, 52));
    p.setPen(Qt::NoPen);
    p.setBrush(wg);
    p.drawRect(wall);
    p.setPen(QPen(QColor(25, 18, 35), 1));
    for (double y = wall.top() + 8; y < wall.bottom(); y += 9) {
        p.drawLine(QPointF(wall.left(), y), QPointF(wall.right(), y));
    }
    // Roof.
    QPainterPath roof;
    roof.moveTo(150, 132);
    roof.lineTo(320, 40);
    roof.lineTo(490, 132);
    roof.closeSubpath();
    QLinearGradient rg(0, 40, 0, 132);
    rg.setColorAt(0.0, QColor(40, 25, 40));
    rg.setColorAt(1.0, QColor(20, 12, 22));
    p.setPen(QPen(QColor(10, 5, 10), 2));
    p.setBrush(rg);
    p.drawPath(roof);
    p.setPen(QPen(QColor(60, 40, 60), 1));
    for (double y = 60; y < 132; y += 10) {
        const double half = (y - 40) / 92 * 170;
        p.drawLine(QPointF(320 - half, y), QPointF(320 + half, y));
    }
    // Attic window, round and lit.
    DrawGlow(p, QPointF(320, 95), 34, QColor(255, 170, 40, 120));
    p.setPen(QPen(QColor(20, 10, 10), 3));
    p.setBrush(QColor(255, 190, 70));
    p.drawEllipse(QPointF(320, 95), 15, 15);
    p.drawLine(QPointF(305, 95), QPointF(335, 95));
    p.drawLine(QPointF(320, 80), QPointF(320, 110));
    // Two windows with a glow and a lantern in one.
    for (double x : {205.0, 385.0}) {
        const QRectF win(x, 160, 52, 62);
        DrawGlow(p, win.center(), 60, QColor(255, 150, 30, 90));
        QLinearGradient lg(win.topLeft(), win.bottomLeft());
        lg.setColorAt(0.0, QColor(255, 220, 110));
        lg.setColorAt(1.0, QColor(230, 120, 20));
        p.setPen(QPen(QColor(20, 10, 10), 4));
        p.setBrush(lg);
        p.drawRect(win);
        p.setPen(QPen(QColor(20, 10, 10), 3));
        p.drawLine(QPointF(win.center().x(), win.top()), QPointF(win.center().x(), win.bottom()));
        p.drawLine(QPointF(win.left(), win.center().y()), QPointF(win.right(), win.center().y()));
        // Shutters.
        p.setPen(QPen(QColor(15, 10, 20), 1));
        p.setBrush(QColor(50, 25, 45));
        p.drawRect(QRectF(win.left() - 16, win.top() - 2, 14, win.height() + 4));
        p.drawRect(QRectF(win.right() + 2, win.top() - 2, 14, win.height() + 4));
    }
    DrawEmoji(p, QStringLiteral("🎃"), QRectF(390, 196, 28, 24));
    // Door, open a crack with warm light.
    const QRectF door(292, 196, 56, 104);
    DrawGlow(p, QPointF(320, 260), 70, QColor(255, 170, 60, 90));
    p.setPen(QPen(QColor(15, 8, 8), 3));
    p.setBrush(QColor(255, 200, 110));
    p.drawRect(door);
    QLinearGradient dg(door.topLeft(), door.topRight());
    dg.setColorAt(0.0, QColor(90, 40, 20));
    dg.setColorAt(1.0, QColor(50, 20, 10));
    p.setBrush(dg);
    p.drawRect(QRectF(door.left(), door.top(), door.width() * 0.72, door.height()));
    p.setBrush(QColor(230, 190, 80));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(door.left() + door.width() * 0.6, door.center().y()), 2.5, 2.5);
    // Porch steps.
    p.setBrush(QColor(60, 50, 60));
    p.setPen(QPen(QColor(20, 15, 20), 1));
    p.drawRect(QRectF(272, 300, 96, 6));
    p.drawRect(QRectF(262, 306, 116, 6));
}

void PickTile(QPainter& p, int k, Rng& rng) {
    const QRect r = PumpkinTile(k);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    // Gold frame: flat outer edge (the clickable bounds), bevelled inside.
    p.fillRect(r, QColor(230, 160, 30));
    p.fillRect(r.adjusted(1, 1, -1, -1), QColor(255, 215, 90));
    p.fillRect(r.adjusted(3, 3, -1, -1), QColor(150, 90, 10));
    p.fillRect(r.adjusted(3, 3, -3, -3), QColor(200, 130, 20));
    const QRect inner = r.adjusted(5, 5, -5, -5);
    QRadialGradient g(QPointF(inner.center()) - QPointF(8, 10), 60);
    g.setColorAt(0.0, QColor(90, 40, 110));
    g.setColorAt(1.0, QColor(18, 6, 26));
    p.fillRect(inner, g);
    p.setRenderHint(QPainter::Antialiasing, true);
    DrawGlow(p, QPointF(inner.center()) + QPointF(0, 6), 34, QColor(255, 150, 30, 110));
    const double wobble = rng.range(-4, 4);
    p.translate(QPointF(inner.center()) + QPointF(0, 6));
    p.rotate(wobble);
    DrawEmoji(p, QStringLiteral("🎃"), QRectF(-32, -28, 64, 56));
    p.restore();
    DrawOutlinedText(p, QString::number(k + 1), LabelFont(13), QPointF(r.left() + 14, r.top() + 15),
                     QColor(255, 230, 150), QColor(40, 10, 0), 1.5);
}

} // namespace

QImage PaintTrickPick() {
    QImage img = NewCanvas(W, H);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    Rng rng(0x7E1C0001);
    NightSky(p, QRectF(0, 0, W, 320), QColor(6, 4, 24), QColor(58, 26, 70), rng, 140);
    Moon(p, QPointF(560, 70), 38, QColor(255, 230, 170));
    // Bare trees at the sides.
    DeadTree(p, QPointF(70, 318), 90, -0.05, 12, 5, rng, QColor(12, 6, 14));
    DeadTree(p, QPointF(590, 318), 80, 0.1, 10, 5, rng, QColor(12, 6, 14));
    House(p);
    // Ground and path.
    QLinearGradient ground(0, 300, 0, 322);
    ground.setColorAt(0.0, QColor(30, 40, 24));
    ground.setColorAt(1.0, QColor(10, 14, 8));
    p.fillRect(QRectF(0, 306, W, 16), ground);
    // The two trick-or-treaters at the door.
    DrawEmoji(p, QStringLiteral("🧙"), QRectF(228, 228, 62, 80));
    DrawEmoji(p, QStringLiteral("👻"), QRectF(352, 236, 60, 70));
    DrawEmoji(p, QStringLiteral("🎃"), QRectF(272, 286, 22, 20));
    // Bats against the moon.
    DrawEmoji(p, QStringLiteral("🦇"), QRectF(520, 40, 40, 26));
    DrawEmoji(p, QStringLiteral("🦇"), QRectF(90, 80, 30, 20));
    DrawEmoji(p, QStringLiteral("🦇"), QRectF(136, 64, 24, 16));
    DrawGradientText(p, QStringLiteral("Trick or Treat!"), TitleFont(36), QPointF(150, 34),
                     QColor(255, 210, 90), QColor(230, 90, 0), QColor(30, 0, 0), 2.0);
    DrawOutlinedText(p, QStringLiteral("Pick a pumpkin"), LabelFont(15), QPointF(540, 300),
                     QColor(255, 240, 200), QColor(30, 0, 0), 1.6);
    // The black band of the six pumpkin tiles.
    p.fillRect(QRect(0, 322, W, H - 322), Qt::black);
    for (int k = 0; k < 6; ++k) {
        PickTile(p, k, rng);
    }
    p.end();
    return img.convertToFormat(QImage::Format_RGB32);
}

QImage PaintTrickTricked() {
    QImage img = NewCanvas(W, H);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    Rng rng(0x7E1C0002);
    NightSky(p, QRectF(0, 0, W, H), QColor(4, 12, 10), QColor(30, 60, 45), rng, 110);
    Moon(p, QPointF(470, 90), 56, QColor(200, 255, 200));
    // Clouds across the moon.
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 5; ++i) {
        p.setBrush(QColor(10, 24, 18, 200));
        p.drawEllipse(QPointF(400 + i * 38, 118 + (i % 2) * 8), 46, 10);
    }
    // Hills.
    QPainterPath hill;
    hill.moveTo(0, 300);
    hill.quadTo(160, 250, 320, 290);
    hill.quadTo(480, 320, 640, 270);
    hill.lineTo(640, 430);
    hill.lineTo(0, 430);
    hill.closeSubpath();
    p.setBrush(QColor(10, 22, 14));
    p.drawPath(hill);
    DeadTree(p, QPointF(90, 290), 100, 0.05, 14, 6, rng, QColor(5, 10, 8));
    DeadTree(p, QPointF(560, 282), 70, -0.1, 9, 5, rng, QColor(5, 10, 8));
    // Iron fence.
    p.setPen(QPen(QColor(8, 8, 10), 3));
    p.drawLine(QPointF(0, 282), QPointF(640, 282));
    p.drawLine(QPointF(0, 302), QPointF(640, 302));
    for (int x = 6; x < W; x += 16) {
        p.drawLine(QPointF(x, 270), QPointF(x, 318));
        p.setBrush(QColor(8, 8, 10));
        p.drawPolygon(QPolygonF({QPointF(x - 3, 271), QPointF(x, 263), QPointF(x + 3, 271)}));
    }
    // Headstones.
    Tombstone(p, QRectF(40, 276, 54, 70), false, rng);
    Tombstone(p, QRectF(150, 262, 40, 82), true, rng);
    Tombstone(p, QRectF(250, 270, 66, 86), false, rng);
    Tombstone(p, QRectF(400, 262, 44, 90), true, rng);
    Tombstone(p, QRectF(500, 280, 60, 70), false, rng);
    // Who played the trick.
    DrawEmoji(p, QStringLiteral("🧟"), QRectF(322, 240, 80, 104));
    DrawEmoji(p, QStringLiteral("👻"), QRectF(190, 150, 70, 70));
    DrawEmoji(p, QStringLiteral("🦇"), QRectF(430, 60, 44, 30));
    DrawEmoji(p, QStringLiteral("🦇"), QRectF(500, 30, 30, 20));
    // Ground and fog.
    QLinearGradient ground(0, 340, 0, H);
    ground.setColorAt(0.0, QColor(14, 26, 18));
    ground.setColorAt(1.0, QColor(0, 0, 0));
    p.setPen(Qt::NoPen);
    p.fillRect(QRectF(0, 344, W, H - 344), ground);
    Fog(p, 340, rng, 16);
    DrawOutlinedText(p, QStringLiteral("You've Been Tricked"), TitleFont(46), QPointF(320, 392),
                     QColor(150, 255, 90), QColor(10, 30, 0), 2.4, QColor(60, 200, 40, 160));
    p.end();
    return img.convertToFormat(QImage::Format_RGB32);
}

QImage PaintTrickTreat() {
    QImage img = NewCanvas(W, H);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    Rng rng(0x7E1C0003);
    // A black room lit by the big lantern.
    DrawGlow(p, QPointF(150, 200), 150, QColor(255, 120, 0, 130));
    DrawLitLantern(p, QRectF(22, 70, 260, 240));
    DrawGradientText(p, QStringLiteral("Your Treat"), TitleFont(52), QPointF(462, 72), QColor(255, 240, 150),
                     QColor(230, 90, 0), QColor(40, 0, 0), 2.5);
    for (int i = 0; i < 7; ++i) {
        const QPointF c(320 + rng.unit() * 290, 20 + rng.unit() * 100);
        QPainterPath star;
        const double s = rng.range(3, 7);
        star.moveTo(c.x(), c.y() - s);
        star.quadTo(c, QPointF(c.x() + s, c.y()));
        star.quadTo(c, QPointF(c.x(), c.y() + s));
        star.quadTo(c, QPointF(c.x() - s, c.y()));
        star.quadTo(c, QPointF(c.x(), c.y() - s));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 240, 180));
        p.drawPath(star);
    }
    // A heap of pumpkins and sweets along the bottom, back rows first.
    const QString sweets[] = {QStringLiteral("🍬"), QStringLiteral("🍭"), QStringLiteral("🍫")};
    for (int row = 0; row < 3; ++row) {
        const double baseY = 300 + row * 42;
        for (double x = -20 + row * 17; x < W + 20;) {
            const double size = rng.range(48, 74) + row * 6;
            const double y = baseY + rng.range(-6, 8) - 0.06 * std::abs(x - 420) * (row == 0 ? 1 : 0);
            if (rng.unit() < 0.18) {
                DrawEmoji(p, sweets[rng.below(3)], QRectF(x, std::max(y, 280.0), size * 0.6, size * 0.6));
            } else {
                DrawGlow(p, QPointF(x + size / 2, y + size / 2), size * 0.7, QColor(255, 120, 0, 40));
                DrawEmoji(p, QStringLiteral("🎃"), QRectF(x, std::max(y, 268.0), size, size * 0.9));
            }
            x += size * rng.range(0.65, 0.85);
        }
    }
    // Keep the prize area plain black.
    p.fillRect(kTreatTextArea, Qt::black);
    p.end();
    return img.convertToFormat(QImage::Format_RGB32);
}

} // namespace morrow::artgen
