#pragma once

#include "Clock.h"
#include "GameEngine.h"
#include "GameSession.h"
#include "InterimFieldView.h"
#include "QtGameHost.h"

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

// What the main window works with, handed in by the program entry (real ones)
// or by a test (fakes). Every collaborator is owned by the caller and
// outlives the window; one left empty is replaced by the real thing. The
// sound player, the music player and the game record file join here.
struct FormCollaborators {
    Clock* clock = nullptr;            // empty: the system's monotonic clock
    std::optional<std::uint32_t> seed; // empty: seeded from the time of day
};

// The game's main window: the play field, the menu bar and the timers. It
// owns the game in play and the engine that plays it.
class TForm1 final : public QMainWindow {
    Q_OBJECT

public:
    using Collaborators = FormCollaborators;

    explicit TForm1(Collaborators collaborators = {}, QWidget* parent = nullptr);
    ~TForm1() override;

    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    GameSession& Session() { return session_; }
    GameEngine& Engine() { return *engine_; }
    const QString& HelpFile() const { return helpFile_; }
    FieldCanvas& Canvas() { return *fieldCanvas_; }
    const QImage& CanvasImage() const { return canvas_; }

    // The timers the engine switches on and off.
    QTimer& TimerFor(GameTimer timer) { return timer == GameTimer::Timer2 ? Timer2 : Timer3; }

    // After a message box or the bonus window: the window is active again
    // and the keys go to the play field, with or without a window manager.
    void TakeFocusBack();

    // Full redraw of the play field, shown at the next paint.
    void RepaintField();
    // Redraws the interim read-out of the counters and the payline.
    void RedrawInterimView();
    InterimFieldView& InterimView() { return interimView_; }

    // Components of the window.
    QMenuBar* MainMenu1 = nullptr;
    QAction* NewGame1 = nullptr;
    QTimer Timer2; // 200 ms: the wild on reel 3's payline
    QTimer Timer3; // 200 ms: flashes the "Nudge" captions during an offer

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void FormKeyDown(const QKeyEvent& event);
    void FormMouseDown(QPoint position);
    void FormClose();
    void NewGame1Click();
    void Timer2Timer();
    void Timer3Timer();
    void SetUpMenu();
    void SetUpTimers();
    void PlaceWindowAtOrigin();
    void CentreWindow();

    std::unique_ptr<Clock> ownClock_; // the real clock, when none was handed in
    Clock& clock_;
    std::optional<std::uint32_t> seed_;

    GameSession session_;
    QtGameHost host_;
    std::unique_ptr<GameEngine> engine_; // made, and seeded, during FormCreate

    QString helpFile_;
    QImage canvas_; // the window's persistent drawing surface
    FieldCanvas* fieldCanvas_ = nullptr;
    InterimFieldView interimView_;
};

} // namespace morrow
