// SPDX-License-Identifier: GPL-3.0-or-later
// Zoom to fit: the machine drawn larger on large screens. The game is laid
// out, as ever, for a screen of units; under a zoom z that screen is the
// desktop's work area divided by z, and every unit is z desktop pixels.
#pragma once

#include "FieldLayout.h"

#include <array>
#include <cmath>
#include <cstdint>

namespace morrow {

// The zooms the game offers, smallest first.
inline constexpr std::array<double, 8> kFitZooms{1, 1.25, 1.5, 1.75, 2, 2.5, 3, 4};

// The size of our play-field picture, in units.
inline constexpr std::int32_t kFieldPictureWidth = 500;
inline constexpr std::int32_t kFieldPictureHeight = 400;

struct ScreenUnits {
    std::int32_t width = 0;
    std::int32_t height = 0;
    friend bool operator==(const ScreenUnits&, const ScreenUnits&) = default;
};

// A work area of `width` x `height` desktop pixels seen at zoom `zoom`:
// whole units, the part of a unit left over at the edge not counted.
constexpr ScreenUnits LogicalScreen(std::int32_t width, std::int32_t height, double zoom) {
    return {static_cast<std::int32_t>(width / zoom), static_cast<std::int32_t>(height / zoom)};
}

// Whether a screen of these units shows everything its layout draws: the
// whole machine with the counters and captions above it and the blood
// strip below, and the procession's whole path, without a sprite walking or
// flying over the machine. Only the large layout can: the small one cuts
// off the top of the machine, and the medium one walks the ghoul half off
// the bottom of the screen.
constexpr bool ShowsWholeLayout(ScreenUnits screen, std::int32_t fieldWidth, std::int32_t fieldHeight) {
    if (DisplayModeFor(screen.width) != DisplayMode::Large) {
        return false;
    }
    const FieldOrigin field = FieldOriginFor(screen.width, fieldWidth);
    // The bat comes down the margin right of the machine, 150 units wide.
    constexpr std::int32_t batSize = 150;
    const bool batBesideField = screen.width - (field.left + fieldWidth) >= batSize;
    // The ghoul and the skeleton walk 220 units above the bottom on wide
    // screens, the bat's lowest flight 240; both must pass below the machine.
    constexpr std::int32_t walkAboveBottom = 220;
    const bool walkBelowField = screen.height - walkAboveBottom >= field.top + fieldHeight;
    return batBesideField && walkBelowField;
}

struct FitZoom {
    double zoom = 1;        // desktop pixels per unit
    double deviceRatio = 1; // device pixels per unit: the desktop's scale times the zoom
    friend bool operator==(const FitZoom&, const FitZoom&) = default;
};

// The largest zoom at which the work area (in the desktop's own pixels, its
// scale `desktopScale` device pixels each) still shows the whole layout; 1
// when no larger one does. Below a zoom of 1 the game never goes: small
// screens keep the layouts they always had.
constexpr FitZoom FitZoomFor(std::int32_t workWidth, std::int32_t workHeight, double desktopScale,
                             std::int32_t fieldWidth = kFieldPictureWidth,
                             std::int32_t fieldHeight = kFieldPictureHeight) {
    double best = 1;
    for (const double zoom : kFitZooms) {
        if (ShowsWholeLayout(LogicalScreen(workWidth, workHeight, zoom), fieldWidth, fieldHeight)) {
            best = zoom;
        }
    }
    return {best, best * desktopScale};
}

} // namespace morrow
