// SPDX-License-Identifier: GPL-3.0-or-later
// Shared painting helpers of the art generator: checked fonts, emoji glyphs
// as picture material, a seeded random source, and the little shading tools
// (drum shading, glows, outlined text) that give every picture its look.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QString>

#include <cstdint>
#include <random>

namespace morrow::artgen {

// A deterministic random source. std::mt19937 is fully specified by the
// standard; the mapping to ranges is ours so every library gives the same
// numbers.
class Rng {
public:
    explicit Rng(std::uint32_t seed) : engine_(seed) {}
    // Uniform in [0, 1).
    double unit() { return static_cast<double>(engine_()) / 4294967296.0; }
    double range(double lo, double hi) { return lo + (hi - lo) * unit(); }
    // Uniform integer in [0, n); n > 0.
    int below(int n) { return static_cast<int>(unit() * n); }

private:
    std::mt19937 engine_;
};

// A font of the named family at a pixel size. Throws std::runtime_error when
// fontconfig resolves the request to another family, so a missing font
// package stops the build instead of silently changing the pictures.
QFont RequireFont(const QString& family, int pixelSize, bool bold = false, bool italic = false);

// The usual faces of the game's lettering.
QFont TitleFont(int pixelSize); // DejaVu Serif Bold
QFont LabelFont(int pixelSize); // DejaVu Sans Bold

// An emoji glyph rendered in colour and cropped to its ink, cached.
const QImage& EmojiImage(const QString& emoji);

// Draws an emoji glyph scaled to fit (keeping its aspect) and centred in box.
void DrawEmoji(QPainter& p, const QString& emoji, const QRectF& box, double opacity = 1.0);

// A jack-o'-lantern glyph with a candle burning inside: its carved eyes,
// nose and mouth glow yellow instead of showing dark.
void DrawLitLantern(QPainter& p, const QRectF& box);

// Same, but the box is taken literally (squashes or stretches the glyph).
void DrawEmojiStretched(QPainter& p, const QString& emoji, const QRectF& box);

// Darkens the top and bottom of a rectangle (in units) of an image as the
// curve of a turning drum does, with a soft highlight above its middle.
void DrumShade(QImage& image, const QRect& area, double depth = 0.72);

// A soft round glow of the colour, fading to transparent at radius.
void DrawGlow(QPainter& p, const QPointF& centre, double radius, QColor colour);

// Text centred on a point with a dark outline and an optional glow.
void DrawOutlinedText(QPainter& p, const QString& text, const QFont& font, const QPointF& centre,
                      const QColor& fill, const QColor& outline, double outlineWidth,
                      const QColor& glow = QColor(0, 0, 0, 0));

// Text filled with a vertical gradient, centred on a point, outlined.
void DrawGradientText(QPainter& p, const QString& text, const QFont& font, const QPointF& centre,
                      const QColor& top, const QColor& bottom, const QColor& outline, double outlineWidth);

// A bevelled rounded panel: a body gradient with a light upper-left rim
// and a dark lower-right rim, so it seems to stand out of the surface.
void DrawBevelPanel(QPainter& p, const QRectF& r, double radius, const QColor& base, double bevel);

// Blend of two colours, t = 0 gives a.
QColor MixColour(const QColor& a, const QColor& b, double t);

// The scale the pictures are painted at: 1 for the game's own sizes, 2 for
// the sharper copies high-resolution screens use. A picture's painter keeps
// its own coordinates; only the number of pixels per unit changes.
int PaintScale();

// Paints at `scale` while it lives.
class ScopedPaintScale {
public:
    explicit ScopedPaintScale(int scale);
    ~ScopedPaintScale();
    ScopedPaintScale(const ScopedPaintScale&) = delete;
    ScopedPaintScale& operator=(const ScopedPaintScale&) = delete;

private:
    int previous_;
};

// A new ARGB32 premultiplied picture, `width` x `height` units at the paint
// scale (so PaintScale() pixels per unit), filled with a colour.
QImage NewCanvas(int width, int height, const QColor& fill = Qt::black);

// A picture's own rectangle in units, whatever its scale.
QRect UnitRect(const QImage& image);

// A rectangle in units of a picture as the pixels it covers there.
QRect PixelRect(const QImage& image, const QRect& units);

// Forces every pixel of the rectangles outside `inner` to pure opaque black.
// `frame` and `border` are in units.
void BlackBorder(QImage& image, const QRect& frame, int border);

} // namespace morrow::artgen
