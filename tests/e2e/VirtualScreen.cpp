#include "VirtualScreen.h"

#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

namespace morrow::e2e {

namespace {

constexpr std::chrono::milliseconds kServerStartTimeout{15000};
constexpr std::chrono::milliseconds kToolTimeout{10000};

std::string ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

std::unique_ptr<VirtualScreen> VirtualScreen::Start(const ScreenMode& mode,
                                                    const std::filesystem::path& logDir, std::string& error) {
    // Xvfb picks a free display itself and writes its number to this pipe.
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        error = "pipe failed";
        return nullptr;
    }
    const std::filesystem::path log = logDir / "xvfb.log";
    const std::string screen =
        std::to_string(mode.width) + "x" + std::to_string(mode.height) + "x" + std::to_string(mode.depth);
    std::optional<ChildProcess> server =
        ChildProcess::Start({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen,
                             "-nolisten", "tcp", "-noreset"},
                            {}, log, error, fds[1]);
    close(fds[1]);
    if (!server) {
        close(fds[0]);
        return nullptr;
    }

    std::string number;
    ReadPipeUntil(fds[0], std::chrono::steady_clock::now() + kServerStartTimeout, number,
                  [](const std::string& text) { return text.find('\n') != std::string::npos; });
    close(fds[0]);
    if (number.find('\n') == std::string::npos) {
        error = "Xvfb named no display; its log says:\n" + ReadAll(log);
        return nullptr;
    }
    number.erase(number.find('\n'));
    return std::unique_ptr<VirtualScreen>(new VirtualScreen(mode, ":" + number, std::move(*server)));
}

std::vector<std::string> VirtualScreen::Lines(const std::vector<std::string>& argv) const {
    const CommandResult result = RunCommand(argv, ClientEnvironment(), kToolTimeout);
    std::vector<std::string> lines;
    std::istringstream text(result.output);
    for (std::string line; std::getline(text, line);) {
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

std::vector<std::string> VirtualScreen::FindWindows(const std::string& namePattern) const {
    return Lines({"xdotool", "search", "--onlyvisible", "--name", namePattern});
}

std::string VirtualScreen::WaitForWindow(const std::string& namePattern, ChildProcess& program,
                                         std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (program.Running() && std::chrono::steady_clock::now() < deadline) {
        if (const std::vector<std::string> found = FindWindows(namePattern); !found.empty()) {
            return found.front();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return {};
}

std::vector<std::string> VirtualScreen::WindowsOfProcess(pid_t pid) const {
    return Lines({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid)});
}

std::string VirtualScreen::Property(const std::string& window, const std::string& name) const {
    const std::vector<std::string> lines =
        window.empty() ? Lines({"xprop", "-root", name}) : Lines({"xprop", "-id", window, name});
    return lines.empty() ? std::string() : lines.front();
}

std::string VirtualScreen::WindowName(const std::string& window) const {
    const std::vector<std::string> lines = Lines({"xdotool", "getwindowname", window});
    return lines.empty() ? std::string() : lines.front();
}

std::optional<QRect> VirtualScreen::WindowGeometry(const std::string& window) const {
    // --shell prints X=, Y=, WIDTH=, HEIGHT= lines.
    int x = 0;
    int y = 0;
    int width = -1;
    int height = -1;
    for (const std::string& line : Lines({"xdotool", "getwindowgeometry", "--shell", window})) {
        const auto equals = line.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        const std::string name = line.substr(0, equals);
        const int value = std::atoi(line.c_str() + equals + 1);
        if (name == "X") {
            x = value;
        } else if (name == "Y") {
            y = value;
        } else if (name == "WIDTH") {
            width = value;
        } else if (name == "HEIGHT") {
            height = value;
        }
    }
    if (width < 0 || height < 0) {
        return std::nullopt;
    }
    return QRect(x, y, width, height);
}

bool VirtualScreen::MoveMouse(const std::string& window, QPoint at) const {
    return RunCommand(
               {"xdotool", "mousemove", "--window", window, std::to_string(at.x()), std::to_string(at.y())},
               ClientEnvironment(), kToolTimeout)
               .exitCode == 0;
}

bool VirtualScreen::Click(const std::string& window, QPoint at) const {
    return RunCommand({"xdotool", "mousemove", "--window", window, std::to_string(at.x()),
                       std::to_string(at.y()), "click", "1"},
                      ClientEnvironment(), kToolTimeout)
               .exitCode == 0;
}

bool VirtualScreen::Focus(const std::string& window) const {
    return RunCommand({"xdotool", "windowfocus", "--sync", window}, ClientEnvironment(), kToolTimeout)
               .exitCode == 0;
}

bool VirtualScreen::Key(const std::string& keyName) const {
    return RunCommand({"xdotool", "key", keyName}, ClientEnvironment(), kToolTimeout).exitCode == 0;
}

QImage VirtualScreen::Shot(const std::filesystem::path& file) const {
    const CommandResult result =
        RunCommand({"import", "-window", "root", "-depth", "8", "png:" + file.string()}, ClientEnvironment(),
                   kToolTimeout);
    if (result.exitCode != 0) {
        return {};
    }
    QImage shot(QString::fromStdString(file.string()));
    return shot.isNull() ? shot : shot.convertToFormat(QImage::Format_RGB32);
}

} // namespace morrow::e2e
