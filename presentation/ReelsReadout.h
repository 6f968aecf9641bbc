// SPDX-License-Identifier: GPL-3.0-or-later
// The reels in words, for players who hear the game rather than see it: the
// three symbols on the payline and what the line brought, as one would say it.
#pragma once

#include <string>
#include <string_view>

namespace morrow {

// The name of symbol 0..9 as the manual calls it ("Ghoul", "Bonus pail",
// "Wild"); empty for any other number.
std::string_view SymbolName(int symbol);

// The payline a, b, c and, when `result` is set, what it pays at `coins`
// coins: "Spider, Spider, Wild: you win 36 and a nudge", "Bat, Skull, Ghost:
// no win", "Bonus pail, Bonus pail, Bonus pail: Trick or Treat".
std::string ReelsReadout(int a, int b, int c, int coins, bool result = true);

} // namespace morrow
