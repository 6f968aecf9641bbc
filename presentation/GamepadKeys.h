// SPDX-License-Identifier: GPL-3.0-or-later
// A game controller plays as the keyboard does: each button stands for the
// key of the same job in the window that has the focus.
#pragma once

#include <Qt>

#include <optional>

namespace morrow {

// A controller's buttons by where they sit, whatever they are labelled:
// south is A on most pads and the cross on others, west X or the square,
// north Y or the triangle.
enum class PadButton { South, East, West, North, DpadUp, DpadDown, DpadLeft, DpadRight };

// The kind of window that has the focus when a button is pressed.
enum class PadWindow {
    Machine, // the main window
    Bonus,   // the Trick or Treat window
    Dialog,  // any other window: a box, a dialog, the help
};

// The key a button stands for there; empty when it does nothing there. At
// the machine: south spins, west bets one, north bets the most, and the
// d-pad's left, down and right nudge reels 1, 2 and 3. In the bonus window
// the d-pad chooses a pumpkin and south picks it. A dialog takes only south,
// as its default button.
constexpr std::optional<Qt::Key> KeyForPadButton(PadWindow window, PadButton button) {
    if (button == PadButton::South) {
        return Qt::Key_Return;
    }
    if (window == PadWindow::Machine) {
        switch (button) {
        case PadButton::West:
            return Qt::Key_B;
        case PadButton::North:
            return Qt::Key_M;
        case PadButton::DpadLeft:
            return Qt::Key_1;
        case PadButton::DpadDown:
            return Qt::Key_2;
        case PadButton::DpadRight:
            return Qt::Key_3;
        default:
            return std::nullopt;
        }
    }
    if (window == PadWindow::Bonus) {
        switch (button) {
        case PadButton::DpadUp:
            return Qt::Key_Up;
        case PadButton::DpadDown:
            return Qt::Key_Down;
        case PadButton::DpadLeft:
            return Qt::Key_Left;
        case PadButton::DpadRight:
            return Qt::Key_Right;
        default:
            return std::nullopt;
        }
    }
    return std::nullopt;
}

} // namespace morrow
