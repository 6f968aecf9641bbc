// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScreenReader.h"

namespace morrow::e2e {

namespace {

constexpr int kTileCount = 12;
constexpr int kTilesPerRow = 4;
constexpr int kDigitCount = 10;
constexpr int kLongestNumber = 10;

} // namespace

bool PixelMatcher::Same(QRgb shown, QRgb drawn) const {
    if (!reduced_) {
        return (shown & 0xFFFFFFu) == (drawn & 0xFFFFFFu);
    }
    return qRed(shown) >> 3 == qRed(drawn) >> 3 && qGreen(shown) >> 2 == qGreen(drawn) >> 2 &&
           qBlue(shown) >> 3 == qBlue(drawn) >> 3;
}

int Mismatches(const QImage& shot, const Placement& placement, const PixelMatcher& matcher, int limit) {
    const QRect visible = placement.visible.intersected(shot.rect());
    int count = 0;
    for (int y = 0; y < placement.from.height(); ++y) {
        const int screenY = placement.at.y() + y;
        if (screenY < visible.top() || screenY > visible.bottom()) {
            continue;
        }
        const auto* shown = reinterpret_cast<const QRgb*>(shot.constScanLine(screenY));
        for (int x = 0; x < placement.from.width(); ++x) {
            const int screenX = placement.at.x() + x;
            if (screenX < visible.left() || screenX > visible.right()) {
                continue;
            }
            const QPoint source = placement.from.topLeft() + QPoint(x, y);
            if (placement.skip && placement.skip(source)) {
                continue;
            }
            if (!matcher.Same(shown[screenX], placement.picture->pixel(source))) {
                if (++count >= limit) {
                    return count;
                }
            }
        }
    }
    return count;
}

std::optional<int> MatchTile(const QImage& shot, QPoint at, const QImage& symbols,
                             const PixelMatcher& matcher, const std::function<bool(int)>& skipRows) {
    // 96 x 96 tiles, or 192 x 192 in the 2x picture.
    const int size = symbols.width() / kTilesPerRow;
    for (int tile = 0; tile < kTileCount; ++tile) {
        const QRect from(tile % kTilesPerRow * size, tile / kTilesPerRow * size, size, size);
        Placement placement{&symbols, from, at, shot.rect()};
        if (skipRows) {
            placement.skip = [&](QPoint p) { return skipRows(p.y() - from.top()); };
        }
        if (Mismatches(shot, placement, matcher, 1) == 0) {
            return tile;
        }
    }
    return std::nullopt;
}

std::optional<long long> ReadCounter(const QImage& shot, QPoint at, Anchor anchor, const QImage& strip,
                                     QSize cell, const PixelMatcher& matcher) {
    // The digit in the cell whose left edge is at x, if any.
    const auto digitAt = [&](int x) -> std::optional<int> {
        for (int d = 0; d < kDigitCount; ++d) {
            const Placement placement{&strip, QRect(QPoint(d * cell.width(), 0), cell), QPoint(x, at.y()),
                                      shot.rect()};
            if (x >= 0 && x + cell.width() <= shot.width() && Mismatches(shot, placement, matcher, 1) == 0) {
                return d;
            }
        }
        return std::nullopt;
    };

    std::optional<long long> value;
    if (anchor == Anchor::LeftEdge) {
        for (int i = 0; i < kLongestNumber; ++i) {
            const std::optional<int> d = digitAt(at.x() + i * cell.width());
            if (!d) {
                break;
            }
            value = value.value_or(0) * 10 + *d;
        }
    } else {
        long long scale = 1;
        for (int i = 1; i <= kLongestNumber; ++i) {
            const std::optional<int> d = digitAt(at.x() - i * cell.width());
            if (!d) {
                break;
            }
            value = value.value_or(0) + *d * scale;
            scale *= 10;
        }
    }
    return value;
}

int CountDrawnColour(const QImage& shot, const QRect& area, QRgb colour, const QImage& background,
                     QPoint backgroundAt, const PixelMatcher& matcher) {
    const QRect clipped = area.intersected(shot.rect());
    int count = 0;
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        for (int x = clipped.left(); x <= clipped.right(); ++x) {
            if (!matcher.Same(shot.pixel(x, y), colour)) {
                continue;
            }
            const QPoint under = QPoint(x, y) - backgroundAt;
            if (!background.valid(under) || !matcher.Same(background.pixel(under), colour)) {
                ++count;
            }
        }
    }
    return count;
}

bool AllBlack(const QImage& shot, const QRect& area) {
    const QRect clipped = area.intersected(shot.rect());
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(shot.constScanLine(y));
        for (int x = clipped.left(); x <= clipped.right(); ++x) {
            if ((row[x] & 0xFFFFFFu) != 0) {
                return false;
            }
        }
    }
    return true;
}

} // namespace morrow::e2e
