#pragma once

#include "AmbientAnimations.h"
#include "Clock.h"
#include "DigitCounter.h"
#include "GameEngine.h"
#include "GameRecordFile.h"
#include "GameSession.h"
#include "GameSounds.h"
#include "MusicRotation.h"
#include "MusicSequencer.h"
#include "PlayFieldBitmaps.h"
#include "PlayFieldPainter.h"
#include "QtGameHost.h"
#include "SoundPlayer.h"

#include <QImage>
#include <QMainWindow>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <optional>

class QAction;
class QMenuBar;

namespace morrow {

class FieldCanvas;
enum class LoadSaveMode;
class HelpSystem;

// What the main window works with, handed in by the program entry (real ones)
// or by a test (fakes). Every collaborator is owned by the caller and
// outlives the window; one left empty is replaced by the real thing. The
// sound player, the music player and the game record file join here.
struct FormCollaborators {
    Clock* clock = nullptr;             // empty: the system's monotonic clock
    std::optional<std::uint32_t> seed;  // empty: seeded from the time of day
    QString programDir;                 // empty: the executable's directory
    GameRecordFile* records = nullptr;  // empty: Morrow.ini in the player's config folder
    SoundPlayer* soundPlayer = nullptr; // empty: the sound output of the machine
    MusicSequencer* music = nullptr;    // empty: the synthesiser on that output
};

// The game's main window: the play field, the menu bar and the timers. It
// owns the game in play and the engine that plays it.
class TForm1 final : public QMainWindow, private AnimationTimers {
    Q_OBJECT
    // Tests and benchmarks reach the menu items and timers through this,
    // defined beside the window's tests.
    friend struct TForm1TestAccess;

public:
    using Collaborators = FormCollaborators;

    explicit TForm1(Collaborators collaborators = {}, QWidget* parent = nullptr);
    ~TForm1() override;

    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    GameSession& Session() { return session_; }
    GameEngine& Engine() { return *engine_; }
    const QString& HelpFile() const { return helpFile_; }
    HelpSystem& Help() { return *help_; }
    FieldCanvas& Canvas() { return *fieldCanvas_; }
    const QImage& CanvasImage() const { return canvas_; }
    // Puts on the screen at once what has been drawn into the canvas and is
    // not shown yet. The engine's waits call it: a frame is shown the moment
    // it is drawn, not a timer's wake-up later, and during a wait that
    // handles no messages (a sound heard out in full) the player sees the
    // last frame, not the one before.
    void ShowCanvasNow();

    // The timers the engine switches on and off.
    QTimer& TimerFor(GameTimer timer) { return timer == GameTimer::Timer2 ? Timer2 : Timer3; }

    GameSounds& Sounds() { return *sounds_; }
    MusicRotation& Music() { return *rotation_; }
    // The spoken "Trick or treat!" of the bonus window.
    void PlayTrickOrTreat();
    // Shows a music error, if there is one; true when there was.
    bool ShowMusicError(const std::optional<std::string>& error);

    // After a message box or the bonus window: the window is active again
    // and the keys go to the play field, with or without a window manager.
    void TakeFocusBack();

    // Closes the window with nobody to answer: the game is saved if it can
    // be, a refused write goes to standard error, and the window goes anyway.
    // For requests to end that come from outside (signals).
    void CloseUnattended();

    // The whole play field redrawn into the canvas and shown.
    void RepaintField();
    PlayFieldPainter& Painter() { return *painter_; }
    AmbientAnimations& Animations() { return *animations_; }
    const PlayFieldBitmaps& Bitmaps() const { return bitmaps_; }
    const DigitStrips& Strips() const { return strips_; }

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
    QAction* Borrow1 = nullptr;
    QAction* Stats1 = nullptr;
    QAction* Payoffs1 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* MorrowmasSlotsManual1 = nullptr;
    QAction* WhatsaNudge1 = nullptr;
    QAction* NexorailHomepage1 = nullptr;
    QAction* CompayInformation1 = nullptr;
    QTimer Timer1; // 250 ms, once: the music starts and the welcome sounds
    QTimer Timer2; // 200 ms: the wild on reel 3's payline
    QTimer Timer3; // 200 ms: flashes the "Nudge" captions during an offer
    QTimer Timer4; // 1000 ms: starts a music piece whose turn has come
    QTimer Timer5; // 100 ms: the skeleton's walk
    QTimer Timer6; // 70 ms: the bat's flight
    QTimer Timer7; // 250 ms: the dripping blood
    QTimer Timer8; // 100 ms: the ghoul's walk

    void FormCreate();
    void FormKeyDown(const QKeyEvent& event);
    void FormMouseDown(QPoint position);
    // The window is closing: true when the game in play has been saved and
    // the window may go.
    bool FormClose();
    void NewGame1Click();
    void Timer2Timer();
    void Timer3Timer();
    void OpenGame1Click();
    void SaveGame1Click();
    void RunLoadSave(LoadSaveMode mode);
    // A close that arrived while a spin or nudge ran is carried out once it
    // has ended.
    void FinishPendingClose();
    void Exit1Click();
    void Borrow1Click();
    void Stats1Click();
    void Payoffs1Click();
    void MorrowmasSlotsManual1Click();
    void WhatsaNudge1Click();
    void NexorailHomepage1Click();
    void CompayInformation1Click();
    void Sound1Click();
    void Music1Click();
    void Timer1Timer();
    void Timer4Timer();
    void MediaPlayer1Notify(MusicNotify notify);
    void Blood1Click();
    void Animations1Click();
    void SetTimerEnabled(AnimationTimer timer, bool enabled) override;
    void ShowCanvas(const QRect& rect);
    void MakeCanvas(int scale);
    int CanvasScale() const;
    void LoadSharpPictures();
    void FollowDeviceRatio(qreal ratio);
    void SetUpMenu();
    void SetUpTimers();
    void PlaceWindowAtOrigin();
    void CentreWindow();
    void Unfix();
    void KeepFrameOnScreen();
    static bool PlacesItself();

    std::unique_ptr<Clock> ownClock_; // the real clock, when none was handed in
    Clock& clock_;
    std::optional<std::uint32_t> seed_;
    QString programDir_;
    std::unique_ptr<GameRecordFile> ownRecords_; // the real file, when none was handed in
    GameRecordFile* records_ = nullptr;
    // The real sound output, when no player or sequencer was handed in.
    struct OwnAudio;
    std::unique_ptr<OwnAudio> ownAudio_;
    SoundPlayer* soundPlayer_ = nullptr;
    MusicSequencer* music_ = nullptr;
    std::unique_ptr<GameSounds> sounds_;
    std::unique_ptr<MusicRotation> rotation_;
    bool closePending_ = false;
    bool unattendedClose_ = false;
    QSize normalSize_; // the window's size when not maximised
    // Set once start-up has read the game in play: a window that never got
    // that far never saves over the player's game.
    bool gameLoaded_ = false;

    GameSession session_;
    QtGameHost host_;
    std::unique_ptr<GameEngine> engine_; // made, and seeded, during FormCreate

    QString helpFile_;
    std::unique_ptr<HelpSystem> help_;
    QImage canvas_; // the window's persistent drawing surface
    qreal canvasDpi_ = 96;
    int colourBits_ = 24;
    bool sharpLoaded_ = false;
    FieldCanvas* fieldCanvas_ = nullptr;
    PlayFieldBitmaps bitmaps_;
    DigitStrips strips_;
    std::unique_ptr<PlayFieldPainter> painter_;
    std::unique_ptr<AmbientAnimations> animations_;
};

} // namespace morrow
