#pragma once

#include <QIcon>

namespace morrow {

// The name the desktop shows for the running program (task bar, window list).
inline constexpr char kApplicationTitle[] = "3D Morrowmas Slots";
// Our program name for the desktop's window class and the per-user paths.
inline constexpr char kApplicationName[] = "morrowmas-slots";

// Gives the application its title, name and icon; call once, after the
// QApplication exists and before the main window is made.
void ApplyApplicationTitle();

// The game's icon in every size we paint.
QIcon GameIcon();

} // namespace morrow
