// SPDX-License-Identifier: GPL-3.0-or-later
// The sprites that wander round the window and the blood that drips along
// the bottom of the field. Sprites are copied opaquely onto the black
// window and never erased, so each frame keeps a pure black border wide
// enough to wipe the trail of its last step.
#include "Common.h"
#include "Pictures.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTransform>

#include <algorithm>
#include <array>
#include <cmath>

namespace morrow::artgen {

namespace {

// One wing of the bat, drawn for the right side; the left is its mirror.
// lift is +1 with the wing raised high and -1 with it swept down.
QPainterPath BatWing(double lift) {
    const double span = 58 - 8 * std::abs(lift);
    const QPointF shoulder(6, -6);
    const QPointF elbow(span * 0.42, -6 - 22 * lift);
    const QPointF tip(span, -4 - 40 * lift);
    const QPointF f1(span * 0.78, 10 - 20 * lift);
    const QPointF f2(span * 0.52, 14 - 10 * lift);
    const QPointF root(6, 12);
    QPainterPath wing;
    wing.moveTo(shoulder);
    wing.quadTo(QPointF(elbow.x() * 0.5, elbow.y() - 8), elbow);
    wing.quadTo(QPointF((elbow.x() + tip.x()) / 2, tip.y() - 6), tip);
    const auto scallop = [&](const QPointF& from, const QPointF& to) {
        const QPointF mid = (from + to) / 2.0;
        const QPointF pull = (elbow - mid) * 0.28;
        wing.quadTo(mid + pull, to);
    };
    scallop(tip, f1);
    scallop(f1, f2);
    scallop(f2, root);
    wing.closeSubpath();
    return wing;
}

void PaintBatFrame(QPainter& p, double lift) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.translate(75, 72 + 6 * lift);
    DrawGlow(p, QPointF(0, 0), 60, QColor(120, 60, 160, 60));
    for (int side : {1, -1}) {
        p.save();
        p.scale(side, 1);
        const QPainterPath wing = BatWing(lift);
        QLinearGradient g(0, -40, 40, 30);
        g.setColorAt(0.0, QColor(120, 60, 100));
        g.setColorAt(1.0, QColor(55, 20, 45));
        p.setPen(QPen(QColor(190, 140, 200), 1.2));
        p.setBrush(g);
        p.drawPath(wing);
        // Finger bones.
        const double span = 58 - 8 * std::abs(lift);
        const QPointF elbow(span * 0.42, -6 - 22 * lift);
        p.setPen(QPen(QColor(200, 160, 190), 1.3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(6, -6), elbow);
        p.drawLine(elbow, QPointF(span * 0.78, 10 - 20 * lift));
        p.drawLine(elbow, QPointF(span * 0.52, 14 - 10 * lift));
        p.restore();
    }
    // Body and head.
    QRadialGradient body(QPointF(-3, -4), 18);
    body.setColorAt(0.0, QColor(130, 80, 90));
    body.setColorAt(1.0, QColor(40, 16, 26));
    p.setPen(QPen(QColor(170, 120, 160), 1.0));
    p.setBrush(body);
    p.drawEllipse(QPointF(0, 4), 9, 14);
    QPainterPath head;
    head.moveTo(-8, -12);
    head.lineTo(-10, -26);
    head.lineTo(-3, -17);
    head.lineTo(3, -17);
    head.lineTo(10, -26);
    head.lineTo(8, -12);
    head.quadTo(9, -4, 0, -3);
    head.quadTo(-9, -4, -8, -12);
    p.drawPath(head);
    // Glowing red eyes and two fangs.
    DrawGlow(p, QPointF(-3.5, -11), 5, QColor(255, 40, 0, 200));
    DrawGlow(p, QPointF(3.5, -11), 5, QColor(255, 40, 0, 200));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 230, 120));
    p.drawEllipse(QPointF(-3.5, -11), 1.6, 1.6);
    p.drawEllipse(QPointF(3.5, -11), 1.6, 1.6);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({QPointF(-2.5, -5), QPointF(-1.2, -5), QPointF(-1.9, -2)}));
    p.drawPolygon(QPolygonF({QPointF(1.2, -5), QPointF(2.5, -5), QPointF(1.9, -2)}));
    p.restore();
}

void PaintSkeletonFrame(QPainter& p, int frame) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const QColor bone(236, 230, 210);
    const QColor shade(110, 100, 85);
    const double stride = frame == 0 ? 1.0 : -1.0;
    const double bob = frame == 0 ? 0.0 : 2.0;
    p.translate(0, bob);
    auto boneLine = [&](QPointF a, QPointF b, double w) {
        p.setPen(QPen(shade, w + 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(a, b);
        p.setPen(QPen(bone, w, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(a, b);
        p.setPen(Qt::NoPen);
        p.setBrush(bone);
        p.drawEllipse(a, w * 0.9, w * 0.9);
        p.drawEllipse(b, w * 0.9, w * 0.9);
    };
    DrawGlow(p, QPointF(45, 60), 42, QColor(160, 200, 255, 40));
    const QPointF neck(46, 38), hip(45, 72);
    // Far arm and leg behind the body, a little darker.
    p.setOpacity(0.8);
    boneLine(QPointF(46, 44), QPointF(46 - 7 * stride, 58), 3);
    boneLine(QPointF(46 - 7 * stride, 58), QPointF(46 - 11 * stride, 71), 2.6);
    boneLine(hip, QPointF(45 - 9 * stride, 92), 3.4);
    boneLine(QPointF(45 - 9 * stride, 92), QPointF(45 - 13 * stride, 110), 3);
    boneLine(QPointF(45 - 13 * stride, 110), QPointF(45 - 13 * stride + 8, 111), 2.6);
    p.setOpacity(1.0);
    // Spine and ribs.
    boneLine(neck, hip, 2.4);
    for (int i = 0; i < 4; ++i) {
        const double y = 45 + i * 5.5;
        const double w = 10 - i * 1.2;
        p.setPen(QPen(shade, 4, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(46 - w, y - 3, 2 * w, 8), 0, 180 * 16);
        p.setPen(QPen(bone, 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(46 - w, y - 3, 2 * w, 8), 0, 180 * 16);
    }
    // Pelvis.
    p.setPen(QPen(shade, 1.2));
    p.setBrush(bone);
    p.drawEllipse(QPointF(45, 73), 9, 5);
    // Near arm and leg.
    boneLine(QPointF(46, 44), QPointF(46 + 8 * stride, 58), 3);
    boneLine(QPointF(46 + 8 * stride, 58), QPointF(46 + 13 * stride, 70), 2.6);
    boneLine(hip, QPointF(45 + 10 * stride, 92), 3.4);
    boneLine(QPointF(45 + 10 * stride, 92), QPointF(45 + 12 * stride, 110), 3);
    boneLine(QPointF(45 + 12 * stride, 110), QPointF(45 + 12 * stride + 8, 111), 2.6);
    p.restore();
    // The skull, turned a little as it walks.
    p.save();
    p.translate(47, 26 + bob);
    p.rotate(frame == 0 ? 4 : -3);
    DrawEmoji(p, QStringLiteral("💀"), QRectF(-14, -15, 28, 28));
    p.restore();
}

} // namespace

QImage PaintBat() {
    constexpr int kFrame = 150;
    constexpr std::array<double, 5> kLift{1.0, 0.45, -0.35, -0.9, 0.1};
    QImage img = NewCanvas(5 * kFrame, kFrame);
    for (int k = 0; k < 5; ++k) {
        QImage frame = NewCanvas(kFrame, kFrame);
        {
            QPainter p(&frame);
            PaintBatFrame(p, kLift[static_cast<std::size_t>(k)]);
        }
        BlackBorder(frame, UnitRect(frame), kSpriteBorder);
        QPainter p(&img);
        p.drawImage(k * kFrame, 0, frame);
    }
    return img.convertToFormat(QImage::Format_RGB32);
}

namespace {

// One leg of the ghoul from hip to foot, in ragged trousers and a boot.
void GhoulLeg(QPainter& p, const QPointF& hip, const QPointF& knee, const QPointF& foot, bool far) {
    const QColor cloth = far ? QColor(40, 44, 70) : QColor(62, 68, 104);
    const QColor edge(15, 15, 25);
    p.setPen(QPen(edge, 12, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({hip, knee, foot}));
    p.setPen(QPen(cloth, 9.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({hip, knee, foot}));
    // A torn cuff shows a green shin, then the boot (toe to the left).
    p.setPen(QPen(QColor(110, 170, 70), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(foot + QPointF(0, -5), foot + QPointF(0, -1));
    p.setPen(QPen(edge, 1.2));
    p.setBrush(far ? QColor(45, 28, 18) : QColor(75, 45, 25));
    p.drawRoundedRect(QRectF(foot.x() - 11, foot.y() - 2, 16, 7), 3, 3);
}

} // namespace

QImage PaintGhoul() {
    constexpr int kW = 190, kH = 150;
    // A four-step walk to the left: near leg forward, passing, far leg
    // forward, passing; the body rises as the legs pass.
    struct Pose {
        double bob, tilt;
        QPointF nearKnee, nearFoot, farKnee, farFoot;
    };
    const std::array<Pose, 4> poses{{
        {0, -3, {-13, 117}, {-22, 132}, {9, 117}, {17, 132}},
        {-3, 0, {-5, 113}, {-1, 127}, {-2, 116}, {0, 132}},
        {0, 3, {9, 117}, {17, 132}, {-13, 117}, {-22, 132}},
        {-3, 0, {-2, 116}, {0, 132}, {-5, 113}, {-1, 127}},
    }};
    QImage img = NewCanvas(kW, 4 * kH);
    for (int k = 0; k < 4; ++k) {
        const Pose& pose = poses[static_cast<std::size_t>(k)];
        QImage frame = NewCanvas(kW, kH);
        {
            QPainter p(&frame);
            p.setRenderHint(QPainter::Antialiasing, true);
            // Shadow on the ground and a sickly aura.
            p.setPen(Qt::NoPen);
            QRadialGradient sg(QPointF(95, 136), 40);
            sg.setColorAt(0.0, QColor(60, 90, 40, 170));
            sg.setColorAt(1.0, QColor(0, 0, 0, 0));
            p.setBrush(sg);
            p.drawEllipse(QPointF(95, 136), 44, 5);
            DrawGlow(p, QPointF(95, 76 + pose.bob), 64, QColor(90, 200, 60, 70));
            p.translate(95, 0);
            const double hipY = 98 + pose.bob;
            const QPointF down(0, pose.bob * 0.5);
            GhoulLeg(p, QPointF(4, hipY), pose.farKnee + down, pose.farFoot, true);
            GhoulLeg(p, QPointF(-4, hipY), pose.nearKnee + down, pose.nearFoot, false);
            // Tattered shirt under the bust.
            p.save();
            p.translate(0, hipY);
            p.rotate(pose.tilt);
            QPainterPath shirt;
            shirt.moveTo(-24, -20);
            shirt.lineTo(24, -20);
            shirt.lineTo(19, 2);
            for (int i = 0; i < 6; ++i) {
                const double x = 19 - (i + 0.5) * 38.0 / 6;
                shirt.lineTo(x, (i % 2 == 0) ? 8 : 1);
            }
            shirt.lineTo(-19, 2);
            shirt.closeSubpath();
            QLinearGradient sh(-24, 0, 24, 0);
            sh.setColorAt(0.0, QColor(240, 130, 40));
            sh.setColorAt(1.0, QColor(150, 60, 10));
            p.setPen(QPen(QColor(60, 20, 0), 1.2));
            p.setBrush(sh);
            p.drawPath(shirt);
            p.setPen(QPen(QColor(40, 20, 30), 3));
            p.drawLine(QPointF(-19, 0), QPointF(19, 0)); // rope belt
            // Head, shoulders and reaching hands, facing the way it walks.
            p.scale(-1, 1);
            DrawEmoji(p, QStringLiteral("🧟"), QRectF(-40, -96, 80, 82));
            p.restore();
        }
        BlackBorder(frame, UnitRect(frame), kSpriteBorder);
        QPainter p(&img);
        p.drawImage(0, k * kH, frame);
    }
    return img.convertToFormat(QImage::Format_RGB32);
}

QImage PaintSkeleton() {
    constexpr int kW = 90, kH = 126;
    QImage img = NewCanvas(kW, 2 * kH);
    for (int k = 0; k < 2; ++k) {
        QImage frame = NewCanvas(kW, kH);
        {
            QPainter p(&frame);
            PaintSkeletonFrame(p, k);
        }
        BlackBorder(frame, UnitRect(frame), kSpriteBorder);
        QPainter p(&img);
        p.drawImage(0, k * kH, frame);
    }
    return img.convertToFormat(QImage::Format_RGB32);
}

QImage PaintBlood() {
    constexpr int kW = 498, kRow = 24, kRows = 5;
    struct Drip {
        double x, width, start, growth;
        int dropFrame; // frame at which the tip lets go, or kRows for never
    };
    Rng rng(0xB100D);
    std::vector<Drip> drips;
    for (double x = 6; x < kW - 6;) {
        Drip d{};
        d.x = x + rng.range(0, 6);
        d.width = rng.range(2.5, 6.5);
        d.start = rng.range(1, 6);
        d.growth = rng.range(1.5, 4.5);
        d.dropFrame = rng.unit() < 0.45 ? 2 + rng.below(3) : kRows;
        drips.push_back(d);
        x += rng.range(10, 26);
    }
    QImage img = NewCanvas(kW, kRow * kRows);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    for (int k = 0; k < kRows; ++k) {
        p.save();
        p.setClipRect(0, k * kRow, kW, kRow);
        p.translate(0, k * kRow);
        // The band of blood over the field's bottom lip (4 rows).
        QLinearGradient band(0, 0, 0, 5);
        band.setColorAt(0.0, QColor(170, 0, 0));
        band.setColorAt(1.0, QColor(110, 0, 0));
        p.fillRect(QRectF(0, 0, kW, 4.5), band);
        for (const Drip& d : drips) {
            double length = d.start + d.growth * k;
            QLinearGradient g(d.x - d.width / 2, 0, d.x + d.width / 2, 0);
            g.setColorAt(0.0, QColor(230, 30, 20));
            g.setColorAt(0.35, QColor(170, 0, 0));
            g.setColorAt(1.0, QColor(90, 0, 0));
            p.setPen(Qt::NoPen);
            p.setBrush(g);
            double dropY = -1;
            if (k >= d.dropFrame) {
                // The tip has fallen: a shorter stub stays, the drop falls below.
                dropY = 4 + d.start + d.growth * d.dropFrame + 5.0 * (k - d.dropFrame + 1);
                length = std::min(length, 3 + (k - d.dropFrame) * 1.5);
            }
            length = std::min(length, 16.0);
            QPainterPath path;
            const double half = d.width / 2;
            path.moveTo(d.x - half - 1.5, 3);
            path.quadTo(d.x - half, 4, d.x - half * 0.8, 4 + length * 0.6);
            path.quadTo(d.x - half * 1.1, 4 + length, d.x, 4 + length + half * 0.9);
            path.quadTo(d.x + half * 1.1, 4 + length, d.x + half * 0.8, 4 + length * 0.6);
            path.quadTo(d.x + half, 4, d.x + half + 1.5, 3);
            path.closeSubpath();
            p.drawPath(path);
            // Highlight on the bulb.
            p.setBrush(QColor(255, 120, 110, 150));
            p.drawEllipse(QPointF(d.x - half * 0.35, 4 + length - 0.5), 0.8, 1.4);
            if (dropY > 0 && dropY < kRow + 4) {
                p.setBrush(g);
                QPainterPath drop;
                drop.moveTo(d.x, dropY - half * 1.8);
                drop.quadTo(d.x + half, dropY, d.x, dropY + half);
                drop.quadTo(d.x - half, dropY, d.x, dropY - half * 1.8);
                p.drawPath(drop);
            }
        }
        p.restore();
    }
    p.end();
    return img.convertToFormat(QImage::Format_RGB32);
}

} // namespace morrow::artgen
