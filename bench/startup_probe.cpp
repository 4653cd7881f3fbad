// bench-startup-probe: the demo's start-up on the headless platform, up to its first swapped
// frame; then it prints the monotonic clock in nanoseconds on stdout and ends. The start-up
// benchmark (bench-scene) spawns it and subtracts the time it started it at.
//
// The steps are the demo's own (main and RunDemo), the question answered "No" (the captioned
// 800 x 600 window), with the headless backend instead of real windows. Run it where the demo's
// images are (it changes to its own folder, <build>/bin). Exit status 1 when the platform cannot
// start or the set-up showed a message (a missing image).
#include <unistd.h>  // Required for: chdir, readlink

#include <cfenv>  // Required for: fedisableexcept
#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <string>

#include "brevra/platform/headless.h"
#include "brevra/platform/platform.h"
#include "brevra/window/window.h"
#include "demo/app.h"

int main() {
  namespace pf = brevra::platform;
  char exe[4096] = {};
  const ssize_t len = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (len > 0) {
    std::string dir(exe, static_cast<std::size_t>(len));
    dir = dir.substr(0, dir.rfind('/'));
    if (chdir(dir.c_str()) != 0) return 1;
  }

  fedisableexcept(FE_ALL_EXCEPT);
  if (!pf::Init(pf::Backend::Headless)) return 1;
  pf::headless::AnswerMessageBoxes(pf::IDNO);

  // RunDemo's steps up to the end of its first loop pass.
  const std::int32_t answer = pf::MessageBox(0, "Settare lo schermo intero?  ", "Video!",
                                             pf::MB_YESNO | pf::MB_ICONQUESTION);
  brevra::FullScreen = answer != pf::IDNO;
  brevra::OGLWindowSetting(brevra::ARROW, "", brevra::GENERIC, "");
  brevra::CreateOGLWindow("Fogliame generico", 800, 600, 32, brevra::FullScreen);
  fogliame::SetUpDemo();
  fogliame::RunFrame();

  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  std::printf("%" PRId64 "\n", static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec);
  std::fflush(stdout);

  const bool quiet = pf::headless::MessageBoxLog().size() == 1;  // only the question
  brevra::DeleteOGLWindow();
  pf::Shutdown();
  return quiet ? 0 : 1;
}
