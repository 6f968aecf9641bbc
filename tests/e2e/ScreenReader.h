// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <climits>
#include <functional>
#include <optional>

namespace morrow::e2e {

// Whether a pixel of a screenshot shows a pixel of one of the game's
// pictures. A 16-bit screen keeps 5, 6 and 5 bits of red, green and blue,
// so there the comparison is made at that precision; otherwise exactly.
class PixelMatcher {
public:
    explicit PixelMatcher(int screenDepth) : reduced_(screenDepth <= 16) {}
    bool Same(QRgb shown, QRgb drawn) const;

private:
    bool reduced_;
};

// Part of a picture expected at a place on the screen.
struct Placement {
    const QImage* picture = nullptr;
    QRect from;                            // the part of the picture
    QPoint at;                             // where its top-left corner stands on the screen
    QRect visible;                         // screen pixels that can show it (elsewhere: not checked)
    std::function<bool(QPoint)> skip = {}; // picture points drawn over by something else
};

// How many pixels of the placement the screenshot shows differently,
// counting up to `limit`.
int Mismatches(const QImage& shot, const Placement& placement, const PixelMatcher& matcher,
               int limit = INT_MAX);

// Which of the 12 tiles of the symbol picture (four to a row: 96 x 96, or
// 192 x 192 at 2x) the cell at `at` shows exactly, rows in `skipRows` aside.
std::optional<int> MatchTile(const QImage& shot, QPoint at, const QImage& symbols,
                             const PixelMatcher& matcher, const std::function<bool(int)>& skipRows = {});

enum class Anchor {
    LeftEdge,  // `at` is the left edge of the first digit
    RightEdge, // `at` is the right edge of the last digit
};

// The number a digit counter shows: its digits read cell by cell from the
// anchor with the ten cells of `strip`; empty when not one digit is there.
std::optional<long long> ReadCounter(const QImage& shot, QPoint at, Anchor anchor, const QImage& strip,
                                     QSize cell, const PixelMatcher& matcher);

// Pixels in `area` of the screenshot that show `colour` where the picture
// under them (`background` placed at `backgroundAt`) does not.
int CountDrawnColour(const QImage& shot, const QRect& area, QRgb colour, const QImage& background,
                     QPoint backgroundAt, const PixelMatcher& matcher);

// True when every pixel of `area` (clipped to the shot) is black.
bool AllBlack(const QImage& shot, const QRect& area);

} // namespace morrow::e2e
