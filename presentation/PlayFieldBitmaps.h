// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QString>

#include <cstdint>

namespace morrow {

struct GameSession;

// The pictures the play field is drawn from. Sizes are in units (pixels at
// 1x); a 2x picture holds twice as many pixels each way.
struct PictureSet {
    QImage InterfaceBitmap; // the play field, W x H
    QImage SymbolBitmap;    // 12 tiles of 96 x 96, four to a row
    QImage MotionBitmap;    // the blurred reel strip, 96 x 576, seamless
    QImage BatBitmap;       // 5 frames of 150 x 150 side by side
    QImage BloodBitmap;     // 5 rows of 498 x 24 stacked
    QImage GhoulBitmap;     // 4 frames of 190 x 150 stacked
    QImage SkeletonBitmap;  // 2 frames of 90 x 126 stacked
};

// The play field's pictures, loaded once at start from the program
// directory and kept for the life of the window. A picture whose file is
// missing (or is no readable bitmap) stays empty and draws nothing. The
// ambient animations' pictures exist only on screens from 700 wide.
struct PlayFieldBitmaps : PictureSet {
    bool AnimationBitmapsCreated = false;
    // The same pictures at SharpRatio pixels per unit, for screens of more
    // than one device pixel per unit; read only when a screen needs them
    // (LoadSharpBitmaps).
    PictureSet Sharp;
    qreal SharpRatio = 0;

    int FieldWidth() const { return InterfaceBitmap.width(); }
    int FieldHeight() const { return InterfaceBitmap.height(); }

    // The picture to copy from onto a canvas of `scale` pixels per unit.
    const QImage& For(QImage PictureSet::*picture, qreal scale) const {
        const QImage& sharp = Sharp.*picture;
        return scale > 1 && !sharp.isNull() ? sharp : this->*picture;
    }
};

inline constexpr char kMissingBitmapsText[] =
    "There are BMP files missing which may cause this program to not function properly!";

// Creates the pictures that this screen width calls for (all empty).
PlayFieldBitmaps CreateBitmaps(std::int32_t screenWidth);

// Loads the bitmap files that the screen's colour depth and the layout call
// for, and places the play field (FieldLeft, FieldTop). False when any file
// it looked for was missing or unreadable; loading goes on regardless.
bool LoadBitmaps(PlayFieldBitmaps& bitmaps, GameSession& session, int screenColourBits);

// After LoadBitmaps: every 1x picture that loaded at `ratio` pixels per
// unit, from the 2x or 3x art beside it by the rule of PictureAtRatio. A
// missing 2x or 3x file is no fault.
void LoadSharpBitmaps(PlayFieldBitmaps& bitmaps, const GameSession& session, int screenColourBits,
                      qreal ratio = 2);

} // namespace morrow
