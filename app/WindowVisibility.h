// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <vector>

class QWidget;
class QWindow;

namespace morrow {

// Whether anybody can see the main window. It cannot while it is hidden,
// minimised, or not exposed: on another workspace, covered as a whole where
// the window system says so, unmapped by the compositor, or (on Wayland) a
// surface the compositor has stopped sending frames to. Those who draw or
// sound only for the player's eyes follow it.
class WindowVisibility final : public QObject {
public:
    using Listener = std::function<void(bool seen)>;

    // Watches `window`, which outlives this.
    explicit WindowVisibility(QWidget& window);

    // Seen until the window says otherwise.
    bool Seen() const { return seen_; }
    // `listener` hears of each change from now on, in the order added.
    void WhenChanged(Listener listener) { listeners_.push_back(std::move(listener)); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Update();

    QWidget& window_;
    QPointer<QWindow> handle_; // the window system's window, once there is one
    bool seen_ = true;
    std::vector<Listener> listeners_;
};

} // namespace morrow
