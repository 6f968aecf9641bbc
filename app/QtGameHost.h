// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Clock.h"
#include "GameHost.h"

namespace morrow {

class GameDialogs;
class GameSounds;
class MusicRotation;
class PlayField;

// The game engine's view of the world, answered with Qt: the message loop,
// the play field's drawing operations, the sounds, the music, the message
// boxes and the bonus window.
class QtGameHost final : public GameHost {
public:
    // The thread that makes the host runs the spins; it asks for short
    // slices of time, so its frames come on time beside busy programs.
    QtGameHost(Clock& clock, PlayField& field, GameSounds& sounds, MusicRotation& music,
               GameDialogs& dialogs);

    void HandleMessages(std::int64_t deadlineMicroseconds) override;

    void DrawReel(int reel) override;
    void DrawReelMotion(int reel, int stripOffset) override;
    void BeginReelBounce(int reel) override;
    void DrawReelBounce(int reel, int shift) override;
    void BeginNudgeSlide(int reel, std::int32_t newPosition) override;
    void DrawNudgeSlide(int reel, int top) override;
    void BeginShakeReel(int reel) override;
    void DrawShakeReel(int reel, int shift) override;
    void DrawCredits(std::int32_t credits) override;
    void DrawNudges(std::int32_t nudges) override;
    void DrawBet(std::int32_t bet) override;
    void DrawWinnings(std::int32_t amount) override;
    void DrawWinningsLabel() override;
    void DrawNudgeLabels(Rgb colour) override;
    void DrawPayline() override;
    void DrawWildFrame() override;
    void RepaintWindow() override;

    void PlayReelStop() override;
    void PlayCountTick() override;
    void PlayWinSound(int sound, SoundWait wait) override;
    void PlayCoin() override;
    void PlayNoNudge() override;

    void ShowInformation(std::string_view text) override;
    void RunBonusGame() override;
    TrackStart StartPendingTrack() override;

private:
    Clock& clock_;
    PlayField& field_;
    GameSounds& sounds_;
    MusicRotation& music_;
    GameDialogs& dialogs_;
};

// How long HandleMessages may sleep waiting for a message: the time left to
// the deadline in whole milliseconds, rounded down so it never wakes late,
// and at most 25 ms so the caller looks at its clock at least once a frame.
// 0 when less than a millisecond is left; HandleMessages sleeps that out
// itself.
int MessageWaitMilliseconds(std::int64_t nowMicroseconds, std::int64_t deadlineMicroseconds);

} // namespace morrow
