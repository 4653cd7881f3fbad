// The demonstration program's flow: the full-screen question, the window, the one-time set-up
// and the frame loop, up to the window's release. The platform must have been started before.
// The steps are public so that a headless snapshot runs exactly the demo's code.
#pragma once

namespace fogliame {

// Asks the full-screen question, opens the "Fogliame generico" window, sets it up, runs the
// frame loop until the window is destroyed (Escape or a close request) and releases the window.
// Returns the exit code, 0. A failure while opening the window ends the process in the library.
int RunDemo();

// The set-up between opening the window and the first frame: projection and default state (and
// the scene's render states and display lists).
void SetUpDemo();

// One frame without the swap: clear, handle at most one message, draw.
void DrawFrame();

// One pass of the frame loop: DrawFrame, then the swap.
void RunFrame();

}  // namespace fogliame
