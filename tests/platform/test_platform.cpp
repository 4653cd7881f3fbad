// Tests of the platform layer on its headless backend: classes, the window tree, the queue,
// the input path, message boxes, timers, status windows, and real OpenGL through EGL.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "brevra/platform/headless.h"
#include "brevra/platform/platform.h"

namespace brevra::platform {
namespace {

namespace hl = headless;

// Every message a test window receives, in order.
struct Seen {
  HWND hwnd;
  std::int32_t message;
  WPARAM wParam;
  LPARAM lParam;
};
std::vector<Seen> g_seen;
// Optional per-test hook run for each message before it is recorded (returns true to answer
// without the default handling).
std::function<bool(HWND, std::int32_t, WPARAM, LPARAM, LRESULT*)> g_hook;

LRESULT RecordingProc(HWND h, std::int32_t m, WPARAM w, LPARAM l) {
  g_seen.push_back({h, m, w, l});
  LRESULT r = 0;
  if (g_hook && g_hook(h, m, w, l, &r)) return r;
  return DefWindowProc(h, m, w, l);
}

std::vector<std::int32_t> MessagesOf(HWND h) {
  std::vector<std::int32_t> out;
  for (const Seen& s : g_seen) {
    if (s.hwnd == h) out.push_back(s.message);
  }
  return out;
}

constexpr UINT kCaptioned = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION |
                            WS_SYSMENU | WS_MINIMIZEBOX;  // the library's captioned main window
constexpr UINT kFullScreen =
    WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_BORDER | WS_SYSMENU;

class Platform : public ::testing::Test {
 protected:
  void SetUp() override {
    Shutdown();
    ASSERT_TRUE(Init(Backend::Headless));
    g_seen.clear();
    g_hook = nullptr;
    WNDCLASS wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = "Test";
    ASSERT_NE(RegisterClass(&wc), 0);
    wc.style |= CS_DBLCLKS;
    wc.lpszClassName = "TestDbl";
    ASSERT_NE(RegisterClass(&wc), 0);
  }
  void TearDown() override {
    g_hook = nullptr;
    Shutdown();
  }

  static HWND Main(UINT style = kCaptioned, std::int32_t w = 800, std::int32_t h = 600,
                   const char* cls = "Test") {
    return CreateWindowEx(0, cls, "Main", style, CW_USEDEFAULT, CW_USEDEFAULT, w, h, 0, 0,
                          GetModuleHandle(nullptr), nullptr);
  }
  static HWND Child(HWND parent, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                    std::int32_t id) {
    return CreateWindowEx(0, "Test", "", WS_CHILD | WS_VISIBLE, x, y, w, h, parent,
                          static_cast<HMENU>(id), GetModuleHandle(nullptr), nullptr);
  }
  // Removes every queued message and forgets what was seen.
  static void Drain() {
    MSG m;
    while (PeekMessage(&m, 0, 0, 0, PM_REMOVE)) {
      if (m.message != WM_PAINT) continue;
      ValidateRect(m.hwnd, nullptr);
    }
    g_seen.clear();
  }
  // The posted messages now queued (paint and timers aside), removed.
  static std::vector<MSG> Take() {
    std::vector<MSG> out;
    MSG m;
    while (PeekMessage(&m, 0, 0, 0, PM_REMOVE)) {
      if (m.message == WM_PAINT) {
        ValidateRect(m.hwnd, nullptr);
        continue;
      }
      out.push_back(m);
    }
    return out;
  }
};

// ---- classes ---------------------------------------------------------------------------------
TEST_F(Platform, ClassRegistrationRefusesDuplicatesAndIsFoundByName) {
  WNDCLASS wc;
  wc.lpfnWndProc = RecordingProc;
  wc.lpszClassName = "Test";
  EXPECT_EQ(RegisterClass(&wc), 0) << "a second class of the same name";
  wc.lpszClassName = "";
  EXPECT_EQ(RegisterClass(&wc), 0);
  EXPECT_EQ(RegisterClass(nullptr), 0);

  WNDCLASSEX ex;
  EXPECT_FALSE(GetClassInfoEx(0, "IMAGEBUTTON", &ex));
  ex.cbSize = 48;
  ex.lpfnWndProc = DefWindowProc;
  ex.hCursor = LoadCursor(0, IDC_ARROW);
  ex.hbrBackground = GetStockObject(NULL_BRUSH);
  ex.lpszClassName = "IMAGEBUTTON";
  EXPECT_NE(RegisterClassEx(&ex), 0);
  WNDCLASSEX got;
  ASSERT_TRUE(GetClassInfoEx(0, "IMAGEBUTTON", &got));
  EXPECT_EQ(got.lpfnWndProc, DefWindowProc);
  EXPECT_EQ(got.hCursor, ex.hCursor);
  EXPECT_STREQ(got.lpszClassName, "IMAGEBUTTON");
  EXPECT_EQ(CreateWindowEx(0, "Nope", "", WS_POPUP, 0, 0, 1, 1, 0, 0, 0, nullptr), 0);
}

// ---- creation --------------------------------------------------------------------------------
TEST_F(Platform, CreateSendsCreateThenSizeWithClientSizeBeforeReturning) {
  struct Case {
    UINT style;
    std::int32_t w, h;
    std::int32_t clientW, clientH;
  };
  const Case cases[] = {
      {kCaptioned, 800, 600, 794, 578},     // 3-pixel frame, 19-pixel caption and top frame
      {kFullScreen, 1024, 768, 1024, 768},  // a pop-up without caption has no frame
      {kCaptioned, 300, 600, 294, 578},
      {kCaptioned | WS_THICKFRAME, 300, 600, 292, 573},  // a sizing border: 4, and 23 on top
  };
  for (const Case& c : cases) {
    g_seen.clear();
    HWND h = Main(c.style, c.w, c.h);
    ASSERT_NE(h, 0);
    ASSERT_GE(g_seen.size(), 2u);
    EXPECT_EQ(g_seen[0].message, WM_CREATE);
    EXPECT_EQ(g_seen[1].message, WM_SIZE);
    EXPECT_EQ(g_seen[1].wParam, SIZE_RESTORED);
    EXPECT_EQ(g_seen[1].lParam, c.clientW | (c.clientH << 16));
    RECT r;
    ASSERT_TRUE(GetWindowRect(h, &r));
    EXPECT_EQ(r.left, 0) << "CW_USEDEFAULT puts a pop-up at the origin";
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, c.w);
    EXPECT_EQ(r.bottom, c.h);
    ASSERT_TRUE(GetClientRect(h, &r));
    EXPECT_EQ(r.right, c.clientW);
    EXPECT_EQ(r.bottom, c.clientH);
    EXPECT_TRUE(IsWindowVisible(h));
    EXPECT_EQ(GetForegroundWindow(), h);
    DestroyWindow(h);
  }
}

TEST_F(Platform, CreateAnswerMinusOneGivesNoWindow) {
  g_hook = [](HWND, std::int32_t m, WPARAM, LPARAM, LRESULT* r) {
    *r = -1;
    return m == WM_CREATE;
  };
  EXPECT_EQ(Main(), 0);
  EXPECT_EQ(MessagesOf(g_seen.at(0).hwnd), (std::vector<std::int32_t>{WM_CREATE, WM_DESTROY}));
}

TEST_F(Platform, ScreenSizeAndTitle) {
  hl::SetScreenSize(1280, 1024);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1024);
  HWND h = Main();
  char buf[64];
  EXPECT_EQ(GetWindowText(h, buf, sizeof buf), 4);
  EXPECT_STREQ(buf, "Main");
  EXPECT_TRUE(SetWindowText(h, "Fogliame generico - FPS [60]"));
  GetWindowText(h, buf, 8);
  EXPECT_STREQ(buf, "Fogliam") << "truncated to the buffer";
  EXPECT_EQ(MessagesOf(h).back(), WM_SETTEXT);
}

// ---- destruction -----------------------------------------------------------------------------
TEST_F(Platform, DestroySendsDestroyToChildrenFirstAndLeavesDeadHandlesQuiet) {
  HWND main = Main();
  HWND a = Child(main, 10, 10, 50, 50, 1);
  HWND a1 = Child(a, 1, 1, 5, 5, 2);
  HWND b = Child(main, 100, 10, 50, 50, 3);
  EXPECT_EQ(GetParent(a1), a);
  EXPECT_EQ(GetDlgCtrlID(b), 3);
  EXPECT_TRUE(IsChild(main, a1));
  g_seen.clear();
  EXPECT_TRUE(DestroyWindow(main));
  std::vector<HWND> order;
  for (const Seen& s : g_seen) {
    if (s.message == WM_DESTROY) order.push_back(s.hwnd);
  }
  EXPECT_EQ(order, (std::vector<HWND>{a1, a, b, main}));
  for (HWND h : {main, a, a1, b}) {
    EXPECT_FALSE(IsWindow(h));
    EXPECT_FALSE(DestroyWindow(h));
    EXPECT_FALSE(ShowWindow(h, SW_SHOW));
    EXPECT_FALSE(SetWindowText(h, "x"));
    EXPECT_EQ(SendMessage(h, WM_USER, 0, 0), 0);
    EXPECT_FALSE(PostMessage(h, WM_USER, 0, 0));
    EXPECT_EQ(GetDC(h), 0u);
    EXPECT_EQ(GetProp(h, "X"), 0u);
    RECT r;
    EXPECT_FALSE(GetClientRect(h, &r));
  }
  EXPECT_EQ(GetForegroundWindow(), 0);
}

TEST_F(Platform, WindowMayQueryItselfDuringDestroy) {
  HWND h = Main();
  SetProp(h, "STATE", 3);
  HANDLE seenDuringDestroy = 0;
  g_hook = [&](HWND w, std::int32_t m, WPARAM, LPARAM, LRESULT*) {
    if (m == WM_DESTROY) seenDuringDestroy = RemoveProp(w, "STATE");
    return false;
  };
  DestroyWindow(h);
  EXPECT_EQ(seenDuringDestroy, 3u);
}

// ---- the queue -------------------------------------------------------------------------------
TEST_F(Platform, QueueKeepsPostOrderAndHandsOutOneMessagePerCall) {
  HWND h = Main();
  Drain();
  for (int i = 0; i < 3; ++i) PostMessage(h, WM_USER + i, i, -i);
  PostQuitMessage(5);
  MSG m;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(PeekMessage(&m, 0, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, WM_USER + i) << "peeking removes nothing";
    ASSERT_EQ(GetMessage(&m, 0, 0, 0), 1);
    EXPECT_EQ(m.message, WM_USER + i);
    EXPECT_EQ(m.wParam, i);
    EXPECT_EQ(m.lParam, -i);
    EXPECT_EQ(DispatchMessage(&m), 0);
    EXPECT_EQ(g_seen.back().message, WM_USER + i);
  }
  EXPECT_EQ(GetMessage(&m, 0, 0, 0), 0) << "WM_QUIT";
  EXPECT_EQ(m.message, WM_QUIT);
  EXPECT_EQ(m.wParam, 5);
  EXPECT_FALSE(PeekMessage(&m, 0, 0, 0, PM_NOREMOVE)) << "an empty queue answers at once";
}

TEST_F(Platform, PaintOnlyWhenNothingElseIsQueuedAndUntilValidated) {
  HWND h = Main();
  HWND c = Child(h, 0, 0, 10, 10, 1);
  Drain();
  InvalidateRect(h, nullptr, false);
  PostMessage(h, WM_USER, 0, 0);
  MSG m;
  ASSERT_TRUE(PeekMessage(&m, 0, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, WM_USER) << "posted messages come before paint";
  ASSERT_TRUE(PeekMessage(&m, 0, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, WM_PAINT);
  EXPECT_EQ(m.hwnd, h);
  ASSERT_TRUE(PeekMessage(&m, 0, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.hwnd, h) << "still invalid until painted";
  DispatchMessage(&m);  // DefWindowProc validates
  EXPECT_FALSE(PeekMessage(&m, 0, 0, 0, PM_NOREMOVE));
  InvalidateRect(c, nullptr, true);
  ASSERT_TRUE(PeekMessage(&m, 0, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.hwnd, c);
  PAINTSTRUCT ps;
  g_seen.clear();
  EXPECT_NE(BeginPaint(c, &ps), 0u);
  EXPECT_TRUE(ps.fErase);
  EXPECT_EQ(MessagesOf(c), (std::vector<std::int32_t>{WM_ERASEBKGND}));
  EXPECT_TRUE(EndPaint(c, &ps));
  EXPECT_FALSE(PeekMessage(&m, 0, 0, 0, PM_NOREMOVE));
  InvalidateRect(h, nullptr, false);
  g_seen.clear();
  UpdateWindow(h);
  EXPECT_EQ(MessagesOf(h), (std::vector<std::int32_t>{WM_PAINT})) << "sent at once";
}

TEST_F(Platform, SendMessageIsDirectAndReentrant) {
  HWND h = Main();
  g_hook = [&](HWND w, std::int32_t m, WPARAM wp, LPARAM, LRESULT* r) {
    if (m != WM_USER) return false;
    *r = wp == 0 ? 1 : 1 + SendMessage(w, WM_USER, wp - 1, 0);
    return true;
  };
  EXPECT_EQ(SendMessage(h, WM_USER, 4, 0), 5);
  MSG m;
  EXPECT_FALSE(PeekMessage(&m, 0, 0, 0, PM_NOREMOVE) && m.message == WM_USER);
}

TEST_F(Platform, FiltersSelectWindowAndRange) {
  HWND a = Main();
  HWND b = Main();
  Drain();
  PostMessage(a, WM_USER, 1, 0);
  PostMessage(b, WM_USER + 1, 2, 0);
  PostMessage(a, WM_USER + 2, 3, 0);
  MSG m;
  ASSERT_TRUE(PeekMessage(&m, b, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.wParam, 2);
  ASSERT_TRUE(PeekMessage(&m, 0, WM_USER + 2, WM_USER + 2, PM_REMOVE));
  EXPECT_EQ(m.wParam, 3);
  ASSERT_TRUE(PeekMessage(&m, 0, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.wParam, 1);
}

TEST_F(Platform, DestroyDropsTheWindowsQueuedMessages) {
  HWND h = Main();
  Drain();
  PostMessage(h, WM_USER, 0, 0);
  DestroyWindow(h);
  MSG m;
  EXPECT_FALSE(PeekMessage(&m, h, 0, 0, PM_NOREMOVE));
}

// ---- input -----------------------------------------------------------------------------------
TEST_F(Platform, MouseInputBecomesClientMessagesWithFlags) {
  HWND h = Main();  // client origin at (3, 19) on the screen
  Drain();
  hl::InjectMouseMove(103, 69);
  hl::InjectMouseButton(0, true);
  hl::InjectMouseMove(113, 59);
  hl::InjectMouseButton(1, true);
  hl::InjectMouseButton(0, false);
  hl::InjectMouseButton(1, false);
  struct Want {
    std::int32_t message;
    WPARAM flags;
    std::int32_t x, y;
  };
  const Want want[] = {
      {WM_MOUSEMOVE, 0, 100, 50},          {WM_LBUTTONDOWN, MK_LBUTTON, 100, 50},
      {WM_MOUSEMOVE, MK_LBUTTON, 110, 40}, {WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, 110, 40},
      {WM_LBUTTONUP, MK_RBUTTON, 110, 40}, {WM_RBUTTONUP, 0, 110, 40},
  };
  const auto got = Take();
  ASSERT_EQ(got.size(), std::size(want));
  for (std::size_t i = 0; i < got.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(got[i].hwnd, h);
    EXPECT_EQ(got[i].message, want[i].message);
    EXPECT_EQ(got[i].wParam, want[i].flags);
    EXPECT_EQ(got[i].lParam, want[i].x | (want[i].y << 16));
  }
  POINT p;
  ASSERT_TRUE(GetCursorPos(&p));
  EXPECT_EQ(p.x, 113);
  EXPECT_EQ(p.y, 59);
}

TEST_F(Platform, CaptureKeepsMovesComingOutsideWithSixteenBitCoordinates) {
  HWND h = Main();
  Drain();
  hl::InjectMouseMove(500, 500);
  hl::InjectMouseMove(-20, 5);  // left of the window: nobody gets it without capture
  EXPECT_EQ(Take().size(), 1u);
  EXPECT_EQ(SetCapture(h), 0);
  EXPECT_EQ(GetCapture(), h);
  struct Case {
    std::int32_t sx, sy;
    std::uint32_t lparam;
  };
  const Case cases[] = {
      {2, 18, 0xFFFFFFFFu},                 // (-1, -1)
      {-20, 5, 0xFFF2FFE9u},                // (-23, -14)
      {2000, 3000, (2981u << 16) | 1997u},  // right of and below the window
      {3 - 32768, 19, 0x00008000u},         // the 16-bit edge
  };
  for (const Case& c : cases) {
    hl::InjectMouseMove(c.sx, c.sy);
    const auto got = Take();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].hwnd, h);
    EXPECT_EQ(static_cast<std::uint32_t>(got[0].lParam), c.lparam) << c.sx << "," << c.sy;
  }
  EXPECT_TRUE(ReleaseCapture());
  EXPECT_EQ(GetCapture(), 0);
  hl::InjectMouseMove(-20, 5);
  EXPECT_TRUE(Take().empty());
}

TEST_F(Platform, PointerGoesToTheDeepestChildOrTheCaptureWindow) {
  HWND h = Main();
  HWND c = Child(h, 100, 100, 50, 50, 7);
  HWND cc = Child(c, 10, 10, 10, 10, 8);
  Drain();
  struct Case {
    std::int32_t cx, cy;  // main client coordinates
    HWND target;
    std::int32_t x, y;
  };
  const Case cases[] = {{5, 5, h, 5, 5}, {101, 102, c, 1, 2}, {115, 115, cc, 5, 5}};
  for (const Case& k : cases) {
    hl::InjectMouseMove(3 + k.cx, 19 + k.cy);
    const auto got = Take();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].hwnd, k.target);
    EXPECT_EQ(got[0].lParam, k.x | (k.y << 16));
  }
  SetCapture(c);
  hl::InjectMouseMove(3 + 5, 19 + 5);
  const auto got = Take();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].hwnd, c);
  EXPECT_EQ(got[0].lParam, static_cast<LPARAM>(0xFFA1FFA1u)) << "(-95, -95)";
}

TEST_F(Platform, DoubleClicksOnlyForClassesThatAskForThem) {
  for (const char* cls : {"Test", "TestDbl"}) {
    HWND h = Main(kCaptioned, 800, 600, cls);
    Drain();
    hl::InjectMouseMove(50, 50);
    hl::InjectMouseDoubleClick(0);
    std::vector<std::int32_t> msgs;
    for (const MSG& m : Take()) msgs.push_back(m.message);
    const bool dbl = std::strcmp(cls, "TestDbl") == 0;
    EXPECT_EQ(msgs,
              (std::vector<std::int32_t>{WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP,
                                         dbl ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, WM_LBUTTONUP}));
    DestroyWindow(h);
  }
}

TEST_F(Platform, KeysCarryVirtualKeyCodesAndRepeat) {
  HWND h = Main();
  Drain();
  struct Case {
    std::int32_t vk;
    bool down, repeat;
    std::int32_t message;
    std::uint32_t lparam;
  };
  const Case cases[] = {
      {VK_ESCAPE, true, false, WM_KEYDOWN, 1u},
      {'A', true, false, WM_KEYDOWN, 1u},
      {'A', true, true, WM_KEYDOWN, 1u | (1u << 30)},  // auto-repeat: another key-down
      {'A', false, false, WM_KEYUP, 1u | (3u << 30)},
      {VK_LEFT, true, false, WM_KEYDOWN, 1u},
      {VK_F1 + 4, true, false, WM_KEYDOWN, 1u},
      {VK_SHIFT, true, false, WM_KEYDOWN, 1u},
      {'7', true, false, WM_KEYDOWN, 1u},
      {VK_MENU, true, false, WM_SYSKEYDOWN, 1u | (1u << 29)},
  };
  for (const Case& c : cases) hl::InjectKey(c.vk, c.down, c.repeat);
  const auto got = Take();
  ASSERT_EQ(got.size(), std::size(cases));
  for (std::size_t i = 0; i < got.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(got[i].hwnd, h);
    EXPECT_EQ(got[i].message, cases[i].message);
    EXPECT_EQ(got[i].wParam, cases[i].vk);
    EXPECT_EQ(static_cast<std::uint32_t>(got[i].lParam), cases[i].lparam);
  }
}

TEST_F(Platform, TranslateMessagePutsTheCharacterNext) {
  Main();
  Drain();
  hl::InjectKey('Q', true);
  hl::InjectKey('Q', false);
  MSG m;
  ASSERT_EQ(GetMessage(&m, 0, 0, 0), 1);
  EXPECT_TRUE(TranslateMessage(&m));
  ASSERT_EQ(GetMessage(&m, 0, 0, 0), 1);
  EXPECT_EQ(m.message, WM_CHAR);
  EXPECT_EQ(m.wParam, 'q');
  ASSERT_EQ(GetMessage(&m, 0, 0, 0), 1);
  EXPECT_EQ(m.message, WM_KEYUP);
  EXPECT_FALSE(TranslateMessage(&m));
}

TEST_F(Platform, CloseRequestDestroysThroughDefaultHandling) {
  HWND h = Main();
  Drain();
  hl::InjectCloseRequest(h);
  MSG m;
  ASSERT_EQ(GetMessage(&m, 0, 0, 0), 1);
  EXPECT_EQ(m.message, WM_CLOSE);
  DispatchMessage(&m);
  EXPECT_EQ(MessagesOf(h), (std::vector<std::int32_t>{WM_CLOSE, WM_DESTROY}));
  EXPECT_FALSE(IsWindow(h));
}

TEST_F(Platform, MinimiseAndRestoreReportSizes) {
  HWND h = Main();
  Drain();
  hl::InjectMinimize(h);
  hl::InjectRestore(h);
  const auto got = Take();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].message, WM_SIZE);
  EXPECT_EQ(got[0].wParam, SIZE_MINIMIZED);
  EXPECT_EQ(got[0].lParam, 0);
  EXPECT_EQ(got[1].wParam, SIZE_RESTORED);
  EXPECT_EQ(got[1].lParam, 794 | (578 << 16));
}

TEST_F(Platform, SetCursorPosMovesThePointerInScreenCoordinates) {
  HWND h = Main();
  Drain();
  EXPECT_TRUE(SetCursorPos(400, 300));
  POINT p;
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 400);
  EXPECT_EQ(p.y, 300);
  const auto got = Take();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].hwnd, h);
  EXPECT_EQ(got[0].lParam, 397 | (281 << 16));
  p = POINT{0, 0};
  ClientToScreen(h, &p);
  EXPECT_EQ(p.x, 3);
  EXPECT_EQ(p.y, 19);
}

// ---- timers ----------------------------------------------------------------------------------
TEST_F(Platform, TimersFireWithTheClockAndOnlyWhenNothingElseWaits) {
  HWND h = Main();
  Drain();
  EXPECT_EQ(SetTimer(h, 1, 5000, nullptr), 1u);
  MSG m;
  hl::AdvanceClock(4999);
  EXPECT_FALSE(PeekMessage(&m, 0, 0, 0, PM_NOREMOVE));
  hl::AdvanceClock(1);
  PostMessage(h, WM_USER, 0, 0);
  ASSERT_TRUE(PeekMessage(&m, 0, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, WM_USER);
  ASSERT_TRUE(PeekMessage(&m, 0, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, WM_TIMER);
  EXPECT_EQ(m.wParam, 1);
  EXPECT_FALSE(PeekMessage(&m, 0, 0, 0, PM_NOREMOVE)) << "one per period";
  // GetMessage sleeps until the next period.
  ASSERT_EQ(GetMessage(&m, 0, 0, 0), 1);
  EXPECT_EQ(m.message, WM_TIMER);
  EXPECT_EQ(hl::ClockMs(), 10000u);
  EXPECT_TRUE(KillTimer(h, 1));
  EXPECT_FALSE(KillTimer(h, 1));
  hl::AdvanceClock(10000);
  EXPECT_FALSE(PeekMessage(&m, 0, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(GetMessage(&m, 0, 0, 0), -1) << "nothing can ever arrive: no endless wait";
}

// ---- message boxes ---------------------------------------------------------------------------
TEST_F(Platform, MessageBoxesAskTheResponderAndAreLogged) {
  hl::ClearMessageBoxLog();
  EXPECT_EQ(MessageBox(0, "Settare lo schermo intero?  ", "Video!", MB_YESNO | MB_ICONQUESTION), 0)
      << "no responder: no box";
  hl::SetMessageBoxResponder(
      [](const hl::MessageBoxCall& c) { return c.type == MB_OK ? IDOK : IDNO; });
  EXPECT_EQ(MessageBox(0, "q", "Video!", MB_YESNO), IDNO);
  EXPECT_EQ(MessageBox(0, "la rispettiva applicazione non \xE8 stata inizilizata!", "Error", MB_OK),
            IDOK);
  hl::AnswerMessageBoxes(IDYES);
  EXPECT_EQ(MessageBox(0, "q", "Video!", MB_YESNO), IDYES);
  const auto& log = hl::MessageBoxLog();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0].text, "Settare lo schermo intero?  ");
  EXPECT_EQ(log[0].caption, "Video!");
  EXPECT_EQ(log[0].type, MB_YESNO | MB_ICONQUESTION);
  EXPECT_EQ(log[2].text.find("\xE8"), 31u) << "bytes kept as given";
}

// ---- properties, cursors, brushes ------------------------------------------------------------
TEST_F(Platform, PropertiesPerWindow) {
  HWND a = Main(), b = Main();
  EXPECT_TRUE(SetProp(a, "HOVERMODEBYTE", 2));
  EXPECT_TRUE(SetProp(b, "HOVERMODEBYTE", 3));
  EXPECT_EQ(GetProp(a, "HOVERMODEBYTE"), 2u);
  EXPECT_EQ(GetProp(a, "hovermodebyte"), 2u) << "names compare without case";
  EXPECT_EQ(GetProp(a, "NORMALBITMAP"), 0u);
  EXPECT_EQ(RemoveProp(a, "HOVERMODEBYTE"), 2u);
  EXPECT_EQ(RemoveProp(a, "HOVERMODEBYTE"), 0u) << "removing an absent property is harmless";
  EXPECT_EQ(GetProp(b, "HOVERMODEBYTE"), 3u);
}

TEST_F(Platform, CursorsIconsAndBrushes) {
  const std::int32_t ids[] = {IDC_ARROW,   IDC_IBEAM,    IDC_WAIT,     IDC_CROSS,       IDC_UPARROW,
                              IDC_SIZE,    IDC_SIZENWSE, IDC_SIZENESW, IDC_SIZEWE,      IDC_SIZENS,
                              IDC_SIZEALL, IDC_NO,       IDC_HAND,     IDC_APPSTARTING, IDC_HELP};
  for (std::int32_t id : ids) {
    HCURSOR c = LoadCursor(0, id);
    ASSERT_NE(c, 0u) << id;
    EXPECT_EQ(hl::CursorId(c), id);
    EXPECT_EQ(LoadCursor(0, id), c) << "shared";
  }
  EXPECT_EQ(LoadCursor(0, 12345), 0u);
  EXPECT_EQ(LoadCursorFromFile(""), 0u);
  EXPECT_EQ(LoadCursorFromFile("/nonexistent/cursor.cur"), 0u);
  EXPECT_EQ(LoadCursorFromFile(BREVRA_SOURCE_DIR "/CMakeLists.txt"), 0u) << "not a cursor";
  EXPECT_NE(LoadIcon(0, IDI_APPLICATION), 0u);
  EXPECT_NE(GetSysColorBrush(COLOR_BTNFACE), 0u);
  EXPECT_EQ(GetSysColorBrush(COLOR_BTNFACE), GetSysColorBrush(COLOR_BTNFACE));
  EXPECT_NE(GetStockObject(NULL_BRUSH), 0u);

  WNDCLASS wc;
  wc.lpfnWndProc = RecordingProc;
  wc.hCursor = LoadCursor(0, IDC_NO);
  wc.hIcon = LoadIcon(0, IDI_APPLICATION);
  wc.lpszClassName = "WithCursor";
  RegisterClass(&wc);
  HWND h = Main(kCaptioned, 100, 100, "WithCursor");
  EXPECT_EQ(hl::CursorId(hl::ClassCursor(h)), IDC_NO);
  EXPECT_EQ(hl::ClassIcon(h), LoadIcon(0, IDI_APPLICATION));
}

TEST_F(Platform, CursorFilesAreLoadedOnlyWhenTheyAreCursorsOrImages) {
  struct Case {
    const char* name;
    std::vector<unsigned char> bytes;
    bool loads;
  };
  const Case cases[] = {
      {"cursor.cur", {0, 0, 2, 0, 1, 0, 32, 32, 0, 0, 0, 0}, true},
      {"icon.ico", {0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 0, 0}, true},
      {"empty.cur", {0, 0, 2, 0, 0, 0}, false},  // a directory without images
      {"picture.bmp", {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, true},
      {"text.cur", {'h', 'e', 'l', 'l', 'o'}, false},
      {"zero.cur", {}, false},
  };
  const std::string dir = ::testing::TempDir();
  for (const Case& c : cases) {
    const std::string path = dir + "/brevra_" + c.name;
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    if (!c.bytes.empty()) std::fwrite(c.bytes.data(), 1, c.bytes.size(), f);
    std::fclose(f);
    HCURSOR h = LoadCursorFromFile(path.c_str());
    EXPECT_EQ(h != 0, c.loads) << c.name;
    if (h != 0) {
      EXPECT_EQ(hl::CursorId(h), 0) << "not a predefined cursor";
    }
    std::remove(path.c_str());
  }
}

TEST_F(Platform, ChildRectanglesAndKeyFocus) {
  HWND h = Main();
  HWND c = Child(h, 10, 20, 30, 40, 5);
  RECT r, pr;
  GetWindowRect(c, &r);
  GetWindowRect(h, &pr);
  // The parent's client area starts 3 right of and 19 below its outer corner.
  EXPECT_EQ(r.left - pr.left - 3, 10);
  EXPECT_EQ(r.top - pr.top - 19, 20);
  EXPECT_EQ(r.right - r.left, 30);
  MoveWindow(c, 1, 2, 3, 4, false);
  GetWindowRect(c, &r);
  EXPECT_EQ(r.left, 3 + 1);
  EXPECT_EQ(r.bottom - r.top, 4);
  Drain();
  EXPECT_EQ(SetFocus(c), h);
  hl::InjectKey('K', true);
  ShowWindow(c, SW_HIDE);
  EXPECT_FALSE(IsWindowVisible(c));
  hl::InjectMouseMove(3 + 2, 19 + 3);  // where the hidden child is
  const auto got = Take();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].hwnd, c) << "keys go to the focus";
  EXPECT_EQ(got[1].hwnd, h) << "a hidden child takes no pointer input";
}

TEST_F(Platform, DestroyedWindowsLeaveNoObjectsBehind) {
  const std::size_t before = hl::LiveObjectCount();
  HWND h = Main();
  HWND s = CreateStatusWindow(WS_CHILD | WS_VISIBLE, "x", h, 1);
  GetDC(h);
  PAINTSTRUCT ps;
  BeginPaint(s, &ps);
  SetTimer(h, 3, 100, nullptr);
  DestroyWindow(h);
  EXPECT_EQ(hl::LiveObjectCount(), before + 2) << "only the status class's shared brush/cursor";
  hl::AdvanceClock(1000);
  MSG m;
  EXPECT_FALSE(PeekMessage(&m, 0, 0, 0, PM_NOREMOVE)) << "its timers died with it";
}

// ---- status window ---------------------------------------------------------------------------
TEST_F(Platform, StatusWindowKeepsTextAndPartsAlongTheBottom) {
  HWND h = Main();
  HWND s = CreateStatusWindow(WS_CHILD | WS_VISIBLE, "Percorso file", h, 0x7712);
  ASSERT_NE(s, 0u);
  EXPECT_EQ(GetParent(s), h);
  EXPECT_EQ(GetDlgCtrlID(s), 0x7712);
  EXPECT_EQ(StatusText(s), "Percorso file");
  RECT r, pr;
  GetWindowRect(s, &r);
  GetWindowRect(h, &pr);
  EXPECT_EQ(r.left, 3);
  EXPECT_EQ(r.bottom, 600 - 3);
  EXPECT_EQ(r.right - r.left, 794);

  EXPECT_EQ(SendMessage(s, SB_SETPARTS, 0, 0), 1) << "zero parts";
  EXPECT_TRUE(StatusParts(s).empty());
  const std::int32_t edges[3] = {100, 250, -1};
  EXPECT_EQ(SendMessage(s, SB_SETPARTS, 3, PackPointer(edges)), 1);
  EXPECT_EQ(StatusParts(s), (std::vector<std::int32_t>{100, 250, -1}));
  std::int32_t back[3] = {};
  EXPECT_EQ(SendMessage(s, SB_GETPARTS, 3, PackPointer(back)), 3);
  EXPECT_EQ(back[1], 250);
  EXPECT_EQ(SendMessage(s, SB_SETTEXT, 2, PackPointer("terza")), 1);
  EXPECT_EQ(StatusText(s, 2), "terza");
  EXPECT_EQ(SendMessage(s, SB_SETPARTS, 3, 0), 0) << "no array";
  EXPECT_FALSE(StatusSetParts(h, 1, edges)) << "not a status window";

  MoveWindow(h, 0, 0, 400, 300, true);  // the strip follows its parent
  GetWindowRect(s, &r);
  EXPECT_EQ(r.bottom, 300 - 3);
  EXPECT_EQ(r.right - r.left, 394);
}

TEST_F(Platform, PointerTicketsRedeemOnlyWhileFresh) {
  int a = 1;
  const LPARAM t = PackPointer(&a);
  EXPECT_NE(t, 0);
  EXPECT_EQ(UnpackPointer(t), &a);
  EXPECT_EQ(PackPointer(nullptr), 0);
  for (int i = 0; i < 256; ++i) PackPointer(&i);
  EXPECT_EQ(UnpackPointer(t), nullptr) << "outdated tickets give null, never a wrong pointer";
  EXPECT_EQ(UnpackPointer(-5), nullptr);
}

// ---- OpenGL ----------------------------------------------------------------------------------
PIXELFORMATDESCRIPTOR DemoRequest(std::uint8_t bits) {
  PIXELFORMATDESCRIPTOR p{};
  p.nSize = 40;
  p.nVersion = 1;
  p.dwFlags = 0x1065;
  p.iPixelType = PFD_TYPE_RGBA;
  p.cColorBits = p.cAlphaBits = p.cAccumBits = p.cDepthBits = p.cStencilBits = p.cAuxBuffers = bits;
  p.iLayerType = 1;
  return p;
}

TEST_F(Platform, ChoosePixelFormatGivesTheClosestDoubleBufferedRgbaFormat) {
  HWND h = Main();
  HDC dc = GetDC(h);
  ASSERT_NE(dc, 0u);
  const std::int32_t count = DescribePixelFormat(dc, 1, 40, nullptr);
  ASSERT_GT(count, 0);
  int deepest = 0;
  for (int i = 1; i <= count; ++i) {
    PIXELFORMATDESCRIPTOR f;
    DescribePixelFormat(dc, i, 40, &f);
    deepest = std::max<int>(deepest, f.cDepthBits);
  }
  for (std::uint8_t bits : {std::uint8_t{32}, std::uint8_t{24}, std::uint8_t{16}}) {
    const auto req = DemoRequest(bits);
    const std::int32_t index = ChoosePixelFormat(dc, &req);
    ASSERT_NE(index, 0) << int(bits);
    PIXELFORMATDESCRIPTOR got;
    EXPECT_EQ(DescribePixelFormat(dc, index, sizeof got, &got), count);
    EXPECT_TRUE(got.dwFlags & PFD_DOUBLEBUFFER);
    EXPECT_TRUE(got.dwFlags & PFD_SUPPORT_OPENGL);
    EXPECT_EQ(got.iPixelType, PFD_TYPE_RGBA);
    EXPECT_GT(got.cDepthBits, 0);
    if (bits == 32) {
      EXPECT_EQ(got.cDepthBits, deepest);
    }
  }
  auto colourIndex = DemoRequest(32);
  colourIndex.iPixelType = 1;
  EXPECT_EQ(ChoosePixelFormat(dc, &colourIndex), 0) << "no colour-index formats";
  EXPECT_FALSE(SetPixelFormat(dc, 0, nullptr));
  EXPECT_EQ(wglCreateContext(dc), 0u) << "no format set yet";
  ReleaseDC(h, dc);
}

TEST_F(Platform, ContextRendersRealPixelsAndSwapsAreCounted) {
  HWND h = Main(kCaptioned, 206, 122);  // client 200 x 100
  HDC dc = GetDC(h);
  const auto req = DemoRequest(32);
  const std::int32_t format = ChoosePixelFormat(dc, &req);
  ASSERT_TRUE(SetPixelFormat(dc, format, &req));
  EXPECT_EQ(GetPixelFormat(dc), format);
  HGLRC rc = wglCreateContext(dc);
  ASSERT_NE(rc, 0u);
  ASSERT_TRUE(wglMakeCurrent(dc, rc));
  EXPECT_EQ(wglGetCurrentContext(), rc);
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 200);
  EXPECT_EQ(viewport[3], 100);
  glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glEnable(GL_SCISSOR_TEST);
  glScissor(150, 50, 50, 50);
  glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
  glBegin(GL_POINTS);  // the fixed-function pipeline is there
  glEnd();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  EXPECT_TRUE(SwapBuffers(dc));
  EXPECT_EQ(hl::SwapCount(h), 1u);
  unsigned char px[2][4] = {};
  glReadPixels(10, 10, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px[0]);
  glReadPixels(199, 99, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px[1]);
  EXPECT_EQ(px[0][0], 255);
  EXPECT_EQ(px[0][2], 0);
  EXPECT_EQ(px[1][0], 0);
  EXPECT_EQ(px[1][2], 255);

  // The surface follows the client size.
  MoveWindow(h, 0, 0, 306, 222, true);
  glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glReadPixels(299, 199, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px[0]);
  EXPECT_EQ(px[0][1], 255) << "context still current on the new, larger surface";

  // The system destroys the window: drawing and swapping stay harmless.
  hl::InjectSystemDestroy(h);
  EXPECT_FALSE(IsWindow(h));
  glClear(GL_COLOR_BUFFER_BIT);
  EXPECT_FALSE(SwapBuffers(dc));
  EXPECT_EQ(hl::SwapCount(h), 1u);
  EXPECT_TRUE(wglMakeCurrent(0, 0));
  EXPECT_TRUE(wglDeleteContext(rc));
  EXPECT_FALSE(wglDeleteContext(rc));
  EXPECT_EQ(ReleaseDC(h, dc), 0);
}

TEST_F(Platform, ShutdownLeavesNoObjects) {
  HWND h = Main();
  HDC dc = GetDC(h);
  const auto req = DemoRequest(32);
  SetPixelFormat(dc, ChoosePixelFormat(dc, &req), &req);
  wglMakeCurrent(dc, wglCreateContext(dc));
  CreateStatusWindow(WS_CHILD | WS_VISIBLE, "x", h, 1);
  LoadCursor(0, IDC_ARROW);
  EXPECT_GT(hl::LiveObjectCount(), 0u);
  Shutdown();
  EXPECT_EQ(hl::LiveObjectCount(), 0u);
  EXPECT_FALSE(IsInitialized());
  EXPECT_FALSE(IsWindow(h));
}

}  // namespace
}  // namespace brevra::platform
