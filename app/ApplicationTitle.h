// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>

namespace morrow {

// The game's name for the player (task bar, window list, the start-up and
// error boxes). The desktop reads it from the game's desktop entry.
inline constexpr char kApplicationTitle[] = "3D Morrowmas Slots";
// The game's name where the desktop lists running programs by name, as a
// screen reader does.
inline constexpr char kGameName[] = "Morrowmas Slots";
// The id of the game's desktop entry (our home page's host, reversed, and
// the game): the Wayland app id, the X11 window class and the icon's name,
// so the desktop matches the running windows to the entry.
inline constexpr char kDesktopId[] = "example.nexorail.MorrowmasSlots";
// Our program name, which the icons drawn for the build directory carry.
inline constexpr char kProgramName[] = "morrowmas-slots";

// Gives the application its desktop id and icon; call once, after the
// QApplication exists and before the main window is made. No display name
// is set, so every title bar reads exactly as its window's caption.
void ApplyApplicationTitle();

// The game's icon in every size we paint.
QIcon GameIcon();

} // namespace morrow
