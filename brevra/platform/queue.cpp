// Brevra platform layer: the one message queue, timers, painting and default handling.
//
// Posted messages come out first, in the order they were posted; only when none is waiting does
// the queue make up a WM_PAINT for an invalid visible window, and after that a WM_TIMER for a
// due timer. Sent messages never enter the queue: SendMessage calls the window procedure.
// Limits: one thread; timers are checked when the queue is looked at, not interrupt-driven.
#include <algorithm>  // Required for: std::remove_if, std::min
#include <cstdint>
#include <functional>  // Required for: std::function (tree walk)

#include "brevra/platform/backend.h"
#include "brevra/platform/menu.h"
#include "brevra/platform/platform.h"
#include "brevra/platform/state.h"

namespace brevra::platform {
using namespace detail;

namespace {

using TimerProc = void (*)(HWND, UINT, UINT, std::uint32_t);

struct TimerEntry {
  Timer t;
  TimerProc proc = nullptr;
};
std::vector<TimerEntry> g_timers;
UINT g_nextThreadTimer = 0x7F00;

bool InRange(std::int32_t message, UINT min, UINT max) {
  if (min == 0 && max == 0) return true;
  const auto m = static_cast<UINT>(message);
  return m >= min && m <= max;
}

bool ForWindow(HWND target, HWND filter) {
  if (filter == 0) return true;
  return target == filter || IsChild(filter, target);
}

MSG Stamp(HWND hwnd, std::int32_t message, WPARAM wParam, LPARAM lParam) {
  MSG m;
  m.hwnd = hwnd;
  m.message = message;
  m.wParam = wParam;
  m.lParam = lParam;
  m.time = NowMs();
  m.pt = S().cursor;
  return m;
}

// First invalid, visible window (parents before children), honouring the filter.
HWND FindInvalid(HWND h, HWND filter, UINT min, UINT max) {
  Window* w = FindWindow(h);
  if (w == nullptr || !w->visible || w->minimized) return 0;
  if (w->invalid && ForWindow(h, filter) && InRange(WM_PAINT, min, max)) return h;
  for (HWND c : w->children) {
    if (HWND found = FindInvalid(c, filter, min, max)) return found;
  }
  return 0;
}

bool NextMessage(MSG* msg, HWND hwnd, UINT min, UINT max, bool remove) {
  State& s = S();
  for (auto it = s.queue.begin(); it != s.queue.end(); ++it) {
    // Thread messages (no window, WM_QUIT among them) only come out for an unfiltered look.
    const bool windowOk = it->hwnd == 0 ? hwnd == 0 : ForWindow(it->hwnd, hwnd);
    if (windowOk && InRange(it->message, min, max)) {
      *msg = *it;
      if (remove) {
        const std::int32_t m = it->message;
        if (m == WM_KEYDOWN || m == WM_SYSKEYDOWN || m == WM_KEYUP || m == WM_SYSKEYUP) {
          s.keysAtMessage[it->wParam & 0xFF] = m == WM_KEYDOWN || m == WM_SYSKEYDOWN;
        }
        s.queue.erase(it);
      }
      return true;
    }
  }
  for (HWND top : s.topLevels) {
    if (HWND h = FindInvalid(top, hwnd, min, max)) {
      *msg = Stamp(h, WM_PAINT, 0, 0);
      return true;  // the window stays invalid until it is painted
    }
  }
  if (!InRange(WM_TIMER, min, max)) return false;
  const std::uint32_t now = NowMs();
  for (TimerEntry& e : g_timers) {
    if (static_cast<std::int32_t>(now - e.t.due) >= 0 && ForWindow(e.t.hwnd, hwnd) &&
        (e.t.hwnd != 0 || hwnd == 0)) {
      *msg = Stamp(e.t.hwnd, WM_TIMER, static_cast<WPARAM>(e.t.id),
                   e.proc != nullptr ? PackPointer(reinterpret_cast<const void*>(e.proc)) : 0);
      if (remove) e.t.due = now + e.t.elapse;
      return true;
    }
  }
  return false;
}

void Pump() {
  State& s = S();
  if (s.backend != nullptr && s.backend->pumpEvents != nullptr) s.backend->pumpEvents();
}

}  // namespace

namespace detail {

void Post(HWND hwnd, std::int32_t message, WPARAM wParam, LPARAM lParam) {
  S().queue.push_back(Stamp(hwnd, message, wParam, lParam));
}

void DropQueued(HWND hwnd) {
  auto& q = S().queue;
  q.erase(std::remove_if(q.begin(), q.end(), [&](const MSG& m) { return m.hwnd == hwnd; }),
          q.end());
}

void KillTimers(HWND hwnd) {
  g_timers.erase(std::remove_if(g_timers.begin(), g_timers.end(),
                                [&](const TimerEntry& e) { return e.t.hwnd == hwnd; }),
                 g_timers.end());
}

void ClearQueue() {
  S().queue.clear();
  g_timers.clear();
}

}  // namespace detail

// =============================================================================================
// Queue
// =============================================================================================
bool PeekMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMsg) {
  if (msg == nullptr) return false;
  EnsureInitialized();
  Pump();
  return NextMessage(msg, hwnd, filterMin, filterMax, (removeMsg & PM_REMOVE) != 0);
}

std::int32_t GetMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  if (msg == nullptr) return -1;
  EnsureInitialized();
  for (;;) {
    Pump();
    if (NextMessage(msg, hwnd, filterMin, filterMax, true)) {
      return msg->message == WM_QUIT ? 0 : 1;
    }
    // Sleep until an event may have come or the nearest timer is due.
    std::uint32_t wait = UINT32_MAX;
    const std::uint32_t now = NowMs();
    for (const TimerEntry& e : g_timers) {
      const auto left = static_cast<std::int32_t>(e.t.due - now);
      wait = std::min<std::uint32_t>(wait, left > 0 ? static_cast<std::uint32_t>(left) : 0);
    }
    State& s = S();
    if (s.backend == nullptr || s.backend->waitEvents == nullptr || !s.backend->waitEvents(wait)) {
      // Nothing can ever arrive: answer an error rather than wait for ever.
      *msg = MSG{};
      return -1;
    }
  }
}

bool TranslateMessage(const MSG* msg) {
  if (msg == nullptr || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) {
    return false;
  }
  const std::int32_t vk = msg->wParam;
  const State& s = S();
  const bool shift = s.keys[VK_SHIFT] || s.keys[VK_LSHIFT] || s.keys[VK_RSHIFT];
  std::int32_t ch = 0;
  if (vk >= 'A' && vk <= 'Z') {
    ch = shift ? vk : vk - 'A' + 'a';
    if (s.keys[VK_CONTROL]) ch = vk - 'A' + 1;  // control characters
  } else if (vk >= '0' && vk <= '9' && !shift) {
    ch = vk;
  } else if (vk == VK_SPACE || vk == VK_RETURN || vk == VK_ESCAPE || vk == VK_BACK ||
             vk == VK_TAB) {
    ch = vk;
  } else if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) {
    ch = '0' + (vk - VK_NUMPAD0);
  }
  if (ch == 0) return false;
  // The character message comes right after its key message, before anything queued later.
  MSG m = *msg;
  m.message = msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
  m.wParam = ch;
  S().queue.push_front(m);
  return true;
}

LRESULT DispatchMessage(const MSG* msg) {
  if (msg == nullptr) return 0;
  if (msg->message == WM_TIMER && msg->lParam != 0) {
    if (auto proc = reinterpret_cast<TimerProc>(const_cast<void*>(UnpackPointer(msg->lParam)))) {
      proc(msg->hwnd, WM_TIMER, static_cast<UINT>(msg->wParam), msg->time);
      return 0;
    }
  }
  if (msg->hwnd == 0) return 0;  // thread messages have no procedure
  return SendMessage(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

bool PostMessage(HWND hwnd, std::int32_t message, WPARAM wParam, LPARAM lParam) {
  if (hwnd != 0 && FindWindow(hwnd) == nullptr) return false;
  Post(hwnd, message, wParam, lParam);
  return true;
}

LRESULT SendMessage(HWND hwnd, std::int32_t message, WPARAM wParam, LPARAM lParam) {
  Window* w = FindWindow(hwnd);
  if (w == nullptr) return 0;
  // Copy the procedure first: the call may destroy the window.
  WNDPROC proc = w->proc != nullptr ? w->proc : DefWindowProc;
  return proc(hwnd, message, wParam, lParam);
}

void PostQuitMessage(std::int32_t exitCode) { Post(0, WM_QUIT, exitCode, 0); }

namespace {

// The keyboard's way into the menus, as the default handling sees the keys: Alt or F10 pressed
// and released with no other key between asks for the menu bar.
bool g_menuKeyAlone = false;

bool IsAltKey(WPARAM vk) { return vk == VK_MENU || vk == VK_LMENU || vk == VK_RMENU; }

LPARAM PackScreenPoint(std::int32_t x, std::int32_t y) {
  return static_cast<LPARAM>((static_cast<std::uint32_t>(x) & 0xFFFFu) |
                             ((static_cast<std::uint32_t>(y) & 0xFFFFu) << 16));
}

// Default keyboard handling: the menu bar (Alt or F10 alone, Alt + a mnemonic letter) and the
// context menu (Shift+F10 and the Menu key; LParam -1 as it comes from no point).
void DefaultKeys(Window* w, std::int32_t message, WPARAM wParam, LPARAM lParam) {
  const HWND hwnd = w->self;
  Window* root = RootOf(w);
  const bool repeat = (lParam & (1 << 30)) != 0;
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (wParam == VK_F10 && (lParam & (1 << 29)) == 0 && S().keysAtMessage[VK_SHIFT]) {
        g_menuKeyAlone = false;
        SendMessage(hwnd, WM_CONTEXTMENU, static_cast<WPARAM>(hwnd), -1);
      } else if (IsAltKey(wParam) || wParam == VK_F10) {
        if (!repeat) g_menuKeyAlone = true;
      } else {
        g_menuKeyAlone = false;
      }
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if ((IsAltKey(wParam) || wParam == VK_F10) && g_menuKeyAlone && root != nullptr) {
        SendMessage(root->self, WM_SYSCOMMAND, SC_KEYMENU, 0);
      }
      g_menuKeyAlone = false;
      if (message == WM_KEYUP && wParam == VK_APPS) {
        SendMessage(hwnd, WM_CONTEXTMENU, static_cast<WPARAM>(hwnd), -1);
      }
      break;
    case WM_SYSCHAR:
      if ((lParam & (1 << 29)) != 0 && wParam != ' ' && root != nullptr) {
        SendMessage(root->self, WM_SYSCOMMAND, SC_KEYMENU, wParam);
      }
      break;
    default:
      break;
  }
}

}  // namespace

LRESULT DefWindowProc(HWND hwnd, std::int32_t message, WPARAM wParam, LPARAM lParam) {
  Window* w = FindWindow(hwnd);
  if (w == nullptr) return 0;
  constexpr WPARAM SC_MINIMIZE = 0xF020, SC_CLOSE = 0xF060, SC_RESTORE = 0xF120;
  switch (message) {
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_SETTEXT: {
      const char* text = static_cast<const char*>(UnpackPointer(lParam));
      w->text = text != nullptr ? text : "";
      if (w->topLevel() && S().backend != nullptr) S().backend->setTitle(w);
      return 1;
    }
    case WM_SYSKEYDOWN:
      if (wParam == VK_F1 + 3 && (lParam & (1 << 29)) != 0) {  // Alt+F4
        if (Window* root = RootOf(w)) SendMessage(root->self, WM_CLOSE, 0, 0);
        return 0;
      }
      DefaultKeys(w, message, wParam, lParam);
      return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
      DefaultKeys(w, message, wParam, lParam);
      return 0;
    case WM_RBUTTONUP: {
      // A right click in the client area asks for the context menu at the pointer.
      POINT p{static_cast<std::int16_t>(lParam & 0xFFFF),
              static_cast<std::int16_t>((lParam >> 16) & 0xFFFF)};
      ClientToScreen(hwnd, &p);
      SendMessage(hwnd, WM_CONTEXTMENU, static_cast<WPARAM>(hwnd), PackScreenPoint(p.x, p.y));
      return 0;
    }
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_CLOSE:
          SendMessage(hwnd, WM_CLOSE, 0, 0);
          break;
        case SC_MINIMIZE:
          ShowWindow(hwnd, SW_MINIMIZE);
          break;
        case SC_RESTORE:
          ShowWindow(hwnd, SW_RESTORE);
          break;
        case SC_KEYMENU:
          MenuKeyboardActivate(hwnd, lParam);
          break;
        default:
          break;
      }
      return 0;
    case WM_CONTEXTMENU:
      // A child passes the request on to its parent.
      if (w->parent != 0) return SendMessage(w->parent, message, wParam, lParam);
      return 0;
    default:
      return 0;
  }
}

// =============================================================================================
// Timers
// =============================================================================================
UINT SetTimer(HWND hwnd, UINT id, UINT elapseMs, void* timerProc) {
  if (hwnd != 0 && FindWindow(hwnd) == nullptr) return 0;
  if (hwnd == 0) id = g_nextThreadTimer++;           // a thread timer gets a fresh identifier
  const UINT elapse = std::max<UINT>(elapseMs, 10);  // the system's shortest interval
  KillTimer(hwnd, id);
  TimerEntry e;
  e.t = Timer{hwnd, id, elapse, NowMs() + elapse};
  e.proc = reinterpret_cast<TimerProc>(timerProc);
  g_timers.push_back(e);
  return hwnd == 0 ? id : (id != 0 ? id : 1);
}

bool KillTimer(HWND hwnd, UINT id) {
  auto it = std::find_if(g_timers.begin(), g_timers.end(),
                         [&](const TimerEntry& e) { return e.t.hwnd == hwnd && e.t.id == id; });
  if (it == g_timers.end()) return false;
  g_timers.erase(it);
  // A WM_TIMER already posted for it is not taken back (none is ever posted: they are made up).
  return true;
}

// =============================================================================================
// Painting
// =============================================================================================
bool InvalidateRect(HWND hwnd, const RECT* /*rect*/, bool erase) {
  if (hwnd == 0) {
    // Every window.
    std::function<void(HWND)> all = [&](HWND h) {
      if (Window* w = FindWindow(h)) {
        w->invalid = true;
        w->erase = w->erase || erase;
        for (HWND c : w->children) all(c);
      }
    };
    for (HWND top : S().topLevels) all(top);
    return true;
  }
  Window* w = FindWindow(hwnd);
  if (w == nullptr) return false;
  w->invalid = true;
  w->erase = w->erase || erase;
  return true;
}

bool ValidateRect(HWND hwnd, const RECT* /*rect*/) {
  Window* w = FindWindow(hwnd);
  if (w == nullptr) return false;
  w->invalid = w->erase = false;
  return true;
}

bool UpdateWindow(HWND hwnd) {
  Window* w = FindWindow(hwnd);
  if (w == nullptr) return false;
  if (w->invalid && IsWindowVisible(hwnd)) SendMessage(hwnd, WM_PAINT, 0, 0);
  return true;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
  Window* w = FindWindow(hwnd);
  if (w == nullptr) return 0;
  const bool erase = w->erase;
  w->invalid = w->erase = false;
  auto [h, dc] = Make<DeviceContext>();
  dc->window = hwnd;
  dc->paint = true;
  if (erase) SendMessage(hwnd, WM_ERASEBKGND, static_cast<WPARAM>(h), 0);
  if (ps != nullptr) {
    ps->hdc = h;
    ps->fErase = erase;
    if ((w = FindWindow(hwnd)) != nullptr)
      ps->rcPaint = RECT{0, 0, w->clientWidth(), w->clientHeight()};
  }
  return h;
}

bool EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
  if (ps == nullptr) return false;
  auto* dc = Find<DeviceContext>(ps->hdc);
  if (dc == nullptr || !dc->paint || dc->window != hwnd) return false;
  RemoveObject(ps->hdc);
  return true;
}

}  // namespace brevra::platform
