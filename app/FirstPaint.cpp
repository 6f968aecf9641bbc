// SPDX-License-Identifier: GPL-3.0-or-later
#include "FirstPaint.h"

#include <QCoreApplication>
#include <QEvent>

#include <utility>

namespace morrow {

FirstPaint::FirstPaint(std::function<void()> then) : then_(std::move(then)) {
    if (QCoreApplication* application = QCoreApplication::instance()) {
        application->installEventFilter(this);
    } else {
        Open();
    }
}

FirstPaint::~FirstPaint() {
    // A thread still waiting goes on at once.
    Open();
}

bool FirstPaint::Wait(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return opened_.wait_for(lock, limit, [this] { return open_; });
}

void FirstPaint::Open() {
    {
        const std::lock_guard lock(mutex_);
        if (open_) {
            return;
        }
        open_ = true;
    }
    opened_.notify_all();
}

bool FirstPaint::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint) {
        // After this paint has been handled, so the frame is drawn first.
        QCoreApplication::instance()->removeEventFilter(this);
        QMetaObject::invokeMethod(
            this,
            [this] {
                Open();
                if (then_) {
                    std::exchange(then_, {})();
                }
            },
            Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace morrow
