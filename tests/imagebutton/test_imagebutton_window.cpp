// The image button on headless platform windows: real child windows of the "IMAGEBUTTON" class
// driven by injected pointer input (routed by the platform to the child under the pointer inside
// its shape, or to the capture window), with the state, capture, posted commands and the pixels
// painted into the button's surface checked after every sequence.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "brevra/imagebutton/image_button.h"
#include "brevra/platform/gdi.h"
#include "brevra/platform/headless.h"
#include "brevra/platform/platform.h"
#include "tests/imagebutton/bmp_files.h"

using namespace brevra;
namespace pf = brevra::platform;
namespace hl = brevra::platform::headless;
using brevra::test::Picture;
using brevra::test::Rgb;

namespace {

constexpr std::uint32_t kMagenta = 0xFF00FF;
constexpr std::uint32_t kNormal = Rgb(200, 0, 0);
constexpr std::uint32_t kHover = Rgb(0, 200, 0);
constexpr std::uint32_t kPressed = Rgb(0, 0, 200);
constexpr std::int32_t kId = 4321;
constexpr std::int32_t kW = 30, kH = 20;

// 30 x 20 in one colour, with a magenta 6 x 6 top-left corner and a near-magenta (255, 1, 255)
// pixel at (29, 19) that is transparent too; (255, 2, 255) at (28, 19) stays opaque.
Picture ButtonPicture(std::uint32_t colour, std::int32_t w = kW, std::int32_t h = kH) {
  Picture p(w, h, colour);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 6; ++x) p.at(x, y) = kMagenta;
  }
  p.at(w - 1, h - 1) = Rgb(255, 1, 255);
  p.at(w - 2, h - 1) = Rgb(255, 2, 255);
  return p;
}

void WritePictures(const std::string& prefix, std::int32_t w = kW, std::int32_t h = kH) {
  ASSERT_TRUE(brevra::test::WriteTrueColourBmp(prefix + "N.BMP", ButtonPicture(kNormal, w, h)));
  ASSERT_TRUE(brevra::test::WriteTrueColourBmp(prefix + "H.BMP", ButtonPicture(kHover, w, h)));
  ASSERT_TRUE(brevra::test::WriteTrueColourBmp(prefix + "P.BMP", ButtonPicture(kPressed, w, h)));
}

std::vector<pf::MSG>& ParentLog() {
  static std::vector<pf::MSG> log;
  return log;
}

pf::LRESULT ParentProc(pf::HWND hwnd, std::int32_t msg, pf::WPARAM wp, pf::LPARAM lp) {
  if (msg == pf::WM_COMMAND || msg == pf::WM_LBUTTONDOWN) {
    pf::MSG m;
    m.hwnd = hwnd;
    m.message = msg;
    m.wParam = wp;
    m.lParam = lp;
    ParentLog().push_back(m);
  }
  return pf::DefWindowProc(hwnd, msg, wp, lp);
}

class ImageButtonWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pf::Init(pf::Backend::Headless));
    pf::WNDCLASSEX wc;
    wc.cbSize = 48;
    wc.lpfnWndProc = HoverButtonHandler;
    wc.hCursor = pf::LoadCursor(0, pf::IDC_ARROW);
    wc.hbrBackground = pf::GetStockObject(pf::NULL_BRUSH);
    wc.lpszClassName = SzHoverClass;
    ASSERT_NE(pf::RegisterClassEx(&wc), 0);
    pf::WNDCLASS pc;
    pc.lpfnWndProc = ParentProc;
    pc.lpszClassName = "ButtonParent";
    ASSERT_NE(pf::RegisterClass(&pc), 0);
    // A captioned parent: its client area starts 3 right of and 19 below its outer corner.
    parent = pf::CreateWindowEx(0, "ButtonParent", "parent",
                                pf::WS_POPUP | pf::WS_CAPTION | pf::WS_VISIBLE, 100, 50, 400, 300,
                                0, 0, 0, nullptr);
    ASSERT_NE(parent, 0u);
    prefix = dir.file("btn");
    WritePictures(prefix);
    BmpType = prefix;
    ParentLog().clear();
  }
  void TearDown() override {
    BmpType.clear();
    pf::Shutdown();
  }

  pf::HWND MakeButton(pf::HWND in, std::int32_t x = 40, std::int32_t y = 60) {
    return pf::CreateWindowEx(0, SzHoverClass, "", pf::WS_CHILD | pf::WS_VISIBLE, x, y, 5, 5, in,
                              static_cast<pf::HMENU>(kId), 0, nullptr);
  }
  void Pump() {
    pf::MSG m;
    while (pf::PeekMessage(&m, 0, 0, 0, pf::PM_REMOVE)) pf::DispatchMessage(&m);
  }
  // Moves the pointer to (x, y) of the button's client area (or of any window's).
  void MoveTo(pf::HWND w, std::int32_t x, std::int32_t y) {
    pf::POINT p{x, y};
    pf::ClientToScreen(w, &p);
    hl::InjectMouseMove(p.x, p.y);
    Pump();
  }
  void Button(int which, bool down) {
    hl::InjectMouseButton(which, down);
    Pump();
  }
  int Commands() const {
    int n = 0;
    for (const pf::MSG& m : ParentLog()) {
      if (m.message == pf::WM_COMMAND) {
        EXPECT_EQ(m.hwnd, parent);
        EXPECT_EQ(m.wParam, kId);
        EXPECT_EQ(m.lParam, 0);
        ++n;
      }
    }
    return n;
  }
  // The colour painted at (x, y) of the button, or 0xFFFFFFFF when nothing was painted there.
  std::uint32_t Painted(pf::HWND b, std::int32_t x, std::int32_t y) const {
    const pf::detail::Surface* s = pf::detail::WindowSurface(b);
    if (s == nullptr || x >= s->width || y >= s->height) return 0xFFFFFFFFu;
    const std::uint32_t p = s->pixels[static_cast<std::size_t>(y) * s->width + x];
    return (p >> 24) == 0 ? 0xFFFFFFFFu : (p & 0xFFFFFFu);
  }

  brevra::test::ScratchDir dir{"imagebutton"};
  std::string prefix;
  pf::HWND parent = 0;
};

TEST_F(ImageButtonWindow, CreationSizesPlacesShapesAndPaints) {
  const pf::HWND b = MakeButton(parent);
  ASSERT_NE(b, 0u);
  pf::RECT r, pr;
  pf::GetWindowRect(b, &r);
  pf::GetWindowRect(parent, &pr);
  EXPECT_EQ(r.left - pr.left - 3, 40) << "stays where it was created";
  EXPECT_EQ(r.top - pr.top - 19, 60);
  EXPECT_EQ(r.right - r.left, kW) << "the normal picture's size";
  EXPECT_EQ(r.bottom - r.top, kH);
  EXPECT_EQ(pf::GetProp(b, HoverMode), 1u);
  for (const char* name : {NormalBmp, HoverBmp, PressBmp, ButtonRgn}) {
    EXPECT_NE(pf::GetProp(b, name), 0u) << name;
  }
  const pf::HRGN hit = pf::GetProp(b, ButtonRgn);
  const pf::HRGN shape = pf::GetWindowRgn(b);
  ASSERT_NE(shape, 0u);
  EXPECT_NE(shape, hit) << "two regions: one for the window system, one for hit tests";
  for (pf::HRGN rgn : {hit, shape}) {
    EXPECT_FALSE(pf::PtInRegion(rgn, 0, 0));
    EXPECT_FALSE(pf::PtInRegion(rgn, 5, 5));
    EXPECT_TRUE(pf::PtInRegion(rgn, 6, 5));
    EXPECT_FALSE(pf::PtInRegion(rgn, kW - 1, kH - 1)) << "(255, 1, 255) is transparent";
    EXPECT_TRUE(pf::PtInRegion(rgn, kW - 2, kH - 1)) << "(255, 2, 255) is opaque";
  }
  Pump();  // the first paint
  EXPECT_EQ(Painted(b, 10, 10), kNormal);
  EXPECT_EQ(Painted(b, 2, 2), 0xFFFFFFFFu) << "clipped to the shape";
  EXPECT_EQ(Painted(b, kW - 1, kH - 1), 0xFFFFFFFFu);
}

TEST_F(ImageButtonWindow, PlacementTakesTheFixedFrameAllowances) {
  // The button moves by (frame left - 3, caption and top frame - 19) of its parent: it stays
  // where it was created in a parent with the classic 3 / 19 frame, and moves to (41, 64) in
  // one with a 4 / 23 frame (when the platform offers such a frame: a sizing border).
  pf::WNDCLASS pc;
  pc.lpfnWndProc = ParentProc;
  pc.lpszClassName = "Panel";
  pf::RegisterClass(&pc);
  struct Case {
    const char* name;
    pf::HWND parent;
    std::int32_t x, y;  // where the button created at (40, 60) ends up in the client area
  };
  const Case cases[] = {
      {"captioned", parent, 40, 60},
      {"sizing border",
       pf::CreateWindowEx(0, "ButtonParent", "",
                          pf::WS_POPUP | pf::WS_CAPTION | pf::WS_THICKFRAME | pf::WS_VISIBLE, 500,
                          50, 300, 200, 0, 0, 0, nullptr),
       41, 64},
      {"frameless pop-up",
       pf::CreateWindowEx(0, "ButtonParent", "", pf::WS_POPUP | pf::WS_VISIBLE, 600, 400, 300, 200,
                          0, 0, 0, nullptr),
       37, 41},
      {"child panel",
       pf::CreateWindowEx(0, "Panel", "", pf::WS_CHILD | pf::WS_VISIBLE, 10, 10, 300, 200, parent,
                          0, 0, nullptr),
       37, 41},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_NE(c.parent, 0u);
    pf::RECT outer;
    pf::GetWindowRect(c.parent, &outer);
    pf::POINT client{0, 0};
    pf::ClientToScreen(c.parent, &client);
    const std::int32_t frameX = client.x - outer.left, frameY = client.y - outer.top;
    const pf::HWND b = MakeButton(c.parent);
    pf::RECT r;
    pf::GetWindowRect(b, &r);
    const std::int32_t x = r.left - client.x, y = r.top - client.y;
    EXPECT_EQ(x, 40 + frameX - 3);
    EXPECT_EQ(y, 60 + frameY - 19);
    EXPECT_EQ(x, c.x);
    EXPECT_EQ(y, c.y);
    EXPECT_EQ(r.right - r.left, kW);
    EXPECT_EQ(r.bottom - r.top, kH);
  }
}

// ---- the state machine as message sequences ----
enum class Op { Move, MoveOut, MoveCorner, LDown, LUp, RDown, RUp, DoubleClick };

struct Sequence {
  const char* name;
  std::vector<Op> ops;
  pf::HANDLE state;       // final "HOVERMODEBYTE"
  bool captured;          // the button holds the capture at the end
  int commands;           // WM_COMMAND posted to the parent
  std::uint32_t painted;  // the picture shown at the end
};

const Sequence kSequences[] = {
    {"hover in", {Op::Move}, 2, true, 0, kHover},
    {"hover in and out", {Op::Move, Op::MoveOut}, 1, false, 0, kNormal},
    {"hover, then move inside", {Op::Move, Op::Move}, 2, true, 0, kHover},
    {"click", {Op::Move, Op::LDown, Op::LUp}, 1, false, 1, kNormal},
    {"press, move inside, release", {Op::Move, Op::LDown, Op::Move, Op::LUp}, 1, false, 1, kNormal},
    {"press, move out, release outside",
     {Op::Move, Op::LDown, Op::MoveOut, Op::LUp},
     1,
     false,
     0,
     kNormal},
    {"press outside, move in, release",
     {Op::MoveOut, Op::LDown, Op::Move, Op::LUp},
     1,
     false,
     1,
     kNormal},
    {"press outside, move in", {Op::MoveOut, Op::LDown, Op::Move}, 3, true, 0, kPressed},
    {"pressed", {Op::Move, Op::LDown}, 3, true, 0, kPressed},
    {"double click", {Op::Move, Op::DoubleClick}, 1, false, 2, kNormal},
    {"enter with the right button held", {Op::MoveOut, Op::RDown, Op::Move}, 3, true, 0, kPressed},
    {"right button released: nothing",
     {Op::MoveOut, Op::RDown, Op::Move, Op::RUp},
     3,
     true,
     0,
     kPressed},
    {"right click while hovering", {Op::Move, Op::RDown, Op::RUp}, 2, true, 0, kHover},
    {"magenta corner is not the button", {Op::MoveCorner}, 1, false, 0, kNormal},
    {"click on the magenta corner", {Op::MoveCorner, Op::LDown, Op::LUp}, 1, false, 0, kNormal},
    {"hover, then onto the magenta corner", {Op::Move, Op::MoveCorner}, 1, false, 0, kNormal},
};

TEST_F(ImageButtonWindow, StateMachineSequences) {
  for (const Sequence& s : kSequences) {
    SCOPED_TRACE(s.name);
    const pf::HWND b = MakeButton(parent);
    ASSERT_NE(b, 0u);
    MoveTo(parent, 5, 5);  // the pointer starts away from the button
    Pump();
    ParentLog().clear();
    for (Op op : s.ops) {
      switch (op) {
        case Op::Move:
          MoveTo(b, 15, 12);
          break;
        case Op::MoveOut:
          MoveTo(parent, 200, 200);
          break;
        case Op::MoveCorner:
          MoveTo(b, 2, 2);
          break;
        case Op::LDown:
          Button(0, true);
          break;
        case Op::LUp:
          Button(0, false);
          break;
        case Op::RDown:
          Button(1, true);
          break;
        case Op::RUp:
          Button(1, false);
          break;
        case Op::DoubleClick:
          hl::InjectMouseDoubleClick(0);
          Pump();
          break;
      }
    }
    EXPECT_EQ(pf::GetProp(b, HoverMode), s.state);
    EXPECT_EQ(pf::GetCapture() == b, s.captured);
    EXPECT_EQ(Commands(), s.commands);
    EXPECT_EQ(Painted(b, 15, 12), s.painted);
    // Leave the mouse as it was for the next row.
    hl::InjectMouseButton(0, false);
    hl::InjectMouseButton(1, false);
    pf::ReleaseCapture();
    pf::DestroyWindow(b);
    Pump();
  }
}

TEST_F(ImageButtonWindow, MessagesSentDirectly) {
  // The procedure alone, without routing: positions outside the window arrive as large
  // unsigned numbers while the button holds the capture.
  const pf::HWND b = MakeButton(parent);
  EXPECT_EQ(pf::SendMessage(b, pf::WM_MOUSEMOVE, 0, (12 << 16) | 15), 0);
  EXPECT_EQ(pf::GetProp(b, HoverMode), 2u);
  EXPECT_EQ(pf::GetCapture(), b);
  const pf::LPARAM leftOf = static_cast<pf::LPARAM>((12u << 16) | 0xFFFFu);  // x = -1
  EXPECT_EQ(pf::SendMessage(b, pf::WM_MOUSEMOVE, 0, leftOf), 0);
  EXPECT_EQ(pf::GetProp(b, HoverMode), 1u);
  EXPECT_EQ(pf::GetCapture(), 0u);
  EXPECT_EQ(pf::SendMessage(b, pf::WM_MOUSEMOVE, pf::MK_LBUTTON, (12 << 16) | 15), 0);
  EXPECT_EQ(pf::GetProp(b, HoverMode), 3u);
  // From state 1 or 2 a release posts nothing; from 3 exactly one command.
  EXPECT_EQ(pf::SendMessage(b, pf::WM_LBUTTONUP, 0, 0), 0);
  EXPECT_EQ(pf::SendMessage(b, pf::WM_LBUTTONUP, 0, 0), 0);
  Pump();
  EXPECT_EQ(Commands(), 1);
  // The position of a press is not tested.
  EXPECT_EQ(pf::SendMessage(b, pf::WM_LBUTTONDOWN, 0, (2 << 16) | 2), 0);
  EXPECT_EQ(pf::GetProp(b, HoverMode), 3u);
  EXPECT_EQ(pf::GetCapture(), b);
}

TEST_F(ImageButtonWindow, MissingNormalPictureLeavesARectangularButtonThatStillClicks) {
  std::filesystem::remove(prefix + "N.BMP");
  ASSERT_TRUE(brevra::test::WriteTrueColourBmp(prefix + "P.BMP", Picture(kW, kH, kPressed)));
  const pf::HWND b = MakeButton(parent, 40, 60);
  ASSERT_NE(b, 0u);
  EXPECT_EQ(pf::GetProp(b, ButtonRgn), 0u);
  EXPECT_EQ(pf::GetProp(b, NormalBmp), 0u);
  EXPECT_EQ(pf::GetWindowRgn(b), 0u);
  EXPECT_EQ(pf::GetProp(b, HoverMode), 1u);
  pf::RECT r;
  pf::GetWindowRect(b, &r);
  EXPECT_EQ(r.right - r.left, 5) << "keeps the size it was created with";
  EXPECT_EQ(pf::SendMessage(b, pf::WM_MOUSEMOVE, 0, (2 << 16) | 2), 0);
  EXPECT_EQ(pf::GetProp(b, HoverMode), 1u) << "moves are ignored";
  MoveTo(b, 2, 2);
  Button(0, true);
  EXPECT_EQ(Painted(b, 2, 2), kPressed);
  Button(0, false);
  EXPECT_EQ(Commands(), 1);
  pf::DestroyWindow(b);
}

TEST_F(ImageButtonWindow, StateWithoutAPictureDrawsNothing) {
  std::filesystem::remove(prefix + "H.BMP");
  const pf::HWND b = MakeButton(parent);
  EXPECT_EQ(pf::GetProp(b, HoverBmp), 0u);
  // Into the hover state before the first paint: that paint has no picture to draw.
  pf::SendMessage(b, pf::WM_MOUSEMOVE, 0, (12 << 16) | 15);
  ASSERT_EQ(pf::GetProp(b, HoverMode), 2u);
  Pump();
  EXPECT_EQ(Painted(b, 15, 12), 0xFFFFFFFFu) << "not the normal picture";
  pf::MSG m;
  EXPECT_FALSE(pf::PeekMessage(&m, b, pf::WM_PAINT, pf::WM_PAINT, pf::PM_NOREMOVE))
      << "the paint request is acknowledged";
  MoveTo(b, 15, 12);
  Button(0, true);
  EXPECT_EQ(Painted(b, 15, 12), kPressed);
}

TEST_F(ImageButtonWindow, PlacedByTheFrameAllowancesWithoutTheNormalPictureOrItsContext) {
  // In a parent with a 4 / 23 frame a button created at (40, 60) moves to (41, 64): also when
  // its normal picture is missing (it keeps its created size) and when the picture loads but
  // its device context cannot be made (sized from the picture).
  const pf::HWND framed = pf::CreateWindowEx(
      0, "ButtonParent", "", pf::WS_POPUP | pf::WS_CAPTION | pf::WS_THICKFRAME | pf::WS_VISIBLE,
      500, 50, 300, 200, 0, 0, 0, nullptr);
  ASSERT_NE(framed, 0u);
  struct Case {
    const char* name;
    bool missing;       // N.BMP removed
    bool refuseDC;      // the first memory device context is refused
    std::int32_t w, h;  // the button's size
    bool shaped;
  };
  const Case cases[] = {{"all there", false, false, kW, kH, true},
                        {"normal picture missing", true, false, 5, 5, false},
                        {"normal device context refused", false, true, kW, kH, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WritePictures(prefix);
    if (c.missing) std::filesystem::remove(prefix + "N.BMP");
    int contexts = 0;
    if (c.refuseDC) {
      pf::SetGdiFailureHook([&contexts](pf::GdiOp op, std::size_t) {
        return op == pf::GdiOp::CreateCompatibleDC && contexts++ == 0;
      });
    }
    const pf::HWND b = MakeButton(framed);
    pf::SetGdiFailureHook({});
    ASSERT_NE(b, 0u);
    pf::RECT r;
    pf::GetWindowRect(b, &r);
    pf::POINT client{0, 0};
    pf::ClientToScreen(framed, &client);
    EXPECT_EQ(r.left - client.x, 41);
    EXPECT_EQ(r.top - client.y, 64);
    EXPECT_EQ(r.right - r.left, c.w);
    EXPECT_EQ(r.bottom - r.top, c.h);
    EXPECT_EQ(pf::GetProp(b, NormalBmp) != 0, !c.missing && !c.refuseDC);
    EXPECT_NE(pf::GetProp(b, HoverBmp), 0u);
    EXPECT_EQ(pf::GetWindowRgn(b) != 0, c.shaped);
    pf::DestroyWindow(b);
  }
}

TEST_F(ImageButtonWindow, BmpTypePrefixes) {
  // The prefix is used as it is: a directory, a stem, both, or nothing (the working directory).
  std::filesystem::create_directories(dir.path() / "pics");
  WritePictures(dir.file("pics/ok"), 24, 16);
  WritePictures(dir.file("pics\\ok"), 22, 14);  // a backslash is no separator here
  WritePictures(dir.file(""), 18, 12);
  const std::filesystem::path cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  struct Case {
    std::string prefix;
    std::int32_t width;
  };
  for (const Case& c : {Case{"pics/ok", 24}, Case{"pics\\ok", 22}, Case{"", 18},
                        Case{dir.file("btn"), kW}, Case{"nothing-here/", 5}}) {
    SCOPED_TRACE(c.prefix);
    BmpType = c.prefix;
    const pf::HWND b = MakeButton(parent);
    pf::RECT r;
    pf::GetWindowRect(b, &r);
    EXPECT_EQ(r.right - r.left, c.width);
    pf::DestroyWindow(b);
  }
  std::filesystem::current_path(cwd);
}

TEST_F(ImageButtonWindow, DestroyReleasesEveryObject) {
  pf::DestroyWindow(MakeButton(parent));  // the stock objects of memory DCs now exist
  Pump();
  const std::size_t before = hl::LiveObjectCount();
  std::vector<pf::HWND> buttons;
  for (int i = 0; i < 100; ++i) buttons.push_back(MakeButton(parent, i, i));
  Pump();  // painted, too
  EXPECT_GT(hl::LiveObjectCount(), before + 100 * 8);
  for (pf::HWND b : buttons) {
    EXPECT_TRUE(pf::DestroyWindow(b));
    for (const char* name : {NormalBmp, HoverBmp, PressBmp, HoverMode, ButtonRgn}) {
      EXPECT_EQ(pf::GetProp(b, name), 0u);
    }
  }
  Pump();
  EXPECT_EQ(hl::LiveObjectCount(), before);
  EXPECT_EQ(pf::detail::WindowSurface(buttons[0]), nullptr);
}

TEST_F(ImageButtonWindow, OtherMessagesGoToTheDefaultProcedure) {
  const pf::HWND b = MakeButton(parent);
  EXPECT_EQ(pf::SendMessage(b, pf::WM_CLOSE, 0, 0), 0);
  EXPECT_FALSE(pf::IsWindow(b)) << "WM_CLOSE's default handling destroys the window";
  EXPECT_EQ(pf::GetCapture(), 0u);
}

}  // namespace
