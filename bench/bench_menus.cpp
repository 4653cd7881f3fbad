// bench-menus: what the platform's menus add to a frame, on the headless platform (Mesa
// llvmpipe through an EGL pbuffer), in the demo's captioned 800 x 600 window with its scene.
//
//   menus/paired       the demo's loop pass without a menu bar, with a bar, and with the bar and
//                      an open menu (File, first item highlighted), in rounds so that all three
//                      see the same load: medians of each and the overheads in %
//   menus/compose_none the same call for a window without menus, and the glFinish after it: the
//                      baseline of the two below (what waiting for llvmpipe's threads costs)
//   menus/compose_bar  drawing the bar over the frame alone (its picture already painted)
//   menus/compose_open the bar and an open menu over the frame alone
//
// With a bar the client area is 20 rows shorter (794 x 558 instead of 794 x 578): that is what
// a program with a menu bar draws. The images are read from the program's folder (<build>/bin).
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

std::int64_t MonotonicNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
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

enum class Mode { None, Bar, Open };

void Enter(Mode mode) {
  while (pf::detail::OpenMenus().window != 0) Key(pf::VK_ESCAPE);  // one level at a time
  pf::SetMenu(brevra::HWindow, mode == Mode::None ? 0 : g_bar);
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
        std::vector<double> times[3];
        constexpr int kFrames = 8;
        for (auto _ : s) {
          double round = 0;
          for (Mode mode : {Mode::None, Mode::Bar, Mode::Open}) {
            Enter(mode);
            for (int k = 0; k < kFrames; ++k) {
              const std::int64_t t0 = MonotonicNs();
              fogliame::RunFrame();
              const double ms = static_cast<double>(MonotonicNs() - t0) * 1e-6;
              times[static_cast<int>(mode)].push_back(ms);
              round += ms;
            }
          }
          s.SetIterationTime(round * 1e-3);
        }
        Enter(Mode::None);
        const double none = Median(times[0]), bar = Median(times[1]), open = Median(times[2]);
        s.counters["none_ms"] = none;
        s.counters["bar_ms"] = bar;
        s.counters["open_ms"] = open;
        s.counters["bar_pct"] = none > 0 ? (bar / none - 1) * 100 : 0;
        s.counters["open_pct"] = none > 0 ? (open / none - 1) * 100 : 0;
      })
      ->Unit(benchmark::kMillisecond)
      ->UseManualTime()
      ->Iterations(12);

  for (Mode mode : {Mode::None, Mode::Bar, Mode::Open}) {
    const char* name = mode == Mode::None  ? "menus/compose_none"
                       : mode == Mode::Bar ? "menus/compose_bar"
                                           : "menus/compose_open";
    benchmark::RegisterBenchmark(name,
                                 [mode](benchmark::State& s) {
                                   Enter(mode);
                                   auto* w = pf::detail::FindWindow(brevra::HWindow);
                                   for (auto _ : s) {
                                     pf::detail::ComposeMenus(w);
                                     glFinish();
                                   }
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
