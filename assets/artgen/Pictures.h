// SPDX-License-Identifier: GPL-3.0-or-later
// The painters of the game's pictures, one function per picture family, and
// the fixed positions the game relies on. Every painter is deterministic.
#pragma once

#include <QImage>
#include <QRect>

#include <array>

namespace morrow::artgen {

// Play field.
inline constexpr int kFieldWidth = 500;
inline constexpr int kFieldHeight = 400;
inline constexpr int kReelWidth = 96;
inline constexpr int kReelTop = 71;
inline constexpr int kReelBottom = 359; // exclusive
inline constexpr std::array<int, 3> kReelLeft{78, 202, 326};
inline constexpr int kPaylineY = 213;
inline constexpr int kPaylineInset = 72; // from x = 72 to W - 72
inline constexpr std::array<QRect, 3> kButtons{QRect(76, 365, 97, 31), QRect(201, 365, 97, 31),
                                               QRect(325, 365, 97, 31)};
inline constexpr std::array<int, 3> kNudgeCentreX{125, 250, 375};
inline constexpr int kNudgeCentreY = 47;

// Symbol sheet: 12 tiles of 96 x 96 in 4 columns.
inline constexpr int kTile = 96;
inline constexpr int kTileCount = 12;
inline QRect TileRect(int t) {
    return QRect((t % 4) * kTile, (t / 4) * kTile, kTile, kTile);
}
// The six symbols of the spinning strip, top to bottom.
inline constexpr std::array<int, 6> kMotionOrder{7, 2, 5, 0, 6, 4};

// Sprites: frame sizes and counts.
inline constexpr int kSpriteBorder = 10;

// Bonus pictures.
inline constexpr int kBonusWidth = 640;
inline constexpr int kBonusHeight = 430;
// Pumpkin tile k (0..5) of the pick picture, bounds inclusive.
inline QRect PumpkinTile(int k) {
    return QRect(22 + 100 * k, 330, 94, 95);
}
// The plain black area of the treat picture where the prize is written.
inline constexpr QRect kTreatTextArea(300, 136, 320, 88);

QImage PaintSymbolSheet();
QImage PaintMotionStrip(const QImage& symbolSheet);
QImage PaintPlayField();
QImage PaintBat();
QImage PaintGhoul();
QImage PaintSkeleton();
QImage PaintBlood();
QImage PaintTrickPick();
QImage PaintTrickTricked();
QImage PaintTrickTreat();
// A 16-colour Indexed8 strip of seven-segment digits, point and colon, its
// pixels repeated `scale` times each way.
QImage PaintDigits(bool green, bool large, int scale = 1);
QImage PaintPayChart(const QImage& symbolSheet);
// Amount 1000, 100, 10 or 1.
QImage PaintChip(int amount);
QImage PaintIcon(int size);

} // namespace morrow::artgen
