// Brevra platform layer: the one menu engine, which runs whatever menu is open.
//
// What is open is decided here for both backends: the shared input path hands every key and
// pointer event to the engine while a menu is open, and the window never sees them. Keyboard:
// F10 or Alt pressed and released highlights the bar's first item (through the window's default
// handling); Left / Right move along the bar; Down or Return open the highlighted menu with its
// first enabled item highlighted; Up / Down move; Return chooses; Escape closes one level; a
// mnemonic letter opens or chooses its item. Mouse: a press on a bar item opens its menu,
// pointing highlights, a release on an item chooses it, a press outside every open menu closes
// them. A chosen item posts WM_COMMAND to the menu's owner (or is returned by TrackPopupMenu with
// TPM_RETURNCMD). Input queued for the window before its menu opened goes to the menu.
//
// TrackPopupMenu runs its own loop until the menu closes, as the system's does: the caller's
// frame loop is held meanwhile, so the loop shows the frame that was last drawn (read back once
// from the window's buffer) with the menu over it.
//
// Limits: menus are drawn inside their window's surface (a pop-up near an edge is moved in);
// a click outside an open menu only closes it (it reaches no window); no WM_INITMENU* /
// WM_MENUSELECT notifications; posted messages wait while a pop-up is tracked.
#include <algorithm>  // Required for: std::any_of, std::max, std::min
#include <cctype>     // Required for: std::toupper

#include "brevra/platform/backend.h"
#include "brevra/platform/menu.h"

namespace brevra::platform {
using namespace detail;

namespace {

// =============================================================================================
// Items: what can be highlighted and chosen
// =============================================================================================
bool Selectable(const MenuItem& item) {
  return (item.flags & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED)) == 0;
}

// Next selectable item after `from` in direction `step` (wrapping); -1 when there is none.
std::int32_t NextSelectable(const Menu& m, std::int32_t from, std::int32_t step) {
  const auto n = static_cast<std::int32_t>(m.items.size());
  if (n == 0) return -1;
  std::int32_t i = from < 0 ? (step > 0 ? -1 : n) : from;
  for (std::int32_t k = 0; k < n; ++k) {
    i = ((i + step) % n + n) % n;
    if (Selectable(m.items[i])) return i;
  }
  return -1;
}

// The selectable item whose mnemonic is `ch`, or -1.
std::int32_t MnemonicItem(const Menu& m, std::int32_t ch) {
  for (std::size_t i = 0; i < m.items.size(); ++i) {
    if ((m.items[i].flags & MF_SEPARATOR) != 0) continue;
    std::int32_t at = -1;
    const std::string label = MenuLabel(m.items[i].text, &at);
    if (at < 0) continue;
    if (std::toupper(static_cast<unsigned char>(label[at])) == ch) {
      return Selectable(m.items[i]) ? static_cast<std::int32_t>(i) : -1;
    }
  }
  return -1;
}

// =============================================================================================
// The engine
// =============================================================================================
struct Engine {
  MenuView view;
  HWND owner = 0;        // where WM_COMMAND goes
  bool barMode = false;  // the window's bar takes part (keyboard or a click on it)
  bool tracking = false;
  bool returnCommand = false;
  bool ended = false;
  UINT chosen = 0;
};
Engine g;

bool Active() { return g.view.window != 0; }

Window* ViewWindow() { return FindWindow(g.view.window); }

Menu* BarOf(Window* w) { return (w != nullptr && w->menuBar > 0) ? Find<Menu>(w->menu) : nullptr; }

// A screen point in the window's surface coordinates (bar at the top).
POINT SurfacePoint(const Window* w, std::int32_t sx, std::int32_t sy) {
  return POINT{sx - w->x - w->frame.left, sy - w->y - w->frame.top};
}

void CloseAll() {
  g.view = MenuView{};
  g.barMode = false;
  g.ended = true;
}

void Choose(UINT id) {
  const HWND owner = g.owner;
  const bool give = g.tracking && g.returnCommand;
  CloseAll();
  if (give) {
    g.chosen = id;
  } else if (FindWindow(owner) != nullptr) {
    Post(owner, WM_COMMAND, static_cast<WPARAM>(id & 0xFFFFu), 0);
  }
}

// Opens `menu` with its top-left corner at (x, y) of the surface, moved in to fit.
void OpenAt(HMENU menu, std::int32_t x, std::int32_t y, bool highlightFirst) {
  Window* w = ViewWindow();
  Menu* m = Find<Menu>(menu);
  if (w == nullptr || m == nullptr) return;
  std::int32_t width = 0, height = 0;
  PopupLayout(*m, &width, &height, nullptr);
  const std::int32_t sw = w->clientWidth(), sh = w->surfaceHeight();
  x = std::max(0, std::min(x, sw - width));
  y = std::max(0, std::min(y, sh - height));
  OpenPopup p;
  p.menu = menu;
  p.hot = highlightFirst ? NextSelectable(*m, -1, 1) : -1;
  p.place = RECT{x, y, x + width, y + height};
  g.view.popups.push_back(p);
}

// Highlights bar item `index`, closes what was open and opens its menu (a plain command on the
// bar is chosen instead when `chooseCommand`).
void OpenFromBar(std::int32_t index, bool highlightFirst, bool chooseCommand) {
  Window* w = ViewWindow();
  Menu* bar = BarOf(w);
  if (bar == nullptr || index < 0 || index >= static_cast<std::int32_t>(bar->items.size())) return;
  g.view.popups.clear();
  g.view.barHot = index;
  const MenuItem& item = bar->items[index];
  if (!Selectable(item)) return;
  if ((item.flags & MF_POPUP) != 0) {
    const auto layout = BarLayout(*bar);
    OpenAt(item.popup, layout[index].first, 0, highlightFirst);
    if (!g.view.popups.empty()) {
      // Below the bar, or over it when the window is too short.
      RECT& r = g.view.popups.back().place;
      const std::int32_t h = r.bottom - r.top;
      r.top = std::max(0, std::min(w->menuBar, w->surfaceHeight() - h));
      r.bottom = r.top + h;
    }
  } else if (chooseCommand) {
    Choose(item.id);
  }
}

// Opens the sub-menu of item `index` of open level `level` beside it.
void OpenSub(std::size_t level, std::int32_t index, bool highlightFirst) {
  g.view.popups.resize(level + 1);
  OpenPopup parent = g.view.popups[level];
  Menu* m = Find<Menu>(parent.menu);
  if (m == nullptr || index < 0 || index >= static_cast<std::int32_t>(m->items.size())) return;
  g.view.popups[level].hot = index;
  Menu* sub = Find<Menu>(m->items[index].popup);
  Window* w = ViewWindow();
  if (sub == nullptr || w == nullptr) return;
  std::vector<std::int32_t> tops;
  std::int32_t pw = 0, ph = 0, sw = 0, sh = 0;
  PopupLayout(*m, &pw, &ph, &tops);
  PopupLayout(*sub, &sw, &sh, nullptr);
  std::int32_t x = parent.place.right - kMenuBorder;
  if (x + sw > w->clientWidth()) x = parent.place.left - sw + kMenuBorder;  // on the left
  OpenAt(m->items[index].popup, x, parent.place.top + tops[index] - kMenuBorder, highlightFirst);
}

// Item under the surface point in open level `level`: its index, -2 inside but on no item, -1
// outside.
std::int32_t ItemAt(std::size_t level, POINT p) {
  const OpenPopup& o = g.view.popups[level];
  if (p.x < o.place.left || p.x >= o.place.right || p.y < o.place.top || p.y >= o.place.bottom) {
    return -1;
  }
  Menu* m = Find<Menu>(o.menu);
  if (m == nullptr) return -2;
  std::vector<std::int32_t> tops;
  std::int32_t w = 0, h = 0;
  PopupLayout(*m, &w, &h, &tops);
  const std::int32_t y = p.y - o.place.top;
  for (std::size_t i = 0; i < m->items.size(); ++i) {
    const std::int32_t bottom =
        tops[i] +
        ((m->items[i].flags & MF_SEPARATOR) != 0 ? kMenuSeparatorHeight : kMenuItemHeight);
    if (y >= tops[i] && y < bottom && p.x >= o.place.left + kMenuBorder &&
        p.x < o.place.right - kMenuBorder) {
      return static_cast<std::int32_t>(i);
    }
  }
  return -2;
}

// Bar item under the surface point, or -1.
std::int32_t BarItemAt(Window* w, POINT p) {
  Menu* bar = BarOf(w);
  if (bar == nullptr || p.y < 0 || p.y >= w->menuBar) return -1;
  const auto layout = BarLayout(*bar);
  for (std::size_t i = 0; i < layout.size(); ++i) {
    if (p.x >= layout[i].first && p.x < layout[i].second) return static_cast<std::int32_t>(i);
  }
  return -1;
}

// The top-level window whose bar is under the screen point, or null.
Window* BarWindowAt(std::int32_t sx, std::int32_t sy) {
  const auto& tops = S().topLevels;
  for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
    Window* w = FindWindow(*it);
    if (w == nullptr || !w->visible || w->minimized) continue;
    if (sx < w->x || sy < w->y || sx >= w->x + w->width || sy >= w->y + w->height) continue;
    const POINT p = SurfacePoint(w, sx, sy);
    return (p.x >= 0 && p.x < w->clientWidth() && p.y >= 0 && p.y < w->menuBar) ? w : nullptr;
  }
  return nullptr;
}

void Start(Window* w, HWND owner, bool barMode) {
  g.view = MenuView{};
  g.view.window = w->self;
  g.owner = owner;
  g.barMode = barMode;
  g.ended = false;
  g.chosen = 0;
}

// ---- keys ----
void KeyInPopup(std::int32_t vk) {
  const std::size_t level = g.view.popups.size() - 1;
  OpenPopup& top = g.view.popups.back();
  Menu* m = Find<Menu>(top.menu);
  Menu* bar = BarOf(ViewWindow());
  const auto barCount = bar != nullptr ? static_cast<std::int32_t>(bar->items.size()) : 0;
  if (m == nullptr) {
    CloseAll();
    return;
  }
  const bool hotIsSub = top.hot >= 0 && (m->items[top.hot].flags & MF_POPUP) != 0;
  switch (vk) {
    case VK_DOWN:
    case VK_UP: {
      const std::int32_t next = NextSelectable(*m, top.hot, vk == VK_DOWN ? 1 : -1);
      if (next >= 0) top.hot = next;
      break;
    }
    case VK_RIGHT:
      if (hotIsSub) {
        OpenSub(level, top.hot, true);
      } else if (g.barMode && barCount > 0) {
        OpenFromBar((g.view.barHot + 1) % barCount, true, false);
      }
      break;
    case VK_LEFT:
      if (level > 0) {
        g.view.popups.pop_back();
      } else if (g.barMode && barCount > 0) {
        OpenFromBar((g.view.barHot + barCount - 1) % barCount, true, false);
      }
      break;
    case VK_RETURN:
      if (top.hot >= 0) {
        if (hotIsSub) {
          OpenSub(level, top.hot, true);
        } else {
          Choose(m->items[top.hot].id);
        }
      }
      break;
    case VK_ESCAPE:
      g.view.popups.pop_back();
      if (g.view.popups.empty() && !g.barMode) CloseAll();
      break;
    default:
      if (const std::int32_t i = MnemonicItem(*m, vk); i >= 0) {
        if ((m->items[i].flags & MF_POPUP) != 0) {
          OpenSub(level, i, true);
        } else {
          Choose(m->items[i].id);
        }
      }
      break;
  }
}

void KeyOnBar(std::int32_t vk) {
  Menu* bar = BarOf(ViewWindow());
  if (bar == nullptr || bar->items.empty()) {
    CloseAll();
    return;
  }
  const auto n = static_cast<std::int32_t>(bar->items.size());
  switch (vk) {
    case VK_LEFT:
      g.view.barHot = (std::max(0, g.view.barHot) + n - 1) % n;
      break;
    case VK_RIGHT:
      g.view.barHot = (g.view.barHot + 1) % n;
      break;
    case VK_DOWN:
    case VK_UP:
    case VK_RETURN:
      OpenFromBar(std::max(0, g.view.barHot), true, vk == VK_RETURN);
      break;
    case VK_ESCAPE:
      CloseAll();
      break;
    default:
      if (const std::int32_t i = MnemonicItem(*bar, vk); i >= 0) OpenFromBar(i, true, true);
      break;
  }
}

// =============================================================================================
// The pop-up loop of TrackPopupMenu
// =============================================================================================
bool SameView(const MenuView& a, const MenuView& b) {
  if (a.window != b.window || a.barHot != b.barHot || a.popups.size() != b.popups.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.popups.size(); ++i) {
    const OpenPopup &x = a.popups[i], &y = b.popups[i];
    if (x.menu != y.menu || x.hot != y.hot || x.place.left != y.place.left ||
        x.place.top != y.place.top) {
      return false;
    }
  }
  return true;
}

// Shows the held frame with the menus over it (when the window's context is current).
void Present(const FrameCopy& frame) {
  Window* w = ViewWindow();
  State& s = S();
  if (w == nullptr || s.backend == nullptr || s.currentWindow != w->self || s.currentRC == 0) {
    return;
  }
  RestoreFrame(w, frame);
  s.backend->swapBuffers(w);
}

void RunTrackLoop() {
  State& s = S();
  const HWND window = g.view.window;  // the window may go away while the menu is open
  Window* w = ViewWindow();
  FrameCopy frame;
  if (w != nullptr && s.currentWindow == w->self && s.currentRC != 0) frame = CopyFrame(w);
  MenuView shown = g.view;
  Present(frame);
  while (!g.ended && Active()) {
    if (s.backend == nullptr || ViewWindow() == nullptr) break;
    if (s.backend->pumpEvents != nullptr) s.backend->pumpEvents();
    if (g.ended || !Active()) break;
    if (!SameView(shown, g.view)) {
      shown = g.view;
      Present(frame);
    }
    // Nothing can ever arrive (a scripted platform with nothing scripted): the menu is dismissed.
    if (s.backend->waitEvents == nullptr || !s.backend->waitEvents(UINT32_MAX)) break;
  }
  CloseAll();
  // The frame without the menu, until the caller draws its next one.
  if ((w = FindWindow(window)) != nullptr && !frame.pixels.empty() && s.currentWindow == window) {
    RestoreFrame(w, frame);
  }
}

}  // namespace

// =============================================================================================
// Engine entry points for the shared input path and the default window procedure
// =============================================================================================
namespace detail {

const MenuView& OpenMenus() { return g.view; }

bool MenuKey(std::int32_t virtualKey, bool down) {
  if (!Active()) return false;
  if (ViewWindow() == nullptr) {
    CloseAll();
    return false;
  }
  if (!down) return true;
  if (virtualKey == VK_MENU || virtualKey == VK_LMENU || virtualKey == VK_RMENU ||
      virtualKey == VK_F10) {
    CloseAll();  // the menu key again leaves the menus
    return true;
  }
  if (g.view.popups.empty()) {
    KeyOnBar(virtualKey);
  } else {
    KeyInPopup(virtualKey);
  }
  return true;
}

bool MenuMouseMove(std::int32_t screenX, std::int32_t screenY) {
  if (!Active()) return false;
  Window* w = ViewWindow();
  if (w == nullptr) {
    CloseAll();
    return false;
  }
  const POINT p = SurfacePoint(w, screenX, screenY);
  for (std::size_t level = g.view.popups.size(); level-- > 0;) {
    const std::int32_t i = ItemAt(level, p);
    if (i == -1) continue;
    Menu* m = Find<Menu>(g.view.popups[level].menu);
    if (i >= 0 && m != nullptr && Selectable(m->items[i])) {
      if (g.view.popups[level].hot != i || g.view.popups.size() != level + 1) {
        g.view.popups.resize(level + 1);
        g.view.popups[level].hot = i;
        if ((m->items[i].flags & MF_POPUP) != 0) OpenSub(level, i, false);
      }
    } else if (g.view.popups.size() == level + 1) {
      g.view.popups[level].hot = -1;
    }
    return true;
  }
  // Sliding along the bar while one of its menus is open opens the one under the pointer.
  if (g.barMode && !g.view.popups.empty()) {
    const std::int32_t i = BarItemAt(w, p);
    if (i >= 0 && i != g.view.barHot) OpenFromBar(i, false, false);
  }
  return true;
}

bool MenuMouseButton(int button, bool down) { return MenuMouseButtonAt(button, down, S().cursor); }

bool MenuMouseButtonAt(int button, bool down, POINT cursor) {
  if (!Active()) {
    // A press on a bar opens the menu under it.
    if (!down || button != 0) return false;
    Window* w = BarWindowAt(cursor.x, cursor.y);
    if (w == nullptr) return false;
    if (S().foreground != w->self) InputActivate(w->self);
    Start(w, w->self, true);
    const std::int32_t i = BarItemAt(w, SurfacePoint(w, cursor.x, cursor.y));
    if (i < 0) {
      CloseAll();
    } else {
      OpenFromBar(i, false, true);
    }
    return true;
  }
  Window* w = ViewWindow();
  if (w == nullptr) {
    CloseAll();
    return false;
  }
  const POINT p = SurfacePoint(w, cursor.x, cursor.y);
  for (std::size_t level = g.view.popups.size(); level-- > 0;) {
    const std::int32_t i = ItemAt(level, p);
    if (i == -1) continue;
    Menu* m = Find<Menu>(g.view.popups[level].menu);
    if (!down && i >= 0 && m != nullptr && Selectable(m->items[i]) &&
        (m->items[i].flags & MF_POPUP) == 0) {
      Choose(m->items[i].id);
    }
    return true;
  }
  if (!down) return true;
  const std::int32_t barItem = g.tracking ? -1 : BarItemAt(w, p);
  if (barItem < 0) {
    CloseAll();  // a press outside every open menu closes them
  } else if (!g.view.popups.empty() && g.view.barHot == barItem) {
    CloseAll();  // a press on the open menu's bar item closes it
  } else {
    g.barMode = true;
    OpenFromBar(barItem, false, true);
  }
  return true;
}

// Input queued for the window before its menu opened (the program handles one message at a
// time, the user may be faster) goes to the menu, in order, as the system's menu loop takes it.
void TakeQueuedInput() {
  State& s = S();
  Window* top = ViewWindow();
  for (auto it = s.queue.begin(); it != s.queue.end() && Active() && top != nullptr;) {
    const MSG m = *it;
    Window* target = FindWindow(m.hwnd);
    const bool key = m.message >= WM_KEYDOWN && m.message <= WM_SYSCHAR;
    const bool mouse = m.message >= WM_MOUSEMOVE && m.message <= WM_MBUTTONUP;
    if ((!key && !mouse) || target == nullptr || RootOf(target) != top) {
      ++it;
      continue;
    }
    it = s.queue.erase(it);
    const bool down = m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN;
    const bool up = m.message == WM_KEYUP || m.message == WM_SYSKEYUP;
    if (down || up) {
      s.keysAtMessage[m.wParam & 0xFF] = down;
      MenuKey(m.wParam, down);
    } else if (m.message == WM_MOUSEMOVE) {
      MenuMouseMove(m.pt.x, m.pt.y);
    } else if (mouse) {
      static constexpr std::int32_t kButtons[][2] = {
          {WM_LBUTTONDOWN, 0}, {WM_LBUTTONUP, 0},     {WM_LBUTTONDBLCLK, 0}, {WM_RBUTTONDOWN, 1},
          {WM_RBUTTONUP, 1},   {WM_RBUTTONDBLCLK, 1}, {WM_MBUTTONDOWN, 2},   {WM_MBUTTONUP, 2}};
      for (const auto& [message, button] : kButtons) {
        if (message == m.message) {
          const bool press =
              m.message != WM_LBUTTONUP && m.message != WM_RBUTTONUP && m.message != WM_MBUTTONUP;
          MenuMouseButtonAt(button, press, m.pt);
        }
      }
    }
    // Characters made from taken keys go with them.
    it = s.queue.begin();
  }
}

void MenuKeyboardActivate(HWND hwnd, std::int32_t character) {
  Window* w = RootOf(FindWindow(hwnd));
  Menu* bar = BarOf(w);
  if (bar == nullptr || bar->items.empty() || (Active() && g.tracking)) return;
  if (character != 0) {
    const std::int32_t i =
        MnemonicItem(*bar, std::toupper(static_cast<unsigned char>(character & 0xFF)));
    if (i < 0) return;
    Start(w, w->self, true);
    OpenFromBar(i, true, true);
    TakeQueuedInput();
    return;
  }
  Start(w, w->self, true);
  g.view.barHot = 0;
  TakeQueuedInput();
}

void MenuWindowGone(HWND hwnd) {
  ForgetMenuPictures(hwnd);
  if (g.view.window == hwnd || g.owner == hwnd) CloseAll();
}

void ResetMenus() {
  ResetMenuPictures();
  g = Engine{};
  g.ended = true;
}

void CloseMenusOver(HWND window) {
  if (g.view.window == window) CloseAll();
}

void MenuDestroyed(HMENU menu) {
  bool showing = false;
  for (const OpenPopup& p : g.view.popups) showing = showing || p.menu == menu;
  if (Window* w = ViewWindow(); w != nullptr && w->menu == menu) showing = true;
  if (showing) CloseAll();
}

std::int32_t TrackMenu(HMENU menu, UINT flags, std::int32_t x, std::int32_t y, HWND owner) {
  Menu* m = Find<Menu>(menu);
  Window* w = RootOf(FindWindow(owner));
  if (m == nullptr || w == nullptr || w->minimized || (Active() && g.tracking)) return 0;
  Start(w, owner, false);
  g.tracking = true;
  g.returnCommand = (flags & TPM_RETURNCMD) != 0;
  std::int32_t width = 0, height = 0;
  PopupLayout(*m, &width, &height, nullptr);
  POINT p = SurfacePoint(w, x, y);
  if ((flags & TPM_RIGHTALIGN) != 0) {
    p.x -= width;
  } else if ((flags & TPM_CENTERALIGN) != 0) {
    p.x -= width / 2;
  }
  if ((flags & TPM_BOTTOMALIGN) != 0) {
    p.y -= height;
  } else if ((flags & TPM_VCENTERALIGN) != 0) {
    p.y -= height / 2;
  }
  OpenAt(menu, p.x, p.y, false);
  TakeQueuedInput();
  RunTrackLoop();
  const bool returnCommand = g.returnCommand;
  const UINT chosen = g.chosen;
  g.tracking = false;
  g.returnCommand = false;
  return returnCommand ? static_cast<std::int32_t>(chosen) : 1;
}

}  // namespace detail

}  // namespace brevra::platform
