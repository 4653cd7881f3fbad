// Brevra platform layer: the SDL backend's direct X11 requests (see sdl_x11.h).
//
// Limits: Xlib only (no XCB); the frame request waits at most kFrameWaitMs for the window
// manager's answer; the error handlers are process-wide, as Xlib's are.
#include "brevra/platform/sdl_x11.h"

#include <SDL.h>        // Required for: video driver, ticks, delays
#include <SDL_syswm.h>  // Required for: SDL_GetWindowWMInfo (X display and window)
#include <dlfcn.h>      // Required for: dlopen, dlsym (Xlib is loaded at run time)

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <type_traits>  // Required for: std::remove_reference_t
#include <utility>

#if defined(SDL_VIDEO_DRIVER_X11) && __has_include(<X11/Xlib.h>)
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#define BREVRA_HAVE_X11 1
#endif

namespace brevra::platform::detail {

#ifdef BREVRA_HAVE_X11
namespace {

constexpr std::uint32_t kFrameWaitMs = 500;

// ---- Xlib, loaded at run time ----
struct Xlib {
  bool loaded = false;
  decltype(&::XSetErrorHandler) setErrorHandler = nullptr;
  decltype(&::XSetIOErrorHandler) setIOErrorHandler = nullptr;
  decltype(&::XInternAtom) internAtom = nullptr;
  decltype(&::XSendEvent) sendEvent = nullptr;
  decltype(&::XFlush) flush = nullptr;
  decltype(&::XGetWindowProperty) getWindowProperty = nullptr;
  decltype(&::XFree) free = nullptr;
  decltype(&::XDisplayString) displayString = nullptr;
  decltype(&::XGetErrorText) getErrorText = nullptr;
};

const Xlib& X() {
  static const Xlib x = [] {
    Xlib l;
    void* so = dlopen("libX11.so.6", RTLD_NOW | RTLD_GLOBAL);
    if (so == nullptr) return l;
    auto get = [so](auto& fn, const char* name) {
      fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(so, name));
      return fn != nullptr;
    };
    l.loaded = get(l.setErrorHandler, "XSetErrorHandler") &&
               get(l.setIOErrorHandler, "XSetIOErrorHandler") && get(l.internAtom, "XInternAtom") &&
               get(l.sendEvent, "XSendEvent") && get(l.flush, "XFlush") &&
               get(l.getWindowProperty, "XGetWindowProperty") && get(l.free, "XFree") &&
               get(l.displayString, "XDisplayString") && get(l.getErrorText, "XGetErrorText");
    return l;
  }();
  return x;
}

// The X display and window of an SDL window, when it is an X11 one.
bool Native(SDL_Window* window, Display** display, Window* xid) {
  if (window == nullptr || !X().loaded) return false;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) {
    return false;
  }
  *display = info.info.x11.display;
  *xid = info.info.x11.window;
  return true;
}

// Windows another client destroyed.
std::set<unsigned long>& GoneWindows() {
  static std::set<unsigned long> gone;
  return gone;
}

std::set<std::pair<int, int>>& ReportedErrors() {
  static std::set<std::pair<int, int>> reported;
  return reported;
}

// The program's own X windows.
std::set<unsigned long>& OwnWindows() {
  static std::set<unsigned long> own;
  return own;
}

int OnXError(Display* display, XErrorEvent* error) {
  // A window another client destroyed keeps drawing and being released until the frame loop
  // ends: the errors that brings are expected. Drawing may meet them before the destroy
  // notification arrives.
  const bool missing = error->error_code == BadWindow || error->error_code == BadDrawable;
  if (missing && OwnWindows().count(error->resourceid) != 0) {
    GoneWindows().insert(error->resourceid);
  }
  if (GoneWindows().count(error->resourceid) != 0) return 0;
  if (!ReportedErrors().insert({error->error_code, error->request_code}).second) return 0;
  char text[160] = "";
  X().getErrorText(display, error->error_code, text, sizeof text);
  std::fprintf(stderr, "brevra: X error ignored: %s (request %d, resource 0x%lx)\n", text,
               error->request_code, error->resourceid);
  return 0;
}

int OnXIOError(Display* display) {
  // Nothing more can be said to the server; cleaning up would only meet the same error again.
  const char* name = display != nullptr ? X().displayString(display) : nullptr;
  std::fprintf(stderr,
               "brevra: the connection to the X server%s%s was lost (the display went away); "
               "the program ends\n",
               name != nullptr ? " " : "", name != nullptr ? name : "");
  std::fflush(nullptr);
  std::_Exit(1);
}

// A CARDINAL-array property of `xid`, at most `count` values; false when it is not there.
bool CardinalProperty(Display* display, Window xid, const char* name, long* values, int count) {
  const Atom property = X().internAtom(display, name, True);
  if (property == None) return false;
  Atom type = None;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  const int status = X().getWindowProperty(display, xid, property, 0, count, False, AnyPropertyType,
                                           &type, &format, &items, &after, &data);
  const bool ok = status == Success && data != nullptr && format == 32 &&
                  items >= static_cast<unsigned long>(count);
  if (ok) {
    const auto* longs = reinterpret_cast<const long*>(data);  // format 32 comes as longs
    for (int i = 0; i < count; ++i) values[i] = longs[i];
  }
  if (data != nullptr) X().free(data);
  return ok;
}

bool WindowManagerOn(Display* display) {
  long check = 0;
  const Window root = DefaultRootWindow(display);
  // The check window names itself too; a stale property on the root (the manager died) does not.
  if (!CardinalProperty(display, root, "_NET_SUPPORTING_WM_CHECK", &check, 1) || check == 0) {
    return false;
  }
  long self = 0;
  return CardinalProperty(display, static_cast<Window>(check), "_NET_SUPPORTING_WM_CHECK", &self,
                          1) &&
         self == check;
}

}  // namespace

void X11InstallErrorHandlers() {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver == nullptr || SDL_strcmp(driver, "x11") != 0 || !X().loaded) return;
  // After SDL's own set-up, which installs a handler that ends the process.
  X().setErrorHandler(OnXError);
  X().setIOErrorHandler(OnXIOError);
}

bool X11RequestFrameExtents(SDL_Window* window, RECT* extents) {
  Display* display = nullptr;
  Window xid = 0;
  if (!Native(window, &display, &xid) || !WindowManagerOn(display)) return false;
  XEvent request{};
  request.xclient.type = ClientMessage;
  request.xclient.window = xid;
  request.xclient.message_type = X().internAtom(display, "_NET_REQUEST_FRAME_EXTENTS", False);
  request.xclient.format = 32;
  X().sendEvent(display, DefaultRootWindow(display), False,
                SubstructureNotifyMask | SubstructureRedirectMask, &request);
  X().flush(display);
  const std::uint32_t start = SDL_GetTicks();
  long v[4] = {0, 0, 0, 0};  // left, right, top, bottom
  while (!CardinalProperty(display, xid, "_NET_FRAME_EXTENTS", v, 4)) {
    if (SDL_GetTicks() - start > kFrameWaitMs) return false;
    SDL_Delay(5);
  }
  *extents = RECT{static_cast<std::int32_t>(v[0]), static_cast<std::int32_t>(v[2]),
                  static_cast<std::int32_t>(v[1]), static_cast<std::int32_t>(v[3])};
  return true;
}

unsigned long X11WindowId(SDL_Window* window) {
  Display* display = nullptr;
  Window xid = 0;
  if (!Native(window, &display, &xid)) return 0;
  OwnWindows().insert(xid);
  return xid;
}

unsigned long X11DestroyedWindow(const SDL_SysWMmsg* message) {
  if (message == nullptr || message->subsystem != SDL_SYSWM_X11) return 0;
  const XEvent& e = message->msg.x11.event;
  return e.type == DestroyNotify ? e.xdestroywindow.window : 0;
}

void X11ForgetWindow(unsigned long xid) {
  if (xid != 0) GoneWindows().insert(xid);
}

#else  // not an X11 build of SDL

void X11InstallErrorHandlers() {}
bool X11RequestFrameExtents(SDL_Window*, RECT*) { return false; }
unsigned long X11WindowId(SDL_Window*) { return 0; }
unsigned long X11DestroyedWindow(const SDL_SysWMmsg*) { return 0; }
void X11ForgetWindow(unsigned long) {}

#endif

}  // namespace brevra::platform::detail
