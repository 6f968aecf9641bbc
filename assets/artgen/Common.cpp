// SPDX-License-Identifier: GPL-3.0-or-later
#include "Common.h"

#include <QFontInfo>
#include <QHash>
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace morrow::artgen {

QFont RequireFont(const QString& family, int pixelSize, bool bold, bool italic) {
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setItalic(italic);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    const QString resolved = QFontInfo(font).family();
    if (resolved.compare(family, Qt::CaseInsensitive) != 0) {
        throw std::runtime_error("font \"" + family.toStdString() + "\" is not installed (got \"" +
                                 resolved.toStdString() + "\"); run scripts/setup.sh");
    }
    return font;
}

QFont TitleFont(int pixelSize) {
    return RequireFont(QStringLiteral("DejaVu Serif"), pixelSize, true);
}

QFont LabelFont(int pixelSize) {
    return RequireFont(QStringLiteral("DejaVu Sans"), pixelSize, true);
}

const QImage& EmojiImage(const QString& emoji) {
    static QHash<QString, QImage> cache;
    auto found = cache.constFind(emoji);
    if (found != cache.constEnd()) {
        return *found;
    }
    const QFont font = RequireFont(QStringLiteral("Noto Color Emoji"), 128);
    QImage canvas(256, 256, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    {
        QPainter p(&canvas);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRect(0, 0, 256, 256), Qt::AlignCenter, emoji);
    }
    int left = 256, top = 256, right = -1, bottom = -1;
    bool coloured = false;
    for (int y = 0; y < 256; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
        for (int x = 0; x < 256; ++x) {
            if (qAlpha(line[x]) > 8) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
                if (qRed(line[x]) != qGreen(line[x]) || qGreen(line[x]) != qBlue(line[x])) {
                    coloured = true;
                }
            }
        }
    }
    if (right < 0 || !coloured) {
        throw std::runtime_error("emoji glyph did not render in colour: " + emoji.toStdString());
    }
    QImage cropped = canvas.copy(left, top, right - left + 1, bottom - top + 1);
    return *cache.insert(emoji, cropped);
}

void DrawEmoji(QPainter& p, const QString& emoji, const QRectF& box, double opacity) {
    const QImage& img = EmojiImage(emoji);
    const double scale = std::min(box.width() / img.width(), box.height() / img.height());
    const QSizeF size(img.width() * scale, img.height() * scale);
    const QRectF target(box.center().x() - size.width() / 2, box.center().y() - size.height() / 2,
                        size.width(), size.height());
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.setOpacity(p.opacity() * opacity);
    p.drawImage(target, img);
    p.restore();
}

void DrawLitLantern(QPainter& p, const QRectF& box) {
    static const QImage lit = [] {
        QImage img = EmojiImage(QStringLiteral("🎃")).convertToFormat(QImage::Format_ARGB32);
        const QPointF centre(img.width() / 2.0, img.height() * 0.6);
        const double reach = img.width() * 0.5;
        for (int y = 0; y < img.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x) {
                const QRgb c = line[x];
                const int r = qRed(c), g = qGreen(c), b = qBlue(c);
                if (qAlpha(c) == 0 || r >= 150 || !(r > g && g >= b)) {
                    continue;
                }
                // Brightest in the middle of the face, as from one candle.
                const double d = std::hypot(x - centre.x(), y - centre.y()) / reach;
                const QColor flame =
                    MixColour(QColor(255, 245, 170), QColor(255, 170, 30), std::clamp(d, 0.0, 1.0));
                const double t = std::clamp((150.0 - r) / 84.0, 0.0, 1.0);
                const QColor out = MixColour(QColor(r, g, b), flame, t);
                line[x] = qRgba(out.red(), out.green(), out.blue(), qAlpha(c));
            }
        }
        return img;
    }();
    const double scale = std::min(box.width() / lit.width(), box.height() / lit.height());
    const QSizeF size(lit.width() * scale, lit.height() * scale);
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.drawImage(QRectF(box.center().x() - size.width() / 2, box.center().y() - size.height() / 2,
                       size.width(), size.height()),
                lit);
    p.restore();
}

void DrawEmojiStretched(QPainter& p, const QString& emoji, const QRectF& box) {
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.drawImage(box, EmojiImage(emoji));
    p.restore();
}

void DrumShade(QImage& image, const QRect& unitArea, double depth) {
    const QRect area = PixelRect(image, unitArea);
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const double t = (y - area.top() + 0.5) / area.height();
        const double curve = std::pow(std::sin(std::numbers::pi * t), 0.7);
        const double shade = (1.0 - depth) + depth * curve;
        const double shine = 34.0 * std::exp(-std::pow((t - 0.32) / 0.10, 2.0));
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb c = line[x];
            auto f = [&](int v) {
                return std::clamp(static_cast<int>(std::lround(v * shade + shine * shade)), 0, 255);
            };
            line[x] = qRgba(f(qRed(c)), f(qGreen(c)), f(qBlue(c)), qAlpha(c));
        }
    }
}

void DrawGlow(QPainter& p, const QPointF& centre, double radius, QColor colour) {
    QRadialGradient g(centre, radius);
    QColor mid = colour;
    mid.setAlpha(colour.alpha() * 45 / 100);
    QColor edge = colour;
    edge.setAlpha(0);
    g.setColorAt(0.0, colour);
    g.setColorAt(0.45, mid);
    g.setColorAt(1.0, edge);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(centre, radius, radius);
    p.restore();
}

namespace {
QPainterPath TextPath(const QString& text, const QFont& font, const QPointF& centre) {
    QPainterPath path;
    path.addText(0, 0, font, text);
    const QRectF b = path.boundingRect();
    path.translate(centre.x() - b.center().x(), centre.y() - b.center().y());
    return path;
}
} // namespace

void DrawOutlinedText(QPainter& p, const QString& text, const QFont& font, const QPointF& centre,
                      const QColor& fill, const QColor& outline, double outlineWidth, const QColor& glow) {
    const QPainterPath path = TextPath(text, font, centre);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    if (glow.alpha() > 0) {
        for (int i = 4; i >= 1; --i) {
            QColor g = glow;
            g.setAlpha(glow.alpha() * 22 / 100);
            p.setPen(QPen(g, outlineWidth + 3.0 * i, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(Qt::NoBrush);
            p.drawPath(path);
        }
    }
    if (outlineWidth > 0) {
        p.setPen(QPen(outline, outlineWidth * 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(outline);
        p.drawPath(path);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(path);
    p.restore();
}

void DrawGradientText(QPainter& p, const QString& text, const QFont& font, const QPointF& centre,
                      const QColor& top, const QColor& bottom, const QColor& outline, double outlineWidth) {
    const QPainterPath path = TextPath(text, font, centre);
    const QRectF b = path.boundingRect();
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(outline, outlineWidth * 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(outline);
    p.drawPath(path);
    QLinearGradient g(b.topLeft(), b.bottomLeft());
    g.setColorAt(0.0, top);
    g.setColorAt(1.0, bottom);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPath(path);
    p.restore();
}

QColor MixColour(const QColor& a, const QColor& b, double t) {
    auto m = [t](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * t)); };
    return QColor(m(a.red(), b.red()), m(a.green(), b.green()), m(a.blue(), b.blue()),
                  m(a.alpha(), b.alpha()));
}

void DrawBevelPanel(QPainter& p, const QRectF& r, double radius, const QColor& base, double bevel) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    // Outer rim: light at the top left, dark at the bottom right.
    QLinearGradient rim(r.topLeft(), r.bottomRight());
    rim.setColorAt(0.0, MixColour(base, Qt::white, 0.55));
    rim.setColorAt(0.5, base);
    rim.setColorAt(1.0, MixColour(base, Qt::black, 0.7));
    p.setBrush(rim);
    p.drawRoundedRect(r, radius, radius);
    // Face: a vertical gradient, brighter above.
    const QRectF face = r.adjusted(bevel, bevel, -bevel, -bevel);
    QLinearGradient body(face.topLeft(), face.bottomLeft());
    body.setColorAt(0.0, MixColour(base, Qt::white, 0.30));
    body.setColorAt(0.48, base);
    body.setColorAt(0.52, MixColour(base, Qt::black, 0.18));
    body.setColorAt(1.0, MixColour(base, Qt::black, 0.45));
    p.setBrush(body);
    const double inner = std::max(0.0, radius - bevel * 0.6);
    p.drawRoundedRect(face, inner, inner);
    p.restore();
}

namespace {
int paintScale = 1;
} // namespace

int PaintScale() {
    return paintScale;
}

ScopedPaintScale::ScopedPaintScale(int scale) : previous_(paintScale) {
    paintScale = scale;
}

ScopedPaintScale::~ScopedPaintScale() {
    paintScale = previous_;
}

QImage NewCanvas(int width, int height, const QColor& fill) {
    QImage img(width * paintScale, height * paintScale, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(paintScale);
    img.fill(fill);
    return img;
}

QRect UnitRect(const QImage& image) {
    const int scale = static_cast<int>(image.devicePixelRatio());
    return {0, 0, image.width() / scale, image.height() / scale};
}

QRect PixelRect(const QImage& image, const QRect& units) {
    const int scale = static_cast<int>(image.devicePixelRatio());
    return {units.x() * scale, units.y() * scale, units.width() * scale, units.height() * scale};
}

void BlackBorder(QImage& image, const QRect& unitFrame, int unitBorder) {
    const QRect frame = PixelRect(image, unitFrame);
    const int border = unitBorder * static_cast<int>(image.devicePixelRatio());
    const QRect inner = frame.adjusted(border, border, -border, -border);
    for (int y = frame.top(); y <= frame.bottom(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = frame.left(); x <= frame.right(); ++x) {
            if (!inner.contains(x, y)) {
                line[x] = qRgba(0, 0, 0, 255);
            }
        }
    }
}

} // namespace morrow::artgen
