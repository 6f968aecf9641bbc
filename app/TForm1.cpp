// SPDX-License-Identifier: GPL-3.0-or-later
#include "TForm1.h"

#include "CanvasScale.h"
#include "FieldCanvas.h"
#include "FieldLayout.h"
#include "GameDialogs.h"
#include "GameEngine.h"
#include "GameKeys.h"
#include "GameRecordFile.h"
#include "GameSounds.h"
#include "HelpSystem.h"
#include "MusicRotation.h"
#include "PlayField.h"
#include "PlayFieldAccessible.h"
#include "Reels.h"
#include "ScreenFit.h"
#include "TLoadSave.h"
#include "WindowPlacement.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>

#include <cstdio>
#include <string>
#include <utility>

namespace morrow {

namespace {

constexpr char kWindowCaption[] = "Morrowmas Slots";
constexpr char kGameTitle[] = "Morrowmas Slots";
constexpr char kHelpFileName[] = "Morrow.hlp";
// The display choices' file, beside the game record.
constexpr char kDisplaySettingsFile[] = "Display.ini";
// How often a change of the zoom that waits for the game looks again.
constexpr int kFitRetryMilliseconds = 100;

} // namespace

TForm1::TForm1(FormParts parts, QWidget* parent)
    : QMainWindow(parent), parts_(std::move(parts)), session_(parts_.session), engine_(parts_.engine),
      field_(parts_.field), dialogs_(parts_.dialogs),
      display_(std::make_unique<DisplaySettings>(
          QString::fromStdString((parts_.records.Path().parent_path() / kDisplaySettingsFile).string()))) {
    // The window as laid out: black, one fixed size, no scroll bars (it has
    // no scroll area), the menu bar on top and the play field below.
    setWindowTitle(QString::fromLatin1(kWindowCaption));
    // The window stays alive until its owner lets go of it, even after it is
    // closed: a spin that is running when it closes still has it on the stack.
    setAttribute(Qt::WA_DeleteOnClose, false);

    // The play field paints itself black wherever nothing is drawn; the menu
    // bar keeps the desktop's colours.
    fieldCanvas_ = new FieldCanvas(field_.Image(), this);
    setCentralWidget(fieldCanvas_);
    field_.ShowIn(*fieldCanvas_);
    new PlayFieldAccess(*fieldCanvas_, session_, engine_,
                        [this](PlayerCommand command) { PressControl(command); });
    connect(fieldCanvas_, &FieldCanvas::MouseDown, this, &TForm1::FormMouseDown);
    connect(
        fieldCanvas_, &FieldCanvas::DeviceRatioChanged, this,
        [this](qreal ratio) { field_.FollowDeviceRatio(ratio); }, Qt::QueuedConnection);
    SetUpMenu();

    FormCreate();
    fieldCanvas_->setFocus();
}

TForm1::~TForm1() = default;

// The menu bar: File, Options, Borrow, Stats, Payoffs, Help, with their
// access letters and no other shortcuts.
void TForm1::SetUpMenu() {
    MainMenu1 = menuBar();
    const auto item = [this](QWidget* menu, const char* caption, auto handler) {
        auto* action = new QAction(QString::fromUtf8(caption), menu);
        menu->addAction(action);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    QMenu* file1 = MainMenu1->addMenu(QStringLiteral("&File"));
    NewGame1 = item(file1, "&New Game", [this] { NewGame1Click(); });
    file1->addSeparator();
    OpenGame1 = item(file1, "&Open Game", [this] { dialogs_.RunLoadSave(LoadSaveMode::Open); });
    SaveGame1 = item(file1, "&Save Game", [this] { dialogs_.RunLoadSave(LoadSaveMode::Save); });
    file1->addSeparator();
    Exit1 = item(file1, "E&xit", [this] { Exit1Click(); });

    Options1 = MainMenu1->addMenu(QStringLiteral("&Options"));
    Sound1 = item(Options1, "Sound", [this] { Sound1Click(); });
    Music1 = item(Options1, "Music", [this] { Music1Click(); });
    Blood1 = item(Options1, "Blood", [this] { Blood1Click(); });
    Animations1 = item(Options1, "Animations", [this] { Animations1Click(); });
    for (QAction* option : {Sound1, Music1, Blood1, Animations1}) {
        option->setCheckable(true);
        option->setChecked(true);
    }
    FullScreen1 = item(Options1, "Full Screen", [this] { FullScreen1Click(); });
    FullScreen1->setCheckable(true);
    FitToScreen1 = item(Options1, "Fit to Screen", [this] { FitToScreen1Click(); });
    FitToScreen1->setCheckable(true);
    FitToScreen1->setChecked(display_->FitToScreen());

    Borrow1 = item(MainMenu1, "&Borrow", [this] { dialogs_.RunBorrow(); });
    Stats1 = item(MainMenu1, "&Stats", [this] { dialogs_.RunStats(); });
    Payoffs1 = item(MainMenu1, "&Payoffs", [this] { dialogs_.RunPaychart(); });

    Help1 = MainMenu1->addMenu(QStringLiteral("&Help"));
    MorrowmasSlotsManual1 =
        item(Help1, "&Morrowmas Slots Manual", [this] { dialogs_.Help().ShowContents(); });
    Help1->addSeparator();
    WhatsaNudge1 = item(Help1, "What's a &Nudge?", [this] { dialogs_.Help().ShowContext(kNudgeContext); });
    Help1->addSeparator();
    NexorailHomepage1 = item(Help1, "&Nexorail Homepage (50+ programs)", [this] { dialogs_.RunOnLine(); });
    CompayInformation1 =
        item(Help1, "&Company Information", [this] { dialogs_.Help().ShowContext(kCompanyContext); });
}

// Start-up, in its fixed order.
void TForm1::FormCreate() {
    GameSession& s = session_;

    // 1-2. The program's directory, where all its files lie, and the help
    // file; the play field's own topic is how to play.
    const QString programDir =
        parts_.programDir.isEmpty() ? QCoreApplication::applicationDirPath() : parts_.programDir;
    s.ProgramDir = programDir.toStdString() + "/";
    dialogs_.OpenHelp(QString::fromStdString(s.ProgramDir) + QString::fromLatin1(kHelpFileName));
    SetHelpContext(*this, kMainWindowContext);

    // 3. The screen, read once, and the zoom that fits it.
    field_.ReadScreen(QGuiApplication::primaryScreen());
    field_.UseScreen(FieldScreenFor(QGuiApplication::primaryScreen(), FitToScreen1->isChecked(), false));
    setProperty(kGameZoomProperty, field_.Screen().zoom);

    // 4. No spin yet. The game's random generator was seeded once, as the
    // game was put together.
    s.Spinning = false;

    // 5-6.
    s.LineBreak = "\r\n";
    s.Spins = 0;
    s.FieldLeft = 0;
    s.FieldTop = 0;

    // 7-8. The pictures: created for this layout, then loaded from the
    // program directory. A missing picture is reported once; the game runs
    // on without it.
    if (!field_.LoadPictures()) {
        dialogs_.ShowProblem(kMissingBitmapsText);
    }

    // 9.
    SetupReels(s);

    // 10. The two sounds that play most are read into memory. Should one be
    // unreadable the player is told and the game goes on without it.
    if (const std::optional<std::string> error = parts_.sounds.LoadSounds()) {
        dialogs_.ShowProblem(*error);
    }

    // 11.
    placement_ =
        std::make_unique<WindowPlacement>(*this, QSize(s.ScreenWidth, s.ScreenHeight), field_.Screen().zoom);
    placement_->PlaceAtOrigin();

    // 12-14.
    s.Bet = 0;
    s.LastBet = 0;
    s.NudgeChance = false;
    s.GameTitle = kGameTitle;
    engine_.NewGame();

    // 15-16. Options and the music files.
    s.MusicOn = true;
    s.SoundOn = true;
    parts_.music.FillMusicFiles();

    // 17. The game in play continues where the last run left it. The very
    // first start finds no record and gets the record's defaults.
    parts_.records.ReadGameRecord(s, kCurrentGameSlot);
    gameLoaded_ = true;

    // 18. Centred; the decorations start in the medium and large layouts,
    // while the small layout has none and hides their menu items.
    if (!field_.StartDecorations(Blood1->isChecked())) {
        Blood1->setVisible(false);
        Animations1->setVisible(false);
    }
    placement_->Centre();

    // 19. Low-resolution screens get the window maximised: it takes the
    // whole work area the desktop offers, at whatever size that is.
    const QScreen* windowScreen = this->screen();
    if (windowScreen && MaximisedAtDpi(windowScreen->logicalDotsPerInch())) {
        placement_->Maximise();
    }

    // The window's first paint: the field as start-up has left it, with the
    // counters of the game just read.
    field_.Repaint();

    // Start-up is over (a start-up message box may stay open any length of
    // time, and no tick may reach a window still being made): the music and
    // the welcome follow a quarter of a second later, and the wild starts
    // moving.
    parts_.music.StartTimers();
    engine_.StartWild();
}

// Maximised, the window follows the work area; back to normal, it has its
// own fixed size again.
void TForm1::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && placement_) {
        placement_->StateChanged();
    }
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (placement_) {
        placement_->Shown();
    }
}

void TForm1::Blood1Click() {
    field_.SwitchBlood(Blood1->isChecked());
}

void TForm1::Animations1Click() {
    const bool on = Animations1->isChecked();
    field_.SwitchSprites(on, on ? engine_.Random(3) : 0); // the generator is drawn only to switch on
}

void TForm1::FitToScreen1Click() {
    // The choice is kept for the next run even when it cannot be written
    // now; it holds for this run regardless.
    display_->SetFitToScreen(FitToScreen1->isChecked());
    FitScreen();
}

void TForm1::FullScreen1Click() {
    if (FullScreen1->isChecked()) {
        placement_->Unfix();
        setWindowState((windowState() & ~Qt::WindowMaximized) | Qt::WindowFullScreen);
    } else {
        setWindowState((windowState() & ~Qt::WindowFullScreen) | Qt::WindowMaximized);
    }
    FitScreen();
}

void TForm1::FitScreen() {
    if (engine_.Busy()) {
        if (!fitPending_) {
            fitPending_ = true;
            QTimer::singleShot(kFitRetryMilliseconds, this, [this] {
                fitPending_ = false;
                FitScreen();
            });
        }
        return;
    }
    const FieldScreen screen =
        FieldScreenFor(this->screen(), FitToScreen1->isChecked(), FullScreen1->isChecked());
    const FieldScreen& now = field_.Screen();
    if (screen.units == now.units && screen.zoom == now.zoom) {
        return;
    }
    setProperty(kGameZoomProperty, screen.zoom);
    field_.Relayout(screen, Blood1->isChecked(), Animations1->isChecked());
    placement_->Replace(screen.units, screen.zoom);
}

void TForm1::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F11 && event->modifiers() == Qt::NoModifier) {
        event->accept();
        FullScreen1->toggle();
        FullScreen1Click();
        return;
    }
    if (GameKeyOf(event->key())) {
        event->accept();
        FormKeyDown(*event);
    } else {
        QMainWindow::keyPressEvent(event);
    }
}

void TForm1::FormKeyDown(const QKeyEvent& event) {
    const PlayerCommand command = CommandOf(*GameKeyOf(event.key()));
    // A nudge key held down is one press, as a click is: its repeats would
    // only meet the nudge it started.
    const int reel = NudgedReel(command);
    if (event.isAutoRepeat() && reel >= 0 && reel < kReelCount) {
        return;
    }
    engine_.Command(command, CommandSource::Key);
    FinishPendingClose();
}

// A click anywhere on the field, with any mouse button.
void TForm1::FormMouseDown(QPoint position) {
    PressControl(ControlAt(position.x() - session_.FieldLeft, position.y() - session_.FieldTop));
}

void TForm1::PressControl(PlayerCommand command) {
    engine_.Command(command, CommandSource::Click);
    FinishPendingClose();
}

void TForm1::FinishPendingClose() {
    if (closePending_ && !engine_.Busy()) {
        closePending_ = false;
        close();
    }
}

// The close button, Exit, or the desktop ending the session. A spin that is
// running stops at once, but its stops are already final: the window waits
// until the spin has paid out, so the game that is kept holds its win.
void TForm1::closeEvent(QCloseEvent* event) {
    session_.StopRequested = true;
    if (engine_.Busy()) {
        closePending_ = true;
        event->ignore();
        return;
    }
    if (FormClose()) {
        event->accept();
    } else {
        event->ignore();
    }
}

// Saves the game in play as "CurrentGame". When the file cannot be written
// the player is told and the window stays open, so nothing is lost.
bool TForm1::FormClose() {
    session_.StopRequested = true;
    if (!unattendedClose_) {
        parts_.sounds.PlayGoodbye();
    }
    if (const std::optional<RecordWriteError> error = SaveGameInPlay()) {
        if (unattendedClose_) {
            return true; // the program ends; the old file stays as it was
        }
        // The window stays and play goes on as before the close.
        session_.StopRequested = false;
        dialogs_.ShowError(error->message);
        return false;
    }
    return true;
}

std::optional<RecordWriteError> TForm1::SaveGameInPlay() {
    if (!gameLoaded_) {
        return std::nullopt;
    }
    std::optional<RecordWriteError> error =
        parts_.records.WriteGameRecord(session_, kCurrentGameSlot, kCurrentGameName);
    if (error && unattendedClose_) {
        // Nobody is there to read a box: the old file stays as it was, and
        // the reason goes to standard error.
        std::fprintf(stderr, "morrowmas-slots: %s\n", error->message.c_str());
    }
    return error;
}

void TForm1::CloseUnattended() {
    unattendedClose_ = true;
    close();
}

void TForm1::SaveUnattended() {
    const bool unattended = std::exchange(unattendedClose_, true);
    SaveGameInPlay();
    unattendedClose_ = unattended;
}

void TForm1::NewGame1Click() {
    engine_.RequestNewGame();
}

// Ends the game: a running spin stops at once, the game is saved and the
// window closes.
void TForm1::Exit1Click() {
    session_.StopRequested = true;
    close();
}

// Switching sound off keeps new effects from starting; one already playing
// plays on.
void TForm1::Sound1Click() {
    session_.SoundOn = Sound1->isChecked();
}

void TForm1::Music1Click() {
    const std::optional<std::string> error = parts_.music.Music1Click();
    Music1->setChecked(session_.MusicOn);
    dialogs_.ShowMusicError(error);
}

} // namespace morrow
