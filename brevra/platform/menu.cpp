// Brevra platform layer: menus (bars and pop-ups) behind their handles, and the menu calls.
//
// A menu is a list of items (command strings, sub-menus, separators) with check and grey
// states; a window's bar is non-client (SetMenu shrinks the client area and sends WM_SIZE).
// Opening and running menus is the engine's (menu_engine.cpp), drawing them menu_draw.cpp's.
//
// Limits: no owner-drawn or bitmap items, no accelerator texts, no inserting or removing items
// once appended.
#include "brevra/platform/menu.h"

#include <algorithm>  // Required for: std::any_of

namespace brevra::platform {
using namespace detail;

namespace {

// The item named by command (searched depth first through sub-menus) or by position.
MenuItem* FindItem(Menu* menu, UINT item, UINT flags, int depth = 0) {
  if (menu == nullptr || depth > 32) return nullptr;
  if ((flags & MF_BYPOSITION) != 0) {
    return item < menu->items.size() ? &menu->items[item] : nullptr;
  }
  for (MenuItem& it : menu->items) {
    if ((it.flags & MF_SEPARATOR) == 0 && it.id == item) return &it;
    if ((it.flags & MF_POPUP) != 0) {
      if (MenuItem* found = FindItem(Find<Menu>(it.popup), item, flags, depth + 1)) return found;
    }
  }
  return nullptr;
}

bool Reaches(HMENU from, HMENU target, int depth = 0) {
  if (from == target) return true;
  Menu* m = Find<Menu>(from);
  if (m == nullptr || depth > 32) return false;
  return std::any_of(m->items.begin(), m->items.end(), [&](const MenuItem& it) {
    return (it.flags & MF_POPUP) != 0 && Reaches(it.popup, target, depth + 1);
  });
}

HMENU NewMenu(bool bar) {
  auto [h, m] = Make<Menu>();
  m->bar = bar;
  return h;
}

// The window's bar becomes `menu`: a new client size (and WM_SIZE) when it comes or goes.
void BarChanged(Window* w, HMENU menu) {
  const std::int32_t height = menu != 0 ? kMenuBarHeight : 0;
  CloseMenusOver(w->self);
  w->menu = menu;
  if (w->menuBar == height) return;
  w->menuBar = height;
  ClientSizeChanged(w, true);
}

}  // namespace

HMENU CreateMenu() { return NewMenu(true); }

HMENU CreatePopupMenu() { return NewMenu(false); }

bool AppendMenu(HMENU menu, UINT flags, UINT idOrPopup, const char* text) {
  Menu* m = Find<Menu>(menu);
  if (m == nullptr) return false;
  MenuItem item;
  item.flags = flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_POPUP | MF_SEPARATOR);
  if ((flags & MF_SEPARATOR) != 0) {
    item.flags = MF_SEPARATOR;
  } else {
    if (text == nullptr) return false;
    item.text = text;
    if ((flags & MF_POPUP) != 0) {
      // A sub-menu must be alive and must not lead back to this menu.
      if (Find<Menu>(idOrPopup) == nullptr || Reaches(idOrPopup, menu)) return false;
      item.popup = idOrPopup;
    }
    item.id = idOrPopup;
  }
  m->items.push_back(item);
  ++m->version;
  return true;
}

UINT CheckMenuItem(HMENU menu, UINT item, UINT flags) {
  MenuItem* it = FindItem(Find<Menu>(menu), item, flags);
  if (it == nullptr) return kMenuFailed;
  const UINT previous = it->flags & MF_CHECKED;
  it->flags = (it->flags & ~MF_CHECKED) | (flags & MF_CHECKED);
  ++Find<Menu>(menu)->version;
  return previous;
}

UINT EnableMenuItem(HMENU menu, UINT item, UINT flags) {
  MenuItem* it = FindItem(Find<Menu>(menu), item, flags);
  if (it == nullptr) return kMenuFailed;
  constexpr UINT kState = MF_GRAYED | MF_DISABLED;
  const UINT previous = it->flags & kState;
  it->flags = (it->flags & ~kState) | (flags & kState);
  ++Find<Menu>(menu)->version;
  return previous;
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
  MenuItem* it = FindItem(Find<Menu>(menu), item, flags);
  return it != nullptr ? it->flags : kMenuFailed;
}

std::int32_t GetMenuItemCount(HMENU menu) {
  Menu* m = Find<Menu>(menu);
  return m != nullptr ? static_cast<std::int32_t>(m->items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, std::int32_t position) {
  Menu* m = Find<Menu>(menu);
  if (m == nullptr || position < 0 || position >= static_cast<std::int32_t>(m->items.size())) {
    return kMenuFailed;
  }
  const MenuItem& it = m->items[position];
  if ((it.flags & MF_POPUP) != 0) return kMenuFailed;
  return (it.flags & MF_SEPARATOR) != 0 ? 0 : it.id;
}

HMENU GetSubMenu(HMENU menu, std::int32_t position) {
  Menu* m = Find<Menu>(menu);
  if (m == nullptr || position < 0 || position >= static_cast<std::int32_t>(m->items.size())) {
    return 0;
  }
  const MenuItem& it = m->items[position];
  return (it.flags & MF_POPUP) != 0 && Find<Menu>(it.popup) != nullptr ? it.popup : 0;
}

std::string GetMenuString(HMENU menu, UINT item, UINT flags) {
  MenuItem* it = FindItem(Find<Menu>(menu), item, flags);
  return it != nullptr ? it->text : std::string();
}

bool IsMenu(HMENU menu) { return Find<Menu>(menu) != nullptr; }

bool SetMenu(HWND hwnd, HMENU menu) {
  Window* w = FindWindow(hwnd);
  if (w == nullptr || !w->topLevel() || (w->style & WS_CHILD) != 0) return false;
  if (menu != 0 && Find<Menu>(menu) == nullptr) return false;
  BarChanged(w, menu);
  return true;
}

HMENU GetMenu(HWND hwnd) {
  Window* w = FindWindow(hwnd);
  return (w != nullptr && Find<Menu>(w->menu) != nullptr) ? w->menu : 0;
}

bool DrawMenuBar(HWND hwnd) {
  // The bar is painted from the items' states whenever a frame is shown.
  Window* w = FindWindow(hwnd);
  if (w == nullptr) return false;
  w->invalid = true;
  return true;
}

std::int32_t TrackPopupMenu(HMENU menu, UINT flags, std::int32_t x, std::int32_t y,
                            std::int32_t /*reserved*/, HWND owner, const RECT* /*rect*/) {
  return TrackMenu(menu, flags, x, y, owner);
}

bool DestroyMenu(HMENU menu) {
  Menu* m = Find<Menu>(menu);
  if (m == nullptr) return false;
  // Anything showing it closes; windows whose bar it was lose the bar.
  MenuDestroyed(menu);
  for (HWND top : std::vector<HWND>(S().topLevels)) {
    if (Window* w = FindWindow(top); w != nullptr && w->menu == menu) BarChanged(w, 0);
  }
  std::vector<HMENU> subs;
  if ((m = Find<Menu>(menu)) != nullptr) {
    for (const MenuItem& it : m->items) {
      if ((it.flags & MF_POPUP) != 0) subs.push_back(it.popup);
    }
  }
  RemoveObject(menu);
  for (HMENU sub : subs) DestroyMenu(sub);
  return true;
}

}  // namespace brevra::platform
