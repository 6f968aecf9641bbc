// SPDX-License-Identifier: GPL-3.0-or-later
// The settings the game makes for its whole process: how its frames reach
// an X11 display, how its sound stream shows in the mixer, how long the
// scheduler's time slices are, how the allocator hands out large blocks. (The
// sound module silences FluidSynth's log as it opens the output.)
#pragma once

namespace morrow {

// Makes them all, once (later calls do nothing). Called first thing in
// main, on the thread that will draw the window, before the QApplication,
// the sound output or any other thread is made.
//
// They are tweaks of this process only. The player's own values of the
// environment variables they change are noted first, and the programs the
// game starts (the browser) get those (PlayerEnvironment in TGoToWeb.h)
// and the scheduler's normal time slices.
void ApplyProcessSettings();

// Whether an X display whose screen is `screenWidth` device pixels wide (0:
// none) gets the window's frames over its connection rather than in shared
// memory.
bool FramesOverTheConnection(int screenWidth);

} // namespace morrow
