// SPDX-License-Identifier: GPL-3.0-or-later
// How long a player waits for the game's window: the game's program and an
// empty Qt window are launched in turns on one X display, and the time from
// launch to each one's main window being mapped is taken from outside, as
// the display server sees it. Run by hand:
//
//   xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp"
//       build/bench/window/morrow-launch-bench [rounds] [other game programs]
//
// (one command, on one line) or `cmake --build build --target bench-launch`.
// Other builds of the game's program, copied beside it so that they find
// its files, join the turns: a change is measured against the program
// before it in one run. Each launch has a fresh,
// empty home, so the game starts as on a first run and reads or writes no
// saved game of the player's; it is ended once its window is mapped.
#include <xcb/xcb.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <poll.h>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0.0 : (n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

// Watches the screen's top-level windows being mapped.
class MapWatcher {
public:
    MapWatcher() : connection_(xcb_connect(nullptr, nullptr)) {
        if (xcb_connection_has_error(connection_)) {
            std::fprintf(stderr, "no X display\n");
            std::exit(2);
        }
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(connection_);
    }
    ~MapWatcher() { xcb_disconnect(connection_); }
    MapWatcher(const MapWatcher&) = delete;
    MapWatcher& operator=(const MapWatcher&) = delete;

    // Drops what came before a launch.
    void Drain() {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            std::free(event);
        }
    }

    // The moment a top-level window that is not a popup is mapped, or
    // nothing within `limit`.
    bool WaitForMap(Clock::time_point limit, Clock::time_point& at) {
        pollfd fd{xcb_get_file_descriptor(connection_), POLLIN, 0};
        while (Clock::now() < limit) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
                const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY &&
                                    !reinterpret_cast<xcb_map_notify_event_t*>(event)->override_redirect;
                std::free(event);
                if (mapped) {
                    at = Clock::now();
                    return true;
                }
            }
            poll(&fd, 1, 50);
        }
        return false;
    }

private:
    xcb_connection_t* connection_;
    xcb_window_t root_ = 0;
};

// Launches `program` with a home of its own; milliseconds to its window
// being mapped, or -1.
double LaunchOnce(MapWatcher& watcher, const std::string& program) {
    const std::filesystem::path home =
        std::filesystem::temp_directory_path() / ("morrow-launch-" + std::to_string(getpid()));
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home);
    watcher.Drain();
    const Clock::time_point start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    Clock::time_point mapped;
    const bool seen = watcher.WaitForMap(start + std::chrono::seconds(20), mapped);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    std::filesystem::remove_all(home);
    return seen ? std::chrono::duration<double, std::milli>(mapped - start).count() : -1.0;
}

} // namespace

int main(int argc, char* argv[]) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    // No sound card on a display server for measuring; the game opens SDL's
    // silent output instead, as it would any other.
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    MapWatcher watcher;
    // The empty window first, then the game and any other builds of it.
    std::vector<std::string> programs{MORROW_LAUNCH_EMPTY, MORROW_LAUNCH_GAME};
    for (int a = 2; a < argc; ++a) {
        programs.emplace_back(argv[a]);
    }
    // One of each first, left out: it brings the programs' files into the
    // page cache.
    for (const std::string& program : programs) {
        LaunchOnce(watcher, program);
    }
    std::vector<std::vector<double>> times(programs.size());
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t p = 0; p < programs.size(); ++p) {
            const double ms = LaunchOnce(watcher, programs[p]);
            if (ms < 0) {
                std::fprintf(stderr, "%s: no window within 20 s\n", programs[p].c_str());
                return 1;
            }
            times[p].push_back(ms);
            usleep(200 * 1000); // the display server settles
        }
    }
    const double empty = Median(times[0]);
    std::printf("Launch to window mapped, median of %d launches each (ratio to the empty window):\n", rounds);
    for (std::size_t p = 0; p < programs.size(); ++p) {
        const double median = Median(times[p]);
        std::printf("  %7.1f ms (min %6.1f, max %6.1f)  %5.2f  %s\n", median,
                    *std::min_element(times[p].begin(), times[p].end()),
                    *std::max_element(times[p].begin(), times[p].end()), median / empty,
                    std::filesystem::path(programs[p]).filename().c_str());
    }
    return 0;
}
