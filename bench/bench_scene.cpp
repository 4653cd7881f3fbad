// bench-scene: the demo's scene build, its frame loop and start-up, and how the tree scales, on
// the headless platform (Mesa llvmpipe through an EGL pbuffer).
//
//   scene/OpenGL_CreateList     the demo's one-time build: three textures, foliage, bush
//   frame/demo                  the demo's loop pass: clear, one message step, draw, swap
//   frame/demo_mouse_move       the same with one mouse move waiting in the queue every frame
//   frame/bare_draw             clear, OpenGL_Draw, glFinish: no platform and no message step
//   frame/bare_list             clear and one display list holding the whole frame, glFinish
//                               (pixels within 1 per channel of the demo's: Mesa's list path)
//   frame/paired                demo pass and bare draw interleaved: medians, overhead in %
//   frame/message_step          SetGLMsg with an empty queue, alone
//   frame/swap                  the platform's SwapBuffers with nothing drawn, alone
//   scaling/compile/L/Q         TreeAdvancedFractal3D with NumLevel L and Quality Q
//   scaling/frame/L/Q           the demo's loop pass with that tree as the bush
//   startup/first_swapped_frame a fresh process (bench-startup-probe) up to its first swap
//
// The window is the demo's own: "Fogliame generico", captioned, 800 x 600 outer size (client
// 794 x 578). Before anything is timed, the three frame variants are drawn once and read back:
// they must give identical pixels, or the program ends with status 1. The demo's images are read
// from the program's own folder (<build>/bin), as the demo reads them from its working directory.
// GL timings are wall-clock times (llvmpipe rasterises on worker threads).
#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <spawn.h>     // Required for: posix_spawn (start-up probe)
#include <sys/wait.h>  // Required for: waitpid
#include <unistd.h>    // Required for: chdir, pipe, read, readlink

#include <algorithm>
#include <cfenv>  // Required for: fedisableexcept
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "brevra/platform/headless.h"
#include "brevra/platform/platform.h"
#include "brevra/plants/fractal_tree.h"
#include "brevra/textures/textures.h"
#include "brevra/window/input.h"
#include "brevra/window/window.h"
#include "demo/app.h"
#include "demo/scene.h"

extern char** environ;

namespace {

namespace pf = brevra::platform;

std::string g_exeDir;
GLuint g_frameList = 0;

std::int64_t MonotonicNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void DrainMessages() {
  pf::MSG msg{};
  while (pf::PeekMessage(&msg, 0, 0, 0, pf::PM_NOREMOVE)) brevra::SetGLMsg();
}

std::vector<std::uint8_t> ReadFrame() {
  GLint vp[4] = {};
  glGetIntegerv(GL_VIEWPORT, vp);
  std::vector<std::uint8_t> px(static_cast<std::size_t>(vp[2]) * vp[3] * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, vp[2], vp[3], GL_RGBA, GL_UNSIGNED_BYTE, px.data());
  return px;
}

// The frame without the platform: what the demo's pass draws, finished as the swap finishes it.
void BareDraw() {
  glClear(GL_COLOR_BUFFER_BIT);
  brevra::OpenGL_Draw();
  glFinish();
}

void BareList() {
  glClear(GL_COLOR_BUFFER_BIT);
  glCallList(g_frameList);
  glFinish();
}

// ---- frame loop ----
void RegisterFrames() {
  auto ms = benchmark::kMillisecond;
  benchmark::RegisterBenchmark("frame/demo",
                               [](benchmark::State& s) {
                                 DrainMessages();
                                 for (auto _ : s) fogliame::RunFrame();
                               })
      ->Unit(ms)
      ->UseRealTime()
      ->MinTime(0.5);

  benchmark::RegisterBenchmark("frame/demo_mouse_move",
                               [](benchmark::State& s) {
                                 DrainMessages();
                                 pf::RECT outer{};
                                 pf::GetWindowRect(brevra::HWindow, &outer);
                                 int k = 0;
                                 for (auto _ : s) {
                                   // No button is held: the move is dispatched and recorded, the
                                   // camera stays.
                                   pf::headless::InjectMouseMove(outer.left + 100 + (k++ & 1),
                                                                 outer.top + 100);
                                   fogliame::RunFrame();
                                 }
                                 DrainMessages();
                               })
      ->Unit(ms)
      ->UseRealTime()
      ->MinTime(0.5);

  benchmark::RegisterBenchmark("frame/bare_draw",
                               [](benchmark::State& s) {
                                 for (auto _ : s) BareDraw();
                               })
      ->Unit(ms)
      ->UseRealTime()
      ->MinTime(0.5);

  benchmark::RegisterBenchmark("frame/bare_list",
                               [](benchmark::State& s) {
                                 for (auto _ : s) BareList();
                               })
      ->Unit(ms)
      ->UseRealTime()
      ->MinTime(0.5);

  // Demo pass and bare draw interleaved (order alternating), so that both see the same load:
  // the counters are the medians of each and the overhead of the demo's pass in percent.
  benchmark::RegisterBenchmark(
      "frame/paired",
      [](benchmark::State& s) {
        DrainMessages();
        std::vector<double> demo, bare;
        bool demoFirst = true;
        for (auto _ : s) {
          for (int k = 0; k < 2; ++k) {
            const bool isDemo = (k == 0) == demoFirst;
            const std::int64_t t0 = MonotonicNs();
            if (isDemo) {
              fogliame::RunFrame();
            } else {
              BareDraw();
            }
            (isDemo ? demo : bare).push_back(static_cast<double>(MonotonicNs() - t0) * 1e-6);
          }
          demoFirst = !demoFirst;
          s.SetIterationTime((demo.back() + bare.back()) * 1e-3);
        }
        auto median = [](std::vector<double> v) {
          std::sort(v.begin(), v.end());
          return v.empty() ? 0.0 : v[v.size() / 2];
        };
        const double d = median(demo), b = median(bare);
        s.counters["demo_ms"] = d;
        s.counters["bare_ms"] = b;
        s.counters["overhead_pct"] = b > 0 ? (d / b - 1) * 100 : 0;
      })
      ->Unit(benchmark::kMillisecond)
      ->UseManualTime()
      ->Iterations(16);

  benchmark::RegisterBenchmark("frame/message_step",
                               [](benchmark::State& s) {
                                 DrainMessages();
                                 for (auto _ : s) brevra::SetGLMsg();
                               })
      ->Unit(benchmark::kMicrosecond)
      ->MinTime(0.2);

  benchmark::RegisterBenchmark("frame/swap",
                               [](benchmark::State& s) {
                                 glFinish();
                                 for (auto _ : s) pf::SwapBuffers(brevra::DCWindow);
                               })
      ->Unit(benchmark::kMicrosecond)
      ->UseRealTime()
      ->MinTime(0.2);
}

// ---- scene build ----
struct SceneState {
  std::uint32_t chioma, cespuglio, floor, bark, leaf;
};
SceneState SaveScene() {
  return {brevra::CHIOMA, brevra::CESPUGLIO, brevra::TextureID2[0], brevra::TextureID2[1],
          brevra::TextureTGA2[0].TexID};
}
void RestoreScene(const SceneState& old) {
  // What the build made: its textures and the lists from the foliage list to the bush list
  // (list names are handed out in increasing order).
  const GLuint made[3] = {brevra::TextureID2[0], brevra::TextureID2[1],
                          brevra::TextureTGA2[0].TexID};
  glDeleteTextures(3, made);
  if (brevra::CESPUGLIO >= brevra::CHIOMA && brevra::CHIOMA > old.cespuglio) {
    glDeleteLists(brevra::CHIOMA, static_cast<GLsizei>(brevra::CESPUGLIO - brevra::CHIOMA + 1));
  }
  brevra::CHIOMA = old.chioma;
  brevra::CESPUGLIO = old.cespuglio;
  brevra::TextureID2[0] = old.floor;
  brevra::TextureID2[1] = old.bark;
  brevra::TextureTGA2[0].TexID = old.leaf;
}

void RegisterSceneBuild() {
  benchmark::RegisterBenchmark("scene/OpenGL_CreateList",
                               [](benchmark::State& s) {
                                 const SceneState old = SaveScene();
                                 for (auto _ : s) {
                                   brevra::OpenGL_CreateList();
                                   glFinish();
                                   s.PauseTiming();
                                   RestoreScene(old);
                                   s.ResumeTiming();
                                 }
                               })
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->MinTime(0.5);
}

// ---- scaling ----
// Trunk/branch cylinders drawn by one tree (both passes, twigs included) and leaf models.
void TreeCounters(benchmark::State& s, int level, int quality) {
  double p = 1;
  for (int i = 0; i < level; ++i) p *= 3;
  const double cylinders = 3 * p - 1;  // 2 x ((3^L - 1) / 2 segments + 3^L twigs)
  s.counters["cylinders"] = cylinders;
  s.counters["strip_vertices"] = cylinders * 10 * 2 * (quality + 1);
  s.counters["leaf_models"] = 16 * p;
}

void DeleteTree(std::uint32_t tree) {
  if (tree >= 5 && glIsList(tree - 4)) glDeleteLists(tree - 4, 5);  // Ramo .. the tree list
}

void RegisterScaling(int maxLevel) {
  for (int level = 0; level <= maxLevel; ++level) {
    for (int quality : {3, 8, 32, 128}) {
      const std::string tag = std::to_string(level) + "/" + std::to_string(quality);
      benchmark::RegisterBenchmark(("scaling/compile/" + tag).c_str(),
                                   [level, quality](benchmark::State& s) {
                                     for (auto _ : s) {
                                       std::uint32_t tree = 0;
                                       brevra::TreeAdvancedFractal3D(
                                           tree, brevra::ChiomaCespuglio, brevra::MatCespuglio,
                                           brevra::MatFoglieCespuglio, quality, level, 0.2f);
                                       glFinish();
                                       s.PauseTiming();
                                       DeleteTree(tree);
                                       s.ResumeTiming();
                                     }
                                     TreeCounters(s, level, quality);
                                   })
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime()
          ->MinTime(0.1);
      benchmark::RegisterBenchmark(("scaling/frame/" + tag).c_str(),
                                   [level, quality](benchmark::State& s) {
                                     std::uint32_t tree = 0;
                                     brevra::TreeAdvancedFractal3D(
                                         tree, brevra::ChiomaCespuglio, brevra::MatCespuglio,
                                         brevra::MatFoglieCespuglio, quality, level, 0.2f);
                                     const std::uint32_t bush = brevra::CESPUGLIO;
                                     brevra::CESPUGLIO = tree;
                                     DrainMessages();
                                     if (level < 5) fogliame::RunFrame();  // warm-up frame
                                     for (auto _ : s) fogliame::RunFrame();
                                     brevra::CESPUGLIO = bush;
                                     DeleteTree(tree);
                                     TreeCounters(s, level, quality);
                                   })
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime()
          ->MinTime(0.1);
    }
  }
}

// ---- start-up ----
// Spawns the probe, which prints the monotonic clock (ns) right after its first swap.
void RegisterStartup() {
  benchmark::RegisterBenchmark(
      "startup/first_swapped_frame",
      [](benchmark::State& s) {
        const std::string probe = g_exeDir + "/bench-startup-probe";
        for (auto _ : s) {
          int fds[2];
          if (pipe(fds) != 0) {
            s.SkipWithError("pipe failed");
            break;
          }
          posix_spawn_file_actions_t actions;
          posix_spawn_file_actions_init(&actions);
          posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
          posix_spawn_file_actions_addclose(&actions, fds[0]);
          char* argv[] = {const_cast<char*>(probe.c_str()), nullptr};
          pid_t pid = 0;
          const std::int64_t start = MonotonicNs();
          const int rc = posix_spawn(&pid, probe.c_str(), &actions, nullptr, argv, environ);
          posix_spawn_file_actions_destroy(&actions);
          close(fds[1]);
          char text[64] = {};
          std::size_t got = 0;
          while (rc == 0 && got + 1 < sizeof text) {
            const ssize_t r = read(fds[0], text + got, sizeof text - 1 - got);
            if (r <= 0) break;
            got += static_cast<std::size_t>(r);
          }
          close(fds[0]);
          int status = 0;
          if (rc == 0) waitpid(pid, &status, 0);
          const std::int64_t swapped = std::strtoll(text, nullptr, 10);
          if (rc != 0 || swapped <= start || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            s.SkipWithError("the start-up probe failed");
            break;
          }
          s.SetIterationTime(static_cast<double>(swapped - start) * 1e-9);
        }
      })
      ->Unit(benchmark::kMillisecond)
      ->UseManualTime()
      ->Iterations(4);
}

}  // namespace

int main(int argc, char** argv) {
  // Extra option (before the benchmark library's own): --max-level N caps the scaling table.
  int maxLevel = 6;
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--max-level") == 0 && i + 1 < argc) {
      maxLevel = std::atoi(argv[++i]);
    } else {
      args.push_back(argv[i]);
    }
  }
  int n = static_cast<int>(args.size());
  benchmark::Initialize(&n, args.data());

  // The demo's images lie beside the program: run there, as the demo runs in <build>/bin.
  char exe[4096] = {};
  const ssize_t len = readlink("/proc/self/exe", exe, sizeof exe - 1);
  g_exeDir = len > 0 ? std::string(exe, static_cast<std::size_t>(len)) : std::string(argv[0]);
  g_exeDir = g_exeDir.substr(0, g_exeDir.rfind('/'));
  if (chdir(g_exeDir.c_str()) != 0) return 1;

  // The demo's start-up, answered "No": the captioned 800 x 600 window, then its set-up.
  fedisableexcept(FE_ALL_EXCEPT);
  if (!pf::Init(pf::Backend::Headless)) {
    std::fprintf(stderr, "bench-scene: the headless platform cannot start (no EGL?)\n");
    return 1;
  }
  pf::headless::AnswerMessageBoxes(pf::IDOK);
  brevra::FullScreen = false;
  brevra::OGLWindowSetting(brevra::ARROW, "", brevra::GENERIC, "");
  brevra::CreateOGLWindow("Fogliame generico", 800, 600, 32, brevra::FullScreen);
  fogliame::SetUpDemo();
  DrainMessages();
  if (!pf::headless::MessageBoxLog().empty()) {
    std::fprintf(stderr, "bench-scene: the set-up showed \"%s\" (are the demo's images in %s?)\n",
                 pf::headless::MessageBoxLog().front().text.c_str(), g_exeDir.c_str());
    return 1;
  }

  // The whole frame as one list, for the bare replay.
  g_frameList = glGenLists(1);
  glNewList(g_frameList, GL_COMPILE_AND_EXECUTE);  // glGet calls see the frame's state
  brevra::OpenGL_Draw();
  glEndList();

  // The demo's pass and the bare draw must give identical pixels. The one-list replay goes
  // through Mesa's display-list vertex path, whose lighting arithmetic may round differently:
  // it may differ by at most 1 per channel.
  fogliame::RunFrame();
  const std::vector<std::uint8_t> demo = ReadFrame();
  BareDraw();
  const std::vector<std::uint8_t> bare = ReadFrame();
  BareList();
  const std::vector<std::uint8_t> list = ReadFrame();
  int listDelta = 0;
  std::size_t listDiffering = 0;
  for (std::size_t i = 0; i < list.size() && i < demo.size(); ++i) {
    const int d = std::abs(static_cast<int>(list[i]) - demo[i]);
    listDelta = std::max(listDelta, d);
    listDiffering += d != 0;
  }
  if (demo != bare || list.size() != demo.size() || listDelta > 1) {
    std::fprintf(stderr, "bench-scene: the bare frames differ from the demo's frame\n");
    return 1;
  }
  const char* vendor = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  std::fprintf(stderr,
               "bench-scene: GL_RENDERER %s; GL_VERSION %s; demo and bare frames identical (%zu "
               "bytes); one-list frame: %zu bytes off by at most %d\n",
               vendor != nullptr ? vendor : "?", version != nullptr ? version : "?", demo.size(),
               listDiffering, listDelta);
  benchmark::AddCustomContext("gl_renderer", vendor != nullptr ? vendor : "?");
  benchmark::AddCustomContext("gl_version", version != nullptr ? version : "?");

  RegisterFrames();
  RegisterSceneBuild();
  RegisterScaling(maxLevel);
  RegisterStartup();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  brevra::DeleteOGLWindow();
  pf::Shutdown();
  return 0;
}
