#pragma once

#include "GameSession.h"
#include "MusicSequencer.h"

#include <cstdint>
#include <functional>
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
// The main window forwards its timer ticks, the Music menu item, the spin's
// StartPendingTrack and the sequencer's notifications here. A returned text
// is an error to show in a message box; the rotation has stopped there until
// the player uses the Music item again.
class MusicRotation {
public:
    using FileExists = std::function<bool(const std::string&)>;

    MusicRotation(GameOptions& options, MusicSequencer& sequencer, FileExists fileExists = MusicFileExists);

    // `MusicTrack` := the next existing file after the current one, or 9 when
    // none exists.
    void ChooseNextTrack();
    // Starts the pending piece, if one is pending.
    [[nodiscard]] std::optional<std::string> StartPendingTrack();

    // The music half of the start-up timer's one tick (the caller disables
    // the timer and plays the welcome sound): the first piece becomes pending.
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
    bool startupTickDone_ = false;
    bool rotationStarted_ = false;
};

} // namespace morrow
