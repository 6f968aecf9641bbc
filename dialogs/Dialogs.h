// SPDX-License-Identifier: GPL-3.0-or-later
// The game's dialogs: borrowing, statistics, the payoff chart and the
// web-site invitation, each opened modally from the main window's menu bar.
#pragma once

class QWidget;

namespace morrow {

struct DigitStrips;
class GameEngine;
struct GameSession;
struct SavedGame;

// Borrow and pay back credits; the engine changes the game in play at every
// click. Repaint the main window's counters afterwards.
void RunBorrowDialog(QWidget* parent, GameEngine& engine, const GameSession& session,
                     const DigitStrips& strips);
// The statistics of the game in play, numbers in the player's locale.
void RunStatsForm(QWidget* parent, const SavedGame& game);
// The pay table picture "Paychart.bmp" from the program directory.
void RunPaychart(QWidget* parent, const GameSession& session);
// The invitation to the maker's web site, which can start the browser.
void RunOnLineFrm(QWidget* parent, const GameSession& session);

} // namespace morrow
