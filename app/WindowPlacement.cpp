// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowPlacement.h"

#include "FieldLayout.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace morrow {

namespace {
// The window leaves 10 pixels of the screen free (5 on each side when centred).
constexpr int kScreenBorder = 10;
// How long after showing a window manager has framed the window.
constexpr int kFrameSettleMilliseconds = 300;

bool PlacesItself() {
    return !QGuiApplication::platformName().startsWith(QStringLiteral("wayland"));
}

bool Maximised(const QWidget& window) {
    return window.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen);
}
} // namespace

QRect WindowPlacement::FreeArea() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

QSize WindowPlacement::Desktop(QSize units) const {
    return (QSizeF(units) * zoom_).toSize();
}

void WindowPlacement::Replace(QSize screen, double zoom) {
    screen_ = screen;
    zoom_ = zoom;
    if (Maximised(window_)) {
        normalSize_ = QSize(); // sized again once it is back to normal
        return;
    }
    PlaceAtOrigin();
    Centre();
}

void WindowPlacement::PlaceAtOrigin() {
    const QRect free = FreeArea();
    normalSize_ = Desktop(screen_ - QSize(kScreenBorder, kScreenBorder));
    if (!free.isEmpty()) {
        normalSize_ = normalSize_.boundedTo(free.size());
    }
    window_.setFixedSize(normalSize_);
    if (PlacesItself()) {
        window_.move(0, 0);
    }
}

void WindowPlacement::Centre() {
    if (!PlacesItself()) {
        return;
    }
    const QSize size = window_.size();
    const QSize screen = Desktop(screen_);
    QPoint at((screen.width() - size.width()) / 2, DisplayModeFor(screen_.width()) == DisplayMode::Small
                                                       ? 0
                                                       : (screen.height() - size.height()) / 2);
    if (const QRect free = FreeArea(); !free.isEmpty()) {
        at.setX(std::clamp(at.x(), free.left(), std::max(free.left(), free.right() + 1 - size.width())));
        at.setY(std::clamp(at.y(), free.top(), std::max(free.top(), free.bottom() + 1 - size.height())));
    }
    window_.move(at);
}

void WindowPlacement::Maximise() {
    Unfix();
    window_.setWindowState(window_.windowState() | Qt::WindowMaximized);
}

// A maximised window has the size the desktop gives it: a fixed size would
// contradict it (Wayland compositors end the program for that).
void WindowPlacement::Unfix() {
    window_.setMinimumSize(0, 0);
    window_.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

void WindowPlacement::StateChanged() {
    if (normalSize_.isEmpty()) {
        if (!Maximised(window_) && !screen_.isEmpty() && PlacesItself()) {
            PlaceAtOrigin();
            Centre();
        }
        return;
    }
    if (Maximised(window_)) {
        Unfix();
    } else if (PlacesItself()) {
        // A Wayland compositor may still send a maximised size after this
        // (a fixed size would then break the protocol): there the window
        // stays free to resize once it has been maximised.
        window_.setFixedSize(normalSize_);
    }
}

void WindowPlacement::Shown() {
    if (PlacesItself()) {
        QTimer::singleShot(kFrameSettleMilliseconds, &window_, [this] { KeepFrameOnScreen(); });
    }
}

void WindowPlacement::KeepFrameOnScreen() {
    const QScreen* screen = window_.screen();
    if (!screen || Maximised(window_)) {
        return;
    }
    const QRect free = screen->availableGeometry();
    const QRect frame = window_.frameGeometry();
    const QSize over(std::max(0, frame.right() - free.right()), std::max(0, frame.bottom() - free.bottom()));
    if (over.width() == 0 && over.height() == 0) {
        return;
    }
    normalSize_ = (normalSize_ - over).expandedTo(QSize(1, 1));
    window_.setFixedSize(normalSize_);
    window_.move(std::max(free.left(), frame.left()), std::max(free.top(), frame.top()));
}

} // namespace morrow
