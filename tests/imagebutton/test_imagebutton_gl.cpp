// Child windows drawn over a real OpenGL frame (headless window, Mesa through EGL): a painted
// image button appears in the frame only on its opaque pixels, the GL state is left as it was,
// and a status bar paints its strip, separators and text.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "brevra/imagebutton/image_button.h"
#include "brevra/platform/gdi.h"
#include "brevra/platform/headless.h"
#include "brevra/platform/platform.h"
#include "brevra/platform/state.h"
#include "tests/imagebutton/bmp_files.h"

using namespace brevra;
namespace pf = brevra::platform;
using brevra::test::Picture;
using brevra::test::Rgb;

namespace {

constexpr std::uint32_t kMagenta = 0xFF00FF;

class ChildrenOnFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pf::Init(pf::Backend::Headless));
    pf::WNDCLASSEX wc;
    wc.cbSize = 48;
    wc.lpfnWndProc = HoverButtonHandler;
    wc.lpszClassName = SzHoverClass;
    ASSERT_NE(pf::RegisterClassEx(&wc), 0);
    pf::WNDCLASS pc;
    pc.lpfnWndProc = pf::DefWindowProc;
    pc.lpszClassName = "Frame";
    ASSERT_NE(pf::RegisterClass(&pc), 0);
    top = pf::CreateWindowEx(0, "Frame", "", pf::WS_POPUP | pf::WS_VISIBLE, 0, 0, 120, 80, 0, 0, 0,
                             nullptr);
    ASSERT_NE(top, 0u);
    dc = pf::GetDC(top);
    pf::PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = pf::PFD_DRAW_TO_WINDOW | pf::PFD_SUPPORT_OPENGL | pf::PFD_DOUBLEBUFFER;
    pfd.cColorBits = 24;
    const std::int32_t format = pf::ChoosePixelFormat(dc, &pfd);
    ASSERT_NE(format, 0);
    ASSERT_TRUE(pf::SetPixelFormat(dc, format, &pfd));
    rc = pf::wglCreateContext(dc);
    ASSERT_NE(rc, 0u);
    ASSERT_TRUE(pf::wglMakeCurrent(dc, rc));
  }
  void TearDown() override {
    BmpType.clear();
    pf::Shutdown();
  }
  // RGB at (x, y) of the client area, top row 0.
  std::uint32_t FramePixel(int x, int y) {
    std::uint8_t p[4] = {};
    glReadPixels(x, 80 - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return Rgb(p[0], p[1], p[2]);
  }
  void Pump() {
    pf::MSG m;
    while (pf::PeekMessage(&m, 0, 0, 0, pf::PM_REMOVE)) pf::DispatchMessage(&m);
  }

  brevra::test::ScratchDir dir{"compose"};
  pf::HWND top = 0;
  pf::HDC dc = 0;
  pf::HGLRC rc = 0;
};

TEST_F(ChildrenOnFrame, ButtonIsDrawnOnItsOpaquePixelsOnly) {
  Picture p(20, 10, Rgb(250, 200, 0));
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) p.at(x, y) = kMagenta;
  }
  for (const char* s : {"N", "H", "P"}) {
    ASSERT_TRUE(brevra::test::WriteTrueColourBmp(dir.file(std::string("b") + s + ".BMP"), p));
  }
  BmpType = dir.file("b");
  // In a frameless parent the button moves by the fixed allowances: place it at (13, 29) to
  // land on (10, 10).
  const pf::HWND b = pf::CreateWindowEx(0, SzHoverClass, "", pf::WS_CHILD | pf::WS_VISIBLE, 13, 29,
                                        1, 1, top, static_cast<pf::HMENU>(1), 0, nullptr);
  ASSERT_NE(b, 0u);
  Pump();
  glClearColor(0, 0, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glEnable(GL_DEPTH_TEST);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-5, 5, -5, 5, -5, 5);
  GLfloat before[16];
  glGetFloatv(GL_PROJECTION_MATRIX, before);

  pf::detail::CompositeChildren(pf::detail::FindWindow(top));
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  EXPECT_EQ(FramePixel(10 + 10, 10 + 5), Rgb(250, 200, 0)) << "the button's picture";
  EXPECT_EQ(FramePixel(10 + 19, 10 + 9), Rgb(250, 200, 0));
  EXPECT_EQ(FramePixel(10 + 1, 10 + 1), Rgb(0, 0, 255)) << "its magenta corner is not drawn";
  EXPECT_EQ(FramePixel(5, 5), Rgb(0, 0, 255)) << "outside the button";
  EXPECT_EQ(FramePixel(10 + 20, 10 + 5), Rgb(0, 0, 255));
  // The frame's GL state is untouched.
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_PROJECTION);
  GLfloat after[16];
  glGetFloatv(GL_PROJECTION_MATRIX, after);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(after[i], before[i]);
}

TEST_F(ChildrenOnFrame, StatusBarPaintsStripSeparatorsAndText) {
  const pf::HWND status =
      pf::CreateStatusWindow(static_cast<std::int32_t>(pf::WS_CHILD | pf::WS_VISIBLE), "", top, 7);
  ASSERT_NE(status, 0u);
  const std::int32_t edges[2] = {60, -1};
  pf::StatusSetParts(status, 2, edges);
  pf::StatusSetText(status, 0, "Hello");
  pf::detail::PaintStatusWindow(pf::detail::FindWindow(status));
  const pf::detail::Surface* s = pf::detail::WindowSurface(status);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->width, 120);
  auto at = [&](int x, int y) { return s->pixels[static_cast<std::size_t>(y) * s->width + x]; };
  EXPECT_EQ(at(100, 10), 0xFFD4D0C8u) << "the strip";
  EXPECT_EQ(at(58, 10), 0xFF808080u) << "the separator of the first part";
  int dark = 0;
  for (int y = 0; y < s->height; ++y) {
    for (int x = 0; x < 56; ++x) dark += (at(x, y) & 0xFF) < 0x60;
  }
  EXPECT_GT(dark, 10) << "the text is drawn";
  // Drawn over the frame along the bottom.
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  pf::detail::CompositeChildren(pf::detail::FindWindow(top));
  EXPECT_EQ(FramePixel(100, 80 - 10), Rgb(0xD4, 0xD0, 0xC8));
  EXPECT_EQ(FramePixel(100, 10), 0u);
}

}  // namespace
