#include "TForm1.h"

#include "ApplicationTitle.h"
#include "ArtResources.h"
#include "AudioDevice.h"
#include "CanvasScale.h"
#include "DialogLook.h"
#include "Dialogs.h"
#include "FieldCanvas.h"
#include "FieldLayout.h"
#include "FluidMusicSequencer.h"
#include "GameKeys.h"
#include "HelpSystem.h"
#include "MixerSoundPlayer.h"
#include "Random.h"
#include "Reels.h"
#include "TLoadSave.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <cstdio>
#include <string>

namespace morrow {

namespace {

constexpr char kWindowCaption[] = "Morrowmas Slots";
constexpr char kGameTitle[] = "Morrowmas Slots";
constexpr char kHelpFileName[] = "Morrow.hlp";
constexpr int kTimer1Milliseconds = 250;
constexpr int kTimer2Milliseconds = 200;
constexpr int kTimer3Milliseconds = 200;
constexpr int kTimer4Milliseconds = 1000;
constexpr int kTimer5Milliseconds = 100;
constexpr int kTimer6Milliseconds = 70;
constexpr int kTimer7Milliseconds = 250;
constexpr int kTimer8Milliseconds = 100;
constexpr double kInchesPerMetre = 1000.0 / 25.4;
// The window leaves 10 pixels of the screen free (5 on each side when centred).
constexpr int kScreenBorder = 10;
// How long after showing a window manager has framed the window.
constexpr int kFrameSettleMilliseconds = 300;
// When the platform reports no screen at all, the smallest layout is assumed.
constexpr QSize kFallbackScreen{640, 480};

} // namespace

struct TForm1::OwnAudio {
    AudioDevice device;
    MixerSoundPlayer player{device};
    FluidMusicSequencer music{device};
};

TForm1::TForm1(Collaborators collaborators, QWidget* parent)
    : QMainWindow(parent), ownClock_(collaborators.clock ? nullptr : std::make_unique<SteadyClock>()),
      clock_(collaborators.clock ? *collaborators.clock : *ownClock_), seed_(collaborators.seed),
      programDir_(collaborators.programDir), records_(collaborators.records),
      soundPlayer_(collaborators.soundPlayer), music_(collaborators.music), host_(*this, clock_) {
    // The window as laid out: black, one fixed size, no scroll bars (it has
    // no scroll area), the menu bar on top and the play field below.
    setWindowTitle(QString::fromLatin1(kWindowCaption));
    // The window stays alive until its owner lets go of it, even after it is
    // closed: a spin that is running when it closes still has it on the stack.
    setAttribute(Qt::WA_DeleteOnClose, false);

    // The play field paints itself black wherever nothing is drawn; the menu
    // bar keeps the desktop's colours.
    fieldCanvas_ = new FieldCanvas(canvas_, this);
    setCentralWidget(fieldCanvas_);
    connect(fieldCanvas_, &FieldCanvas::MouseDown, this, &TForm1::FormMouseDown);
    connect(fieldCanvas_, &FieldCanvas::DeviceRatioChanged, this, &TForm1::FollowDeviceRatio,
            Qt::QueuedConnection);
    SetUpMenu();
    SetUpTimers();

    FormCreate();
    fieldCanvas_->setFocus();
}

TForm1::~TForm1() {
    // No music notice may reach a window that is gone, and nothing plays on
    // while the goodbye is heard out.
    if (music_) {
        music_->SetNotifyHandler({});
        music_->Close();
    }
}

// The menu bar: File, Options, Borrow, Stats, Payoffs, Help, with their
// access letters and no other shortcuts.
void TForm1::SetUpMenu() {
    MainMenu1 = menuBar();
    QMenu* file1 = MainMenu1->addMenu(QStringLiteral("&File"));
    NewGame1 = file1->addAction(QStringLiteral("&New Game"));
    connect(NewGame1, &QAction::triggered, this, &TForm1::NewGame1Click);
    file1->addSeparator();
    OpenGame1 = file1->addAction(QStringLiteral("&Open Game"));
    connect(OpenGame1, &QAction::triggered, this, &TForm1::OpenGame1Click);
    SaveGame1 = file1->addAction(QStringLiteral("&Save Game"));
    connect(SaveGame1, &QAction::triggered, this, &TForm1::SaveGame1Click);
    file1->addSeparator();
    Exit1 = file1->addAction(QStringLiteral("E&xit"));
    connect(Exit1, &QAction::triggered, this, &TForm1::Exit1Click);

    Options1 = MainMenu1->addMenu(QStringLiteral("&Options"));
    auto addOption = [this](const char* caption, void (TForm1::*handler)()) {
        QAction* item = Options1->addAction(QString::fromLatin1(caption));
        item->setCheckable(true);
        item->setChecked(true);
        connect(item, &QAction::triggered, this, handler);
        return item;
    };
    Sound1 = addOption("Sound", &TForm1::Sound1Click);
    Music1 = addOption("Music", &TForm1::Music1Click);
    Blood1 = addOption("Blood", &TForm1::Blood1Click);
    Animations1 = addOption("Animations", &TForm1::Animations1Click);

    Borrow1 = MainMenu1->addAction(QStringLiteral("&Borrow"));
    connect(Borrow1, &QAction::triggered, this, &TForm1::Borrow1Click);
    Stats1 = MainMenu1->addAction(QStringLiteral("&Stats"));
    connect(Stats1, &QAction::triggered, this, &TForm1::Stats1Click);
    Payoffs1 = MainMenu1->addAction(QStringLiteral("&Payoffs"));
    connect(Payoffs1, &QAction::triggered, this, &TForm1::Payoffs1Click);

    Help1 = MainMenu1->addMenu(QStringLiteral("&Help"));
    MorrowmasSlotsManual1 = Help1->addAction(QStringLiteral("&Morrowmas Slots Manual"));
    connect(MorrowmasSlotsManual1, &QAction::triggered, this, &TForm1::MorrowmasSlotsManual1Click);
    Help1->addSeparator();
    WhatsaNudge1 = Help1->addAction(QStringLiteral("What's a &Nudge?"));
    connect(WhatsaNudge1, &QAction::triggered, this, &TForm1::WhatsaNudge1Click);
    Help1->addSeparator();
    NexorailHomepage1 = Help1->addAction(QStringLiteral("&Nexorail Homepage (50+ programs)"));
    connect(NexorailHomepage1, &QAction::triggered, this, &TForm1::NexorailHomepage1Click);
    CompayInformation1 = Help1->addAction(QStringLiteral("&Company Information"));
    connect(CompayInformation1, &QAction::triggered, this, &TForm1::CompayInformation1Click);
}

void TForm1::SetUpTimers() {
    Timer1.setInterval(kTimer1Milliseconds);
    Timer1.setSingleShot(true);
    connect(&Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);

    Timer4.setInterval(kTimer4Milliseconds);
    connect(&Timer4, &QTimer::timeout, this, &TForm1::Timer4Timer);

    Timer2.setInterval(kTimer2Milliseconds);
    Timer2.setTimerType(Qt::PreciseTimer);
    connect(&Timer2, &QTimer::timeout, this, &TForm1::Timer2Timer);

    Timer3.setInterval(kTimer3Milliseconds);
    Timer3.setTimerType(Qt::PreciseTimer);
    connect(&Timer3, &QTimer::timeout, this, &TForm1::Timer3Timer);

    // Timer1, Timer2 and Timer4 run from the end of start-up (a start-up
    // message box may stay open any length of time, and no tick may reach
    // a window still being made); the decorations' timers start disabled,
    // start-up and the Options menu switch them on.
    const auto setUp = [](QTimer& timer, int milliseconds) {
        timer.setInterval(milliseconds);
        timer.setTimerType(Qt::PreciseTimer);
    };
    setUp(Timer5, kTimer5Milliseconds);
    setUp(Timer6, kTimer6Milliseconds);
    setUp(Timer7, kTimer7Milliseconds);
    setUp(Timer8, kTimer8Milliseconds);
    connect(&Timer5, &QTimer::timeout, this, [this] { animations_->Timer5Timer(); });
    connect(&Timer6, &QTimer::timeout, this, [this] { animations_->Timer6Timer(); });
    connect(&Timer7, &QTimer::timeout, this, [this] { animations_->Timer7Timer(); });
    connect(&Timer8, &QTimer::timeout, this, [this] { animations_->Timer8Timer(); });
}

// Start-up, in its fixed order.
void TForm1::FormCreate() {
    GameSession& s = session_;

    // 1-2. The program's directory, where all its files lie, and the help file.
    const QString programDir = programDir_.isEmpty() ? QCoreApplication::applicationDirPath() : programDir_;
    s.ProgramDir = programDir.toStdString() + "/";
    helpFile_ = QString::fromStdString(s.ProgramDir) + QString::fromLatin1(kHelpFileName);
    // F1 anywhere in the game asks for the focused control's topic, going
    // outward to its window; the play field's own topic is how to play.
    help_ = std::make_unique<HelpSystem>(helpFile_);
    help_->ListenOn(*QCoreApplication::instance());
    SetHelpContext(*this, kMainWindowContext);

    // 3. The screen, read once.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->size() : kFallbackScreen;
    s.ScreenWidth = screenSize.width();
    s.ScreenHeight = screenSize.height();
    // The window's drawing surface: as large as the screen, so it covers
    // the client area however large the window becomes; at 2 pixels per
    // unit on high-resolution screens.
    const qreal dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    canvasDpi_ = dpi;
    MakeCanvas(ArtScaleFor(screen ? screen->devicePixelRatio() : 1.0));

    // 4. No spin yet; the game's random generator is seeded here, once.
    s.Spinning = false;
    engine_ = std::make_unique<GameEngine>(session_, host_, seed_ ? *seed_ : SeedFromTimeOfDay());

    // 5-6.
    s.LineBreak = "\r\n";
    s.Spins = 0;
    s.FieldLeft = 0;
    s.FieldTop = 0;

    // 7-8. The pictures: created for this layout, then loaded from the
    // program directory. A missing picture is reported once; the game runs
    // on without it.
    bitmaps_ = CreateBitmaps(s.ScreenWidth);
    strips_ = DigitStrips::LoadEmbedded();
    painter_ = std::make_unique<PlayFieldPainter>(canvas_, session_, bitmaps_, strips_, CaptionStyle{dpi});
    painter_->SetUpdateHandler([this](const QRect& rect) { ShowCanvas(rect); });
    animations_ = std::make_unique<AmbientAnimations>(canvas_, session_, bitmaps_,
                                                      static_cast<AnimationTimers&>(*this));
    animations_->SetUpdateHandler([this](const QRect& rect) { ShowCanvas(rect); });
    const int colourBits = screen ? screen->depth() : 24;
    colourBits_ = colourBits;
    if (!LoadBitmaps(bitmaps_, s, colourBits)) {
        QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kApplicationTitle),
                        QString::fromLatin1(kMissingBitmapsText), QMessageBox::Ok, this);
        box.exec();
    }
    // The sharper 2x pictures only when this screen needs them.
    if (CanvasScale() > 1) {
        LoadSharpPictures();
    }

    // 9.
    SetupReels(s);

    // 10. The sound output opens on a thread of its own, so the window does
    // not wait for it; the two sounds that play most are read into memory.
    // Should one be unreadable the player is told and the game goes on
    // without it.
    if (!soundPlayer_ || !music_) {
        ownAudio_ = std::make_unique<OwnAudio>();
        soundPlayer_ = soundPlayer_ ? soundPlayer_ : &ownAudio_->player;
        music_ = music_ ? music_ : &ownAudio_->music;
    }
    sounds_ = std::make_unique<GameSounds>(session_, *soundPlayer_);
    rotation_ = std::make_unique<MusicRotation>(session_, *music_);
    music_->SetNotifyHandler([this](MusicNotify notify) { MediaPlayer1Notify(notify); });
    if (const std::optional<std::string> error = sounds_->LoadSounds()) {
        QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kApplicationTitle),
                        QString::fromStdString(*error), QMessageBox::Ok, this);
        box.exec();
    }

    // 11.
    PlaceWindowAtOrigin();

    // 12-14.
    s.Bet = 0;
    s.LastBet = 0;
    s.NudgeChance = false;
    s.GameTitle = kGameTitle;
    engine_->NewGame();

    // 15-16. Options and the music files.
    s.MusicOn = true;
    s.SoundOn = true;
    for (int n = 0; n < kMusicFileCount; ++n) {
        s.MusicFiles[static_cast<std::size_t>(n)] = s.ProgramDir + "Morro" + std::to_string(n) + ".mid";
    }

    // 17. The game in play continues where the last run left it. The very
    // first start finds no record and gets the record's defaults.
    if (!records_) {
        ownRecords_ = std::make_unique<GameRecordFile>(DefaultGameRecordPath());
        records_ = ownRecords_.get();
    }
    records_->ReadGameRecord(s, kCurrentGameSlot);
    gameLoaded_ = true;

    // 18. Centred; the decorations start in the medium and large layouts,
    // while the small layout has none and hides their menu items.
    if (HasAnimations(DisplayModeFor(s.ScreenWidth))) {
        if (Blood1->isChecked()) {
            animations_->StartBlood();
        }
        animations_->StartBat();
    } else {
        Blood1->setVisible(false);
        Animations1->setVisible(false);
    }
    CentreWindow();

    // 19. Low-resolution screens get the window maximised: it takes the
    // whole work area the desktop offers, at whatever size that is.
    const QScreen* windowScreen = this->screen();
    if (windowScreen && MaximisedAtDpi(windowScreen->logicalDotsPerInch())) {
        Unfix();
        setWindowState(windowState() | Qt::WindowMaximized);
    }

    // The window's first paint: the field as start-up has left it, with the
    // counters of the game just read.
    RepaintField();

    // Start-up is over: the music and the welcome follow a quarter of a
    // second later, and the wild starts moving.
    Timer1.start();
    Timer4.start();
    Timer2.start();
}

// On Wayland the compositor alone places windows; a position asked for
// there means nothing.
bool TForm1::PlacesItself() {
    return !QGuiApplication::platformName().startsWith(QStringLiteral("wayland"));
}

// First step of placing the window: it takes the screen less a 10-pixel
// border, menu bar included, at the top left, but no more than the area the
// desktop leaves free of its panels. It cannot be resized.
void TForm1::PlaceWindowAtOrigin() {
    QSize size(session_.ScreenWidth - kScreenBorder, session_.ScreenHeight - kScreenBorder);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        size = size.boundedTo(screen->availableGeometry().size());
    }
    normalSize_ = size;
    setFixedSize(normalSize_);
    if (PlacesItself()) {
        move(0, 0);
    }
}

// Second step: centred across; centred down too, except on small screens,
// where every row counts and the window stays at the top. A desktop panel
// may push it across or down, never off the screen.
void TForm1::CentreWindow() {
    if (!PlacesItself()) {
        return;
    }
    QPoint at((session_.ScreenWidth - width()) / 2, DisplayModeFor(session_.ScreenWidth) == DisplayMode::Small
                                                        ? 0
                                                        : (session_.ScreenHeight - height()) / 2);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect free = screen->availableGeometry();
        at.setX(std::clamp(at.x(), free.left(), std::max(free.left(), free.right() + 1 - width())));
        at.setY(std::clamp(at.y(), free.top(), std::max(free.top(), free.bottom() + 1 - height())));
    }
    move(at);
}

// A maximised window has the size the desktop gives it: a fixed size would
// contradict it (Wayland compositors end the program for that).
void TForm1::Unfix() {
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

// Maximised, the window follows the work area; back to normal, it has its
// own fixed size again.
void TForm1::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || normalSize_.isEmpty()) {
        return;
    }
    if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
        Unfix();
    } else if (PlacesItself()) {
        // A Wayland compositor may still send a maximised size after this
        // (a fixed size would then break the protocol): there the window
        // stays free to resize once it has been maximised.
        setFixedSize(normalSize_);
    }
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (PlacesItself()) {
        QTimer::singleShot(kFrameSettleMilliseconds, this, [this] { KeepFrameOnScreen(); });
    }
}

// Once shown, a window manager's frame (its title bar) may push the window
// past the work area's bottom or right: it is then made that much smaller.
void TForm1::KeepFrameOnScreen() {
    const QScreen* screen = this->screen();
    if (!screen || (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))) {
        return;
    }
    const QRect free = screen->availableGeometry();
    const QRect frame = frameGeometry();
    const QSize over(std::max(0, frame.right() - free.right()), std::max(0, frame.bottom() - free.bottom()));
    if (over.width() == 0 && over.height() == 0) {
        return;
    }
    normalSize_ = (normalSize_ - over).expandedTo(QSize(1, 1));
    setFixedSize(normalSize_);
    move(std::max(free.left(), frame.left()), std::max(free.top(), frame.top()));
}

void TForm1::TakeFocusBack() {
    if (isVisible()) {
        activateWindow();
        fieldCanvas_->setFocus();
    }
}

// Every "repaint the whole window" of the game: the canvas is cleared and
// the field drawn anew into it. A paint event from the window system only
// shows the canvas as it stands.
void TForm1::RepaintField() {
    painter_->FormPaint();
    engine_->FieldRepainted();
}

void TForm1::ShowCanvas(const QRect& rect) {
    fieldCanvas_->Show(rect);
}

void TForm1::ShowCanvasNow() {
    fieldCanvas_->ShowChangesNow();
}

// The canvas in units of the screen, at `scale` pixels per unit. Captions
// are sized in points at the screen's own resolution.
void TForm1::MakeCanvas(int scale) {
    const QSize units(session_.ScreenWidth, session_.ScreenHeight);
    canvas_ = NewScaledImage(units, scale);
    canvas_.setDotsPerMeterX(static_cast<int>(canvasDpi_ * kInchesPerMetre));
    canvas_.setDotsPerMeterY(static_cast<int>(canvasDpi_ * kInchesPerMetre));
}

int TForm1::CanvasScale() const {
    return static_cast<int>(canvas_.devicePixelRatio());
}

// The 2x pictures, read the first time a screen needs them.
void TForm1::LoadSharpPictures() {
    if (!sharpLoaded_) {
        LoadSharpBitmaps(bitmaps_, session_, colourBits_);
        strips_.LoadSharp();
        sharpLoaded_ = true;
    }
}

// The window now shows on a screen of another scale: the canvas follows it
// and the field is drawn anew. The layout stays as it was read at start.
void TForm1::FollowDeviceRatio(qreal ratio) {
    const int scale = ArtScaleFor(ratio);
    if (scale == CanvasScale()) {
        return;
    }
    if (scale > 1) {
        LoadSharpPictures();
    }
    MakeCanvas(scale);
    RepaintField();
}

void TForm1::SetTimerEnabled(AnimationTimer timer, bool enabled) {
    QTimer& t = timer == AnimationTimer::Timer5   ? Timer5
                : timer == AnimationTimer::Timer6 ? Timer6
                : timer == AnimationTimer::Timer7 ? Timer7
                                                  : Timer8;
    if (enabled) {
        t.start();
    } else {
        t.stop();
    }
}

// The blood restarts from its first row; switched off, the window is
// repainted at once, which takes the strip away.
void TForm1::Blood1Click() {
    if (Blood1->isChecked()) {
        animations_->StartBlood();
    } else {
        animations_->StopBlood();
        RepaintField();
    }
}

// Switched on again, the procession starts with a sprite chosen at random.
void TForm1::Animations1Click() {
    if (!Animations1->isChecked()) {
        animations_->StopSprites();
        RepaintField();
        return;
    }
    switch (engine_->Random(3)) {
    case 0:
        animations_->StartBat();
        break;
    case 1:
        animations_->StartGhoul();
        break;
    default:
        animations_->StartSkeleton();
        break;
    }
}

void TForm1::keyPressEvent(QKeyEvent* event) {
    if (GameKeyOf(event->key())) {
        event->accept();
        FormKeyDown(*event);
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void TForm1::FormKeyDown(const QKeyEvent& event) {
    if (const std::optional<GameKey> key = GameKeyOf(event.key())) {
        engine_->FormKeyDown(static_cast<int>(*key));
        FinishPendingClose();
    }
}

void TForm1::FormMouseDown(QPoint position) {
    engine_->FormMouseDown(position.x(), position.y());
    FinishPendingClose();
}

void TForm1::FinishPendingClose() {
    if (closePending_ && !engine_->Busy()) {
        closePending_ = false;
        close();
    }
}

// The close button, Exit, or the desktop ending the session. A spin that is
// running stops at once, but its stops are already final: the window waits
// until the spin has paid out, so the game that is kept holds its win.
void TForm1::closeEvent(QCloseEvent* event) {
    session_.StopRequested = true;
    if (engine_->Busy()) {
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
    sounds_->PlayGoodbye();
    if (!gameLoaded_) {
        return true;
    }
    if (const std::optional<RecordWriteError> error =
            records_->WriteGameRecord(session_, kCurrentGameSlot, kCurrentGameName)) {
        if (unattendedClose_) {
            // Nobody is there to read a box: the old file stays as it was,
            // the reason goes to standard error, and the program ends.
            std::fprintf(stderr, "morrowmas-slots: %s\n", error->message.c_str());
            return true;
        }
        // The window stays and play goes on as before the close.
        session_.StopRequested = false;
        ShowError(this, session_, QString::fromStdString(error->message));
        TakeFocusBack();
        return false;
    }
    return true;
}

void TForm1::CloseUnattended() {
    unattendedClose_ = true;
    close();
}

void TForm1::OpenGame1Click() {
    RunLoadSave(LoadSaveMode::Open);
}

void TForm1::SaveGame1Click() {
    RunLoadSave(LoadSaveMode::Save);
}

void TForm1::RunLoadSave(LoadSaveMode mode) {
    const LoadSaveOutcome outcome = RunLoadSaveDialog(this, session_, *records_, mode);
    if (outcome.error) {
        ShowError(this, session_, QString::fromStdString(outcome.error->message));
    }
    if (outcome.RepaintNeeded()) {
        RepaintField();
    }
    TakeFocusBack();
}

void TForm1::NewGame1Click() {
    engine_->RequestNewGame();
}

// Ends the game: a running spin stops at once, the game is saved and the
// window closes.
void TForm1::Exit1Click() {
    session_.StopRequested = true;
    close();
}

// The dialogs work on the game in play directly. The borrow dialog changes
// the counters, so the field is repainted after it.
void TForm1::Borrow1Click() {
    RunBorrowDialog(this, *engine_, session_, strips_);
    RepaintField();
    TakeFocusBack();
}

void TForm1::Stats1Click() {
    RunStatsForm(this, session_);
    TakeFocusBack();
}

void TForm1::Payoffs1Click() {
    RunPaychart(this, session_);
    TakeFocusBack();
}

void TForm1::MorrowmasSlotsManual1Click() {
    help_->ShowContents();
}

void TForm1::WhatsaNudge1Click() {
    help_->ShowContext(kNudgeContext);
}

void TForm1::CompayInformation1Click() {
    help_->ShowContext(kCompanyContext);
}

void TForm1::NexorailHomepage1Click() {
    RunOnLineFrm(this, session_);
    TakeFocusBack();
}

void TForm1::PlayTrickOrTreat() {
    sounds_->PlayTrickOrTreat();
}

// Switching sound off keeps new effects from starting; one already playing
// plays on.
void TForm1::Sound1Click() {
    session_.SoundOn = Sound1->isChecked();
}

void TForm1::Music1Click() {
    const std::optional<std::string> error = rotation_->Music1Click();
    Music1->setChecked(session_.MusicOn);
    ShowMusicError(error);
}

// Once, a quarter of a second after start: the first piece is chosen and
// the game says welcome.
void TForm1::Timer1Timer() {
    Timer1.stop();
    rotation_->Timer1Timer();
    sounds_->PlayWelcome();
}

void TForm1::Timer4Timer() {
    ShowMusicError(rotation_->Timer4Timer());
}

void TForm1::MediaPlayer1Notify(MusicNotify notify) {
    rotation_->MediaPlayer1Notify(notify);
}

bool TForm1::ShowMusicError(const std::optional<std::string>& error) {
    if (!error) {
        return false;
    }
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kApplicationTitle),
                    QString::fromStdString(*error), QMessageBox::Ok, this);
    box.exec();
    TakeFocusBack();
    return true;
}

void TForm1::Timer2Timer() {
    painter_->Timer2Timer();
}

void TForm1::Timer3Timer() {
    engine_->Timer3Timer();
}

} // namespace morrow
