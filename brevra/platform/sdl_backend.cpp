// Brevra platform layer: the SDL2 backend (real windows on a display).
//
// Translates only: native windows for top-level windows, their GL contexts, dialogs, and SDL
// events turned into calls of the shared input path (state.h). The window tree, the queue and
// all routing live in the shared code.
//
// Implemented: captioned windows (decorated, not resizable; the outer size is the requested one
//   once the window manager has told its frame), borderless pop-ups (a screen-covering pop-up is
//   a borderless window at the origin; the display mode is never changed), titles and dialog
//   texts converted from Windows-1252, virtual-key codes with auto-repeat, pointer capture
//   (SDL_CaptureMouse), global cursor position and warping, system cursors, colour cursors
//   from BMP files, compatibility-profile GL contexts (double buffer, depth 24, stencil 8).
//   The class icon becomes the window's icon (the built-in application icon, or the picture of
//   an icon, cursor or BMP file).
// Missing: child windows have no native counterpart (they are drawn by the library into the
//   parent's surface); cursor files in the cursor/icon format show the arrow.
#include <SDL.h>  // Required for: the whole backend

#include <map>

#include "brevra/platform/backend.h"
#include "brevra/platform/gdi.h"
#include "brevra/platform/icon_image.h"
#include "brevra/platform/sdl_x11.h"
#include "brevra/platform/menu.h"
#include "brevra/platform/state.h"

namespace brevra::platform {
using namespace detail;

namespace {

struct Native {
  SDL_Window* window = nullptr;
  PIXELFORMATDESCRIPTOR format{};
  bool framed = false;    // the window manager's frame has been read
  unsigned long xid = 0;  // the X window (0 off X11)
  bool gl = true;         // made for OpenGL (else it has no pixel format)
};

std::map<Uint32, HWND> g_byId;

Native* NativeOf(Window* w) { return w != nullptr ? static_cast<Native*>(w->native) : nullptr; }

HWND HwndOf(Uint32 windowId) {
  auto it = g_byId.find(windowId);
  return it == g_byId.end() ? 0 : it->second;
}

// ---- init ----
bool InitSdl() {
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  // Without a display SDL falls back to drivers that show nothing; real windows were asked
  // for, so that counts as no display (unless the user named such a driver on purpose). With a
  // display named, a refused connection is tried again a few times: a busy X server (many
  // short-lived clients at once) can turn a connection away for a moment, and SDL then falls
  // back silently.
  const char* wanted = SDL_getenv("SDL_VIDEODRIVER");
  const char* display = SDL_getenv("DISPLAY");
  const bool displayNamed = display != nullptr && *display != '\0';
  constexpr int kAttempts = 5;
  for (int attempt = 1;; ++attempt) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
      SDL_Log("brevra: no display for real windows: %s", SDL_GetError());
      return false;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    const bool fallback =
        driver != nullptr &&
        (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0) &&
        (wanted == nullptr || SDL_strcmp(wanted, driver) != 0);
    if (!fallback) break;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    if (!displayNamed || attempt == kAttempts) {
      SDL_Log("brevra: no display for real windows (only the \"%s\" video driver)", driver);
      return false;
    }
    SDL_Delay(200);
  }
  X11InstallErrorHandlers();
  // Native events, for windows destroyed by another client.
  SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
  return true;
}

void ShutdownSdl() {
  g_byId.clear();
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  SDL_Quit();
}

void ScreenSize(std::int32_t* w, std::int32_t* h) {
  SDL_Rect r{0, 0, 0, 0};
  if (SDL_GetDisplayBounds(0, &r) != 0) r = SDL_Rect{0, 0, 0, 0};
  *w = r.w;
  *h = r.h;
}

std::uint32_t Ticks() { return SDL_GetTicks(); }

// ---- window ----
void SetGLAttributes(int depth, int stencil) {
  SDL_GL_ResetAttributes();
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depth);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, stencil);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  // The fixed-function pipeline: never a core profile.
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
}

// The class icon, set by the program on its window (the window manager and taskbars show it).
void SetNativeIcon(SDL_Window* window, HICON icon) {
  IconImage image = IconImageOf(icon);
  if (image.empty()) return;
  SDL_Surface* surface =
      SDL_CreateRGBSurfaceFrom(image.argb.data(), image.width, image.height, 32, image.width * 4,
                               0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u);
  if (surface == nullptr) return;
  SDL_SetWindowIcon(window, surface);
  SDL_FreeSurface(surface);
}

bool CreateNative(Window* w) {
  const bool captioned = (w->style & WS_CAPTION) == WS_CAPTION;
  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
  if (!captioned) flags |= SDL_WINDOW_BORDERLESS;
  if ((w->style & WS_THICKFRAME) != 0) flags |= SDL_WINDOW_RESIZABLE;
  const std::string title = Cp1252ToUtf8(w->text.c_str());
  // Until the window manager tells its frame, the outer size is the client size (with no
  // window manager, as on a bare X server, that is what it stays).
  w->frame = RECT{};
  auto* n = new Native;
  const struct { int depth, stencil; } tries[] = {{24, 8}, {16, 0}};
  for (const auto& t : tries) {
    SetGLAttributes(t.depth, t.stencil);
    n->window = SDL_CreateWindow(title.c_str(), w->x, w->y, std::max(1, w->width),
                                 std::max(1, w->height), flags);
    if (n->window != nullptr) {
      n->format = MakePixelFormat(32, 8, t.depth, t.stencil, 0, true);
      break;
    }
  }
  if (n->window == nullptr) {
    // No OpenGL to be had (no driver library, no visual): the window itself can still exist,
    // with no pixel format, so the failure is the rendering context's and is told as such.
    SDL_Log("brevra: no OpenGL window: %s", SDL_GetError());
    n->window = SDL_CreateWindow(title.c_str(), w->x, w->y, std::max(1, w->width),
                                 std::max(1, w->height), flags & ~SDL_WINDOW_OPENGL);
    n->gl = false;
  }
  if (n->window == nullptr) {
    SDL_Log("brevra: cannot create a window: %s", SDL_GetError());
    delete n;
    return false;
  }
  w->native = n;
  n->xid = X11WindowId(n->window);
  SetNativeIcon(n->window, w->icon);
  g_byId[SDL_GetWindowID(n->window)] = w->self;
  // A window manager frames a captioned window: asked before the window is shown, its frame
  // is inside the outer size from the start, so the creation's WM_SIZE tells the smaller client.
  RECT extents{};
  if (captioned && X11RequestFrameExtents(n->window, &extents)) {
    n->framed = true;
    w->frame = extents;
    SDL_SetWindowSize(n->window, std::max(1, w->clientWidth()), std::max(1, w->clientHeight()));
  }
  return true;
}

void DestroyNative(Window* w) {
  Native* n = NativeOf(w);
  if (n == nullptr) return;
  if (SDL_GL_GetCurrentWindow() == n->window) SDL_GL_MakeCurrent(n->window, nullptr);
  g_byId.erase(SDL_GetWindowID(n->window));
  SDL_DestroyWindow(n->window);
  delete n;
  w->native = nullptr;
}

void MoveNative(Window* w) {
  Native* n = NativeOf(w);
  if (n == nullptr) return;
  // SDL places and sizes the client area.
  SDL_SetWindowPosition(n->window, w->x + w->frame.left, w->y + w->frame.top);
  SDL_SetWindowSize(n->window, std::max(1, w->clientWidth()), std::max(1, w->surfaceHeight()));
}

// Once shown, a window manager may have framed the window: keep the outer rectangle as asked
// and give the client what is left.
void ReadFrame(Window* w) {
  Native* n = NativeOf(w);
  if (n == nullptr || n->framed || (SDL_GetWindowFlags(n->window) & SDL_WINDOW_BORDERLESS)) return;
  int top = 0, left = 0, bottom = 0, right = 0;
  if (SDL_GetWindowBordersSize(n->window, &top, &left, &bottom, &right) != 0) return;
  n->framed = true;
  if (top == 0 && left == 0 && bottom == 0 && right == 0) return;
  w->frame = RECT{left, top, right, bottom};
  MoveNative(w);
  ClientSizeChanged(w, false);
}

void ShowNative(Window* w) {
  Native* n = NativeOf(w);
  if (n == nullptr) return;
  if (!w->visible) {
    SDL_HideWindow(n->window);
    return;
  }
  SDL_ShowWindow(n->window);
  if (w->minimized) {
    SDL_MinimizeWindow(n->window);
  } else if (SDL_GetWindowFlags(n->window) & SDL_WINDOW_MINIMIZED) {
    SDL_RestoreWindow(n->window);
  }
  ReadFrame(w);
}

void SetTitle(Window* w) {
  if (Native* n = NativeOf(w)) SDL_SetWindowTitle(n->window, Cp1252ToUtf8(w->text.c_str()).c_str());
}

// ---- input ----
std::int32_t VirtualKey(SDL_Keycode sym) {
  if (sym >= SDLK_a && sym <= SDLK_z) return 'A' + (sym - SDLK_a);
  if (sym >= SDLK_0 && sym <= SDLK_9) return '0' + (sym - SDLK_0);
  if (sym >= SDLK_F1 && sym <= SDLK_F12) return VK_F1 + (sym - SDLK_F1);
  if (sym >= SDLK_KP_1 && sym <= SDLK_KP_9) return VK_NUMPAD0 + 1 + (sym - SDLK_KP_1);
  switch (sym) {
    case SDLK_ESCAPE:
      return VK_ESCAPE;
    case SDLK_RETURN:
      return VK_RETURN;
    case SDLK_KP_ENTER:
      return VK_RETURN;
    case SDLK_SPACE:
      return VK_SPACE;
    case SDLK_TAB:
      return VK_TAB;
    case SDLK_BACKSPACE:
      return VK_BACK;
    case SDLK_LEFT:
      return VK_LEFT;
    case SDLK_RIGHT:
      return VK_RIGHT;
    case SDLK_UP:
      return VK_UP;
    case SDLK_DOWN:
      return VK_DOWN;
    case SDLK_HOME:
      return VK_HOME;
    case SDLK_END:
      return VK_END;
    case SDLK_PAGEUP:
      return VK_PRIOR;
    case SDLK_PAGEDOWN:
      return VK_NEXT;
    case SDLK_INSERT:
      return VK_INSERT;
    case SDLK_DELETE:
      return VK_DELETE;
    case SDLK_PAUSE:
      return VK_PAUSE;
    case SDLK_CAPSLOCK:
      return VK_CAPITAL;
    case SDLK_APPLICATION:
      return VK_APPS;
    // The system's key messages carry the generic modifier codes.
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
      return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
      return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT:
      return VK_MENU;
    case SDLK_KP_0:
      return VK_NUMPAD0;
    case SDLK_KP_MULTIPLY:
      return 0x6A;
    case SDLK_KP_PLUS:
      return 0x6B;
    case SDLK_KP_MINUS:
      return 0x6D;
    case SDLK_KP_PERIOD:
      return 0x6E;
    case SDLK_KP_DIVIDE:
      return 0x6F;
    case SDLK_SEMICOLON:
      return 0xBA;
    case SDLK_EQUALS:
      return 0xBB;
    case SDLK_COMMA:
      return 0xBC;
    case SDLK_MINUS:
      return 0xBD;
    case SDLK_PERIOD:
      return 0xBE;
    case SDLK_SLASH:
      return 0xBF;
    case SDLK_BACKQUOTE:
      return 0xC0;
    case SDLK_LEFTBRACKET:
      return 0xDB;
    case SDLK_BACKSLASH:
      return 0xDC;
    case SDLK_RIGHTBRACKET:
      return 0xDD;
    case SDLK_QUOTE:
      return 0xDE;
    default:
      return 0;
  }
}

// Screen position of an event's window-relative point.
POINT ScreenPoint(Uint32 windowId, int x, int y) {
  Window* w = FindWindow(HwndOf(windowId));
  Native* n = NativeOf(w);
  if (n == nullptr) {
    int gx = 0, gy = 0;
    SDL_GetGlobalMouseState(&gx, &gy);
    return POINT{gx, gy};
  }
  int wx = 0, wy = 0;
  SDL_GetWindowPosition(n->window, &wx, &wy);
  return POINT{wx + x, wy + y};
}

void Translate(const SDL_Event& e) {
  switch (e.type) {
    case SDL_MOUSEMOTION: {
      const POINT p = ScreenPoint(e.motion.windowID, e.motion.x, e.motion.y);
      InputMouseMove(p.x, p.y);
      break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      const int button = e.button.button == SDL_BUTTON_LEFT     ? 0
                         : e.button.button == SDL_BUTTON_RIGHT  ? 1
                         : e.button.button == SDL_BUTTON_MIDDLE ? 2
                                                                : -1;
      if (button < 0) break;
      // The press happens where the pointer is; a move to there is reported first if needed.
      const POINT p = ScreenPoint(e.button.windowID, e.button.x, e.button.y);
      if (p.x != S().cursor.x || p.y != S().cursor.y) InputMouseMove(p.x, p.y);
      InputMouseButton(button, e.type == SDL_MOUSEBUTTONDOWN, e.button.clicks);
      break;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      if (const std::int32_t vk = VirtualKey(e.key.keysym.sym)) {
        InputKey(vk, e.type == SDL_KEYDOWN, e.key.repeat != 0);
      }
      break;
    case SDL_WINDOWEVENT: {
      const HWND h = HwndOf(e.window.windowID);
      Window* w = FindWindow(h);
      if (w == nullptr) break;
      switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
          InputClose(h);
          break;
        case SDL_WINDOWEVENT_MINIMIZED:
          InputMinimize(h);
          break;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
          InputRestore(h);
          break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
          // The native window holds the menu bar above the client area.
          if (!w->minimized) InputClientResized(h, e.window.data1, e.window.data2 - w->menuBar);
          break;
        case SDL_WINDOWEVENT_MOVED:
          InputWindowMoved(h, e.window.data1 - w->frame.left, e.window.data2 - w->frame.top);
          break;
        case SDL_WINDOWEVENT_EXPOSED:
          ReadFrame(w);
          InputExposed(h);
          break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
          InputActivate(h);
          break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
          InputDeactivate(h);
          break;
        default:
          break;
      }
      break;
    }
    case SDL_SYSWMEVENT:
      // Another X client destroyed one of our windows: the system destroys it at once.
      if (const unsigned long xid = X11DestroyedWindow(e.syswm.msg); xid != 0) {
        for (const auto& [id, h] : std::map<Uint32, HWND>(g_byId)) {
          Native* n = NativeOf(FindWindow(h));
          if (n == nullptr || n->xid != xid) continue;
          X11ForgetWindow(xid);
          InputSystemDestroy(h);
        }
      }
      break;
    default:
      break;  // SDL_QUIT among them: each window's close request arrives on its own
  }
}

void Pump() {
  SDL_Event e;
  while (SDL_PollEvent(&e) != 0) Translate(e);
}

bool Wait(std::uint32_t timeoutMs) {
  // Short naps: timers are checked by the queue between them.
  SDL_WaitEventTimeout(nullptr, static_cast<int>(std::min<std::uint32_t>(timeoutMs, 50)));
  return true;
}

bool GetCursorPosSdl(POINT* p) {
  int x = 0, y = 0;
  SDL_GetGlobalMouseState(&x, &y);
  *p = POINT{x, y};
  return true;
}

bool SetCursorPosSdl(std::int32_t x, std::int32_t y) { return SDL_WarpMouseGlobal(x, y) == 0; }

void SetCaptureSdl(bool on) { SDL_CaptureMouse(on ? SDL_TRUE : SDL_FALSE); }

void* CreateCursorSdl(std::int32_t idc, const char* file) {
  if (file != nullptr) {
    SDL_Surface* image = SDL_LoadBMP(file);
    if (image == nullptr) return nullptr;  // shown as the arrow
    SDL_Cursor* c = SDL_CreateColorCursor(image, 0, 0);
    SDL_FreeSurface(image);
    return c;
  }
  SDL_SystemCursor id = SDL_SYSTEM_CURSOR_ARROW;
  switch (idc) {
    case IDC_IBEAM:
      id = SDL_SYSTEM_CURSOR_IBEAM;
      break;
    case IDC_WAIT:
      id = SDL_SYSTEM_CURSOR_WAIT;
      break;
    case IDC_CROSS:
      id = SDL_SYSTEM_CURSOR_CROSSHAIR;
      break;
    case IDC_UPARROW:
      id = SDL_SYSTEM_CURSOR_SIZENS;
      break;  // the nearest: a vertical arrow
    case IDC_SIZE:
      id = SDL_SYSTEM_CURSOR_SIZEALL;
      break;
    case IDC_SIZENWSE:
      id = SDL_SYSTEM_CURSOR_SIZENWSE;
      break;
    case IDC_SIZENESW:
      id = SDL_SYSTEM_CURSOR_SIZENESW;
      break;
    case IDC_SIZEWE:
      id = SDL_SYSTEM_CURSOR_SIZEWE;
      break;
    case IDC_SIZENS:
      id = SDL_SYSTEM_CURSOR_SIZENS;
      break;
    case IDC_SIZEALL:
      id = SDL_SYSTEM_CURSOR_SIZEALL;
      break;
    case IDC_NO:
      id = SDL_SYSTEM_CURSOR_NO;
      break;
    case IDC_HAND:
      id = SDL_SYSTEM_CURSOR_HAND;
      break;
    case IDC_APPSTARTING:
      id = SDL_SYSTEM_CURSOR_WAITARROW;
      break;
    default:
      id = SDL_SYSTEM_CURSOR_ARROW;
      break;  // the arrow, help and the rest
  }
  return SDL_CreateSystemCursor(id);
}

void FreeCursorSdl(void* c) { SDL_FreeCursor(static_cast<SDL_Cursor*>(c)); }

void ShowCursorSdl(void* c) {
  if (c != nullptr) SDL_SetCursor(static_cast<SDL_Cursor*>(c));
}

// ---- dialog ----
std::int32_t Box(HWND owner, const char* text, const char* caption, UINT type) {
  // Return answers the first (default) button; Escape the "no" / "cancel" one, or OK alone.
  std::vector<SDL_MessageBoxButtonData> buttons;
  auto add = [&](const char* label, std::int32_t id, Uint32 flags) {
    buttons.push_back(SDL_MessageBoxButtonData{flags, id, label});
  };
  constexpr Uint32 kReturn = SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
  constexpr Uint32 kEscape = SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
  std::int32_t onClose = IDCANCEL;
  switch (type & 0xF) {
    case MB_OKCANCEL:
      add("OK", IDOK, kReturn);
      add("Cancel", IDCANCEL, kEscape);
      break;
    case 2:  // abort, retry, ignore
      add("Abort", 3, kReturn);
      add("Retry", 4, 0);
      add("Ignore", 5, kEscape);
      onClose = 5;
      break;
    case MB_YESNOCANCEL:
      add("Yes", IDYES, kReturn);
      add("No", IDNO, 0);
      add("Cancel", IDCANCEL, kEscape);
      break;
    case MB_YESNO:
      add("Yes", IDYES, kReturn);
      add("No", IDNO, kEscape);
      onClose = IDNO;
      break;
    case 5:  // retry, cancel
      add("Retry", 4, kReturn);
      add("Cancel", IDCANCEL, kEscape);
      break;
    default:
      add("OK", IDOK, kReturn | kEscape);
      onClose = IDOK;
      break;
  }
  Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
  switch (type & 0xF0) {
    case MB_ICONERROR:
      flags = SDL_MESSAGEBOX_ERROR;
      break;
    case MB_ICONWARNING:
      flags = SDL_MESSAGEBOX_WARNING;
      break;
    default:
      break;
  }
  flags |= SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
  const std::string utfText = Cp1252ToUtf8(text);
  const std::string utfCaption = Cp1252ToUtf8(caption);
  Native* n = NativeOf(FindWindow(owner));
  SDL_MessageBoxData data{};
  data.flags = flags;
  data.window = n != nullptr ? n->window : nullptr;
  data.title = utfCaption.c_str();
  data.message = utfText.c_str();
  data.numbuttons = static_cast<int>(buttons.size());
  data.buttons = buttons.data();
  int pressed = -1;
  if (SDL_ShowMessageBox(&data, &pressed) != 0) {
    SDL_Log("brevra: cannot show a message box: %s", SDL_GetError());
    return 0;
  }
  return pressed < 0 ? onClose : pressed;  // closed by its window: the Escape answer
}

// ---- GL ----
std::vector<PIXELFORMATDESCRIPTOR> Formats(Window* w) {
  Native* n = NativeOf(w);
  if (n == nullptr || !n->gl) return {};
  return {n->format};  // exactly what the window was made with
}

void* CreateContext(Window* w) {
  Native* n = NativeOf(w);
  if (n == nullptr) return nullptr;
  SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
  SDL_GLContext previous = SDL_GL_GetCurrentContext();
  SDL_GLContext c = SDL_GL_CreateContext(n->window);
  if (c == nullptr) {
    SDL_Log("brevra: cannot create an OpenGL context: %s", SDL_GetError());
    return nullptr;
  }
  // What the driver actually gave, for DescribePixelFormat from now on.
  int depth = 0, stencil = 0, alpha = 0, doubleBuffer = 0;
  SDL_GL_GetAttribute(SDL_GL_DEPTH_SIZE, &depth);
  SDL_GL_GetAttribute(SDL_GL_STENCIL_SIZE, &stencil);
  SDL_GL_GetAttribute(SDL_GL_ALPHA_SIZE, &alpha);
  SDL_GL_GetAttribute(SDL_GL_DOUBLEBUFFER, &doubleBuffer);
  n->format = MakePixelFormat(32, alpha, depth, stencil, 0, doubleBuffer != 0);
  // Creating a context does not make it current here.
  SDL_GL_MakeCurrent(previousWindow, previous);
  return c;
}

bool MakeCurrent(Window* w, void* context) {
  Native* n = NativeOf(w);
  if (n == nullptr || context == nullptr) {
    SDL_GL_MakeCurrent(SDL_GL_GetCurrentWindow(), nullptr);
    return true;
  }
  return SDL_GL_MakeCurrent(n->window, static_cast<SDL_GLContext>(context)) == 0;
}

void DeleteContext(void* context) { SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context)); }

bool Swap(Window* w) {
  Native* n = NativeOf(w);
  if (n == nullptr) return false;
  // Child windows (status bar, image buttons) are drawn by the library into paint surfaces;
  // they go over the GL frame just before it is shown.
  CompositeChildren(w);
  ComposeMenus(w);
  SDL_GL_SwapWindow(n->window);
  return true;
}

const BackendOps kSdl = {
    .name = "sdl",
    .init = InitSdl,
    .shutdown = ShutdownSdl,
    .screenSize = ScreenSize,
    .ticks = Ticks,
    .createWindow = CreateNative,
    .destroyWindow = DestroyNative,
    .moveWindow = MoveNative,
    .showWindow = ShowNative,
    .setTitle = SetTitle,
    .clientResized = nullptr,
    .pumpEvents = Pump,
    .waitEvents = Wait,
    .getCursorPos = GetCursorPosSdl,
    .setCursorPos = SetCursorPosSdl,
    .setCapture = SetCaptureSdl,
    .createCursor = CreateCursorSdl,
    .freeCursor = FreeCursorSdl,
    .showCursor = ShowCursorSdl,
    .messageBox = Box,
    .pixelFormats = Formats,
    .setPixelFormat = nullptr,
    .createContext = CreateContext,
    .makeCurrent = MakeCurrent,
    .deleteContext = DeleteContext,
    .swapBuffers = Swap,
};

}  // namespace

const BackendOps& detail::SdlBackend() { return kSdl; }

}  // namespace brevra::platform
