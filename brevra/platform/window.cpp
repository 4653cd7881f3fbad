// Brevra platform layer: start-up, window classes and the window tree.
//
// The tree is kept here once for both backends; a backend only mirrors top-level windows as
// native windows. Limits: no owned-window z-order beyond creation order, no non-client
// messages (the menu bar is drawn and run by the platform, menu.cpp).
#include <algorithm>   // Required for: std::find, std::remove
#include <cctype>      // Required for: std::toupper
#include <cstring>     // Required for: std::memcpy
#include <functional>  // Required for: std::function (tree walks)

#include "brevra/platform/backend.h"
#include "brevra/platform/menu.h"
#include "brevra/platform/platform.h"
#include "brevra/platform/state.h"

namespace brevra::platform {
using namespace detail;

namespace detail {

State& S() {
  static State& state = *new State();  // outlives static destruction, like the object table
  return state;
}

Window* RootOf(Window* w) {
  while (w != nullptr && w->parent != 0) w = FindWindow(w->parent);
  return w;
}

std::uint32_t NowMs() {
  return (S().backend != nullptr && S().backend->ticks != nullptr) ? S().backend->ticks() : 0;
}

bool (*RegionContains)(HANDLE region, std::int32_t x, std::int32_t y) = nullptr;

namespace {

LPARAM PackSize(std::int32_t w, std::int32_t h) {
  return static_cast<LPARAM>((static_cast<std::uint32_t>(w) & 0xFFFFu) |
                             (static_cast<std::uint32_t>(h) << 16));
}

void Unlink(Window* w) {
  if (w->parent != 0) {
    if (Window* p = FindWindow(w->parent)) {
      p->children.erase(std::remove(p->children.begin(), p->children.end(), w->self),
                        p->children.end());
    }
  } else {
    auto& tops = S().topLevels;
    tops.erase(std::remove(tops.begin(), tops.end(), w->self), tops.end());
  }
}

bool IsSelfOrDescendant(HWND ancestor, HWND h) {
  for (Window* w = FindWindow(h); w != nullptr; w = FindWindow(w->parent)) {
    if (w->self == ancestor) return true;
  }
  return false;
}

HWND TopmostVisible() {
  for (auto it = S().topLevels.rbegin(); it != S().topLevels.rend(); ++it) {
    Window* w = FindWindow(*it);
    if (w != nullptr && w->visible && !w->destroying) return *it;
  }
  return 0;
}

// The window's last moments, after its WM_DESTROY: nothing refers to it any more.
void Forget(Window* w) {
  State& s = S();
  const HWND h = w->self;
  if (s.capture == h) {
    s.capture = 0;
    if (s.backend != nullptr && s.backend->setCapture != nullptr) s.backend->setCapture(false);
  }
  if (s.hover == h) s.hover = 0;
  MenuWindowGone(h);
  KillTimers(h);
  DropQueued(h);
  ReleaseContextsOf(h);
  ReleaseDCsOf(h);
  if (w->region != 0) RemoveObject(w->region);
  if (w->topLevel() && s.backend != nullptr) s.backend->destroyWindow(w);
  Unlink(w);
  RemoveObject(h);
  if (s.foreground == h) s.foreground = TopmostVisible();
  if (s.focus == h) s.focus = s.foreground;
}

void DestroyTree(HWND h) {
  Window* w = FindWindow(h);
  if (w == nullptr || w->destroying) return;
  w->destroying = true;
  const std::vector<HWND> children = w->children;
  for (HWND c : children) DestroyTree(c);
  SendMessage(h, WM_DESTROY, 0, 0);
  if ((w = FindWindow(h)) != nullptr) Forget(w);
}

}  // namespace

void ClientSizeChanged(Window* w, bool send) {
  const HWND h = w->self;
  if (w->topLevel() && S().backend != nullptr && S().backend->clientResized != nullptr) {
    S().backend->clientResized(w);
  }
  for (HWND c : std::vector<HWND>(w->children)) {
    if (Window* child = FindWindow(c); child != nullptr && IsStatusClass(child)) {
      PlaceStatusWindow(child);
    }
  }
  if ((w = FindWindow(h)) == nullptr) return;
  w->invalid = true;
  const WPARAM kind = w->minimized ? SIZE_MINIMIZED : SIZE_RESTORED;
  const LPARAM size = PackSize(w->clientWidth(), w->clientHeight());
  if (send) {
    SendMessage(h, WM_SIZE, kind, size);
  } else {
    Post(h, WM_SIZE, kind, size);
  }
}

void DestroyAllWindowsQuietly() {
  State& s = S();
  // No messages: the program is going away and its window procedures may be gone already.
  const std::vector<HWND> all = s.topLevels;
  std::function<void(HWND)> kill = [&](HWND hwnd) {
    Window* w = FindWindow(hwnd);
    if (w == nullptr) return;
    w->destroying = true;
    for (HWND c : std::vector<HWND>(w->children)) kill(c);
    if ((w = FindWindow(hwnd)) != nullptr) Forget(w);
  };
  for (HWND h : all) kill(h);
}

}  // namespace detail

// =============================================================================================
// Start-up
// =============================================================================================
bool Init(Backend backend) {
  State& s = S();
  if (s.backend != nullptr) {
    if (s.kind == backend) return true;
    Shutdown();
  }
  const BackendOps& ops = backend == Backend::Sdl ? SdlBackend() : HeadlessBackend();
  if (!ops.init()) return false;
  s.backend = &ops;
  s.kind = backend;
  return true;
}

void Shutdown() {
  State& s = S();
  if (s.backend != nullptr && s.currentRC != 0) {
    s.backend->makeCurrent(nullptr, nullptr);
  }
  s.currentRC = s.currentDC = s.currentWindow = 0;
  DestroyAllWindowsQuietly();
  ResetResources();
  ResetMenus();
  RemoveAllObjects();  // contexts and cursors still find their backend here
  ClearQueue();
  ResetInput();
  s.classes.clear();
  s.topLevels.clear();
  if (s.backend != nullptr) s.backend->shutdown();
  s.backend = nullptr;
  s.autoInitTried = false;
}

bool IsInitialized() { return S().backend != nullptr; }

Backend CurrentBackend() { return S().kind; }

bool EnsureInitialized() {
  State& s = S();
  if (s.backend != nullptr) return true;
  if (s.autoInitTried) return false;  // tried once and failed: do not retry on every call
  s.autoInitTried = true;
  return Init(Backend::Sdl);
}

HINSTANCE GetModuleHandle(const char* /*moduleName*/) { return 0x00010000u; }

std::int32_t GetStartupShowCommand() { return SW_SHOWDEFAULT; }

// =============================================================================================
// Window classes
// =============================================================================================
namespace {

ATOM AddClass(const WNDCLASSEX& wc) {
  if (wc.lpszClassName == nullptr || wc.lpszClassName[0] == '\0') return 0;
  State& s = S();
  std::string name = wc.lpszClassName;
  if (s.classes.count(name) != 0) return 0;
  WindowClass& c = s.classes[name];
  c.name = name;
  c.menuName = wc.lpszMenuName != nullptr ? wc.lpszMenuName : "";
  c.wc = wc;
  c.wc.lpszClassName = c.name.c_str();
  c.wc.lpszMenuName = wc.lpszMenuName != nullptr ? c.menuName.c_str() : nullptr;
  c.atom = s.nextAtom++;
  return c.atom;
}

}  // namespace

ATOM RegisterClass(const WNDCLASS* wc) {
  if (wc == nullptr) return 0;
  WNDCLASSEX ex;
  ex.cbSize = 48;
  ex.style = wc->style;
  ex.lpfnWndProc = wc->lpfnWndProc;
  ex.cbClsExtra = wc->cbClsExtra;
  ex.cbWndExtra = wc->cbWndExtra;
  ex.hInstance = wc->hInstance;
  ex.hIcon = wc->hIcon;
  ex.hCursor = wc->hCursor;
  ex.hbrBackground = wc->hbrBackground;
  ex.lpszMenuName = wc->lpszMenuName;
  ex.lpszClassName = wc->lpszClassName;
  ex.hIconSm = wc->hIcon;
  return AddClass(ex);
}

ATOM RegisterClassEx(const WNDCLASSEX* wc) { return wc == nullptr ? 0 : AddClass(*wc); }

bool GetClassInfoEx(HINSTANCE /*instance*/, const char* className, WNDCLASSEX* out) {
  if (className == nullptr) return false;
  auto it = S().classes.find(className);
  if (it == S().classes.end()) return false;
  if (out != nullptr) {
    *out = it->second.wc;
    out->cbSize = 48;
  }
  return true;
}

bool UnregisterClass(const char* className, HINSTANCE /*instance*/) {
  if (className == nullptr) return false;
  auto it = S().classes.find(className);
  if (it == S().classes.end()) return false;
  // A class in use stays.
  std::function<bool(HWND)> uses = [&](HWND h) {
    Window* w = FindWindow(h);
    if (w == nullptr) return false;
    if (w->className == it->first) return true;
    return std::any_of(w->children.begin(), w->children.end(), uses);
  };
  if (std::any_of(S().topLevels.begin(), S().topLevels.end(), uses)) return false;
  S().classes.erase(it);
  return true;
}

// =============================================================================================
// Windows
// =============================================================================================
HWND CreateWindowEx(UINT exStyle, const char* className, const char* windowName, UINT style,
                    std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                    HWND parent, HMENU menu, HINSTANCE instance, void* param) {
  if (!EnsureInitialized() || className == nullptr) return 0;
  State& s = S();
  auto cls = s.classes.find(className);
  if (cls == s.classes.end()) return 0;
  const bool child = (style & WS_CHILD) != 0;
  if (child && FindWindow(parent) == nullptr) return 0;
  if (!child) parent = 0;  // an owner is not a parent here

  auto [h, w] = Make<Window>();
  w->self = h;
  w->className = cls->first;
  w->classStyle = cls->second.wc.style;
  w->proc = cls->second.wc.lpfnWndProc;
  w->cursor = cls->second.wc.hCursor;
  w->icon = cls->second.wc.hIcon;
  w->background = cls->second.wc.hbrBackground;
  w->style = style;
  w->exStyle = exStyle;
  w->parent = parent;
  w->id = child ? static_cast<std::int32_t>(menu) : 0;
  w->text = windowName != nullptr ? windowName : "";
  // CW_USEDEFAULT puts the window at the origin; a default size is only given to overlapped
  // windows (a pop-up or child without a size stays empty).
  if (x == CW_USEDEFAULT) x = y = 0;
  if (y == CW_USEDEFAULT) y = 0;
  if (width == CW_USEDEFAULT) {
    const bool overlapped = !child && (style & WS_POPUP) == 0;
    width = overlapped ? 640 : 0;
    height = overlapped ? 480 : 0;
  }
  if (height == CW_USEDEFAULT) height = 0;
  w->x = x;
  w->y = y;
  w->width = std::max(0, width);
  w->height = std::max(0, height);
  w->visible = (style & WS_VISIBLE) != 0;
  w->minimized = (style & WS_MINIMIZE) != 0;
  w->invalid = true;
  w->erase = true;

  if (child) {
    FindWindow(parent)->children.push_back(h);
  } else {
    if (!s.backend->createWindow(w)) {
      RemoveObject(h);
      return 0;
    }
    s.topLevels.push_back(h);
  }

  CREATESTRUCT cs;
  cs.lpCreateParams = param;
  cs.hInstance = instance;
  cs.hMenu = menu;
  cs.hwndParent = parent;
  cs.cx = w->width;
  cs.cy = w->height;
  cs.x = w->x;
  cs.y = w->y;
  cs.style = style;
  cs.lpszName = windowName;
  cs.lpszClass = className;
  cs.dwExStyle = exStyle;
  if (SendMessage(h, WM_CREATE, 0, PackPointer(&cs)) == -1) {
    DestroyWindow(h);
    return 0;
  }
  if ((w = FindWindow(h)) == nullptr) return 0;  // it destroyed itself
  SendMessage(h, WM_SIZE, w->minimized ? SIZE_MINIMIZED : SIZE_RESTORED,
              PackSize(w->clientWidth(), w->clientHeight()));
  if ((w = FindWindow(h)) == nullptr) return 0;
  if (w->topLevel() && w->visible) {
    s.backend->showWindow(w);
    s.foreground = s.focus = h;
  }
  return h;
}

bool DestroyWindow(HWND hwnd) {
  Window* w = FindWindow(hwnd);
  if (w == nullptr || w->destroying) return false;
  DestroyTree(hwnd);
  return true;
}

bool IsWindow(HWND hwnd) { return FindWindow(hwnd) != nullptr; }

bool IsChild(HWND parent, HWND hwnd) {
  return parent != hwnd && FindWindow(parent) != nullptr && IsSelfOrDescendant(parent, hwnd);
}

bool ShowWindow(HWND hwnd, std::int32_t cmdShow) {
  Window* w = FindWindow(hwnd);
  if (w == nullptr) return false;
  const bool wasVisible = w->visible;
  const bool wasMinimized = w->minimized;
  switch (cmdShow) {
    case SW_HIDE:
      w->visible = false;
      break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
      w->visible = true;
      w->minimized = true;
      break;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
    case SW_SHOWDEFAULT:
      w->visible = true;
      w->minimized = false;
      break;
    default:
      w->visible = true;
      break;
  }
  if (w->visible)
    w->style |= WS_VISIBLE;
  else
    w->style &= ~WS_VISIBLE;
  if (w->visible && !wasVisible) w->invalid = w->erase = true;
  State& s = S();
  if (w->topLevel()) {
    s.backend->showWindow(w);
    if (w->visible && !wasVisible) s.foreground = s.focus = hwnd;
    if (!w->visible && s.foreground == hwnd) s.focus = s.foreground = TopmostVisible();
  }
  if (w->minimized != wasMinimized) ClientSizeChanged(w, true);
  return wasVisible;
}

bool IsWindowVisible(HWND hwnd) {
  for (Window* w = FindWindow(hwnd); w != nullptr; w = FindWindow(w->parent)) {
    if (!w->visible) return false;
    if (w->parent == 0) return true;
  }
  return false;
}

bool SetWindowText(HWND hwnd, const char* text) {
  if (FindWindow(hwnd) == nullptr) return false;
  // As the system does: the window's procedure gets WM_SETTEXT, whose default handling stores
  // the text and retitles the native window.
  return SendMessage(hwnd, WM_SETTEXT, 0, PackPointer(text != nullptr ? text : "")) != 0;
}

std::int32_t GetWindowText(HWND hwnd, char* buffer, std::int32_t size) {
  Window* w = FindWindow(hwnd);
  if (w == nullptr || buffer == nullptr || size <= 0) return 0;
  const std::size_t n = std::min(w->text.size(), static_cast<std::size_t>(size - 1));
  std::memcpy(buffer, w->text.data(), n);
  buffer[n] = '\0';
  return static_cast<std::int32_t>(n);
}

bool GetClientRect(HWND hwnd, RECT* rect) {
  Window* w = FindWindow(hwnd);
  if (w == nullptr || rect == nullptr) return false;
  *rect = RECT{0, 0, w->clientWidth(), w->clientHeight()};
  return true;
}

bool GetWindowRect(HWND hwnd, RECT* rect) {
  Window* w = FindWindow(hwnd);
  if (w == nullptr || rect == nullptr) return false;
  POINT origin{w->x, w->y};
  if (w->parent != 0) ClientToScreen(w->parent, &origin);
  *rect = RECT{origin.x, origin.y, origin.x + w->width, origin.y + w->height};
  return true;
}

bool MoveWindow(HWND hwnd, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                bool repaint) {
  Window* w = FindWindow(hwnd);
  if (w == nullptr) return false;
  const std::int32_t oldW = w->clientWidth(), oldH = w->clientHeight();
  const bool moved = x != w->x || y != w->y;
  w->x = x;
  w->y = y;
  w->width = std::max(0, width);
  w->height = std::max(0, height);
  if (w->topLevel()) S().backend->moveWindow(w);
  if (repaint) w->invalid = true;
  if (moved) {
    POINT client{0, 0};
    ClientToScreen(hwnd, &client);
    if (w->parent != 0) ScreenToClient(w->parent, &client);
    SendMessage(hwnd, WM_MOVE, 0, PackSize(client.x, client.y));
    if ((w = FindWindow(hwnd)) == nullptr) return true;
  }
  if (w->clientWidth() != oldW || w->clientHeight() != oldH) ClientSizeChanged(w, true);
  return true;
}

HWND GetParent(HWND hwnd) {
  Window* w = FindWindow(hwnd);
  return w != nullptr ? w->parent : 0;
}

std::int32_t GetDlgCtrlID(HWND hwnd) {
  Window* w = FindWindow(hwnd);
  return w != nullptr ? w->id : 0;
}

std::uint32_t GetWindowStyle(HWND hwnd) {
  Window* w = FindWindow(hwnd);
  return w != nullptr ? w->style : 0;
}

WNDPROC GetWindowProc(HWND hwnd) {
  Window* w = FindWindow(hwnd);
  return w != nullptr ? w->proc : nullptr;
}

bool ClientToScreen(HWND hwnd, POINT* point) {
  Window* w = FindWindow(hwnd);
  if (w == nullptr || point == nullptr) return false;
  for (; w != nullptr; w = FindWindow(w->parent)) {
    point->x += w->x + w->frame.left;
    point->y += w->y + w->frame.top + w->menuBar;
    if (w->parent == 0) break;
  }
  return true;
}

bool ScreenToClient(HWND hwnd, POINT* point) {
  if (point == nullptr) return false;
  POINT origin{0, 0};
  if (!ClientToScreen(hwnd, &origin)) return false;
  point->x -= origin.x;
  point->y -= origin.y;
  return true;
}

std::int32_t GetSystemMetrics(std::int32_t index) {
  if (!EnsureInitialized()) return 0;
  std::int32_t w = 0, h = 0;
  S().backend->screenSize(&w, &h);
  switch (index) {
    case SM_CXSCREEN:
      return w;
    case SM_CYSCREEN:
      return h;
    default:
      return 0;
  }
}

bool SetWindowRgn(HWND hwnd, HANDLE region, bool redraw) {
  Window* w = FindWindow(hwnd);
  if (w == nullptr) return false;
  if (w->region != 0 && w->region != region) RemoveObject(w->region);
  w->region = region;
  if (redraw) w->invalid = true;
  return true;
}

HANDLE GetWindowRgn(HWND hwnd) {
  Window* w = FindWindow(hwnd);
  return w != nullptr ? w->region : 0;
}

// ---- properties (names compare without regard to case, as atoms do) ----
namespace {
std::string PropKey(const char* name) {
  std::string k = name != nullptr ? name : "";
  for (char& c : k) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return k;
}
}  // namespace

bool SetProp(HWND hwnd, const char* name, HANDLE data) {
  Window* w = FindWindow(hwnd);
  if (w == nullptr || name == nullptr || name[0] == '\0') return false;
  w->props[PropKey(name)] = data;
  return true;
}

HANDLE GetProp(HWND hwnd, const char* name) {
  Window* w = FindWindow(hwnd);
  if (w == nullptr || name == nullptr) return 0;
  auto it = w->props.find(PropKey(name));
  return it == w->props.end() ? 0 : it->second;
}

HANDLE RemoveProp(HWND hwnd, const char* name) {
  Window* w = FindWindow(hwnd);
  if (w == nullptr || name == nullptr) return 0;
  auto it = w->props.find(PropKey(name));
  if (it == w->props.end()) return 0;
  HANDLE data = it->second;
  w->props.erase(it);
  return data;
}

// =============================================================================================
// Pointer tickets for message parameters
// =============================================================================================
namespace {
struct Ticket {
  LPARAM ticket = 0;
  const void* pointer = nullptr;
};
Ticket g_tickets[256];
std::uint32_t g_nextTicket = 1;
}  // namespace

LPARAM PackPointer(const void* pointer) {
  if (pointer == nullptr) return 0;
  // Positive, never 0; wraps within 31 bits.
  const LPARAM t = static_cast<LPARAM>(g_nextTicket);
  g_nextTicket = g_nextTicket >= 0x7FFFFFFFu ? 1 : g_nextTicket + 1;
  g_tickets[static_cast<std::uint32_t>(t) & 0xFF] = Ticket{t, pointer};
  return t;
}

const void* UnpackPointer(LPARAM ticket) {
  if (ticket <= 0) return nullptr;
  const Ticket& slot = g_tickets[static_cast<std::uint32_t>(ticket) & 0xFF];
  return slot.ticket == ticket ? slot.pointer : nullptr;
}

// =============================================================================================
// Status window
// =============================================================================================
namespace {
constexpr const char* kStatusClass = "brevra_status";

LRESULT StatusProc(HWND hwnd, std::int32_t message, WPARAM wParam, LPARAM lParam) {
  Window* w = FindWindow(hwnd);
  if (w == nullptr) return 0;
  switch (message) {
    case WM_CREATE:
      w->partTexts.assign(1, w->text);
      PlaceStatusWindow(w);
      return 0;
    case WM_SETTEXT: {
      const char* text = static_cast<const char*>(UnpackPointer(lParam));
      return StatusSetText(hwnd, 0, text) ? 1 : 0;
    }
    case SB_SETTEXT: {
      const char* text = static_cast<const char*>(UnpackPointer(lParam));
      return StatusSetText(hwnd, wParam & 0xFF, text) ? 1 : 0;
    }
    case SB_SETPARTS:
      return StatusSetParts(hwnd, wParam, static_cast<const std::int32_t*>(UnpackPointer(lParam)))
                 ? 1
                 : 0;
    case SB_GETPARTS: {
      // LParam may lead to an array of WParam edges to fill; the answer is the part count.
      auto* out =
          const_cast<std::int32_t*>(static_cast<const std::int32_t*>(UnpackPointer(lParam)));
      const auto n = static_cast<std::int32_t>(w->parts.size());
      for (std::int32_t i = 0; out != nullptr && i < std::min(n, wParam); ++i) out[i] = w->parts[i];
      return std::max<std::int32_t>(n, 1);
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    default:
      return DefWindowProc(hwnd, message, wParam, lParam);
  }
}

void EnsureStatusClass() {
  if (S().classes.count(kStatusClass) != 0) return;
  WNDCLASSEX wc;
  wc.cbSize = 48;
  wc.lpfnWndProc = StatusProc;
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.hCursor = LoadCursor(0, IDC_ARROW);
  wc.lpszClassName = kStatusClass;
  AddClass(wc);
}
}  // namespace

namespace detail {
bool IsStatusClass(const Window* w) { return w->className == kStatusClass; }

void PlaceStatusWindow(Window* status) {
  Window* parent = FindWindow(status->parent);
  if (parent == nullptr) return;
  status->x = 0;
  status->y = std::max(0, parent->clientHeight() - kStatusHeight);
  status->width = parent->clientWidth();
  status->height = std::min(kStatusHeight, parent->clientHeight());
  status->invalid = true;
}
}  // namespace detail

HWND CreateStatusWindow(std::int32_t style, const char* text, HWND parent, UINT id) {
  if (!EnsureInitialized() || FindWindow(parent) == nullptr) return 0;
  EnsureStatusClass();
  return CreateWindowEx(0, kStatusClass, text, static_cast<UINT>(style) | WS_CHILD, 0, 0, 0, 0,
                        parent, id, GetModuleHandle(nullptr), nullptr);
}

namespace {
Window* FindStatus(HWND status) {
  Window* w = FindWindow(status);
  return (w != nullptr && IsStatusClass(w)) ? w : nullptr;
}
}  // namespace

bool StatusSetParts(HWND status, std::int32_t count, const std::int32_t* edges) {
  Window* w = FindStatus(status);
  if (w == nullptr || count < 0 || count > 256 || (count > 0 && edges == nullptr)) return false;
  w->parts.assign(edges, edges + count);
  w->partTexts.resize(static_cast<std::size_t>(std::max(1, count)));
  w->invalid = true;
  return true;
}

bool StatusSetText(HWND status, std::int32_t part, const char* text) {
  Window* w = FindStatus(status);
  if (w == nullptr || part < 0 || part > 255) return false;
  if (static_cast<std::size_t>(part) >= std::max<std::size_t>(1, w->parts.size())) return false;
  if (w->partTexts.size() <= static_cast<std::size_t>(part)) w->partTexts.resize(part + 1);
  w->partTexts[part] = text != nullptr ? text : "";
  if (part == 0) w->text = w->partTexts[0];
  w->invalid = true;
  return true;
}

std::string StatusText(HWND status, std::int32_t part) {
  Window* w = FindStatus(status);
  if (w == nullptr || part < 0 || static_cast<std::size_t>(part) >= w->partTexts.size()) return {};
  return w->partTexts[part];
}

std::vector<std::int32_t> StatusParts(HWND status) {
  Window* w = FindStatus(status);
  return w != nullptr ? w->parts : std::vector<std::int32_t>{};
}

}  // namespace brevra::platform
