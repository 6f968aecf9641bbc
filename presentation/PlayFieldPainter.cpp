// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlayFieldPainter.h"

#include "CanvasScale.h"
#include "FieldLayout.h"
#include "Reels.h"

#include <QFontMetrics>
#include <QPainter>

namespace morrow {

namespace {

constexpr char kCaptionFamily[] = "Liberation Sans";
constexpr int kCaptionPoints = 10;
constexpr int kNudgeCaptionPoints = 12;
constexpr qreal kBoldBelowDpi = 100.0;

// The small layout's column of counters ends 30 pixels from the screen's
// right edge, whatever the window's own width.
constexpr int kColumnRightMargin = 30;

// Where a counter or caption is anchored, horizontally.
enum class Anchor {
    Column,     // the small layout's column: x = ScreenWidth - 30, in window coordinates
    FieldLeft,  // the field's left edge
    FieldRight, // the field's right edge (x = W)
    FieldMiddle // the field's middle (x = W / 2)
};

// A counter's place: its anchor, its row, the ink and which edge the anchor is.
// At the field's middle a left-aligned counter starts half a digit cell left
// of the middle and a right-aligned one ends half a cell right of it, so a
// one-digit bet fills exactly the cell centred there and the winnings grow
// leftward from that cell's right edge.
struct CounterPlace {
    Anchor anchor;
    int y;
    DigitInk ink;
    DigitAlign align;
};

enum Counter { kCredits, kNudges, kBet, kWinnings, kCounterCount };

// Per layout (small, medium, large), the place of every counter. Small
// layout rows are window rows; the others lie above the field.
constexpr std::array<std::array<CounterPlace, kCounterCount>, 3> kCounterPlaces{{
    {{{Anchor::Column, 70, DigitInk::Red, DigitAlign::Right},
      {Anchor::Column, 145, DigitInk::Green, DigitAlign::Right},
      {Anchor::Column, 220, DigitInk::Red, DigitAlign::Right},
      {Anchor::Column, 220, DigitInk::Red, DigitAlign::Right}}},
    {{{Anchor::FieldRight, -25, DigitInk::Green, DigitAlign::Right},
      {Anchor::FieldLeft, -25, DigitInk::Green, DigitAlign::Left},
      {Anchor::FieldMiddle, -25, DigitInk::Red, DigitAlign::Left},
      {Anchor::FieldMiddle, -25, DigitInk::Red, DigitAlign::Right}}},
    {{{Anchor::FieldRight, -45, DigitInk::Green, DigitAlign::Right},
      {Anchor::FieldLeft, -45, DigitInk::Green, DigitAlign::Left},
      {Anchor::FieldMiddle, -45, DigitInk::Red, DigitAlign::Left},
      {Anchor::FieldMiddle, -45, DigitInk::Red, DigitAlign::Right}}},
}};

// The captions: "Credits", "Nudges" and "Coins" (whose place "Winnings"
// takes during a payout). In the small layout each ends at the column; above
// the field "Nudges" starts at the left edge, "Credits" ends at the right one
// and "Coins" is centred.
struct CaptionPlace {
    Anchor anchor;
    int y; // the small layout's window row; above the field the layout's caption row
};

enum Caption { kCreditsCaption, kNudgesCaption, kCoinsCaption, kCaptionCount };

constexpr std::array<CaptionPlace, kCaptionCount> kColumnCaptions{
    {{Anchor::Column, 50}, {Anchor::Column, 125}, {Anchor::Column, 200}}};
constexpr std::array<Anchor, kCaptionCount> kFieldCaptionAnchors{Anchor::FieldRight, Anchor::FieldLeft,
                                                                 Anchor::FieldMiddle};
// The captions stand 40 pixels above the field in the medium layout and 65
// in the large one. The taller spacing goes with the large layout's field
// 100 pixels down: screens 900 to 999 wide keep the medium spacing, since
// their field stands only 40 pixels down and the captions would otherwise
// sit above the window's top.
constexpr std::array<int, 3> kCaptionRow{0, -40, -65};

// The window x of an anchor.
int AnchorX(Anchor anchor, const ScreenGeometry& session, int fieldWidth) {
    switch (anchor) {
    case Anchor::Column:
        return session.ScreenWidth - kColumnRightMargin;
    case Anchor::FieldLeft:
        return session.FieldLeft;
    case Anchor::FieldRight:
        return session.FieldLeft + fieldWidth;
    case Anchor::FieldMiddle:
        return session.FieldLeft + fieldWidth / 2;
    }
    return 0;
}

// Reel 3's payline cell and the white band under it, for the wild.
constexpr int kWildTileBase = 9;
constexpr int kWildLastFrame = 2;
constexpr QPoint kWildCell{326, 167};
constexpr int kWildBandHeight = 15;

// What the shake captures: the reel less 4 rows top and bottom, from two
// pixels left of the reel.
constexpr int kShakeLeft = 76;
constexpr int kShakeTop = 75;
constexpr int kShakeHeight = 280;

constexpr std::array<int, kReelCount> kNudgeCaptionX{125, 250, 375};
constexpr int kNudgeCaptionY = 47;

QColor ToQColor(Rgb c) {
    return {c.red, c.green, c.blue};
}

QFont CaptionFontAt(int points, CaptionStyle style) {
    QFont font(QString::fromLatin1(kCaptionFamily));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(points);
    font.setBold(style.logicalDpi < kBoldBelowDpi);
    return font;
}

} // namespace

PlayFieldPainter::PlayFieldPainter(QImage& canvas, const GameSession& session,
                                   const PlayFieldBitmaps& bitmaps, const DigitStrips& strips,
                                   CaptionStyle style)
    : canvas_(canvas), session_(session), bitmaps_(bitmaps), strips_(strips),
      captionFont_(CaptionFontAt(kCaptionPoints, style)),
      nudgeFont_(CaptionFontAt(kNudgeCaptionPoints, style)) {
    // The "Nudge" captions are written again and again over themselves on a
    // clear background while they flash; smoothed edges would pile up, so
    // grey after yellow would keep a yellow fringe.
    nudgeFont_.setStyleStrategy(QFont::NoAntialias);
}

void PlayFieldPainter::Update(const QRect& rect) const {
    if (onUpdate_) {
        onUpdate_(rect.intersected(UnitRect(canvas_)));
    }
}

qreal PlayFieldPainter::Scale() const {
    return canvas_.devicePixelRatio();
}

const QImage& PlayFieldPainter::Picture(QImage PictureSet::*picture) const {
    return bitmaps_.For(picture, Scale());
}

QRect PlayFieldPainter::SymbolTile(int symbol) const {
    return {symbol % 4 * kSymbolSize, symbol / 4 * kSymbolSize, kSymbolSize, kSymbolSize};
}

void PlayFieldPainter::FormPaint() {
    canvas_.fill(Qt::black);
    const QImage& field = Picture(&PictureSet::InterfaceBitmap);
    CopyInto(canvas_, Field(0, 0), field, UnitRect(field));
    for (int reel = 0; reel < kReelCount; ++reel) {
        DrawReel(reel);
    }
    DrawCredits(session_.Credits);
    DrawNudges(session_.Nudges);
    DrawBet(session_.Bet);

    WriteCaptionAt(kCreditsCaption, QStringLiteral("Credits"));
    WriteCaptionAt(kNudgesCaption, QStringLiteral("Nudges"));
    WriteCaptionAt(kCoinsCaption, QStringLiteral("Coins"));
    DrawPayline();
    DrawNudgeLabels(kNudgeGrey);
    Update(UnitRect(canvas_));
}

int PlayFieldPainter::LayoutIndex() const {
    return static_cast<int>(DisplayModeFor(session_.ScreenWidth));
}

// Writes one of the captions at its place in this layout: ending at the
// column, starting at the field's left edge, ending at its right edge, or
// centred on its middle.
void PlayFieldPainter::WriteCaptionAt(int caption, const QString& text) {
    const int layout = LayoutIndex();
    const bool column = layout == static_cast<int>(DisplayMode::Small);
    const auto c = static_cast<std::size_t>(caption);
    const Anchor anchor = column ? kColumnCaptions[c].anchor : kFieldCaptionAnchors[c];
    const int y =
        column ? kColumnCaptions[c].y : session_.FieldTop + kCaptionRow[static_cast<std::size_t>(layout)];
    const int width = CaptionWidth(text);
    int x = AnchorX(anchor, session_, W());
    if (anchor == Anchor::Column || anchor == Anchor::FieldRight) {
        x -= width;
    } else if (anchor == Anchor::FieldMiddle) {
        x -= width / 2;
    }
    WriteCaption(text, {x, y});
}

int PlayFieldPainter::CaptionWidth(const QString& text) const {
    return QFontMetrics(captionFont_, &canvas_).horizontalAdvance(text);
}

void PlayFieldPainter::WriteCaption(const QString& text, QPoint at) {
    const QFontMetrics metrics(captionFont_, &canvas_);
    const QRect box(at, QSize(metrics.horizontalAdvance(text), metrics.height()));
    QPainter painter(&canvas_);
    painter.fillRect(box, Qt::black);
    painter.setFont(captionFont_);
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    Update(box);
}

void PlayFieldPainter::DrawReel(int reel) {
    const auto r = static_cast<std::size_t>(reel);
    const QPoint origin = ReelOrigin(reel);
    for (int row = 0; row < 3; ++row) {
        const int symbol = SymbolAt(session_, reel, session_.ReelPos[r] + row);
        CopyInto(canvas_, origin + QPoint(0, row * kSymbolSize), Picture(&PictureSet::SymbolBitmap),
                 SymbolTile(symbol));
    }
    Update({origin, QSize(kSymbolSize, kReelHeight)});
    DrawPayline();
}

// The spinning reel is put together in a picture of its own, so the seam of
// the looping strip never shows as two separate copies, and drawn one row
// higher than a reel at rest.
void PlayFieldPainter::DrawReelMotion(int reel, int stripOffset) {
    const QImage& motion = Picture(&PictureSet::MotionBitmap);
    if (motion.isNull()) {
        DrawPayline();
        return;
    }
    QImage frame = NewScaledImage({kSymbolSize, kReelHeight}, Scale());
    if (stripOffset + kReelHeight > kMotionStripLength) {
        const int n = kMotionStripLength - stripOffset;
        CopyInto(frame, {0, 0}, motion, QRect(0, stripOffset, kSymbolSize, n));
        CopyInto(frame, {0, n}, motion, QRect(0, 0, kSymbolSize, kReelHeight - n));
    } else {
        CopyInto(frame, {0, 0}, motion, QRect(0, stripOffset, kSymbolSize, kReelHeight));
    }
    const QPoint at = ReelOrigin(reel) - QPoint(0, 1);
    CopyInto(canvas_, at, frame, UnitRect(frame));
    Update({at, QSize(kSymbolSize, kReelHeight)});
    DrawPayline();
}

void PlayFieldPainter::BeginReelBounce(int reel) {
    bounceWork_[static_cast<std::size_t>(reel)] =
        CopyOut(canvas_, QRect(ReelOrigin(reel), QSize(kSymbolSize, kReelHeight)));
}

void PlayFieldPainter::DrawReelBounce(int reel, int shift) {
    const QImage& work = bounceWork_[static_cast<std::size_t>(reel)];
    const QPoint at = ReelOrigin(reel) + QPoint(0, shift);
    CopyInto(canvas_, at, work, UnitRect(work));
    Update({at, UnitRect(work).size()});
}

void PlayFieldPainter::BeginNudgeSlide(int reel, std::int32_t newPosition) {
    const auto r = static_cast<std::size_t>(reel);
    QImage work = NewScaledImage({kSymbolSize, 4 * kSymbolSize}, Scale());
    for (int row = 0; row < 4; ++row) {
        const int symbol = SymbolAt(session_, reel, newPosition + row);
        CopyInto(work, {0, row * kSymbolSize}, Picture(&PictureSet::SymbolBitmap), SymbolTile(symbol));
    }
    slideWork_[r] = std::move(work);
}

void PlayFieldPainter::DrawNudgeSlide(int reel, int top) {
    const QImage& work = slideWork_[static_cast<std::size_t>(reel)];
    const QPoint at = ReelOrigin(reel);
    CopyInto(canvas_, at, work, QRect(0, top, kSymbolSize, kReelHeight));
    Update({at, QSize(kSymbolSize, kReelHeight)});
}

void PlayFieldPainter::BeginShakeReel(int reel) {
    shakeWork_[static_cast<std::size_t>(reel)] = CopyOut(
        canvas_, QRect(Field(kShakeLeft + kReelPitch * reel, kShakeTop), QSize(kSymbolSize, kShakeHeight)));
}

// The rows a shifted copy leaves uncovered keep whatever they showed.
void PlayFieldPainter::DrawShakeReel(int reel, int shift) {
    const QImage& work = shakeWork_[static_cast<std::size_t>(reel)];
    const QPoint at = Field(kShakeLeft + kReelPitch * reel, kShakeTop + shift);
    CopyInto(canvas_, at, work, UnitRect(work));
    Update({at, UnitRect(work).size()});
}

void PlayFieldPainter::DrawPayline() {
    const int length = W() - 2 * 72;
    if (length <= 0) {
        return;
    }
    const QRect line(Field(72, kPaylineY), QSize(length, 1));
    QPainter painter(&canvas_);
    painter.fillRect(line, QColor(0, 255, 0));
    Update(line);
}

void PlayFieldPainter::DrawCounter(int counter, std::int32_t value) {
    const CounterPlace& place =
        kCounterPlaces[static_cast<std::size_t>(LayoutIndex())][static_cast<std::size_t>(counter)];
    int x = AnchorX(place.anchor, session_, W());
    if (place.anchor == Anchor::FieldMiddle) {
        const int half = DigitCellFor(session_.ScreenWidth).width / 2;
        x += place.align == DigitAlign::Left ? -half : half;
    }
    const int y = place.anchor == Anchor::Column ? place.y : session_.FieldTop + place.y;
    Update(DrawNumber(canvas_, strips_, session_.ScreenWidth, value, x, y, place.ink, place.align));
}

void PlayFieldPainter::DrawCredits(std::int32_t credits) {
    DrawCounter(kCredits, credits);
}

void PlayFieldPainter::DrawNudges(std::int32_t nudges) {
    DrawCounter(kNudges, nudges);
}

void PlayFieldPainter::DrawBet(std::int32_t bet) {
    DrawCoinsLabel();
    DrawCounter(kBet, bet);
}

void PlayFieldPainter::DrawWinnings(std::int32_t amount) {
    DrawCounter(kWinnings, amount);
}

// The panel above the middle of the field that holds "Coins" and the bet,
// or "Winnings" and the amount paid so far.
void PlayFieldPainter::DrawCoinsLabel() {
    const bool small = DisplayModeFor(session_.ScreenWidth) == DisplayMode::Small;
    const QRect panel = small ? QRect(QPoint(session_.ScreenWidth - 120, 180),
                                      QPoint(session_.ScreenWidth - kColumnRightMargin - 1, 249))
                              : QRect(Field(W() / 2 - 160, -90), Field(W() / 2 + 30 - 1, -3 - 1));
    {
        QPainter painter(&canvas_);
        painter.fillRect(panel, Qt::black);
    }
    Update(panel);
    WriteCaptionAt(kCoinsCaption, QStringLiteral("Coins"));
}

void PlayFieldPainter::DrawWinningsLabel() {
    WriteCaptionAt(kCoinsCaption, QStringLiteral("Winnings"));
}

void PlayFieldPainter::DrawNudgeLabels(Rgb colour) {
    const QString nudge = QStringLiteral("Nudge");
    const QFontMetrics metrics(nudgeFont_, &canvas_);
    const int width = metrics.horizontalAdvance(nudge);
    const int height = metrics.height();
    QPainter painter(&canvas_);
    painter.setFont(nudgeFont_);
    painter.setPen(ToQColor(colour));
    for (const int centre : kNudgeCaptionX) {
        const QRect box(Field(centre - width / 2, kNudgeCaptionY - height / 2), QSize(width, height));
        painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, nudge);
        Update(box);
    }
}

// Tiles 9, 10 and 11 are the wild's three pictures; the cell shows 10, 11,
// 10, 9, 10, ... with a white band beneath.
void PlayFieldPainter::Timer2Timer() {
    wildFrame_ += wildStep_;
    const QPoint cell = Field(kWildCell.x(), kWildCell.y());
    CopyInto(canvas_, cell, Picture(&PictureSet::SymbolBitmap), SymbolTile(wildFrame_ + kWildTileBase));
    Update({cell, QSize(kSymbolSize, kSymbolSize)});
    DrawPayline();
    const QRect band(cell + QPoint(0, kSymbolSize), QSize(kSymbolSize, kWildBandHeight));
    {
        QPainter painter(&canvas_);
        painter.fillRect(band, Qt::white);
    }
    Update(band);
    if (wildFrame_ >= kWildLastFrame || wildFrame_ <= 0) {
        wildStep_ = -wildStep_;
    }
}

} // namespace morrow
