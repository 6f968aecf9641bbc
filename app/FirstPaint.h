// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace morrow {

// Opens when the first widget of the application paints. Work the first
// frame does not need (loading the sound output) waits for it, so that it
// does not compete with the window for the cores while the window is being
// built and drawn.
class FirstPaint final : public QObject {
public:
    // Watches the application's events from now on. `then` runs on the GUI
    // thread once the first paint is over.
    explicit FirstPaint(std::function<void()> then = {});
    ~FirstPaint() override;

    FirstPaint(const FirstPaint&) = delete;
    FirstPaint& operator=(const FirstPaint&) = delete;

    // From any thread: until the first paint, or at most `limit` (a window
    // that never shows must not hold the music back for ever). True once
    // the first paint is over.
    bool Wait(std::chrono::milliseconds limit);
    // Opens it now, as the first paint would; later calls do nothing.
    void Open();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
    std::function<void()> then_;
};

} // namespace morrow
