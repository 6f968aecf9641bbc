// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "GameSession.h"

#include <cstdint>
#include <string_view>

namespace morrow {

enum class TrackStart {
    Started, // the pending piece plays (or none was pending)
    Failed,  // it could not be opened; the player has been told
};

enum class SoundWait {
    NoWait,     // start the sound and go on
    WaitForEnd, // return when the sound has ended (no messages handled)
};

// Everything the game engine asks of the world around it: the message loop,
// the window's drawing operations, sound, message boxes and the bonus
// window. Time and timers come from the Clock. The Qt side implements it;
// tests implement it with a fake clock and a transcript of calls.
//
// Reel-drawing operations named after a reel draw the payline over it
// themselves (DrawReel, DrawReelMotion); for the bounce, nudge slide and
// shake the engine asks for DrawPayline explicitly after each frame.
class GameHost {
public:
    virtual ~GameHost() = default;

    // Handles the pending window messages. May wait for new ones, but returns
    // no later than `deadlineMicroseconds` (in Clock::NowMicroseconds time).
    virtual void HandleMessages(std::int64_t deadlineMicroseconds) = 0;

    // The play field.
    virtual void DrawReel(int reel) = 0;
    virtual void DrawReelMotion(int reel, int stripOffset) = 0;
    // Keeps the reel's picture at rest for its stop bounce.
    virtual void BeginReelBounce(int reel) = 0;
    // Draws the kept rest picture shifted down by `shift` pixels (up if negative).
    virtual void DrawReelBounce(int reel, int shift) = 0;
    // Composes the four symbols from strip position `newPosition` down that a
    // nudge slides through the reel's window.
    virtual void BeginNudgeSlide(int reel, std::int32_t newPosition) = 0;
    // Shows the composed picture from row `top` (96 = the old reel, 0 = the new).
    virtual void DrawNudgeSlide(int reel, int top) = 0;
    // Keeps what the window shows of the reel, for the jiggle after a nudge.
    virtual void BeginShakeReel(int reel) = 0;
    virtual void DrawShakeReel(int reel, int shift) = 0;
    // The counters show the values they are given.
    virtual void DrawCredits(std::int32_t credits) = 0;
    virtual void DrawNudges(std::int32_t nudges) = 0;
    virtual void DrawBet(std::int32_t bet) = 0;
    virtual void DrawWinnings(std::int32_t amount) = 0;
    virtual void DrawWinningsLabel() = 0;
    virtual void DrawNudgeLabels(Rgb colour) = 0;
    virtual void DrawPayline() = 0;
    // The next frame of the wild on reel 3's payline cell (a tick of Timer2).
    virtual void DrawWildFrame() = 0;
    virtual void RepaintWindow() = 0;

    // Sound effects. The host plays none while sound is switched off
    // (GameSession::SoundOn), waited ones included; the engine asks regardless.
    virtual void PlayReelStop() = 0;
    virtual void PlayCountTick() = 0;
    virtual void PlayWinSound(int sound, SoundWait wait) = 0;
    virtual void PlayCoin() = 0;
    virtual void PlayNoNudge() = 0;

    // An information box with one OK button; returns when it is closed.
    virtual void ShowInformation(std::string_view text) = 0;
    // Runs the Trick or Treat window modally; returns when it has closed.
    virtual void RunBonusGame() = 0;
    // Starts the music piece whose change is pending.
    virtual TrackStart StartPendingTrack() = 0;
};

} // namespace morrow
