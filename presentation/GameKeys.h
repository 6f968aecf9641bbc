// SPDX-License-Identifier: GPL-3.0-or-later
// The player's controls on the play field: which command a click at a place
// on the field or a key stands for. The main window and the bonus window
// both read their keys here.
#pragma once

#include "GameEngine.h"

#include <Qt>

#include <array>
#include <optional>

namespace morrow {

// The keys the game uses. Reel1..Reel3 are the digits 1 to 3, on the top
// row or the keypad.
enum class GameKey { Enter, Space, B, M, Reel1, Reel2, Reel3 };

// The game key a Qt key stands for, whatever the shift state: Return and the
// keypad's Enter are both Enter. Empty for a key the game does not use.
constexpr std::optional<GameKey> GameKeyOf(int qtKey) {
    switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return GameKey::Enter;
    case Qt::Key_Space:
        return GameKey::Space;
    case Qt::Key_B:
        return GameKey::B;
    case Qt::Key_M:
        return GameKey::M;
    case Qt::Key_1:
        return GameKey::Reel1;
    case Qt::Key_2:
        return GameKey::Reel2;
    case Qt::Key_3:
        return GameKey::Reel3;
    default:
        return std::nullopt;
    }
}

// At the machine: Enter and Space spin, B bets one coin, M bets the most,
// 1, 2 and 3 nudge reel 1, 2 or 3 as a click on its "Nudge" caption does.
constexpr PlayerCommand CommandOf(GameKey key) {
    switch (key) {
    case GameKey::B:
        return PlayerCommand::BetOne;
    case GameKey::M:
        return PlayerCommand::BetMax;
    case GameKey::Reel1:
    case GameKey::Reel2:
    case GameKey::Reel3:
        return NudgeCommandFor(static_cast<int>(key) - static_cast<int>(GameKey::Reel1));
    case GameKey::Enter:
    case GameKey::Space:
        break;
    }
    return PlayerCommand::Spin;
}

// In the bonus window the keys choose a pumpkin and pick it: Left and Up go
// one pumpkin to the left, Right and Down one to the right, Home and End to
// the ends of the row; Enter and Space pick.
enum class PumpkinKey { Left, Right, First, Last, Pick };

constexpr std::optional<PumpkinKey> PumpkinKeyOf(int qtKey) {
    switch (qtKey) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        return PumpkinKey::Left;
    case Qt::Key_Right:
    case Qt::Key_Down:
        return PumpkinKey::Right;
    case Qt::Key_Home:
        return PumpkinKey::First;
    case Qt::Key_End:
        return PumpkinKey::Last;
    default:
        break;
    }
    const std::optional<GameKey> key = GameKeyOf(qtKey);
    if (key == GameKey::Enter || key == GameKey::Space) {
        return PumpkinKey::Pick;
    }
    return std::nullopt;
}

// The pumpkin (1..6) chosen after a move from `chosen`, 0 while none is: the
// first move chooses the end of the row it heads from, pumpkin 1 going right
// and 6 going left; a move stops at the row's ends.
constexpr int ChosenPumpkinAfter(int chosen, PumpkinKey key) {
    switch (key) {
    case PumpkinKey::First:
        return 1;
    case PumpkinKey::Last:
        return kPumpkinCount;
    case PumpkinKey::Left:
        return chosen == 0 ? kPumpkinCount : (chosen > 1 ? chosen - 1 : 1);
    case PumpkinKey::Right:
        return chosen == 0 ? 1 : (chosen < kPumpkinCount ? chosen + 1 : kPumpkinCount);
    case PumpkinKey::Pick:
        break;
    }
    return chosen;
}

// The click areas on the play field, relative to its origin; bounds
// inclusive. The buttons stand in a row under the reels, the "Nudge"
// captions in a row above them, each in the column of its reel.
struct ClickBand {
    int top;
    int bottom;
};
struct ClickColumn {
    int left;
    int right;
};
inline constexpr ClickBand kNudgeRow{34, 61};
inline constexpr ClickBand kButtonRow{365, 395};
inline constexpr std::array<ClickColumn, 3> kColumns{{{76, 172}, {201, 297}, {325, 421}}};

// The command of a click at (fieldX, fieldY) from the play field's origin.
constexpr PlayerCommand ControlAt(int fieldX, int fieldY) {
    int column = -1;
    for (std::size_t c = 0; c < kColumns.size(); ++c) {
        if (fieldX >= kColumns[c].left && fieldX <= kColumns[c].right) {
            column = static_cast<int>(c);
        }
    }
    if (fieldY >= kNudgeRow.top && fieldY <= kNudgeRow.bottom) {
        return column < 0 ? PlayerCommand::NudgeRowGap : NudgeCommandFor(column);
    }
    if (fieldY >= kButtonRow.top && fieldY <= kButtonRow.bottom && column >= 0) {
        constexpr std::array<PlayerCommand, 3> buttons{PlayerCommand::BetOne, PlayerCommand::BetMax,
                                                       PlayerCommand::Spin};
        return buttons[static_cast<std::size_t>(column)];
    }
    return PlayerCommand::Nothing;
}

} // namespace morrow
