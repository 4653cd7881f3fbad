// Brevra platform layer (internal): the backend table.
//
// A backend translates: it makes native windows and GL surfaces, shows dialogs, and turns its
// native events into calls of the shared input path (state.h). It keeps no window state of its
// own beyond its native handles. Entries marked optional may be null; the shared code checks.
//
// Two backends are always built: sdl_backend.cpp (real windows through SDL2) and
// headless_backend.cpp (EGL pbuffers, scripted input).
#pragma once

#include <cstdint>
#include <vector>

#include "brevra/platform/platform.h"
#include "brevra/platform/state.h"

namespace brevra::platform::detail {

struct BackendOps {
  const char* name;

  // init
  bool (*init)();
  void (*shutdown)();
  void (*screenSize)(std::int32_t* width, std::int32_t* height);
  std::uint32_t (*ticks)();  // milliseconds, for timers and message times

  // window (top-level windows only; children live in the shared tree alone)
  // Creates the native window for w (outer rectangle and style already set) and fills w->frame.
  bool (*createWindow)(Window* w);
  void (*destroyWindow)(Window* w);
  void (*moveWindow)(Window* w);  // outer rectangle changed
  void (*showWindow)(Window* w);  // visible / minimized changed
  void (*setTitle)(Window* w);
  // The client size changed (optional): e.g. a new surface of that size.
  void (*clientResized)(Window* w);

  // input
  void (*pumpEvents)();  // collect native events without waiting
  // Waits until an event may have arrived or `timeoutMs` passed (UINT32_MAX: no timer is
  // pending). False when nothing can ever arrive (a scripted platform with nothing scripted).
  bool (*waitEvents)(std::uint32_t timeoutMs);
  bool (*getCursorPos)(POINT* point);                         // optional: the real pointer
  bool (*setCursorPos)(std::int32_t x, std::int32_t y);       // optional: warp the real pointer
  void (*setCapture)(bool on);                                // optional
  void* (*createCursor)(std::int32_t idc, const char* file);  // optional: native cursor
  void (*freeCursor)(void* native);                           // optional
  void (*showCursor)(void* native);                           // optional

  // dialog: IDOK / IDYES / IDNO / IDCANCEL, 0 when no box can be shown
  std::int32_t (*messageBox)(HWND owner, const char* text, const char* caption, UINT type);

  // GL
  // The pixel formats a window can have (index i + 1 is format i).
  std::vector<PIXELFORMATDESCRIPTOR> (*pixelFormats)(Window* w);
  void (*setPixelFormat)(Window* w, const PIXELFORMATDESCRIPTOR& pfd);  // optional
  void* (*createContext)(Window* w);
  // Makes `context` current on w's surface; (nullptr, nullptr) makes none current.
  bool (*makeCurrent)(Window* w, void* context);
  void (*deleteContext)(void* context);
  bool (*swapBuffers)(Window* w);
};

const BackendOps& SdlBackend();
const BackendOps& HeadlessBackend();

// Helper for backends: a pixel-format record with the usual fields filled.
PIXELFORMATDESCRIPTOR MakePixelFormat(int colour, int alpha, int depth, int stencil, int accum,
                                      bool doubleBuffer);

}  // namespace brevra::platform::detail
