// SPDX-License-Identifier: GPL-3.0-or-later
// The play field: the cabinet of the machine around the three reel windows.
//
// The program paints the reels into the three openings, writes the "Nudge"
// captions into the dark plaques above them, draws the green payline at
// y = 213 between the two gold markers, and lets the blood strip run over
// the bottom lip. Everything else is ours: bronze pillars, a carved top rail,
// chrome posts between the reels and three lit buttons.
#include "Common.h"
#include "Pictures.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace morrow::artgen {

namespace {

constexpr int W = kFieldWidth;
constexpr int H = kFieldHeight;

// A vertical bar shaded like a cylinder lit from the upper left.
void CylinderBar(QPainter& p, const QRectF& r, const QColor& base) {
    QLinearGradient g(r.topLeft(), r.topRight());
    g.setColorAt(0.0, MixColour(base, Qt::black, 0.75));
    g.setColorAt(0.28, MixColour(base, Qt::white, 0.45));
    g.setColorAt(0.42, base);
    g.setColorAt(1.0, MixColour(base, Qt::black, 0.8));
    p.fillRect(r, g);
}

// A horizontal bar shaded like a cylinder lit from above.
void RailBar(QPainter& p, const QRectF& r, const QColor& base) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0.0, MixColour(base, Qt::black, 0.6));
    g.setColorAt(0.25, MixColour(base, Qt::white, 0.5));
    g.setColorAt(0.45, base);
    g.setColorAt(1.0, MixColour(base, Qt::black, 0.8));
    p.fillRect(r, g);
}

void Bolt(QPainter& p, const QPointF& c, double r) {
    QRadialGradient g(c - QPointF(r * 0.4, r * 0.4), r * 1.6);
    g.setColorAt(0.0, QColor(255, 240, 200));
    g.setColorAt(0.5, QColor(170, 120, 50));
    g.setColorAt(1.0, QColor(50, 30, 10));
    p.setPen(QPen(QColor(20, 10, 0), 0.8));
    p.setBrush(g);
    p.drawEllipse(c, r, r);
}

void Cobweb(QPainter& p, const QPointF& corner, double size, int dx, int dy) {
    p.save();
    p.setPen(QPen(QColor(220, 220, 230, 70), 0.8));
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i <= 4; ++i) {
        const double a = i * (3.14159265 / 2) / 4;
        p.drawLine(corner, corner + QPointF(dx * std::cos(a) * size, dy * std::sin(a) * size));
    }
    for (double s = size * 0.25; s <= size; s += size * 0.25) {
        QPainterPath path;
        for (int i = 0; i <= 4; ++i) {
            const double a = i * (3.14159265 / 2) / 4;
            const QPointF pt = corner + QPointF(dx * std::cos(a) * s, dy * std::sin(a) * s);
            if (i == 0) {
                path.moveTo(pt);
            } else {
                const double am = (i - 0.5) * (3.14159265 / 2) / 4;
                path.quadTo(corner + QPointF(dx * std::cos(am) * s * 0.8, dy * std::sin(am) * s * 0.8), pt);
            }
        }
        p.drawPath(path);
    }
    p.restore();
}

void PaylineMarker(QPainter& p, bool left) {
    // Tip touches the payline's end (x = 72 or W - 72); the body lies in the frame.
    const double tip = left ? kPaylineInset - 1 : W - kPaylineInset;
    const double dir = left ? 1.0 : -1.0;
    const double y = kPaylineY + 0.5;
    QPainterPath arrow;
    arrow.moveTo(tip, y);
    arrow.lineTo(tip - dir * 16, y - 11);
    arrow.lineTo(tip - dir * 16, y - 5);
    arrow.lineTo(tip - dir * 30, y - 5);
    arrow.lineTo(tip - dir * 30, y + 5);
    arrow.lineTo(tip - dir * 16, y + 5);
    arrow.lineTo(tip - dir * 16, y + 11);
    arrow.closeSubpath();
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    DrawGlow(p, QPointF(tip - dir * 14, y), 20, QColor(120, 255, 80, 110));
    p.setPen(QPen(QColor(30, 15, 0), 1.6));
    QLinearGradient g(0, y - 11, 0, y + 11);
    g.setColorAt(0.0, QColor(255, 245, 170));
    g.setColorAt(0.5, QColor(230, 160, 20));
    g.setColorAt(1.0, QColor(120, 60, 0));
    p.setBrush(g);
    p.drawPath(arrow);
    // A green gem in the arrow head, the colour of the payline.
    QRadialGradient gem(QPointF(tip - dir * 11, y - 1.5), 5);
    gem.setColorAt(0.0, QColor(220, 255, 210));
    gem.setColorAt(0.5, QColor(0, 230, 0));
    gem.setColorAt(1.0, QColor(0, 80, 0));
    p.setPen(QPen(QColor(0, 40, 0), 0.8));
    p.setBrush(gem);
    p.drawEllipse(QPointF(tip - dir * 10.5, y), 3.6, 3.6);
    p.restore();
}

void ReelButton(QPainter& p, const QRect& area, const QString& label, const QColor& base) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF r(area);
    // Recess in the console, then the raised cap.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 200));
    p.drawRoundedRect(r.adjusted(-2, -2, 2, 2), 9, 9);
    DrawBevelPanel(p, r.adjusted(0, 0, 0, 0), 8, base, 3.0);
    // Glossy highlight on the upper half of the cap.
    QLinearGradient gloss(r.topLeft(), QPointF(r.left(), r.center().y()));
    gloss.setColorAt(0.0, QColor(255, 255, 255, 120));
    gloss.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setBrush(gloss);
    p.drawRoundedRect(QRectF(r.left() + 5, r.top() + 3, r.width() - 10, r.height() / 2 - 3), 5, 5);
    p.restore();
    DrawOutlinedText(p, label, LabelFont(14), QPointF(r.center().x(), r.center().y() + 0.5),
                     QColor(255, 250, 230), MixColour(base, Qt::black, 0.75), 1.6);
}

} // namespace

QImage PaintPlayField() {
    QImage img = NewCanvas(W, H);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);

    // Cabinet body: deep oxblood lacquer, darker to the edges.
    {
        QLinearGradient g(0, 0, 0, H);
        g.setColorAt(0.0, QColor(52, 10, 16));
        g.setColorAt(0.5, QColor(78, 14, 22));
        g.setColorAt(1.0, QColor(34, 6, 10));
        p.fillRect(img.rect(), g);
        QRadialGradient v(QPointF(W / 2.0, H / 2.0), W * 0.62);
        v.setColorAt(0.6, QColor(0, 0, 0, 0));
        v.setColorAt(1.0, QColor(0, 0, 0, 150));
        p.fillRect(img.rect(), v);
    }

    // Bronze pillars on both sides.
    CylinderBar(p, QRectF(0, 0, 22, H), QColor(150, 95, 40));
    CylinderBar(p, QRectF(W - 22, 0, 22, H), QColor(150, 95, 40));
    CylinderBar(p, QRectF(22, 0, 6, H), QColor(60, 20, 20));
    CylinderBar(p, QRectF(W - 28, 0, 6, H), QColor(60, 20, 20));

    // Carved top rail with the name of the machine.
    RailBar(p, QRectF(0, 0, W, 28), QColor(150, 95, 40));
    RailBar(p, QRectF(0, 26, W, 4), QColor(70, 30, 10));
    DrawGradientText(p, QStringLiteral("MORROWMAS  SLOTS"), TitleFont(17), QPointF(W / 2.0, 14),
                     QColor(255, 240, 170), QColor(200, 110, 0), QColor(40, 8, 0), 1.4);
    for (double x : {12.0, 40.0, W - 40.0, W - 12.0}) {
        Bolt(p, QPointF(x, 14), 4);
    }

    // Nudge band: a plain dark strip with three recessed plaques.
    {
        const QRectF band(34, 33, W - 68, 28);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(10, 4, 6));
        p.drawRoundedRect(band, 6, 6);
        for (int cx : kNudgeCentreX) {
            const QRectF plaque(cx - 50, 35, 100, 24);
            p.setPen(QPen(QColor(120, 70, 20), 1.2));
            p.setBrush(QColor(16, 14, 18));
            p.drawRoundedRect(plaque, 5, 5);
        }
    }

    // Bezel around the reels: a gold frame standing off the cabinet.
    {
        const QRectF outer(58, 63, W - 116, 300);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 140));
        p.drawRoundedRect(outer.adjusted(-4, -2, 6, 6), 12, 12);
        DrawBevelPanel(p, outer, 10, QColor(190, 130, 40), 5);
        p.setBrush(QColor(12, 10, 14));
        p.drawRoundedRect(outer.adjusted(8, 5, -8, -5), 6, 6);
    }

    // Chrome posts between the reel windows.
    for (int i = 0; i < 2; ++i) {
        const int left = kReelLeft[static_cast<std::size_t>(i)] + kReelWidth + 3;
        const int right = kReelLeft[static_cast<std::size_t>(i) + 1] - 3;
        CylinderBar(p, QRectF(left, kReelTop - 3, right - left, kReelBottom - kReelTop + 6),
                    QColor(150, 150, 165));
    }

    // Cobwebs in the bezel's upper corners (the openings cover their middle).
    Cobweb(p, QPointF(66, 68), 26, 1, 1);
    Cobweb(p, QPointF(W - 66, 68), 26, -1, 1);

    // The reel openings: dark neutral, deeper at the top and bottom like the
    // inside of the drum housing, with a shadow line around each.
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int left : kReelLeft) {
        p.fillRect(QRect(left - 3, kReelTop - 3, kReelWidth + 6, kReelBottom - kReelTop + 6),
                   QColor(6, 6, 8));
        QLinearGradient g(0, kReelTop, 0, kReelBottom);
        g.setColorAt(0.0, QColor(14, 13, 16));
        g.setColorAt(0.5, QColor(34, 32, 36));
        g.setColorAt(1.0, QColor(14, 13, 16));
        p.fillRect(QRect(left, kReelTop, kReelWidth, kReelBottom - kReelTop), g);
    }
    p.setRenderHint(QPainter::Antialiasing, true);

    // Payline markers at both ends of the line.
    PaylineMarker(p, true);
    PaylineMarker(p, false);

    // Side decorations: a skull above, a lantern below, cobwebs in the corners.
    DrawGlow(p, QPointF(30, 120), 30, QColor(255, 60, 20, 90));
    DrawGlow(p, QPointF(W - 30, 120), 30, QColor(255, 60, 20, 90));
    DrawEmoji(p, QStringLiteral("💀"), QRectF(8, 100, 44, 40));
    DrawEmoji(p, QStringLiteral("💀"), QRectF(W - 52, 100, 44, 40));
    DrawGlow(p, QPointF(30, 305), 34, QColor(255, 150, 20, 120));
    DrawGlow(p, QPointF(W - 30, 305), 34, QColor(255, 150, 20, 120));
    DrawLitLantern(p, QRectF(6, 284, 48, 44));
    DrawLitLantern(p, QRectF(W - 54, 284, 48, 44));
    DrawEmoji(p, QStringLiteral("🕯️"), QRectF(16, 236, 28, 40));
    DrawEmoji(p, QStringLiteral("🕯️"), QRectF(W - 44, 236, 28, 40));

    // Button console.
    {
        RailBar(p, QRectF(30, 362, W - 60, 34), QColor(60, 40, 30));
        p.fillRect(QRectF(30, 364, W - 60, 30), QColor(22, 12, 12, 200));
        ReelButton(p, kButtons[0], QStringLiteral("BET ONE"), QColor(220, 110, 0));
        ReelButton(p, kButtons[1], QStringLiteral("BET MAX"), QColor(130, 40, 170));
        ReelButton(p, kButtons[2], QStringLiteral("SPIN"), QColor(200, 20, 20));
    }

    // Bottom lip, soaked: the blood strip runs over these rows.
    {
        QLinearGradient g(0, H - 4, 0, H);
        g.setColorAt(0.0, QColor(150, 0, 0));
        g.setColorAt(1.0, QColor(80, 0, 0));
        p.fillRect(QRectF(0, H - 4, W, 4), g);
    }
    p.end();
    return img.convertToFormat(QImage::Format_RGB32);
}

} // namespace morrow::artgen
