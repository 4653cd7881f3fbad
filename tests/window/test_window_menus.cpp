// Window module with the platform's menus: the library's menu-bar, context-menu and command
// hooks driven by real (injected) user input on the headless platform. One scenario per
// process: the library keeps one main window per process.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "brevra/platform/headless.h"
#include "brevra/platform/platform.h"
#include "brevra/window/input.h"
#include "brevra/window/window.h"

namespace {

namespace pf = brevra::platform;
namespace hl = brevra::platform::headless;

std::vector<std::int32_t> g_commands;
int g_contextMenus = 0;

void BuildBar() {
  const pf::HMENU bar = pf::CreateMenu(), file = pf::CreatePopupMenu();
  pf::AppendMenu(file, pf::MF_STRING, 101, "&Reset view");
  pf::AppendMenu(file, pf::MF_STRING, 102, "&Quit");
  pf::AppendMenu(bar, pf::MF_POPUP, file, "&File");
  pf::SetMenu(brevra::HWindow, bar);
}

void ContextMenu() {
  ++g_contextMenus;
  const pf::HMENU menu = pf::CreatePopupMenu();
  pf::AppendMenu(menu, pf::MF_STRING, 101, "&Reset view");
  pf::AppendMenu(menu, pf::MF_STRING, 201, "&Free look");
  pf::POINT at{};
  pf::GetCursorPos(&at);
  pf::TrackPopupMenu(menu, 0, at.x, at.y, 0, brevra::HWindow, nullptr);
  pf::DestroyMenu(menu);
}

std::int32_t Command(pf::HWND, std::int32_t message, std::int32_t wParam, std::int32_t lParam) {
  EXPECT_EQ(message, pf::WM_COMMAND);
  EXPECT_EQ(lParam, 0);
  g_commands.push_back(wParam);
  return 0;
}

void Pump() {
  pf::MSG msg;
  for (int i = 0; i < 1000 && pf::PeekMessage(&msg, 0, 0, 0, pf::PM_NOREMOVE); ++i) {
    brevra::SetGLMsg();
  }
}

void Key(std::int32_t vk) {
  hl::InjectKey(vk, true);
  hl::InjectKey(vk, false);
  Pump();
}

TEST(WindowMenus, TheHooksRunFromTheMouseAndTheKeyboard) {
  ASSERT_TRUE(pf::Init(pf::Backend::Headless));
  brevra::ShowMenuBar = true;
  brevra::CreateMenuBar = BuildBar;
  brevra::CreateMouseMenu = ContextMenu;
  brevra::GetInputCommand = Command;
  brevra::OGLWindowSetting(brevra::ARROW, "", brevra::GENERIC, "");
  brevra::CreateOGLWindow("Fogliame generico", 800, 600, 32, false);
  Pump();
  // The bar took 20 rows of the client area and the window procedure heard of it.
  EXPECT_EQ(brevra::Width, 794);
  EXPECT_EQ(brevra::Height, 578 - pf::kMenuBarHeight);

  // A right click in the client area: the context menu, Down and Return choose its first item.
  pf::POINT centre{400, 300};
  pf::ClientToScreen(brevra::HWindow, &centre);
  hl::InjectMouseMove(centre.x, centre.y);
  for (std::int32_t vk : {pf::VK_DOWN, pf::VK_RETURN}) {
    hl::QueueInput([vk] { hl::InjectKey(vk, true); });
    hl::QueueInput([vk] { hl::InjectKey(vk, false); });
  }
  hl::InjectMouseButton(1, true);
  hl::InjectMouseButton(1, false);
  Pump();
  EXPECT_EQ(g_contextMenus, 1);
  EXPECT_EQ(g_commands, std::vector<std::int32_t>{101});
  EXPECT_EQ(brevra::SetKey[pf::VK_DOWN], brevra::KEY_UP) << "the menu's keys are not recorded";

  // The bar from the keyboard; Escape in the menus does not end the program.
  Key(pf::VK_F10);
  Key(pf::VK_DOWN);
  Key(pf::VK_ESCAPE);
  Key(pf::VK_DOWN);
  Key(pf::VK_DOWN);
  Key(pf::VK_RETURN);
  EXPECT_TRUE(brevra::Active);
  EXPECT_EQ(g_commands, (std::vector<std::int32_t>{101, 102}));

  // Shift+F10 asks too; without ShowMenuBar nothing runs.
  hl::QueueInput([] { hl::InjectKey(pf::VK_ESCAPE, true); });
  hl::InjectKey(pf::VK_SHIFT, true);
  Key(pf::VK_F10);
  hl::InjectKey(pf::VK_SHIFT, false);
  Pump();
  EXPECT_EQ(g_contextMenus, 2);
  brevra::ShowMenuBar = false;
  hl::InjectMouseButton(1, true);
  hl::InjectMouseButton(1, false);
  Pump();
  EXPECT_EQ(g_contextMenus, 2);
  EXPECT_TRUE(brevra::Active);
  brevra::DeleteOGLWindow();
  pf::Shutdown();
}

}  // namespace
