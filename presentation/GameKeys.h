// The game's keys as Qt reports them, for the main window and the bonus
// window alike.
#pragma once

#include "GameEngine.h"

#include <Qt>

#include <optional>

namespace morrow {

// The game key a Qt key stands for, whatever the shift state: Return and the
// keypad's Enter are both Enter. Empty for a key the game does not use.
inline std::optional<GameKey> GameKeyOf(int qtKey) {
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
    default:
        return std::nullopt;
    }
}

} // namespace morrow
