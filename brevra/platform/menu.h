// Brevra platform layer (internal): menus behind their handles and the one menu engine.
//
// menu.cpp keeps the menus and answers the menu calls; menu_engine.cpp runs whatever menu is
// open (a window's bar, the pop-ups opened from it, or a tracked pop-up): the shared input path
// hands it every key and pointer event while it is open, and it decides what each does.
// menu_draw.cpp paints the open menus and the bars into pictures and draws them over a window's
// frame when the frame is shown.
//
// Not a public header for library clients: platform code only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "brevra/platform/objects.h"
#include "brevra/platform/platform.h"
#include "brevra/platform/state.h"

namespace brevra::platform::detail {

struct MenuItem {
  UINT flags = 0;    // MF_* type and state bits
  UINT id = 0;       // command identifier (0 for separators and sub-menus)
  HMENU popup = 0;   // the sub-menu of an MF_POPUP item
  std::string text;  // as given, "&" included
};

struct Menu : Object {
  static constexpr Kind kKind = Kind::Menu;
  Menu() : Object(kKind) {}
  bool bar = false;  // made by CreateMenu
  std::vector<MenuItem> items;
  std::uint64_t version = 0;  // bumped on every change, so painted pictures know they are old
};

// What is open now, for drawing: the window it is drawn over, its bar's highlighted item and the
// open pop-ups (outermost first), each with its place in the window's surface coordinates (the
// surface is the client area with the bar above it; y grows downwards).
struct OpenPopup {
  HMENU menu = 0;
  std::int32_t hot = -1;  // highlighted item, -1 for none
  RECT place;
};
struct MenuView {
  HWND window = 0;           // 0 when nothing is open
  std::int32_t barHot = -1;  // highlighted item of the window's bar, -1 for none
  std::vector<OpenPopup> popups;
};
const MenuView& OpenMenus();

// ---- the shared input path asks these first; true means the menu engine took the event ----
bool MenuKey(std::int32_t virtualKey, bool down);
bool MenuMouseMove(std::int32_t screenX, std::int32_t screenY);
bool MenuMouseButton(int button, bool down);
bool MenuMouseButtonAt(int button, bool down, POINT screen);
// Moves the input already queued for the window whose menu just opened into the menu.
void TakeQueuedInput();
// The window's default handling asked for the bar (WM_SYSCOMMAND SC_KEYMENU): highlight its
// first item, or with a mnemonic character open the item it marks.
void MenuKeyboardActivate(HWND hwnd, std::int32_t character);
// The window died: close whatever is open over it and forget its bar.
void MenuWindowGone(HWND hwnd);
void ResetMenus();  // platform shutdown
// ---- for the menu calls (menu.cpp) ----
void CloseMenusOver(HWND window);  // whatever is open over the window closes
void MenuDestroyed(HMENU menu);    // a menu that is showing closes
// TrackPopupMenu's work: opens the pop-up at screen point (x, y) and runs it until it closes.
std::int32_t TrackMenu(HMENU menu, UINT flags, std::int32_t x, std::int32_t y, HWND owner);
void ResetMenuPictures();
void ForgetMenuPictures(HWND hwnd);  // the window died: its bar's picture goes

// ---- layout, shared by the engine (hit tests) and the drawing ----
// Width in pixels of the item's text (mnemonic marks removed).
std::int32_t MenuTextWidth(const std::string& text);
// The text without its "&" marks, and the position of the mnemonic letter in it (-1 for none).
std::string MenuLabel(const std::string& text, std::int32_t* mnemonic);
inline constexpr std::int32_t kMenuItemHeight = 20;
inline constexpr std::int32_t kMenuSeparatorHeight = 8;
inline constexpr std::int32_t kMenuBorder = 3;      // around a pop-up's items
inline constexpr std::int32_t kMenuTextLeft = 22;   // room for the check mark
inline constexpr std::int32_t kMenuTextRight = 24;  // room for the sub-menu arrow
inline constexpr std::int32_t kBarItemPadding = 7;  // each side of a bar item's text
// The bar items' left and right edges.
std::vector<std::pair<std::int32_t, std::int32_t>> BarLayout(const Menu& bar);
// A pop-up's size and the top of each item inside it.
void PopupLayout(const Menu& popup, std::int32_t* width, std::int32_t* height,
                 std::vector<std::int32_t>* tops);

// The whole surface of a window as its OpenGL context holds it now (bottom row first), and
// putting it back; for the pop-up loop, which holds the caller's frame loop.
struct FrameCopy {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint32_t> pixels;
};
FrameCopy CopyFrame(Window* top);
void RestoreFrame(Window* top, const FrameCopy& frame);

// Draws the window's bar and its open menus over the frame in its current OpenGL context (every
// state touched is restored). Nothing to do (and no GL call) for a window without any. Called
// by a backend just before it shows a frame.
void ComposeMenus(Window* top);

}  // namespace brevra::platform::detail
