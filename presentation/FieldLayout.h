// SPDX-License-Identifier: GPL-3.0-or-later
// The play field's layouts: where the field stands, how large its digits
// are and whether the animations exist, by the screen's width.
#pragma once

#include <cstdint>

namespace morrow {

// The three layouts, chosen by the screen width read at start. They fix
// where the play field stands in the window, the size of the digits and
// whether the ambient animations exist.
enum class DisplayMode {
    Small,  // below 700 pixels: the field at the top left, no animations
    Medium, // 700 to 999: the field centred, 40 pixels down
    Large,  // 1000 and wider: the field centred, 100 pixels down, large digits
};

inline constexpr std::int32_t kMediumScreenWidth = 700;
inline constexpr std::int32_t kLargeScreenWidth = 1000;

// Screens narrower than 700 pixels are small (also 691 to 699, so that the
// layout and the animation pictures always agree); any width from 1000 up,
// even beyond 10000, is large.
constexpr DisplayMode DisplayModeFor(std::int32_t screenWidth) {
    if (screenWidth < kMediumScreenWidth) {
        return DisplayMode::Small;
    }
    return screenWidth < kLargeScreenWidth ? DisplayMode::Medium : DisplayMode::Large;
}

struct FieldOrigin {
    std::int32_t left = 0;
    std::int32_t top = 0;
    friend bool operator==(const FieldOrigin&, const FieldOrigin&) = default;
};

// Screens of fewer than 100 pixels per inch get the game's windows (the
// main window and the Trick or Treat window) maximised.
constexpr bool MaximisedAtDpi(double logicalDotsPerInch) {
    return logicalDotsPerInch < 100.0;
}

// The ambient animations (and their pictures and menu items) exist only
// from the medium layout up.
constexpr bool HasAnimations(DisplayMode mode) {
    return mode != DisplayMode::Small;
}

// Where the top-left corner of the play-field picture, `fieldWidth` pixels
// wide, stands in the window's client area. In the small layout its top 20
// rows lie above the client area. With no picture (width 0) the medium and
// large fields start at the screen's horizontal centre.
constexpr FieldOrigin FieldOriginFor(std::int32_t screenWidth, std::int32_t fieldWidth) {
    switch (DisplayModeFor(screenWidth)) {
    case DisplayMode::Small:
        return {0, -20};
    case DisplayMode::Medium:
        return {(screenWidth - fieldWidth) / 2, 40};
    case DisplayMode::Large:
        return {(screenWidth - fieldWidth) / 2, 100};
    }
    return {};
}

} // namespace morrow
