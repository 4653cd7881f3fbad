// The demonstration program's flow: the full-screen question, the window, the projection and the
// frame loop, up to the window's release. The platform must have been started before.
#pragma once

namespace fogliame {

// Asks the full-screen question, opens the "Fogliame generico" window, runs the frame loop until
// the window is destroyed (Escape or a close request) and releases the window. Returns the exit
// code, 0. A failure while opening the window ends the process inside the library.
int RunDemo();

// One pass of the frame loop: clear, handle at most one message, draw, swap.
void RunFrame();

}  // namespace fogliame
