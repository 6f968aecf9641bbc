// The game played in a real X window: the executable from the program
// directory on a virtual screen of its own, keys and clicks given with
// xdotool, and every check made on screenshots against the game's own
// pictures.

#include "ArtResources.h"
#include "ChildProcess.h"
#include "Reels.h"
#include "ScreenReader.h"
#include "VirtualScreen.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QLibraryInfo>

#include <sys/stat.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <thread>

namespace morrow::e2e {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

#if defined(__SANITIZE_ADDRESS__)
constexpr int kSlowdown = 3; // the game and this driver run under the sanitizers
#else
constexpr int kSlowdown = 1;
#endif

constexpr QRgb kBlack = 0x000000;
constexpr QRgb kWhite = 0xFFFFFF;
constexpr QRgb kGreen = 0x00FF00;
constexpr QRgb kGrey = 0x808080;
constexpr QRgb kYellow = 0xFFFF00;

// The play field's geometry, in its own coordinates.
constexpr int kReelLeft = 78;
constexpr int kReelPitch = 124;
constexpr int kReelTop = 71;
constexpr int kCell = 96;
constexpr int kPaylineY = 213;
constexpr int kPaylineInset = 72;
constexpr int kWildBandRows = 15;
constexpr std::array<int, 3> kNudgeCaptionX{125, 250, 375};
constexpr int kNudgeCaptionY = 47;
constexpr int kBloodWidth = 498;
constexpr int kBloodRows = 24;
constexpr int kBloodFrames = 5;
constexpr int kBatSize = 150;
constexpr int kBatFrames = 5;
constexpr int kBatInkInView = 1500;
// The game in play that the test leaves in the game's record file: credits
// and nudges that a new game would not have, so the counters prove the file
// was read, and nudges in stock for the nudge offer.
constexpr int kSavedCredits = 1234;
constexpr int kSavedNudges = 5;
constexpr int kMaxCoins = 3;
constexpr std::array<int, 3> kStartPositions{8, 9, 7};

// How long a reading must stay unchanged to count as settled: longer than
// a reel's bounce (8 frames of 25 ms) and the pause after a payout's count.
constexpr std::chrono::milliseconds kSettle{300};

// Centres of the drawn buttons (rows 365 to 395).
constexpr QPoint kBetOneButton{124, 380};
constexpr QPoint kBetMaxButton{249, 380};
constexpr QPoint kSpinButton{373, 380};

struct Screen {
    ScreenMode mode;
    const char* name;
    bool windowManager = false; // openbox manages the screen
    int scale = 1;              // device pixels per unit (QT_SCALE_FACTOR)
};

// The game's id on the desktop: its window class and Wayland app id.
constexpr char kDesktopId[] = "example.nexorail.MorrowmasSlots";

// Whether a program of this name is on the PATH.
bool OnPath(const std::string& tool) {
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        if (!dir.empty() && ::access((std::filesystem::path(dir) / tool).c_str(), X_OK) == 0) {
            return true;
        }
    }
    return false;
}

const std::array<Screen, 5> kScreens{{
    {{640, 480, 24}, "Small640x480x24"},
    {{800, 600, 24}, "Medium800x600x24"},
    {{1024, 768, 24}, "Large1024x768x24"},
    {{800, 600, 16}, "Medium800x600x16"},
    // 800 x 600 units at 2 device pixels each: the 2x pictures.
    {.mode = {1600, 1200, 24}, .name = "Medium1600x1200Scale2", .scale = 2},
}};

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
    int screenWidth = 0;
    int fieldWidth = 0;
    int fieldHeight = 0;
    bool small = false;
    bool large = false;
    QPoint field; // the field picture's top-left corner on the canvas
    QSize digit;
    CounterPlace credits;
    CounterPlace nudges;
    CounterPlace bet;

    static Layout For(const ScreenMode& mode, QSize fieldSize) {
        Layout l;
        l.screenWidth = mode.width;
        l.fieldWidth = fieldSize.width();
        l.fieldHeight = fieldSize.height();
        l.small = mode.width < 700;
        l.large = mode.width >= 1000;
        const int w = l.fieldWidth;
        if (l.small) {
            l.field = {0, -20};
            l.digit = {16, 21};
            const int right = mode.width - 30;
            l.credits = {{right, 70}, Anchor::RightEdge, false};
            l.nudges = {{right, 145}, Anchor::RightEdge, true};
            l.bet = {{right, 220}, Anchor::RightEdge, false};
            return l;
        }
        l.field = {(mode.width - w) / 2, l.large ? 100 : 40};
        l.digit = l.large ? QSize(32, 42) : QSize(16, 21);
        const int y = l.field.y() + (l.large ? -45 : -25);
        l.credits = {{l.field.x() + w, y}, Anchor::RightEdge, true};
        l.nudges = {{l.field.x(), y}, Anchor::LeftEdge, true};
        l.bet = {{l.field.x() + w / 2 - l.digit.width() / 2, y}, Anchor::LeftEdge, false};
        return l;
    }
};

// What one screenshot shows of a reel at rest.
struct ReelView {
    std::array<int, 3> tiles{}; // tiles seen top to bottom
    bool wildBand = false;      // the white band under reel 3's payline cell
    std::vector<int> positions; // strip positions whose symbols the cells show
};

struct Reading {
    std::array<std::optional<ReelView>, 3> reels;
    std::optional<long long> credits;
    std::optional<long long> nudges;
    std::optional<long long> bet;

    bool AtRest() const { return reels[0] && reels[1] && reels[2]; }
    int Payline(int reel) const {
        const int tile = reels[static_cast<std::size_t>(reel)]->tiles[1];
        return tile > kWildSymbol ? kWildSymbol : tile;
    }
};

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

QImage LoadPicture(const std::filesystem::path& file) {
    const QImage picture(QString::fromStdString(file.string()));
    return picture.isNull() ? picture : picture.convertToFormat(QImage::Format_RGB32);
}

std::string ReadText(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class GameWindowTest : public ::testing::TestWithParam<Screen> {
protected:
    void SetUp() override {
        const char* programDir = std::getenv("MORROW_PROGRAM_DIR");
        ASSERT_NE(programDir, nullptr) << "MORROW_PROGRAM_DIR names no program directory";
        program_ = programDir;
        if (const char* shots = std::getenv("MORROW_E2E_SHOTS")) {
            // One folder per test and screen, such as Small640x480x24-PlaysWithKeysAndClicks.
            const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
            shots_ = std::filesystem::path(shots) /
                     (std::string(GetParam().name) + "-" + test.substr(0, test.find('/')));
            std::filesystem::remove_all(shots_);
            std::filesystem::create_directories(shots_);
        }
        mode_ = GetParam().mode;
        scale_ = GetParam().scale;
        matcher_ = PixelMatcher(mode_.depth);
        const auto sharp = [this](const char* name) {
            std::string file = name;
            if (scale_ > 1) {
                file.insert(file.rfind('.'), "@2x");
            }
            return file;
        };

        // Both colour depths tried here have 16 bits or more: the field and
        // its spinning strip come from the high-colour pictures; at a scale
        // of 2 their 2x pictures.
        fieldPicture_ = LoadPicture(program_ / sharp(art::kPlayFieldFile));
        symbols_ = LoadPicture(program_ / sharp(art::kSymbolsFile));
        bat_ = LoadPicture(program_ / art::kBatFile);
        blood_ = LoadPicture(program_ / art::kBloodFile);
        ASSERT_FALSE(fieldPicture_.isNull() || symbols_.isNull() || bat_.isNull() || blood_.isNull())
            << "the game's pictures are missing from " << program_;
        ASSERT_TRUE(art::Available()) << "the embedded digit strips are not linked in";
        const bool largeDigits = mode_.width / scale_ >= 1000;
        redDigits_ =
            QImage(QString::fromStdString(sharp(largeDigits ? art::kDigitsLarge : art::kDigitsSmall)))
                .convertToFormat(QImage::Format_RGB32);
        greenDigits_ =
            QImage(QString::fromStdString(sharp(largeDigits ? art::kGreenLarge : art::kGreenSmall)))
                .convertToFormat(QImage::Format_RGB32);
        // The layout follows the screen's size in units.
        const ScreenMode units{mode_.width / scale_, mode_.height / scale_, mode_.depth};
        layout_ = Layout::For(units, fieldPicture_.size() / scale_);

        std::string error;
        screen_ = VirtualScreen::Start(mode_, temp_.Path(), error);
        ASSERT_TRUE(screen_) << error;
        if (GetParam().windowManager) {
            ASSERT_NO_FATAL_FAILURE(StartWindowManager());
        }

        // The game gets a home of its own: no file of the player's is read
        // or written.
        const std::filesystem::path home = temp_.Path() / "home";
        const std::filesystem::path runtime = temp_.Path() / "runtime";
        const std::filesystem::path config = home / ".config" / "morrowmas-slots";
        std::filesystem::create_directories(config);
        std::ofstream(config / "Morrow.ini")
            << "[CurrentGame]\nGameName=CurrentGame\nCredits=" << kSavedCredits
            << "\nBorrowed=1000\nNudges=" << kSavedNudges << "\n";
        std::filesystem::create_directories(runtime);
        chmod(runtime.c_str(), 0700);
        Environment env = screen_->ClientEnvironment();
        env["QT_QPA_PLATFORM"] = "xcb";
        env["HOME"] = home.string();
        env["XDG_CONFIG_HOME"] = (home / ".config").string();
        env["XDG_RUNTIME_DIR"] = runtime.string();
        env["SDL_AUDIODRIVER"] = "dummy";
        if (scale_ > 1) {
            env["QT_SCALE_FACTOR"] = std::to_string(scale_);
        }
        env_ = std::move(env);
        configFile_ = config / "Morrow.ini";
        gameLog_ = temp_.Path() / "game.log";
        ASSERT_NO_FATAL_FAILURE(StartGame());
    }

    // openbox on the screen, with its own settings folder; ready once it
    // names itself on the root window.
    void StartWindowManager() {
        if (!OnPath("openbox") || !OnPath("xprop")) {
            GTEST_SKIP() << "openbox or xprop is not installed (packages openbox, x11-utils)";
        }
        Environment env = screen_->ClientEnvironment();
        env["HOME"] = (temp_.Path() / "wm-home").string();
        std::string error;
        std::optional<ChildProcess> wm =
            ChildProcess::Start({"openbox", "--sm-disable"}, env, temp_.Path() / "openbox.log", error);
        ASSERT_TRUE(wm) << error;
        windowManager_ = std::move(*wm);
        const auto deadline = Clock::now() + 10s * kSlowdown;
        while (screen_->Property("", "_NET_SUPPORTING_WM_CHECK").find("window id") == std::string::npos) {
            ASSERT_TRUE(windowManager_.Running()) << "openbox ended:\n"
                                                  << ReadText(temp_.Path() / "openbox.log");
            ASSERT_LT(Clock::now(), deadline) << "openbox never took the screen";
            std::this_thread::sleep_for(50ms);
        }
    }

    bool Maximised() const {
        const std::string state = screen_->Property(window_, "_NET_WM_STATE");
        return state.find("_NET_WM_STATE_MAXIMIZED_VERT") != std::string::npos &&
               state.find("_NET_WM_STATE_MAXIMIZED_HORZ") != std::string::npos;
    }

    // Starts the game and waits until its window shows the play field.
    void StartGame() {
        std::string error;
        window_.clear();
        std::optional<ChildProcess> game =
            ChildProcess::Start({(program_ / "morrowmas-slots").string()}, env_, gameLog_, error);
        ASSERT_TRUE(game) << error;
        game_ = std::move(*game);

        // The main window, as it first shows.
        window_ = screen_->WaitForWindow("^Morrowmas Slots", game_, 20s * kSlowdown);
        ASSERT_TRUE(game_.Running()) << "the game ended at start:\n" << ReadText(gameLog_);
        ASSERT_FALSE(window_.empty()) << "no window named \"Morrowmas Slots\" appeared";
        // A window manager maximises the window as it maps it; its place is
        // read once that has settled.
        const auto settled = Clock::now() + 5s * kSlowdown;
        while (GetParam().windowManager && !Maximised() && Clock::now() < settled) {
            std::this_thread::sleep_for(100ms);
        }
        const std::optional<QRect> geometry = screen_->WindowGeometry(window_);
        ASSERT_TRUE(geometry) << "xdotool gave no geometry for the window";
        windowRect_ = *geometry;
        if (GetParam().windowManager) {
            // xdotool counts the frame's offset twice for a framed window;
            // xwininfo gives its place on the screen.
            const CommandResult info =
                RunCommand({"xwininfo", "-id", window_}, screen_->ClientEnvironment(), 10s);
            const std::size_t x = info.output.find("Absolute upper-left X:");
            const std::size_t y = info.output.find("Absolute upper-left Y:");
            ASSERT_TRUE(x != std::string::npos && y != std::string::npos) << info.output;
            windowRect_.moveTopLeft(
                QPoint(std::stoi(info.output.substr(x + 22)), std::stoi(info.output.substr(y + 22))));
        }
        ASSERT_NO_FATAL_FAILURE(WaitForFirstPaint());
    }

    void TearDown() override {
        if (HasFailure() || IsSkipped()) {
            std::cout << "Game output:\n" << ReadText(gameLog_) << "\nLast readings:\n";
            // From the last two commands on, repeats left out.
            std::size_t from = history_.size();
            for (int commands = 0; from > 0 && commands < 2;) {
                if (history_[--from].rfind("--", 0) == 0) {
                    ++commands;
                }
            }
            for (std::size_t i = from; i < history_.size(); ++i) {
                const std::string& line = history_[i];
                const std::string what = line.substr(line.find(':') + 1);
                if (i == from || i + 1 == history_.size() ||
                    what != history_[i - 1].substr(history_[i - 1].find(':') + 1)) {
                    std::cout << "  " << line << '\n';
                }
            }
            if (!lastPoll_.isNull()) {
                Keep(lastPoll_, HasFailure() ? "failure" : "skipped");
                // What the window did next, for the post-mortem.
                for (int i = 1; i <= 6 && screen_; ++i) {
                    std::this_thread::sleep_for(500ms);
                    const QImage later = Poll();
                    std::cout << "  " << i * 500 << " ms later: " << Describe(Read(later)) << " (windows:";
                    for (const std::string& w : screen_->WindowsOfProcess(game_.Pid())) {
                        std::cout << " \"" << screen_->WindowName(w) << "\"";
                    }
                    std::cout << ")\n";
                    Keep(later, "failure-later-" + std::to_string(i));
                }
            }
        }
        // Ours alone, by pid: the game first, then its X server. The game
        // saves and says goodbye on SIGTERM; no need to hear it out here.
        game_.Stop(500ms);
        windowManager_.Stop(500ms);
        screen_.reset();
    }

    // Canvas (client area below the menu bar, in units) to screen coordinates.
    QPoint OnScreen(QPoint canvas) const { return canvas * scale_ + canvas_.topLeft(); }
    // Play-field offsets to screen coordinates.
    QPoint FieldOnScreen(QPoint field) const { return OnScreen(layout_.field + field); }
    // Play-field offsets to window coordinates, as xdotool takes them.
    QPoint FieldInWindow(QPoint field) const { return FieldOnScreen(field) - windowRect_.topLeft(); }

    QImage Poll() {
        lastPoll_ = screen_->Shot(temp_.Path() / "poll.png");
        return lastPoll_;
    }
    void Keep(const QImage& shot, const std::string& name) const {
        if (!shots_.empty()) {
            shot.save(QString::fromStdString((shots_ / (name + ".png")).string()));
        }
    }

    // The canvas starts where the menu bar ends: the first rows that are
    // black across a stretch that nothing on the canvas covers at start
    // (right of the small field, left of the centred one).
    std::optional<int> FindCanvasTop(const QImage& shot) const {
        const int left = windowRect_.left() + (layout_.small ? 505 : 10) * scale_;
        const int width = (layout_.small ? 95 : 110) * scale_;
        for (int y = windowRect_.top(); y < windowRect_.top() + 80; ++y) {
            if (AllBlack(shot, QRect(left, y, width, 5))) {
                return y;
            }
        }
        return std::nullopt;
    }

    // Points of the field picture that the game paints over (reels with
    // the rows their bounce reaches, payline, "Nudge" captions, blood).
    bool DrawnOver(QPoint p) const {
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

    int FieldMismatches(const QImage& shot) const {
        const Placement field{&fieldPicture_, fieldPicture_.rect(), FieldOnScreen({0, 0}), canvas_,
                              [this](QPoint p) { return DrawnOver(QPoint(p.x() / scale_, p.y() / scale_)); }};
        return Mismatches(shot, field, matcher_);
    }

    void WaitForFirstPaint() {
        const auto deadline = Clock::now() + 20s * kSlowdown;
        std::string last = "no screenshot";
        while (Clock::now() < deadline) {
            const QImage shot = Poll();
            ASSERT_FALSE(shot.isNull()) << "import took no screenshot";
            const std::optional<int> top = FindCanvasTop(shot);
            if (top) {
                canvas_ =
                    QRect(windowRect_.left(), *top, windowRect_.width(), windowRect_.bottom() + 1 - *top);
                const int mismatches = FieldMismatches(shot);
                if (mismatches == 0) {
                    first_ = shot;
                    Keep(shot, "01-start");
                    return;
                }
                last =
                    std::to_string(mismatches) + " pixels of the field picture differ at its expected place";
            } else {
                last = "no black canvas below the menu bar";
            }
            std::this_thread::sleep_for(100ms);
        }
        FAIL() << "the play field never showed as expected: " << last;
    }

    std::optional<ReelView> ReadReel(const QImage& shot, int reel) const {
        ReelView view;
        const int left = kReelLeft + kReelPitch * reel;
        for (int row = 0; row < 3; ++row) {
            const QPoint at = FieldOnScreen({left, kReelTop + kCell * row});
            // The payline crosses the middle row.
            const auto payline = [row, s = scale_](int y) {
                return row == 1 && y / s == kPaylineY - kReelTop - kCell;
            };
            std::optional<int> tile = MatchTile(shot, at, symbols_, matcher_, payline);
            if (!tile && reel == 2 && row == 2) {
                // Under an animated wild the band covers this cell's top rows.
                view.wildBand = AllWhite(shot, QRect(at, QSize(kCell, kWildBandRows) * scale_));
                if (view.wildBand) {
                    tile = MatchTile(shot, at, symbols_, matcher_,
                                     [s = scale_](int y) { return y < kWildBandRows * s; });
                }
            }
            if (!tile) {
                return std::nullopt;
            }
            view.tiles[static_cast<std::size_t>(row)] = *tile;
        }
        // Tiles 10 and 11 are the wild's other frames, shown only in reel
        // 3's payline cell; the band goes with them.
        for (int row = 0; row < 3; ++row) {
            const int tile = view.tiles[static_cast<std::size_t>(row)];
            if (tile > kWildSymbol && !(reel == 2 && row == 1)) {
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
                const int tile = view.tiles[static_cast<std::size_t>(row)];
                fits = fits && symbol == (tile > kWildSymbol ? kWildSymbol : tile);
            }
            if (fits) {
                view.positions.push_back(p);
            }
        }
        return view;
    }

    // Pixels of a placed picture that are not black and stand in view.
    int InkInView(const Placement& placement) const {
        int ink = 0;
        for (int y = 0; y < placement.from.height(); ++y) {
            for (int x = 0; x < placement.from.width(); ++x) {
                const QPoint source = placement.from.topLeft() + QPoint(x, y);
                if (placement.visible.contains(placement.at + QPoint(x, y)) &&
                    (placement.picture->pixel(source) & 0xFFFFFFu) != 0) {
                    ++ink;
                }
            }
        }
        return ink;
    }

    bool AllWhite(const QImage& shot, const QRect& area) const {
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                if (!shot.valid(x, y) || !matcher_.Same(shot.pixel(x, y), kWhite)) {
                    return false;
                }
            }
        }
        return true;
    }

    std::optional<long long> ReadCounterAt(const QImage& shot, const CounterPlace& place) const {
        return ReadCounter(shot, OnScreen(place.at), place.anchor, place.green ? greenDigits_ : redDigits_,
                           layout_.digit * scale_, matcher_);
    }

    Reading Read(const QImage& shot) const {
        Reading r;
        for (int reel = 0; reel < 3; ++reel) {
            r.reels[static_cast<std::size_t>(reel)] = ReadReel(shot, reel);
        }
        r.credits = ReadCounterAt(shot, layout_.credits);
        r.nudges = ReadCounterAt(shot, layout_.nudges);
        r.bet = ReadCounterAt(shot, layout_.bet);
        return r;
    }

    bool PaylineIsGreen(const QImage& shot) const {
        for (int x = kPaylineInset; x < layout_.fieldWidth - kPaylineInset; ++x) {
            const QPoint p = FieldOnScreen({x, kPaylineY});
            if (!shot.valid(p) || !matcher_.Same(shot.pixel(p), kGreen)) {
                return false;
            }
        }
        return true;
    }

    // Pixels of the given colour that the three "Nudge" captions add to the
    // field picture, per caption.
    std::array<int, 3> CaptionPixels(const QImage& shot, QRgb colour) const {
        std::array<int, 3> counts{};
        for (std::size_t k = 0; k < 3; ++k) {
            const QRect box(FieldOnScreen({kNudgeCaptionX[k] - 45, 33}), QSize(90, 29));
            counts[k] = CountDrawnColour(shot, box, colour, fieldPicture_, FieldOnScreen({0, 0}), matcher_);
        }
        return counts;
    }

    // Polls until `done` accepts the readings, unchanged, for `hold`: a
    // bouncing reel passes through its resting place, and the counters
    // reach their last value a moment before the game takes input again.
    // Returns whether it did, and the last reading either way.
    template <typename Done>
    std::pair<bool, Reading> WaitFor(Done done, std::chrono::milliseconds timeout,
                                     std::chrono::milliseconds hold = 0ms) {
        const auto deadline = Clock::now() + timeout * kSlowdown;
        Reading r;
        std::optional<std::pair<Clock::time_point, std::string>> since;
        do {
            const QImage shot = Poll();
            if (shot.isNull()) {
                continue;
            }
            const Clock::time_point at = Clock::now();
            r = Read(shot);
            Note(r);
            if (!done(r)) {
                since.reset();
                continue;
            }
            const std::string key = Key(r);
            if (!since || since->second != key) {
                since.emplace(at, key);
            }
            if (at - since->first >= hold) {
                return {true, r};
            }
        } while (Clock::now() < deadline);
        return {false, r};
    }

    // A reading with the wild's animation frames taken as the wild.
    static std::string Key(const Reading& r) {
        Reading still = r;
        for (auto& reel : still.reels) {
            if (reel) {
                for (int& tile : reel->tiles) {
                    tile = std::min(tile, static_cast<int>(kWildSymbol));
                }
                reel->wildBand = false;
            }
        }
        return Describe(still);
    }

    // The recent readings, printed when a test fails.
    void Note(const Reading& r) {
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - started_).count();
        history_.push_back(std::to_string(static_cast<long long>(ms)) + " ms: " + Describe(r));
        if (history_.size() > 400) {
            history_.erase(history_.begin());
        }
    }

    // What the counters should come to after the spin.
    struct SpinOutcome {
        long long credits = 0;
        long long nudges = 0;
    };

    // Bet Max by key on the saved game, until the reels are at rest: what the
    // payline says the counters come to. Skips the test when the spin opens
    // the bonus game, which these tests do not play.
    void SpinByMaxBet(SpinOutcome& outcome) {
        ASSERT_TRUE(screen_->MoveMouse(window_, FieldInWindow({250, 250})));
        history_.push_back("-- M (three coins and spin)");
        ASSERT_TRUE(screen_->Key("m"));
        auto [started, moving] = WaitFor([](const Reading& r) { return !r.AtRest(); }, 5s);
        ASSERT_TRUE(started) << "M started no spin: " << Describe(moving);
        auto [stopped, rest] = WaitFor([](const Reading& r) { return r.AtRest(); }, 10s, kSettle);
        if (!stopped && !OtherWindow().empty()) {
            GTEST_SKIP() << "window \"" << OtherWindow() << "\" opened over the field (the bonus game)";
        }
        ASSERT_TRUE(stopped) << "the reels never came to rest: " << Describe(rest);
        const LineResult line = EvaluateLine(rest.Payline(0), rest.Payline(1), rest.Payline(2));
        if (line.kind == LineKind::Bonus) {
            GTEST_SKIP() << "the spin opened the bonus game, which this test does not play";
        }
        const long long won = line.kind == LineKind::Triple      ? line.payPerCoin * kMaxCoins
                              : line.kind == LineKind::StakeBack ? kMaxCoins
                                                                 : 0;
        outcome.credits = kSavedCredits - kMaxCoins + won;
        outcome.nudges = kSavedNudges + (line.wildNudge ? 1 : 0);
    }

    // Another window of the game has come up over the field.
    std::string OtherWindow() const {
        for (const std::string& w : screen_->WindowsOfProcess(game_.Pid())) {
            if (w != window_) {
                return screen_->WindowName(w);
            }
        }
        return {};
    }

    std::filesystem::path program_;
    std::filesystem::path shots_;
    TemporaryDirectory temp_;
    ScreenMode mode_;
    int scale_ = 1;
    PixelMatcher matcher_{24};
    QImage fieldPicture_, symbols_, bat_, blood_, redDigits_, greenDigits_;
    Layout layout_;
    std::unique_ptr<VirtualScreen> screen_;
    ChildProcess windowManager_;
    ChildProcess game_;
    std::filesystem::path gameLog_;
    std::filesystem::path configFile_;
    Environment env_;
    std::string window_;
    QRect windowRect_;
    QRect canvas_;
    QImage first_;
    QImage lastPoll_;
    Clock::time_point started_ = Clock::now();
    std::vector<std::string> history_;
};

// The window's size and place, the field picture at its layout's origin,
// the reels at their start positions, the payline, the counters of the
// saved game, grey "Nudge" captions, the animated wild, and the decorations: the
// bat and the blood from 700 pixels up, nothing in the small layout.
TEST_P(GameWindowTest, ShowsTheFieldAtStart) {
    const int w = mode_.width;
    const int h = mode_.height;
    EXPECT_EQ(windowRect_.size(), QSize(w - 10, h - 10)) << "the window leaves 10 pixels of the screen free";
    EXPECT_EQ(windowRect_.topLeft(), QPoint(5, layout_.small ? 0 : 5))
        << "the window stands centred across, at the top on small screens";
    const int menuBar = canvas_.top() - windowRect_.top();
    EXPECT_TRUE(menuBar >= 10 && menuBar <= 60) << "menu bar of " << menuBar << " rows";

    const Reading start = Read(first_);
    for (int reel = 0; reel < 3; ++reel) {
        const auto& view = start.reels[static_cast<std::size_t>(reel)];
        ASSERT_TRUE(view) << "reel " << reel + 1 << " shows no symbol tiles at start";
        const int at = kStartPositions[static_cast<std::size_t>(reel)];
        EXPECT_NE(std::find(view->positions.begin(), view->positions.end(), at), view->positions.end())
            << "reel " << reel + 1 << " does not show strip positions " << at << " to " << at + 2 << ": "
            << Describe(start);
    }
    EXPECT_EQ(start.Payline(2), kWildSymbol) << "reel 3 starts with the wild on the payline";
    EXPECT_TRUE(PaylineIsGreen(first_)) << "the payline is not a green line across the field";
    EXPECT_EQ(start.credits, kSavedCredits) << Describe(start);
    EXPECT_EQ(start.nudges, kSavedNudges) << Describe(start);
    EXPECT_EQ(start.bet, 0) << Describe(start);
    for (const int grey : CaptionPixels(first_, kGrey)) {
        EXPECT_GE(grey, 20) << "a \"Nudge\" caption is not written in grey";
    }
    for (const int yellow : CaptionPixels(first_, kYellow)) {
        EXPECT_EQ(yellow, 0) << "a \"Nudge\" caption is lit with no nudge offered";
    }

    // A few seconds of the idle window: the wild steps through its frames,
    // the bat descends the right margin and the blood drips.
    const int fieldRight = layout_.field.x() + layout_.fieldWidth;
    const int batX = fieldRight + (w - fieldRight - kBatSize) / 2;
    std::set<int> wildTiles;
    bool band = false;
    std::vector<int> batYs;
    bool bloodSeen = false;
    const auto deadline = Clock::now() + 4s * kSlowdown;
    int shotNumber = 0;
    while (Clock::now() < deadline) {
        const QImage shot = Poll();
        ASSERT_FALSE(shot.isNull());
        const Reading r = Read(shot);
        if (r.reels[2]) {
            wildTiles.insert(r.reels[2]->tiles[1]);
            band = band || r.reels[2]->wildBand;
        }
        ++shotNumber;
        if (layout_.small) {
            // Nothing but the field and the column of counters and captions.
            const QRect belowField(OnScreen({0, layout_.field.y() + layout_.fieldHeight}),
                                   QPoint(canvas_.right(), canvas_.bottom()));
            const QRect rightTop(OnScreen({layout_.fieldWidth, 0}), OnScreen({canvas_.width() - 1, 45}));
            const QRect rightBottom(OnScreen({layout_.fieldWidth, 250}),
                                    QPoint(canvas_.right(), canvas_.bottom()));
            const QRect rightGap(OnScreen({layout_.fieldWidth, 0}), OnScreen({w - 121, 250}));
            ASSERT_TRUE(AllBlack(shot, belowField) && AllBlack(shot, rightTop) &&
                        AllBlack(shot, rightBottom) && AllBlack(shot, rightGap))
                << "something is drawn outside the field and its counters on a small screen";
            if (shotNumber >= 8 && wildTiles.size() >= 2 && band) {
                break;
            }
            continue;
        }
        for (int row = 0; row < kBloodFrames && !bloodSeen; ++row) {
            const Placement strip{&blood_, QRect(0, kBloodRows * row, kBloodWidth, kBloodRows),
                                  FieldOnScreen({0, layout_.fieldHeight - 4}), canvas_};
            bloodSeen = Mismatches(shot, strip, matcher_, 1) == 0;
        }
        // The bat, with enough of its body in view to tell it from the
        // black around it.
        for (int y = -kBatSize; y < h; ++y) {
            bool found = false;
            for (int frame = 0; frame < kBatFrames && !found; ++frame) {
                const Placement sprite{&bat_, QRect(kBatSize * frame, 0, kBatSize, kBatSize),
                                       OnScreen({batX, y}), canvas_};
                found = Mismatches(shot, sprite, matcher_, 1) == 0 && InkInView(sprite) >= kBatInkInView;
            }
            if (found) {
                if (batYs.empty() || batYs.back() != y) {
                    Keep(shot, "02-bat-" + std::to_string(batYs.size() + 1));
                }
                batYs.push_back(y);
                break;
            }
        }
        if (bloodSeen && band && std::set<int>(batYs.begin(), batYs.end()).size() >= 2 &&
            wildTiles.size() >= 2) {
            break;
        }
    }
    EXPECT_GE(wildTiles.size(), 2u) << "the wild on reel 3's payline does not change its frame";
    EXPECT_TRUE(band) << "no white band under the animated wild";
    for (const int tile : wildTiles) {
        EXPECT_GE(tile, kWildSymbol) << "reel 3's payline cell showed tile " << tile
                                     << " instead of the wild";
    }
    if (layout_.small) {
        return;
    }
    EXPECT_TRUE(bloodSeen) << "no row of the blood strip under the field";
    ASSERT_GE(batYs.size(), 2u) << "the bat was not seen twice in the margin right of the field (x = " << batX
                                << ")";
    EXPECT_GT(batYs.back(), batYs.front()) << "the bat does not descend";
    EXPECT_EQ((batYs.back() - batYs.front()) % 5, 0) << "the bat moves in steps of 5 pixels";
}

// Bets and spins from the keys and the drawn buttons: every counter shows
// what the payline paid, the reels stop on three neighbouring strip
// positions, and after a losing spin the "Nudge" captions flash.
TEST_P(GameWindowTest, PlaysWithKeysAndClicks) {
    ASSERT_TRUE(screen_->MoveMouse(window_, FieldInWindow({250, 250})));

    // Single coins: one from the B key, one from the Bet One button.
    ASSERT_TRUE(screen_->Key("b"));
    auto [oneCoin, afterB] =
        WaitFor([](const Reading& r) { return r.bet == 1 && r.credits == kSavedCredits - 1; }, 5s);
    ASSERT_TRUE(oneCoin) << "B placed no coin: " << Describe(afterB);
    ASSERT_TRUE(screen_->Click(window_, FieldInWindow(kBetOneButton)));
    auto [twoCoins, afterClick] =
        WaitFor([](const Reading& r) { return r.bet == 2 && r.credits == kSavedCredits - 2; }, 5s);
    ASSERT_TRUE(twoCoins) << "the Bet One button placed no coin: " << Describe(afterClick);
    Keep(lastPoll_, "03-two-coins");

    long long credits = kSavedCredits - 2;
    long long nudges = kSavedNudges;
    bool flashed = false;
    struct Trigger {
        const char* what;
        const char* key;
        QPoint button;
        int coins; // taken from the credits for this spin
    };
    std::vector<Trigger> triggers{
        {"M (third coin)", "m", {}, 1},
        {"the Spin button", nullptr, kSpinButton, kMaxCoins},
        {"Enter", "Return", {}, kMaxCoins},
        {"Space", "space", {}, kMaxCoins},
        {"the Bet Max button", nullptr, kBetMaxButton, kMaxCoins},
    };
    // More spins only if none of these lost.
    for (int extra = 0; extra < 6; ++extra) {
        triggers.push_back({"Space", "space", {}, kMaxCoins});
    }

    for (std::size_t spin = 0; spin < triggers.size(); ++spin) {
        const Trigger& t = triggers[spin];
        if (spin >= 5 && flashed) {
            break;
        }
        history_.push_back(std::string("-- ") + t.what);
        ASSERT_TRUE(t.key ? screen_->Key(t.key) : screen_->Click(window_, FieldInWindow(t.button)));
        auto [started, moving] = WaitFor([](const Reading& r) { return !r.AtRest(); }, 5s);
        ASSERT_TRUE(started) << t.what << " started no spin: " << Describe(moving)
                             << (OtherWindow().empty() ? "" : "; window \"" + OtherWindow() + "\" is open");
        auto [stopped, rest] = WaitFor([](const Reading& r) { return r.AtRest(); }, 10s, kSettle);
        if (!stopped && !OtherWindow().empty()) {
            GTEST_SKIP() << "window \"" << OtherWindow() << "\" opened over the field (the bonus game)";
        }
        ASSERT_TRUE(stopped) << "after " << t.what
                             << " the reels never came to rest on symbol tiles: " << Describe(rest);
        for (int reel = 0; reel < 3; ++reel) {
            EXPECT_FALSE(rest.reels[static_cast<std::size_t>(reel)]->positions.empty())
                << "reel " << reel + 1
                << " stopped on symbols that do not follow each other on its strip: " << Describe(rest);
        }
        const LineResult line = EvaluateLine(rest.Payline(0), rest.Payline(1), rest.Payline(2));
        if (line.kind == LineKind::Bonus) {
            GTEST_SKIP() << "the spin opened the bonus game, which this test does not play";
        }
        const int coins = kMaxCoins;
        const long long won = line.kind == LineKind::Triple      ? line.payPerCoin * coins
                              : line.kind == LineKind::StakeBack ? coins
                                                                 : 0;
        const long long expectedCredits = credits - t.coins + won;
        const long long expectedNudges = nudges + (line.wildNudge ? 1 : 0);
        auto [paid, after] = WaitFor(
            [&](const Reading& r) {
                return r.AtRest() && r.credits == expectedCredits && r.nudges == expectedNudges;
            },
            15s, kSettle);
        const std::string name = "04-spin-" + std::to_string(spin + 1);
        Keep(lastPoll_, name);
        ASSERT_TRUE(paid) << "after " << t.what << " the counters should show credits " << expectedCredits
                          << " and nudges " << expectedNudges << ": " << Describe(after);
        EXPECT_EQ(FieldMismatches(lastPoll_), 0)
            << "the spin left marks on the field picture (" << name << ")";
        EXPECT_TRUE(PaylineIsGreen(lastPoll_)) << "the payline is gone after " << t.what;
        credits = expectedCredits;
        nudges = expectedNudges;

        if (line.kind != LineKind::Lose || nudges <= 0 || flashed) {
            continue;
        }
        // A nudge is offered: the captions go yellow and grey in turn.
        bool lit = false;
        bool unlit = false;
        const auto deadline = Clock::now() + 4s * kSlowdown;
        while (!(lit && unlit) && Clock::now() < deadline) {
            const QImage shot = Poll();
            const std::array<int, 3> yellow = CaptionPixels(shot, kYellow);
            if (!lit && std::all_of(yellow.begin(), yellow.end(), [](int n) { return n >= 20; })) {
                lit = true;
                Keep(shot, "05-nudge-lit");
            }
            if (!unlit && std::all_of(yellow.begin(), yellow.end(), [](int n) { return n <= 2; })) {
                unlit = true;
                Keep(shot, "05-nudge-unlit");
            }
        }
        EXPECT_TRUE(lit && unlit) << "after a losing spin with " << nudges
                                  << " nudges the \"Nudge\" captions do not flash yellow (lit seen: " << lit
                                  << ", unlit seen: " << unlit << ")";
        flashed = true;
    }
    EXPECT_TRUE(flashed) << "no losing spin in " << triggers.size() << " spins";
}

std::string ScreenName(const ::testing::TestParamInfo<Screen>& screen) {
    return std::string(screen.param.name);
}

INSTANTIATE_TEST_SUITE_P(Screens, GameWindowTest, ::testing::ValuesIn(kScreens.begin(), kScreens.end() - 1),
                         ScreenName);

// At a scale of 2 (QT_SCALE_FACTOR=2 on a 1600 x 1200 screen, 800 x 600
// units) the field is drawn from the 2x pictures: the start reels are the
// 2x tiles pixel for pixel at the doubled field origin, the counters the 2x
// digit cells, and a spin plays and comes to rest on 2x tiles again.
class GameWindowScaledTest : public GameWindowTest {};

TEST_P(GameWindowScaledTest, DrawsFromThe2xPicturesAndPlays) {
    const Reading start = Read(first_);
    for (int reel = 0; reel < 3; ++reel) {
        const auto& view = start.reels[static_cast<std::size_t>(reel)];
        ASSERT_TRUE(view) << "reel " << reel + 1 << " shows no 2x symbol tiles at start";
        const int at = kStartPositions[static_cast<std::size_t>(reel)];
        EXPECT_NE(std::find(view->positions.begin(), view->positions.end(), at), view->positions.end())
            << "reel " << reel + 1 << ": " << Describe(start);
    }
    EXPECT_EQ(start.credits, kSavedCredits) << Describe(start);
    EXPECT_EQ(start.nudges, kSavedNudges) << Describe(start);
    EXPECT_TRUE(PaylineIsGreen(first_)) << "the payline is not a green line across the field";

    ASSERT_TRUE(screen_->MoveMouse(window_, FieldInWindow({250, 250})));
    ASSERT_TRUE(screen_->Key("m"));
    auto [started, moving] = WaitFor([](const Reading& r) { return !r.AtRest(); }, 5s);
    ASSERT_TRUE(started) << "M started no spin: " << Describe(moving);
    auto [stopped, rest] = WaitFor([](const Reading& r) { return r.AtRest(); }, 10s, kSettle);
    if (!stopped && !OtherWindow().empty()) {
        GTEST_SKIP() << "window \"" << OtherWindow() << "\" opened over the field (the bonus game)";
    }
    Keep(lastPoll_, "02-after-spin");
    ASSERT_TRUE(stopped) << "the reels never came to rest on 2x symbol tiles: " << Describe(rest);
    EXPECT_EQ(FieldMismatches(lastPoll_), 0) << "the spin left marks on the 2x field picture";
}

INSTANTIATE_TEST_SUITE_P(Screens, GameWindowScaledTest, ::testing::Values(kScreens.back()), ScreenName);

// The game in play outlives the program. One screen is enough: the record
// file does not depend on the layout.
class GameRestartTest : public GameWindowTest {};

// A spin, Exit from the File menu, and the next start shows the credits and
// nudges that the spin left; a coin bet, SIGTERM, and the file holds it.
TEST_P(GameRestartTest, ContinuesTheGameAfterExitFromTheFileMenu) {
    SpinOutcome outcome;
    ASSERT_NO_FATAL_FAILURE(SpinByMaxBet(outcome));
    if (IsSkipped()) {
        return;
    }
    const long long credits = outcome.credits;
    const long long nudges = outcome.nudges;
    auto [paid, after] =
        WaitFor([&](const Reading& r) { return r.AtRest() && r.credits == credits && r.nudges == nudges; },
                15s, kSettle);
    ASSERT_TRUE(paid) << "the counters should show credits " << credits << " and nudges " << nudges << ": "
                      << Describe(after);
    Keep(lastPoll_, "03-before-exit");

    history_.push_back("-- File > Exit");
    ASSERT_TRUE(screen_->Focus(window_));
    ASSERT_TRUE(screen_->Key("alt+f"));
    std::this_thread::sleep_for(300ms * kSlowdown);
    ASSERT_TRUE(screen_->Key("x"));
    const auto deadline = Clock::now() + 15s * kSlowdown;
    while (game_.Running() && Clock::now() < deadline) {
        std::this_thread::sleep_for(100ms);
    }
    ASSERT_FALSE(game_.Running()) << "the game did not end after File > Exit";
    const std::string record = ReadText(configFile_);
    EXPECT_NE(record.find("Credits=" + std::to_string(credits)), std::string::npos)
        << "Morrow.ini does not hold the credits after the spin:\n"
        << record;

    ASSERT_NO_FATAL_FAILURE(StartGame());
    Keep(first_, "04-after-restart");
    const Reading again = Read(first_);
    EXPECT_EQ(again.credits, credits) << "the credits did not survive the restart: " << Describe(again);
    EXPECT_EQ(again.nudges, nudges) << "the nudges did not survive the restart: " << Describe(again);
    EXPECT_EQ(again.bet, 0) << Describe(again);

    // Ended from outside (the session closing), the game is saved as well.
    history_.push_back("-- B, then SIGTERM");
    ASSERT_TRUE(screen_->Key("b"));
    auto [bet, afterBet] =
        WaitFor([&](const Reading& r) { return r.bet == 1 && r.credits == credits - 1; }, 5s);
    ASSERT_TRUE(bet) << "B placed no coin: " << Describe(afterBet);
    game_.Stop(15s * kSlowdown);
    const std::string afterSignal = ReadText(configFile_);
    EXPECT_NE(afterSignal.find("Credits=" + std::to_string(credits - 1)), std::string::npos)
        << "Morrow.ini does not hold the game after SIGTERM:\n"
        << afterSignal;
}

INSTANTIATE_TEST_SUITE_P(Screens, GameRestartTest, ::testing::Values(kScreens[1]), ScreenName);

// The game on a desktop: a window manager, a 1280 x 720 screen (also what a
// 1920 x 1080 screen at 150 % gives), 96 pixels per inch.
class DesktopWindowTest : public GameWindowTest {};

// The title bar reads the caption alone, the window is maximised within the
// screen and carries the desktop entry's class, a spin plays by keys, and
// the bat's flight along the bottom leaves the field and its buttons whole.
TEST_P(DesktopWindowTest, FitsTheDesktopAndPlays) {
    EXPECT_EQ(screen_->Property(window_, "_NET_WM_NAME"), "_NET_WM_NAME(UTF8_STRING) = \"Morrowmas Slots\"");
    EXPECT_NE(screen_->Property(window_, "WM_CLASS").find(std::string("\"") + kDesktopId + "\""),
              std::string::npos)
        << screen_->Property(window_, "WM_CLASS");
    EXPECT_TRUE(Maximised()) << screen_->Property(window_, "_NET_WM_STATE");
    int left = 0, right = 0, top = 0, bottom = 0;
    const std::string extents = screen_->Property(window_, "_NET_FRAME_EXTENTS");
    ASSERT_EQ(std::sscanf(extents.c_str(), "_NET_FRAME_EXTENTS(CARDINAL) = %d, %d, %d, %d", &left, &right,
                          &top, &bottom),
              4)
        << extents;
    const QRect frame = windowRect_.adjusted(-left, -top, right, bottom);
    EXPECT_TRUE(QRect(0, 0, mode_.width, mode_.height).contains(frame))
        << "the framed window (" << frame.x() << ", " << frame.y() << ") " << frame.width() << " x "
        << frame.height() << " does not lie within the screen";

    SpinOutcome outcome;
    ASSERT_NO_FATAL_FAILURE(SpinByMaxBet(outcome));
    if (IsSkipped()) {
        return;
    }
    const long long credits = outcome.credits;
    auto [paid, after] =
        WaitFor([&](const Reading& r) { return r.AtRest() && r.credits == credits; }, 15s, kSettle);
    ASSERT_TRUE(paid) << "the counters should show credits " << credits << ": " << Describe(after);
    Keep(lastPoll_, "03-after-spin");

    // The bat comes down the right margin, then flies left under the
    // buttons from about 10 s after start.
    const auto until = std::max(started_ + 20s * kSlowdown, Clock::now() + 3s);
    int shots = 0;
    while (Clock::now() < until) {
        const QImage shot = Poll();
        ++shots;
        const int mismatches = FieldMismatches(shot);
        if (mismatches != 0) {
            Keep(shot, "04-field-drawn-over");
        }
        ASSERT_EQ(mismatches, 0) << "a sprite drew over the field, its buttons or its blood strip";
    }
    EXPECT_GT(shots, 1);
}

INSTANTIATE_TEST_SUITE_P(Screens, DesktopWindowTest,
                         ::testing::Values(Screen{
                             .mode = {1280, 720, 24}, .name = "Openbox1280x720x24", .windowManager = true}),
                         ScreenName);

// The game under a Wayland compositor: Weston, headless, with its desktop
// shell. The compositor places and sizes the window.
TEST(WaylandWindowTest, StartsDrawsAndSavesUnderWeston) {
    const std::filesystem::path plugin =
        std::filesystem::path(QLibraryInfo::path(QLibraryInfo::PluginsPath).toStdString()) / "platforms" /
        "libqwayland-generic.so";
    if (!OnPath("weston") || !OnPath("weston-screenshooter") || !std::filesystem::exists(plugin)) {
        GTEST_SKIP() << "weston, weston-screenshooter or Qt's Wayland platform is not installed (packages "
                        "weston, qt6-wayland)";
    }
    const char* programDir = std::getenv("MORROW_PROGRAM_DIR");
    ASSERT_NE(programDir, nullptr);
    const std::filesystem::path program = programDir;
    const QImage field = LoadPicture(program / art::kPlayFieldFile);
    const QImage symbols = LoadPicture(program / art::kSymbolsFile);
    ASSERT_FALSE(field.isNull() || symbols.isNull());

    TemporaryDirectory temp;
    const std::filesystem::path runtime = temp.Path() / "runtime";
    const std::filesystem::path config = temp.Path() / "home" / ".config";
    std::filesystem::create_directories(runtime);
    chmod(runtime.c_str(), 0700);
    std::filesystem::create_directories(config / "morrowmas-slots");
    const std::filesystem::path record = config / "morrowmas-slots" / "Morrow.ini";
    std::ofstream(record) << "[CurrentGame]\nCredits=" << kSavedCredits << "\nNudges=" << kSavedNudges
                          << "\n";

    const std::string socket = "morrow-e2e-" + std::to_string(::getpid());
    std::string error;
    std::optional<ChildProcess> weston = ChildProcess::Start(
        {"weston", "--backend=headless-backend.so", "--use-pixman", "--no-config", "--idle-time=0", "--debug",
         "--width=1280", "--height=720", "--socket=" + socket},
        {{"XDG_RUNTIME_DIR", runtime.string()}}, temp.Path() / "weston.log", error);
    ASSERT_TRUE(weston) << error;
    auto deadline = Clock::now() + 10s * kSlowdown;
    while (!std::filesystem::exists(runtime / socket)) {
        ASSERT_TRUE(weston->Running()) << "weston ended:\n" << ReadText(temp.Path() / "weston.log");
        ASSERT_LT(Clock::now(), deadline) << "weston opened no socket";
        std::this_thread::sleep_for(50ms);
    }

    const Environment env{{"XDG_RUNTIME_DIR", runtime.string()}, {"WAYLAND_DISPLAY", socket},
                          {"QT_QPA_PLATFORM", "wayland"},        {"HOME", (temp.Path() / "home").string()},
                          {"XDG_CONFIG_HOME", config.string()},  {"SDL_AUDIODRIVER", "dummy"}};
    const std::filesystem::path log = temp.Path() / "game.log";
    std::optional<ChildProcess> game =
        ChildProcess::Start({(program / "morrowmas-slots").string()}, env, log, error);
    ASSERT_TRUE(game) << error;

    // The field is found by the Bet One button, then the reels are read at
    // their start positions.
    const QRect button(100, 370, 40, 20);
    const PixelMatcher matcher(24);
    const auto showsButton = [&](const QImage& shot, QPoint origin) {
        for (int y = 0; y < button.height(); ++y) {
            for (int x = 0; x < button.width(); ++x) {
                const QPoint p = origin + button.topLeft() + QPoint(x, y);
                if (!shot.valid(p) ||
                    !matcher.Same(shot.pixel(p), field.pixel(button.topLeft() + QPoint(x, y)))) {
                    return false;
                }
            }
        }
        return true;
    };
    const auto findField = [&](const QImage& shot) -> std::optional<QPoint> {
        const QRgb first = field.pixel(button.topLeft());
        for (int y = 0; y < shot.height(); ++y) {
            for (int x = 0; x < shot.width(); ++x) {
                const QPoint origin = QPoint(x, y) - button.topLeft();
                if (matcher.Same(shot.pixel(x, y), first) && showsButton(shot, origin)) {
                    return origin;
                }
            }
        }
        return std::nullopt;
    };
    const std::filesystem::path shots = temp.Path() / "shots";
    std::filesystem::create_directories(shots);
    QImage shot;
    std::string seen = "no screenshot";
    bool reelsAtStart = false;
    deadline = Clock::now() + 20s * kSlowdown;
    while (!reelsAtStart && Clock::now() < deadline) {
        ASSERT_TRUE(game->Running()) << "the game ended:\n" << ReadText(log);
        std::this_thread::sleep_for(300ms);
        std::filesystem::remove_all(shots);
        std::filesystem::create_directories(shots);
        Environment shooter = env;
        shooter.erase("QT_QPA_PLATFORM");
        RunCommand({"sh", "-c", "cd \"$0\" && exec weston-screenshooter", shots.string()}, shooter, 10s);
        for (const auto& entry : std::filesystem::directory_iterator(shots)) {
            shot = LoadPicture(entry.path());
        }
        if (shot.isNull()) {
            continue;
        }
        const std::optional<QPoint> origin = findField(shot);
        if (!origin) {
            seen = "no play field in the screenshot";
            continue;
        }
        reelsAtStart = true;
        for (int reel = 0; reel < 3; ++reel) {
            const int position = kStartPositions[static_cast<std::size_t>(reel)];
            const int symbol =
                kReelStrips[static_cast<std::size_t>(reel)][static_cast<std::size_t>(position - 1)] - '0';
            const std::optional<int> tile =
                MatchTile(shot, *origin + QPoint(kReelLeft + kReelPitch * reel, kReelTop), symbols, matcher);
            reelsAtStart = reelsAtStart && tile == symbol;
        }
        seen = "the reels do not show their start positions";
    }
    if (const char* keep = std::getenv("MORROW_E2E_SHOTS"); keep && !shot.isNull()) {
        std::filesystem::create_directories(keep);
        shot.save(QString::fromStdString((std::filesystem::path(keep) / "Wayland-start.png").string()));
    }
    ASSERT_TRUE(reelsAtStart) << seen << "\nGame output:\n" << ReadText(log);

    // It stays up, and SIGTERM saves the game in play (the keys a new game
    // writes were not in the file) and ends it.
    std::this_thread::sleep_for(2s);
    ASSERT_TRUE(game->Running()) << "the game ended:\n" << ReadText(log);
    game->Stop(15s * kSlowdown);
    EXPECT_NE(ReadText(record).find("TotalBets="), std::string::npos)
        << "Morrow.ini was not written on SIGTERM:\n"
        << ReadText(record) << "\nGame output:\n"
        << ReadText(log);
    weston->Stop(2s);
}

} // namespace
} // namespace morrow::e2e
