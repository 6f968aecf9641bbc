// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace morrow {

// A 24-bit colour as red, green, blue.
struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr Rgb kNudgeGrey{128, 128, 128};
inline constexpr Rgb kNudgeYellow{255, 255, 0};

inline constexpr int kReelCount = 3;
inline constexpr int kStripLength = 30;
inline constexpr int kPumpkinCount = 6;
inline constexpr int kMusicFileCount = 8;

// A new game's credits; they count as borrowed.
inline constexpr std::int32_t kNewGameCredits = 1000;
inline constexpr std::int32_t kNewGameNudges = 3;

// The saved game: what the game record file keeps of the game in play, in
// each of its slots. The record file reads and writes it, the save and open
// dialog copies it between slots, the statistics show it.
struct SavedGame {
    std::int32_t Credits = 0;
    std::int32_t Borrowed = 0;
    std::int32_t Spins = 0;
    std::int32_t TotalBets = 0;
    std::int32_t Nudges = 0;
    std::int32_t NudgesUsed = 0;
    std::int32_t TricksWon = 0; // sum of credits won in Trick or Treat
    std::string GameName;       // up to 30 characters
    std::string GameDate;       // "mm/dd/yy"
};

// The saved game's counters, each once: its key in the record file (where
// they stand in this order after GameName and GameDate), what a new game
// starts with, and what a record without the key, or with no number in it,
// gives.
struct SavedCounter {
    std::string_view key;
    std::int32_t SavedGame::*field;
    std::int32_t newGame;
    std::int32_t whenMissing;
};
inline constexpr std::array<SavedCounter, 7> kSavedCounters{{
    {"Credits", &SavedGame::Credits, kNewGameCredits, kNewGameCredits},
    {"Borrowed", &SavedGame::Borrowed, kNewGameCredits, kNewGameCredits},
    {"Spins", &SavedGame::Spins, 0, 0},
    {"TotalBets", &SavedGame::TotalBets, 0, 0},
    {"Nudges", &SavedGame::Nudges, kNewGameNudges, 0}, // a record without nudges gives none
    {"NudgesUsed", &SavedGame::NudgesUsed, 0, 0},
    {"TricksWon", &SavedGame::TricksWon, 0, 0},
}};

// The play in progress, not saved. The engine, and the bonus round it runs,
// change it; everyone else reads it.
struct PlayState {
    std::int32_t Bet = 0;     // coins placed, 0..3
    std::int32_t LastBet = 0; // coins of the last completed spin
    std::int32_t WinAmount = 0;
    bool Spinning = false;
    bool NudgeChance = false;
    // Set when the window is asked to close (close button, Exit, the desktop
    // ending the session); cleared when a spin starts and when a close is
    // refused. Read it only through the questions below, each of which says
    // what that part of the play does while the window closes.
    bool StopRequested = false;
    std::array<std::string, kReelCount> ReelStrip{};
    std::array<std::int32_t, kReelCount> ReelPos{}; // top visible symbol, 1..30
    std::array<std::int32_t, kPumpkinCount> TrickPrizes{};
    Rgb NudgeColour = kNudgeGrey;

    // While the window closes a spin still pays out in full, so the game that
    // is kept holds its win, but nothing waits for the player:
    // the reels come to rest at once,
    bool ReelsStopAtOnce() const { return StopRequested; }
    // the win sound is started without waiting for its end,
    bool WaitsForWinSound() const { return !StopRequested; }
    // the win is counted into the credits at once, not tick by tick,
    bool CountsWinAtOnce() const { return StopRequested; }
    // and a bonus that comes up is played unseen, the pumpkin picked at random.
    bool PicksBonusUnseen() const { return StopRequested; }
};

// Whether the piece in `MusicTrack` has been chosen but has not started yet:
// when one piece ends the next is chosen at once and starts at the next
// second, or at the next spin if that comes first.
enum class TrackChange : std::uint8_t {
    Applied, // the piece plays, or has played, or none exists
    Pending, // chosen, not started yet
};

// The options of the Options menu and the environment the game runs in.
// The music rotation alone changes the music's part.
struct GameOptions {
    bool SoundOn = true;
    bool MusicOn = true;
    std::int32_t MusicTrack = 0; // a file index 0..7, or one of the values below
    TrackChange MusicChange = TrackChange::Applied;
    std::array<std::string, kMusicFileCount> MusicFiles{};
    std::string ProgramDir; // with its trailing separator
    std::string GameTitle;
    std::string LineBreak;
};

// The screen, read once at start, and where the play field stands on it.
struct ScreenGeometry {
    std::int32_t ScreenWidth = 0;
    std::int32_t ScreenHeight = 0;
    std::int32_t FieldLeft = 0;
    std::int32_t FieldTop = 0;
};

// The one record of the game in play and of the main window's options,
// owned by the main window. Each part goes to those who need it: the saved
// game to the record file, the save and open dialog and the statistics; the
// play state to the engine, read-only to the rest; the music options to the
// music rotation; the options and the geometry read-only to those that draw
// and sound. In play the counters change through the engine (spins, nudges,
// New Game, loans) and the bonus round it runs; the record file and the save
// and open dialog replace the saved game as a whole.
struct GameSession : SavedGame, PlayState, GameOptions, ScreenGeometry {};

// `MusicTrack` values besides the file indexes 0..7.
inline constexpr std::int32_t kBeforeFirstTrack = -1; // only inside the start-up tick
inline constexpr std::int32_t kNoMusicTrack = 9;      // none of the music files exists

// Adds to a counter without ever leaving the signed 32-bit range: a sum past
// the top stays at the top, one past the bottom at the bottom.
constexpr void SaturatingAdd(std::int32_t& counter, std::int64_t amount) {
    const std::int64_t sum = static_cast<std::int64_t>(counter) + amount;
    constexpr std::int64_t top = INT32_MAX;
    constexpr std::int64_t bottom = INT32_MIN;
    counter = static_cast<std::int32_t>(sum > top ? top : (sum < bottom ? bottom : sum));
}

} // namespace morrow
