// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMainWindow>
#include <QString>

#include <memory>
#include <optional>

class QAction;
class QMenu;
class QMenuBar;

namespace morrow {

class FieldCanvas;
class GameDialogs;
class GameEngine;
class GameRecordFile;
class GameSounds;
class MusicRotation;
class PlayField;
class DisplaySettings;
class WindowPlacement;
struct GameSession;
enum class PlayerCommand;
struct RecordWriteError;

// What the window works with, built by the composition root (Game) and
// owned there; every part outlives the window.
struct FormParts {
    GameSession& session;
    GameEngine& engine;
    PlayField& field;
    GameSounds& sounds;
    MusicRotation& music;
    GameRecordFile& records;
    GameDialogs& dialogs;
    QString programDir; // empty: the executable's directory
};

// The game's main window: the menu bar, the play field with its mouse and
// keys, closing, and where the window stands. Making it runs the start-up
// sequence, FormCreate.
class TForm1 final : public QMainWindow {
    Q_OBJECT
    // Tests and benchmarks reach the menu items through this, defined beside
    // the window's tests.
    friend struct TForm1TestAccess;

public:
    explicit TForm1(FormParts parts, QWidget* parent = nullptr);
    ~TForm1() override;

    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    FieldCanvas& Canvas() { return *fieldCanvas_; }

    // Closes the window with nobody to answer: the game is saved if it can
    // be, a refused write goes to standard error, and the window goes anyway.
    // For requests to end that come from outside (signals, the session's
    // end). Nobody hears a goodbye either, so none is played.
    void CloseUnattended();
    // Saves the game in play with nobody to answer, as the close above does,
    // and plays on: for the session manager's request to save.
    void SaveUnattended();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Components of the window.
    QMenuBar* MainMenu1 = nullptr;
    QAction* NewGame1 = nullptr;
    QAction* OpenGame1 = nullptr;
    QAction* SaveGame1 = nullptr;
    QAction* Exit1 = nullptr;
    QMenu* Options1 = nullptr;
    QAction* Sound1 = nullptr;
    QAction* Music1 = nullptr;
    QAction* Blood1 = nullptr;
    QAction* Animations1 = nullptr;
    QAction* FullScreen1 = nullptr;
    QAction* FitToScreen1 = nullptr;
    QAction* Borrow1 = nullptr;
    QAction* Stats1 = nullptr;
    QAction* Payoffs1 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* MorrowmasSlotsManual1 = nullptr;
    QAction* WhatsaNudge1 = nullptr;
    QAction* NexorailHomepage1 = nullptr;
    QAction* CompayInformation1 = nullptr;

    void FormCreate();
    void FormKeyDown(const QKeyEvent& event);
    void FormMouseDown(QPoint position);
    // A control of the field pressed, by a click or a screen reader.
    void PressControl(PlayerCommand command);
    // The window is closing: true when the game in play has been saved and
    // the window may go.
    bool FormClose();
    // Writes the game in play as "CurrentGame"; the error when the file
    // refused it (told on standard error when nobody is there).
    std::optional<RecordWriteError> SaveGameInPlay();
    // A close that arrived while a spin or nudge ran is carried out once it
    // has ended.
    void FinishPendingClose();
    void NewGame1Click();
    void Exit1Click();
    void Sound1Click();
    void Music1Click();
    void Blood1Click();
    void Animations1Click();
    void FitToScreen1Click();
    void FullScreen1Click();
    // The game laid out for the screen as the two items above say; a change
    // waits while a spin, the bonus game or a count runs.
    void FitScreen();
    void SetUpMenu();

    FormParts parts_;
    GameSession& session_;
    GameEngine& engine_;
    PlayField& field_;
    GameDialogs& dialogs_;
    FieldCanvas* fieldCanvas_ = nullptr;
    bool closePending_ = false;
    bool unattendedClose_ = false;
    std::unique_ptr<WindowPlacement> placement_; // from step 11 of start-up on
    // Set once start-up has read the game in play: a window that never got
    // that far never saves over the player's game.
    bool gameLoaded_ = false;
    std::unique_ptr<DisplaySettings> display_;
    bool fitPending_ = false;
};

} // namespace morrow
