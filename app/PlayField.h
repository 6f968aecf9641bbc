// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmbientAnimations.h"
#include "Clock.h"
#include "DigitCounter.h"
#include "FieldCanvas.h"
#include "GameSession.h"
#include "PlayFieldBitmaps.h"
#include "PlayFieldPainter.h"
#include "ScreenFit.h"

#include <QImage>
#include <QPointer>

#include <functional>
#include <memory>

class QScreen;

namespace morrow {

// The play field: the canvas every drawing operation paints into, the
// pictures and digit strips, the painter, the decorations, and the widget of
// the window that puts the canvas on the screen. Made empty; start-up reads
// the screen and then the pictures into it.
class PlayField {
public:
    PlayField(GameSession& session, Clock& clock);
    ~PlayField();

    PlayField(const PlayField&) = delete;
    PlayField& operator=(const PlayField&) = delete;

    // The screen at 1x, read once: its size into the session, and a canvas
    // as large as it, so the canvas covers the client area however large the
    // window becomes; at the device's pixels per unit.
    void ReadScreen(const QScreen* screen);
    // The same for the screen the game is laid out for, read before the
    // pictures are loaded.
    void UseScreen(const FieldScreen& screen);
    // The game laid out anew, at once, for another screen (the zoom to fit
    // was switched, or the window went to or from full screen): the field's
    // place, the canvas and its pictures follow, the decorations start their
    // round again as they are switched, and the field is drawn anew. The
    // game in play is not touched.
    void Relayout(const FieldScreen& screen, bool blood, bool sprites);
    const FieldScreen& Screen() const { return screen_; }
    // The pictures of this screen's layout, read from the program directory,
    // and the painter and decorations that draw them. False when a picture
    // file is missing; the game runs on without it.
    bool LoadPictures();
    // The window now shows on a screen of another scale (`desktopScale`
    // device pixels per desktop pixel): the canvas follows it and the field
    // is drawn anew. The layout and the zoom stay as they were.
    void FollowDeviceRatio(qreal desktopScale);

    // The widget that shows the canvas, in the window; changes drawn from
    // now on reach it.
    void ShowIn(FieldCanvas& view) { view_ = &view; }
    FieldCanvas* View() const { return view_; }
    // The decorations of the medium and large layouts start: the bat, and
    // the blood when `blood`. False in the small layout, which has none.
    bool StartDecorations(bool blood);
    // The Blood item: the blood restarts from its first row; switched off,
    // the field is repainted at once, which takes the strip away.
    void SwitchBlood(bool on);
    // The Animations item: switched on again, the procession starts with
    // sprite `pick` (0 bat, 1 ghoul, 2 skeleton), chosen at random.
    void SwitchSprites(bool on, int pick);
    // The whole field redrawn into the canvas and shown; then `repainted`,
    // handed in once, hears of it.
    void Repaint();
    void WhenRepainted(std::function<void()> repainted) { repainted_ = std::move(repainted); }
    // Puts on the screen at once what has been drawn and is not shown yet.
    void ShowNow();

    const QImage& Image() const { return canvas_; }
    PlayFieldPainter& Painter() { return *painter_; }
    AmbientAnimations& Animations() { return *animations_; }
    const PlayFieldBitmaps& Bitmaps() const { return bitmaps_; }
    const DigitStrips& Strips() const { return strips_; }

private:
    void Show(const QRect& rect);
    void MakeCanvas(qreal ratio);
    qreal CanvasScale() const { return canvas_.devicePixelRatio(); }
    void LoadSharpPictures();

    GameSession& session_;
    Clock& clock_;
    QPointer<FieldCanvas> view_;
    QImage canvas_;
    qreal canvasDpi_ = 96;
    int colourBits_ = 24;
    FieldScreen screen_;
    PlayFieldBitmaps bitmaps_;
    DigitStrips strips_;
    std::unique_ptr<PlayFieldPainter> painter_;
    std::unique_ptr<AmbientAnimations> animations_;
    std::function<void()> repainted_;
};

} // namespace morrow
