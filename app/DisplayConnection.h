#pragma once

namespace morrow {

// How the window's frames travel to an X11 display server.
//
// By default Qt hands the changed pixels to the X server in shared memory.
// Before it paints the next frame over pixels the server may still be
// reading, it stops and waits for the server to answer a request. Every
// frame of a spin repaints the same reels, so every frame waited for the X
// server's next turn on a core, and on a busy machine that turn comes late.
// Sent over the connection instead, a frame (about 440 kB of reels) is
// copied into the socket, and the game waits only while the socket is too
// full to take the rest of it. Measured beside two busy programs, a frame
// then comes more than 1 ms late two to thirty times less often, and on a
// quiet machine about a third as often. Wayland and the other platforms
// are left as they are.
//
// Call before the QApplication is made. A QT_XCB_NO_MITSHM the player has
// set is left as it stands.
void SendFramesOverTheDisplayConnection();

} // namespace morrow
