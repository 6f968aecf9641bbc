// SPDX-License-Identifier: GPL-3.0-or-later
#include "TTrickForm.h"

#include "ArtResources.h"
#include "CanvasScale.h"
#include "FieldLayout.h"
#include "GameEngine.h"
#include "GameKeys.h"
#include "TrickFormAccessible.h"

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QRect>
#include <QScreen>

#include <utility>

namespace morrow {

namespace {

constexpr QRgb kPrizeRed = qRgb(255, 0, 0);

// One of the embedded pictures, ready to draw on, at the device's pixels
// per unit (from the larger art above 1). Should it ever be missing, a
// black picture of the same size keeps the tiles where the player expects
// them.
QImage LoadPicture(const char* resource, qreal ratio) {
    QImage picture(QString::fromLatin1(resource));
    if (picture.isNull()) {
        return NewScaledImage(QSize(kTrickPictureWidth, kTrickPictureHeight), ratio);
    }
    picture = picture.convertToFormat(QImage::Format_RGB32);
    return ratio > 1 ? PictureAtRatio(picture, QString::fromLatin1(resource), ratio, QStringLiteral(".png"))
                     : picture;
}

// Device pixels per unit for the screen the window opens on, at the game's zoom.
qreal PictureRatio(const QWidget* parent) {
    if (parent != nullptr) {
        return parent->devicePixelRatioF() * GameZoomOf(parent);
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->devicePixelRatio() : 1.0;
}

// The keyboard's choice: a will-o'-the-wisp glow, ghostly green against the
// gold frames and the orange pumpkins, around the tile and faintly inside it.
// It lies over the picture on the screen only; the pictures stay as painted.
void DrawPumpkinFocus(QPainter& painter, QPoint pictureOffset, int pumpkin) {
    const PumpkinTile tile = PumpkinTileOf(pumpkin);
    const QRectF edge = QRectF(QPointF(tile.left, tile.top), QPointF(tile.right + 1, tile.bottom + 1))
                            .translated(pictureOffset)
                            .adjusted(2.5, 2.5, -2.5, -2.5);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(120, 255, 140, 40));
    painter.drawRoundedRect(edge, 6, 6);
    painter.setBrush(Qt::NoBrush);
    const struct {
        qreal width;
        QColor colour;
    } strokes[] = {
        {10, QColor(60, 255, 110, 90)}, {6, QColor(90, 255, 130, 180)}, {2.5, QColor(225, 255, 215)}};
    for (const auto& stroke : strokes) {
        painter.setPen(QPen(stroke.colour, stroke.width, Qt::SolidLine, Qt::SquareCap, Qt::RoundJoin));
        painter.drawRoundedRect(edge, 6, 6);
    }
    painter.restore();
}

} // namespace

TTrickForm::TTrickForm(GameSession& session, TrickFormCollaborators collaborators, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), session_(session),
      collaborators_(std::move(collaborators)), round_(session), zoom_(GameZoomOf(parent)),
      image1_(LoadPicture(art::kTrickPick, PictureRatio(parent))),
      image2_(LoadPicture(art::kTrickTricked, PictureRatio(parent))),
      image3_(LoadPicture(art::kTrickTreat, PictureRatio(parent))) {
    Q_ASSERT_X(collaborators_.random, "TTrickForm", "the keyboard's pick needs a random source");
    setWindowTitle(QString::fromLatin1(kTrickFormCaption));
    setModal(true);
    setFocusPolicy(Qt::StrongFocus);
    // The paint event covers every pixel: black around the picture.
    setAttribute(Qt::WA_OpaquePaintEvent);

    Timer1.setInterval(kTimer1Milliseconds);
    Timer1.setSingleShot(true);
    Timer1.setTimerType(Qt::PreciseTimer);
    connect(&Timer1, &QTimer::timeout, this, &TTrickForm::Timer1Timer);
    Timer2.setInterval(kTimer2Milliseconds);
    Timer2.setSingleShot(true);
    Timer2.setTimerType(Qt::PreciseTimer);
    connect(&Timer2, &QTimer::timeout, this, &TTrickForm::Timer2Timer);

    FormCreate();
    Timer2.start();
}

TTrickForm::~TTrickForm() = default;

// The window covers the screen it opens on, centred there; the pictures are
// centred in it.
void TTrickForm::FormCreate() {
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    const QRect screenArea =
        screen ? screen->geometry() : QRect(0, 0, session_.ScreenWidth, session_.ScreenHeight);
    const int width = session_.ScreenWidth > 0 ? session_.ScreenWidth : screenArea.width();
    const int height = session_.ScreenHeight > 0 ? session_.ScreenHeight : screenArea.height();
    // Under a zoom the window covers the same logical screen as the game.
    const QSize size = (QSizeF(width, height) * zoom_).toSize();
    resize(size);
    move(screenArea.left() + (screenArea.width() - size.width()) / 2,
         screenArea.top() + (screenArea.height() - size.height()) / 2);
    if (screen && MaximisedAtDpi(screen->logicalDotsPerInch())) {
        setWindowState(windowState() | Qt::WindowMaximized);
    }
    PlacePictures();
}

// Centred in the client area, each half-difference truncated toward zero; a
// client area smaller than the picture cuts it on both sides.
void TTrickForm::PlacePictures() {
    const QSize picture = PictureSize();
    pictureOffset_ = QPoint((this->width() - picture.width()) / 2, (this->height() - picture.height()) / 2);
    update();
}

const QImage& TTrickForm::ShownPicture() const {
    if (!round_.Picked()) {
        return image1_;
    }
    return round_.PickedPrize() > 0 ? image3_ : image2_;
}

void TTrickForm::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    painter.translate(pictureOffset_);
    painter.scale(zoom_, zoom_);
    painter.drawImage(0, 0, ShownPicture());
    if (state_ == TrickFormState::Picking && chosenPumpkin_ > 0) {
        DrawPumpkinFocus(painter, QPoint(0, 0), chosenPumpkin_);
    }
}

// The picture's size in the window's pixels.
QSize TTrickForm::PictureSize() const {
    return (QSizeF(kTrickPictureWidth, kTrickPictureHeight) * zoom_).toSize();
}

// The keys go to this window as soon as it shows, with or without a window
// manager to hand them over.
void TTrickForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    activateWindow();
    setFocus(Qt::ActiveWindowFocusReason);
}

void TTrickForm::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    PlacePictures();
}

// Any mouse button. A press on the picture goes to the picture, one beside
// it to the window.
void TTrickForm::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (state_ == TrickFormState::Closed) {
        return;
    }
    const QPoint point = event->position().toPoint();
    const QRect picture(pictureOffset_, PictureSize());
    if (!picture.contains(point)) {
        FormMouseDown();
    } else if (state_ == TrickFormState::Picking) {
        const QPointF inPicture = QPointF(point - pictureOffset_) / zoom_;
        Image1MouseDown(QPoint(static_cast<int>(inPicture.x()), static_cast<int>(inPicture.y())));
    }
    // The trick and treat pictures take no clicks.
}

// The black area beside the picture: a miss while picking; after the pick
// it closes the window at once.
void TTrickForm::FormMouseDown() {
    if (state_ == TrickFormState::Picking) {
        ShowMissMessage();
    } else {
        done(QDialog::Accepted);
    }
}

void TTrickForm::Image1MouseDown(QPoint picturePoint) {
    const std::optional<int> pumpkin = PumpkinAt(picturePoint.x(), picturePoint.y());
    if (!pumpkin) {
        ShowMissMessage();
        return;
    }
    RevealPumpkin(*pumpkin);
}

// Every key is taken here, so Escape does not close the window.
void TTrickForm::keyPressEvent(QKeyEvent* event) {
    event->accept();
    if (const std::optional<PumpkinKey> key = PumpkinKeyOf(event->key())) {
        FormKeyDown(*key);
    }
}

// The arrows choose a pumpkin; Enter or Space picks the one chosen, or one at
// random while none is. Only while the pick picture shows.
void TTrickForm::FormKeyDown(PumpkinKey key) {
    if (state_ != TrickFormState::Picking) {
        return;
    }
    if (key == PumpkinKey::Pick) {
        RevealPumpkin(chosenPumpkin_ > 0 ? chosenPumpkin_ : RandomPumpkin(collaborators_.random));
        return;
    }
    chosenPumpkin_ = ChosenPumpkinAfter(chosenPumpkin_, key);
    update();
}

void TTrickForm::RevealPumpkin(int pumpkin) {
    const std::optional<PumpkinReveal> reveal = round_.RevealPumpkin(pumpkin);
    if (!reveal) {
        return;
    }
    const bool treat = reveal->prize != PumpkinPrize::Empty;
    state_ = treat ? TrickFormState::TreatShown : TrickFormState::TrickShown;
    if (collaborators_.playWinSound) {
        collaborators_.playWinSound(treat ? kTreatSound : kTrickSound);
    }
    Timer1.start();
    if (treat) {
        prizeText_ = QString::fromStdString(reveal->text);
        WritePrize(prizeText_);
    }
    update();
    TellPumpkinOpened(*this);
}

// Writes the prize on the treat picture, centred on its dark patch, over
// whatever lies there.
void TTrickForm::WritePrize(const QString& text) {
    QFont font(QString::fromLatin1(kPrizeFontFamily));
    font.setPixelSize(kPrizeFontPixels);
    font.setBold(true);
    QPainter painter(&image3_);
    painter.setFont(font);
    painter.setPen(QColor(kPrizeRed));
    const QFontMetrics metrics = painter.fontMetrics();
    const int left = kPrizeTextCentreX - metrics.horizontalAdvance(text) / 2;
    const int top = kPrizeTextCentreY - metrics.height() / 2;
    painter.drawText(left, top + metrics.ascent(), text);
}

void TTrickForm::ShowMissMessage() {
    QMessageBox box(
        QMessageBox::Information, QString::fromStdString(session_.GameTitle),
        QString::fromLatin1(kMissedPumpkinText.data(), static_cast<qsizetype>(kMissedPumpkinText.size())),
        QMessageBox::Ok, this);
    box.exec();
}

void TTrickForm::Timer1Timer() {
    done(QDialog::Accepted);
}

void TTrickForm::Timer2Timer() {
    if (collaborators_.playTrickOrTreat) {
        collaborators_.playTrickOrTreat();
    }
}

void TTrickForm::done(int result) {
    if (state_ != TrickFormState::Closed) {
        FormClose();
    }
    QDialog::done(result);
}

void TTrickForm::FormClose() {
    Timer1.stop();
    Timer2.stop();
    if (!round_.Picked()) {
        round_.RevealPumpkin(RandomPumpkin(collaborators_.random));
    }
    round_.Close();
    state_ = TrickFormState::Closed;
}

void RunTrickOrTreat(QWidget* parent, GameSession& session, TrickFormCollaborators collaborators) {
    TTrickForm form(session, std::move(collaborators), parent);
    form.exec();
    // A modal loop cut short (the application quitting) still ends the round.
    if (form.State() != TrickFormState::Closed) {
        form.done(QDialog::Accepted);
    }
}

} // namespace morrow
