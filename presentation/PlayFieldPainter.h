// SPDX-License-Identifier: GPL-3.0-or-later
// The presentation layer: the play field's pictures and layouts, every
// drawing operation of the main window painted into its persistent canvas,
// the digit counters, and the ambient animations. Qt Gui only, no widgets.
#pragma once

#include "DigitCounter.h"
#include "GameSession.h"
#include "PlayFieldBitmaps.h"

#include <QFont>
#include <QImage>
#include <QRect>

#include <array>
#include <cstdint>
#include <functional>

namespace morrow {

// Reel r's opening in the play-field picture: 96 wide at x = 78 + 124 r,
// three rows of 96 from y = 71.
inline constexpr int kReelLeft = 78;
inline constexpr int kReelPitch = 124;
inline constexpr int kReelTop = 71;
inline constexpr int kSymbolSize = 96;
inline constexpr int kReelHeight = 3 * kSymbolSize;
inline constexpr int kMotionStripLength = 576;
inline constexpr int kPaylineY = 213;

// The caption fonts follow the screen's resolution: bold below 100 pixels
// per inch, where thin strokes get lost.
struct CaptionStyle {
    qreal logicalDpi = 96;
};

// Paints the main window's play field into its canvas (the window's client
// area, in units; the canvas may hold 2 pixels per unit, and then the 2x
// pictures are copied). Every operation paints at once, in the order the game asks
// for it, and reports the rectangle it changed so the window can show it;
// nothing is erased beyond what an operation itself covers.
class PlayFieldPainter {
public:
    using UpdateHandler = std::function<void(const QRect&)>;

    // The painter only reads the session: the reels, the screen and, for a
    // full paint, the counters.
    PlayFieldPainter(QImage& canvas, const GameSession& session, const PlayFieldBitmaps& bitmaps,
                     const DigitStrips& strips, CaptionStyle style);

    // Called with every changed rectangle of the canvas.
    void SetUpdateHandler(UpdateHandler handler) { onUpdate_ = std::move(handler); }

    // The whole field anew: black, the field picture, the reels, the
    // counters and their captions, the payline and grey "Nudge" captions.
    // The counters show the session's values.
    void FormPaint();

    void DrawReel(int reel);
    void DrawReelMotion(int reel, int stripOffset);
    void BeginReelBounce(int reel);
    void DrawReelBounce(int reel, int shift);
    void BeginNudgeSlide(int reel, std::int32_t newPosition);
    void DrawNudgeSlide(int reel, int top);
    void BeginShakeReel(int reel);
    void DrawShakeReel(int reel, int shift);
    void DrawCredits(std::int32_t credits);
    void DrawNudges(std::int32_t nudges);
    void DrawBet(std::int32_t bet);
    void DrawWinnings(std::int32_t amount);
    void DrawCoinsLabel();
    void DrawWinningsLabel();
    void DrawNudgeLabels(Rgb colour);
    void DrawPayline();

    // One step of the wild's animation on reel 3's payline cell.
    void Timer2Timer();
    int WildFrame() const { return wildFrame_; }

    const QFont& CaptionFont() const { return captionFont_; }
    const QFont& NudgeFont() const { return nudgeFont_; }

private:
    int W() const { return bitmaps_.FieldWidth(); }
    int H() const { return bitmaps_.FieldHeight(); }
    // A play-field offset in canvas coordinates.
    QPoint Field(int x, int y) const { return {session_.FieldLeft + x, session_.FieldTop + y}; }
    QPoint ReelOrigin(int reel) const { return Field(kReelLeft + kReelPitch * reel, kReelTop); }
    QRect SymbolTile(int symbol) const;
    // 0, 1, 2 for the small, medium and large layouts.
    int LayoutIndex() const;
    void WriteCaptionAt(int caption, const QString& text);
    // Writes white text on black with its top-left corner at `at`.
    void WriteCaption(const QString& text, QPoint at);
    int CaptionWidth(const QString& text) const;
    void DrawCounter(int counter, std::int32_t value);
    void Update(const QRect& rect) const;
    // The canvas's pixels per unit, and the picture to copy from at that scale.
    qreal Scale() const;
    const QImage& Picture(QImage PictureSet::*picture) const;

    QImage& canvas_;
    const GameSession& session_;
    const PlayFieldBitmaps& bitmaps_;
    const DigitStrips& strips_;
    QFont captionFont_;
    QFont nudgeFont_;
    UpdateHandler onUpdate_;

    int wildFrame_ = 0;
    int wildStep_ = 1;
    std::array<QImage, kReelCount> bounceWork_;
    std::array<QImage, kReelCount> slideWork_;
    std::array<QImage, kReelCount> shakeWork_;
};

} // namespace morrow
