// SPDX-License-Identifier: GPL-3.0-or-later
// The game record file "Morrow.ini": the game in play and the eight saved
// games, moved between the saved game and the file. Plain C++ and POSIX.
#pragma once

#include "GameDate.h"
#include "GameSession.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace morrow {

inline constexpr int kSaveSlotCount = 8;   // slot indexes 0..7: sections "GameNo1".."GameNo8"
inline constexpr int kCurrentGameSlot = 8; // slot index of the section "CurrentGame"
inline constexpr std::string_view kCurrentGameName = "CurrentGame";
inline constexpr std::string_view kGameRecordFileName = "Morrow.ini";

// The section of a slot index 0..8.
std::string SectionNameOf(int slot);

// Where every run of the game finds its record file:
// $XDG_CONFIG_HOME/morrowmas-slots/Morrow.ini, or ~/.config/... when
// XDG_CONFIG_HOME is unset or not an absolute path.
std::filesystem::path DefaultGameRecordPath();
// The same from given values of XDG_CONFIG_HOME and HOME.
std::filesystem::path GameRecordPathFor(std::string_view xdgConfigHome, std::string_view home);

// A write the system refused. The old file is left whole.
struct RecordWriteError {
    std::string message; // "Unable to write to Morrow.ini", for the error box
    std::string detail;  // the step that failed and the system's reason
};

// The record file at one path. Nothing stays open between calls: each call
// reads the file afresh, and each write replaces it whole in one step while
// holding a lock on "Morrow.ini.lock" beside it, so that neither a crash nor
// a second running copy of the game ever leaves a section half written. A
// copy that keeps the lock for seconds (stopped, or hung) makes the write
// give up with the refusal instead of waiting for ever.
class GameRecordFile {
public:
    // The day of `clock` and `dateSeparator` make the "GameDate" of a
    // write. `clock` must outlive the file.
    GameRecordFile(std::filesystem::path path, Clock& clock,
                   std::string dateSeparator = LocaleDateSeparator());

    const std::filesystem::path& Path() const { return path_; }

    // Replaces the saved game with the slot's values. A missing or
    // unreadable file, section or key, or a value that is no number, gives
    // that field's default: the section's name, today's date, and for the
    // counters what kSavedCounters says. The name is cut to 30 characters and
    // the date to 10. An unknown slot changes nothing.
    void ReadGameRecord(SavedGame& game, int slot) const;

    // Stores `name` as "GameName", today's date as "GameDate" and the
    // game's counters in the slot's section; every other section and key
    // stays as it was, byte for byte. The game is not changed. Control
    // characters in `name` become spaces.
    [[nodiscard]] std::optional<RecordWriteError> WriteGameRecord(const SavedGame& game, int slot,
                                                                  std::string_view name) const;

    // Today's date as a write stores it, e.g. "10/31/98".
    std::string TodayText() const;

private:
    std::filesystem::path path_;
    Clock* clock_;
    std::string dateSeparator_;
};

} // namespace morrow
