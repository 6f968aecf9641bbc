// A long evening at the machine: the real game in a virtual X server plays
// a thousand spins by keys (MORROW_SOAK_SPINS changes the count), with the
// statistics, payoff chart and save/open windows opened and closed
// between spins and every bonus game played. The game's resident memory is
// noted along the way and must stay flat after warm-up, the game prints
// nothing, and at the end the counters on the screen are what the record
// file holds. It takes half an hour and more, so it runs from `make soak`,
// not with the other tests.

#include "ArtResources.h"
#include "ChildProcess.h"
#include "ScreenReader.h"
#include "VirtualScreen.h"

#include <gtest/gtest.h>

#include <QImage>

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <thread>

namespace morrow::e2e {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr ScreenMode kMode{800, 600, 24};
constexpr long long kStartCredits = 100000;
constexpr long long kStartNudges = 5;
constexpr int kCoins = 3;
constexpr int kWarmUpSpins = 100;
constexpr long long kFlatRssKiB = 2 * 1024;

std::string ReadText(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The resident memory of a process, in KiB; -1 when it cannot be read.
long long ResidentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::atoll(line.c_str() + 6);
        }
    }
    return -1;
}

// The keys of one section of an INI text, as written.
std::map<std::string, std::string> Section(const std::string& text, const std::string& name) {
    std::map<std::string, std::string> keys;
    std::istringstream in(text);
    std::string line;
    bool inside = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.front() == '[') {
            inside = line == "[" + name + "]";
        } else if (inside && line.find('=') != std::string::npos) {
            keys[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
        }
    }
    return keys;
}

// What a screenshot shows of the counters, and of the reels when all three
// are at rest (a tile read in each of their nine cells).
struct Counters {
    std::optional<long long> credits;
    std::optional<long long> nudges;
    std::optional<long long> bet;
    std::optional<std::array<int, 9>> reels;
    bool operator==(const Counters&) const = default;
};

std::string Describe(const Counters& c) {
    const auto number = [](const std::optional<long long>& v) {
        return v ? std::to_string(*v) : "unreadable";
    };
    return "credits " + number(c.credits) + ", nudges " + number(c.nudges) + ", coins " + number(c.bet);
}

// A dialog opened from the menu bar by its access keys and closed with
// Escape. (The borrow dialog has no Cancel, so Escape leaves it open.) It is
// told by its title: the File menu on the way to it is a window of the
// game's too, for a moment.
struct MenuDialog {
    const char* name;
    std::vector<const char*> keys;
    const char* title;
};

const std::vector<MenuDialog> kDialogs{
    {"statistics", {"alt+s"}, "Your Game Statistics"},
    {"payoff chart", {"alt+p"}, "Payoff Chart"},
    {"statistics", {"alt+s"}, "Your Game Statistics"},
    {"save game", {"alt+f", "s"}, "Save a Game -- Select Game Slot"},
    {"open game", {"alt+f", "o"}, "Open a Game -- Select Game Slot"},
};

class GameSoakTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* programDir = std::getenv("MORROW_PROGRAM_DIR");
        ASSERT_NE(programDir, nullptr) << "MORROW_PROGRAM_DIR names no program directory";
        program_ = programDir;
        if (const char* count = std::getenv("MORROW_SOAK_SPINS")) {
            spins_ = std::max(1, std::atoi(count));
        }
        symbols_ = QImage(QString::fromStdString((program_ / art::kSymbolsFile).string()))
                       .convertToFormat(QImage::Format_RGB32);
        const QImage field(QString::fromStdString((program_ / art::kPlayFieldFile).string()));
        ASSERT_FALSE(field.isNull() || symbols_.isNull())
            << "the game's pictures are missing from " << program_;
        ASSERT_TRUE(art::Available()) << "the embedded digit strips are not linked in";
        fieldSize_ = field.size();
        red_ = QImage(QString::fromLatin1(art::kDigitsSmall)).convertToFormat(QImage::Format_RGB32);
        green_ = QImage(QString::fromLatin1(art::kGreenSmall)).convertToFormat(QImage::Format_RGB32);

        std::string error;
        screen_ = VirtualScreen::Start(kMode, temp_.Path(), error);
        ASSERT_TRUE(screen_) << error;
        const std::filesystem::path home = temp_.Path() / "home";
        const std::filesystem::path runtime = temp_.Path() / "runtime";
        const std::filesystem::path config = home / ".config" / "morrowmas-slots";
        std::filesystem::create_directories(config);
        std::filesystem::create_directories(runtime);
        chmod(runtime.c_str(), 0700);
        std::ofstream(config / "Morrow.ini")
            << "[CurrentGame]\nGameName=CurrentGame\nCredits=" << kStartCredits
            << "\nBorrowed=" << kStartCredits << "\nNudges=" << kStartNudges << "\n";
        record_ = config / "Morrow.ini";
        Environment env = screen_->ClientEnvironment();
        env["QT_QPA_PLATFORM"] = "xcb";
        env["HOME"] = home.string();
        env["XDG_CONFIG_HOME"] = (home / ".config").string();
        env["XDG_RUNTIME_DIR"] = runtime.string();
        env["SDL_AUDIODRIVER"] = "dummy";
        gameLog_ = temp_.Path() / "game.log";
        std::optional<ChildProcess> game =
            ChildProcess::Start({(program_ / "morrowmas-slots").string()}, env, gameLog_, error);
        ASSERT_TRUE(game) << error;
        game_ = std::move(*game);

        const auto deadline = Clock::now() + 30s;
        window_ = screen_->WaitForWindow("^Morrowmas Slots", game_, 30s);
        ASSERT_TRUE(game_.Running()) << "the game ended at start:\n" << ReadText(gameLog_);
        ASSERT_FALSE(window_.empty()) << "no window named \"Morrowmas Slots\" appeared";
        const std::optional<QRect> geometry = screen_->WindowGeometry(window_);
        ASSERT_TRUE(geometry);
        windowRect_ = *geometry;
        while (Clock::now() < deadline && !canvasTop_) {
            const QImage shot = Shot();
            // The canvas starts at the first black rows left of the centred field.
            for (int y = windowRect_.top(); y < windowRect_.top() + 80 && !canvasTop_; ++y) {
                if (AllBlack(shot, QRect(windowRect_.left() + 10, y, 110, 5))) {
                    canvasTop_ = y;
                }
            }
        }
        ASSERT_TRUE(canvasTop_) << "the window never showed its canvas";
    }

    void TearDown() override {
        if (HasFailure()) {
            std::cout << "Game output:\n" << ReadText(gameLog_) << '\n';
            if (const char* shots = std::getenv("MORROW_E2E_SHOTS")) {
                std::filesystem::create_directories(shots);
                last_.save(
                    QString::fromStdString((std::filesystem::path(shots) / "soak-failure.png").string()));
            }
        }
        game_.Stop(500ms);
        screen_.reset();
    }

    QImage Shot() {
        last_ = screen_->Shot(temp_.Path() / "poll.png");
        return last_;
    }

    // The three counters of the medium layout: nudges left and credits right
    // above the field, the coins in the middle.
    Counters Read() {
        const QImage shot = Shot();
        const QPoint field((kMode.width - fieldSize_.width()) / 2, 40);
        const QPoint canvas(windowRect_.left(), *canvasTop_);
        const QSize digit(16, 21);
        const int y = field.y() - 25;
        Counters c;
        PixelMatcher matcher(kMode.depth);
        c.credits = ReadCounter(shot, canvas + QPoint(field.x() + fieldSize_.width(), y), Anchor::RightEdge,
                                green_, digit, matcher);
        c.nudges = ReadCounter(shot, canvas + QPoint(field.x(), y), Anchor::LeftEdge, green_, digit, matcher);
        c.bet = ReadCounter(shot, canvas + QPoint(field.x() + fieldSize_.width() / 2 - digit.width() / 2, y),
                            Anchor::LeftEdge, red_, digit, matcher);
        // Reel cells 96 pixels square from (78, 71) of the field, 124 apart;
        // the payline crosses the middle row, and under the animated wild a
        // band covers the top of reel 3's bottom cell.
        std::array<int, 9> tiles{};
        for (int cell = 0; cell < 9; ++cell) {
            const int reel = cell / 3;
            const int row = cell % 3;
            const QPoint at = canvas + field + QPoint(78 + 124 * reel, 71 + 96 * row);
            const auto skip = [reel, row](int line) {
                return (row == 1 && line == 46) || (reel == 2 && row == 2 && line < 15);
            };
            const std::optional<int> tile = MatchTile(shot, at, symbols_, matcher, skip);
            if (!tile) {
                return c;
            }
            tiles[static_cast<std::size_t>(cell)] = std::min(*tile, 9); // the wild's frames are the wild
        }
        c.reels = tiles;
        return c;
    }

    std::string OtherWindow() const {
        for (const std::string& w : screen_->WindowsOfProcess(game_.Pid())) {
            if (w != window_) {
                return w;
            }
        }
        return {};
    }

    // Plays any bonus game that has come up: Space picks a pumpkin.
    void PlayBonusIfOpen() {
        const std::string bonus = OtherWindow();
        if (!bonus.empty()) {
            ++bonusGames_;
            screen_->Focus(bonus);
            screen_->Key("space");
            const auto deadline = Clock::now() + 20s;
            while (!OtherWindow().empty() && Clock::now() < deadline) {
                std::this_thread::sleep_for(200ms);
            }
        }
    }

    bool OpenAndClose(const MenuDialog& dialog) {
        PlayBonusIfOpen(); // one the last spins brought
        screen_->Focus(window_);
        for (const char* key : dialog.keys) {
            screen_->Key(key);
            std::this_thread::sleep_for(300ms);
        }
        std::string opened;
        for (auto deadline = Clock::now() + 10s; opened.empty() && Clock::now() < deadline;) {
            for (const std::string& w : screen_->WindowsOfProcess(game_.Pid())) {
                if (w != window_ && screen_->WindowName(w) == dialog.title) {
                    opened = w;
                }
            }
            if (opened.empty()) {
                std::this_thread::sleep_for(100ms);
            }
        }
        if (opened.empty()) {
            return false;
        }
        screen_->Focus(opened);
        screen_->Key("Escape");
        for (auto deadline = Clock::now() + 10s; Clock::now() < deadline;) {
            if (OtherWindow().empty()) {
                return true;
            }
            std::this_thread::sleep_for(100ms);
        }
        return false;
    }

    std::filesystem::path program_;
    int spins_ = 1000;
    TemporaryDirectory temp_;
    QSize fieldSize_;
    QImage red_, green_, symbols_, last_;
    std::unique_ptr<VirtualScreen> screen_;
    ChildProcess game_;
    std::filesystem::path gameLog_;
    std::filesystem::path record_;
    std::string window_;
    QRect windowRect_;
    std::optional<int> canvasTop_;
    int bonusGames_ = 0;
};

TEST_F(GameSoakTest, ThousandSpinsByKeys) {
    ASSERT_TRUE(screen_->MoveMouse(window_, QPoint(400, 300)));
    const auto started = Clock::now();
    std::map<int, long long> rss; // spins done -> KiB, at the first count past each milestone
    std::vector<std::pair<int, long long>> afterWarmUp; // (spins, KiB)
    int dialogsShown = 0;
    int spins = 0;
    for (int round = 0; spins < spins_; ++round) {
        ASSERT_TRUE(game_.Running()) << "the game ended after " << spins << " spins:\n" << ReadText(gameLog_);
        // M at a player's pace: a press while the reels run or a win is
        // counted is ignored by the game, so a few go unanswered.
        screen_->Focus(window_);
        for (int press = 1; press <= 20; ++press) {
            screen_->Key("m");
            std::this_thread::sleep_for(900ms);
            if (press % 3 == 0) {
                PlayBonusIfOpen();
            }
        }
        // A dialog: in turn one of the three that only show, and the save or
        // the open dialog, which parks the game in play in the record file
        // first and so tells how many spins were made.
        const MenuDialog& dialog = kDialogs[round % 2 == 0 ? static_cast<std::size_t>(round / 2) % 3
                                                           : 3 + static_cast<std::size_t>(round / 2) % 2];
        ASSERT_TRUE(OpenAndClose(dialog)) << "the " << dialog.name << " window did not open and close";
        ++dialogsShown;
        if (round % 2 == 0) {
            continue;
        }
        spins = std::atoi(Section(ReadText(record_), "CurrentGame")["Spins"].c_str());
        const long long kib = ResidentKiB(game_.Pid());
        const double minutes = std::chrono::duration<double>(Clock::now() - started).count() / 60;
        std::cout << "[soak] " << spins << " spins: RSS " << kib << " KiB, " << dialogsShown << " dialogs, "
                  << bonusGames_ << " bonus games, " << minutes << " min" << std::endl;
        for (const int milestone : {kWarmUpSpins, 500, 1000}) {
            if (spins >= milestone && !rss.contains(milestone)) {
                rss[milestone] = kib;
            }
        }
        if (spins >= kWarmUpSpins) {
            afterWarmUp.emplace_back(spins, kib);
        }
    }
    Counters last = Read();

    // Memory after warm-up stays flat. Single readings swing by a few MiB
    // (dialogs come and go; pieces of music, each with its own instruments,
    // take turns); what must not happen is the later half of the evening
    // climbing above the earlier half.
    ASSERT_GE(afterWarmUp.size(), 2u) << "too few readings after warm-up";
    const auto half = afterWarmUp.begin() + static_cast<std::ptrdiff_t>(afterWarmUp.size() / 2);
    const auto highest = [](auto from, auto to) {
        return std::max_element(from, to, [](const auto& a, const auto& b) { return a.second < b.second; })
            ->second;
    };
    const long long earlier = highest(afterWarmUp.begin(), half);
    const long long later = highest(half, afterWarmUp.end());
    EXPECT_LE(later - earlier, kFlatRssKiB)
        << "resident memory climbed from " << earlier << " KiB to " << later << " KiB after warm-up";

    // The last win may still be counting: the counters as they stay.
    for (auto deadline = Clock::now() + 30s; Clock::now() < deadline;) {
        std::this_thread::sleep_for(1500ms);
        const Counters now = Read();
        if (now == last && now.reels) {
            break;
        }
        last = now;
    }

    // File > Exit, as a player ends the evening; the game saves on its way out.
    screen_->Focus(window_);
    screen_->Key("alt+f");
    std::this_thread::sleep_for(300ms);
    screen_->Key("x");
    for (auto deadline = Clock::now() + 20s; game_.Running() && Clock::now() < deadline;) {
        std::this_thread::sleep_for(100ms);
    }
    ASSERT_FALSE(game_.Running()) << "the game did not end after File > Exit";

    const std::string output = ReadText(gameLog_);
    EXPECT_TRUE(output.empty()) << "the game printed:\n" << output;
    auto saved = Section(ReadText(record_), "CurrentGame");
    EXPECT_EQ(saved["Credits"], std::to_string(last.credits.value_or(-1)))
        << "the screen showed " << Describe(last);
    EXPECT_EQ(saved["Nudges"], std::to_string(last.nudges.value_or(-1)))
        << "the screen showed " << Describe(last);
    const int made = std::atoi(saved["Spins"].c_str());
    EXPECT_GE(made, spins_);
    EXPECT_EQ(saved["TotalBets"], std::to_string(kCoins * made)) << "every spin was a spin of three coins";
    std::cout << "[soak] " << made << " spins, " << dialogsShown << " dialogs, " << bonusGames_
              << " bonus games; RSS KiB at 100/500/1000: " << rss[100] << " / " << rss[500] << " / "
              << rss[1000] << "; highest after warm-up, earlier and later half: " << earlier << " / " << later
              << "; saved Credits " << saved["Credits"] << ", Nudges " << saved["Nudges"] << std::endl;
}

} // namespace
} // namespace morrow::e2e
