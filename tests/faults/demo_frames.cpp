// demo-frames: the demo's own flow (fogliame::RunDemo) on the headless platform, ended by an
// Escape key press after a given number of frames. Made for tools/memcheck.sh, which runs it
// under valgrind: the whole life of the demo (question, window, scene, frame loop, release) with
// nothing but real code in it.
//
//   demo-frames [FRAMES]     (default 300; run it where the demo's pictures are, <build>/bin)
//
// Each frame's message step also carries a mouse drag, so the camera path runs too. Exits with
// the demo's code (0), or 2 on a bad argument, 1 when the headless platform cannot start.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cfenv>  // Required for: fedisableexcept

#include "brevra/platform/headless.h"
#include "brevra/platform/platform.h"
#include "brevra/window/window.h"
#include "demo/app.h"

namespace {

namespace pf = brevra::platform;
namespace hl = brevra::platform::headless;

std::uint64_t g_frames = 300;

// Runs in the message step of the frames in which nothing else is queued.
void InFrame(pf::HWND, pf::UINT, pf::UINT, std::uint32_t) {
  hl::AdvanceClock(10);
  const pf::HWND w = brevra::HWindow;
  const std::uint64_t shown = hl::SwapCount(w);
  pf::RECT outer{};
  pf::GetWindowRect(w, &outer);
  const auto x = static_cast<std::int32_t>(outer.left + 100 + shown % 200);
  const auto y = static_cast<std::int32_t>(outer.top + 100 + shown % 100);
  if (shown == 1) {
    hl::InjectMouseMove(x, y);
    hl::InjectMouseButton(0, true);  // a left drag for the rest of the run
  } else if (shown + 1 >= g_frames) {
    hl::InjectMouseButton(0, false);
    hl::InjectKey(pf::VK_ESCAPE, true);
  } else {
    hl::InjectMouseMove(x, y);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2 || (argc == 2 && (std::atoi(argv[1]) < 3 || std::atoi(argv[1]) > 1000000))) {
    std::fprintf(stderr, "usage: demo-frames [FRAMES (3..1000000)]\n");
    return 2;
  }
  if (argc == 2) g_frames = static_cast<std::uint64_t>(std::atoi(argv[1]));
  fedisableexcept(FE_ALL_EXCEPT);  // as the demo's process does
  if (!pf::Init(pf::Backend::Headless)) {
    std::fprintf(stderr, "demo-frames: the headless platform cannot start (no EGL?)\n");
    return 1;
  }
  hl::AnswerMessageBoxes(pf::IDNO);  // the captioned 800 x 600 window
  pf::SetTimer(0, 0, 10, reinterpret_cast<void*>(&InFrame));
  hl::AdvanceClock(10);
  const int code = fogliame::RunDemo();
  std::printf("demo-frames: %llu frames shown, exit code %d\n",
              static_cast<unsigned long long>(hl::TotalSwapCount()), code);
  pf::Shutdown();
  return code;
}
