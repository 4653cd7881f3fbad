// Brevra platform layer: the one input path, capture, focus, cursors, icons and brushes.
//
// Every backend turns its native events into the Input* calls here (the headless backend's
// injection does too), so a pointer move from a real mouse and one from a test take the same
// road: route (capture window first, else the deepest visible child under the pointer, inside
// its shape), convert to client coordinates, pack, post.
//
// While a menu is open (or for a press on a menu bar) the menu engine takes the event first
// (menu_engine.cpp), and the windows do not see it.
//
// Limits: no non-client messages (a press on a frame reaches nobody), no keyboard layouts (the
// character of a key is worked out from its virtual-key code alone).
#include <algorithm>  // Required for: std::equal
#include <cstdio>     // Required for: std::fopen (cursor files)

#include "brevra/platform/backend.h"
#include "brevra/platform/menu.h"
#include "brevra/platform/platform.h"
#include "brevra/platform/state.h"

namespace brevra::platform {
using namespace detail;

namespace {

// Client coordinates as the mouse messages carry them: x in the low, y in the high 16 bits,
// each as a 16-bit two's-complement number (so -1 arrives as 0xFFFF).
LPARAM PackPoint(std::int32_t x, std::int32_t y) {
  return static_cast<LPARAM>((static_cast<std::uint32_t>(x) & 0xFFFFu) |
                             ((static_cast<std::uint32_t>(y) & 0xFFFFu) << 16));
}

WPARAM MouseFlags() {
  const State& s = S();
  WPARAM f = 0;
  if (s.buttons[0]) f |= MK_LBUTTON;
  if (s.buttons[1]) f |= MK_RBUTTON;
  if (s.buttons[2]) f |= MK_MBUTTON;
  if (s.keys[VK_SHIFT]) f |= MK_SHIFT;
  if (s.keys[VK_CONTROL]) f |= MK_CONTROL;
  return f;
}

bool Inside(const Window* w, std::int32_t wx, std::int32_t wy) {
  if (wx < 0 || wy < 0 || wx >= w->width || wy >= w->height) return false;
  if (w->region != 0 && RegionContains != nullptr) return RegionContains(w->region, wx, wy);
  return true;
}

// The deepest visible child of `w` under the point (w's client coordinates), or w itself.
HWND DeepestAt(Window* w, std::int32_t cx, std::int32_t cy) {
  for (auto it = w->children.rbegin(); it != w->children.rend(); ++it) {
    Window* c = FindWindow(*it);
    if (c == nullptr || !c->visible || (c->style & WS_DISABLED) != 0) continue;
    if (Inside(c, cx - c->x, cy - c->y)) {
      return DeepestAt(c, cx - c->x - c->frame.left, cy - c->y - c->frame.top);
    }
  }
  return w->self;
}

// The window whose client area is under the screen point, or 0 (none, or a frame).
HWND WindowAt(std::int32_t sx, std::int32_t sy) {
  const auto& tops = S().topLevels;
  for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
    Window* w = FindWindow(*it);
    if (w == nullptr || !w->visible || w->minimized) continue;
    if (!Inside(w, sx - w->x, sy - w->y)) continue;
    const std::int32_t cx = sx - w->x - w->frame.left, cy = sy - w->y - w->frame.top - w->menuBar;
    if (cx < 0 || cy < 0 || cx >= w->clientWidth() || cy >= w->clientHeight()) return 0;
    return DeepestAt(w, cx, cy);
  }
  return 0;
}

// Where pointer input goes now: the capture window, else the window under the pointer.
HWND PointerTarget() {
  State& s = S();
  if (s.capture != 0 && FindWindow(s.capture) != nullptr) return s.capture;
  return WindowAt(s.cursor.x, s.cursor.y);
}

void PostPointer(HWND target, std::int32_t message) {
  POINT p = S().cursor;
  ScreenToClient(target, &p);
  Post(target, message, MouseFlags(), PackPoint(p.x, p.y));
}

void ShowClassCursor(HWND h) {
  State& s = S();
  if (h == s.hover) return;
  s.hover = h;
  Window* w = FindWindow(h);
  if (w == nullptr || s.backend == nullptr || s.backend->showCursor == nullptr) return;
  if (auto* c = Find<Cursor>(w->cursor)) s.backend->showCursor(c->native);
}

}  // namespace

// =============================================================================================
// The shared input path
// =============================================================================================
namespace detail {

void InputMouseMove(std::int32_t screenX, std::int32_t screenY) {
  State& s = S();
  s.cursor = POINT{screenX, screenY};
  if (MenuMouseMove(screenX, screenY)) return;  // an open menu takes the pointer
  const HWND target = PointerTarget();
  if (s.capture == 0) ShowClassCursor(target);
  if (target != 0) PostPointer(target, WM_MOUSEMOVE);
}

void InputMouseButton(int button, bool down, int clicks) {
  if (button < 0 || button > 2) return;
  State& s = S();
  s.buttons[button] = down;
  if (MenuMouseButton(button, down)) return;  // an open menu (or a bar) takes the click
  const HWND target = PointerTarget();
  if (target == 0) return;
  if (down) {
    if (Window* root = RootOf(FindWindow(target)); root != nullptr && s.foreground != root->self) {
      InputActivate(root->self);
    }
  }
  static constexpr std::int32_t kDown[3] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
  static constexpr std::int32_t kUp[3] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP};
  static constexpr std::int32_t kDouble[3] = {WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, 0x0209};
  std::int32_t message = down ? kDown[button] : kUp[button];
  if (down && clicks >= 2) {
    Window* w = FindWindow(target);
    if (w != nullptr && (w->classStyle & CS_DBLCLKS) != 0) message = kDouble[button];
  }
  PostPointer(target, message);
}

void InputKey(std::int32_t virtualKey, bool down, bool repeat) {
  if (virtualKey <= 0 || virtualKey > 255) return;
  State& s = S();
  const bool wasDown = s.keys[virtualKey];
  s.keys[virtualKey] = down;
  // Left and right modifiers also count as the generic one.
  if (virtualKey == VK_LSHIFT || virtualKey == VK_RSHIFT) s.keys[VK_SHIFT] = down;
  if (virtualKey == VK_LCONTROL || virtualKey == VK_RCONTROL) s.keys[VK_CONTROL] = down;
  if (virtualKey == VK_LMENU || virtualKey == VK_RMENU) s.keys[VK_MENU] = down;
  if (MenuKey(virtualKey, down)) {  // an open menu takes the keys
    s.keysAtMessage[virtualKey] = down;
    return;
  }
  HWND target = FindWindow(s.focus) != nullptr ? s.focus : s.foreground;
  if (FindWindow(target) == nullptr) return;
  const bool alt = s.keys[VK_MENU];
  const bool sys = alt || virtualKey == VK_MENU || virtualKey == 0x79;  // F10 is a system key
  std::uint32_t lp = 1;                                                 // repeat count
  if (alt) lp |= 1u << 29;
  if ((down && (repeat || wasDown)) || !down) lp |= 1u << 30;  // the key was down before
  if (!down) lp |= 1u << 31;
  std::int32_t message = down ? WM_KEYDOWN : WM_KEYUP;
  if (sys) message = down ? WM_SYSKEYDOWN : WM_SYSKEYUP;
  Post(target, message, virtualKey, static_cast<LPARAM>(lp));
}

void InputClose(HWND hwnd) {
  Window* w = FindWindow(hwnd);
  if (w == nullptr) return;
  if (Window* root = RootOf(w)) Post(root->self, WM_CLOSE, 0, 0);
}

void InputMinimize(HWND hwnd) {
  Window* w = RootOf(FindWindow(hwnd));
  if (w == nullptr || w->minimized) return;
  w->minimized = true;
  ClientSizeChanged(w, false);
}

void InputRestore(HWND hwnd) {
  Window* w = RootOf(FindWindow(hwnd));
  if (w == nullptr || !w->minimized) return;
  w->minimized = false;
  ClientSizeChanged(w, false);
}

void InputActivate(HWND hwnd) {
  Window* w = RootOf(FindWindow(hwnd));
  if (w == nullptr) return;
  State& s = S();
  s.foreground = w->self;
  // The focus stays inside the activated window if it was there.
  if (!(s.focus == w->self || IsChild(w->self, s.focus))) s.focus = w->self;
}

void InputDeactivate(HWND hwnd) {
  Window* w = RootOf(FindWindow(hwnd));
  if (w != nullptr && S().foreground == w->self) S().foreground = 0;
}

void InputWindowMoved(HWND hwnd, std::int32_t x, std::int32_t y) {
  Window* w = FindWindow(hwnd);
  if (w == nullptr || !w->topLevel()) return;
  w->x = x;
  w->y = y;
}

void InputClientResized(HWND hwnd, std::int32_t clientWidth, std::int32_t clientHeight) {
  Window* w = FindWindow(hwnd);
  if (w == nullptr || !w->topLevel()) return;
  if (clientWidth == w->clientWidth() && clientHeight == w->clientHeight() && !w->minimized) {
    return;
  }
  w->width = clientWidth + w->frame.left + w->frame.right;
  w->height = clientHeight + w->frame.top + w->frame.bottom + w->menuBar;
  w->minimized = false;
  ClientSizeChanged(w, false);
}

void InputExposed(HWND hwnd) { InvalidateRect(hwnd, nullptr, false); }

void InputSystemDestroy(HWND hwnd) { DestroyWindow(hwnd); }

void ResetInput() {
  State& s = S();
  s.capture = s.focus = s.foreground = s.hover = 0;
  s.cursor = POINT{};
  for (bool& b : s.buttons) b = false;
  for (bool& k : s.keys) k = false;
  for (bool& k : s.keysAtMessage) k = false;
}

}  // namespace detail

// =============================================================================================
// Capture, cursor position, focus
// =============================================================================================
HWND SetCapture(HWND hwnd) {
  State& s = S();
  const HWND previous = FindWindow(s.capture) != nullptr ? s.capture : 0;
  if (FindWindow(hwnd) == nullptr) return previous;
  s.capture = hwnd;
  if (s.backend != nullptr && s.backend->setCapture != nullptr) s.backend->setCapture(true);
  return previous;
}

bool ReleaseCapture() {
  State& s = S();
  s.capture = 0;
  if (s.backend != nullptr && s.backend->setCapture != nullptr) s.backend->setCapture(false);
  return true;
}

HWND GetCapture() { return FindWindow(S().capture) != nullptr ? S().capture : 0; }

bool GetCursorPos(POINT* point) {
  if (point == nullptr || !EnsureInitialized()) return false;
  State& s = S();
  if (s.backend->getCursorPos != nullptr && s.backend->getCursorPos(point)) return true;
  *point = s.cursor;
  return true;
}

bool SetCursorPos(std::int32_t x, std::int32_t y) {
  if (!EnsureInitialized()) return false;
  State& s = S();
  // The backend moves the pointer; the move comes back as a native event (the headless one
  // feeds it straight into the input path), as a real pointer's would.
  if (s.backend->setCursorPos != nullptr) return s.backend->setCursorPos(x, y);
  s.cursor = POINT{x, y};
  return true;
}

HWND GetForegroundWindow() { return FindWindow(S().foreground) != nullptr ? S().foreground : 0; }

HWND SetFocus(HWND hwnd) {
  State& s = S();
  const HWND previous = FindWindow(s.focus) != nullptr ? s.focus : 0;
  if (hwnd != 0 && FindWindow(hwnd) == nullptr) return 0;
  if (hwnd == previous) return previous;
  s.focus = hwnd;
  if (previous != 0) SendMessage(previous, WM_KILLFOCUS, static_cast<WPARAM>(hwnd), 0);
  if (hwnd != 0) SendMessage(hwnd, WM_SETFOCUS, static_cast<WPARAM>(previous), 0);
  return previous;
}

HWND GetFocus() { return FindWindow(S().focus) != nullptr ? S().focus : 0; }

// =============================================================================================
// Cursors, icons, brushes
// =============================================================================================
namespace detail {

Cursor::~Cursor() {
  if (native != nullptr && S().backend != nullptr && S().backend->freeCursor != nullptr) {
    S().backend->freeCursor(native);
  }
}

void ResetResources() {
  State& s = S();
  s.systemCursors.clear();
  s.stockObjects.clear();
  s.appIcon = 0;
}

}  // namespace detail

namespace {

bool IsPredefinedCursor(std::int32_t id) {
  return (id >= IDC_ARROW && id <= IDC_UPARROW) || (id >= IDC_SIZE && id <= IDC_SIZEALL) ||
         (id >= IDC_NO && id <= IDC_HELP) || id == 32641 /* the old icon cursor */;
}

// What a cursor or icon file starts with: a cursor / icon directory, an animated cursor or a
// device-independent bitmap. Anything else is not a cursor.
bool LooksLikeCursorFile(const char* fileName) {
  std::FILE* f = std::fopen(fileName, "rb");
  if (f == nullptr) return false;
  unsigned char head[12] = {};
  const std::size_t n = std::fread(head, 1, sizeof head, f);
  std::fclose(f);
  if (n >= 6 && head[0] == 0 && head[1] == 0 && (head[2] == 1 || head[2] == 2) && head[3] == 0) {
    return head[4] != 0 || head[5] != 0;  // at least one image
  }
  if (n >= 12 && std::equal(head, head + 4, "RIFF") && std::equal(head + 8, head + 12, "ACON")) {
    return true;
  }
  return n >= 2 && head[0] == 'B' && head[1] == 'M';
}

HBRUSH StockBrush(std::int32_t key, std::uint32_t colour, bool hollow) {
  State& s = S();
  auto it = s.stockObjects.find(key);
  if (it != s.stockObjects.end() && Find<Brush>(it->second) != nullptr) return it->second;
  auto [h, b] = Make<Brush>();
  b->stock = true;
  b->colour = colour;
  b->hollow = hollow;
  s.stockObjects[key] = h;
  return h;
}

}  // namespace

HCURSOR LoadCursor(HINSTANCE /*instance*/, std::int32_t id) {
  if (!IsPredefinedCursor(id)) return 0;
  EnsureInitialized();
  State& s = S();
  auto it = s.systemCursors.find(id);
  if (it != s.systemCursors.end() && Find<Cursor>(it->second) != nullptr) return it->second;
  auto [h, c] = Make<Cursor>();
  c->stock = true;
  c->id = id;
  if (s.backend != nullptr && s.backend->createCursor != nullptr) {
    c->native = s.backend->createCursor(id, nullptr);
  }
  s.systemCursors[id] = h;
  return h;
}

HICON LoadIcon(HINSTANCE /*instance*/, std::int32_t id) {
  // The system's icons: application, error, question, warning, information, logo.
  if (id < IDI_APPLICATION || id > IDI_APPLICATION + 5) return 0;
  State& s = S();
  auto it = s.stockObjects.find(0x10000 + id);
  if (it != s.stockObjects.end() && Find<Icon>(it->second) != nullptr) return it->second;
  auto [h, icon] = Make<Icon>();
  icon->stock = true;
  icon->id = id;
  s.stockObjects[0x10000 + id] = h;
  if (id == IDI_APPLICATION) s.appIcon = h;
  return h;
}

HCURSOR LoadCursorFromFile(const char* fileName) {
  if (fileName == nullptr || fileName[0] == '\0' || !LooksLikeCursorFile(fileName)) return 0;
  EnsureInitialized();
  auto [h, c] = Make<Cursor>();
  c->file = fileName;
  State& s = S();
  if (s.backend != nullptr && s.backend->createCursor != nullptr) {
    c->native = s.backend->createCursor(0, fileName);
  }
  return h;
}

HBRUSH GetSysColorBrush(std::int32_t index) {
  // The classic system colours (0x00BBGGRR).
  static constexpr std::uint32_t kColours[31] = {
      0xC8C8C8, 0x000000, 0xD1B499, 0xDBCDBF, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000,
      0x000000, 0x000000, 0xB4B4B4, 0xFCF7F4, 0xABABAB, 0xD77800, 0xFFFFFF, 0xF0F0F0,
      0xA0A0A0, 0x6D6D6D, 0x000000, 0x544E43, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000,
      0xE1FFFF, 0xB4B4B4, 0xCC6600, 0xEAD1B9, 0xF2E4D7, 0xD77800, 0xF0F0F0};
  if (index < 0 || index > 30) return 0;
  return StockBrush(0x100 + index, kColours[index], false);
}

HGDIOBJ GetStockObject(std::int32_t index) {
  switch (index) {
    case WHITE_BRUSH:
      return StockBrush(index, 0xFFFFFF, false);
    case 1:  // light grey
      return StockBrush(index, 0xC0C0C0, false);
    case 2:  // grey
      return StockBrush(index, 0x808080, false);
    case 3:  // dark grey
      return StockBrush(index, 0x404040, false);
    case BLACK_BRUSH:
      return StockBrush(index, 0x000000, false);
    case NULL_BRUSH:
      return StockBrush(index, 0, true);
    default:
      return 0;  // pens, fonts and palettes are not stock objects here
  }
}

}  // namespace brevra::platform
