// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowVisibility.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace morrow {

WindowVisibility::WindowVisibility(QWidget& window) : window_(window) {
    window_.installEventFilter(this);
}

bool WindowVisibility::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::WindowStateChange:
    case QEvent::Expose:
        // The window system's window exists once the widget is shown; its
        // expose events say whether any of it reaches the screen. Qt has
        // already taken the new state in when they arrive here.
        if (watched == &window_ && handle_ == nullptr && window_.windowHandle() != nullptr) {
            handle_ = window_.windowHandle();
            handle_->installEventFilter(this);
        }
        Update();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void WindowVisibility::Update() {
    const bool seen =
        window_.isVisible() && !window_.isMinimized() && handle_ != nullptr && handle_->isExposed();
    if (seen == seen_) {
        return;
    }
    seen_ = seen;
    for (const Listener& listener : listeners_) {
        listener(seen);
    }
}

} // namespace morrow
