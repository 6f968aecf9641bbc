// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSize>
#include <QString>

#include <utility>

class QScreen;

namespace morrow {

// The screen the game is laid out for: ScreenWidth x ScreenHeight in units,
// and how large a unit is shown.
struct FieldScreen {
    QSize units;
    double zoom = 1;         // the desktop's pixels per unit
    double desktopScale = 1; // device pixels per desktop pixel
    double DeviceRatio() const { return zoom * desktopScale; }
};

// The screen the game is laid out for on `screen`. Unfitted, or where no
// zoom above 1 shows the whole layout, it is the screen itself at 1x, as it
// always was. Fitted, it is the area the window may cover (the work area,
// or the whole screen in full screen) divided by the zoom that fits it.
FieldScreen FieldScreenFor(const QScreen* screen, bool fit, bool fullScreen);

// The player's display choices that outlive a run ("Fit to Screen"), in a
// small settings file of their own beside the game record, never in it.
class DisplaySettings {
public:
    explicit DisplaySettings(QString file) : file_(std::move(file)) {}
    // Checked unless the player unchecked it; an unreadable file is unchecked
    // by nobody, so it reads as checked.
    bool FitToScreen() const;
    // False when the file could not be written (the choice holds for this run).
    bool SetFitToScreen(bool fit) const;

private:
    QString file_;
};

} // namespace morrow
