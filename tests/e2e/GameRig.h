// SPDX-License-Identifier: GPL-3.0-or-later
// The game played from outside, as a player plays it: the real executable
// on a desktop of its own (a bare virtual X server, the same with openbox,
// or the Weston compositor), with a home of its own, driven by keys and
// clicks and read back from screenshots and from its record file. Every
// window test stands on this rig; it knows nothing of the test framework,
// so each call says what went wrong in words.
#pragma once

#include "ChildProcess.h"
#include "ScreenReader.h"

#include <QImage>
#include <QPoint>
#include <QRect>

#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace morrow::e2e {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

#if defined(__SANITIZE_ADDRESS__)
inline constexpr int kSlowdown = 3; // the game and the driver run under the sanitizers
#else
inline constexpr int kSlowdown = 1;
#endif

// The play field's geometry, in its own coordinates.
inline constexpr int kReelLeft = 78;
inline constexpr int kReelPitch = 124;
inline constexpr int kReelTop = 71;
inline constexpr int kCell = 96;
inline constexpr int kPaylineY = 213;
inline constexpr int kPaylineInset = 72;
inline constexpr std::array<int, 3> kNudgeCaptionX{125, 250, 375};

enum class Desktop {
    BareX,   // Xvfb alone: windows have no frames and keep the place the game gives them
    Openbox, // Xvfb managed by openbox, which frames and maximises the window
    Xfwm4,   // the same managed by Xfce's xfwm4
    Weston,  // the Weston compositor, headless, on Wayland: screenshots only, no input
    Kwin,    // KDE Plasma's KWin, virtual, on Wayland: read through its scripting, no input
};

struct ScreenMode {
    int width = 0;
    int height = 0;
    int depth = 24; // bits per pixel
};

// A screen to play on.
struct Stage {
    const char* name;
    ScreenMode mode;
    Desktop desktop = Desktop::BareX;
    int scale = 1; // device pixels per unit (QT_SCALE_FACTOR)
    // The scale is the game's own zoom ("Fit to Screen" on a screen that
    // large), not the desktop's.
    bool zoomed = false;
    bool fitted = true; // false: the game starts with "Fit to Screen" unchecked
};

struct CounterPlace {
    QPoint at; // canvas coordinates
    Anchor anchor = Anchor::RightEdge;
    bool green = false;
};

// Where everything stands on a screen, worked out from the layout rules
// alone: below 700 pixels the field sits at the top left with its top 20
// rows hidden and the counters in a column at the right; from 700 it is
// centred 40 pixels down, and from 1000 100 pixels down with large digits.
struct Layout {
    int fieldWidth = 0;
    int fieldHeight = 0;
    bool small = false;
    QPoint field; // the field picture's top-left corner on the canvas
    QSize digit;
    CounterPlace credits;
    CounterPlace nudges;
    CounterPlace bet;

    static Layout For(QSize screen, QSize fieldSize);
};

// What one screenshot shows of a reel at rest.
struct ReelView {
    std::array<int, 3> tiles{}; // tiles seen top to bottom
    bool wildBand = false;      // the white band under reel 3's payline cell
    std::vector<int> positions; // strip positions whose symbols the cells show
};

// What one screenshot shows of the machine.
struct Reading {
    std::array<std::optional<ReelView>, 3> reels;
    std::optional<long long> credits;
    std::optional<long long> nudges;
    std::optional<long long> bet;

    bool AtRest() const { return reels[0] && reels[1] && reels[2]; }
    // The symbol on reel `reel`'s payline, the wild's frames taken as the wild.
    int Payline(int reel) const;
};

std::string Describe(const Reading& r);
// The reading as it stays: the wild's animation frames taken as the wild.
std::string Still(const Reading& r);

std::string ReadText(const std::filesystem::path& file);

class GameRig {
public:
    GameRig();
    ~GameRig();
    GameRig(const GameRig&) = delete;
    GameRig& operator=(const GameRig&) = delete;

    // What the desktop needs that is not installed; empty when all is there.
    static std::string Missing(Desktop desktop);

    // Starts the stage's display stack and gives the game a home of its own,
    // so that no file of the player's is read or written. Screenshots kept
    // go to a folder `shotsName` under MORROW_E2E_SHOTS, when that is set.
    // Empty, or what went wrong.
    std::string Open(const Stage& stage, const std::string& shotsName);

    const std::filesystem::path& ProgramDir() const { return program_; }
    const std::filesystem::path& Temp() const { return temp_.Path(); }
    // The folder of the game's record file, and the file.
    std::filesystem::path ConfigDir() const;
    std::filesystem::path Record() const { return ConfigDir() / "Morrow.ini"; }
    void WriteRecord(const std::string& text) const;
    std::map<std::string, std::string> SavedGame() const;
    // What the game printed.
    std::string Output() const { return ReadText(gameLog_); }
    // The game's environment, to change before Launch.
    Environment& GameEnvironment() { return env_; }

    // A sound server of the game's own (PipeWire, wireplumber and its
    // PulseAudio service) in place of the silent driver; call after Open.
    // Empty, or why it could not start.
    std::string StartSoundServer();
    // What `pactl` says of the sound server.
    std::string Pactl(const std::vector<std::string>& arguments) const;
    // What a script run inside KWin prints (its print() lines).
    std::string KwinScript(const std::string& script);

    // Starts the game from `programDir` (the build's by default).
    std::string Launch(const std::filesystem::path& programDir = {});
    // Waits for the main window and notes its place on the screen.
    std::string WaitForMainWindow();
    // The game started, its main window up and showing the field picture at
    // its layout's place, whole but for what the game draws over it.
    std::string Start();
    bool Running() { return game_.Running(); }
    pid_t Pid() const { return game_.Pid(); }
    // SIGTERM (the game saves and says goodbye), SIGKILL after `grace`.
    void Stop(std::chrono::milliseconds grace) { game_.Stop(grace); }
    // Whether the game ends within `timeout`.
    bool EndsWithin(std::chrono::milliseconds timeout);

    // The windows of the X desktop, as xdotool and xprop see them. Windows
    // are X ids; positions are play-field offsets.
    const std::string& Window() const { return window_; }
    const QRect& WindowRect() const { return windowRect_; }
    const QRect& Canvas() const { return canvas_; }
    // The visible top-level windows whose name matches `namePattern` (a
    // regular expression, as xdotool takes it).
    std::vector<std::string> FindWindows(const std::string& namePattern) const;
    std::string WindowName(const std::string& window) const;
    // One property of a window as xprop prints it ("NAME(TYPE) = value"), or
    // of the root window when `window` is empty.
    std::string Property(const std::string& window, const std::string& name) const;
    bool Maximised() const;
    // The game's visible windows besides the main one.
    std::vector<std::string> OtherWindows() const;
    // The first of them to show within `timeout` (titled `title`, when
    // given); empty when none does, or when the game ends first.
    std::string WaitForOtherWindow(std::chrono::milliseconds timeout, const std::string& title = {});
    // `key` in `window`, then waits until that window is gone.
    bool Dismiss(const std::string& window, const std::string& key = "Return",
                 std::chrono::milliseconds timeout = 10s) const;
    // Gives `window` the keyboard focus. With no window manager the focus
    // otherwise follows the pointer, which is enough for plain keys but not
    // for the menu bar's access letters: Qt takes those only in the active
    // window.
    bool Focus(const std::string& window) const;
    // Keys to the main window, one after another, as its menu bar takes
    // them (alt+f, then x).
    bool MenuKeys(const std::vector<std::string>& keys) const;
    bool ExitFromTheMenu() const { return MenuKeys({"alt+f", "x"}); }
    // Options > Fit to Screen, the menu's last item.
    bool SwitchFitToScreen() const { return MenuKeys({"alt+o", "Up", "Return"}); }
    bool Key(const std::string& key) const;
    bool PointAt(QPoint field) const;
    bool Click(QPoint field) const;

    // A screenshot of the whole screen; null when it failed.
    QImage Shot();
    const QImage& LastShot() const { return lastShot_; }
    const QImage& FirstShot() const { return firstShot_; }
    void Keep(const QImage& shot, const std::string& name) const;

    // The pictures of the stage's scale.
    const QImage& FieldPicture() const { return fieldPicture_; }
    const QImage& Symbols() const { return symbols_; }
    const QImage& Bat() const { return bat_; }
    const QImage& Blood() const { return blood_; }
    const PixelMatcher& Matcher() const { return matcher_; }
    const Layout& FieldLayout() const { return layout_; }

    // Canvas (client area below the menu bar, in units) to screen coordinates.
    QPoint OnScreen(QPoint canvas) const { return canvas * stage_.scale + canvas_.topLeft(); }
    QPoint FieldOnScreen(QPoint field) const { return OnScreen(layout_.field + field); }

    Reading Read(const QImage& shot) const;
    // Pixels of the field picture shown otherwise, what the game draws over aside.
    int FieldMismatches(const QImage& shot) const;
    bool PaylineIsGreen(const QImage& shot) const;
    // Pixels of `colour` that the three "Nudge" captions add to the field picture.
    std::array<int, 3> CaptionPixels(const QImage& shot, QRgb colour) const;

    // Polls until `done` accepts the readings, unchanged, for `hold`: a
    // bouncing reel passes through its resting place, and the counters
    // reach their last value a moment before the game takes input again.
    // Whether it did, and the last reading either way.
    std::pair<bool, Reading> WaitFor(const std::function<bool(const Reading&)>& done,
                                     std::chrono::milliseconds timeout, std::chrono::milliseconds hold = 0ms);
    // A line in the history of readings printed after a failure.
    void Note(const std::string& line);

    // After a failure: the game's output, the last readings, and what the
    // window did in the next three seconds.
    void Report(std::ostream& out, const std::string& why);

private:
    std::string StartX();
    std::string StartKwin(const std::filesystem::path& runtime);
    std::string StartSessionBus(const std::filesystem::path& runtime);
    // Waits until the main window shows the field picture at its layout's
    // place, whole but for what the game draws over it.
    std::string WaitForField();
    // What an X tool printed, line by line; empty lines left out.
    std::vector<std::string> XLines(const std::vector<std::string>& argv) const;
    bool XTool(const std::vector<std::string>& argv) const;
    std::optional<int> FindCanvasTop(const QImage& shot) const;
    bool DrawnOver(QPoint p) const;
    std::optional<ReelView> ReadReel(const QImage& shot, int reel) const;

    Stage stage_{};
    std::filesystem::path program_;
    std::filesystem::path shots_;
    TemporaryDirectory temp_;
    ChildProcess xServer_;
    std::string display_; // DISPLAY of the X desktop
    ChildProcess windowManager_;
    ChildProcess compositor_; // Weston or KWin
    ChildProcess bus_;        // the session bus of KWin or xfwm4
    std::vector<ChildProcess> soundServer_;
    int kwinScripts_ = 0;
    ChildProcess game_;
    Environment env_;
    std::filesystem::path gameLog_;
    QImage fieldPicture_, symbols_, bat_, blood_, redDigits_, greenDigits_;
    PixelMatcher matcher_{24};
    Layout layout_;
    std::string window_;
    QRect windowRect_;
    QRect canvas_;
    QImage firstShot_;
    QImage lastShot_;
    Clock::time_point opened_ = Clock::now();
    std::vector<std::string> history_;
};

} // namespace morrow::e2e
