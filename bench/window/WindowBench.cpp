// SPDX-License-Identifier: GPL-3.0-or-later
// The game's own window on a real X display: how evenly a spin's frames
// reach the screen, what the window costs while idle, and how soon it first
// paints compared with an empty window. Run by hand on an 800 x 600 screen:
//
//   xvfb-run -a -s "-screen 0 800x600x24 -nolisten tcp" build/bench/window/morrow-window-bench
//
// or `cmake --build build --target bench-window`. The game runs with a
// temporary home, so no saved game of the player's is read or written.
//
// With --busy it measures instead the game as a player hears it on a busy
// machine: spins with sound and music on, first on a quiet machine and then
// while one busy loop per core runs beside it, in sessions of their own and
// then in the game's. The output goes through SDL's
// disk driver into a file, which is then searched for dropouts: runs of zero
// samples inside the music. For each of the three it also says how many
// frames came more than 1 ms off, and how long the GUI thread waited,
// runnable, for a core in them. Run it with the display server in a session
// of its own, as a desktop's is (xvfb-run starts Xvfb in the bench's own
// session, where the busy loops of the last part then compete with it):
//
//   setsid Xvfb :95 -screen 0 800x600x24 -nolisten tcp &
//   DISPLAY=:95 build/bench/window/morrow-window-bench --busy
//
// `--first-paint` stops after the first paints; `--idle` measures only the
// idle window, without audio, with the silent sound output and with music,
// animations on and off; `--idle-seconds N` sets each idle span. For the
// figures at 2 device pixels per unit, give the same window twice the
// screen:
//
//   QT_SCALE_FACTOR=2 xvfb-run -a -s "-screen 0 2048x1536x24 -nolisten tcp"
//       build/bench/window/morrow-window-bench --idle --idle-seconds 15
//
// (one command, on one line)
//
// `--hidden` measures the minimised window, without music and with it, as
// the game runs it (the sound output resting when nothing is heard), beside
// the same with the output kept open and beside the synthesiser alone
// playing the same piece with no window at all.

#include "ApplicationTitle.h"
#include "AudioDevice.h"
#include "AudioRest.h"
#include "FieldCanvas.h"
#include "FluidMusicSequencer.h"
#include "Game.h"
#include "GameEngine.h"
#include "MixerSoundPlayer.h"
#include "ProcessSettings.h"
#include "TForm1.h"
#include "app/TForm1TestAccess.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMainWindow>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <SDL_mixer.h>

#include <signal.h>

#include <cstring>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Access = morrow::TForm1TestAccess;

constexpr int kFirstPaintRounds = 5;
constexpr int kSpins = 5;
int kIdleSeconds = 20; // `--idle-seconds N` changes it
constexpr double kFrameMs = 25.0;
constexpr int kSpinFrames = morrow::kSpinFrames;
constexpr std::uint32_t kSeed = 20240;

double Milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// CPU time of the whole process (every thread), in milliseconds.
double CpuMilliseconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_usec) / 1000.0;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// How long the calling thread has waited, runnable, for a core since it
// started (the scheduler's run delay), in ms; 0 where the kernel keeps no
// such count.
double WaitedForCoreMilliseconds() {
    std::FILE* file = std::fopen("/proc/thread-self/schedstat", "r");
    if (file == nullptr) {
        return 0.0;
    }
    unsigned long long running = 0;
    unsigned long long waiting = 0;
    const int read = std::fscanf(file, "%llu %llu", &running, &waiting);
    std::fclose(file);
    return read >= 2 ? static_cast<double>(waiting) / 1e6 : 0.0;
}

// Handles events for `ms` milliseconds, sleeping while there are none.
void RunFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// A message box or the bonus window would wait for a player; there is none.
void CloseModalWindowsFromNowOn(QObject* owner) {
    auto* closer = new QTimer(owner);
    QObject::connect(closer, &QTimer::timeout, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            std::printf("  (closed a modal window: \"%s\")\n", qPrintable(modal->windowTitle()));
            modal->close();
        }
    });
    closer->start(500);
}

// Notes the moment of a widget's first paint event.
class FirstPaint final : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !painted) {
            painted = true;
            at = Clock::now();
        }
        return QObject::eventFilter(watched, event);
    }
    bool painted = false;
    Clock::time_point at;
};

// Waits for the first paint of `widget` after `start`; milliseconds, or -1.
double WaitForFirstPaint(QWidget& widget, FirstPaint& watcher, Clock::time_point start) {
    const auto deadline = start + std::chrono::seconds(10);
    while (!watcher.painted && Clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    }
    widget.removeEventFilter(&watcher);
    return watcher.painted ? Milliseconds(watcher.at - start) : -1.0;
}

double EmptyWindowFirstPaint(QSize size) {
    const Clock::time_point start = Clock::now();
    QMainWindow window;
    auto* central = new QWidget(&window);
    window.setCentralWidget(central);
    window.setFixedSize(size);
    FirstPaint watcher;
    central->installEventFilter(&watcher);
    window.show();
    const double ms = WaitForFirstPaint(*central, watcher, start);
    window.close();
    return ms;
}

// A sound output that plays nothing, and a sequencer with no pieces: the
// window measured without any audio.
class SilentSoundPlayer final : public morrow::SoundPlayer {
public:
    void PlayFile(const std::string&, morrow::SoundWait) override {}
    morrow::SoundImage AddImage(std::string_view, std::span<const std::uint8_t>) override {
        return {next_++};
    }
    void PlayImage(morrow::SoundImage) override {}
    bool IsPlaying() override { return false; }
    bool WaitUntilQuiet(std::chrono::milliseconds) override { return true; }

private:
    int next_ = 0;
};

class SilentMusic final : public morrow::MusicSequencer {
public:
    void SetNotifyHandler(NotifyHandler) override {}
    std::optional<std::string> Open(const std::string&) override { return std::nullopt; }
    std::optional<std::string> Play() override { return std::nullopt; }
    void Close() override {}
};

enum class Audio { None, SoundOnly, SoundAndMusic };

const char* Describe(Audio audio) {
    switch (audio) {
    case Audio::None:
        return "without audio";
    case Audio::SoundOnly:
        return "with the sound output";
    case Audio::SoundAndMusic:
        return "with sound and music";
    }
    return "";
}

// The window's collaborators for one kind of audio, opened as the game
// opens them at start: the sound output and the synthesiser first, then the
// window.
struct AudioSet {
    explicit AudioSet(Audio audio) {
        if (audio != Audio::None) {
            device = std::make_unique<morrow::AudioDevice>();
            player = std::make_unique<morrow::MixerSoundPlayer>(*device);
        }
        if (audio == Audio::SoundAndMusic) {
            music = std::make_unique<morrow::FluidMusicSequencer>(*device);
        }
    }
    // What the window is handed: this audio, the game's files and the
    // bench's seed.
    morrow::FormCollaborators Collaborators(const QString& programDir) {
        morrow::FormCollaborators c;
        c.programDir = programDir;
        c.seed = kSeed;
        c.soundPlayer = player ? static_cast<morrow::SoundPlayer*>(player.get()) : &silentPlayer;
        c.music = music ? static_cast<morrow::MusicSequencer*>(music.get()) : &silentMusic;
        return c;
    }
    std::unique_ptr<morrow::AudioDevice> device;
    std::unique_ptr<morrow::MixerSoundPlayer> player;
    std::unique_ptr<morrow::FluidMusicSequencer> music;
    SilentSoundPlayer silentPlayer;
    SilentMusic silentMusic;
};

double GameWindowFirstPaint(const QString& programDir, Audio audio, double& constructionMs) {
    const Clock::time_point start = Clock::now();
    AudioSet set(audio);
    double ms = -1;
    {
        morrow::Game game(set.Collaborators(programDir));
        morrow::TForm1& form = game.Window();
        constructionMs = Milliseconds(Clock::now() - start);
        FirstPaint watcher;
        form.Canvas().installEventFilter(&watcher);
        form.show();
        ms = WaitForFirstPaint(form.Canvas(), watcher, start);
        form.close();
    }
    return ms;
}

// Resident memory of this process now and at its peak, in MiB.
std::pair<double, double> ResidentMiB() {
    std::ifstream status("/proc/self/status");
    double rss = 0;
    double peak = 0;
    for (std::string line; std::getline(status, line);) {
        const auto value = [&line] { return std::stod(line.substr(line.find(':') + 1)) / 1024.0; };
        if (line.rfind("VmRSS:", 0) == 0) {
            rss = value();
        } else if (line.rfind("VmHWM:", 0) == 0) {
            peak = value();
        }
    }
    return {rss, peak};
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The paint events of the play field that show the reels, with the time
// and the process's CPU time at each.
class ReelPaints final : public QObject {
public:
    static constexpr std::int64_t kLargestOtherArea = 2 * 96 * 96;
    explicit ReelPaints(QRect reels) : reels_(reels) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (recording && event->type() == QEvent::Paint) {
            const auto* paint = static_cast<QPaintEvent*>(event);
            // A frame of the spin repaints whole reel columns; the animated
            // wild repaints one cell, and is no frame, even when its paint
            // comes together with the counters' below the field.
            std::int64_t area = 0;
            for (const QRect& part : paint->region().intersected(reels_)) {
                area += std::int64_t{part.width()} * part.height();
            }
            if (area > kLargestOtherArea) {
                times.push_back(Clock::now());
                cpu.push_back(CpuMilliseconds());
                waited.push_back(WaitedForCoreMilliseconds());
            } else {
                ++otherPaints;
            }
        }
        return QObject::eventFilter(watched, event);
    }
    bool recording = false;
    std::vector<Clock::time_point> times;
    std::vector<double> cpu;
    std::vector<double> waited;
    int otherPaints = 0;

private:
    QRect reels_;
};

void MeasureIdle(morrow::Game& game, const char* what) {
    RunFor(1000); // let the last change settle
    const double cpu0 = CpuMilliseconds();
    const Clock::time_point t0 = Clock::now();
    RunFor(kIdleSeconds * 1000);
    const double wall = Milliseconds(Clock::now() - t0);
    const double cpu = CpuMilliseconds() - cpu0;
    std::printf("  idle %-42s %7.1f ms CPU in %7.1f ms = %5.2f %% of a core (wild %s)\n", what, cpu, wall,
                100.0 * cpu / wall, game.Engine().WildTimer().IsActive() ? "animating" : "still");
}

void MeasureSpins(morrow::Game& game, int spins = kSpins) {
    morrow::TForm1& form = game.Window();
    const morrow::GameSession& s = game.Session();
    // The reel openings with the rows their bounce reaches, on the canvas,
    // in the widget's pixels at the game's zoom.
    const double zoom = form.Canvas().Zoom();
    const QRect reels = QRectF(QPointF(s.FieldLeft + 78, s.FieldTop + 68) * zoom, QSizeF(3 * 124, 294) * zoom)
                            .toAlignedRect();
    ReelPaints recorder(reels);
    form.Canvas().installEventFilter(&recorder);

    std::vector<double> errors;
    // The frames more than 1 ms off, and how much of that the GUI thread
    // spent runnable but waiting for a core.
    int late = 0;
    double lateBy = 0.0;
    double lateWaited = 0.0;
    std::printf("  spin  frames  first-last  +1 frame  key-last   CPU during spin  other paints\n");
    for (int spin = 1; spin <= spins; ++spin) {
        RunFor(1500);
        recorder.times.clear();
        recorder.cpu.clear();
        recorder.waited.clear();
        recorder.otherPaints = 0;
        recorder.recording = true;
        const double cpu0 = CpuMilliseconds();
        const Clock::time_point key = Clock::now();
        // M places the coins up to three and spins; the call returns once
        // the spin has been evaluated and paid.
        QKeyEvent press(QEvent::KeyPress, Qt::Key_M, Qt::NoModifier, QStringLiteral("m"));
        QCoreApplication::sendEvent(&form, &press);
        // The last frame of a losing spin is shown when the message loop
        // next runs.
        RunFor(100);
        recorder.recording = false;

        const std::size_t frames = std::min<std::size_t>(recorder.times.size(), kSpinFrames);
        if (frames < 2) {
            std::printf("  %4d  only %zu reel paints\n", spin, frames);
            continue;
        }
        const double span = Milliseconds(recorder.times[frames - 1] - recorder.times[0]);
        const double keyToLast = Milliseconds(recorder.times[frames - 1] - key);
        const double cpu = recorder.cpu[frames - 1] - cpu0;
        for (std::size_t i = 1; i < frames; ++i) {
            const double error = std::abs(Milliseconds(recorder.times[i] - recorder.times[i - 1]) - kFrameMs);
            errors.push_back(error);
            if (error > 1.0) {
                ++late;
                lateBy += error;
                lateWaited += recorder.waited[i] - recorder.waited[i - 1];
            }
        }
        std::printf("  %4d  %6zu  %8.1f ms %6.1f ms %6.1f ms  %6.1f ms = %4.1f %%  %d\n", spin,
                    recorder.times.size(), span, span + kFrameMs, keyToLast, cpu, 100.0 * cpu / keyToLast,
                    recorder.otherPaints);
    }
    form.Canvas().removeEventFilter(&recorder);
    if (errors.empty()) {
        return;
    }
    std::sort(errors.begin(), errors.end());
    const auto at = [&](double q) {
        return errors[std::min(errors.size() - 1,
                               static_cast<std::size_t>(q * static_cast<double>(errors.size())))];
    };
    std::printf(
        "  frame-interval error over %zu intervals: median %.2f ms, 99th percentile %.2f ms, max %.2f ms\n",
        errors.size(), at(0.5), at(0.99), errors.back());
    if (late > 0) {
        std::printf(
            "  %d intervals off by more than 1 ms, by %.2f ms on average; the GUI thread waited for a "
            "core %.2f ms of each on average\n",
            late, lateBy / late, lateWaited / late);
    }
    std::printf("  (ideal: %d frames, first-last %.0f ms, +1 frame = %d x %.0f ms = %.0f ms)\n", kSpinFrames,
                (kSpinFrames - 1) * kFrameMs, kSpinFrames, kFrameMs, kSpinFrames * kFrameMs);
}

// The whole window painted and sent to the display at once, as after it has
// been uncovered: wall and CPU time of each, median of 20.
void MeasureWholeRepaints(morrow::Game& game) {
    morrow::TForm1& form = game.Window();
    std::vector<double> wall;
    std::vector<double> cpu;
    for (int i = 0; i < 20; ++i) {
        RunFor(50);
        const double cpu0 = CpuMilliseconds();
        const Clock::time_point t0 = Clock::now();
        form.Canvas().repaint();
        wall.push_back(Milliseconds(Clock::now() - t0));
        cpu.push_back(CpuMilliseconds() - cpu0);
    }
    std::printf("  whole window repainted and sent: median %.2f ms, CPU %.2f ms\n", Median(wall),
                Median(cpu));
}

// Where the busy loops run. Started from elsewhere (a build in a terminal),
// another program is in a session of its own, and the scheduler shares the
// cores between sessions first (the kernel's autogroups; a desktop's
// per-application cgroups do the same). Started from the game's own shell,
// it is in the game's session, and the game's threads compete with it one by
// one.
enum class BusySession { Own, Shared };

// One busy loop per core, in processes of their own, ended by their pids.
class BusyCores {
public:
    BusyCores(int count, BusySession session) {
        for (int i = 0; i < count; ++i) {
            const pid_t child = ::fork();
            if (child == 0) {
                if (session == BusySession::Own) {
                    ::setsid();
                }
                volatile unsigned long n = 0;
                for (;;) {
                    n = n + 1;
                }
            }
            if (child > 0) {
                children_.push_back(child);
            }
        }
    }
    ~BusyCores() {
        for (const pid_t child : children_) {
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
        }
    }
    BusyCores(const BusyCores&) = delete;
    BusyCores& operator=(const BusyCores&) = delete;

private:
    std::vector<pid_t> children_;
};

// The moments the mixer finished a buffer, stamped on the audio thread.
struct MixStamps {
    static constexpr std::size_t kCapacity = 1 << 16;
    std::vector<Clock::time_point> at = std::vector<Clock::time_point>(kCapacity);
    std::atomic<std::size_t> count{0};

    static void PostMix(void* self, Uint8* /*stream*/, int /*length*/) {
        auto& stamps = *static_cast<MixStamps*>(self);
        const std::size_t i = stamps.count.load(std::memory_order_relaxed);
        if (i < kCapacity) {
            stamps.at[i] = Clock::now();
            stamps.count.store(i + 1, std::memory_order_release);
        }
    }
};

// The output captured by the disk driver (16-bit stereo): where the sound
// falls silent. A silence inside the music shorter than a quarter second is
// a dropout; longer ones are the pauses between pieces.
void ReportCapture(const std::string& file, int rate) {
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    const auto bytes = static_cast<std::size_t>(std::max<std::streamoff>(0, in.tellg()));
    in.seekg(0);
    std::vector<std::int16_t> samples(bytes / sizeof(std::int16_t));
    in.read(reinterpret_cast<char*>(samples.data()), static_cast<std::streamsize>(samples.size() * 2));
    const std::size_t frames = samples.size() / 2;
    const auto silent = [&](std::size_t f) { return samples[2 * f] == 0 && samples[2 * f + 1] == 0; };
    std::size_t first = 0;
    while (first < frames && silent(first)) {
        ++first;
    }
    std::size_t last = frames;
    while (last > first && silent(last - 1)) {
        --last;
    }
    constexpr std::size_t kShortestGap = 64; // frames, about 1.5 ms
    const auto quarterSecond = static_cast<std::size_t>(rate / 4);
    int dropouts = 0;
    int pauses = 0;
    std::size_t longestDropout = 0;
    for (std::size_t f = first; f < last;) {
        if (!silent(f)) {
            ++f;
            continue;
        }
        const std::size_t start = f;
        while (f < last && silent(f)) {
            ++f;
        }
        const std::size_t length = f - start;
        if (length < kShortestGap) {
            continue;
        }
        if (length < quarterSecond) {
            ++dropouts;
            longestDropout = std::max(longestDropout, length);
            std::printf("    dropout at %.3f s: %zu frames (%.1f ms)\n", static_cast<double>(start) / rate,
                        length, 1000.0 * static_cast<double>(length) / rate);
        } else {
            ++pauses;
        }
    }
    std::printf("  captured %.1f s of output, sound from %.2f s to %.2f s: %d dropouts (longest %.1f ms), "
                "%d pauses of a quarter second or more\n",
                static_cast<double>(frames) / rate, static_cast<double>(first) / rate,
                static_cast<double>(last) / rate, dropouts,
                1000.0 * static_cast<double>(longestDropout) / rate, pauses);
}

void ReportMixIntervals(const MixStamps& stamps, int rate, int bufferFrames) {
    const std::size_t count = stamps.count.load(std::memory_order_acquire);
    if (count < 3 || rate <= 0) {
        return;
    }
    std::vector<double> intervals;
    for (std::size_t i = 1; i < count; ++i) {
        intervals.push_back(Milliseconds(stamps.at[i] - stamps.at[i - 1]));
    }
    std::sort(intervals.begin(), intervals.end());
    std::printf(
        "  mixer buffers: %zu of %d frames (%.1f ms); interval median %.2f ms, 99th percentile %.2f ms, "
        "max %.2f ms\n",
        count, bufferFrames, 1000.0 * bufferFrames / rate, intervals[intervals.size() / 2],
        intervals[std::min(intervals.size() - 1, intervals.size() * 99 / 100)], intervals.back());
}

// Spins with sound and music as a player hears them, the output captured
// into `captureFile`.
void MeasureAsHeard(const QString& programDir, const std::string& captureFile, int spins) {
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", QByteArray::fromStdString(captureFile));
    AudioSet audio(Audio::SoundAndMusic);
    auto game = std::make_unique<morrow::Game>(audio.Collaborators(programDir));
    game->Window().show();
    audio.music->WaitUntilReady(std::chrono::seconds(10));
    int rate = 0;
    Uint16 format = 0;
    int channels = 0;
    Mix_QuerySpec(&rate, &format, &channels);
    MixStamps stamps;
    Mix_SetPostMix(&MixStamps::PostMix, &stamps);
    RunFor(2500); // the first piece starts
    MeasureSpins(*game, spins);
    RunFor(3000);
    Mix_SetPostMix(nullptr, nullptr);
    std::printf("  music piece %d, %s\n", game->Session().MusicTrack, audio.music->SoundFontInUse().c_str());
    game->Window().close();
    game.reset();
    ReportMixIntervals(stamps, rate, 512);
    if (format != AUDIO_S16SYS || channels != 2) {
        std::printf("  the output is not 16-bit stereo; the capture is not searched\n");
        return;
    }
    ReportCapture(captureFile, rate);
}

int RunBusy(const QString& programDir) {
    constexpr int kBusySpins = 20;
    QTemporaryDir captures;
    const long cores = std::max(1L, ::sysconf(_SC_NPROCESSORS_ONLN));
    std::printf("Quiet machine: %d spins with sound and music\n", kBusySpins);
    MeasureAsHeard(programDir, (captures.path() + QStringLiteral("/quiet.raw")).toStdString(), kBusySpins);
    for (const BusySession session : {BusySession::Own, BusySession::Shared}) {
        const BusyCores busy(static_cast<int>(cores), session);
        std::printf("Busy machine (%ld busy loops beside the game, %s): %d spins with sound and music\n",
                    cores,
                    session == BusySession::Own ? "each in a session of its own" : "in the game's session",
                    kBusySpins);
        MeasureAsHeard(programDir, (captures.path() + QStringLiteral("/busy.raw")).toStdString(), kBusySpins);
    }
    return 0;
}

// The least any Qt window can cost that shows what the idle game shows: a
// plain widget over a black picture the size of the screen, with a 150 x 150
// square moving every 70 ms (the bat), a 96 x 96 cell changing every 200 ms
// (the wild) and a 498 x 24 strip every 250 ms (the blood), each drawn into
// the picture and shown the way the game's canvas shows its changes.
class PlainAnimatedWindow final : public QWidget {
public:
    explicit PlainAnimatedWindow(QSize size) : picture_(size, QImage::Format_RGB32) {
        picture_.fill(Qt::black);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setFixedSize(size);
        const auto every = [this](int milliseconds, auto tick) {
            auto* timer = new QTimer(this);
            timer->setTimerType(Qt::PreciseTimer);
            QObject::connect(timer, &QTimer::timeout, this, tick);
            timer->start(milliseconds);
        };
        every(70, [this] { Change(QRect((x_ = (x_ + 6) % 600), 100, 150, 150)); });
        every(200, [this] { Change(QRect(326, 167, 96, 96)); });
        every(250, [this] { Change(QRect(0, 480, 498, 24)); });
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        for (const QRect& part : event->region()) {
            painter.drawImage(part.topLeft(), picture_, part);
        }
    }

private:
    void Change(const QRect& rect) {
        shade_ = (shade_ + 40) % 256;
        QPainter(&picture_).fillRect(rect, QColor(shade_, 0, 0));
        update(rect);
    }
    QImage picture_;
    int x_ = 0;
    int shade_ = 0;
};

void MeasurePlainIdle(QSize size) {
    PlainAnimatedWindow window(size);
    window.show();
    RunFor(1000);
    const double cpu0 = CpuMilliseconds();
    const Clock::time_point t0 = Clock::now();
    RunFor(kIdleSeconds * 1000);
    const double wall = Milliseconds(Clock::now() - t0);
    const double cpu = CpuMilliseconds() - cpu0;
    std::printf("  idle %-42s %7.1f ms CPU in %7.1f ms = %5.2f %% of a core\n",
                "plain window, the same changes", cpu, wall, 100.0 * cpu / wall);
}

// The idle window for each kind of audio, animations on and then off. With
// sound but no music the sound output is open and silent, as for a player
// who has no music files.
int MeasureIdleOnly(const QString& programDir) {
    std::printf("Idle, %d s each (process CPU time, every thread):\n", kIdleSeconds);
    MeasurePlainIdle(QGuiApplication::primaryScreen()->size() - QSize(10, 10));
    for (const Audio audio : {Audio::None, Audio::SoundOnly, Audio::SoundAndMusic}) {
        AudioSet set(audio);
        auto game = std::make_unique<morrow::Game>(set.Collaborators(programDir));
        game->Window().show();
        if (set.music) {
            set.music->WaitUntilReady(std::chrono::seconds(10));
            RunFor(2000);
        }
        const std::string what = Describe(audio);
        MeasureIdle(*game, (what + ", animations").c_str());
        Access::Animations(game->Window()).trigger();
        Access::Blood(game->Window()).trigger();
        MeasureIdle(*game, (what + ", no animations or blood").c_str());
        game->Window().close();
        game.reset();
    }
    const auto [rss, peak] = ResidentMiB();
    std::printf("  resident memory %.1f MiB (peak %.1f MiB)\n", rss, peak);
    return 0;
}

// Process CPU time over kIdleSeconds, as a share of a core.
double CpuShare() {
    const double cpu0 = CpuMilliseconds();
    const Clock::time_point t0 = Clock::now();
    RunFor(kIdleSeconds * 1000);
    return 100.0 * (CpuMilliseconds() - cpu0) / Milliseconds(Clock::now() - t0);
}

// The game minimised, with the sound output resting or kept open.
void MeasureMinimised(const QString& programDir, Audio audio, bool rest) {
    AudioSet set(audio);
    std::unique_ptr<morrow::AudioRest> resting;
    if (rest) {
        resting = std::make_unique<morrow::AudioRest>(
            *set.device, [&set] { return !set.player->IsPlaying() && (!set.music || set.music->Quiet()); });
    }
    auto game = std::make_unique<morrow::Game>(set.Collaborators(programDir));
    if (resting) {
        game->Visibility().WhenChanged([&resting](bool seen) { resting->SetSeen(seen); });
    }
    game->Window().show();
    if (set.music) {
        set.music->WaitUntilReady(std::chrono::seconds(10));
    }
    RunFor(3000); // the welcome has sounded, the first piece plays
    // Under a window manager the first window's request may be undone as the
    // manager takes the window in: asked again while the window is in sight.
    for (int i = 0; i < 6; ++i) {
        if (game->Visibility().Seen()) {
            game->Window().showMinimized();
        }
        RunFor(500);
    }
    RunFor(2000); // the output has had its look
    const bool exposed = game->Window().windowHandle()->isExposed();
    const double share = CpuShare();
    std::printf("  minimised %-22s output %-9s %5.3f %% of a core (window %s, output %s, piece %d)\n",
                Describe(audio), rest ? "may rest" : "kept open", share,
                exposed ? "still exposed" : "unexposed", set.device->Resting() ? "resting" : "open",
                game->Session().MusicTrack);
    game->Window().close();
    game.reset();
}

// The synthesiser alone on the sound output, playing the first piece, with
// no window.
void MeasureSynthesiserAlone(const QString& programDir) {
    morrow::AudioDevice device;
    morrow::FluidMusicSequencer music(device);
    music.WaitUntilReady(std::chrono::seconds(10));
    if (music.Open((programDir + QStringLiteral("/Morro0.mid")).toStdString()) || music.Play()) {
        std::printf("  the synthesiser could not play Morro0.mid\n");
        return;
    }
    RunFor(4000); // as far into the piece as the game is when measured
    std::printf("  the synthesiser alone, Morro0.mid, no window      %5.3f %% of a core\n", CpuShare());
    music.Close();
}

int MeasureMinimisedOnly(const QString& programDir) {
    std::printf("Minimised, %d s each (process CPU time, every thread):\n", kIdleSeconds);
    MeasureMinimised(programDir, Audio::SoundOnly, true);
    MeasureMinimised(programDir, Audio::SoundOnly, false);
    MeasureMinimised(programDir, Audio::SoundAndMusic, true);
    MeasureSynthesiserAlone(programDir);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    // Each figure shows as soon as it is measured, also through a pipe.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toLocal8Bit());
    qputenv("SDL_AUDIODRIVER", "dummy");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    // The frames travel to the display, and the GUI thread is scheduled, as
    // in the game.
    morrow::ApplyProcessSettings();
    // --shm: the frames go to the X server in shared memory, Qt's default,
    // for a comparison with the game's way.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--shm") == 0) {
            qunsetenv("QT_XCB_NO_MITSHM");
        }
    }
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (const qsizetype at = QApplication::arguments().indexOf(QStringLiteral("--idle-seconds"));
        at >= 0 && at + 1 < QApplication::arguments().size()) {
        kIdleSeconds = std::max(1, QApplication::arguments().at(at + 1).toInt());
    }
    morrow::ApplyApplicationTitle();
    CloseModalWindowsFromNowOn(&application);

    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen->size();
    std::printf("Platform %s, screen %d x %d, %d bits, %.0f dpi, %.2f device pixels per unit\n",
                qPrintable(QGuiApplication::platformName()), screenSize.width(), screenSize.height(),
                screen->depth(), screen->logicalDotsPerInch(), screen->devicePixelRatio());
    const QString programDir = QStringLiteral(MORROW_BENCH_PROGRAM_DIR);
    if (QCoreApplication::arguments().contains(QStringLiteral("--busy"))) {
        return RunBusy(programDir);
    }
    if (QCoreApplication::arguments().contains(QStringLiteral("--hidden"))) {
        return MeasureMinimisedOnly(programDir);
    }

    // First paint: an empty main window and the game's, in turns. The very
    // first window of the process pays Qt's one-time costs; it is an extra
    // empty one, left out of the figures.
    const QSize windowSize = screenSize - QSize(10, 10);
    EmptyWindowFirstPaint(windowSize);
    std::vector<double> empty;
    constexpr std::array<Audio, 3> kAudio{Audio::None, Audio::SoundOnly, Audio::SoundAndMusic};
    std::array<std::vector<double>, 3> gameMs;
    std::array<std::vector<double>, 3> construction;
    for (int round = 0; round < kFirstPaintRounds; ++round) {
        empty.push_back(EmptyWindowFirstPaint(windowSize));
        for (std::size_t a = 0; a < kAudio.size(); ++a) {
            double built = 0;
            gameMs[a].push_back(GameWindowFirstPaint(programDir, kAudio[a], built));
            construction[a].push_back(built);
        }
    }
    std::printf("First paint (median of %d, from opening the audio):\n", kFirstPaintRounds);
    std::printf("  empty QMainWindow %d x %d        %7.2f ms\n", windowSize.width(), windowSize.height(),
                Median(empty));
    for (std::size_t a = 0; a < kAudio.size(); ++a) {
        std::printf("  game window %-22s %7.2f ms (to the end of TForm1's constructor %.2f ms)  ratio %.2f\n",
                    Describe(kAudio[a]), Median(gameMs[a]), Median(construction[a]),
                    Median(gameMs[a]) / Median(empty));
    }
    {
        const auto [rss, peak] = ResidentMiB();
        std::printf("  resident memory after the first paints %.1f MiB (peak %.1f MiB)\n", rss, peak);
    }
    // `--first-paint`: these figures alone (compare QT_SCALE_FACTOR=1 and 2).
    if (QApplication::arguments().contains(QStringLiteral("--first-paint"))) {
        return 0;
    }
    // `--idle`: the idle figures alone, for every kind of audio, with the
    // animations on and off.
    if (QApplication::arguments().contains(QStringLiteral("--spins"))) {
        // The spins and whole repaints alone, at the zoom the game fits to
        // this screen.
        AudioSet silent(Audio::None);
        auto game = std::make_unique<morrow::Game>(silent.Collaborators(programDir));
        game->Window().show();
        RunFor(2000);
        std::printf("Zoom %.2f, %.2f device pixels per unit, frames %s:\n", game->Field().Screen().zoom,
                    game->Field().Image().devicePixelRatio(),
                    qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM") ? "over the connection"
                                                                  : "in shared memory");
        MeasureSpins(*game);
        MeasureWholeRepaints(*game);
        game->Window().close();
        return 0;
    }
    if (QApplication::arguments().contains(QStringLiteral("--idle"))) {
        return MeasureIdleOnly(programDir);
    }

    // The window alone: no audio, so the figures are the drawing's.
    AudioSet silent(Audio::None);
    auto game = std::make_unique<morrow::Game>(silent.Collaborators(programDir));
    game->Window().show();
    RunFor(1000);

    std::printf("Idle, %d s each:\n", kIdleSeconds);
    MeasureIdle(*game, "with blood and animations");
    Access::Blood(game->Window()).trigger();
    Access::Animations(game->Window()).trigger();
    MeasureIdle(*game, "with blood and animations off");
    Access::Blood(game->Window()).trigger();
    Access::Animations(game->Window()).trigger();

    std::printf("Spins (seed %u), paints of the reels:\n", kSeed);
    MeasureSpins(*game);
    MeasureWholeRepaints(*game);
    game->Window().close();
    game.reset();

    // The game as it runs for a player: sound and music on, the window idle
    // while the first piece plays.
    AudioSet audio(Audio::SoundAndMusic);
    game = std::make_unique<morrow::Game>(audio.Collaborators(programDir));
    game->Window().show();
    // The first piece is pending at the first tick (250 ms) and starts at
    // the next second's tick.
    audio.music->WaitUntilReady(std::chrono::seconds(10));
    RunFor(3000);
    std::printf("With music (%s), piece %d playing:\n", audio.music->SoundFontInUse().c_str(),
                game->Session().MusicTrack);
    MeasureIdle(*game, "with animations and music");
    Access::Animations(game->Window()).trigger();
    Access::Blood(game->Window()).trigger();
    MeasureIdle(*game, "with music alone");
    const auto [rss, peak] = ResidentMiB();
    std::printf("  resident memory of this process %.1f MiB (peak %.1f MiB)\n", rss, peak);
    game->Window().close();
    // The window goes before the audio it was handed.
    game.reset();
    return 0;
}
