// bench-menus: what the platform's menus add to a frame, on the headless platform (Mesa
// llvmpipe through an EGL pbuffer), in the demo's captioned 800 x 600 window with its scene.
//
//   menus/paired       the demo's loop pass in four modes, in rounds so that all see the same
//                      load: the window without menus (client 794 x 578), the same window 20
//                      rows shorter (client 794 x 558, what the bar leaves), with the bar, and
//                      with the bar and its File menu open. Medians of each, and the overheads
//                      against the same window and against the same client area, in wall time
//                      and in the process's CPU time (llvmpipe's threads included)
//   menus/compose_none ComposeMenus for a window without menus, then glFinish
//   menus/compose_bar  drawing the bar over the frame alone (its picture already painted), with
//                      the process's CPU time per call
//   menus/compose_open the bar and an open menu over the frame alone
//
// The images are read from the program's folder (<build>/bin).
#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <unistd.h>  // Required for: chdir, readlink

#include <algorithm>
#include <cfenv>  // Required for: fedisableexcept
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "brevra/platform/headless.h"
#include "brevra/platform/menu.h"  // Required for: ComposeMenus (the composition alone)
#include "brevra/platform/platform.h"
#include "brevra/window/input.h"
#include "brevra/window/window.h"
#include "demo/app.h"

namespace {

namespace pf = brevra::platform;

pf::HMENU g_bar = 0;

std::int64_t ClockNs(clockid_t clock) {
  timespec ts{};
  clock_gettime(clock, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void DrainMessages() {
  pf::MSG msg{};
  while (pf::PeekMessage(&msg, 0, 0, 0, pf::PM_NOREMOVE)) brevra::SetGLMsg();
}

void Key(std::int32_t vk) {
  pf::headless::InjectKey(vk, true);
  pf::headless::InjectKey(vk, false);
  DrainMessages();
}

// None: the window as it is without menus (client 794 x 578); Short: without menus but 20 rows
// shorter, so that its client area is the one the bar leaves (794 x 558); Bar: with the bar;
// Open: with the bar and its File menu open (first item highlighted).
enum class Mode { None, Short, Bar, Open };
constexpr Mode kModes[] = {Mode::None, Mode::Short, Mode::Bar, Mode::Open};

void Enter(Mode mode) {
  while (pf::detail::OpenMenus().window != 0) Key(pf::VK_ESCAPE);  // one level at a time
  const bool bar = mode == Mode::Bar || mode == Mode::Open;
  pf::SetMenu(brevra::HWindow, bar ? g_bar : 0);
  pf::MoveWindow(brevra::HWindow, 0, 0, 800, mode == Mode::Short ? 600 - pf::kMenuBarHeight : 600,
                 true);
  DrainMessages();  // WM_SIZE: the projection follows the new client size
  if (mode == Mode::Open) {
    Key(pf::VK_F10);
    Key(pf::VK_DOWN);
  }
  fogliame::RunFrame();  // the pictures are painted once, outside the timing
  glFinish();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0.0 : v[v.size() / 2];
}

void RegisterMenus() {
  benchmark::RegisterBenchmark(
      "menus/paired",
      [](benchmark::State& s) {
        // Wall-clock time, and the CPU time of the whole process (llvmpipe's threads included),
        // which other programs on a shared machine disturb far less.
        std::vector<double> wall[4], cpu[4];
        constexpr int kFrames = 6;
        for (auto _ : s) {
          double round = 0;
          for (Mode mode : kModes) {
            Enter(mode);
            for (int k = 0; k < kFrames; ++k) {
              const std::int64_t t0 = ClockNs(CLOCK_MONOTONIC);
              const std::int64_t c0 = ClockNs(CLOCK_PROCESS_CPUTIME_ID);
              fogliame::RunFrame();
              const double ms = static_cast<double>(ClockNs(CLOCK_MONOTONIC) - t0) * 1e-6;
              wall[static_cast<int>(mode)].push_back(ms);
              cpu[static_cast<int>(mode)].push_back(
                  static_cast<double>(ClockNs(CLOCK_PROCESS_CPUTIME_ID) - c0) * 1e-6);
              round += ms;
            }
          }
          s.SetIterationTime(round * 1e-3);
        }
        Enter(Mode::None);
        const char* names[4] = {"none", "short", "bar", "open"};
        for (int m = 0; m < 4; ++m) {
          s.counters[std::string(names[m]) + "_ms"] = Median(wall[m]);
          s.counters[std::string("cpu_") + names[m] + "_ms"] = Median(cpu[m]);
        }
        auto pct = [](double a, double b) { return b > 0 ? (a / b - 1) * 100 : 0; };
        // Against the same window without menus, and against the same client area.
        for (int m : {2, 3}) {
          const std::string n = names[m];
          s.counters[n + "_vs_none_pct"] = pct(Median(wall[m]), Median(wall[0]));
          s.counters[n + "_vs_short_pct"] = pct(Median(wall[m]), Median(wall[1]));
          s.counters["cpu_" + n + "_vs_none_pct"] = pct(Median(cpu[m]), Median(cpu[0]));
          s.counters["cpu_" + n + "_vs_short_pct"] = pct(Median(cpu[m]), Median(cpu[1]));
        }
      })
      ->Unit(benchmark::kMillisecond)
      ->UseManualTime()
      ->Iterations(24);

  for (Mode mode : {Mode::None, Mode::Bar, Mode::Open}) {
    const char* name = mode == Mode::None  ? "menus/compose_none"
                       : mode == Mode::Bar ? "menus/compose_bar"
                                           : "menus/compose_open";
    benchmark::RegisterBenchmark(
        name,
        [mode](benchmark::State& s) {
          Enter(mode);
          auto* w = pf::detail::FindWindow(brevra::HWindow);
          const std::int64_t c0 = ClockNs(CLOCK_PROCESS_CPUTIME_ID);
          for (auto _ : s) {
            pf::detail::ComposeMenus(w);
            glFinish();
          }
          s.counters["process_cpu_us"] =
              benchmark::Counter(static_cast<double>(ClockNs(CLOCK_PROCESS_CPUTIME_ID) - c0) * 1e-3,
                                 benchmark::Counter::kAvgIterations);
          Enter(Mode::None);
        })
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime()
        ->MinTime(0.3);
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  char exe[4096] = {};
  const ssize_t len = readlink("/proc/self/exe", exe, sizeof exe - 1);
  std::string dir = len > 0 ? std::string(exe, static_cast<std::size_t>(len)) : argv[0];
  dir = dir.substr(0, dir.rfind('/'));
  if (chdir(dir.c_str()) != 0) return 1;

  fedisableexcept(FE_ALL_EXCEPT);
  if (!pf::Init(pf::Backend::Headless)) {
    std::fprintf(stderr, "bench-menus: the headless platform cannot start (no EGL?)\n");
    return 1;
  }
  pf::headless::AnswerMessageBoxes(pf::IDOK);
  brevra::OGLWindowSetting(brevra::ARROW, "", brevra::GENERIC, "");
  brevra::CreateOGLWindow("Fogliame generico", 800, 600, 32, false);
  fogliame::SetUpDemo();
  DrainMessages();
  if (!pf::headless::MessageBoxLog().empty()) {
    std::fprintf(stderr, "bench-menus: the set-up showed \"%s\" (are the demo's images in %s?)\n",
                 pf::headless::MessageBoxLog().front().text.c_str(), dir.c_str());
    return 1;
  }
  g_bar = pf::CreateMenu();
  const pf::HMENU file = pf::CreatePopupMenu(), view = pf::CreatePopupMenu();
  pf::AppendMenu(file, pf::MF_STRING, 101, "&Reset view");
  pf::AppendMenu(file, pf::MF_STRING, 102, "&Quit");
  pf::AppendMenu(view, pf::MF_STRING | pf::MF_CHECKED, 201, "&Free look");
  pf::AppendMenu(view, pf::MF_STRING, 202, "F&PS in title");
  pf::AppendMenu(g_bar, pf::MF_POPUP, file, "&File");
  pf::AppendMenu(g_bar, pf::MF_POPUP, view, "&View");

  RegisterMenus();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  brevra::DeleteOGLWindow();
  pf::Shutdown();
  return 0;
}
