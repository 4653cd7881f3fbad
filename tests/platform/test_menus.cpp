// Tests of the platform's menus on the headless backend: the menu calls and their answers, the
// bar as non-client area, the keyboard and the pointer in the bar's menus, context-menu
// requests, TrackPopupMenu driven by queued input, and the pictures drawn over a real OpenGL
// frame (written as PNG files into <build>/tests/menus for a look).
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "brevra/platform/headless.h"
#include "brevra/platform/menu.h"  // the engine's open menus, for the state checks
#include "brevra/platform/platform.h"
#include "tests/support/gl_context.h"

namespace brevra::platform {
namespace {

namespace hl = headless;

struct Seen {
  HWND hwnd;
  std::int32_t message;
  WPARAM wParam;
  LPARAM lParam;
};
std::vector<Seen> g_seen;
std::function<void(HWND, std::int32_t, WPARAM, LPARAM)> g_hook;

LRESULT RecordingProc(HWND h, std::int32_t m, WPARAM w, LPARAM l) {
  g_seen.push_back({h, m, w, l});
  if (g_hook) g_hook(h, m, w, l);
  return DefWindowProc(h, m, w, l);
}

std::vector<Seen> SeenOf(std::int32_t message) {
  std::vector<Seen> out;
  for (const Seen& s : g_seen) {
    if (s.message == message) out.push_back(s);
  }
  return out;
}

constexpr UINT kCaptioned = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION |
                            WS_SYSMENU | WS_MINIMIZEBOX;
// The headless frame of a captioned window: 3 pixels left, right and bottom, 19 on top.
constexpr std::int32_t kFrameLeft = 3, kFrameTop = 19;

// Command identifiers of the test bar.
enum : UINT { kReset = 101, kQuit = 102, kFree = 201, kFps = 202, kGrey = 203, kDeep = 301 };

const detail::MenuView& View() { return detail::OpenMenus(); }

class Menus : public ::testing::Test {
 protected:
  void SetUp() override {
    Shutdown();
    ASSERT_TRUE(Init(Backend::Headless));
    g_seen.clear();
    g_hook = nullptr;
    WNDCLASS wc;
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = "Test";
    ASSERT_NE(RegisterClass(&wc), 0);
  }
  void TearDown() override {
    g_hook = nullptr;
    Shutdown();
  }

  static HWND Main() {
    return CreateWindowEx(0, "Test", "Main", kCaptioned, CW_USEDEFAULT, CW_USEDEFAULT, 800, 600, 0,
                          0, GetModuleHandle(nullptr), nullptr);
  }

  // File: Reset view, Quit. View: Free look (checked), FPS in title, a separator, a greyed
  // item, More > Deep.
  struct Bar {
    HMENU bar, file, view, more;
  };
  static Bar MakeBar() {
    Bar b{CreateMenu(), CreatePopupMenu(), CreatePopupMenu(), CreatePopupMenu()};
    AppendMenu(b.file, MF_STRING, kReset, "&Reset view");
    AppendMenu(b.file, MF_STRING, kQuit, "&Quit");
    AppendMenu(b.more, MF_STRING, kDeep, "&Deep");
    AppendMenu(b.view, MF_STRING | MF_CHECKED, kFree, "&Free look");
    AppendMenu(b.view, MF_STRING, kFps, "F&PS in title");
    AppendMenu(b.view, MF_SEPARATOR, 0, nullptr);
    AppendMenu(b.view, MF_STRING | MF_GRAYED, kGrey, "&Greyed");
    AppendMenu(b.view, MF_POPUP, b.more, "&More");
    AppendMenu(b.bar, MF_POPUP, b.file, "&File");
    AppendMenu(b.bar, MF_POPUP, b.view, "&View");
    return b;
  }

  // Dispatches everything queued, as a program's message loop does.
  static void Pump() {
    MSG m;
    while (PeekMessage(&m, 0, 0, 0, PM_REMOVE)) {
      if (m.message == WM_PAINT) {
        ValidateRect(m.hwnd, nullptr);
        continue;
      }
      TranslateMessage(&m);
      DispatchMessage(&m);
    }
  }
  static void Key(std::int32_t vk) {
    hl::InjectKey(vk, true);
    Pump();
    hl::InjectKey(vk, false);
    Pump();
  }
  // The commands the window received (low word of WParam), checking the rest of each message.
  static std::vector<UINT> Commands() {
    std::vector<UINT> out;
    for (const Seen& s : SeenOf(WM_COMMAND)) {
      EXPECT_EQ(s.wParam >> 16, 0) << "the high word of WParam is 0";
      EXPECT_EQ(s.lParam, 0);
      out.push_back(static_cast<UINT>(s.wParam & 0xFFFF));
    }
    return out;
  }
  static void Click(std::int32_t x, std::int32_t y, int button = 0) {
    hl::InjectMouseMove(x, y);
    hl::InjectMouseButton(button, true);
    hl::InjectMouseButton(button, false);
    Pump();
  }
};

// ---- the calls and their answers -------------------------------------------------------------
TEST_F(Menus, ConstantsHaveTheSystemValues) {
  const std::pair<UINT, UINT> table[] = {{MF_STRING, 0x0},
                                         {MF_GRAYED, 0x1},
                                         {MF_DISABLED, 0x2},
                                         {MF_CHECKED, 0x8},
                                         {MF_POPUP, 0x10},
                                         {MF_BYPOSITION, 0x400},
                                         {MF_SEPARATOR, 0x800},
                                         {TPM_RETURNCMD, 0x100},
                                         {TPM_NONOTIFY, 0x80},
                                         {TPM_RIGHTBUTTON, 0x2},
                                         {TPM_CENTERALIGN, 0x4},
                                         {TPM_RIGHTALIGN, 0x8},
                                         {TPM_VCENTERALIGN, 0x10},
                                         {TPM_BOTTOMALIGN, 0x20},
                                         {static_cast<UINT>(WM_COMMAND), 0x111},
                                         {static_cast<UINT>(WM_CONTEXTMENU), 0x7B},
                                         {static_cast<UINT>(SC_KEYMENU), 0xF100},
                                         {static_cast<UINT>(VK_APPS), 0x5D},
                                         {static_cast<UINT>(VK_F10), 0x79}};
  for (const auto& [value, expected] : table) EXPECT_EQ(value, expected);
}

TEST_F(Menus, ItemStatesAnswerThePreviousStateOrFailure) {
  const Bar b = MakeBar();
  EXPECT_TRUE(IsMenu(b.bar));
  EXPECT_EQ(GetMenuItemCount(b.view), 5);
  // By command (found in a sub-menu) and by position.
  EXPECT_EQ(CheckMenuItem(b.bar, kFree, MF_BYCOMMAND | MF_UNCHECKED), MF_CHECKED);
  EXPECT_EQ(CheckMenuItem(b.bar, kFree, MF_BYCOMMAND | MF_UNCHECKED), MF_UNCHECKED);
  EXPECT_EQ(CheckMenuItem(b.view, 1, MF_BYPOSITION | MF_CHECKED), MF_UNCHECKED);
  EXPECT_EQ(GetMenuState(b.view, kFps, MF_BYCOMMAND) & MF_CHECKED, MF_CHECKED);
  EXPECT_EQ(CheckMenuItem(b.view, 999, MF_BYCOMMAND), kMenuFailed);
  EXPECT_EQ(CheckMenuItem(b.view, 9, MF_BYPOSITION), kMenuFailed);
  EXPECT_EQ(EnableMenuItem(b.bar, kGrey, MF_ENABLED), MF_GRAYED);
  EXPECT_EQ(EnableMenuItem(b.bar, kGrey, MF_DISABLED), MF_ENABLED);
  EXPECT_EQ(EnableMenuItem(b.bar, 999, MF_GRAYED), kMenuFailed);
  EXPECT_EQ(GetMenuState(b.view, 2, MF_BYPOSITION), MF_SEPARATOR);
  EXPECT_EQ(GetMenuItemID(b.file, 1), kQuit);
  EXPECT_EQ(GetMenuItemID(b.view, 4), kMenuFailed) << "a sub-menu has no command";
  EXPECT_EQ(GetSubMenu(b.bar, 1), b.view);
  EXPECT_EQ(GetMenuString(b.view, kFps, MF_BYCOMMAND), "F&PS in title");

  // Refused: no text, dead menus, a sub-menu that leads back to its parent.
  EXPECT_FALSE(AppendMenu(b.file, MF_STRING, 1, nullptr));
  EXPECT_FALSE(AppendMenu(0, MF_STRING, 1, "x"));
  EXPECT_FALSE(AppendMenu(b.file, MF_POPUP, 12345, "x"));
  EXPECT_FALSE(AppendMenu(b.more, MF_POPUP, b.view, "loop"));
  EXPECT_FALSE(AppendMenu(b.view, MF_POPUP, b.view, "self"));

  // Destroying a menu destroys its sub-menus; a second time fails.
  EXPECT_TRUE(DestroyMenu(b.bar));
  for (HMENU m : {b.bar, b.file, b.view, b.more}) EXPECT_FALSE(IsMenu(m));
  EXPECT_FALSE(DestroyMenu(b.bar));
  EXPECT_EQ(GetMenuItemCount(b.bar), -1);
  EXPECT_EQ(hl::LiveObjectCount(), 0u);
}

TEST_F(Menus, TheBarIsNonClientTheClientAreaShrinksAndWmSizeFollows) {
  HWND h = Main();
  RECT before;
  GetClientRect(h, &before);
  EXPECT_EQ(before.bottom, 600 - 19 - 3);
  g_seen.clear();
  const Bar b = MakeBar();
  ASSERT_TRUE(SetMenu(h, b.bar));
  EXPECT_EQ(GetMenu(h), b.bar);
  RECT client, outer;
  GetClientRect(h, &client);
  GetWindowRect(h, &outer);
  EXPECT_EQ(client.right, 794);
  EXPECT_EQ(client.bottom, 600 - 19 - 3 - kMenuBarHeight);
  EXPECT_EQ(outer.bottom - outer.top, 600) << "the outer size stays";
  auto sizes = SeenOf(WM_SIZE);
  ASSERT_EQ(sizes.size(), 1u) << "sent at once";
  EXPECT_EQ(sizes[0].lParam, (client.bottom << 16) | client.right);
  POINT origin{0, 0};
  ClientToScreen(h, &origin);
  EXPECT_EQ(origin.y, kFrameTop + kMenuBarHeight);

  // Removing the bar gives the rows back; a child or a dead handle gets no bar.
  g_seen.clear();
  EXPECT_TRUE(SetMenu(h, 0));
  GetClientRect(h, &client);
  EXPECT_EQ(client.bottom, before.bottom);
  EXPECT_EQ(SeenOf(WM_SIZE).size(), 1u);
  HWND child = CreateWindowEx(0, "Test", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, h, 7, 0, nullptr);
  EXPECT_FALSE(SetMenu(child, b.bar));
  EXPECT_FALSE(SetMenu(h, 999999));
  EXPECT_FALSE(SetMenu(0, b.bar));

  // A bar destroyed while in use leaves the window without one (and a WM_SIZE).
  SetMenu(h, b.bar);
  g_seen.clear();
  EXPECT_TRUE(DestroyMenu(b.bar));
  EXPECT_EQ(GetMenu(h), 0u);
  GetClientRect(h, &client);
  EXPECT_EQ(client.bottom, before.bottom);
  EXPECT_EQ(SeenOf(WM_SIZE).size(), 1u);
  EXPECT_TRUE(DrawMenuBar(h));
  EXPECT_FALSE(DrawMenuBar(0));
}

// ---- the keyboard ----------------------------------------------------------------------------
TEST_F(Menus, KeySequencesOnTheBarChooseTheExpectedCommand) {
  struct Case {
    const char* what;
    std::vector<std::int32_t> keys;
    std::vector<UINT> commands;
  };
  const Case cases[] = {
      {"F10, Return opens File with its first item; Return chooses it",
       {VK_F10, VK_RETURN, VK_RETURN},
       {kReset}},
      {"Down opens too; Down moves", {VK_F10, VK_DOWN, VK_DOWN, VK_RETURN}, {kQuit}},
      {"Alt pressed and released", {VK_MENU, VK_RIGHT, VK_DOWN, VK_DOWN, VK_RETURN}, {kFps}},
      {"Left wraps along the bar", {VK_F10, VK_LEFT, VK_DOWN, VK_RETURN}, {kFree}},
      {"Right in an open menu moves to the next", {VK_F10, VK_DOWN, VK_RIGHT, VK_RETURN}, {kFree}},
      {"Down skips the separator and the greyed item, Return opens a sub-menu",
       {VK_F10, VK_RIGHT, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN, VK_RETURN},
       {kDeep}},
      {"Up wraps to the last item, Right opens its sub-menu",
       {VK_F10, VK_RIGHT, VK_DOWN, VK_UP, VK_RIGHT, VK_RETURN},
       {kDeep}},
      {"Left closes a sub-menu",
       {VK_F10, VK_RIGHT, VK_DOWN, VK_UP, VK_RIGHT, VK_LEFT, VK_UP, VK_RETURN},
       {kFps}},
      {"mnemonics open and choose", {VK_F10, 'V', 'P'}, {kFps}},
      {"a mnemonic of a sub-menu opens it", {VK_F10, 'V', 'M', 'D'}, {kDeep}},
      {"a greyed item's mnemonic does nothing", {VK_F10, 'V', 'G', VK_ESCAPE, VK_ESCAPE}, {}},
      {"Escape closes one level at a time",
       {VK_F10, VK_DOWN, VK_ESCAPE, VK_DOWN, VK_RETURN},
       {kReset}},
      {"F10 again leaves the menus", {VK_F10, VK_DOWN, VK_F10}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    HWND h = Main();
    SetMenu(h, MakeBar().bar);
    g_seen.clear();
    for (std::int32_t vk : c.keys) Key(vk);
    EXPECT_EQ(Commands(), c.commands);
    EXPECT_EQ(View().window, 0u) << "nothing is left open";
    TearDown();
  }
}

TEST_F(Menus, HighlightingFollowsTheKeysAndKeysDoNotReachTheWindow) {
  HWND h = Main();
  SetMenu(h, MakeBar().bar);
  Key(VK_F10);
  EXPECT_EQ(View().window, h);
  EXPECT_EQ(View().barHot, 0) << "the first menu highlighted";
  EXPECT_TRUE(View().popups.empty()) << "not opened";
  g_seen.clear();
  Key(VK_RIGHT);
  EXPECT_EQ(View().barHot, 1);
  Key(VK_DOWN);
  ASSERT_EQ(View().popups.size(), 1u);
  EXPECT_EQ(View().popups[0].hot, 0) << "the first enabled item";
  EXPECT_TRUE(SeenOf(WM_KEYDOWN).empty());
  EXPECT_TRUE(SeenOf(WM_KEYUP).empty());
  Key(VK_ESCAPE);
  EXPECT_TRUE(View().popups.empty());
  EXPECT_EQ(View().barHot, 1) << "Escape closed one level";
  Key(VK_ESCAPE);
  EXPECT_EQ(View().window, 0u);
  Key('A');
  EXPECT_EQ(SeenOf(WM_KEYDOWN).size(), 1u) << "keys reach the window again";

  // Alt + a mnemonic letter opens that menu at once.
  hl::InjectKey(VK_MENU, true);
  Pump();
  Key('V');
  hl::InjectKey(VK_MENU, false);
  Pump();
  ASSERT_EQ(View().popups.size(), 1u);
  EXPECT_EQ(View().barHot, 1);
  EXPECT_EQ(View().popups[0].hot, 0);
  Key(VK_ESCAPE);
  Key(VK_ESCAPE);

  // Alt with another key between press and release does not ask for the bar.
  hl::InjectKey(VK_MENU, true);
  Pump();
  Key('X');
  hl::InjectKey(VK_MENU, false);
  Pump();
  EXPECT_EQ(View().window, 0u);
}

TEST_F(Menus, KeysTypedBeforeTheProgramHandlesThemStillGoToTheMenu) {
  // A program that handles one message per frame lags behind a fast typist: the keys after F10
  // are queued for the window when the bar opens, and the menu takes them from the queue.
  HWND h = Main();
  SetMenu(h, MakeBar().bar);
  g_seen.clear();
  for (std::int32_t vk : {VK_F10, VK_RIGHT, VK_DOWN, VK_DOWN, VK_RETURN}) {
    hl::InjectKey(vk, true);
    hl::InjectKey(vk, false);
  }
  MSG m;
  while (PeekMessage(&m, 0, 0, 0, PM_REMOVE)) {
    if (m.message == WM_PAINT) ValidateRect(m.hwnd, nullptr);
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  EXPECT_EQ(Commands(), std::vector<UINT>{kFps});
  EXPECT_TRUE(SeenOf(WM_KEYUP).size() == 1u) << "only F10's release reached the window";
}

TEST_F(Menus, WithoutABarTheMenuKeysDoNothing) {
  HWND h = Main();
  Key(VK_F10);
  EXPECT_EQ(View().window, 0u);
  Key('A');
  EXPECT_EQ(SeenOf(WM_KEYDOWN).size(), 1u);
  (void)h;
}

// ---- the pointer -----------------------------------------------------------------------------
TEST_F(Menus, ClicksOnTheBarOpenChooseAndClose) {
  HWND h = Main();
  SetMenu(h, MakeBar().bar);
  g_seen.clear();
  const std::int32_t barY = kFrameTop + 10;
  const std::int32_t fileX = kFrameLeft + 2 + 10;
  Click(fileX, barY);
  ASSERT_EQ(View().popups.size(), 1u);
  EXPECT_EQ(View().barHot, 0);
  EXPECT_EQ(View().popups[0].hot, -1) << "a click opens with nothing highlighted";
  // The menu lies below the bar, at the item's left edge.
  const RECT place = View().popups[0].place;
  EXPECT_EQ(place.top, kMenuBarHeight);
  const std::int32_t itemX = kFrameLeft + place.left + 30;
  const std::int32_t secondY = kFrameTop + place.top + detail::kMenuBorder + 20 + 10;
  hl::InjectMouseMove(itemX, secondY);
  EXPECT_EQ(View().popups[0].hot, 1) << "pointing highlights";
  EXPECT_TRUE(SeenOf(WM_MOUSEMOVE).empty()) << "the pointer belongs to the menu";
  Click(itemX, secondY);
  EXPECT_EQ(Commands(), std::vector<UINT>{kQuit});
  EXPECT_EQ(View().window, 0u);

  // A second click on the open menu's bar item closes it; a click outside closes too and
  // reaches nobody.
  Click(fileX, barY);
  Click(fileX, barY);
  EXPECT_EQ(View().window, 0u);
  Click(fileX, barY);
  g_seen.clear();
  Click(400, 400);
  EXPECT_EQ(View().window, 0u);
  EXPECT_TRUE(SeenOf(WM_LBUTTONDOWN).empty());
  EXPECT_TRUE(Commands().empty());

  // Sliding along the bar switches menus; a greyed item is not chosen.
  Click(fileX, barY);
  const auto layout = detail::BarLayout(*detail::Find<detail::Menu>(GetMenu(h)));
  hl::InjectMouseMove(kFrameLeft + layout[1].first + 5, barY);
  EXPECT_EQ(View().barHot, 1);
  ASSERT_EQ(View().popups.size(), 1u);
  const RECT view = View().popups[0].place;
  const std::int32_t greyY = kFrameTop + view.top + detail::kMenuBorder + 2 * 20 + 8 + 10;
  Click(kFrameLeft + view.left + 30, greyY);
  EXPECT_TRUE(Commands().empty());
  EXPECT_EQ(View().window, h) << "still open";
}

// ---- context menus ---------------------------------------------------------------------------
TEST_F(Menus, DefaultHandlingAsksForTheContextMenu) {
  HWND h = Main();
  struct Case {
    const char* what;
    std::function<void()> input;
    LPARAM where;
  };
  const std::int32_t sx = 100 + kFrameLeft, sy = 50 + kFrameTop;
  const Case cases[] = {
      {"right-button release at the pointer (screen coordinates)", [&] { Click(sx, sy, 1); },
       (sy << 16) | sx},
      {"Shift+F10",
       [] {
         hl::InjectKey(VK_SHIFT, true);
         Key(VK_F10);
         hl::InjectKey(VK_SHIFT, false);
         Pump();
       },
       -1},
      {"the Menu key", [] { Key(VK_APPS); }, -1},
      {"Shift+F10 handled after Shift was released (the state at the key's message counts)",
       [] {
         for (auto [vk, down] :
              {std::pair{VK_SHIFT, true}, {VK_F10, true}, {VK_F10, false}, {VK_SHIFT, false}}) {
           hl::InjectKey(vk, down);
         }
         Pump();
       },
       -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_seen.clear();
    c.input();
    const auto asks = SeenOf(WM_CONTEXTMENU);
    ASSERT_EQ(asks.size(), 1u);
    EXPECT_EQ(asks[0].hwnd, h);
    EXPECT_EQ(asks[0].wParam, static_cast<WPARAM>(h));
    EXPECT_EQ(asks[0].lParam, c.where);
  }
  // A right release over a child goes to the child, which passes the request to its parent.
  HWND child =
      CreateWindowEx(0, "Test", "", WS_CHILD | WS_VISIBLE, 10, 10, 50, 50, h, 7, 0, nullptr);
  g_seen.clear();
  Click(kFrameLeft + 20, kFrameTop + 20, 1);
  const auto asks = SeenOf(WM_CONTEXTMENU);
  ASSERT_EQ(asks.size(), 2u);
  EXPECT_EQ(asks[0].hwnd, child);
  EXPECT_EQ(asks[1].hwnd, h);
  EXPECT_EQ(asks[1].wParam, static_cast<WPARAM>(child));
}

TEST_F(Menus, TrackPopupMenuRunsOnQueuedInput) {
  HWND h = Main();
  const Bar b = MakeBar();
  struct Case {
    const char* what;
    UINT flags;
    std::vector<std::int32_t> keys;
    std::int32_t answer;
    std::vector<UINT> commands;
  };
  const Case cases[] = {
      {"Down highlights the first item, Return chooses: WM_COMMAND",
       0,
       {VK_DOWN, VK_RETURN},
       1,
       {kFree}},
      {"with TPM_RETURNCMD the command is the answer",
       TPM_RETURNCMD,
       {VK_DOWN, VK_DOWN, VK_RETURN},
       kFps,
       {}},
      {"Return with nothing highlighted does nothing; Escape dismisses",
       TPM_RETURNCMD,
       {VK_RETURN, VK_ESCAPE},
       0,
       {}},
      {"a mnemonic chooses", TPM_RETURNCMD, {'P'}, kFps, {}},
      {"sub-menus", TPM_RETURNCMD, {VK_UP, VK_RIGHT, VK_RETURN}, kDeep, {}},
      {"nothing left to come dismisses it", TPM_RETURNCMD, {}, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_seen.clear();
    std::int32_t hotAtStart = 99;
    hl::QueueInput([&] { hotAtStart = View().popups.at(0).hot; });
    for (std::int32_t vk : c.keys) {
      hl::QueueInput([vk] { hl::InjectKey(vk, true); });
      hl::QueueInput([vk] { hl::InjectKey(vk, false); });
    }
    EXPECT_EQ(TrackPopupMenu(b.view, c.flags, 200, 200, 0, h, nullptr), c.answer);
    EXPECT_EQ(hotAtStart, -1) << "opens with nothing highlighted";
    EXPECT_EQ(View().window, 0u);
    Pump();
    EXPECT_EQ(Commands(), c.commands);
    EXPECT_TRUE(SeenOf(WM_KEYDOWN).empty()) << "the keys went to the menu";
  }

  // The pointer: a click on an item chooses it, a click outside dismisses.
  std::int32_t answer = -1;
  RECT place{};
  hl::QueueInput([&] { place = View().popups.at(0).place; });
  hl::QueueInput([&] {
    hl::InjectMouseMove(kFrameLeft + place.left + 20,
                        kFrameTop + place.top + detail::kMenuBorder + 30);
  });
  hl::QueueInput([] { hl::InjectMouseButton(0, true); });
  hl::QueueInput([] { hl::InjectMouseButton(0, false); });
  answer = TrackPopupMenu(b.view, TPM_RETURNCMD, 200, 200, 0, h, nullptr);
  EXPECT_EQ(answer, static_cast<std::int32_t>(kFps));
  hl::QueueInput([] { hl::InjectMouseMove(700, 500); });
  hl::QueueInput([] { hl::InjectMouseButton(0, true); });
  hl::QueueInput([] { hl::InjectMouseButton(0, false); });
  hl::QueueInput([] {});
  EXPECT_EQ(TrackPopupMenu(b.view, TPM_RETURNCMD, 200, 200, 0, h, nullptr), 0);
  EXPECT_EQ(hl::QueuedInput(), 2u) << "the press outside ended the loop";
  while (hl::QueuedInput() > 0) Pump();

  // Alignment flags place (x, y) on the menu's right / bottom edge.
  hl::QueueInput([&] { place = View().popups.at(0).place; });
  TrackPopupMenu(b.file, TPM_RIGHTALIGN | TPM_BOTTOMALIGN, 300, 300, 0, h, nullptr);
  EXPECT_EQ(place.right + kFrameLeft, 300);
  EXPECT_EQ(place.bottom + kFrameTop, 300);
  // A menu destroyed while it is shown closes; so does one whose window goes away.
  const HMENU doomed = CreatePopupMenu();
  AppendMenu(doomed, MF_STRING, 7, "x");
  hl::QueueInput([doomed] { DestroyMenu(doomed); });
  hl::QueueInput([] {});
  EXPECT_EQ(TrackPopupMenu(doomed, TPM_RETURNCMD, 100, 100, 0, h, nullptr), 0);
  EXPECT_EQ(hl::QueuedInput(), 1u) << "the loop ended at once";
  Pump();
  HWND other = Main();
  hl::QueueInput([other] { DestroyWindow(other); });
  hl::QueueInput([] {});
  EXPECT_EQ(TrackPopupMenu(b.file, TPM_RETURNCMD, 100, 100, 0, other, nullptr), 0);
  EXPECT_EQ(hl::QueuedInput(), 1u);
  Pump();
  // Dead menus and owners fail at once.
  EXPECT_EQ(TrackPopupMenu(0, 0, 0, 0, 0, h, nullptr), 0);
  EXPECT_EQ(TrackPopupMenu(b.file, 0, 0, 0, 0, 0, nullptr), 0);
}

// ---- pictures --------------------------------------------------------------------------------
class MenuPictures : public Menus {
 protected:
  HWND h = 0;
  HDC dc = 0;
  void Open() {
    h = Main();
    dc = GetDC(h);
    PIXELFORMATDESCRIPTOR req{};
    req.nSize = 40;
    req.nVersion = 1;
    req.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    req.cColorBits = 32;
    req.cDepthBits = 24;
    ASSERT_TRUE(SetPixelFormat(dc, ChoosePixelFormat(dc, &req), &req));
    ASSERT_TRUE(wglMakeCurrent(dc, wglCreateContext(dc)));
  }
  // A green frame, shown.
  void Frame() {
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    SwapBuffers(dc);
  }
  // The surface (top row first) as 0xRRGGBB, saved as a PNG for a look.
  std::vector<std::uint32_t> Shot(const std::string& name) {
    RECT c;
    GetClientRect(h, &c);
    const std::int32_t w = c.right, hh = c.bottom + (GetMenu(h) != 0 ? kMenuBarHeight : 0);
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(w) * hh * 4);
    glReadPixels(0, 0, w, hh, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    std::vector<std::uint8_t> flipped(rgba.size());
    for (std::int32_t y = 0; y < hh; ++y) {
      std::copy_n(rgba.begin() + static_cast<std::ptrdiff_t>(y) * w * 4, w * 4,
                  flipped.begin() + static_cast<std::ptrdiff_t>(hh - 1 - y) * w * 4);
    }
    std::filesystem::create_directories("menus");
    brevra::test::WritePng("menus/" + name + ".png", flipped, w, hh, false);
    std::vector<std::uint32_t> out(static_cast<std::size_t>(w) * hh);
    for (std::size_t i = 0; i < out.size(); ++i) {
      out[i] = (flipped[i * 4] << 16) | (flipped[i * 4 + 1] << 8) | flipped[i * 4 + 2];
    }
    width = w;
    return out;
  }
  std::int32_t width = 0;
  std::uint32_t At(const std::vector<std::uint32_t>& p, std::int32_t x, std::int32_t y) const {
    return p[static_cast<std::size_t>(y) * width + x];
  }
  // How many pixels of a rectangle have the colour.
  std::int32_t Count(const std::vector<std::uint32_t>& p, RECT r, std::uint32_t rgb) const {
    std::int32_t n = 0;
    for (std::int32_t y = r.top; y < r.bottom; ++y) {
      for (std::int32_t x = r.left; x < r.right; ++x) n += At(p, x, y) == rgb;
    }
    return n;
  }
};

constexpr std::uint32_t kGreen = 0x00FF00, kFace = 0xD4D0C8, kSelection = 0x0A246A;

TEST_F(MenuPictures, TheBarAndTheOpenMenuAreDrawnOverTheFrame) {
  Open();
  Frame();
  auto plain = Shot("no_bar");
  EXPECT_EQ(Count(plain, RECT{0, 0, 794, 578}, kGreen), 794 * 578) << "no bar: the frame only";

  SetMenu(h, MakeBar().bar);
  Frame();
  auto bar = Shot("bar");
  EXPECT_EQ(Count(bar, RECT{0, kMenuBarHeight, 794, 578}, kGreen), 794 * 558) << "client area";
  const std::int32_t face = Count(bar, RECT{0, 0, 794, kMenuBarHeight}, kFace);
  EXPECT_GT(face, 794 * kMenuBarHeight * 9 / 10) << "the bar's face";
  EXPECT_LT(face, 794 * kMenuBarHeight) << "and its texts";

  Key(VK_F10);
  Key(VK_DOWN);
  Frame();
  auto open = Shot("file_open");
  const RECT place = View().popups.at(0).place;
  EXPECT_GT(Count(open, RECT{2, 1, 30, kMenuBarHeight - 1}, kSelection), 100)
      << "the File item highlighted";
  const RECT first{place.left + 4, place.top + 4, place.right - 4, place.top + 22};
  EXPECT_GT(Count(open, first, kSelection), (first.right - first.left) * 10)
      << "its first item highlighted";
  EXPECT_GT(Count(open, RECT{place.left, place.top + 24, place.right, place.bottom - 3}, kFace), 0);
  EXPECT_EQ(Count(open, place, kGreen), 0) << "the menu covers the frame";
  EXPECT_EQ(At(open, place.right + 2, place.top + 5), kGreen);
  Key(VK_ESCAPE);
  Key(VK_ESCAPE);
  Frame();
  EXPECT_EQ(Shot("closed"), bar) << "closed: the bar alone again";
}

TEST_F(MenuPictures, ATrackedMenuIsShownOverTheHeldFrame) {
  Open();
  const Bar b = MakeBar();
  Frame();
  std::vector<std::uint32_t> during;
  RECT place{};
  hl::QueueInput([] { hl::InjectKey(VK_DOWN, true); });
  hl::QueueInput([&] {
    place = View().popups.at(0).place;
    during = Shot("tracked");
  });
  EXPECT_EQ(TrackPopupMenu(b.view, TPM_RETURNCMD, 100 + kFrameLeft, 100 + kFrameTop, 0, h, nullptr),
            0);
  ASSERT_FALSE(during.empty());
  EXPECT_EQ(place.left, 100);
  EXPECT_EQ(place.top, 100);
  EXPECT_EQ(At(during, 50, 50), kGreen) << "the held frame around the menu";
  EXPECT_GT(Count(during, RECT{104, 104, place.right - 4, 122}, kSelection), 500)
      << "Down highlighted the first item";
  // The check mark of "Free look": dark pixels in its left margin.
  EXPECT_GT(Count(during, RECT{104, 104, 120, 122}, 0xFFFFFF), 5);
  auto after = Shot("tracked_after");
  EXPECT_EQ(Count(after, RECT{0, 0, 794, 578}, kGreen), 794 * 578) << "the frame back";
}

}  // namespace
}  // namespace brevra::platform
