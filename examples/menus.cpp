// menus: the demo's bush in a captioned window with a menu bar and a context menu.
//
// The library's client hooks at work: `CreateMenuBar` builds the bar (File: Reset view, Quit;
// View: Free look, FPS in title), `CreateMouseMenu` opens a context menu (right click, Shift+F10
// or the Menu key) with Reset view, Free look and FPS in title, and `GetInputCommand` acts on
// every command and prints it on standard output as "command <id>" (what the end-to-end test
// reads). Quit ends the program with exit code 0; FPS in title starts the one-second timer that
// turns the title into "Brevra menus - FPS [n]".
//
//   menus            run from <build>/bin (the scene's pictures lie there); no start-up question
#include <GL/gl.h>

#include <cfenv>  // Required for: fedisableexcept
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "brevra/platform/platform.h"
#include "brevra/window/camera.h"
#include "brevra/window/input.h"
#include "brevra/window/window.h"
#include "demo/app.h"    // Required for: fogliame::SetUpDemo (the demo's set-up)
#include "demo/scene.h"  // Required for: OpenGL_Draw (the demo's frame)

namespace pf = brevra::platform;

namespace {

constexpr const char* kTitle = "Brevra menus";

enum Command : std::int32_t { kResetView = 101, kQuit = 102, kFreeLook = 201, kFpsInTitle = 202 };

pf::HMENU g_bar = 0;

// The camera as the set-up left it, for Reset view.
struct Camera {
  float xRot, yRot, xRot2, yRot2, depth, depth2;
} g_start;

void BuildMenuBar() {
  g_bar = pf::CreateMenu();
  const pf::HMENU file = pf::CreatePopupMenu();
  pf::AppendMenu(file, pf::MF_STRING, kResetView, "&Reset view");
  pf::AppendMenu(file, pf::MF_STRING, kQuit, "&Quit");
  const pf::HMENU view = pf::CreatePopupMenu();
  pf::AppendMenu(view, pf::MF_STRING, kFreeLook, "&Free look");
  pf::AppendMenu(view, pf::MF_STRING, kFpsInTitle, "F&PS in title");
  pf::AppendMenu(g_bar, pf::MF_POPUP, file, "&File");
  pf::AppendMenu(g_bar, pf::MF_POPUP, view, "&View");
  pf::SetMenu(brevra::HWindow, g_bar);
}

pf::UINT Check(bool on) { return pf::MF_BYCOMMAND | (on ? pf::MF_CHECKED : pf::MF_UNCHECKED); }

// The bar's check marks follow the modes (a key release also ends free look).
void ShowModes() {
  pf::CheckMenuItem(g_bar, kFreeLook, Check(brevra::MouseFree));
  pf::CheckMenuItem(g_bar, kFpsInTitle, Check(brevra::ViewFPS));
}

void ShowContextMenu() {
  const pf::HMENU menu = pf::CreatePopupMenu();
  pf::AppendMenu(menu, pf::MF_STRING, kResetView, "&Reset view");
  pf::AppendMenu(menu, Check(brevra::MouseFree), kFreeLook, "&Free look");
  pf::AppendMenu(menu, Check(brevra::ViewFPS), kFpsInTitle, "F&PS in title");
  // At the pointer; from the keyboard (pointer outside the client area) in the middle.
  pf::POINT at{};
  pf::GetCursorPos(&at);
  pf::POINT client = at;
  pf::ScreenToClient(brevra::HWindow, &client);
  pf::RECT area{};
  pf::GetClientRect(brevra::HWindow, &area);
  if (client.x < 0 || client.y < 0 || client.x >= area.right || client.y >= area.bottom) {
    at = pf::POINT{area.right / 2, area.bottom / 2};
    pf::ClientToScreen(brevra::HWindow, &at);
  }
  pf::TrackPopupMenu(menu, pf::TPM_RIGHTBUTTON, at.x, at.y, 0, brevra::HWindow, nullptr);
  pf::DestroyMenu(menu);
}

std::int32_t OnCommand(pf::HWND /*window*/, std::int32_t /*message*/, std::int32_t wParam,
                       std::int32_t /*lParam*/) {
  const std::int32_t id = wParam & 0xFFFF;
  std::printf("command %d\n", id);
  std::fflush(stdout);
  switch (id) {
    case kResetView:
      brevra::XRot = g_start.xRot;
      brevra::YRot = g_start.yRot;
      brevra::XRot2 = g_start.xRot2;
      brevra::YRot2 = g_start.yRot2;
      brevra::Depth = g_start.depth;
      brevra::Depth2 = g_start.depth2;
      break;
    case kQuit:
      // As Escape does: the window's end, then the loop's.
      pf::SendMessage(brevra::HWindow, pf::WM_DESTROY, 0, 0);
      break;
    case kFreeLook:
      brevra::MouseFree = !brevra::MouseFree;
      break;
    case kFpsInTitle:
      brevra::ViewFPS = !brevra::ViewFPS;
      if (brevra::ViewFPS) {
        brevra::FPSCount = 0;
        brevra::AddIntervalFPS = brevra::FPS_ONE_SECOND;
        pf::SetTimer(brevra::HWindow, brevra::FPS_TIMER, brevra::FPS_ONE_SECOND, nullptr);
      } else {
        pf::KillTimer(brevra::HWindow, brevra::FPS_TIMER);
        pf::SetWindowText(brevra::HWindow, kTitle);
      }
      break;
    default:
      break;
  }
  ShowModes();
  return 0;
}

}  // namespace

int main() {
  fedisableexcept(FE_ALL_EXCEPT);
  if (!pf::Init(pf::Backend::Sdl)) {
    std::fprintf(stderr, "menus: cannot open a window: no display is available.\n");
    return EXIT_FAILURE;
  }
  brevra::ShowMenuBar = true;
  brevra::CreateMenuBar = BuildMenuBar;
  brevra::CreateMouseMenu = ShowContextMenu;
  brevra::GetInputCommand = OnCommand;
  brevra::OGLWindowSetting(brevra::ARROW, "", brevra::GENERIC, "");
  brevra::CreateOGLWindow(kTitle, 800, 600, 32, false);
  fogliame::SetUpDemo();
  g_start = Camera{brevra::XRot,  brevra::YRot,  brevra::XRot2,
                   brevra::YRot2, brevra::Depth, brevra::Depth2};
  // Messages first, then the frame: a context menu, which holds this loop while it is open,
  // is shown over the last finished frame.
  do {
    brevra::SetGLMsg();
    if (brevra::Active) {
      brevra::OpenGL_Draw();
      ++brevra::FPSCount;
      if (pf::GetMenuState(g_bar, kFreeLook, pf::MF_BYCOMMAND) & pf::MF_CHECKED) {
        if (!brevra::MouseFree) ShowModes();
      } else if (brevra::MouseFree) {
        ShowModes();
      }
      pf::SwapBuffers(brevra::DCWindow);
    }
  } while (brevra::Active);
  brevra::DeleteOGLWindow();
  return 0;
}
