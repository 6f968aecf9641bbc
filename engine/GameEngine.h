// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Clock.h"
#include "GameHost.h"
#include "GameSession.h"
#include "Random.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

namespace morrow {

inline constexpr std::string_view kNoBetText = "No bet was placed!";
inline constexpr std::string_view kOutOfCreditsText = "You are out of credits...better borrow some!";

// What the player asks of the machine, whether by a click on the play field
// or by a key: the three buttons, the "Nudge" caption above a reel, the
// caption row between the reels, or a click that hit none of them.
enum class PlayerCommand {
    BetOne,
    BetMax,
    Spin,
    NudgeReel1,
    NudgeReel2,
    NudgeReel3,
    NudgeRowGap,
    Nothing,
};

// The nudge of reel 0, 1 or 2, and back.
constexpr PlayerCommand NudgeCommandFor(int reel) {
    return static_cast<PlayerCommand>(static_cast<int>(PlayerCommand::NudgeReel1) + reel);
}
constexpr int NudgedReel(PlayerCommand command) {
    return static_cast<int>(command) - static_cast<int>(PlayerCommand::NudgeReel1);
}

// How a command came. A key does only what its button does; a click on the
// field also closes an offer with no nudges left to spend. A nudge key goes
// by the rules of a click on its reel's "Nudge" caption, refusal included.
enum class CommandSource { Click, Key };

// Spin timing: one frame every 25 ms, 47 frames; reel r stops at frame
// 21 + 9r and bounces for the eight frames after.
inline constexpr std::int64_t kFrameMicroseconds = 25'000;
inline constexpr int kSpinFrames = 47;
inline constexpr int kReelStopPhase = 21;
inline constexpr int kReelFrameLag = 9;
inline constexpr int kMotionStripHeight = 576;
inline constexpr int kMotionStepPerFrame = 61;
inline constexpr std::array<int, 8> kBounceShifts{1, 2, 1, 0, -1, -2, -1, 0};
inline constexpr std::array<int, 8> kShakeShifts{2, 4, 2, 0, -2, -4, -2, 0};
inline constexpr int kNudgeSlideStart = 96;
inline constexpr int kNudgeSlideStep = 12;

// What became of a loan or a payment.
enum class LoanAnswer {
    Done,
    TooMuchToBorrow,  // Credits or Borrowed would pass the top of the 32-bit range
    NotEnoughCredits, // paying back more than the credits on hand
    MoreThanBorrowed, // paying back more than was borrowed
};

// The rules of play: bets, spins, payouts and nudges. Plain C++; everything
// it shows or plays goes through the GameHost, its time and its two timers
// (the wild's Timer2, the captions' Timer3) come from the Clock.
class GameEngine {
public:
    // The engine plays the game in `session`: it changes the saved game and
    // the play state, and only reads the options and the screen.
    GameEngine(GameSession& session, GameHost& host, Clock& clock, std::uint32_t seed);

    // A uniform integer in 0..n-1 from the game's generator.
    std::int32_t Random(std::int32_t n) { return random_.Random(n); }
    void Reseed(std::uint32_t seed) { random_.Reseed(seed); }

    // Waits `seconds`, handling window messages meanwhile.
    void Pause(double seconds);

    // Resets the game to 1000 credits and 3 nudges.
    void NewGame();
    // New Game from the menu: at once when idle, otherwise as soon as the
    // running spin or nudge has ended, so a reset can never open the way for
    // a second spin inside the first.
    void RequestNewGame();

    // True while a spin or a nudge runs; the bet and spin controls wait.
    bool Busy() const { return play_.Spinning || nudging_; }

    void Spin();
    void BetOne();
    void BetMax();
    void NudgeReel(int reel);

    // Borrowing and paying back move Credits and Borrowed together, so the
    // player's result, Credits - Borrowed, never changes. Refused, they
    // change nothing.
    LoanAnswer Borrow(std::int32_t amount);
    LoanAnswer PayBack(std::int32_t amount);

    // A command of the player's. The window maps its clicks and keys to
    // commands; the bet and spin buttons wait while a spin or nudge runs.
    void Command(PlayerCommand command, CommandSource source);

    // One tick of the nudge-caption flashing.
    void Timer3Timer();
    // The whole field has been painted anew, with grey "Nudge" captions: a
    // flashing offer goes on from grey.
    void FieldRepainted();
    // The wild moves from the end of start-up on; a spin stops it until its
    // line shows the wild again.
    void StartWild() { Timer2->Start(); }
    const Timer& WildTimer() const { return *Timer2; }
    const Timer& NudgeFlashTimer() const { return *Timer3; }

    // The steps of a spin, public for tests and benchmarks.
    void AnimateSpin();
    void EvaluatePayline();
    void SetupTrickPrizes();
    void CountWinnings();

private:
    void WaitUntil(std::int64_t deadline);
    void CloseNudgeOffer(); // greys the captions and stops their flashing
    void RunNudge(int reel);
    void ShakeReel(int reel);
    void FinishCommand(); // runs a New Game that waited for the spin or nudge

    SavedGame& saved_;
    PlayState& play_;
    const GameOptions& options_;
    const ScreenGeometry& geometry_;
    GameHost& host_;
    Clock& clock_;
    RandomSource random_;
    std::unique_ptr<Timer> Timer2; // the wild on reel 3's payline
    std::unique_ptr<Timer> Timer3; // the "Nudge" captions flashing during an offer
    bool nudging_ = false;
    bool newGamePending_ = false;
};

} // namespace morrow
