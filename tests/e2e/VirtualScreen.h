#pragma once

#include "ChildProcess.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace morrow::e2e {

struct ScreenMode {
    int width = 0;
    int height = 0;
    int depth = 24; // bits per pixel of the virtual screen
};

// An Xvfb server of our own on a free display, with the tools that play on
// it: xdotool for input and window queries, ImageMagick's import for
// screenshots. Without a window manager windows have no frames and keep
// the geometry their program gives them.
class VirtualScreen {
public:
    // Starts the server; empty on failure, with the reason in `error`. The
    // server's log goes to `logDir`.
    static std::unique_ptr<VirtualScreen> Start(const ScreenMode& mode, const std::filesystem::path& logDir,
                                                std::string& error);

    const ScreenMode& Mode() const { return mode_; }
    const std::string& Display() const { return display_; }
    // DISPLAY for programs that are to show on this screen.
    Environment ClientEnvironment() const { return {{"DISPLAY", display_}}; }

    // The visible top-level windows whose name matches `namePattern` (a
    // regular expression, as xdotool takes it).
    std::vector<std::string> FindWindows(const std::string& namePattern) const;
    // The first window of that name to show within `timeout`, looked for
    // every 100 ms; empty when none shows, or when `program` ends first.
    std::string WaitForWindow(const std::string& namePattern, ChildProcess& program,
                              std::chrono::milliseconds timeout) const;
    std::vector<std::string> WindowsOfProcess(pid_t pid) const;
    std::string WindowName(const std::string& window) const;
    // One property of a window as xprop prints it ("NAME(TYPE) = value"),
    // or of the root window when `window` is empty.
    std::string Property(const std::string& window, const std::string& name) const;
    // Position and size of a top-level window on the screen.
    std::optional<QRect> WindowGeometry(const std::string& window) const;

    // Input, as a player gives it. Positions are relative to the window.
    bool MoveMouse(const std::string& window, QPoint at) const;
    bool Click(const std::string& window, QPoint at) const;
    bool Key(const std::string& keyName) const;
    // Gives `window` the keyboard focus. With no window manager the focus
    // otherwise follows the pointer, which is enough for plain keys but not
    // for the menu bar's access letters: Qt takes those only in the active
    // window.
    bool Focus(const std::string& window) const;

    // The whole screen, written to `file` as PNG and read back in RGB32;
    // a null image when the screenshot failed.
    QImage Shot(const std::filesystem::path& file) const;

private:
    VirtualScreen(ScreenMode mode, std::string display, ChildProcess server)
        : mode_(mode), display_(std::move(display)), server_(std::move(server)) {}
    std::vector<std::string> Lines(const std::vector<std::string>& argv) const;

    ScreenMode mode_;
    std::string display_;
    ChildProcess server_;
};

} // namespace morrow::e2e
