// SPDX-License-Identifier: GPL-3.0-or-later
#include "GameEngine.h"

#include "Reels.h"

#include <cmath>

namespace morrow {

namespace {

constexpr std::int32_t kMaxCoins = 3;

constexpr std::int64_t ToMicroseconds(double seconds) {
    return static_cast<std::int64_t>(seconds * 1'000'000.0 + 0.5);
}

// Count-up step for what is still to be paid: big wins move in big steps.
constexpr std::int32_t CountStep(std::int32_t remaining) {
    if (remaining >= 1000) {
        return 25;
    }
    if (remaining >= 100) {
        return 10;
    }
    if (remaining >= 25) {
        return 5;
    }
    return 1;
}

// Marks a nudge as running for as long as it lives.
class ScopedFlag {
public:
    explicit ScopedFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~ScopedFlag() { flag_ = false; }
    ScopedFlag(const ScopedFlag&) = delete;
    ScopedFlag& operator=(const ScopedFlag&) = delete;

private:
    bool& flag_;
};

} // namespace

GameEngine::GameEngine(GameSession& session, GameHost& host, Clock& clock, std::uint32_t seed)
    : saved_(session), play_(session), options_(session), geometry_(session), host_(host), clock_(clock),
      random_(seed), Timer2(clock.MakeTimer(GameTimer::Timer2, [this] { host_.DrawWildFrame(); })),
      Timer3(clock.MakeTimer(GameTimer::Timer3, [this] { Timer3Timer(); })) {}

void GameEngine::WaitUntil(std::int64_t deadline) {
    while (clock_.NowMicroseconds() < deadline) {
        host_.HandleMessages(deadline);
    }
}

void GameEngine::Pause(double seconds) {
    WaitUntil(clock_.NowMicroseconds() + ToMicroseconds(seconds));
}

void GameEngine::NewGame() {
    // The name and date stay: they are the record's, not the play's.
    for (const SavedCounter& counter : kSavedCounters) {
        saved_.*counter.field = counter.newGame;
    }
    play_.NudgeChance = false;
    play_.Spinning = false;
    // The offer is gone with the old game, so its captions stop flashing.
    Timer3->Stop();
    play_.NudgeColour = kNudgeGrey;
    host_.RepaintWindow();
}

void GameEngine::RequestNewGame() {
    if (Busy()) {
        newGamePending_ = true;
        return;
    }
    NewGame();
}

void GameEngine::FinishCommand() {
    if (newGamePending_ && !Busy()) {
        newGamePending_ = false;
        NewGame();
    }
}

void GameEngine::CloseNudgeOffer() {
    Timer3->Stop();
    play_.NudgeColour = kNudgeGrey;
    host_.DrawNudgeLabels(kNudgeGrey);
}

void GameEngine::FieldRepainted() {
    play_.NudgeColour = kNudgeGrey;
}

void GameEngine::Spin() {
    if (Busy()) {
        return;
    }
    // A piece that cannot be opened ends this spin request, before the bet
    // is looked at; nothing is pending any more, so the next one spins.
    if (options_.MusicChange == TrackChange::Pending && host_.StartPendingTrack() == TrackStart::Failed) {
        return;
    }

    // Repeat bet: no coins placed, so the last spin's coins are placed again
    // at once, all or nothing.
    if (play_.Bet == 0 && play_.LastBet > 0 && saved_.Credits >= play_.LastBet) {
        play_.Bet = play_.LastBet;
        saved_.Credits -= play_.LastBet;
        host_.DrawCredits(saved_.Credits);
        host_.DrawBet(play_.Bet);
    }
    if (play_.Bet == 0) {
        host_.ShowInformation(kNoBetText);
        return;
    }

    play_.NudgeChance = false;
    CloseNudgeOffer();

    AnimateSpin();
    EvaluatePayline();
    play_.Spinning = false;

    if (play_.NudgeChance && saved_.Nudges > 0) {
        Timer3->Start();
    } else {
        Timer3->Stop();
    }
    play_.LastBet = play_.Bet;
    play_.Bet = 0;
    FinishCommand();
}

void GameEngine::AnimateSpin() {
    play_.Spinning = true;
    Timer2->Stop();
    SaturatingAdd(saved_.TotalBets, play_.Bet);

    // The stops are final from here on: each reel independently and
    // uniformly on 1..30. The motion strip starts at a random row.
    std::array<int, kReelCount> offset{};
    std::array<bool, kReelCount> stopped{};
    for (std::size_t r = 0; r < kReelCount; ++r) {
        offset[r] = random_.Random(kMotionStripHeight);
        play_.ReelPos[r] = random_.Random(kStripLength) + 1;
        stopped[r] = false;
    }
    play_.StopRequested = false;
    SaturatingAdd(saved_.Spins, 1);

    int frame = 0;
    std::int64_t last = clock_.NowMicroseconds();
    while (frame < kSpinFrames && !play_.ReelsStopAtOnce()) {
        const std::int64_t now = clock_.NowMicroseconds();
        if (now >= last + kFrameMicroseconds) {
            last = now;
            ++frame;
            for (int reel = 0; reel < kReelCount; ++reel) {
                const auto r = static_cast<std::size_t>(reel);
                const int phase = frame - kReelFrameLag * reel;
                if (phase <= kReelStopPhase - 1) {
                    host_.DrawReelMotion(reel, offset[r]);
                    offset[r] -= kMotionStepPerFrame;
                    if (offset[r] < 0) {
                        offset[r] += kMotionStripHeight;
                    }
                } else if (phase == kReelStopPhase) {
                    host_.PlayReelStop();
                    host_.DrawReel(reel);
                } else if (phase <= kReelStopPhase + static_cast<int>(kBounceShifts.size())) {
                    const int step = phase - kReelStopPhase - 1;
                    if (step == 0) {
                        host_.BeginReelBounce(reel);
                    }
                    host_.DrawReelBounce(reel, kBounceShifts[static_cast<std::size_t>(step)]);
                    host_.DrawPayline();
                    if (step + 1 == static_cast<int>(kBounceShifts.size())) {
                        stopped[r] = true;
                    }
                }
            }
            if (frame >= kSpinFrames) {
                break;
            }
        }
        host_.HandleMessages(last + kFrameMicroseconds);
    }

    if (play_.ReelsStopAtOnce() && frame < kSpinFrames) {
        // Cut short because the window is closing: every reel comes to rest
        // at once. A reel already bouncing has sounded its stop.
        for (int reel = 0; reel < kReelCount; ++reel) {
            if (stopped[static_cast<std::size_t>(reel)]) {
                continue;
            }
            if (frame - kReelFrameLag * reel < kReelStopPhase) {
                host_.PlayReelStop();
            }
            host_.DrawReel(reel);
        }
        for (int i = 0; i < 3; ++i) {
            Pause(0.02);
        }
    }
}

void GameEngine::EvaluatePayline() {
    play_.WinAmount = 0;
    play_.NudgeChance = false;

    const int a = PaylineSymbol(play_, 0);
    const int b = PaylineSymbol(play_, 1);
    const int c = PaylineSymbol(play_, 2);
    if (c == kWildSymbol) {
        Timer2->Start();
    }

    const LineResult line = EvaluateLine(a, b, c);
    switch (line.kind) {
    case LineKind::Triple:
    case LineKind::StakeBack:
        play_.WinAmount = line.payPerCoin * play_.Bet;
        break;
    case LineKind::Lose:
        play_.NudgeChance = true;
        break;
    case LineKind::Bonus:
        CloseNudgeOffer();
        SetupTrickPrizes();
        host_.RunBonusGame();
        if (play_.WinAmount > 0) {
            CountWinnings();
        }
        host_.DrawNudges(saved_.Nudges);
        break;
    }

    if (line.wildNudge) {
        SaturatingAdd(saved_.Nudges, 1);
    }
    host_.DrawNudges(saved_.Nudges);

    // The win sound is heard in full before the count; a closing window
    // does not wait for it.
    const SoundWait wait = play_.WaitsForWinSound() ? SoundWait::WaitForEnd : SoundWait::NoWait;
    if (play_.WinAmount > play_.Bet) {
        host_.PlayWinSound(a, wait);
    } else if (play_.WinAmount > 0 && play_.WinAmount == play_.Bet) {
        host_.PlayWinSound(kBonusSymbol, wait);
    }

    if (play_.WinAmount > 0) {
        CloseNudgeOffer();
        play_.NudgeChance = false;
        CountWinnings();
    }
}

void GameEngine::SetupTrickPrizes() {
    play_.TrickPrizes = {100 * play_.Bet, 50 * play_.Bet, 25 * play_.Bet, 1, 0, 0};
    for (int pass = 0; pass < 1001; ++pass) {
        for (std::size_t i = 0; i < kPumpkinCount; ++i) {
            const auto j = static_cast<std::size_t>(random_.Random(kPumpkinCount));
            std::swap(play_.TrickPrizes[i], play_.TrickPrizes[j]);
        }
    }
}

void GameEngine::CountWinnings() {
    host_.DrawWinningsLabel();
    host_.DrawNudgeLabels(kNudgeGrey);
    std::int32_t paid = 0;
    while (play_.WinAmount > 0) {
        const std::int32_t step = CountStep(play_.WinAmount);
        SaturatingAdd(saved_.Credits, step);
        play_.WinAmount -= step;
        paid += step;
        host_.PlayCountTick();
        host_.DrawCredits(saved_.Credits);
        host_.DrawWinnings(paid);
        // While the window closes the rest is paid at once, so the game that
        // is kept holds the whole win.
        if (!play_.CountsWinAtOnce()) {
            Pause(0.075);
        }
    }
}

void GameEngine::BetOne() {
    if (Busy() || play_.Bet >= kMaxCoins) {
        return;
    }
    if (saved_.Credits < 1) {
        host_.ShowInformation(kOutOfCreditsText);
        return;
    }
    host_.PlayCoin();
    ++play_.Bet;
    --saved_.Credits;
    host_.DrawCredits(saved_.Credits);
    host_.DrawBet(play_.Bet);
    if (play_.Bet == kMaxCoins) {
        Spin();
    }
}

void GameEngine::BetMax() {
    if (Busy()) {
        return;
    }
    while (saved_.Credits >= 1 && play_.Bet < kMaxCoins) {
        ++play_.Bet;
        --saved_.Credits;
        host_.DrawCredits(saved_.Credits);
        host_.DrawBet(play_.Bet);
        host_.PlayCoin();
    }
    if (play_.Bet == kMaxCoins) {
        Spin();
    }
}

LoanAnswer GameEngine::Borrow(std::int32_t amount) {
    // A loan that would carry either counter past the top is refused, as a
    // smaller one may still fit.
    constexpr std::int32_t top = INT32_MAX;
    if (saved_.Credits > top - amount || saved_.Borrowed > top - amount) {
        return LoanAnswer::TooMuchToBorrow;
    }
    saved_.Credits += amount;
    saved_.Borrowed += amount;
    return LoanAnswer::Done;
}

LoanAnswer GameEngine::PayBack(std::int32_t amount) {
    if (amount > saved_.Credits) {
        return LoanAnswer::NotEnoughCredits;
    }
    if (amount > saved_.Borrowed) {
        return LoanAnswer::MoreThanBorrowed;
    }
    saved_.Credits -= amount;
    saved_.Borrowed -= amount;
    return LoanAnswer::Done;
}

void GameEngine::NudgeReel(int reel) {
    if (reel < 0 || reel >= kReelCount || Busy()) {
        return;
    }
    {
        const ScopedFlag running(nudging_);
        RunNudge(reel);
    }
    FinishCommand();
}

void GameEngine::RunNudge(int reel) {
    const auto r = static_cast<std::size_t>(reel);

    Timer2->Stop();
    SaturatingAdd(saved_.Nudges, -1);
    SaturatingAdd(saved_.NudgesUsed, 1);
    host_.DrawNudges(saved_.Nudges);
    play_.NudgeChance = false;

    // Every visible symbol moves down one row; the one above comes in on top.
    std::int32_t newPosition = play_.ReelPos[r] - 1;
    if (newPosition < 1) {
        newPosition = kStripLength;
    }
    host_.BeginNudgeSlide(reel, newPosition);
    host_.DrawPayline();
    for (int top = kNudgeSlideStart - kNudgeSlideStep; top >= 0; top -= kNudgeSlideStep) {
        host_.DrawNudgeSlide(reel, top);
        host_.DrawPayline();
        Pause(0.05);
    }
    play_.ReelPos[r] = newPosition;

    host_.PlayReelStop();
    ShakeReel(reel);

    // The nudge pays at the coins of the spin just played. Coins already
    // placed for the next spin are kept and shown again afterwards.
    const std::int32_t placed = play_.Bet;
    play_.Bet = play_.LastBet;
    EvaluatePayline();
    play_.Bet = placed;
    if (placed > 0) {
        host_.DrawBet(play_.Bet);
    }

    if (saved_.Nudges <= 0) {
        play_.NudgeChance = false;
        Timer3->Stop();
        host_.DrawNudgeLabels(kNudgeGrey);
    }
}

void GameEngine::ShakeReel(int reel) {
    host_.BeginShakeReel(reel);
    host_.DrawPayline();
    bool first = true;
    for (const int shift : kShakeShifts) {
        if (!first) {
            Pause(0.02);
        }
        first = false;
        host_.DrawShakeReel(reel, shift);
        host_.DrawPayline();
    }
}

void GameEngine::Command(PlayerCommand command, CommandSource source) {
    const bool nudgeReel = command == PlayerCommand::NudgeReel1 || command == PlayerCommand::NudgeReel2 ||
                           command == PlayerCommand::NudgeReel3;
    const bool asClick = source == CommandSource::Click || nudgeReel;
    if (asClick && (nudgeReel || command == PlayerCommand::NudgeRowGap)) {
        if (play_.NudgeChance && saved_.Nudges > 0) {
            if (command != PlayerCommand::NudgeRowGap) {
                NudgeReel(NudgedReel(command));
            }
        } else {
            host_.PlayNoNudge();
        }
    }
    if (!Busy()) {
        switch (command) {
        case PlayerCommand::BetOne:
            BetOne();
            break;
        case PlayerCommand::BetMax:
            BetMax();
            break;
        case PlayerCommand::Spin:
            Spin();
            break;
        default:
            break;
        }
    }
    if (asClick && saved_.Nudges <= 0) {
        play_.NudgeChance = false;
        Timer3->Stop();
        host_.DrawNudgeLabels(kNudgeGrey);
    }
}

void GameEngine::Timer3Timer() {
    play_.NudgeColour = play_.NudgeColour == kNudgeYellow ? kNudgeGrey : kNudgeYellow;
    host_.DrawNudgeLabels(play_.NudgeColour);
}

} // namespace morrow
