// Fault tests of the demo's frame loop on the headless platform (real OpenGL through EGL): the
// window destroyed by the system in the middle of a frame, a window minimised for many frames,
// and a flood of queued messages worked off one per frame.
//
// The demo's own loop (fogliame::RunDemo) runs in a fresh process (a death test) that must end
// with exit code 0. Faults are injected from inside a frame: a thread timer's procedure runs in
// the frame's message step (SetGLMsg), exactly where the system's own messages arrive.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "tests/support/child_checks.h"
#include "brevra/platform/headless.h"
#include "brevra/platform/platform.h"
#include "brevra/window/camera.h"
#include "brevra/window/input.h"
#include "brevra/window/window.h"
#include "demo/app.h"

namespace {

namespace pf = brevra::platform;
namespace hl = brevra::platform::headless;

void Say(const std::string& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
  std::fflush(stderr);
}

// The demo's platform: headless, the full-screen question answered No, the demo's pictures in
// the working directory (the build puts them beside the programs).
void StartDemoPlatform() {
  REQUIRE(pf::Init(pf::Backend::Headless));
  hl::SetScreenSize(1024, 768);
  hl::AnswerMessageBoxes(pf::IDNO);
  REQUIRE(chdir(BREVRA_BINARY_DIR "/bin") == 0);
}

// Called in the message step of every frame in which no other message is waiting, with the
// number of frames already shown (swapped) by the demo's window.
std::function<void(std::uint64_t shown)> g_inFrame;

void InFrameTimer(pf::HWND, pf::UINT, pf::UINT, std::uint32_t) {
  hl::AdvanceClock(10);  // due again in the next frame's message step
  g_inFrame(brevra::HWindow != 0 ? hl::SwapCount(brevra::HWindow) : 0);
}

void StartInFrameHook(std::function<void(std::uint64_t)> hook) {
  g_inFrame = std::move(hook);
  REQUIRE(pf::SetTimer(0, 0, 10, reinterpret_cast<void*>(&InFrameTimer)) != 0);
  hl::AdvanceClock(10);
}

// ---------------------------------------------------------------------------------------------
// The window goes away in the middle of a frame
// ---------------------------------------------------------------------------------------------
enum class Ending { SystemDestroy, CloseRequest, Escape };

struct EndingCase {
  const char* name;
  Ending ending;
  // Whether the window is already gone during the rest of the frame (its drawing and swap then
  // fail quietly; the swap is not counted).
  bool goneAtOnce;
};

class FrameEndingDeathTest : public ::testing::TestWithParam<EndingCase> {};

[[noreturn]] void EndingScenario(const EndingCase c) {
  StartDemoPlatform();
  static pf::HWND window = 0;
  static std::uint64_t shownAtFault = 0;
  static bool injected = false;
  static Ending ending;
  ending = c.ending;
  StartInFrameHook([](std::uint64_t shown) {
    if (injected || shown < 3) return;
    injected = true;
    window = brevra::HWindow;
    shownAtFault = shown;
    switch (ending) {
      case Ending::SystemDestroy:
        hl::InjectSystemDestroy(window);
        REQUIRE(!pf::IsWindow(window) && !brevra::Active);
        break;
      case Ending::CloseRequest:
        hl::InjectCloseRequest(window);  // handled by a later frame's message step
        break;
      case Ending::Escape:
        hl::InjectKey(pf::VK_ESCAPE, true);
        break;
    }
  });
  const int code = fogliame::RunDemo();
  REQUIRE(injected && !brevra::Active && !pf::IsWindow(window));
  // Every frame begun before the window went away was shown; the one in which it went away
  // only when the window outlived it (Escape keeps it until the loop has ended).
  const std::uint64_t shown = hl::SwapCount(window);
  Say("frames shown " + std::to_string(shown) + " after the fault in frame " +
      std::to_string(shownAtFault + 1));
  if (c.goneAtOnce) REQUIRE(shown == shownAtFault);
  std::exit(code);
}

TEST_P(FrameEndingDeathTest, RestOfFrameIsHarmlessAndTheDemoExitsWithZero) {
  EXPECT_EXIT(EndingScenario(GetParam()), ::testing::ExitedWithCode(0),
              "frames shown [0-9]+ after the fault");
}

INSTANTIATE_TEST_SUITE_P(Endings, FrameEndingDeathTest,
                         ::testing::Values(EndingCase{"SystemDestroy", Ending::SystemDestroy, true},
                                           EndingCase{"CloseRequest", Ending::CloseRequest, false},
                                           EndingCase{"Escape", Ending::Escape, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Minimised for many frames
// ---------------------------------------------------------------------------------------------
constexpr std::uint64_t kMinimisedFrames = 300;

[[noreturn]] void MinimisedScenario() {
  StartDemoPlatform();
  static std::uint64_t minimisedAt = 0, restoredAt = 0, withoutArea = 0;
  StartInFrameHook([](std::uint64_t shown) {
    const pf::HWND w = brevra::HWindow;
    if (minimisedAt == 0 && shown >= 2) {
      hl::InjectMinimize(w);
      minimisedAt = shown;
    } else if (minimisedAt != 0 && restoredAt == 0) {
      // The WM_SIZE of the minimisation has been handled: the window has no area.
      REQUIRE(brevra::Width == 0 && brevra::Height == 0 && brevra::Active);
      if (++withoutArea == kMinimisedFrames) {
        hl::InjectRestore(w);
        restoredAt = shown;
      }
    } else if (restoredAt != 0 && shown >= restoredAt + 3) {
      pf::RECT client{};
      pf::GetClientRect(w, &client);
      REQUIRE(brevra::Width == client.right && brevra::Height == client.bottom);
      REQUIRE(brevra::Width > 0 && brevra::Height > 0);
      hl::InjectKey(pf::VK_ESCAPE, true);
    }
  });
  const int code = fogliame::RunDemo();
  REQUIRE(withoutArea == kMinimisedFrames);
  Say("minimised frames " + std::to_string(withoutArea));
  std::exit(code);
}

TEST(MinimisedDeathTest, ManyFramesWithoutAreaThenRestoredThenEscape) {
  EXPECT_EXIT(MinimisedScenario(), ::testing::ExitedWithCode(0), "minimised frames 300");
}

// ---------------------------------------------------------------------------------------------
// Ten thousand queued messages, one per frame
// ---------------------------------------------------------------------------------------------
// The demo's frame (fogliame::RunFrame, the body of its loop) handles at most one message: with
// 10000 mouse moves queued at once, frame i leaves the position of move i in SetOMX / SetOMY and
// 10000 - i messages in the queue. Nothing is lost, nothing overtakes.
constexpr int kMessages = 10000;

[[noreturn]] void FloodScenario() {
  StartDemoPlatform();
  brevra::FullScreen = false;
  brevra::OGLWindowSetting(brevra::ARROW, "", brevra::GENERIC, "");
  // The test is about the queue: a small window, and the bush's display lists left unbuilt
  // (calling list 0 draws nothing), so that each of the 10000 frames is cheap. The frame is
  // still the demo's own: clear, message step, projection, view, light, marker, floor, swap.
  brevra::CreateOGLWindow("Fogliame generico", 160, 120, 32, false);
  brevra::OpenGL_Init(100, 0, 0, 0, 0);
  pf::MSG m;
  while (pf::PeekMessage(&m, 0, 0, 0, pf::PM_NOREMOVE)) fogliame::RunFrame();  // start-up's

  auto position = [](int i) { return std::pair<int, int>{i % 150, i / 150}; };
  for (int i = 0; i < kMessages; ++i) {
    const auto [x, y] = position(i);
    REQUIRE(pf::PostMessage(brevra::HWindow, pf::WM_MOUSEMOVE, 0,
                            static_cast<pf::LPARAM>((y << 16) | x)));
  }
  for (int i = 0; i < kMessages; ++i) {
    fogliame::RunFrame();
    const auto [x, y] = position(i);
    REQUIRE(brevra::SetOMX == x && brevra::SetOMY == y);
  }
  REQUIRE(!pf::PeekMessage(&m, 0, 0, 0, pf::PM_NOREMOVE));  // none left over
  hl::InjectKey(pf::VK_ESCAPE, true);
  do {
    fogliame::RunFrame();
  } while (brevra::Active);
  brevra::DeleteOGLWindow();
  Say("messages in order " + std::to_string(kMessages));
  std::exit(0);
}

TEST(MessageFloodDeathTest, TenThousandMessagesWorkedOffOnePerFrameInOrder) {
  EXPECT_EXIT(FloodScenario(), ::testing::ExitedWithCode(0), "messages in order 10000");
}

}  // namespace
