// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScreenFit.h"

#include "FitZoom.h"

#include <QScreen>
#include <QSettings>

namespace morrow {

namespace {
// When the platform reports no screen at all, the smallest layout is assumed.
constexpr QSize kFallbackScreen{640, 480};
constexpr char kFitKey[] = "FitToScreen";
} // namespace

FieldScreen FieldScreenFor(const QScreen* screen, bool fit, bool fullScreen) {
    if (!screen) {
        return {kFallbackScreen, 1, 1};
    }
    FieldScreen field{screen->size(), 1, screen->devicePixelRatio()};
    if (!fit) {
        return field;
    }
    const QSize area = fullScreen ? screen->size() : screen->availableGeometry().size();
    const FitZoom zoom = FitZoomFor(area.width(), area.height(), field.desktopScale);
    if (zoom.zoom > 1) {
        const ScreenUnits units = LogicalScreen(area.width(), area.height(), zoom.zoom);
        field.units = QSize(units.width, units.height);
        field.zoom = zoom.zoom;
    }
    return field;
}

bool DisplaySettings::FitToScreen() const {
    const QSettings settings(file_, QSettings::IniFormat);
    return settings.value(QLatin1String(kFitKey), true).toBool();
}

bool DisplaySettings::SetFitToScreen(bool fit) const {
    QSettings settings(file_, QSettings::IniFormat);
    settings.setValue(QLatin1String(kFitKey), fit);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace morrow
