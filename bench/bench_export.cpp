// bench-export: fogliame-export's cost, in the process and as users run it.
//
//   export/demo_bush            grow the demo's bush under a capture, replay it into a mesh,
//                               name the parts and write the .glb (what the tool does after
//                               start-up; pictures loaded once before)
//   export/demo_bush/capture    the same without the file: grow, capture, replay
//   export/process/start        a fresh fogliame-export that only lists its presets (process
//                               start, no GL)
//   export/process/demo_bush    a fresh fogliame-export writing the demo's bush
//   export/process/100_seeds    a fresh fogliame-export --count 100
// The processes run pinned to one core (CPU 0) and are timed by wall clock and by their CPU
// time (user + system, reported as the counter cpu_s), since other work shares the machine.
// Files go to a private temporary folder. Run in <build>/bin (the demo's pictures).
#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <sched.h>  // Required for: CPU_SET (pinning the child)
#include <spawn.h>
#include <sys/resource.h>  // Required for: wait4's rusage
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>  // Required for: O_WRONLY

#include <cfenv>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "brevra/geometry/render.h"
#include "brevra/platform/egl_pbuffer.h"
#include "brevra/platform/headless.h"
#include "brevra/platform/platform.h"
#include "tools/bush_export.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
namespace pf = brevra::platform;

fs::path g_binDir, g_outDir;
std::map<std::uint32_t, fogliame::Picture> g_pictures;

double Seconds(const timeval& t) { return t.tv_sec + t.tv_usec * 1e-6; }

// Runs fogliame-export with `args` on CPU 0; returns its CPU seconds, or -1 on failure.
double RunTool(const std::vector<std::string>& args) {
  const std::string tool = (g_binDir / "fogliame-export").string();
  std::vector<char*> argv{const_cast<char*>(tool.c_str())};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(0, &one);
  cpu_set_t before;
  sched_getaffinity(0, sizeof before, &before);
  sched_setaffinity(0, sizeof one, &one);  // inherited by the child
  const int spawned = posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), environ);
  sched_setaffinity(0, sizeof before, &before);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return -1;
  }
  return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

void ProcessBenchmark(benchmark::State& state, std::vector<std::string> args) {
  double cpu = 0;
  for (auto _ : state) {
    const double used = RunTool(args);
    if (used < 0) {
      state.SkipWithError("fogliame-export failed");
      return;
    }
    cpu += used;
  }
  state.counters["cpu_s"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
}

void BM_ProcessStart(benchmark::State& state) { ProcessBenchmark(state, {"--list-presets"}); }
void BM_ProcessDemoBush(benchmark::State& state) {
  ProcessBenchmark(state, {"--out", (g_outDir / "process.glb").string()});
}
void BM_Process100Seeds(benchmark::State& state) {
  ProcessBenchmark(state, {"--out", (g_outDir / "batch.glb").string(), "--count", "100"});
}

void BM_DemoBush(benchmark::State& state) {
  const std::string path = (g_outDir / "bush.glb").string();
  std::size_t triangles = 0;
  for (auto _ : state) {
    brevra::Mesh mesh = fogliame::CaptureBush(*fogliame::FindBushPreset("demo"), 0, false);
    fogliame::NameParts(mesh, g_pictures);
    if (!fogliame::WriteMesh("glb", path, mesh)) state.SkipWithError("write failed");
    triangles = brevra::MeshTriangleCount(mesh);
  }
  state.counters["triangles"] = static_cast<double>(triangles);
  state.counters["bytes"] = static_cast<double>(fs::file_size(path));
}

void BM_DemoBushCapture(benchmark::State& state) {
  for (auto _ : state) {
    brevra::Mesh mesh = fogliame::CaptureBush(*fogliame::FindBushPreset("demo"), 0, false);
    benchmark::DoNotOptimize(mesh.Parts.data());
  }
}

}  // namespace

BENCHMARK(BM_DemoBush)->Name("export/demo_bush")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DemoBushCapture)
    ->Name("export/demo_bush/capture")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_ProcessStart)
    ->Name("export/process/start")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_ProcessDemoBush)
    ->Name("export/process/demo_bush")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_Process100Seeds)
    ->Name("export/process/100_seeds")
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  g_binDir = fs::canonical("/proc/self/exe").parent_path();
  std::string temp = (fs::temp_directory_path() / "bench-export-XXXXXX").string();
  if (mkdtemp(temp.data()) == nullptr) return 1;
  g_outDir = temp;
  fs::current_path(g_binDir);  // the demo's pictures

  fedisableexcept(FE_ALL_EXCEPT);
  if (!pf::Init(pf::Backend::Headless)) return 1;
  pf::headless::AnswerMessageBoxes(pf::IDOK);
  pf::egl::Pbuffer surface;
  if (!surface.create(1, 1) || !surface.makeCurrent()) return 1;
  brevra::SetGLRefractive();
  g_pictures = fogliame::LoadScenePictures("bench-export");

  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  surface.destroy();
  pf::Shutdown();
  fs::remove_all(g_outDir);
  return 0;
}
