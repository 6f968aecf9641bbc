// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlayField.h"

#include "CanvasScale.h"
#include "FieldCanvas.h"
#include "FieldLayout.h"

#include <QScreen>

namespace morrow {

namespace {
constexpr double kInchesPerMetre = 1000.0 / 25.4;
} // namespace

PlayField::PlayField(GameSession& session, Clock& clock) : session_(session), clock_(clock) {}

PlayField::~PlayField() = default;

void PlayField::ReadScreen(const QScreen* screen) {
    canvasDpi_ = screen ? screen->logicalDotsPerInch() : 96.0;
    colourBits_ = screen ? screen->depth() : 24;
    UseScreen(FieldScreenFor(screen, false, false));
}

void PlayField::UseScreen(const FieldScreen& screen) {
    screen_ = screen;
    session_.ScreenWidth = screen.units.width();
    session_.ScreenHeight = screen.units.height();
    MakeCanvas(screen.DeviceRatio());
    if (view_) {
        view_->SetZoom(screen.zoom);
    }
}

void PlayField::Relayout(const FieldScreen& screen, bool blood, bool sprites) {
    UseScreen(screen);
    const FieldOrigin origin = FieldOriginFor(session_.ScreenWidth, bitmaps_.FieldWidth());
    session_.FieldLeft = origin.left;
    session_.FieldTop = origin.top;
    if (CanvasScale() > 1) {
        LoadSharpPictures();
    }
    if (HasAnimations(DisplayModeFor(session_.ScreenWidth)) && bitmaps_.AnimationBitmapsCreated) {
        animations_->StopSprites();
        animations_->StopBlood();
        StartDecorations(blood);
        if (!sprites) {
            animations_->StopSprites();
        }
    }
    Repaint();
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

void PlayField::FollowDeviceRatio(qreal desktopScale) {
    const qreal ratio = desktopScale * screen_.zoom;
    if (qFuzzyCompare(ratio, CanvasScale())) {
        return;
    }
    screen_.desktopScale = desktopScale;
    MakeCanvas(ratio);
    if (ratio > 1) {
        LoadSharpPictures();
    }
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

// The canvas in units of the screen, at `ratio` pixels per unit. Captions
// are sized in points at the screen's own resolution.
void PlayField::MakeCanvas(qreal ratio) {
    canvas_ = NewScaledImage(QSize(session_.ScreenWidth, session_.ScreenHeight), ratio);
    canvas_.setDotsPerMeterX(static_cast<int>(canvasDpi_ * kInchesPerMetre));
    canvas_.setDotsPerMeterY(static_cast<int>(canvasDpi_ * kInchesPerMetre));
}

// The pictures at the canvas's scale, read when a screen first needs them.
void PlayField::LoadSharpPictures() {
    const qreal ratio = CanvasScale();
    if (!qFuzzyCompare(bitmaps_.SharpRatio, ratio)) {
        LoadSharpBitmaps(bitmaps_, session_, colourBits_, ratio);
    }
    if (!qFuzzyCompare(strips_.SharpRatio, ratio)) {
        strips_.LoadSharp(ratio);
    }
}

} // namespace morrow
