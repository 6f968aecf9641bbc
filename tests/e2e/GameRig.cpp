// SPDX-License-Identifier: GPL-3.0-or-later
#include "GameRig.h"

#include "ArtResources.h"
#include "Reels.h"

#include <QLibraryInfo>
#include <QString>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace morrow::e2e {

namespace {

constexpr QRgb kWhite = 0xFFFFFF;
constexpr QRgb kGreen = 0x00FF00;
constexpr int kWildBandRows = 15;
constexpr int kBloodWidth = 498;
constexpr char kMainWindow[] = "^Morrowmas Slots";

QImage LoadPicture(const std::filesystem::path& file) {
    const QImage picture(QString::fromStdString(file.string()));
    return picture.isNull() ? picture : picture.convertToFormat(QImage::Format_RGB32);
}

bool AllOf(const QImage& shot, const QRect& area, QRgb colour, const PixelMatcher& matcher) {
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (!shot.valid(x, y) || !matcher.Same(shot.pixel(x, y), colour)) {
                return false;
            }
        }
    }
    return true;
}

// The program of this name on the PATH; empty when there is none.
std::filesystem::path FindOnPath(const std::string& tool) {
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        if (!dir.empty() && ::access((std::filesystem::path(dir) / tool).c_str(), X_OK) == 0) {
            return std::filesystem::path(dir) / tool;
        }
    }
    return {};
}

bool OnPath(const std::string& tool) {
    return !FindOnPath(tool).empty();
}

constexpr std::chrono::milliseconds kToolTimeout{10000};

// Asks `done` every `step` until it holds or `timeout` (stretched under the
// sanitizers) has passed; whether it held.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout,
               std::chrono::milliseconds step = 100ms) {
    for (const auto deadline = Clock::now() + timeout * kSlowdown; !done();) {
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(step);
    }
    return true;
}

// The keys of one section of an INI text, as written.
std::map<std::string, std::string> IniSection(const std::string& text, const std::string& section) {
    std::map<std::string, std::string> keys;
    std::istringstream in(text);
    bool inside = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.front() == '[') {
            inside = line == "[" + section + "]";
        } else if (const std::size_t equals = line.find('='); inside && equals != std::string::npos) {
            keys[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return keys;
}

// Waits until `ready` holds while `server` runs: empty, or what went wrong.
std::string WaitForServer(ChildProcess& server, const std::string& name, const std::filesystem::path& log,
                          const std::function<bool()>& ready) {
    if (WaitUntil([&] { return !server.Running() || ready(); }, 10s, 50ms) && server.Running()) {
        return {};
    }
    return server.Running() ? name + " did not come up" : name + " ended:\n" + ReadText(log);
}

} // namespace

Layout Layout::For(QSize screen, QSize fieldSize) {
    Layout l;
    l.fieldWidth = fieldSize.width();
    l.fieldHeight = fieldSize.height();
    l.small = screen.width() < 700;
    const bool large = screen.width() >= 1000;
    const int w = l.fieldWidth;
    if (l.small) {
        l.field = {0, -20};
        l.digit = {16, 21};
        const int right = screen.width() - 30;
        l.credits = {{right, 70}, Anchor::RightEdge, false};
        l.nudges = {{right, 145}, Anchor::RightEdge, true};
        l.bet = {{right, 220}, Anchor::RightEdge, false};
        return l;
    }
    l.field = {(screen.width() - w) / 2, large ? 100 : 40};
    l.digit = large ? QSize(32, 42) : QSize(16, 21);
    const int y = l.field.y() + (large ? -45 : -25);
    l.credits = {{l.field.x() + w, y}, Anchor::RightEdge, true};
    l.nudges = {{l.field.x(), y}, Anchor::LeftEdge, true};
    l.bet = {{l.field.x() + w / 2 - l.digit.width() / 2, y}, Anchor::LeftEdge, false};
    return l;
}

int Reading::Payline(int reel) const {
    return std::min(reels[static_cast<std::size_t>(reel)]->tiles[1], kWildSymbol);
}

std::string Describe(const Reading& r) {
    std::ostringstream text;
    const auto number = [](const std::optional<long long>& v) {
        return v ? std::to_string(*v) : "unreadable";
    };
    text << "credits " << number(r.credits) << ", nudges " << number(r.nudges) << ", coins " << number(r.bet)
         << ", reels";
    for (const auto& reel : r.reels) {
        if (!reel) {
            text << " [not at rest]";
            continue;
        }
        text << " [" << reel->tiles[0] << " " << reel->tiles[1] << " " << reel->tiles[2] << "]";
    }
    return text.str();
}

std::string Still(const Reading& r) {
    Reading still = r;
    for (auto& reel : still.reels) {
        if (reel) {
            for (int& tile : reel->tiles) {
                tile = std::min(tile, kWildSymbol);
            }
        }
    }
    return Describe(still);
}

std::string ReadText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

GameRig::GameRig() = default;

// Ours alone, by pid: the game first, then its desktop. The game saves and
// says goodbye on SIGTERM; no need to hear it out here.
GameRig::~GameRig() {
    game_.Stop(500ms);
    windowManager_.Stop(500ms);
    xServer_.Stop(500ms);
    compositor_.Stop(2s);
    bus_.Stop(500ms);
    while (!soundServer_.empty()) {
        soundServer_.back().Stop(1s);
        soundServer_.pop_back();
    }
}

std::string GameRig::Missing(Desktop desktop) {
    if (desktop == Desktop::Openbox && (!OnPath("openbox") || !OnPath("xprop"))) {
        return "openbox or xprop is not installed (packages openbox, x11-utils)";
    }
    if (desktop == Desktop::Xfwm4 && (!OnPath("xfwm4") || !OnPath("xprop") || !OnPath("dbus-daemon"))) {
        return "xfwm4, xprop or D-Bus is not installed (packages xfwm4, x11-utils, dbus)";
    }
    if (desktop == Desktop::Kwin &&
        (!OnPath("kwin_wayland") || !OnPath("dbus-daemon") || !OnPath("dbus-send"))) {
        return "kwin_wayland or D-Bus is not installed (packages kwin-wayland, dbus)";
    }
    const std::filesystem::path plugin =
        std::filesystem::path(QLibraryInfo::path(QLibraryInfo::PluginsPath).toStdString()) / "platforms" /
        "libqwayland-generic.so";
    if ((desktop == Desktop::Weston || desktop == Desktop::Kwin) && !std::filesystem::exists(plugin)) {
        return "Qt's Wayland platform is not installed (package qt6-wayland)";
    }
    if (desktop == Desktop::Weston &&
        (!OnPath("weston") || !OnPath("weston-screenshooter") || !std::filesystem::exists(plugin))) {
        return "weston, weston-screenshooter or Qt's Wayland platform is not installed (packages weston, "
               "qt6-wayland)";
    }
    return {};
}

std::filesystem::path GameRig::ConfigDir() const {
    return temp_.Path() / "home" / ".config" / "morrowmas-slots";
}

std::string GameRig::Open(const Stage& stage, const std::string& shotsName) {
    stage_ = stage;
    const char* programDir = std::getenv("MORROW_PROGRAM_DIR");
    if (programDir == nullptr) {
        return "MORROW_PROGRAM_DIR names no program directory";
    }
    program_ = programDir;
    if (const char* shots = std::getenv("MORROW_E2E_SHOTS")) {
        shots_ = std::filesystem::path(shots) / shotsName;
        std::filesystem::remove_all(shots_);
        std::filesystem::create_directories(shots_);
    }

    // The field and its spinning strip come from the high-colour pictures
    // (every depth tried has 16 bits or more); at a scale of 2 from their 2x
    // pictures, and so do the digits.
    const int scale = stage.scale;
    const auto sharp = [scale](const char* name) {
        std::string file = name;
        if (scale > 1) {
            file.insert(file.rfind('.'), "@2x");
        }
        return file;
    };
    fieldPicture_ = LoadPicture(program_ / sharp(art::kPlayFieldFile));
    symbols_ = LoadPicture(program_ / sharp(art::kSymbolsFile));
    bat_ = LoadPicture(program_ / art::kBatFile);
    blood_ = LoadPicture(program_ / art::kBloodFile);
    if (fieldPicture_.isNull() || symbols_.isNull() || bat_.isNull() || blood_.isNull()) {
        return "the game's pictures are missing from " + program_.string();
    }
    if (!art::Available()) {
        return "the embedded digit strips are not linked in";
    }
    // The layout follows the screen's size in units.
    const QSize units(stage.mode.width / scale, stage.mode.height / scale);
    const bool largeDigits = units.width() >= 1000;
    redDigits_ = LoadPicture(sharp(largeDigits ? art::kDigitsLarge : art::kDigitsSmall));
    greenDigits_ = LoadPicture(sharp(largeDigits ? art::kGreenLarge : art::kGreenSmall));
    layout_ = Layout::For(units, fieldPicture_.size() / scale);
    matcher_ = PixelMatcher(stage.mode.depth);

    const std::filesystem::path home = temp_.Path() / "home";
    const std::filesystem::path runtime = temp_.Path() / "runtime";
    std::filesystem::create_directories(ConfigDir());
    std::filesystem::create_directories(runtime);
    chmod(runtime.c_str(), 0700);
    env_ = {{"HOME", home.string()},
            {"XDG_CONFIG_HOME", (home / ".config").string()},
            {"XDG_RUNTIME_DIR", runtime.string()},
            {"SDL_AUDIODRIVER", "dummy"}};
    if (scale > 1 && !stage.zoomed) {
        env_["QT_SCALE_FACTOR"] = std::to_string(scale);
    }
    if (!stage.fitted) {
        std::ofstream(ConfigDir() / "Display.ini") << "[General]\nFitToScreen=false\n";
    }
    gameLog_ = temp_.Path() / "game.log";
    std::string error;

    if (stage.desktop == Desktop::Weston) {
        const std::string socket = "morrow-e2e-" + std::to_string(::getpid());
        const std::filesystem::path log = temp_.Path() / "weston.log";
        std::optional<ChildProcess> weston =
            ChildProcess::Start({"weston", "--backend=headless-backend.so", "--use-pixman", "--no-config",
                                 "--idle-time=0", "--debug", "--width=" + std::to_string(stage.mode.width),
                                 "--height=" + std::to_string(stage.mode.height), "--socket=" + socket},
                                {{"XDG_RUNTIME_DIR", runtime.string()}}, log, error);
        if (!weston) {
            return error;
        }
        compositor_ = std::move(*weston);
        env_["WAYLAND_DISPLAY"] = socket;
        env_["QT_QPA_PLATFORM"] = "wayland";
        return WaitForServer(compositor_, "weston", log,
                             [&] { return std::filesystem::exists(runtime / socket); });
    }

    if (stage.desktop == Desktop::Kwin) {
        return StartKwin(runtime);
    }

    const bool openbox = stage.desktop == Desktop::Openbox;
    if (error = StartX(); !error.empty() || (!openbox && stage.desktop != Desktop::Xfwm4)) {
        return error;
    }
    // xfwm4 reads its settings from xfconfd, which the session bus starts.
    if (error = openbox ? std::string() : StartSessionBus(runtime); !error.empty()) {
        return error;
    }
    // The window manager with its own settings folder; ready once it names
    // itself on the root window. xfwm4 composites nothing, as on Xvfb's
    // screen it would only slow the screenshots.
    const std::string name = openbox ? "openbox" : "xfwm4";
    const std::filesystem::path log = temp_.Path() / (name + ".log");
    std::optional<ChildProcess> wm =
        ChildProcess::Start({name, openbox ? "--sm-disable" : "--compositor=off"},
                            {{"DISPLAY", display_},
                             {"HOME", (temp_.Path() / "wm-home").string()},
                             {"DBUS_SESSION_BUS_ADDRESS", openbox ? "" : env_["DBUS_SESSION_BUS_ADDRESS"]}},
                            log, error);
    if (!wm) {
        return error;
    }
    windowManager_ = std::move(*wm);
    return WaitForServer(windowManager_, name, log, [&] {
        return Property("", "_NET_SUPPORTING_WM_CHECK").find("window id") != std::string::npos;
    });
}

// KWin on its virtual screen, on a session bus of its own, through which
// its scripting reads the windows. The installed binary carries file
// capabilities, which a sandbox may refuse to run: a copy has none.
std::string GameRig::StartKwin(const std::filesystem::path& runtime) {
    std::string error = StartSessionBus(runtime);
    if (!error.empty()) {
        return error;
    }
    const std::filesystem::path kwin = temp_.Path() / "kwin_wayland";
    std::filesystem::copy_file(FindOnPath("kwin_wayland"), kwin);
    const std::string bus = env_["DBUS_SESSION_BUS_ADDRESS"];
    const std::string socket = "morrow-e2e-" + std::to_string(::getpid());
    const std::filesystem::path log = temp_.Path() / "kwin.log";
    std::optional<ChildProcess> started = ChildProcess::Start(
        {kwin.string(), "--virtual", "--width", std::to_string(stage_.mode.width), "--height",
         std::to_string(stage_.mode.height), "--socket", socket, "--no-lockscreen", "--no-global-shortcuts"},
        {{"XDG_RUNTIME_DIR", runtime.string()},
         {"HOME", (temp_.Path() / "wm-home").string()},
         {"DBUS_SESSION_BUS_ADDRESS", bus},
         {"KWIN_COMPOSE", "Q"}, // drawn by the processor: no OpenGL needed
         {"QT_LOGGING_RULES", "kwin_scripting.debug=true"}},
        log, error);
    if (!started) {
        return error;
    }
    compositor_ = std::move(*started);
    env_["WAYLAND_DISPLAY"] = socket;
    env_["QT_QPA_PLATFORM"] = "wayland";
    return WaitForServer(compositor_, "kwin_wayland", log, [&] {
        return std::filesystem::exists(runtime / socket) &&
               RunCommand({"dbus-send", "--session", "--print-reply", "--dest=org.kde.KWin", "/Scripting",
                           "org.freedesktop.DBus.Peer.Ping"},
                          {{"DBUS_SESSION_BUS_ADDRESS", bus}}, kToolTimeout)
                       .exitCode == 0;
    });
}

// A session bus of the desktop's own, for the desktop and the game.
std::string GameRig::StartSessionBus(const std::filesystem::path& runtime) {
    std::string error;
    const std::string bus = "unix:path=" + (runtime / "bus").string();
    std::optional<ChildProcess> daemon =
        ChildProcess::Start({"dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=" + bus}, {},
                            temp_.Path() / "bus.log", error);
    if (!daemon) {
        return error;
    }
    bus_ = std::move(*daemon);
    env_["DBUS_SESSION_BUS_ADDRESS"] = bus;
    return WaitForServer(bus_, "dbus-daemon", temp_.Path() / "bus.log",
                         [&] { return std::filesystem::exists(runtime / "bus"); });
}

std::string GameRig::KwinScript(const std::string& script) {
    const std::filesystem::path file = temp_.Path() / ("script" + std::to_string(++kwinScripts_) + ".js");
    std::ofstream(file) << script;
    const Environment bus{{"DBUS_SESSION_BUS_ADDRESS", env_["DBUS_SESSION_BUS_ADDRESS"]}};
    const std::string loaded = RunCommand({"dbus-send", "--session", "--print-reply", "--dest=org.kde.KWin",
                                           "/Scripting", "org.kde.kwin.Scripting.loadScript",
                                           "string:" + file.string(), "string:" + file.stem().string()},
                                          bus, kToolTimeout)
                                   .output;
    if (loaded.find("int32 ") == std::string::npos) {
        return "KWin loaded no script: " + loaded;
    }
    const std::filesystem::path log = temp_.Path() / "kwin.log";
    const std::size_t before = ReadText(log).size();
    RunCommand({"dbus-send", "--session", "--print-reply", "--dest=org.kde.KWin", "/Scripting",
                "org.kde.kwin.Scripting.start"},
               bus, kToolTimeout);
    // print() lines reach KWin's log as "js: ..." a moment later.
    std::string printed;
    WaitUntil(
        [&] {
            std::istringstream lines(ReadText(log).substr(before));
            printed.clear();
            for (std::string line; std::getline(lines, line);) {
                if (const std::size_t js = line.find("js: "); js != std::string::npos) {
                    printed += line.substr(js + 4) + "\n";
                }
            }
            return printed.find("end\n") != std::string::npos;
        },
        5s);
    return printed;
}

// PipeWire with its session manager and its PulseAudio service, in the
// game's runtime folder, where the game and pactl find them. They need no
// session bus (they say so in their logs, and play on).
std::string GameRig::StartSoundServer() {
    for (const char* tool : {"pipewire", "wireplumber", "pipewire-pulse", "pactl"}) {
        if (!OnPath(tool)) {
            return std::string(tool) + " is not installed (packages pipewire, wireplumber, pipewire-pulse, "
                                       "pulseaudio-utils)";
        }
    }
    const Environment env{{"XDG_RUNTIME_DIR", env_["XDG_RUNTIME_DIR"]}, {"HOME", env_["HOME"]}};
    for (const char* server : {"pipewire", "wireplumber", "pipewire-pulse"}) {
        std::string error;
        std::optional<ChildProcess> started =
            ChildProcess::Start({server}, env, temp_.Path() / (std::string(server) + ".log"), error);
        if (!started) {
            return error;
        }
        soundServer_.push_back(std::move(*started));
    }
    env_["SDL_AUDIODRIVER"] = ""; // the driver SDL picks itself
    // Ready once the PulseAudio service lists the null output wireplumber
    // makes when there is no sound card.
    std::string sinks;
    const bool ready = WaitUntil(
        [&] {
            sinks = Pactl({"list", "short", "sinks"});
            return !sinks.empty();
        },
        10s, 200ms);
    return ready ? std::string() : "the sound server never listed an output";
}

std::string GameRig::Pactl(const std::vector<std::string>& arguments) const {
    std::vector<std::string> argv{"pactl"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return RunCommand(argv, {{"XDG_RUNTIME_DIR", env_.at("XDG_RUNTIME_DIR")}}, kToolTimeout).output;
}

// An Xvfb server of our own on a free display, which it picks itself and
// names on a pipe.
std::string GameRig::StartX() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return "pipe failed";
    }
    const std::filesystem::path log = temp_.Path() / "xvfb.log";
    const ScreenMode& mode = stage_.mode;
    const std::string screen =
        std::to_string(mode.width) + "x" + std::to_string(mode.height) + "x" + std::to_string(mode.depth);
    std::string error;
    std::optional<ChildProcess> server =
        ChildProcess::Start({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen,
                             "-nolisten", "tcp", "-noreset"},
                            {}, log, error, fds[1]);
    close(fds[1]);
    std::string number;
    if (server) {
        xServer_ = std::move(*server);
        ReadPipeUntil(fds[0], Clock::now() + 15s, number,
                      [](const std::string& text) { return text.find('\n') != std::string::npos; });
    }
    close(fds[0]);
    if (!server) {
        return error;
    }
    if (number.find('\n') == std::string::npos) {
        return "Xvfb named no display; its log says:\n" + ReadText(log);
    }
    display_ = ":" + number.substr(0, number.find('\n'));
    env_["DISPLAY"] = display_;
    env_["QT_QPA_PLATFORM"] = "xcb";
    return {};
}

std::vector<std::string> GameRig::XLines(const std::vector<std::string>& argv) const {
    const CommandResult result = RunCommand(argv, {{"DISPLAY", display_}}, kToolTimeout);
    std::vector<std::string> lines;
    std::istringstream text(result.output);
    for (std::string line; std::getline(text, line);) {
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

bool GameRig::XTool(const std::vector<std::string>& argv) const {
    return RunCommand(argv, {{"DISPLAY", display_}}, kToolTimeout).exitCode == 0;
}

std::vector<std::string> GameRig::FindWindows(const std::string& namePattern) const {
    return XLines({"xdotool", "search", "--onlyvisible", "--name", namePattern});
}

std::string GameRig::WindowName(const std::string& window) const {
    const std::vector<std::string> lines = XLines({"xdotool", "getwindowname", window});
    return lines.empty() ? std::string() : lines.front();
}

std::string GameRig::Property(const std::string& window, const std::string& name) const {
    const std::vector<std::string> lines =
        XLines(window.empty() ? std::vector<std::string>{"xprop", "-root", name}
                              : std::vector<std::string>{"xprop", "-id", window, name});
    return lines.empty() ? std::string() : lines.front();
}

bool GameRig::Focus(const std::string& window) const {
    return XTool({"xdotool", "windowfocus", "--sync", window});
}

bool GameRig::Key(const std::string& key) const {
    return XTool({"xdotool", "key", key});
}

void GameRig::WriteRecord(const std::string& text) const {
    std::ofstream(Record()) << text;
}

std::map<std::string, std::string> GameRig::SavedGame() const {
    return IniSection(ReadText(Record()), "CurrentGame");
}

std::string GameRig::Launch(const std::filesystem::path& programDir) {
    std::string error;
    window_.clear();
    const std::filesystem::path dir = programDir.empty() ? program_ : programDir;
    std::optional<ChildProcess> game =
        ChildProcess::Start({(dir / "morrowmas-slots").string()}, env_, gameLog_, error);
    if (!game) {
        return error;
    }
    game_ = std::move(*game);
    return {};
}

std::string GameRig::WaitForMainWindow() {
    WaitUntil(
        [&] {
            const std::vector<std::string> found = FindWindows(kMainWindow);
            window_ = found.empty() ? std::string() : found.front();
            return !window_.empty() || !game_.Running();
        },
        20s);
    if (!game_.Running()) {
        return "the game ended at start:\n" + Output();
    }
    if (window_.empty()) {
        return "no window named \"Morrowmas Slots\" appeared";
    }
    // A window manager maximises the window as it maps it; its place is read
    // once that has settled.
    const bool managed = stage_.desktop == Desktop::Openbox || stage_.desktop == Desktop::Xfwm4;
    if (managed) {
        WaitUntil([&] { return Maximised(); }, 5s);
    }
    // --shell prints X=, Y=, WIDTH=, HEIGHT= lines.
    std::map<std::string, int> geometry;
    for (const std::string& line : XLines({"xdotool", "getwindowgeometry", "--shell", window_})) {
        if (const std::size_t equals = line.find('='); equals != std::string::npos) {
            geometry[line.substr(0, equals)] = std::atoi(line.c_str() + equals + 1);
        }
    }
    if (!geometry.contains("WIDTH") || !geometry.contains("HEIGHT")) {
        return "xdotool gave no geometry for the window";
    }
    windowRect_ = QRect(geometry["X"], geometry["Y"], geometry["WIDTH"], geometry["HEIGHT"]);
    if (managed) {
        // xdotool counts the frame's offset twice for a framed window;
        // xwininfo gives its place on the screen.
        const std::string info =
            RunCommand({"xwininfo", "-id", window_}, {{"DISPLAY", display_}}, kToolTimeout).output;
        const std::size_t x = info.find("Absolute upper-left X:");
        const std::size_t y = info.find("Absolute upper-left Y:");
        if (x == std::string::npos || y == std::string::npos) {
            return "xwininfo gave no place for the window:\n" + info;
        }
        windowRect_.moveTopLeft(QPoint(std::stoi(info.substr(x + 22)), std::stoi(info.substr(y + 22))));
    }
    return {};
}

// The canvas starts where the menu bar ends: the first rows that are black
// across a stretch that nothing on the canvas covers at start (right of the
// small field, left of the centred one).
std::optional<int> GameRig::FindCanvasTop(const QImage& shot) const {
    const int left = windowRect_.left() + (layout_.small ? 505 : 10) * stage_.scale;
    const int width = (layout_.small ? 95 : 110) * stage_.scale;
    for (int y = windowRect_.top(); y < windowRect_.top() + 80; ++y) {
        if (AllBlack(shot, QRect(left, y, width, 5))) {
            return y;
        }
    }
    return std::nullopt;
}

std::string GameRig::WaitForField() {
    const auto deadline = Clock::now() + 20s * kSlowdown;
    std::string last = "no screenshot";
    while (Clock::now() < deadline) {
        const QImage shot = Shot();
        if (shot.isNull()) {
            return "import took no screenshot";
        }
        if (const std::optional<int> top = FindCanvasTop(shot)) {
            canvas_ = QRect(windowRect_.left(), *top, windowRect_.width(), windowRect_.bottom() + 1 - *top);
            const int mismatches = FieldMismatches(shot);
            if (mismatches == 0) {
                firstShot_ = shot;
                Keep(shot, "01-start");
                return {};
            }
            last = std::to_string(mismatches) + " pixels of the field picture differ at its expected place";
        } else {
            last = "no black canvas below the menu bar";
        }
        std::this_thread::sleep_for(100ms);
    }
    return "the play field never showed as expected: " + last;
}

std::string GameRig::Start() {
    std::string error = Launch();
    if (error.empty()) {
        error = WaitForMainWindow();
    }
    return error.empty() ? WaitForField() : error;
}

bool GameRig::EndsWithin(std::chrono::milliseconds timeout) {
    return WaitUntil([&] { return !game_.Running(); }, timeout);
}

bool GameRig::Maximised() const {
    const std::string state = Property(window_, "_NET_WM_STATE");
    return state.find("_NET_WM_STATE_MAXIMIZED_VERT") != std::string::npos &&
           state.find("_NET_WM_STATE_MAXIMIZED_HORZ") != std::string::npos;
}

std::vector<std::string> GameRig::OtherWindows() const {
    std::vector<std::string> others;
    for (const std::string& w :
         XLines({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(Pid())})) {
        if (w != window_) {
            others.push_back(w);
        }
    }
    return others;
}

std::string GameRig::WaitForOtherWindow(std::chrono::milliseconds timeout, const std::string& title) {
    std::string found;
    WaitUntil(
        [&] {
            for (const std::string& w : OtherWindows()) {
                if (found.empty() && (title.empty() || WindowName(w) == title)) {
                    found = w;
                }
            }
            return !found.empty() || !game_.Running();
        },
        timeout);
    return found;
}

bool GameRig::Dismiss(const std::string& window, const std::string& key,
                      std::chrono::milliseconds timeout) const {
    Focus(window);
    Key(key);
    return WaitUntil(
        [&] {
            const std::vector<std::string> shown = OtherWindows();
            return std::find(shown.begin(), shown.end(), window) == shown.end();
        },
        timeout);
}

bool GameRig::MenuKeys(const std::vector<std::string>& keys) const {
    bool sent = Focus(window_);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (i > 0) {
            std::this_thread::sleep_for(300ms * kSlowdown); // the menu opens
        }
        sent = Key(keys[i]) && sent;
    }
    return sent;
}

// Play-field offsets to window coordinates, as xdotool takes them.
bool GameRig::PointAt(QPoint field) const {
    const QPoint at = FieldOnScreen(field) - windowRect_.topLeft();
    return XTool(
        {"xdotool", "mousemove", "--window", window_, std::to_string(at.x()), std::to_string(at.y())});
}

bool GameRig::Click(QPoint field) const {
    const QPoint at = FieldOnScreen(field) - windowRect_.topLeft();
    return XTool({"xdotool", "mousemove", "--window", window_, std::to_string(at.x()), std::to_string(at.y()),
                  "click", "1"});
}

QImage GameRig::Shot() {
    if (stage_.desktop != Desktop::Weston) {
        const std::filesystem::path file = temp_.Path() / "poll.png";
        const bool taken = XTool({"import", "-window", "root", "-depth", "8", "png:" + file.string()});
        lastShot_ = taken ? LoadPicture(file) : QImage();
        return lastShot_;
    }
    // weston-screenshooter writes a file of its own naming into the folder
    // it runs in.
    const std::filesystem::path shots = temp_.Path() / "shots";
    std::filesystem::remove_all(shots);
    std::filesystem::create_directories(shots);
    Environment shooter = env_;
    shooter.erase("QT_QPA_PLATFORM");
    RunCommand({"sh", "-c", "cd \"$0\" && exec weston-screenshooter", shots.string()}, shooter, 10s);
    lastShot_ = {};
    for (const auto& entry : std::filesystem::directory_iterator(shots)) {
        lastShot_ = LoadPicture(entry.path());
    }
    return lastShot_;
}

void GameRig::Keep(const QImage& shot, const std::string& name) const {
    if (!shots_.empty() && !shot.isNull()) {
        shot.save(QString::fromStdString((shots_ / (name + ".png")).string()));
    }
}

// Points of the field picture that the game paints over (reels with the
// rows their bounce reaches, payline, "Nudge" captions, blood).
bool GameRig::DrawnOver(QPoint p) const {
    for (int reel = 0; reel < 3; ++reel) {
        const int left = kReelLeft + kReelPitch * reel;
        if (p.x() >= left && p.x() < left + kCell && p.y() >= kReelTop - 3 &&
            p.y() < kReelTop + 3 * kCell + 3) {
            return true;
        }
    }
    if (p.y() == kPaylineY && p.x() >= kPaylineInset && p.x() < layout_.fieldWidth - kPaylineInset) {
        return true;
    }
    if (p.y() >= 33 && p.y() < 62) {
        for (const int x : kNudgeCaptionX) {
            if (std::abs(p.x() - x) < 45) {
                return true;
            }
        }
    }
    return !layout_.small && p.y() >= layout_.fieldHeight - 4 && p.x() < kBloodWidth;
}

int GameRig::FieldMismatches(const QImage& shot) const {
    const int s = stage_.scale;
    const Placement field{&fieldPicture_, fieldPicture_.rect(), FieldOnScreen({0, 0}), canvas_,
                          [this, s](QPoint p) { return DrawnOver(QPoint(p.x() / s, p.y() / s)); }};
    return Mismatches(shot, field, matcher_);
}

std::optional<ReelView> GameRig::ReadReel(const QImage& shot, int reel) const {
    const int s = stage_.scale;
    ReelView view;
    const int left = kReelLeft + kReelPitch * reel;
    for (int row = 0; row < 3; ++row) {
        const QPoint at = FieldOnScreen({left, kReelTop + kCell * row});
        // The payline crosses the middle row.
        const auto payline = [row, s](int y) { return row == 1 && y / s == kPaylineY - kReelTop - kCell; };
        std::optional<int> tile = MatchTile(shot, at, symbols_, matcher_, payline);
        if (!tile && reel == 2 && row == 2) {
            // Under an animated wild the band covers this cell's top rows.
            view.wildBand = AllOf(shot, QRect(at, QSize(kCell, kWildBandRows) * s), kWhite, matcher_);
            if (view.wildBand) {
                tile = MatchTile(shot, at, symbols_, matcher_, [s](int y) { return y < kWildBandRows * s; });
            }
        }
        if (!tile) {
            return std::nullopt;
        }
        view.tiles[static_cast<std::size_t>(row)] = *tile;
    }
    // Tiles 10 and 11 are the wild's other frames, shown only in reel 3's
    // payline cell; the band goes with them.
    for (int row = 0; row < 3; ++row) {
        if (view.tiles[static_cast<std::size_t>(row)] > kWildSymbol && !(reel == 2 && row == 1)) {
            return std::nullopt;
        }
    }
    if (view.wildBand && view.tiles[1] < kWildSymbol) {
        return std::nullopt;
    }
    const std::string_view strip = kReelStrips[static_cast<std::size_t>(reel)];
    for (int p = 1; p <= kStripLength; ++p) {
        bool fits = true;
        for (int row = 0; row < 3; ++row) {
            const int symbol = strip[static_cast<std::size_t>((p - 1 + row) % kStripLength)] - '0';
            fits = fits && symbol == std::min(view.tiles[static_cast<std::size_t>(row)], kWildSymbol);
        }
        if (fits) {
            view.positions.push_back(p);
        }
    }
    return view;
}

Reading GameRig::Read(const QImage& shot) const {
    Reading r;
    for (int reel = 0; reel < 3; ++reel) {
        r.reels[static_cast<std::size_t>(reel)] = ReadReel(shot, reel);
    }
    const auto counter = [&](const CounterPlace& place) {
        return ReadCounter(shot, OnScreen(place.at), place.anchor, place.green ? greenDigits_ : redDigits_,
                           layout_.digit * stage_.scale, matcher_);
    };
    r.credits = counter(layout_.credits);
    r.nudges = counter(layout_.nudges);
    r.bet = counter(layout_.bet);
    return r;
}

bool GameRig::PaylineIsGreen(const QImage& shot) const {
    for (int x = kPaylineInset; x < layout_.fieldWidth - kPaylineInset; ++x) {
        const QPoint p = FieldOnScreen({x, kPaylineY});
        if (!shot.valid(p) || !matcher_.Same(shot.pixel(p), kGreen)) {
            return false;
        }
    }
    return true;
}

std::array<int, 3> GameRig::CaptionPixels(const QImage& shot, QRgb colour) const {
    std::array<int, 3> counts{};
    for (std::size_t k = 0; k < 3; ++k) {
        const QRect box(FieldOnScreen({kNudgeCaptionX[k] - 45, 33}), QSize(90, 29));
        counts[k] = CountDrawnColour(shot, box, colour, fieldPicture_, FieldOnScreen({0, 0}), matcher_);
    }
    return counts;
}

std::pair<bool, Reading> GameRig::WaitFor(const std::function<bool(const Reading&)>& done,
                                          std::chrono::milliseconds timeout, std::chrono::milliseconds hold) {
    const auto deadline = Clock::now() + timeout * kSlowdown;
    Reading r;
    std::optional<std::pair<Clock::time_point, std::string>> since;
    do {
        const QImage shot = Shot();
        if (shot.isNull()) {
            continue;
        }
        const Clock::time_point at = Clock::now();
        r = Read(shot);
        Note(Describe(r));
        if (!done(r)) {
            since.reset();
            continue;
        }
        if (const std::string key = Still(r); !since || since->second != key) {
            since.emplace(at, key);
        }
        if (at - since->first >= hold) {
            return {true, r};
        }
    } while (Clock::now() < deadline);
    return {false, r};
}

void GameRig::Note(const std::string& line) {
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - opened_).count();
    history_.push_back(std::to_string(static_cast<long long>(ms)) + " ms: " + line);
    if (history_.size() > 400) {
        history_.erase(history_.begin());
    }
}

void GameRig::Report(std::ostream& out, const std::string& why) {
    out << "Game output:\n" << Output() << "\nLast readings:\n";
    // From the last two commands on, repeats left out.
    const auto what = [](const std::string& line) { return line.substr(line.find(':') + 1); };
    std::size_t from = history_.size();
    for (int commands = 0; from > 0 && commands < 2;) {
        if (what(history_[--from]).rfind(" --", 0) == 0) {
            ++commands;
        }
    }
    for (std::size_t i = from; i < history_.size(); ++i) {
        if (i == from || i + 1 == history_.size() || what(history_[i]) != what(history_[i - 1])) {
            out << "  " << history_[i] << '\n';
        }
    }
    if (lastShot_.isNull() || canvas_.isEmpty()) {
        return;
    }
    Keep(lastShot_, why);
    // What the window did next, for the post-mortem.
    for (int i = 1; i <= 6; ++i) {
        std::this_thread::sleep_for(500ms);
        const QImage later = Shot();
        out << "  " << i * 500 << " ms later: " << Describe(Read(later)) << " (windows:";
        for (const std::string& w : OtherWindows()) {
            out << " \"" << WindowName(w) << "\"";
        }
        out << ")\n";
        Keep(later, why + "-later-" + std::to_string(i));
    }
}

} // namespace morrow::e2e
