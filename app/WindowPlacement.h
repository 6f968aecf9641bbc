// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSize>

class QRect;
class QWidget;

namespace morrow {

// Where the main window stands and how large it is, against the screen
// read at start and the work area the desktop leaves free of its panels.
// Not maximised, the window has one fixed size; maximised, the size the
// desktop gives it. On Wayland the compositor alone places windows, and a
// position asked for there means nothing.
class WindowPlacement {
public:
    // `screen` in units, each `zoom` of the desktop's pixels.
    WindowPlacement(QWidget& window, QSize screen, double zoom = 1)
        : window_(window), screen_(screen), zoom_(zoom) {}

    // The game was laid out for another screen: a window of its own size is
    // made that screen's size and centred again.
    void Replace(QSize screen, double zoom);

    // First step: the screen less a 10-pixel border, menu bar included, but
    // no more than the work area, at the top left.
    void PlaceAtOrigin();
    // Second step: centred across; centred down too, except on small
    // screens, where every row counts and the window stays at the top. A
    // desktop panel may push it across or down, never off the screen.
    void Centre();
    // Low-resolution screens: the window takes the whole work area.
    void Maximise();
    // The window was maximised or brought back to its own size.
    void StateChanged();
    // Once shown, a window manager's frame (its title bar) may push the
    // window past the work area's bottom or right: it is then made that
    // much smaller.
    void Shown();

    // No fixed size: maximised or full screen, the desktop decides it.
    void Unfix();

private:
    void KeepFrameOnScreen();
    static QRect FreeArea();

    QWidget& window_;
    QSize Desktop(QSize units) const;

    QSize screen_;
    double zoom_;
    QSize normalSize_; // the window's size when not maximised
};

} // namespace morrow
