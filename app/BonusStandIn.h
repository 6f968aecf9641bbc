#pragma once

class QWidget;

namespace morrow {

class GameEngine;

inline constexpr char kBonusTitle[] = "Trick or Treat";
inline constexpr char kTrickedText[] = "You've Been Tricked";

// A stand-in for the Trick or Treat window until its pictures exist: a
// message box offers the six pumpkins as buttons (or picks one at random,
// as the keyboard does in the real window, on "Pick for me", Enter, Escape or
// close), then a second box tells what the pumpkin held. The prize goes
// into the game exactly as the real window will hand it over.
void RunBonusStandIn(QWidget& parent, GameEngine& engine);

} // namespace morrow
