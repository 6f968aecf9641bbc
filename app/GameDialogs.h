// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "GameRecordFile.h"
#include "GameSession.h"
#include "GameSounds.h"
#include "PlayField.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QWidget;

namespace morrow {

class GameEngine;

class HelpSystem;
enum class LoadSaveMode;

// The boxes and dialogs the game opens over its window, the help and the
// Trick or Treat window among them. Each opens modally over the window that
// shows the play field and gives the keys back to the field when it closes.
class GameDialogs {
public:
    // The engine lends the game's generator to the bonus window and takes
    // the borrow window's loans and payments.
    GameDialogs(GameSession& session, PlayField& field, const GameRecordFile& records, GameSounds& sounds,
                GameEngine& engine);
    ~GameDialogs();

    GameDialogs(const GameDialogs&) = delete;
    GameDialogs& operator=(const GameDialogs&) = delete;

    // The help file, ProgramDir + "Morrow.hlp": F1 anywhere in the game asks
    // for the focused control's topic, going outward to its window.
    void OpenHelp(const QString& helpFile);
    HelpSystem& Help() { return *help_; }
    const QString& HelpFile() const { return helpFile_; }

    // A plain box with the game's title: a start-up problem, a music error.
    void ShowProblem(const std::string& text);
    // A music error, if there is one; true when there was.
    bool ShowMusicError(const std::optional<std::string>& error);
    // The engine's notices: an information box with one OK button.
    void ShowInformation(std::string_view text);
    // The standard error box (a write the system refused).
    void ShowError(const std::string& text);

    void RunLoadSave(LoadSaveMode mode);
    void RunBorrow();
    void RunStats();
    void RunPaychart();
    void RunOnLine();
    // The Trick or Treat window. A bonus that comes up while the window
    // closes is still played, unseen, so the game that is kept holds its prize.
    void RunBonusGame();

private:
    QWidget* Parent() const;
    void TakeFocusBack();

    GameSession& session_;
    PlayField& field_;
    const GameRecordFile& records_;
    GameSounds& sounds_;
    GameEngine& engine_;
    QString helpFile_;
    std::unique_ptr<HelpSystem> help_;
};

} // namespace morrow
