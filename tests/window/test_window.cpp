// Window module: the main window's life cycle, the window procedure and input state, the
// message-pump step, projection and the mouse camera, on the headless platform with real OpenGL.
//
// The library keeps one main window per process and its class can be registered only once, so:
//  - LifeCycle tests each run their scenario in a fresh child process (a death test in the
//    re-executing style) and report through the exit code and stderr;
//  - every other suite shares one main window, created on first use, and resets the input state
//    between tests.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "brevra/geometry/vertex.h"
#include "brevra/platform/headless.h"
#include "brevra/platform/platform.h"
#include "brevra/window/camera.h"
#include "brevra/window/input.h"
#include "brevra/window/window.h"
#include "tests/support/child_checks.h"
#include "tests/support/glrecord.h"

namespace {

namespace pf = brevra::platform;
namespace hl = brevra::platform::headless;
using namespace brevra;

constexpr const char* kTitle = "Fogliame generico";
constexpr std::int32_t kScreenW = 1280;
constexpr std::int32_t kScreenH = 1024;

// Handles every waiting message, one SetGLMsg per message (bounded, the pump never waits).
int Pump() {
  pf::MSG msg;
  int handled = 0;
  while (handled < 1000 && pf::PeekMessage(&msg, 0, 0, 0, pf::PM_NOREMOVE)) {
    SetGLMsg();
    ++handled;
  }
  return handled;
}

std::string WindowText(pf::HWND hwnd) {
  char buffer[256] = {};
  pf::GetWindowText(hwnd, buffer, sizeof buffer);
  return buffer;
}

pf::RECT WindowRect(pf::HWND hwnd) {
  pf::RECT r;
  pf::GetWindowRect(hwnd, &r);
  return r;
}

pf::RECT ClientRect(pf::HWND hwnd) {
  pf::RECT r;
  pf::GetClientRect(hwnd, &r);
  return r;
}

std::vector<float> GetMatrix(GLenum which) {
  std::vector<float> m(16);
  glGetFloatv(which, m.data());
  return m;
}

std::vector<int> GetViewport() {
  std::vector<int> v(4);
  glGetIntegerv(GL_VIEWPORT, v.data());
  return v;
}

void ExpectMatrixNear(const std::vector<float>& actual, const std::vector<double>& expected,
                      const char* what) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_NEAR(actual[i], expected[i], 1e-5) << what << " element " << i;
  }
}

const std::vector<double> kIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// ---------------------------------------------------------------------------------------------
// Scenarios in a fresh process
// ---------------------------------------------------------------------------------------------
// Starts the headless platform with every box answered OK and printed on stderr.
void StartHeadless() {
  REQUIRE(pf::Init(pf::Backend::Headless));
  hl::SetScreenSize(kScreenW, kScreenH);
  hl::SetMessageBoxResponder([](const hl::MessageBoxCall& box) {
    std::fprintf(stderr, "box caption=%s text=%s type=%u\n", box.caption.c_str(), box.text.c_str(),
                 box.type);
    std::fflush(stderr);
    return pf::IDOK;
  });
}

[[noreturn]] void ScenarioDone() {
  std::fprintf(stderr, "scenario ok\n");
  std::fflush(stderr);
  std::exit(0);
}

TEST(LifeCycleDeathTest, ModuleStateStartsAtItsInitialValues) {
  EXPECT_EXIT(
      {
        REQUIRE(HWindow == 0 && DCWindow == 0 && RCWindow == 0 && SetTitleName == nullptr);
        REQUIRE(Width == 0 && Height == 0 && Bits == 0 && !FullScreen && !Active);
        REQUIRE(PIXEL_FORMAT_FLAGS == 0 && CREATE_WINDOW_FLAGS == 0);
        REQUIRE(SetTypeCursor == 0 && CursorFile == nullptr);
        REQUIRE(SetTypeIcon == 0 && IconFile == nullptr);
        REQUIRE(CreateMenuBar == nullptr && !ShowMenuBar && !ShowStatusBar);
        REQUIRE(HStatus == 0 && AWnd == 0 && MaxStatusItem == 0 && BrvVersion == "1.0");
        for (char c : FileName) REQUIRE(c == 0);
        for (int i = 1; i <= 20; ++i) REQUIRE(StatusItem[i] == 0 && Edges[i] == 0);
        REQUIRE(WindowClassEx.cbSize == 0 && WindowClassEx.lpfnWndProc == nullptr);
        for (int k = 0; k <= 500; ++k) REQUIRE(SetKey[k] == 0);
        REQUIRE(!LeftMouseDown && !LeftMouseDown2 && !RightMouseDown && !RightMouseDown2);
        REQUIRE(!MouseFree && SetMX == 0 && SetMY == 0 && SetOMX == 0 && SetOMY == 0);
        REQUIRE(XCoord == 0 && YCoord == 0 && ZCoord == 0 && MPos.X == 0 && MPos.Y == 0);
        REQUIRE(MSpeed == 0 && XRot == 0 && YRot == 0 && XRot2 == 0 && YRot2 == 0);
        REQUIRE(Depth == 0 && Depth2 == 0);
        REQUIRE(FPSCount == 0 && FPSCountStr.empty() && ForceFPS == 1 && AddForceFPS == 0);
        REQUIRE(AddIntervalFPS == 5000 && !ViewFPS);
        REQUIRE(CreateMouseMenu == nullptr && GetInputCommand == nullptr);
        REQUIRE(MY.X == 0 && MY.Y == 0 && MY.Z == 0 && OffX == 0 && OffY == 0);
        ScenarioDone();
      },
      ::testing::ExitedWithCode(0), "scenario ok");
}

// The demo's window: captioned, 800 x 600 outside at the screen's origin; then a second
// CreateOGLWindow ends the process with the registration message and exit code 0.
TEST(LifeCycleDeathTest, CaptionedWindowThenSecondCreationEndsTheProcess) {
  EXPECT_EXIT(
      {
        StartHeadless();
        const char* empty = "";
        OGLWindowSetting(ARROW, empty, GENERIC, empty);
        REQUIRE(CursorFile == empty && IconFile == empty);  // the pointers, not copies
        REQUIRE(CreateOGLWindow(kTitle, 800, 600, 32, false));
        REQUIRE(Active && HWindow != 0 && DCWindow != 0 && RCWindow != 0);
        REQUIRE(SetTitleName == kTitle && Bits == 32 && !FullScreen);
        REQUIRE(pf::wglGetCurrentContext() == RCWindow);
        REQUIRE(glGetString(GL_VERSION) != nullptr);
        const pf::RECT outer = WindowRect(HWindow);
        REQUIRE(outer.left == 0 && outer.top == 0 && outer.right == 800 && outer.bottom == 600);
        const pf::RECT client = ClientRect(HWindow);
        REQUIRE(Width == client.right && Height == client.bottom);  // the client size
        REQUIRE(Width > 0 && Width <= 800 && Height > 0 && Height < 600);
        REQUIRE(pf::GetWindowStyle(HWindow) == 0x96CA0000u);
        REQUIRE(pf::IsWindowVisible(HWindow) && WindowText(HWindow) == kTitle);
        REQUIRE(hl::CursorId(hl::ClassCursor(HWindow)) == pf::IDC_ARROW);
        REQUIRE(hl::ClassIcon(HWindow) != 0);
        REQUIRE(HStatus == 0);  // no status bar asked for
        CreateOGLWindow("Again", 640, 480, 32, false);
        std::fprintf(stderr, "the second CreateOGLWindow returned\n");
        std::_Exit(3);
      },
      ::testing::ExitedWithCode(0),
      "box caption=Error text=Errore di registro per la rispettiva applicazione! type=0");
}

// Full screen: the screen's size from its origin, whatever size was asked for, without
// CREATE_WINDOW_FLAGS; DeleteOGLWindow then takes the window down.
TEST(LifeCycleDeathTest, FullScreenWindowCoversTheScreen) {
  EXPECT_EXIT(
      {
        StartHeadless();
        CREATE_WINDOW_FLAGS = static_cast<std::int32_t>(pf::WS_MAXIMIZEBOX);
        OGLWindowSetting(CROSS, "", GENERIC, "");
        REQUIRE(CreateOGLWindow(kTitle, 800, 600, 32, true));
        REQUIRE(FullScreen && Active);
        const pf::RECT outer = WindowRect(HWindow);
        REQUIRE(outer.left == 0 && outer.top == 0);
        REQUIRE(outer.right == kScreenW && outer.bottom == kScreenH);
        const pf::RECT client = ClientRect(HWindow);
        REQUIRE(Width == client.right && Height == client.bottom && Width > 800);
        REQUIRE(pf::GetWindowStyle(HWindow) == 0x96880000u);
        REQUIRE(hl::CursorId(hl::ClassCursor(HWindow)) == pf::IDC_CROSS);
        const pf::HWND window = HWindow;
        DeleteOGLWindow();
        REQUIRE(!pf::IsWindow(window) && !Active);
        REQUIRE(HWindow == window && DCWindow != 0 && RCWindow != 0);  // stale values kept
        REQUIRE(pf::wglGetCurrentContext() == 0);
        ScenarioDone();
      },
      ::testing::ExitedWithCode(0), "scenario ok");
}

pf::LRESULT ForeignButtonProc(pf::HWND hwnd, std::int32_t msg, pf::WPARAM wp, pf::LPARAM lp) {
  return pf::DefWindowProc(hwnd, msg, wp, lp);
}
int g_menuBarCalls = 0;
pf::HWND g_windowSeenByMenuBar = 0;

// "IMAGEBUTTON" registered before is left as it is; no cursor or icon choice gives none; the
// menu-bar hook runs once after the window exists; the status bar is created with its parts.
TEST(LifeCycleDeathTest, HooksStatusBarAndAnExistingImageButtonClass) {
  EXPECT_EXIT(
      {
        StartHeadless();
        pf::WNDCLASSEX foreign{};
        foreign.cbSize = 48;
        foreign.lpfnWndProc = ForeignButtonProc;
        foreign.lpszClassName = "IMAGEBUTTON";
        REQUIRE(pf::RegisterClassEx(&foreign) != 0);
        ShowMenuBar = true;
        CreateMenuBar = [] {
          ++g_menuBarCalls;
          g_windowSeenByMenuBar = HWindow;
        };
        ShowStatusBar = true;
        MaxStatusItem = 2;
        StatusItem[1] = 120;
        StatusItem[2] = -1;
        REQUIRE(CreateOGLWindow(kTitle, 800, 600, 32, false));  // OGLWindowSetting not called
        REQUIRE(g_menuBarCalls == 1 && g_windowSeenByMenuBar == HWindow && HWindow != 0);
        REQUIRE(WindowClassEx.lpfnWndProc == ForeignButtonProc);
        pf::WNDCLASSEX now{};
        REQUIRE(pf::GetClassInfoEx(0, "IMAGEBUTTON", &now) && now.lpfnWndProc == ForeignButtonProc);
        REQUIRE(hl::ClassCursor(HWindow) == 0 && hl::ClassIcon(HWindow) == 0);
        REQUIRE(HStatus != 0 && AWnd == HStatus && pf::GetParent(HStatus) == HWindow);
        REQUIRE(pf::GetDlgCtrlID(HStatus) == 30482);
        REQUIRE(pf::StatusText(HStatus) == "Percorso file");
        REQUIRE(pf::StatusParts(HStatus) == (std::vector<std::int32_t>{120, -1}));
        REQUIRE(Edges[1] == 120 && Edges[2] == -1 && Edges[3] == 0);
        ScenarioDone();
      },
      ::testing::ExitedWithCode(0), "scenario ok");
}

// Escape ends the frame loop: Active goes false and a quit message is posted at once, the key
// table keeps 27 released, and the window stays until DeleteOGLWindow.
TEST(LifeCycleDeathTest, EscapeThenDeleteOGLWindow) {
  EXPECT_EXIT(
      {
        StartHeadless();
        OGLWindowSetting(ARROW, "", GENERIC, "");
        REQUIRE(CreateOGLWindow(kTitle, 800, 600, 32, false));
        Pump();
        hl::InjectKey(pf::VK_ESCAPE, true);
        SetGLMsg();
        REQUIRE(!Active && SetKey[27] == 0 && pf::IsWindow(HWindow));
        bool quit = false;
        pf::MSG msg;
        while (pf::PeekMessage(&msg, 0, 0, 0, pf::PM_REMOVE))
          quit = quit || msg.message == pf::WM_QUIT;
        REQUIRE(quit);
        hl::InjectKey(pf::VK_ESCAPE, false);
        Pump();
        REQUIRE(SetKey[27] == 0 && pf::IsWindow(HWindow));
        const pf::HWND window = HWindow;
        Active = true;  // DestroyWindow delivers WM_DESTROY again
        DeleteOGLWindow();
        REQUIRE(!pf::IsWindow(window) && !Active);
        ScenarioDone();
      },
      ::testing::ExitedWithCode(0), "scenario ok");
}

// The window system ends the window (its close button, or destroying it at once): the frame in
// progress still clears, pumps and swaps harmlessly, then the loop ends and the release is quiet.
void RunUntilInactive(int maxFrames) {
  int frames = 0;
  do {
    glClear(GL_COLOR_BUFFER_BIT);
    SetGLMsg();
    pf::SwapBuffers(DCWindow);
  } while (Active && ++frames < maxFrames);
}

TEST(LifeCycleDeathTest, CloseRequestDestroysTheWindow) {
  EXPECT_EXIT(
      {
        StartHeadless();
        OGLWindowSetting(ARROW, "", GENERIC, "");
        REQUIRE(CreateOGLWindow(kTitle, 800, 600, 32, false));
        Pump();
        const std::uint64_t swaps = hl::TotalSwapCount();
        hl::InjectCloseRequest(HWindow);
        RunUntilInactive(50);
        REQUIRE(!Active && !pf::IsWindow(HWindow));
        REQUIRE(hl::TotalSwapCount() >= swaps);
        REQUIRE(!pf::SwapBuffers(DCWindow));
        DeleteOGLWindow();
        ScenarioDone();
      },
      ::testing::ExitedWithCode(0), "scenario ok");
}

TEST(LifeCycleDeathTest, SystemDestroyEndsTheLoop) {
  EXPECT_EXIT(
      {
        StartHeadless();
        OGLWindowSetting(ARROW, "", GENERIC, "");
        REQUIRE(CreateOGLWindow(kTitle, 800, 600, 32, false));
        hl::InjectSystemDestroy(HWindow);
        RunUntilInactive(50);
        REQUIRE(!Active && !pf::IsWindow(HWindow));
        DeleteOGLWindow();
        ScenarioDone();
      },
      ::testing::ExitedWithCode(0), "scenario ok");
}

TEST(LifeCycleDeathTest, ThrowErrorShowsTheMessageAndExitsZero) {
  EXPECT_EXIT(
      {
        StartHeadless();
        ThrowError("la rispettiva applicazione non \xE8 stata inizilizata!");
      },
      ::testing::ExitedWithCode(0),
      "box caption=Error text=la rispettiva applicazione non .* stata inizilizata! type=0");
}

// ---------------------------------------------------------------------------------------------
// The shared main window
// ---------------------------------------------------------------------------------------------
class MainWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (HWindow != 0) return;
    ASSERT_TRUE(pf::Init(pf::Backend::Headless));
    hl::SetScreenSize(kScreenW, kScreenH);
    hl::AnswerMessageBoxes(pf::IDOK);
    OGLWindowSetting(ARROW, "", GENERIC, "");
    ASSERT_TRUE(CreateOGLWindow(kTitle, 800, 600, 32, false));
  }

  void SetUp() override {
    ASSERT_NE(HWindow, 0u);
    ASSERT_TRUE(Active);
    Pump();
    ResetInput();
    const pf::RECT client = ClientRect(HWindow);
    GLResizeWindow(client.right, client.bottom);
    while (glGetError() != GL_NO_ERROR) {
    }
  }

  void TearDown() override {
    hl::InjectMouseButton(0, false);
    hl::InjectMouseButton(1, false);
    Pump();
    ResetInput();
  }

  static void ResetInput() {
    SetKey.fill(0);
    LeftMouseDown = LeftMouseDown2 = RightMouseDown = RightMouseDown2 = MouseFree = false;
    SetMX = SetMY = SetOMX = SetOMY = XCoord = YCoord = ZCoord = MSpeed = 0;
    XRot = YRot = XRot2 = YRot2 = Depth = Depth2 = 0;
    FPSCount = 0;
    ForceFPS = 1;
    AddForceFPS = 0;
    AddIntervalFPS = 5000;
    ViewFPS = false;
    ShowMenuBar = false;
    CreateMouseMenu = nullptr;
    GetInputCommand = nullptr;
  }

  // The screen point of a client point of the main window.
  static pf::POINT Screen(std::int32_t x, std::int32_t y) {
    pf::POINT p{x, y};
    pf::ClientToScreen(HWindow, &p);
    return p;
  }
  static void MoveTo(std::int32_t x, std::int32_t y) {
    const pf::POINT p = Screen(x, y);
    hl::InjectMouseMove(p.x, p.y);
    Pump();
  }
};

// ---- class records, styles, cursor and icon tables, pixel format ----
TEST_F(MainWindow, ClassRecordsAndStyle) {
  pf::WNDCLASSEX gl{};
  ASSERT_TRUE(pf::GetClassInfoEx(0, "GLWindow", &gl));
  EXPECT_EQ(gl.style, 3u);
  EXPECT_EQ(gl.lpfnWndProc, GLWndProc);
  EXPECT_EQ(gl.cbClsExtra, 0);
  EXPECT_EQ(gl.cbWndExtra, 0);
  EXPECT_EQ(gl.hInstance, pf::GetModuleHandle(nullptr));
  EXPECT_EQ(gl.hbrBackground, pf::GetSysColorBrush(pf::COLOR_BTNFACE));
  EXPECT_EQ(gl.lpszMenuName, nullptr);
  EXPECT_EQ(hl::CursorId(gl.hCursor), pf::IDC_ARROW);
  EXPECT_NE(gl.hIcon, 0u);

  pf::WNDCLASSEX ib{};
  ASSERT_TRUE(pf::GetClassInfoEx(0, "IMAGEBUTTON", &ib));
  for (const pf::WNDCLASSEX* rec : {&ib, &WindowClassEx}) {
    EXPECT_EQ(rec->cbSize, 48u);
    EXPECT_EQ(rec->style, 0u);
    EXPECT_EQ(rec->lpfnWndProc, IMAGEBUTTON_PROC);
    EXPECT_EQ(rec->hInstance, pf::GetModuleHandle(nullptr));
    EXPECT_EQ(hl::CursorId(rec->hCursor), pf::IDC_ARROW);
    EXPECT_NE(rec->hIcon, 0u);
    EXPECT_NE(rec->hIconSm, 0u);
    EXPECT_EQ(rec->hbrBackground, pf::GetStockObject(pf::NULL_BRUSH));
    EXPECT_EQ(rec->lpszMenuName, nullptr);
    EXPECT_STREQ(rec->lpszClassName, "IMAGEBUTTON");
  }
  EXPECT_EQ(pf::GetWindowStyle(HWindow), 0x96CA0000u);
  EXPECT_EQ(pf::GetWindowProc(HWindow), GLWndProc);
}

TEST_F(MainWindow, CursorAndIconTables) {
  const struct {
    std::int32_t choice;
    std::int32_t id;
  } cursors[] = {{ARROW, 32512},   {IBEAM, 32513},       {WAIT, 32514},     {CROSS, 32515},
                 {UPARROW, 32516}, {SIZE, 32640},        {SIZENWSE, 32642}, {SIZENESW, 32643},
                 {SIZEWE, 32644},  {SIZENS, 32645},      {SIZEALL, 32646},  {NOCURSOR, 32648},
                 {HAND, 32649},    {APPSTARTING, 32650}, {HELP, 32651}};
  for (const auto& c : cursors) {
    EXPECT_EQ(hl::CursorId(SelectCursor(c.choice)), c.id) << "cursor choice " << c.choice;
  }
  for (std::int32_t outside : {0, 17, -1}) EXPECT_EQ(SelectCursor(outside), 0u) << outside;
  for (const char* file : {"", "no-such-cursor.cur", static_cast<const char*>(nullptr)}) {
    CursorFile = file;
    IconFile = file;
    EXPECT_EQ(SelectCursor(FILECURSOR), 0u) << (file ? file : "(null)");
    EXPECT_EQ(SelectIcon(FILEICON), 0u) << (file ? file : "(null)");
  }
  EXPECT_NE(SelectIcon(GENERIC), 0u);
  for (std::int32_t outside : {0, 3}) EXPECT_EQ(SelectIcon(outside), 0u) << outside;
}

TEST_F(MainWindow, PixelFormatRequestFieldByField) {
  const struct {
    std::int32_t bits, extraFlags;
    std::uint8_t stored;
    std::uint32_t flags;
  } cases[] = {{32, 0, 32, 0x1065},
               {16, static_cast<std::int32_t>(pf::PFD_STEREO), 16, 0x1067},
               {0, 0, 0, 0x1065},
               {300, 0, 255, 0x1065},
               {-5, 0, 0, 0x1065}};
  const std::int32_t savedBits = Bits, savedFlags = PIXEL_FORMAT_FLAGS;
  for (const auto& c : cases) {
    Bits = c.bits;
    PIXEL_FORMAT_FLAGS = c.extraFlags;
    const pf::PIXELFORMATDESCRIPTOR pfd = PixelFormatRequest();
    std::uint8_t expected[40] = {};
    expected[0] = 40;  // nSize
    expected[2] = 1;   // nVersion
    std::memcpy(expected + 4, &c.flags, 4);
    for (int at : {9, 16, 18, 23, 24, 25}) expected[at] = c.stored;  // colour .. aux buffers
    expected[26] = 1;                                                // iLayerType
    EXPECT_EQ(std::memcmp(&pfd, expected, 40), 0) << "Bits " << c.bits;
    EXPECT_EQ(pfd.cColorBits, c.stored);
    EXPECT_EQ(pfd.cAuxBuffers, c.stored);
    EXPECT_EQ(pfd.dwFlags, c.flags);
  }
  Bits = savedBits;
  PIXEL_FORMAT_FLAGS = savedFlags;

  // What the demo's request got: a double-buffered RGBA format with a depth buffer.
  const std::int32_t format = pf::GetPixelFormat(DCWindow);
  ASSERT_GT(format, 0);
  pf::PIXELFORMATDESCRIPTOR got{};
  pf::DescribePixelFormat(DCWindow, format, sizeof got, &got);
  EXPECT_TRUE(got.dwFlags & pf::PFD_DOUBLEBUFFER);
  EXPECT_EQ(got.iPixelType, pf::PFD_TYPE_RGBA);
  EXPECT_GT(got.cDepthBits, 0);
}

TEST_F(MainWindow, OGLWindowSettingStoresThePointersAndResetsTheRecorderFlags) {
  static const char* const cursorFile = "a.cur";
  static const char* const iconFile = "b.ico";
  GLVert3FRemove = GLVert3FEnableEdit = true;
  MouseFree = true;
  pf::SetCursorPos(5, 5);
  OGLWindowSetting(HAND, cursorFile, FILEICON, iconFile);
  EXPECT_EQ(SetTypeCursor, HAND);
  EXPECT_EQ(CursorFile, cursorFile);
  EXPECT_EQ(SetTypeIcon, FILEICON);
  EXPECT_EQ(IconFile, iconFile);
  EXPECT_FALSE(GLVert3FRemove);
  EXPECT_FALSE(GLVert3FEnableEdit);
  pf::POINT cursor;
  pf::GetCursorPos(&cursor);
  EXPECT_EQ(cursor.x, Width / 2);
  EXPECT_EQ(cursor.y, Height / 2);
  OGLWindowSetting(ARROW, "", GENERIC, "");
}

TEST_F(MainWindow, StatusBarTextAndParts) {
  const struct {
    std::int32_t count;
    std::size_t parts;  // parts the status window then has
  } cases[] = {{0, 0}, {2, 2}, {25, 20}};
  for (int i = 1; i <= 20; ++i) StatusItem[i] = 30 * i;
  const pf::HWND savedStatus = HStatus;
  for (const auto& c : cases) {
    FileName.fill('x');
    MaxStatusItem = c.count;
    const pf::HWND bar = CreateStatusBar(HWindow);
    ASSERT_NE(bar, 0u) << c.count;
    EXPECT_EQ(AWnd, bar);
    EXPECT_EQ(HStatus, savedStatus);  // only CreateOGLWindow keeps it
    EXPECT_EQ(pf::GetParent(bar), HWindow);
    EXPECT_EQ(pf::GetDlgCtrlID(bar), 30482);
    EXPECT_EQ(pf::GetWindowStyle(bar) & 0x50000000u, 0x50000000u);
    EXPECT_EQ(pf::StatusText(bar), "Percorso file");
    EXPECT_EQ(std::string(FileName.data()), "Percorso file");
    for (int k = 13; k <= 260; ++k) ASSERT_EQ(FileName[k], 0) << k;
    const std::vector<std::int32_t> parts = pf::StatusParts(bar);
    EXPECT_EQ(parts.size(), c.parts) << c.count;
    for (std::size_t k = 0; k < parts.size() && c.count > 0; ++k) {
      EXPECT_EQ(parts[k], StatusItem[static_cast<int>(k) + 1]);
      EXPECT_EQ(Edges[static_cast<int>(k) + 1], StatusItem[static_cast<int>(k) + 1]);
    }
    pf::DestroyWindow(bar);
  }
  MaxStatusItem = 0;
  StatusItem.fill(0);
  EXPECT_THROW(StatusItem[21], std::out_of_range);
}

// ---- the message pump ----
TEST_F(MainWindow, PumpHandlesOneMessagePerCallInQueueOrderAndNeverWaits) {
  const std::int32_t w = Width, h = Height;
  SetGLMsg();  // an empty queue: returns at once
  for (std::int32_t size : {100, 200, 300}) {
    pf::PostMessage(HWindow, pf::WM_SIZE, 0, (size << 16) | (size + 1));
  }
  for (std::int32_t size : {100, 200, 300}) {
    SetGLMsg();
    EXPECT_EQ(Width, size + 1);
    EXPECT_EQ(Height, size);
  }
  pf::MSG msg;
  EXPECT_FALSE(pf::PeekMessage(&msg, 0, 0, 0, pf::PM_NOREMOVE));
  SetGLMsg();
  // A quit message is taken and dispatched like any other; it changes nothing.
  pf::PostQuitMessage(0);
  SetGLMsg();
  EXPECT_TRUE(Active);
  EXPECT_FALSE(pf::PeekMessage(&msg, 0, 0, 0, pf::PM_NOREMOVE));
  GLResizeWindow(w, h);
}

TEST_F(MainWindow, EscapeEndsTheLoopButKeepsTheWindow) {
  hl::InjectKey(pf::VK_ESCAPE, true);
  SetGLMsg();
  EXPECT_FALSE(Active);
  EXPECT_EQ(SetKey[27], 0);
  EXPECT_TRUE(pf::IsWindow(HWindow));
  bool quit = false;
  pf::MSG msg;
  while (pf::PeekMessage(&msg, 0, 0, 0, pf::PM_REMOVE)) quit = quit || msg.message == pf::WM_QUIT;
  EXPECT_TRUE(quit);
  hl::InjectKey(pf::VK_ESCAPE, false);
  Pump();
  EXPECT_EQ(SetKey[27], 0);
  Active = true;  // the shared window carries on
}

// ---- keys ----
TEST_F(MainWindow, KeyTableHoldsMinusOneWhilePressedWithAutoRepeat) {
  for (std::int32_t key :
       {std::int32_t{'A'}, std::int32_t{'7'}, pf::VK_LEFT, pf::VK_F1, pf::VK_SPACE, pf::VK_SHIFT}) {
    hl::InjectKey(key, true);
    Pump();
    EXPECT_EQ(SetKey[key], -1) << key;
    SetKey[key] = 0;  // every auto-repeat writes the entry again
    hl::InjectKey(key, true, true);
    Pump();
    EXPECT_EQ(SetKey[key], -1) << key;
    MouseFree = true;
    hl::InjectKey(key, false);
    Pump();
    EXPECT_EQ(SetKey[key], 0) << key;
    EXPECT_FALSE(MouseFree) << key;
  }
  // Codes beyond the table are ignored; the table itself checks its range.
  EXPECT_NO_THROW(pf::SendMessage(HWindow, pf::WM_KEYDOWN, 600, 0));
  EXPECT_NO_THROW(pf::SendMessage(HWindow, pf::WM_KEYUP, -1, 0));
  EXPECT_THROW(SetKey[501], std::out_of_range);
}

// ---- mouse ----
TEST_F(MainWindow, ButtonsSetAnchorsAndCapture) {
  MoveTo(30, 40);
  hl::InjectMouseButton(0, true);
  Pump();
  EXPECT_TRUE(LeftMouseDown && LeftMouseDown2);
  EXPECT_EQ(SetMX, 30);
  EXPECT_EQ(SetMY, 40);
  EXPECT_EQ(XCoord, 30);
  EXPECT_EQ(YCoord, 40);
  EXPECT_EQ(pf::GetCapture(), HWindow);
  hl::InjectMouseButton(0, false);
  Pump();
  EXPECT_FALSE(LeftMouseDown || LeftMouseDown2);
  EXPECT_EQ(SetMX + SetMY + XCoord + YCoord, 0);
  EXPECT_EQ(pf::GetCapture(), 0u);

  MoveTo(50, 60);
  hl::InjectMouseButton(1, true);
  Pump();
  EXPECT_TRUE(RightMouseDown && RightMouseDown2);
  EXPECT_EQ(ZCoord, 60);
  hl::InjectMouseButton(1, false);
  Pump();
  EXPECT_FALSE(RightMouseDown || RightMouseDown2);
  EXPECT_EQ(ZCoord, 60);  // the right anchor stays
}

struct Drag {
  const char* name;
  bool left, right;
  std::int32_t speed;
  std::int32_t fromX, fromY, toX, toY;
  float xRot, yRot, depth;
};

TEST_F(MainWindow, DragsTurnAndMoveTheCamera) {
  const Drag drags[] = {
      {"left, 1 degree per pixel", true, false, 2, 100, 100, 110, 130, 30, 10, 0},
      {"left, odd pixels", true, false, 1, 100, 100, 101, 103, 1.5f, 0.5f, 0},
      {"right down moves nearer", false, true, 2, 100, 100, 100, 150, 0, 0, -10},
      {"right up moves away", false, true, 2, 100, 100, 140, 50, 0, 0, 10},
      {"both together", true, true, 2, 100, 100, 120, 140, 40, 20, -8},
      {"speed 0 moves only the anchors", true, true, 0, 100, 100, 150, 170, 0, 0, 0},
      {"left leaves the window", true, false, 2, 10, 10, -5, -20, -30, -15, 0},
      {"right leaves above", false, true, 2, 10, 10, 10, -40, 0, 0, 10},
  };
  for (const Drag& d : drags) {
    SCOPED_TRACE(d.name);
    ResetInput();
    MSpeed = d.speed;
    MoveTo(d.fromX, d.fromY);
    if (d.left) hl::InjectMouseButton(0, true);
    if (d.right) hl::InjectMouseButton(1, true);
    Pump();
    MoveTo(d.toX, d.toY);
    EXPECT_EQ(SetOMX, d.toX);
    EXPECT_EQ(SetOMY, d.toY);
    EXPECT_FLOAT_EQ(XRot, d.xRot);
    EXPECT_FLOAT_EQ(YRot, d.yRot);
    EXPECT_FLOAT_EQ(XRot2, d.xRot);
    EXPECT_FLOAT_EQ(YRot2, d.yRot);
    EXPECT_FLOAT_EQ(Depth, d.depth);
    EXPECT_FLOAT_EQ(Depth2, d.depth);
    if (d.left) {
      EXPECT_EQ(XCoord, d.toX);
      EXPECT_EQ(YCoord, d.toY);
    }
    if (d.right) {
      EXPECT_EQ(ZCoord, d.toY);
    }
    hl::InjectMouseButton(0, false);
    hl::InjectMouseButton(1, false);
    Pump();
  }
}

TEST_F(MainWindow, MovesWithoutButtonsOnlyTrackThePosition) {
  MSpeed = 2;
  MoveTo(70, 80);
  MoveTo(90, 20);
  EXPECT_EQ(SetOMX, 90);
  EXPECT_EQ(SetOMY, 20);
  EXPECT_EQ(XRot + YRot + Depth, 0);
}

TEST_F(MainWindow, FreeLookTurnsByTheCursorOffsetAndClamps) {
  ASSERT_EQ(pf::GetForegroundWindow(), HWindow);
  MSpeed = 2;
  MouseFree = true;
  const std::int32_t cx = Width / 2, cy = Height / 2;
  hl::InjectMouseMove(cx + 50, cy - 30);
  SetGLMsg();  // this move; putting the cursor back may queue one more, which turns nothing
  EXPECT_EQ(MPos.X, cx + 50);
  EXPECT_EQ(MPos.Y, cy - 30);
  Pump();
  EXPECT_FLOAT_EQ(XRot, 1.0f);   // 50 / 100 x 2
  EXPECT_FLOAT_EQ(YRot, -0.6f);  // -(30 / 100 x 2)
  EXPECT_FLOAT_EQ(XRot2, 1.0f);
  EXPECT_FLOAT_EQ(YRot2, -0.6f);
  pf::POINT cursor;
  pf::GetCursorPos(&cursor);
  EXPECT_EQ(cursor.x, cx);
  EXPECT_EQ(cursor.y, cy);

  YRot = YRot2 = 59.5f;
  hl::InjectMouseMove(cx, cy + 100);
  Pump();
  EXPECT_EQ(YRot, 60.0f);
  EXPECT_EQ(YRot2, 60.0f);
  YRot = YRot2 = -59.5f;
  hl::InjectMouseMove(cx, cy - 100);
  Pump();
  EXPECT_EQ(YRot, -60.0f);
  EXPECT_EQ(YRot2, -60.0f);
  MouseFree = false;
}

TEST_F(MainWindow, FreeLookLeavesThePointerAloneWhileAnotherApplicationIsActive) {
  MSpeed = 2;
  MouseFree = true;
  const std::int32_t cx = Width / 2, cy = Height / 2;
  hl::InjectDeactivate(HWindow);
  EXPECT_EQ(pf::GetForegroundWindow(), 0u);
  hl::InjectMouseMove(cx + 50, cy - 30);
  Pump();
  pf::POINT cursor;
  pf::GetCursorPos(&cursor);
  EXPECT_EQ(cursor.x, cx + 50) << "not put back to the centre";
  EXPECT_EQ(cursor.y, cy - 30);
  EXPECT_EQ(XRot, 0.0f);
  EXPECT_EQ(YRot, 0.0f);
  // Back to the window: free-look turns again.
  hl::InjectActivate(HWindow);
  EXPECT_EQ(pf::GetForegroundWindow(), HWindow);
  hl::InjectMouseMove(cx + 50, cy - 30);
  Pump();
  EXPECT_FLOAT_EQ(XRot, 1.0f);
  pf::GetCursorPos(&cursor);
  EXPECT_EQ(cursor.x, cx);
  MouseFree = false;
}

// ---- hooks ----
int g_contextMenus = 0;
std::vector<std::int32_t> g_command;

TEST_F(MainWindow, ContextMenuAndCommandHooksNeedShowMenuBar) {
  g_contextMenus = 0;
  g_command.clear();
  CreateMouseMenu = [] { ++g_contextMenus; };
  GetInputCommand = [](pf::HWND w, std::int32_t m, std::int32_t wp, std::int32_t lp) {
    g_command = {static_cast<std::int32_t>(w), m, wp, lp};
    return 99;
  };
  pf::SendMessage(HWindow, pf::WM_CONTEXTMENU, 1, 0);
  EXPECT_EQ(pf::SendMessage(HWindow, pf::WM_COMMAND, 5, 6), 0);
  EXPECT_EQ(g_contextMenus, 0);
  EXPECT_TRUE(g_command.empty());

  ShowMenuBar = true;
  pf::SendMessage(HWindow, pf::WM_CONTEXTMENU, 1, 0);
  EXPECT_EQ(pf::SendMessage(HWindow, pf::WM_COMMAND, 5, 6), 0);  // the hook's answer is ignored
  EXPECT_EQ(g_contextMenus, 1);
  EXPECT_EQ(g_command,
            (std::vector<std::int32_t>{static_cast<std::int32_t>(HWindow), 0x0111, 5, 6}));

  CreateMouseMenu = nullptr;  // an unset hook is skipped
  GetInputCommand = nullptr;
  EXPECT_NO_FATAL_FAILURE(pf::SendMessage(HWindow, pf::WM_CONTEXTMENU, 1, 0));
  EXPECT_EQ(pf::SendMessage(HWindow, pf::WM_COMMAND, 5, 6), 0);
}

// ---- frames-per-second title ----
TEST_F(MainWindow, FpsTitleOnTheTimer) {
  ViewFPS = true;
  ASSERT_NE(pf::SetTimer(HWindow, FPS_TIMER, FPS_INTERVAL, nullptr), 0u);
  FPSCount = 300;  // frames counted during one period of 5 seconds
  hl::AdvanceClock(FPS_INTERVAL);
  Pump();
  EXPECT_EQ(WindowText(HWindow), "Fogliame generico - FPS [60]");
  EXPECT_EQ(FPSCountStr, "60");
  EXPECT_EQ(FPSCount, 0);
  pf::KillTimer(HWindow, FPS_TIMER);

  // Another timer, or the title switched off: nothing changes.
  FPSCount = 100;
  pf::SendMessage(HWindow, pf::WM_TIMER, 2, 0);
  ViewFPS = false;
  pf::SendMessage(HWindow, pf::WM_TIMER, FPS_TIMER, 0);
  EXPECT_EQ(FPSCount, 100);
  EXPECT_EQ(FPSCountStr, "60");
  pf::SetWindowText(HWindow, kTitle);
}

TEST_F(MainWindow, FpsArithmetic) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  const struct {
    std::int32_t force, target, interval, count;
    std::int32_t shown, forceAfter;
  } cases[] = {
      {1, 0, 5000, 300, 60, 1},                 // frames per second
      {1, 0, 2000, 5, 2, 1},                    // 2.5: halves to even
      {1, 0, 2000, 7, 4, 1},                    // 3.5: halves to even
      {1, 0, 5000, 2, 1, 1},                    // 0.4 rounds to 0, shown as at least 1
      {1, 0, 5000, -300, 1, 1},                 // negative: at least 1
      {1, 100, 5000, 300, 60, 2},               // below the target: nudged up
      {3, 100, 5000, 1000, 600, 2},             // above the target: nudged down
      {1, 60, 5000, 300, 60, 1},                // on the target
      {1, 1, 5000, 300, 60, 1},                 // nudging off at 1
      {1000, 0, 5000, 100000, 20000000, 1000},  // the product needs 64 bits
      {kMax, 0, 5000, kMax, kMax, kMax},        // beyond 64 bits: saturates
      {1, 0, 0, 300, kMax, 1},                  // a zero period: saturates
      {1, 0, 0, 0, 1, 1},                       // 0 / 0
      {1, 0, -5000, 300, 1, 1},                 // a negative period gives -60: at least 1
  };
  ViewFPS = true;
  for (const auto& c : cases) {
    ForceFPS = c.force;
    AddForceFPS = c.target;
    AddIntervalFPS = c.interval;
    FPSCount = c.count;
    pf::SendMessage(HWindow, pf::WM_TIMER, FPS_TIMER, 0);
    const std::string figure = std::to_string(c.shown);
    EXPECT_EQ(FPSCountStr, figure) << c.force << " " << c.interval << " " << c.count;
    EXPECT_EQ(WindowText(HWindow), std::string(kTitle) + " - FPS [" + figure + "]");
    EXPECT_EQ(ForceFPS, c.forceAfter) << c.force << " " << c.target << " " << c.count;
    EXPECT_EQ(FPSCount, 0);
  }
  pf::SetWindowText(HWindow, kTitle);
}

// ---- minimised window ----
TEST_F(MainWindow, MinimisedWindowKeepsViewportAndProjection) {
  OpenGL_Init(100, 0, 0, 0, 0);
  OpenGL_I2D(0, 0, 0, 0);
  OpenGL_Init(100, 0, 0, 0, 0);
  const std::vector<int> viewport = GetViewport();
  const std::vector<float> projection = GetMatrix(GL_PROJECTION_MATRIX);
  const float offX = OffX, offY = OffY;
  const std::int32_t w = Width, h = Height;

  hl::InjectMinimize(HWindow);
  Pump();
  EXPECT_EQ(Width, 0);
  EXPECT_EQ(Height, 0);
  const struct { std::int32_t w, h; } empties[] = {{0, 0}, {800, 0}, {0, 600}};
  for (const auto& e : empties) {
    GLResizeWindow(e.w, e.h);
    for (int frame = 0; frame < 3; ++frame) {
      OpenGL_Init(100, 0, 0, 0, 0);
      OpenGL_I2D(0, 0, 0, 0);
    }
    EXPECT_EQ(GetViewport(), viewport) << e.w << "x" << e.h;
    EXPECT_EQ(GetMatrix(GL_PROJECTION_MATRIX), projection) << e.w << "x" << e.h;
    ExpectMatrixNear(GetMatrix(GL_MODELVIEW_MATRIX), kIdentity, "modelview");
    EXPECT_EQ(OffX, offX);
    EXPECT_EQ(OffY, offY);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  }
  hl::InjectRestore(HWindow);
  Pump();
  EXPECT_EQ(Width, w);
  EXPECT_EQ(Height, h);
}

// ---- projection ----
std::vector<double> Perspective(double fovy, double aspect, double n, double f) {
  const double t = 1.0 / std::tan(fovy * M_PI / 360.0);
  return {t / aspect,          0, 0, 0, 0, t, 0, 0, 0, 0, (f + n) / (n - f), -1, 0, 0,
          2 * f * n / (n - f), 0};
}
std::vector<double> Ortho(double l, double r, double b, double t, double n, double f) {
  return {2 / (r - l),
          0,
          0,
          0,
          0,
          2 / (t - b),
          0,
          0,
          0,
          0,
          -2 / (f - n),
          0,
          -(r + l) / (r - l),
          -(t + b) / (t - b),
          -(f + n) / (f - n),
          1};
}

struct Area {
  std::int32_t w, h;
  double top;  // the 2D mode's visible y range is -top..top
  float offX, offY;
};
const Area kAreas[] = {{800, 600, 1.5, -2.05f, -1.45f}, {300, 600, 4.0, -0.05f, 0.55f}};

TEST_F(MainWindow, OpenGLInitSetsPerspectiveAndDefaultState) {
  for (const Area& a : kAreas) {
    SCOPED_TRACE(std::to_string(a.w) + "x" + std::to_string(a.h));
    GLResizeWindow(a.w, a.h);
    OpenGL_Init(100, 0.5, 0.25, 0.75, 1.0);
    EXPECT_EQ(GetViewport(), (std::vector<int>{0, 0, a.w, a.h}));
    ExpectMatrixNear(GetMatrix(GL_PROJECTION_MATRIX),
                     Perspective(45, static_cast<double>(a.w) / a.h, 0.1, 100), "projection");
    ExpectMatrixNear(GetMatrix(GL_MODELVIEW_MATRIX), kIdentity, "modelview");
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    float clear[4], color[4], depth = 0;
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(std::vector<float>(clear, clear + 4), (std::vector<float>{0.25f, 0.75f, 1, 0.5f}));
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, &depth);
    EXPECT_EQ(depth, 1.0f);  // 100 clamped
    glGetFloatv(GL_CURRENT_COLOR, color);
    EXPECT_EQ(std::vector<float>(color, color + 4), (std::vector<float>{1, 1, 1, 0.5f}));
    const struct {
      GLenum query;
      GLint value;
    } states[] = {{GL_DEPTH_TEST, 1},
                  {GL_DEPTH_FUNC, GL_LEQUAL},
                  {GL_BLEND, 0},
                  {GL_BLEND_SRC, GL_SRC_ALPHA},
                  {GL_BLEND_DST, GL_ONE},
                  {GL_LIGHT_MODEL_LOCAL_VIEWER, 1},
                  {GL_LINE_SMOOTH_HINT, GL_NICEST},
                  {GL_POLYGON_SMOOTH_HINT, GL_NICEST},
                  {GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST},
                  {GL_AUTO_NORMAL, 1},
                  {GL_NORMALIZE, 1}};
    for (const auto& s : states) {
      GLint v = -7;
      glGetIntegerv(s.query, &v);
      EXPECT_EQ(v, s.value) << brevra::test::glrec::EnumName(s.query);
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));  // no invalid capability
  }
}

TEST_F(MainWindow, OpenGLInitCallOrder) {
  GLResizeWindow(800, 600);
  {
    brevra::test::glrec::Scope rec;
    OpenGL_Init(100, 0, 0, 0, 0);
  }
  const std::vector<std::string> expected = {
      "glClearColor(0, 0, 0, 0)",
      "glViewport(0, 0, 800, 600)",
      "glMatrixMode(GL_PROJECTION)",
      "glLoadIdentity()",
      "gluPerspective(45, 1.3333333333333333, 0.1, 100)",
      "glMatrixMode(GL_MODELVIEW)",
      "glLoadIdentity()",
      "glClearDepth(100)",
      "glEnable(GL_DEPTH_TEST)",
      "glDepthFunc(GL_LEQUAL)",
      "glColor4f(1, 1, 1, 0.5)",
      "glBlendFunc(GL_SRC_ALPHA, GL_ONE)",
      "glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1)",
      "glHint(GL_LINE_SMOOTH_HINT, GL_NICEST)",
      "glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST)",
      "glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST)",
      "glEnable(GL_AUTO_NORMAL)",
      "glEnable(" + brevra::test::glrec::EnumName(GL_NORMALIZE) + ")",
  };
  EXPECT_EQ(brevra::test::glrec::Trace(), expected) << brevra::test::glrec::TraceText();
}

TEST_F(MainWindow, OpenGLI2DSetsOrthographicProjectionAndOffsets) {
  for (const Area& a : kAreas) {
    SCOPED_TRACE(std::to_string(a.w) + "x" + std::to_string(a.h));
    GLResizeWindow(a.w, a.h);
    {
      brevra::test::glrec::Scope rec;
      OpenGL_I2D(0.5, 0.25, 0.75, 1.0);
    }
    EXPECT_FLOAT_EQ(OffX, a.offX);
    EXPECT_FLOAT_EQ(OffY, a.offY);
    EXPECT_EQ(GetViewport(), (std::vector<int>{0, 0, a.w, a.h}));
    ExpectMatrixNear(GetMatrix(GL_PROJECTION_MATRIX), Ortho(-2, 2, -a.top, a.top, -2, 2),
                     "projection");
    ExpectMatrixNear(GetMatrix(GL_MODELVIEW_MATRIX), kIdentity, "modelview");
    const auto trace = brevra::test::glrec::Trace();
    ASSERT_EQ(trace.size(), 10u) << brevra::test::glrec::TraceText();
    EXPECT_EQ(trace[0], "glClearColor(0.25, 0.75, 1, 0.5)");
    EXPECT_EQ(trace[4].rfind("glOrtho(-2, 2, ", 0), 0u) << trace[4];
    EXPECT_EQ(trace[9], "glEnable(" + brevra::test::glrec::EnumName(GL_NORMALIZE) + ")");
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  }
  // Back to the 3D mode: the perspective is in force again.
  GLResizeWindow(800, 600);
  OpenGL_Init(100, 0, 0, 0, 0);
  ExpectMatrixNear(GetMatrix(GL_PROJECTION_MATRIX), Perspective(45, 800.0 / 600, 0.1, 100),
                   "projection");
}

// ---- the mouse camera ----
TEST_F(MainWindow, SetGLMouseMoveArrangements) {
  const struct {
    std::int32_t xyz;
    TGLVertex my;
    std::vector<std::string> calls;
  } cases[] = {
      {0,
       {0, 0, -3},
       {"glTranslatef(0, 0, -3)", "glRotatef(30, 1, 0, 0)", "glRotatef(40, 0, 1, 0)"}},
      {1,
       {0, -3, 0},
       {"glTranslatef(0, -3, 0)", "glRotatef(30, 1, 0, 0)", "glRotatef(40, 0, 0, 1)"}},
      {2,
       {-3, 0, 0},
       {"glTranslatef(-3, 0, 0)", "glRotatef(30, 0, 0, -1)", "glRotatef(40, 0, 1, 0)"}},
      {3,
       {0, 0, -3},
       {"glTranslatef(0, 0, -3)", "glRotatef(30, 0, 1, 0)", "glRotatef(40, 1, 0, 0)"}},
      {4, {7, 8, 9}, {}},
      {-1, {7, 8, 9}, {}},
  };
  Depth = 3;
  XRot = 30;
  YRot = 40;
  for (const auto& c : cases) {
    SCOPED_TRACE("arrangement " + std::to_string(c.xyz));
    MY = {7, 8, 9};
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1, 2, 3);
    const std::vector<float> before = GetMatrix(GL_MODELVIEW_MATRIX);
    {
      brevra::test::glrec::Scope rec;
      SetGLMouseMove(c.xyz, 5 + c.xyz);
    }
    EXPECT_EQ(MSpeed, 5 + c.xyz);
    EXPECT_EQ(brevra::test::glrec::Trace(), c.calls) << brevra::test::glrec::TraceText();
    EXPECT_EQ(MY.X, c.my.X);
    EXPECT_EQ(MY.Y, c.my.Y);
    EXPECT_EQ(MY.Z, c.my.Z);
    if (c.calls.empty()) {
      EXPECT_EQ(GetMatrix(GL_MODELVIEW_MATRIX), before);
    }
  }

  // Arrangement 0 as a matrix: T(0, 0, -3) Rx(30) Ry(40), multiplied onto the identity.
  glLoadIdentity();
  SetGLMouseMove(0, 2);
  const double a = 30 * M_PI / 180, b = 40 * M_PI / 180;
  // Column-major: columns of Rx(a) Ry(b), then the translation.
  const std::vector<double> expected = {std::cos(b),
                                        std::sin(a) * std::sin(b),
                                        -std::cos(a) * std::sin(b),
                                        0,
                                        0,
                                        std::cos(a),
                                        std::sin(a),
                                        0,
                                        std::sin(b),
                                        -std::sin(a) * std::cos(b),
                                        std::cos(a) * std::cos(b),
                                        0,
                                        0,
                                        0,
                                        -3,
                                        1};
  ExpectMatrixNear(GetMatrix(GL_MODELVIEW_MATRIX), expected, "camera");

  // Before any drag the camera is the identity.
  Depth = XRot = YRot = 0;
  glLoadIdentity();
  SetGLMouseMove(0, 2);
  ExpectMatrixNear(GetMatrix(GL_MODELVIEW_MATRIX), kIdentity, "camera at rest");
  glLoadIdentity();
}

}  // namespace
