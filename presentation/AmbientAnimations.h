// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Clock.h"
#include "PlayFieldBitmaps.h"

#include <QImage>
#include <QRect>

#include <cstdint>
#include <functional>
#include <memory>

namespace morrow {

struct GameSession;

enum class Sprite { None, Bat, Ghoul, Skeleton };

// The decorations of the medium and large layouts: dripping blood along the
// bottom of the play field, and a procession round the window of a bat
// (down the right, across the bottom, up the left), a ghoul walking left
// along the bottom and a skeleton walking back, one at a time, for ever.
// Each tick moves its sprite and paints its next frame opaquely at the new
// place; the frame's black border wipes the trail. Nothing else is erased.
// The decorations own their timers: Timer6 the bat, Timer8 the ghoul,
// Timer5 the skeleton, Timer7 the blood.
class AmbientAnimations {
public:
    using UpdateHandler = std::function<void(const QRect&)>;

    AmbientAnimations(QImage& canvas, const GameSession& session, const PlayFieldBitmaps& bitmaps,
                      Clock& clock);

    void SetUpdateHandler(UpdateHandler handler) { onUpdate_ = std::move(handler); }

    void StartBat();
    void StartGhoul();
    void StartSkeleton();
    // Stops whichever sprite is moving.
    void StopSprites();
    void StartBlood();
    void StopBlood();

    void Timer6Timer(); // bat
    void Timer8Timer(); // ghoul
    void Timer5Timer(); // skeleton
    void Timer7Timer(); // blood

    Sprite Moving() const { return moving_; }
    bool BloodRunning() const { return bloodRunning_; }
    std::int32_t SpriteFrame() const { return spriteFrame_; }
    std::int32_t SpriteX() const { return spriteX_; }
    std::int32_t SpriteY() const { return spriteY_; }
    std::int32_t BloodFrame() const { return bloodFrame_; }

    // What the sprites never cover, in window coordinates: the field picture,
    // the blood strip below it and the counters with their captions above.
    // The ground walkers go below it, the bat right, below and left of it;
    // on a low screen they pass partly outside the window instead.
    QRect KeepOutArea() const;

private:
    void SwitchTo(Sprite sprite);
    void CopyFrame(const QImage& bitmap, const QRect& frame);
    // A walker's row, moved down below the field where it would meet it.
    std::int32_t WalkY(std::int32_t y) const;
    // The picture to copy from at the canvas's scale.
    const QImage& Picture(QImage PictureSet::*picture) const {
        return bitmaps_.For(picture, canvas_.devicePixelRatio());
    }
    int W() const { return bitmaps_.FieldWidth(); }
    int H() const { return bitmaps_.FieldHeight(); }

    QImage& canvas_;
    const GameSession& session_;
    const PlayFieldBitmaps& bitmaps_;
    std::unique_ptr<Timer> Timer5; // skeleton
    std::unique_ptr<Timer> Timer6; // bat
    std::unique_ptr<Timer> Timer7; // blood
    std::unique_ptr<Timer> Timer8; // ghoul
    UpdateHandler onUpdate_;

    Sprite moving_ = Sprite::None;
    bool bloodRunning_ = false;
    std::int32_t spriteFrame_ = 0; // shared by all three sprites
    std::int32_t spriteX_ = 0;
    std::int32_t spriteY_ = 0;
    std::int32_t bloodFrame_ = -1;
};

} // namespace morrow
