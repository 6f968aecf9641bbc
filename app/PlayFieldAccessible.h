// SPDX-License-Identifier: GPL-3.0-or-later
// The play field for screen readers. The field is one painted canvas, so it
// gets an accessible face of its own: the buttons and "Nudge" captions a
// sighted player clicks, as buttons with a press action, the counters as
// values, and the reels as a line of text that changes after every spin and
// nudge. Desktops read it through Qt's accessibility (AT-SPI on Linux).
#pragma once

#include "GameEngine.h"

#include <QObject>
#include <QPoint>
#include <QString>

#include <cstdint>
#include <functional>

class QAccessibleInterface;

namespace morrow {

class FieldCanvas;
struct GameSession;

// The counters and the reels' line, as the accessible field lists them.
enum class FieldReading { Credits, Coins, Winnings, Nudges, Reels };

// What the accessible field reads and presses: the game in play, the engine's
// rules for what a press would do, and the window's own press of a control.
// It lives beside the canvas (a child object) and hears from the game's host
// what is drawn, to tell a screen reader of each change.
class PlayFieldAccess final : public QObject {
    Q_OBJECT

public:
    // `press` does what a click on the control does.
    PlayFieldAccess(FieldCanvas& canvas, const GameSession& session, const GameEngine& engine,
                    std::function<void(PlayerCommand)> press);

    // The access of a canvas; null when it has none. What it hears is kept
    // always (a few numbers and the reels' line); it tells only a listening
    // screen reader.
    static PlayFieldAccess* Of(const FieldCanvas* canvas);

    // A press from a screen reader: carried out once the request that asked
    // for it has been answered, as a click would be.
    void Press(PlayerCommand command);
    // Whether a click on the control would do anything now.
    bool Available(PlayerCommand command) const;
    QString Reading(FieldReading reading) const;
    std::int32_t Value(FieldReading counter) const;
    bool WinningsShown() const { return winningsShown_; }
    bool Spinning() const;
    // The play field's top-left corner on the canvas.
    QPoint FieldOrigin() const;

    // What the host drew. A counter shows a new value; the middle counter
    // shows the winnings (from the label on) or the coins again.
    void CounterDrawn(FieldReading counter, std::int32_t value = 0);
    // The reels have come to rest after a spin or a nudge: the line is read.
    void ReelsAtRest();
    // The reels move again: the last winnings are gone.
    void ReelsMoving();
    // The buttons that became available or unavailable are told.
    void Refresh();

private:
    void Tell(FieldReading reading, int event);

    FieldCanvas& canvas_;
    const GameSession& session_;
    const GameEngine& engine_;
    std::function<void(PlayerCommand)> press_;
    std::int32_t winnings_ = 0;
    bool winningsShown_ = false;
    QString line_; // the reels' line as last read; empty before the first spin
    unsigned available_ = 0;
};

// Gives the game's windows and the application their accessible faces;
// once, before the first window is shown. Safe to call again.
void InstallGameAccessibility();

} // namespace morrow
