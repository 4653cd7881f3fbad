// Tests of the platform layer's SDL backend in a real X server: each test suite run starts its
// own Xvfb on a free display number, so nothing depends on the caller's display.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <signal.h>    // Required for: kill
#include <sys/wait.h>  // Required for: waitpid
#include <unistd.h>    // Required for: fork, execlp

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "brevra/platform/platform.h"
#include "tests/support/temp_dir.h"

namespace brevra::platform {
namespace {

using namespace std::chrono_literals;

// Output of a shell command (stdout), trailing newline removed.
std::string Shell(const std::string& command) {
  std::string out;
  if (FILE* p = ::popen(command.c_str(), "r")) {
    char buf[512];
    while (std::fgets(buf, sizeof buf, p) != nullptr) out += buf;
    ::pclose(p);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

// A field of `xwininfo -id`, e.g. "Absolute upper-left X".
int Geometry(const std::string& id, const std::string& field) {
  const std::string v = Shell("xwininfo -id " + id + " | sed -n 's/^ *" + field + ": *//p'");
  return v.empty() ? -1 : std::atoi(v.c_str());
}

// The X id of the top-level window with this exact name (searched in the window tree, which
// also lists the dialogs' windows), or "".
std::string WindowNamed(const std::string& name) {
  return Shell("xwininfo -root -tree | grep -F '\"" + name + "\":' | awk '{print $1}' | head -1");
}

LRESULT Proc(HWND h, std::int32_t m, WPARAM w, LPARAM l) { return DefWindowProc(h, m, w, l); }

class SdlPlatform : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The server picks a free display number itself and writes it to the pipe once it is
    // ready (-displayfd), so parallel test processes never race for a number.
    int fds[2];
    if (::pipe(fds) != 0) return;
    server_ = ::fork();
    if (server_ == 0) {
      ::close(fds[0]);
      const std::string fd = std::to_string(fds[1]);
      ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
               "-nolisten", "tcp", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(fds[1]);
    char buf[32] = {};
    std::size_t got = 0;
    while (got < sizeof buf - 1) {
      const ssize_t n = ::read(fds[0], buf + got, sizeof buf - 1 - got);
      if (n <= 0 || std::memchr(buf, '\n', got + n) != nullptr) {
        got += n > 0 ? n : 0;
        break;
      }
      got += n;
    }
    ::close(fds[0]);
    if (got == 0) return;
    display_ = ":" + std::to_string(std::atoi(buf));
    ::setenv("DISPLAY", display_.c_str(), 1);
  }
  static void TearDownTestSuite() {
    Shutdown();
    if (server_ > 0) {
      ::kill(server_, SIGTERM);
      ::waitpid(server_, nullptr, 0);
    }
  }
  void SetUp() override {
    ASSERT_FALSE(display_.empty()) << "Xvfb did not start";
    ASSERT_TRUE(Init(Backend::Sdl));
    WNDCLASS wc;
    wc.lpfnWndProc = Proc;
    wc.hCursor = LoadCursor(0, IDC_CROSS);
    wc.lpszClassName = "GLWindow";
    RegisterClass(&wc);
  }
  // Lets the backend collect events for a while.
  static void Pump(std::chrono::milliseconds span = 300ms) {
    const auto end = std::chrono::steady_clock::now() + span;
    MSG m;
    while (std::chrono::steady_clock::now() < end) {
      while (PeekMessage(&m, 0, 0, 0, PM_REMOVE)) DispatchMessage(&m);
      std::this_thread::sleep_for(10ms);
    }
  }
  static std::string XId(const char* title) {
    std::string id;
    for (int i = 0; i < 50 && id.empty(); ++i) {
      Pump(50ms);
      id = WindowNamed(title);
    }
    return id;
  }

  static inline std::string display_;
  static inline pid_t server_ = -1;
};

constexpr UINT kCaptioned = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION |
                            WS_SYSMENU | WS_MINIMIZEBOX;
constexpr UINT kFullScreen =
    WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_BORDER | WS_SYSMENU;

TEST_F(SdlPlatform, WindowsHaveTheirGeometryAndTitleOnTheServer) {
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1024);
  struct Case {
    UINT style;
    std::int32_t w, h;
    const char* title;
  };
  const Case cases[] = {{kCaptioned, 800, 600, "Fogliame generico"},
                        {kFullScreen, 1280, 1024, "Pieno"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    HWND h = CreateWindowEx(0, "GLWindow", c.title, c.style, CW_USEDEFAULT, CW_USEDEFAULT, c.w, c.h,
                            0, 0, GetModuleHandle(nullptr), nullptr);
    ASSERT_NE(h, 0u);
    const std::string id = XId(c.title);
    ASSERT_FALSE(id.empty());
    // No window manager on a bare server: outer size == client size, at the origin.
    EXPECT_EQ(Geometry(id, "Absolute upper-left X"), 0);
    EXPECT_EQ(Geometry(id, "Absolute upper-left Y"), 0);
    EXPECT_EQ(Geometry(id, "Width"), c.w);
    EXPECT_EQ(Geometry(id, "Height"), c.h);
    RECT r;
    GetClientRect(h, &r);
    EXPECT_EQ(r.right, c.w);
    EXPECT_EQ(r.bottom, c.h);
    EXPECT_TRUE(SetWindowText(h, "non \xE8 stata"));
    Pump(100ms);
    const std::string name = Shell("LC_ALL=C.UTF-8 xprop -id " + id + " _NET_WM_NAME");
    EXPECT_NE(name.find("non \xC3\xA8 stata"), std::string::npos) << name;
    DestroyWindow(h);
  }
}

TEST_F(SdlPlatform, RealPointerAndKeysBecomeWindowMessages) {
  HWND h = CreateWindowEx(0, "GLWindow", "Input", kCaptioned, CW_USEDEFAULT, CW_USEDEFAULT, 400,
                          300, 0, 0, GetModuleHandle(nullptr), nullptr);
  const std::string id = XId("Input");
  ASSERT_FALSE(id.empty());
  Shell("xdotool windowfocus --sync " + id);
  Pump(100ms);
  Shell(
      "xdotool mousemove 120 80 && xdotool mousedown 1 && xdotool mousemove 130 60 && "
      "xdotool mouseup 1 && xdotool key Escape");
  std::vector<MSG> got;
  const auto end = std::chrono::steady_clock::now() + 2s;
  MSG m;
  while (std::chrono::steady_clock::now() < end) {
    while (PeekMessage(&m, 0, 0, 0, PM_REMOVE)) {
      if (m.message == WM_PAINT) ValidateRect(m.hwnd, nullptr);
      if (m.message >= WM_KEYDOWN && m.message <= WM_MBUTTONUP && m.message != WM_CHAR) {
        got.push_back(m);
      }
    }
    if (!got.empty() && got.back().message == WM_KEYUP) break;
    std::this_thread::sleep_for(10ms);
  }
  auto find = [&](std::int32_t message) -> const MSG* {
    for (const MSG& x : got) {
      if (x.message == message) return &x;
    }
    return nullptr;
  };
  const MSG* down = find(WM_LBUTTONDOWN);
  ASSERT_NE(down, nullptr);
  EXPECT_EQ(down->hwnd, h);
  EXPECT_EQ(down->lParam, 120 | (80 << 16));
  EXPECT_EQ(down->wParam, MK_LBUTTON);
  const MSG* up = find(WM_LBUTTONUP);
  ASSERT_NE(up, nullptr);
  EXPECT_EQ(up->lParam, 130 | (60 << 16));
  const MSG* key = find(WM_KEYDOWN);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->wParam, VK_ESCAPE);
  POINT p;
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 130);
  EXPECT_EQ(p.y, 60);
  EXPECT_TRUE(SetCursorPos(200, 150));
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 200);
  EXPECT_EQ(p.y, 150);
  DestroyWindow(h);
}

TEST_F(SdlPlatform, ContextRendersAndSwaps) {
  HWND h = CreateWindowEx(0, "GLWindow", "GL", kCaptioned, CW_USEDEFAULT, CW_USEDEFAULT, 320, 240,
                          0, 0, GetModuleHandle(nullptr), nullptr);
  HDC dc = GetDC(h);
  PIXELFORMATDESCRIPTOR req{};
  req.nSize = 40;
  req.nVersion = 1;
  req.dwFlags = 0x1065;
  req.cColorBits = req.cAlphaBits = req.cAccumBits = req.cDepthBits = req.cStencilBits =
      req.cAuxBuffers = 32;
  req.iLayerType = 1;
  const std::int32_t format = ChoosePixelFormat(dc, &req);
  ASSERT_NE(format, 0);
  ASSERT_TRUE(SetPixelFormat(dc, format, &req));
  HGLRC rc = wglCreateContext(dc);
  ASSERT_NE(rc, 0u);
  ASSERT_TRUE(wglMakeCurrent(dc, rc));
  PIXELFORMATDESCRIPTOR got;
  DescribePixelFormat(dc, format, sizeof got, &got);
  EXPECT_TRUE(got.dwFlags & PFD_DOUBLEBUFFER);
  EXPECT_GT(got.cDepthBits, 0);
  glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glBegin(GL_POINTS);  // a compatibility profile
  glEnd();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  unsigned char px[4] = {};
  glReadPixels(5, 5, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
  EXPECT_EQ(px[1], 255);
  EXPECT_TRUE(SwapBuffers(dc));
  DestroyWindow(h);
  glClear(GL_COLOR_BUFFER_BIT);  // harmless once the window is gone
  EXPECT_FALSE(SwapBuffers(dc));
  wglMakeCurrent(0, 0);
  EXPECT_TRUE(wglDeleteContext(rc));
}

TEST_F(SdlPlatform, WithoutOpenGLTheWindowExistsWithNoPixelFormatOrContext) {
  // No OpenGL driver to load: the window is still made, so the failure shows where it is.
  // (A fresh start of the backend: SDL keeps a driver library it has loaded.)
  Shutdown();
  ::setenv("SDL_OPENGL_LIBRARY", "/nonexistent/libGL.so.1", 1);
  ASSERT_TRUE(Init(Backend::Sdl));
  WNDCLASS wc;
  wc.lpfnWndProc = Proc;
  wc.lpszClassName = "GLWindow";
  RegisterClass(&wc);
  HWND h = CreateWindowEx(0, "GLWindow", "No GL", kCaptioned, CW_USEDEFAULT, CW_USEDEFAULT, 320,
                          240, 0, 0, GetModuleHandle(nullptr), nullptr);
  ::unsetenv("SDL_OPENGL_LIBRARY");
  ASSERT_NE(h, 0u);
  HDC dc = GetDC(h);
  PIXELFORMATDESCRIPTOR req{};
  req.nSize = 40;
  req.nVersion = 1;
  req.dwFlags = 0x1065;
  req.cColorBits = 32;
  EXPECT_EQ(ChoosePixelFormat(dc, &req), 0);
  EXPECT_EQ(wglCreateContext(dc), 0u);
  DestroyWindow(h);
  Shutdown();
}

TEST_F(SdlPlatform, FocusLossClearsTheForegroundWindow) {
  HWND h = CreateWindowEx(0, "GLWindow", "Focus", kCaptioned, CW_USEDEFAULT, CW_USEDEFAULT, 320,
                          240, 0, 0, GetModuleHandle(nullptr), nullptr);
  const std::string id = XId("Focus");
  ASSERT_FALSE(id.empty());
  Shell("xdotool windowfocus --sync " + id);
  Pump();
  EXPECT_EQ(GetForegroundWindow(), h);
  // Another application takes the keyboard (on a bare server: the root window).
  Shell(
      "xdotool windowfocus $(xwininfo -root | sed -n 's/.*Window id: \\(0x[0-9a-f]*\\).*/\\1/p')");
  Pump(500ms);
  EXPECT_EQ(GetForegroundWindow(), 0u);
  Shell("xdotool windowfocus --sync " + id);
  Pump();
  EXPECT_EQ(GetForegroundWindow(), h);
  DestroyWindow(h);
}

// A BMP file (24 bits) or an icon file (one 32-bit entry) of w x h grey pixels.
std::vector<std::uint8_t> IconOrBmp(bool icon, int w, int h) {
  std::vector<std::uint8_t> b;
  auto put = [&b](std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  const int bpp = icon ? 32 : 24;
  const int stride = ((w * bpp + 31) / 32) * 4;
  const int maskStride = ((w + 31) / 32) * 4;
  const std::uint32_t pixels = stride * h + (icon ? maskStride * h : 0);
  if (icon) {
    put(0, 2), put(1, 2), put(1, 2);                         // icon directory, one entry
    put(w, 1), put(h, 1), put(0, 2), put(1, 2), put(32, 2);  // size, colours, planes, depth
    put(40 + pixels, 4), put(22, 4);
  } else {
    b.push_back('B'), b.push_back('M');
    put(54 + pixels, 4), put(0, 4), put(54, 4);
  }
  put(40, 4), put(w, 4), put(icon ? 2 * h : h, 4), put(1, 2), put(bpp, 2);
  for (int i = 0; i < 6; ++i) put(0, 4);
  for (std::uint32_t i = 0; i < pixels; ++i) b.push_back(i < std::uint32_t(stride * h) ? 0x80 : 0);
  return b;
}

TEST_F(SdlPlatform, ClassIconBecomesTheWindowIcon) {
  brevra::test::TempDir dir{"sdl-icons"};
  const std::string ico = dir.Write("app.ico", IconOrBmp(true, 24, 24));
  const std::string bmp = dir.Write("app.bmp", IconOrBmp(false, 16, 20));
  struct Case {
    const char* title;
    HICON icon;
    const char* size;  // in xprop's words, or "" for no icon
  };
  const Case cases[] = {{"App icon", LoadIcon(0, IDI_APPLICATION), "Icon (32 x 32)"},
                        {"Icon file", LoadCursorFromFile(ico.c_str()), "Icon (24 x 24)"},
                        {"Bitmap file", LoadCursorFromFile(bmp.c_str()), "Icon (16 x 20)"},
                        {"No icon", 0, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    WNDCLASS wc;
    wc.lpfnWndProc = Proc;
    wc.hIcon = c.icon;
    wc.lpszClassName = c.title;
    RegisterClass(&wc);
    HWND h = CreateWindowEx(0, c.title, c.title, kCaptioned, 0, 0, 200, 100, 0, 0, 0, nullptr);
    const std::string id = XId(c.title);
    ASSERT_FALSE(id.empty());
    const std::string icon = Shell("xprop -id " + id + " _NET_WM_ICON");
    if (c.size[0] != '\0') {
      EXPECT_NE(icon.find(c.size), std::string::npos) << icon;
    } else {
      EXPECT_NE(icon.find("not found"), std::string::npos) << icon;
    }
    DestroyWindow(h);
  }
}

// Records the client size of the WM_SIZE sent while a window is created.
std::int32_t g_createdWidth = 0, g_createdHeight = 0;
LRESULT SizeProc(HWND h, std::int32_t m, WPARAM w, LPARAM l) {
  if (m == WM_SIZE && g_createdWidth == 0) {
    g_createdWidth = l & 0xFFFF;
    g_createdHeight = (l >> 16) & 0xFFFF;
  }
  return DefWindowProc(h, m, w, l);
}

TEST_F(SdlPlatform, UnderAWindowManagerTheFrameIsInsideTheOuterSize) {
  if (Shell("command -v openbox").empty()) GTEST_SKIP() << "openbox is not installed";
  const pid_t wm = ::fork();
  if (wm == 0) {
    ::execlp("openbox", "openbox", "--sm-disable", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  for (int i = 0; i < 100 && Shell("xprop -root _NET_SUPPORTING_WM_CHECK").find("window id") ==
                                 std::string::npos;
       ++i) {
    std::this_thread::sleep_for(50ms);
  }
  WNDCLASS wc;
  wc.lpfnWndProc = SizeProc;
  wc.lpszClassName = "Framed";
  RegisterClass(&wc);
  g_createdWidth = g_createdHeight = 0;
  HWND h = CreateWindowEx(0, "Framed", "Framed", kCaptioned, CW_USEDEFAULT, CW_USEDEFAULT, 800, 600,
                          0, 0, GetModuleHandle(nullptr), nullptr);
  ASSERT_NE(h, 0u);
  // The size told during creation is already the client area the frame leaves.
  RECT client;
  GetClientRect(h, &client);
  EXPECT_LT(g_createdWidth, 800);
  EXPECT_LT(g_createdHeight, 600);
  EXPECT_EQ(g_createdWidth, client.right);
  EXPECT_EQ(g_createdHeight, client.bottom);
  RECT outer;
  GetWindowRect(h, &outer);
  EXPECT_EQ(outer.left, 0);
  EXPECT_EQ(outer.top, 0);
  EXPECT_EQ(outer.right, 800);
  EXPECT_EQ(outer.bottom, 600);
  // On the server: the window manager's frame is 800 x 600 at the origin, the client inside.
  const std::string id = XId("Framed");
  ASSERT_FALSE(id.empty());
  const std::string frame = Shell("xwininfo -children -id " + id +
                                  " | sed -n 's/^ *Parent window id: \\(0x[0-9a-f]*\\).*/\\1/p'");
  Pump();
  EXPECT_EQ(Geometry(frame, "Absolute upper-left X"), 0);
  EXPECT_EQ(Geometry(frame, "Absolute upper-left Y"), 0);
  EXPECT_EQ(Geometry(frame, "Width"), 800);
  EXPECT_EQ(Geometry(frame, "Height"), 600);
  EXPECT_EQ(Geometry(id, "Width"), client.right);
  EXPECT_EQ(Geometry(id, "Height"), client.bottom);
  POINT origin{0, 0};
  ClientToScreen(h, &origin);
  EXPECT_EQ(Geometry(id, "Absolute upper-left X"), origin.x);
  EXPECT_EQ(Geometry(id, "Absolute upper-left Y"), origin.y);
  // Moved by the program: the frame goes where the outer rectangle says.
  MoveWindow(h, 100, 50, 800, 600, true);
  Pump(500ms);
  EXPECT_EQ(Geometry(frame, "Absolute upper-left X"), 100);
  EXPECT_EQ(Geometry(frame, "Absolute upper-left Y"), 50);
  GetWindowRect(h, &outer);
  EXPECT_EQ(outer.left, 100);
  EXPECT_EQ(outer.top, 50);
  DestroyWindow(h);
  ::kill(wm, SIGTERM);
  ::waitpid(wm, nullptr, 0);
}

TEST_F(SdlPlatform, MessageBoxAnswersReturnAndEscape) {
  struct Case {
    const char* key;
    UINT type;
    std::int32_t answer;
  };
  const Case cases[] = {{"Return", MB_YESNO | MB_ICONQUESTION, IDYES},
                        {"Escape", MB_YESNO | MB_ICONQUESTION, IDNO},
                        {"Escape", MB_OK, IDOK}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    std::thread answer([&] {
      std::string id;
      for (int i = 0; i < 100 && id.empty(); ++i) {
        std::this_thread::sleep_for(100ms);
        id = WindowNamed("Video!");
      }
      Shell("xdotool windowfocus --sync " + id + " && xdotool key " + c.key);
    });
    EXPECT_EQ(MessageBox(0, "Settare lo schermo intero?  ", "Video!", c.type), c.answer);
    answer.join();
  }
}

// Runs last in the program (it changes the environment): without a display the real-window
// backend does not start, and calls that need it fail quietly instead of showing nothing.
TEST(SdlWithoutDisplay, InitFailsAndCallsFailQuietly) {
  Shutdown();
  ::unsetenv("DISPLAY");
  ::unsetenv("WAYLAND_DISPLAY");
  ::unsetenv("SDL_VIDEODRIVER");
  EXPECT_FALSE(Init(Backend::Sdl));
  EXPECT_FALSE(IsInitialized());
  EXPECT_EQ(MessageBox(0, "Settare lo schermo intero?  ", "Video!", MB_YESNO), 0);
  WNDCLASS wc;
  wc.lpfnWndProc = Proc;
  wc.lpszClassName = "GLWindow";
  RegisterClass(&wc);
  EXPECT_EQ(CreateWindowEx(0, "GLWindow", "x", kCaptioned, 0, 0, 100, 100, 0, 0, 0, nullptr), 0u);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 0);
}

}  // namespace
}  // namespace brevra::platform
