#pragma once

namespace morrow {

// The name the desktop shows for the running program (task bar, window list).
inline constexpr char kApplicationTitle[] = "3D Morrowmas Slots";
// Our program name for the desktop's window class and the per-user paths.
inline constexpr char kApplicationName[] = "morrowmas-slots";

// Gives the application its title and name; call once, after the
// QApplication exists and before the main window is made.
void ApplyApplicationTitle();

} // namespace morrow
