#include "TForm1.h"

#include "FieldCanvas.h"
#include "FieldLayout.h"
#include "Random.h"
#include "Reels.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>

#include <string>

namespace morrow {

namespace {

constexpr char kWindowCaption[] = "Morrowmas Slots";
constexpr char kGameTitle[] = "Morrowmas Slots";
constexpr char kHelpFileName[] = "Morrow.hlp";
constexpr int kTimer2Milliseconds = 200;
constexpr int kTimer3Milliseconds = 200;
// The window leaves 10 pixels of the screen free (5 on each side when centred).
constexpr int kScreenBorder = 10;
// Screens below this many pixels per inch get the window maximised.
constexpr qreal kMaximiseBelowDpi = 100.0;
// When the platform reports no screen at all, the smallest layout is assumed.
constexpr QSize kFallbackScreen{640, 480};

// The virtual key code of the game's four keys, whatever the shift state.
std::optional<int> GameKeyCode(int qtKey) {
    switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return static_cast<int>(GameKey::Enter);
    case Qt::Key_Space:
        return static_cast<int>(GameKey::Space);
    case Qt::Key_B:
        return static_cast<int>(GameKey::B);
    case Qt::Key_M:
        return static_cast<int>(GameKey::M);
    default:
        return std::nullopt;
    }
}

} // namespace

TForm1::TForm1(Collaborators collaborators, QWidget* parent)
    : QMainWindow(parent), ownClock_(collaborators.clock ? nullptr : std::make_unique<SteadyClock>()),
      clock_(collaborators.clock ? *collaborators.clock : *ownClock_), seed_(collaborators.seed),
      host_(*this, clock_) {
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
    SetUpMenu();
    SetUpTimers();

    FormCreate();
    fieldCanvas_->setFocus();
}

TForm1::~TForm1() = default;

void TForm1::SetUpMenu() {
    MainMenu1 = menuBar();
    QMenu* file1 = MainMenu1->addMenu(QStringLiteral("&File"));
    NewGame1 = file1->addAction(QStringLiteral("&New Game"));
    connect(NewGame1, &QAction::triggered, this, &TForm1::NewGame1Click);
}

void TForm1::SetUpTimers() {
    Timer2.setInterval(kTimer2Milliseconds);
    Timer2.setTimerType(Qt::PreciseTimer);
    connect(&Timer2, &QTimer::timeout, this, &TForm1::Timer2Timer);
    Timer2.start();

    Timer3.setInterval(kTimer3Milliseconds);
    Timer3.setTimerType(Qt::PreciseTimer);
    connect(&Timer3, &QTimer::timeout, this, &TForm1::Timer3Timer);
}

// Start-up, in its fixed order.
void TForm1::FormCreate() {
    GameSession& s = session_;

    // 1-2. The program's directory, where all its files lie, and the help file.
    s.ProgramDir = QCoreApplication::applicationDirPath().toStdString() + "/";
    helpFile_ = QString::fromStdString(s.ProgramDir) + QString::fromLatin1(kHelpFileName);

    // 3. The screen, read once.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->size() : kFallbackScreen;
    s.ScreenWidth = screenSize.width();
    s.ScreenHeight = screenSize.height();
    // The window's drawing surface: as large as the screen, so it covers
    // the client area however large the window becomes.
    canvas_ = QImage(screenSize, QImage::Format_RGB32);
    canvas_.fill(Qt::black);

    // 4. No spin yet; the game's random generator is seeded here, once.
    s.Spinning = false;
    engine_ = std::make_unique<GameEngine>(session_, host_, seed_ ? *seed_ : SeedFromTimeOfDay());

    // 5-6.
    s.LineBreak = "\r\n";
    s.Spins = 0;
    s.FieldLeft = 0;
    s.FieldTop = 0;

    // 7-8. BITMAPS: the off-screen pictures and the bitmap files are loaded
    // here, with the missing-files message. No play-field picture exists yet,
    // so the layout places a field 0 pixels wide.
    const FieldOrigin origin = FieldOriginFor(s.ScreenWidth, 0);
    s.FieldLeft = origin.left;
    s.FieldTop = origin.top;

    // 9.
    SetupReels(s);

    // 10. SOUNDS: the two short sounds are read into memory here.

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

    // 17. GAME RECORD: the game in play is read from the record file here.

    // 18. ANIMATIONS: the blood effect and the first animation start here in
    // the medium and large layouts; the small layout hides their menu items.
    CentreWindow();

    // 19. Low-resolution screens get the window maximised.
    const QScreen* windowScreen = this->screen();
    if (windowScreen && windowScreen->logicalDotsPerInch() < kMaximiseBelowDpi) {
        setWindowState(windowState() | Qt::WindowMaximized);
    }
}

// First step of placing the window: it takes the screen less a 10-pixel
// border, menu bar included, at the top left. It cannot be resized.
void TForm1::PlaceWindowAtOrigin() {
    setFixedSize(session_.ScreenWidth - kScreenBorder, session_.ScreenHeight - kScreenBorder);
    move(0, 0);
}

// Second step: centred across; centred down too, except on small screens,
// where every row counts and the window stays at the top.
void TForm1::CentreWindow() {
    const int left = (session_.ScreenWidth - width()) / 2;
    const int top = DisplayModeFor(session_.ScreenWidth) == DisplayMode::Small
                        ? 0
                        : (session_.ScreenHeight - height()) / 2;
    move(left, top);
}

void TForm1::TakeFocusBack() {
    if (isVisible()) {
        activateWindow();
        fieldCanvas_->setFocus();
    }
}

void TForm1::RepaintField() {
    canvas_.fill(Qt::black);
    interimView_.Draw(canvas_, session_);
    fieldCanvas_->update();
}

void TForm1::RedrawInterimView() {
    interimView_.Draw(canvas_, session_);
    fieldCanvas_->update();
}

void TForm1::keyPressEvent(QKeyEvent* event) {
    if (GameKeyCode(event->key())) {
        event->accept();
        FormKeyDown(*event);
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void TForm1::FormKeyDown(const QKeyEvent& event) {
    if (const std::optional<int> code = GameKeyCode(event.key())) {
        engine_->FormKeyDown(*code);
    }
}

void TForm1::FormMouseDown(QPoint position) {
    engine_->FormMouseDown(position.x(), position.y());
}

void TForm1::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

// The window is closing: a spin in progress ends at once. The game in play
// is saved here once the record file exists.
void TForm1::FormClose() {
    session_.StopRequested = true;
}

void TForm1::NewGame1Click() {
    engine_->RequestNewGame();
}

// The wild's animation on reel 3's payline is drawn here with the play field.
void TForm1::Timer2Timer() {}

void TForm1::Timer3Timer() {
    engine_->Timer3Timer();
}

} // namespace morrow
