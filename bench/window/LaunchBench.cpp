// How long a player waits for the game's window: the game's program and an
// empty Qt window are launched in turns on one X display, and the time from
// launch to each one's main window being mapped is taken from outside, as
// the display server sees it. Run by hand:
//
//   xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
//       build/bench/window/morrow-launch-bench [rounds]
//
// or `cmake --build build --target bench-launch`. Each launch has a fresh,
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
    const std::filesystem::path home = std::filesystem::temp_directory_path() /
                                       ("morrow-launch-" + std::to_string(getpid()));
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home);
    watcher.Drain();
    const Clock::time_point start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
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
    const std::string game = MORROW_LAUNCH_GAME;
    const std::string empty = MORROW_LAUNCH_EMPTY;
    // One of each first, left out: it brings the programs' files into the
    // page cache.
    LaunchOnce(watcher, empty);
    LaunchOnce(watcher, game);
    std::vector<double> emptyMs;
    std::vector<double> gameMs;
    for (int round = 0; round < rounds; ++round) {
        for (const auto& [program, times] : {std::pair{&empty, &emptyMs}, std::pair{&game, &gameMs}}) {
            const double ms = LaunchOnce(watcher, *program);
            if (ms < 0) {
                std::fprintf(stderr, "%s: no window within 20 s\n", program->c_str());
                return 1;
            }
            times->push_back(ms);
            usleep(200 * 1000); // the display server settles
        }
    }
    const double e = Median(emptyMs);
    const double g = Median(gameMs);
    std::printf("Launch to window mapped, median of %d launches each:\n", rounds);
    std::printf("  empty Qt window  %7.1f ms (min %.1f, max %.1f)\n", e,
                *std::min_element(emptyMs.begin(), emptyMs.end()), *std::max_element(emptyMs.begin(), emptyMs.end()));
    std::printf("  game             %7.1f ms (min %.1f, max %.1f)\n", g,
                *std::min_element(gameMs.begin(), gameMs.end()), *std::max_element(gameMs.begin(), gameMs.end()));
    std::printf("  ratio            %7.2f\n", g / e);
    return 0;
}
