// SPDX-License-Identifier: GPL-3.0-or-later
// Saving the game in play into one of eight slots of the game record file,
// and opening a saved game from one.
#pragma once

#include "GameRecordFile.h"
#include "GameSession.h"

#include <QDialog>

#include <array>
#include <optional>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace morrow {

// What the File menu opens the dialog for.
enum class LoadSaveMode { Open = 0, Save = 1 };

enum class LoadSaveEnd {
    NotOpened,  // the game in play could not be parked in "CurrentGame"; nothing changed
    Cancelled,  // Cancel, Escape or the close box
    SlotChosen, // a slot button (in save mode also when the name box was cancelled)
};

struct LoadSaveOutcome {
    LoadSaveMode mode = LoadSaveMode::Open;
    LoadSaveEnd end = LoadSaveEnd::Cancelled;
    int slot = 0;                          // 1..8 after SlotChosen
    std::optional<RecordWriteError> error; // a refused write, for the caller's error box

    // After Open Game the main window shows the counters of the opened game.
    bool RepaintNeeded() const { return mode == LoadSaveMode::Open && end != LoadSaveEnd::NotOpened; }
};

// Runs the dialog modally over `parent`. The saved game of `session` ends as
// "CurrentGame" holds them: the game in play after a save or a cancel, the
// opened slot after an open, with GameName "CurrentGame" and today's date.
// When the game in play cannot be parked the dialog does not open, the
// session is untouched and the error comes back for the caller to show.
// Help (its Help button, F1) goes to the help system listening on the
// application.
LoadSaveOutcome RunLoadSaveDialog(QWidget* parent, GameSession& session, const GameRecordFile& records,
                                  LoadSaveMode mode);

// The dialog itself: eight panels side by side, each with the slot's name,
// date, credits and borrowed credits and an OK button that saves into the
// slot or opens it. It lists the slots from the file without touching the
// game in play, and keeps the game in play, as parked in "CurrentGame", to
// give back on every close.
class TLoadSave final : public QDialog {
    Q_OBJECT

public:
    TLoadSave(GameSession& session, const GameRecordFile& records, LoadSaveMode mode,
              QWidget* parent = nullptr);

    // Parks the game in play in "CurrentGame", sets the caption and lists the
    // slots. When the write is refused the dialog must not be shown.
    [[nodiscard]] std::optional<RecordWriteError> FormCreate();

    int ChosenSlot() const { return chosenSlot_; }
    const std::optional<RecordWriteError>& WriteError() const { return writeError_; }

    // The components of slot n = 1..8 (named Name1, date1, credits1, ...; the
    // buttons OKBtn, BitBtn1 .. BitBtn7).
    QFrame* Panel(int n) const { return slots_.at(Index(n)).panel; }
    QLineEdit* NameEdit(int n) const { return slots_.at(Index(n)).name; }
    QLabel* TitleLabel(int n) const { return slots_.at(Index(n)).title; }
    QLabel* DateLabel(int n) const { return slots_.at(Index(n)).date; }
    QLabel* CreditsLabel(int n) const { return slots_.at(Index(n)).credits; }
    QLabel* BorrowedLabel(int n) const { return slots_.at(Index(n)).borrowed; }
    QPushButton* SlotButton(int n) const { return slots_.at(Index(n)).button; }

    QFrame* Bevel1 = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* HelpBtn = nullptr;

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct SlotPanel {
        QFrame* panel = nullptr;
        QLineEdit* name = nullptr;
        QLabel* title = nullptr;
        QLabel* date = nullptr;
        QLabel* credits = nullptr;
        QLabel* borrowed = nullptr;
        QPushButton* button = nullptr;
    };

    static std::size_t Index(int n) { return static_cast<std::size_t>(n - 1); }
    void BuildSlotPanel(int n);
    void BitBtn7Click(const QPushButton& sender);
    void FormClose();
    // Writes the session as "CurrentGame" and, when that works, keeps it as
    // the game to give back at the close.
    std::optional<RecordWriteError> ParkGameInPlay();

    SavedGame& game_; // the game in play, the one part of the session the dialog changes
    const GameOptions& options_;
    const GameRecordFile& records_;
    LoadSaveMode mode_;
    SavedGame parked_; // the game in play as "CurrentGame" holds it
    bool created_ = false;
    bool closed_ = false;
    int chosenSlot_ = 0;
    std::optional<RecordWriteError> writeError_;
    std::array<SlotPanel, kSaveSlotCount> slots_{};
};

} // namespace morrow
