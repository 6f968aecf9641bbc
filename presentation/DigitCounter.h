// SPDX-License-Identifier: GPL-3.0-or-later
// The digit counters: numbers drawn with the seven-segment digit strips.
#pragma once

#include <QImage>

#include <array>
#include <cstdint>

namespace morrow {

// The four seven-segment digit strips the counters are drawn from: digit d
// in the cell at x = d * cell width, red and green, small (16 x 21) and
// large (32 x 42). They are compiled into the program.
struct DigitStrips {
    QImage DigitsSmall;
    QImage GreenSmall;
    QImage DigitsLarge;
    QImage GreenLarge;
    // The minus glyph of each strip, in the strip's order above; made once,
    // when the strips are loaded.
    std::array<QImage, 4> Minus;
    // The same strips and glyphs at SharpRatio pixels per unit, for
    // canvases of that scale; empty until LoadSharp.
    std::array<QImage, 4> Sharp;
    std::array<QImage, 4> SharpMinus;
    qreal SharpRatio = 0;

    // The strips embedded in the program (Morrow::Art), in the canvas's own
    // pixel format, with their minus glyphs.
    static DigitStrips LoadEmbedded();
    // The strips at `ratio` pixels per unit, from the 2x or 3x strips
    // ("Name@2x.bmp", "Name@3x.bmp" beside each), when a screen needs them.
    void LoadSharp(qreal ratio = 2);
};

enum class DigitInk { Red, Green };

enum class DigitAlign {
    Left,  // x is the left edge of the first digit
    Right, // x is the right edge of the last digit
};

// Screens from 1000 pixels wide get the large digits (however wide they are).
inline constexpr std::int32_t kLargeDigitsScreenWidth = 1000;

struct DigitCell {
    int width = 0;
    int height = 0;
};
// The digit cell for a screen this wide: 16 x 21, or 32 x 42 from 1000 up.
DigitCell DigitCellFor(std::int32_t screenWidth);

// Draws `value` into `target` with the digit strips, at (x, y) in the
// target's own coordinates, over a black backing box that also covers one
// more cell on the side away from the anchor (so the digit left over when
// a number gets shorter is erased). A negative value gets a minus sign in
// the counter's own ink. The digit size follows `screenWidth`. Returns the
// rectangle painted.
QRect DrawNumber(QImage& target, const DigitStrips& strips, std::int32_t screenWidth, std::int32_t value,
                 int x, int y, DigitInk ink, DigitAlign align);

} // namespace morrow
