// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Clock.h"
#include "GameSession.h"
#include "MusicSequencer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace morrow {

// A plain file-exists test: true for a file, false for a folder or nothing.
bool MusicFileExists(const std::string& path);

// The background music: the pieces "Morro0.mid" to "Morro7.mid" play one
// after another in that order, missing files skipped, looked for afresh at
// every choice. When a piece ends the next is chosen at once and its change
// is pending (`MusicChange`); the one-second timer or the next spin starts it.
// The rotation alone changes the music options: MusicOn, MusicTrack and
// MusicChange.
//
// The rotation owns the music's timers, Timer1 (once, a quarter of a second
// after start-up) and Timer4 (every second), and hears the sequencer's
// notifications itself. The Music menu item and the spin's
// StartPendingTrack come from outside. A returned text is an error to show
// in a message box; the rotation has stopped there until the player uses
// the Music item again.
class MusicRotation {
public:
    using FileExists = std::function<bool(const std::string&)>;
    using ErrorHandler = std::function<void(const std::string&)>;

    MusicRotation(GameOptions& options, MusicSequencer& sequencer, Clock& clock,
                  FileExists fileExists = MusicFileExists);
    // Nothing is heard after the rotation has gone, and no notice reaches it.
    ~MusicRotation();

    MusicRotation(const MusicRotation&) = delete;
    MusicRotation& operator=(const MusicRotation&) = delete;

    // Where the errors of the timers' ticks are shown, and what else the
    // start-up tick does (the welcome sound).
    void SetErrorHandler(ErrorHandler handler) { onError_ = std::move(handler); }
    void SetStartUpTick(std::function<void()> tick) { onStartUp_ = std::move(tick); }
    // Start-up is over: Timer1 and Timer4 run.
    void StartTimers();
    const Timer& StartUpTimer() const { return *Timer1; }

    // `MusicFiles` := ProgramDir + "Morro" + n + ".mid" for n = 0..7.
    void FillMusicFiles();
    // `MusicTrack` := the next existing file after the current one, or 9 when
    // none exists.
    void ChooseNextTrack();
    // Starts the pending piece, if one is pending.
    [[nodiscard]] std::optional<std::string> StartPendingTrack();

    // The music half of the start-up timer's one tick: the first piece
    // becomes pending.
    void Timer1Timer();
    // Every second.
    [[nodiscard]] std::optional<std::string> Timer4Timer() { return StartPendingTrack(); }
    // The sequencer reports the end of a play.
    void MediaPlayer1Notify(MusicNotify notify);
    // Switches the music off or on; the caller sets the menu item's check
    // mark from `MusicOn` afterwards.
    [[nodiscard]] std::optional<std::string> Music1Click();

private:
    void StartRotation();
    std::optional<std::string> OpenAndPlay(std::int32_t track);

    GameOptions& options_;
    MusicSequencer& sequencer_;
    FileExists fileExists_;
    ErrorHandler onError_;
    std::function<void()> onStartUp_;
    std::unique_ptr<Timer> Timer1; // once: the first piece and the welcome
    std::unique_ptr<Timer> Timer4; // every second: a pending piece starts
    bool startupTickDone_ = false;
    bool rotationStarted_ = false;
};

} // namespace morrow
