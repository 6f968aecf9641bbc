// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReelsReadout.h"

#include "Reels.h"

#include <array>

namespace morrow {

std::string_view SymbolName(int symbol) {
    static constexpr std::array<std::string_view, kSymbolCount> kNames{
        "Jack-o'-lantern", "Ghoul",     "Bat",   "Skull",      "Ghost",
        "Spider",          "Black cat", "Sweet", "Bonus pail", "Wild"};
    if (symbol < 0 || symbol >= kSymbolCount) {
        return {};
    }
    return kNames[static_cast<std::size_t>(symbol)];
}

std::string ReelsReadout(int a, int b, int c, int coins, bool result) {
    std::string text;
    for (const int symbol : {a, b, c}) {
        if (!text.empty()) {
            text += ", ";
        }
        text += SymbolName(symbol);
    }
    if (!result) {
        return text;
    }
    const LineResult line = EvaluateLine(a, b, c);
    switch (line.kind) {
    case LineKind::Triple:
    case LineKind::StakeBack:
        text += ": you win " + std::to_string(line.payPerCoin * coins);
        break;
    case LineKind::Bonus:
        text += ": Trick or Treat";
        break;
    case LineKind::Lose:
        text += ": no win";
        break;
    }
    if (line.wildNudge) {
        text += " and a nudge";
    }
    return text;
}

} // namespace morrow
