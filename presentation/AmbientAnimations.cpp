// SPDX-License-Identifier: GPL-3.0-or-later
#include "AmbientAnimations.h"

#include "CanvasScale.h"
#include "FieldLayout.h"
#include "GameSession.h"

#include <QPainter>

#include <algorithm>

namespace morrow {

namespace {

constexpr int kBatSize = 150;
constexpr int kBatFrames = 5;
constexpr int kBatClimb = 5;
constexpr int kBatFlight = 6;
constexpr int kGhoulWidth = 190;
constexpr int kGhoulHeight = 150;
constexpr int kGhoulFrames = 4;
constexpr int kSkeletonWidth = 90;
constexpr int kSkeletonHeight = 126;
constexpr int kSkeletonFrames = 2;
constexpr int kWalkStep = 10;
constexpr int kBloodWidth = 498;
constexpr int kBloodRowHeight = 24;
constexpr int kBloodRows = 5;

// Wide screens keep the bat further from the edges and walk the ground
// sprites higher up. The bat's band starts at 900, the walkers' above it.
constexpr std::int32_t kWideScreen = 900;

// The counters and their captions stand this far above the field's top.
constexpr int kMediumCaptionsAbove = 40;
constexpr int kLargeCaptionsAbove = 65;
// The blood strip hangs this far below the field picture.
constexpr int kBloodBelow = 20;

} // namespace

AmbientAnimations::AmbientAnimations(QImage& canvas, const GameSession& session,
                                     const PlayFieldBitmaps& bitmaps, Clock& clock)
    : canvas_(canvas), session_(session), bitmaps_(bitmaps),
      Timer5(clock.MakeTimer(GameTimer::Timer5, [this] { Timer5Timer(); })),
      Timer6(clock.MakeTimer(GameTimer::Timer6, [this] { Timer6Timer(); })),
      Timer7(clock.MakeTimer(GameTimer::Timer7, [this] { Timer7Timer(); })),
      Timer8(clock.MakeTimer(GameTimer::Timer8, [this] { Timer8Timer(); })) {}

void AmbientAnimations::SwitchTo(Sprite sprite) {
    auto timerOf = [this](Sprite s) -> Timer& {
        switch (s) {
        case Sprite::Bat:
            return *Timer6;
        case Sprite::Ghoul:
            return *Timer8;
        case Sprite::Skeleton:
        case Sprite::None:
            break;
        }
        return *Timer5;
    };
    if (moving_ != Sprite::None) {
        timerOf(moving_).Stop();
    }
    moving_ = sprite;
    if (sprite != Sprite::None) {
        timerOf(sprite).Start();
    }
}

void AmbientAnimations::CopyFrame(const QImage& bitmap, const QRect& frame) {
    if (bitmap.isNull()) {
        return;
    }
    const QRect target(QPoint(spriteX_, spriteY_), frame.size());
    CopyInto(canvas_, target.topLeft(), bitmap, frame);
    if (onUpdate_) {
        onUpdate_(target.intersected(UnitRect(canvas_)));
    }
}

QRect AmbientAnimations::KeepOutArea() const {
    const int above = DisplayModeFor(session_.ScreenWidth) == DisplayMode::Large ? kLargeCaptionsAbove
                                                                                 : kMediumCaptionsAbove;
    const int top = session_.FieldTop - above;
    const int bottom = session_.FieldTop + H() + kBloodBelow; // exclusive
    return {session_.FieldLeft, top, std::max(W(), kBloodWidth), bottom - top};
}

std::int32_t AmbientAnimations::WalkY(std::int32_t y) const {
    return std::max(y, KeepOutArea().bottom() + 1);
}

// The bat comes in from above the window, centred in the margin right of
// the field; where that margin is narrower than the bat, it flies along the
// field's right edge and partly outside the window. It carries on the frame
// count of the sprite before it.
void AmbientAnimations::StartBat() {
    const std::int32_t fieldRight = KeepOutArea().right() + 1;
    spriteX_ = std::max(fieldRight + (session_.ScreenWidth - fieldRight - kBatSize) / 2, fieldRight);
    spriteY_ = -kBatSize;
    SwitchTo(Sprite::Bat);
}

void AmbientAnimations::Timer6Timer() {
    if (spriteFrame_ < 0) {
        spriteFrame_ = 0;
    }
    if (++spriteFrame_ >= kBatFrames) {
        spriteFrame_ = 0;
    }
    const bool wide = session_.ScreenWidth >= kWideScreen;
    // It turns along the bottom below the blood strip, and up the left side
    // only once it is wholly left of the field, on low and narrow screens too.
    const QRect keepOut = KeepOutArea();
    const std::int32_t leftLimit = std::min(wide ? 50 : 2, keepOut.left() - kBatSize + 1);
    const std::int32_t bottomLimit = std::max(session_.ScreenHeight - (wide ? 240 : 136), keepOut.bottom());
    // Once at the left side the bat climbs until it has left the window.
    if (spriteX_ < leftLimit) {
        spriteY_ -= kBatClimb;
    } else if (spriteY_ > bottomLimit) {
        spriteX_ -= kBatFlight;
    } else {
        spriteY_ += kBatClimb;
    }
    if (spriteY_ < -kBatSize) {
        StartGhoul();
        return;
    }
    CopyFrame(Picture(&PictureSet::BatBitmap), QRect(kBatSize * spriteFrame_, 0, kBatSize, kBatSize));
}

void AmbientAnimations::StartGhoul() {
    spriteFrame_ = -1;
    spriteX_ = session_.ScreenWidth;
    spriteY_ = WalkY(session_.ScreenHeight - (session_.ScreenWidth > kWideScreen ? 220 : 120));
    SwitchTo(Sprite::Ghoul);
}

void AmbientAnimations::Timer8Timer() {
    if (++spriteFrame_ >= kGhoulFrames) {
        spriteFrame_ = 0;
    }
    spriteX_ -= kWalkStep;
    if (spriteX_ < -kGhoulWidth) {
        StartSkeleton();
        return;
    }
    CopyFrame(Picture(&PictureSet::GhoulBitmap),
              QRect(0, kGhoulHeight * spriteFrame_, kGhoulWidth, kGhoulHeight));
}

// On narrower screens the skeleton walks just below the blood strip.
void AmbientAnimations::StartSkeleton() {
    spriteFrame_ = -1;
    spriteX_ = -kSkeletonWidth;
    spriteY_ = WalkY(session_.ScreenWidth > kWideScreen ? session_.ScreenHeight - 220
                                                        : session_.FieldTop + H() + 24);
    SwitchTo(Sprite::Skeleton);
}

void AmbientAnimations::Timer5Timer() {
    if (++spriteFrame_ >= kSkeletonFrames) {
        spriteFrame_ = 0;
    }
    spriteX_ += kWalkStep;
    if (spriteX_ > session_.ScreenWidth + kSkeletonWidth) {
        StartBat();
        return;
    }
    CopyFrame(Picture(&PictureSet::SkeletonBitmap),
              QRect(0, kSkeletonHeight * spriteFrame_, kSkeletonWidth, kSkeletonHeight));
}

void AmbientAnimations::StopSprites() {
    SwitchTo(Sprite::None);
}

void AmbientAnimations::StartBlood() {
    bloodFrame_ = -1;
    bloodRunning_ = true;
    Timer7->Start();
}

void AmbientAnimations::StopBlood() {
    bloodRunning_ = false;
    Timer7->Stop();
}

// The blood hangs from 4 rows above the field picture's bottom edge to 20
// rows below it.
void AmbientAnimations::Timer7Timer() {
    if (++bloodFrame_ >= kBloodRows) {
        bloodFrame_ = 0;
    }
    if (bitmaps_.BloodBitmap.isNull()) {
        return;
    }
    const QPoint at(session_.FieldLeft, session_.FieldTop + H() - 4);
    CopyInto(canvas_, at, Picture(&PictureSet::BloodBitmap),
             QRect(0, kBloodRowHeight * bloodFrame_, kBloodWidth, kBloodRowHeight));
    if (onUpdate_) {
        onUpdate_(QRect(at, QSize(kBloodWidth, kBloodRowHeight)).intersected(UnitRect(canvas_)));
    }
}

} // namespace morrow
