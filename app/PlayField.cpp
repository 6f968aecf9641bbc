#include "PlayField.h"

#include "CanvasScale.h"
#include "FieldCanvas.h"
#include "FieldLayout.h"

#include <QScreen>

namespace morrow {

namespace {
constexpr double kInchesPerMetre = 1000.0 / 25.4;
// When the platform reports no screen at all, the smallest layout is assumed.
constexpr QSize kFallbackScreen{640, 480};
} // namespace

PlayField::PlayField(GameSession& session, Clock& clock) : session_(session), clock_(clock) {}

PlayField::~PlayField() = default;

void PlayField::ReadScreen(const QScreen* screen) {
    const QSize screenSize = screen ? screen->size() : kFallbackScreen;
    session_.ScreenWidth = screenSize.width();
    session_.ScreenHeight = screenSize.height();
    canvasDpi_ = screen ? screen->logicalDotsPerInch() : 96.0;
    colourBits_ = screen ? screen->depth() : 24;
    MakeCanvas(ArtScaleFor(screen ? screen->devicePixelRatio() : 1.0));
}

bool PlayField::LoadPictures() {
    bitmaps_ = CreateBitmaps(session_.ScreenWidth);
    strips_ = DigitStrips::LoadEmbedded();
    painter_ =
        std::make_unique<PlayFieldPainter>(canvas_, session_, bitmaps_, strips_, CaptionStyle{canvasDpi_});
    painter_->SetUpdateHandler([this](const QRect& rect) { Show(rect); });
    animations_ = std::make_unique<AmbientAnimations>(canvas_, session_, bitmaps_, clock_);
    animations_->SetUpdateHandler([this](const QRect& rect) { Show(rect); });
    const bool complete = LoadBitmaps(bitmaps_, session_, colourBits_);
    // The sharper 2x pictures only when this screen needs them.
    if (CanvasScale() > 1) {
        LoadSharpPictures();
    }
    return complete;
}

void PlayField::Repaint() {
    painter_->FormPaint();
    if (repainted_) {
        repainted_();
    }
}

void PlayField::FollowDeviceRatio(qreal ratio) {
    const int scale = ArtScaleFor(ratio);
    if (scale == CanvasScale()) {
        return;
    }
    if (scale > 1) {
        LoadSharpPictures();
    }
    MakeCanvas(scale);
    Repaint();
}

bool PlayField::StartDecorations(bool blood) {
    if (!HasAnimations(DisplayModeFor(session_.ScreenWidth))) {
        return false;
    }
    if (blood) {
        animations_->StartBlood();
    }
    animations_->StartBat();
    return true;
}

void PlayField::SwitchBlood(bool on) {
    if (on) {
        animations_->StartBlood();
    } else {
        animations_->StopBlood();
        Repaint();
    }
}

void PlayField::SwitchSprites(bool on, int pick) {
    if (!on) {
        animations_->StopSprites();
        Repaint();
    } else if (pick == 0) {
        animations_->StartBat();
    } else if (pick == 1) {
        animations_->StartGhoul();
    } else {
        animations_->StartSkeleton();
    }
}

void PlayField::ShowNow() {
    if (view_) {
        view_->ShowChangesNow();
    }
}

void PlayField::Show(const QRect& rect) {
    if (view_) {
        view_->Show(rect);
    }
}

// The canvas in units of the screen, at `scale` pixels per unit. Captions
// are sized in points at the screen's own resolution.
void PlayField::MakeCanvas(int scale) {
    canvas_ = NewScaledImage(QSize(session_.ScreenWidth, session_.ScreenHeight), scale);
    canvas_.setDotsPerMeterX(static_cast<int>(canvasDpi_ * kInchesPerMetre));
    canvas_.setDotsPerMeterY(static_cast<int>(canvasDpi_ * kInchesPerMetre));
}

// The 2x pictures, read the first time a screen needs them.
void PlayField::LoadSharpPictures() {
    if (!sharpLoaded_) {
        LoadSharpBitmaps(bitmaps_, session_, colourBits_);
        strips_.LoadSharp();
        sharpLoaded_ = true;
    }
}

} // namespace morrow
