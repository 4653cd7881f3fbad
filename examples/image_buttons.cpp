// image_buttons: three shaped image buttons over an OpenGL scene, with a status bar.
//
// The program draws its own button pictures (a disc, a diamond and a rounded bar on a magenta
// background, each in normal, hover and pressed colours), writes them as BMP files into a
// scratch directory, and creates one "IMAGEBUTTON" child per picture set. A click posts
// WM_COMMAND to the main window; the command hook changes the scene's shape or colour and the
// status text, and prints "command <id>" on standard output (what the end-to-end test reads).
//
//   image_buttons            runs until Escape or the window is closed
#include <GL/gl.h>

#include <cfenv>  // Required for: fedisableexcept
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>  // Required for: std::this_thread::sleep_for
#include <vector>

#include <unistd.h>  // Required for: getpid

#include "brevra/imagebutton/image_button.h"
#include "brevra/platform/platform.h"
#include "brevra/window/camera.h"
#include "brevra/window/input.h"
#include "brevra/window/window.h"

namespace pf = brevra::platform;

namespace {

constexpr std::int32_t kW = 96, kH = 40;
constexpr std::uint32_t kMagenta = 0xFF00FF;

enum ButtonId : std::int32_t { kDisc = 101, kDiamond = 102, kBar = 103 };

struct Scene {
  int shape = 0;  // 0 triangle, 1 square, 2 hexagon
  float colour[3] = {0.9f, 0.6f, 0.1f};
  int clicks = 0;
  float angle = 0;
} g_scene;

std::string g_status;

// ---- pictures ----
using Inside = bool (*)(int x, int y);

bool InDisc(int x, int y) {
  const float dx = x - kW / 2.0f + 0.5f, dy = y - kH / 2.0f + 0.5f;
  return dx * dx / (kW * kW / 4.0f) + dy * dy / (kH * kH / 4.0f) <= 1.0f;
}
bool InDiamond(int x, int y) {
  return std::fabs(x - kW / 2.0f + 0.5f) / (kW / 2.0f) +
             std::fabs(y - kH / 2.0f + 0.5f) / (kH / 2.0f) <=
         1.0f;
}
bool InBar(int x, int y) {
  const int r = kH / 2;
  const int cx = x < r ? r : (x >= kW - r ? kW - r - 1 : x);
  const float dx = x - cx, dy = y - r + 0.5f;
  return dx * dx + dy * dy <= r * r;
}

void Put32(std::vector<std::uint8_t>& f, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) f.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A 24-bit bottom-up BMP of the shape in `colour` (0x00RRGGBB) on magenta, with a lighter rim.
bool WritePicture(const std::string& path, Inside inside, std::uint32_t colour) {
  const std::uint32_t stride = (kW * 3 + 3) / 4 * 4;
  std::vector<std::uint8_t> f = {'B', 'M'};
  Put32(f, 54 + stride * kH);
  Put32(f, 0);
  Put32(f, 54);
  Put32(f, 40);
  Put32(f, kW);
  Put32(f, kH);
  Put32(f, 1 | (24u << 16));
  for (int i = 0; i < 6; ++i) Put32(f, 0);
  for (int y = kH - 1; y >= 0; --y) {
    for (int x = 0; x < kW; ++x) {
      std::uint32_t c = kMagenta;
      if (inside(x, y)) {
        const bool rim =
            !inside(x - 2, y) || !inside(x + 2, y) || !inside(x, y - 2) || !inside(x, y + 2);
        c = rim ? 0xFFFFFF : colour;
      }
      f.push_back(static_cast<std::uint8_t>(c));
      f.push_back(static_cast<std::uint8_t>(c >> 8));
      f.push_back(static_cast<std::uint8_t>(c >> 16));
    }
    for (std::uint32_t i = kW * 3; i < stride; ++i) f.push_back(0);
  }
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return false;
  const bool ok = std::fwrite(f.data(), 1, f.size(), out) == f.size();
  return std::fclose(out) == 0 && ok;
}

struct ButtonSpec {
  const char* stem;
  Inside inside;
  std::uint32_t normal, hover, pressed;
  ButtonId id;
  const char* label;
};

const ButtonSpec kButtons[] = {
    {"disc", InDisc, 0xC03020, 0xF06040, 0x801810, kDisc, "shape"},
    {"diamond", InDiamond, 0x2080C0, 0x40B0F0, 0x104870, kDiamond, "colour"},
    {"bar", InBar, 0x30A040, 0x50D060, 0x186020, kBar, "spin"},
};

void SetStatus(const std::string& text) {
  g_status = text;
  pf::StatusSetText(brevra::HStatus, 0, g_status.c_str());
}

// The command hook: WParam is the control identifier of the clicked button.
std::int32_t OnCommand(pf::HWND, std::int32_t, std::int32_t WParam, std::int32_t) {
  const std::int32_t id = WParam & 0xFFFF;
  ++g_scene.clicks;
  switch (id) {
    case kDisc:
      g_scene.shape = (g_scene.shape + 1) % 3;
      break;
    case kDiamond: {
      const float c0 = g_scene.colour[0];
      g_scene.colour[0] = g_scene.colour[1];
      g_scene.colour[1] = g_scene.colour[2];
      g_scene.colour[2] = c0;
      break;
    }
    case kBar:
      g_scene.angle += 30;
      break;
    default:
      return 0;
  }
  std::printf("command %d\n", id);
  std::fflush(stdout);
  const char* label = id == kDisc ? "shape" : id == kDiamond ? "colour" : "spin";
  SetStatus("Clicked " + std::string(label) + " (" + std::to_string(g_scene.clicks) +
            (g_scene.clicks == 1 ? " click)" : " clicks)"));
  return 0;
}

void DrawScene() {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  const float aspect = brevra::Height > 0 ? static_cast<float>(brevra::Width) / brevra::Height : 1;
  glOrtho(-aspect, aspect, -1, 1, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glRotatef(g_scene.angle, 0, 0, 1);
  glColor3fv(g_scene.colour);
  const int sides = g_scene.shape == 0 ? 3 : g_scene.shape == 1 ? 4 : 6;
  glBegin(GL_TRIANGLE_FAN);
  glVertex3f(0, 0, 0);
  for (int i = 0; i <= sides; ++i) {
    const float a = 6.2831853f * i / sides + 0.5235988f;
    glVertex3f(0.6f * std::cos(a), 0.6f * std::sin(a), 0);
  }
  glEnd();
}

}  // namespace

int main() {
  fedisableexcept(FE_ALL_EXCEPT);
  if (!pf::Init(pf::Backend::Sdl)) {
    std::fprintf(stderr, "image_buttons: cannot open a window: no display is available.\n");
    return EXIT_FAILURE;
  }
  const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                    ("brevra-image-buttons-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  for (const ButtonSpec& b : kButtons) {
    const std::string stem = (dir / b.stem).string();
    if (!WritePicture(stem + "N.BMP", b.inside, b.normal) ||
        !WritePicture(stem + "H.BMP", b.inside, b.hover) ||
        !WritePicture(stem + "P.BMP", b.inside, b.pressed)) {
      std::fprintf(stderr, "image_buttons: cannot write the pictures in %s\n", dir.c_str());
      return EXIT_FAILURE;
    }
  }

  brevra::OGLWindowSetting(brevra::ARROW, "", brevra::GENERIC, "");
  brevra::ShowMenuBar = true;  // the command hook is called only with it
  brevra::ShowStatusBar = true;
  brevra::GetInputCommand = OnCommand;
  brevra::CreateOGLWindow("Image buttons", 640, 480, 32, false);
  glClearColor(0.1f, 0.12f, 0.18f, 1);

  // The buttons: each takes the size of its normal picture. The fixed allowances of 3 and 19
  // are added so that they land where they are meant to in a parent with a classic frame.
  std::int32_t x = 20;
  for (const ButtonSpec& b : kButtons) {
    brevra::BmpType = (dir / b.stem).string();
    const pf::HWND button = pf::CreateWindowEx(
        0, brevra::SzHoverClass, b.label, pf::WS_CHILD | pf::WS_VISIBLE, x + 3, 20 + 19, kW, kH,
        brevra::HWindow, static_cast<pf::HMENU>(b.id), pf::GetModuleHandle(nullptr), nullptr);
    // Where it landed in the client area (another frame than the classic one moves it).
    pf::RECT r{};
    pf::GetWindowRect(button, &r);
    pf::POINT at{r.left, r.top};
    pf::ScreenToClient(brevra::HWindow, &at);
    std::printf("button %d at %d %d size %d %d\n", b.id, at.x, at.y, r.right - r.left,
                r.bottom - r.top);
    x += kW + 16;
  }
  std::fflush(stdout);
  SetStatus("Click a button");

  while (brevra::Active) {
    glClear(GL_COLOR_BUFFER_BIT);
    // Every queued message this frame, so that the buttons keep up with the pointer.
    for (int i = 0; i < 32 && brevra::Active; ++i) {
      pf::MSG peek;
      if (!pf::PeekMessage(&peek, 0, 0, 0, pf::PM_NOREMOVE)) break;
      brevra::SetGLMsg();
    }
    if (!brevra::Active) break;
    DrawScene();
    pf::SwapBuffers(brevra::DCWindow);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  brevra::DeleteOGLWindow();
  std::filesystem::remove_all(dir);
  return 0;
}
