// Brevra platform layer (internal): the one shared state and the shared input path.
//
// Shared code decides, backends translate: window classes, the window tree, the message queue,
// capture, focus, cursor position and timers live here once. A backend (backend.h) only makes
// native windows, GL surfaces and dialogs, and turns native events into calls of the Input*
// functions below, which route them and post the window messages.
//
// Not a public header for library clients: platform code only.
#pragma once

#include <algorithm>  // Required for: std::max
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "brevra/platform/objects.h"
#include "brevra/platform/platform.h"

namespace brevra::platform::detail {

struct BackendOps;

// ---------------------------------------------------------------------------------------------
// Objects behind handles
// ---------------------------------------------------------------------------------------------
struct WindowClass {
  WNDCLASSEX wc;  // copy; the name pointers below point into the strings
  std::string name;
  std::string menuName;
  ATOM atom = 0;
};

struct Window : Object {
  static constexpr Kind kKind = Kind::Window;
  Window() : Object(kKind) {}

  HWND self = 0;
  std::string className;
  UINT classStyle = 0;
  WNDPROC proc = nullptr;
  HCURSOR cursor = 0;
  HICON icon = 0;
  HBRUSH background = 0;
  UINT style = 0;
  UINT exStyle = 0;
  HWND parent = 0;
  std::int32_t id = 0;
  // Outer rectangle: screen coordinates for a top-level window, the parent's client
  // coordinates for a child.
  std::int32_t x = 0, y = 0, width = 0, height = 0;
  // Frame the window system adds around the client area (0 for children and borderless ones).
  RECT frame;
  // The menu bar (top-level windows only): a non-client strip just under the frame's top edge,
  // drawn by the platform into the top rows of the window's GL surface.
  HMENU menu = 0;
  std::int32_t menuBar = 0;  // its height in pixels, 0 without a menu bar
  bool visible = false;
  bool minimized = false;
  bool invalid = false;
  bool erase = false;
  bool destroying = false;
  std::string text;
  std::map<std::string, HANDLE> props;
  std::vector<HWND> children;
  // Shape handed over with SetWindowRgn (owned by the window; 0 for a rectangle).
  HANDLE region = 0;
  // The status class keeps its parts' right edges and texts.
  std::vector<std::int32_t> parts;
  std::vector<std::string> partTexts;
  std::int32_t pixelFormat = 0;
  std::uint64_t swaps = 0;
  void* native = nullptr;  // the backend's per-window data (top-level windows only)

  std::int32_t clientWidth() const {
    return minimized ? 0 : std::max(0, width - frame.left - frame.right);
  }
  std::int32_t clientHeight() const {
    return minimized ? 0 : std::max(0, height - frame.top - frame.bottom - menuBar);
  }
  // The native GL surface: the client area with the menu bar above it.
  std::int32_t surfaceHeight() const { return minimized ? 0 : clientHeight() + menuBar; }
  bool topLevel() const { return parent == 0; }
};

struct DeviceContext : Object {
  static constexpr Kind kKind = Kind::DeviceContext;
  DeviceContext() : Object(kKind) {}
  HWND window = 0;     // 0 for a memory device context
  bool paint = false;  // handed out by BeginPaint
  // Objects selected into it, one per kind (bitmap, palette, brush...), for the drawing code.
  std::map<Kind, HANDLE> selected;
};

struct GLContext : Object {
  static constexpr Kind kKind = Kind::GLContext;
  GLContext() : Object(kKind) {}
  ~GLContext() override;
  void* native = nullptr;
  HWND window = 0;  // the window it was created for
};

struct Cursor : Object {
  static constexpr Kind kKind = Kind::Cursor;
  Cursor() : Object(kKind) {}
  ~Cursor() override;
  std::int32_t id = 0;  // IDC_* for a predefined cursor, 0 for one from a file
  std::string file;
  void* native = nullptr;
};

struct Icon : Object {
  static constexpr Kind kKind = Kind::Icon;
  Icon() : Object(kKind) {}
  std::int32_t id = 0;
  std::string file;
};

struct Brush : Object {
  static constexpr Kind kKind = Kind::Brush;
  Brush() : Object(kKind) {}
  std::uint32_t colour = 0;  // 0x00BBGGRR
  bool hollow = false;
};

// ---------------------------------------------------------------------------------------------
// The shared state
// ---------------------------------------------------------------------------------------------
struct Timer {
  HWND hwnd = 0;
  UINT id = 0;
  UINT elapse = 0;
  std::uint32_t due = 0;
};

struct State {
  const BackendOps* backend = nullptr;
  Backend kind = Backend::Headless;
  bool autoInitTried = false;
  std::map<std::string, WindowClass> classes;
  ATOM nextAtom = 0xC000;
  std::vector<HWND> topLevels;  // creation order; the last is on top
  std::deque<MSG> queue;
  HWND capture = 0;
  HWND focus = 0;
  HWND foreground = 0;
  HWND hover = 0;  // window last under the pointer (for the class cursor)
  POINT cursor;
  bool buttons[3] = {false, false, false};
  bool keys[256] = {};
  // The keys as the messages taken from the queue so far tell (what the default handling asks:
  // Shift at the time of a key message, not at the time it is handled).
  bool keysAtMessage[256] = {};
  HGLRC currentRC = 0;
  HDC currentDC = 0;
  HWND currentWindow = 0;  // the top-level window whose surface the context is current on
  std::map<std::int32_t, HCURSOR> systemCursors;
  std::map<std::int32_t, HANDLE> stockObjects;  // by id; system colours at 0x100 + index
  HICON appIcon = 0;
};

State& S();

// A live window (also while it receives its WM_DESTROY), else null.
inline Window* FindWindow(HWND h) { return Find<Window>(h); }
// The window or its top-level ancestor.
Window* RootOf(Window* w);
std::uint32_t NowMs();

// Backend-independent hit test of a window's shape, in window coordinates; the drawing code
// installs one that knows regions. Without it (or without a region) the shape is the rectangle.
extern bool (*RegionContains)(HANDLE region, std::int32_t x, std::int32_t y);

// ---------------------------------------------------------------------------------------------
// Shared internals used across files
// ---------------------------------------------------------------------------------------------
void Post(HWND hwnd, std::int32_t message, WPARAM wParam, LPARAM lParam);
void DropQueued(HWND hwnd);
void KillTimers(HWND hwnd);
void ClearQueue();
// A top-level window's client size changed (or it was minimised / restored): resize the
// surface, move status bars and tell the window (`send` sends WM_SIZE, else posts it).
void ClientSizeChanged(Window* w, bool send);
void ReleaseDCsOf(HWND hwnd);
void ReleaseContextsOf(HWND hwnd);
void DestroyAllWindowsQuietly();
void ResetInput();
void ResetResources();
bool IsStatusClass(const Window* w);
void PlaceStatusWindow(Window* status);

// ---- the one input path: every backend and the headless injection calls these ----
void InputMouseMove(std::int32_t screenX, std::int32_t screenY);
void InputMouseButton(int button, bool down, int clicks = 1);
void InputKey(std::int32_t virtualKey, bool down, bool repeat);
void InputClose(HWND hwnd);
void InputMinimize(HWND hwnd);
void InputRestore(HWND hwnd);
void InputActivate(HWND hwnd);
// Another application became active: the window is no longer the foreground window.
void InputDeactivate(HWND hwnd);
// The window system moved / resized a top-level window (outer rectangle, screen coordinates).
void InputWindowMoved(HWND hwnd, std::int32_t x, std::int32_t y);
void InputClientResized(HWND hwnd, std::int32_t clientWidth, std::int32_t clientHeight);
void InputExposed(HWND hwnd);
void InputSystemDestroy(HWND hwnd);

// Windows-1252 bytes to UTF-8 (for titles and dialogs).
std::string Cp1252ToUtf8(const char* text);

}  // namespace brevra::platform::detail
