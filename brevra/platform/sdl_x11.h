// Brevra platform layer (internal): what the SDL backend asks of the X server directly.
//
// SDL2 hides a few things a desktop program needs: the window manager's frame before the window
// is shown, windows destroyed by another X client, and X errors (Xlib's default handlers print a
// dump and end the process). These helpers speak Xlib for the SDL backend; every other file
// stays free of X11 headers. Xlib is loaded at run time (as SDL itself loads it), so the
// library's link line does not change. Off X11 (another SDL video driver) every helper answers
// "not available".
#pragma once

#include "brevra/platform/platform.h"

// SDL's own types (declared, so that this header needs no SDL include path).
struct SDL_Window;
struct SDL_SysWMmsg;

namespace brevra::platform::detail {

// Installs the X error handlers once the video subsystem is up: protocol errors are never fatal
// (one line on standard error per kind, none for windows another client destroyed); a lost
// connection ends the process with a plain message and exit code 1.
void X11InstallErrorHandlers();

// Asks the window manager for the frame it will put around `window` (not yet mapped) and waits
// briefly for the answer: left, top, right, bottom in `extents`. False without a window
// manager, without an answer, or off X11.
bool X11RequestFrameExtents(SDL_Window* window, RECT* extents);

// The X window id behind an SDL window (0 off X11); errors about it are known to be the
// program's own.
unsigned long X11WindowId(SDL_Window* window);

// The X window a native event says was destroyed (DestroyNotify), or 0.
unsigned long X11DestroyedWindow(const SDL_SysWMmsg* message);

// Remembers that another client destroyed `xid`: errors about it are expected and not shown.
void X11ForgetWindow(unsigned long xid);

}  // namespace brevra::platform::detail
