// fogliame-export: writes the demo's bush (or another seed or preset of it) as glTF, GLB or OBJ.
//
//   fogliame-export [--out FILE] [--format glb|gltf|obj] [--seed N] [--preset NAME]
//                   [--floor] [--count K] [--list-presets] [-h]
//
// The bush is grown by the demo's own generators into display lists on a headless GL context
// (an EGL pbuffer), with a mesh capture recording the commands that fill the lists; the mesh is
// what the bush's list draws, scaled by 5 as the demo draws it, in the demo's scene coordinates.
// Its pictures come back from GL as uploaded and are stored as PNG. Run it where the demo's
// pictures are (<build>/bin); a missing picture gives a warning and an untextured material.
//
// Exit codes: 0 done; 1 the GL context or an output file failed (no partial file is left);
// 2 a bad command line (nothing is written).
#include <unistd.h>  // Required for: isatty

#include <cfenv>  // Required for: fedisableexcept
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "brevra/geometry/render.h"
#include "brevra/platform/egl_pbuffer.h"
#include "brevra/platform/headless.h"
#include "brevra/platform/platform.h"
#include "tools/bush_export.h"
#include "tools/bush_options.h"

namespace {

namespace pf = brevra::platform;
namespace fs = std::filesystem;

constexpr const char* kTool = "fogliame-export";
constexpr std::uint32_t kMaxCount = 100000;

// ---------------------------------------------------------------------------------------------
// Options
// ---------------------------------------------------------------------------------------------
struct Options {
  std::optional<std::string> out;
  std::optional<std::string> format;
  std::uint32_t seed = 0;
  std::string preset = "demo";
  bool floor = false;
  std::uint32_t count = 0;  // 0: one file named by --out
  bool listPresets = false;
  bool help = false;
};

void PrintUsage(std::FILE* to) {
  std::fprintf(
      to,
      "usage: fogliame-export [options]\n"
      "Writes the demo's bush as a mesh: every triangle its display lists draw, in the demo's\n"
      "scene coordinates, with the bark and leaf pictures as PNG. Run it where the demo's\n"
      "pictures are (<build>/bin).\n"
      "\n"
      "  --out FILE        output file (default: bush.glb, or bush.<format>)\n"
      "  --format FMT      glb, gltf or obj (default: from the --out extension, else glb);\n"
      "                    gltf and obj write their buffer, materials and PNGs beside the file\n"
      "  --seed N          seed of the random source, 0 to 4294967295 (default: 0, the demo's)\n"
      "  --preset NAME     parameter set: demo, shrub, tree or sapling (default: demo)\n"
      "  --floor           add the demo's floor quad with Floor04.bmp (default: off)\n"
      "  --count K         K files for seeds N .. N+K-1, named <stem>-<seed>.<ext>\n"
      "                    (default: one file, named as --out says)\n"
      "  --list-presets    print every preset with its values and exit\n"
      "  -h, --help        print this help and exit\n"
      "\n"
      "Exit codes: 0 written; 1 the output could not be written (no partial file is left) or\n"
      "no GL context; 2 a bad command line (nothing is written).\n");
}

bool UsageError(const char* fmt, const char* a, const char* b = "") {
  std::fprintf(stderr, "%s: ", kTool);
  std::fprintf(stderr, fmt, a, b);
  std::fprintf(stderr, "\n(try '%s -h')\n", kTool);
  return false;
}

bool ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      o.help = true;
      continue;
    }
    if (arg == "--floor") {
      o.floor = true;
      continue;
    }
    if (arg == "--list-presets") {
      o.listPresets = true;
      continue;
    }
    std::string name(arg), value;
    bool hasValue = false;
    if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
      name = std::string(arg.substr(0, eq));
      value = std::string(arg.substr(eq + 1));
      hasValue = true;
    }
    const bool known = name == "--out" || name == "--format" || name == "--seed" ||
                       name == "--preset" || name == "--count";
    if (!known) return UsageError("unknown option '%s'", argv[i]);
    if (!hasValue) {
      if (i + 1 >= argc) return UsageError("%s needs a value", name.c_str());
      value = argv[++i];
    }
    if (name == "--out") {
      if (value.empty()) return UsageError("%s needs a file name%s", name.c_str());
      o.out = value;
    } else if (name == "--format") {
      if (value != "glb" && value != "gltf" && value != "obj") {
        return UsageError("unknown format '%s' (glb, gltf or obj)%s", value.c_str());
      }
      o.format = value;
    } else if (name == "--seed") {
      if (!fogliame::ParseSeed(value.c_str(), o.seed)) {
        return UsageError("seed '%s' is not a number from 0 to 4294967295%s", value.c_str());
      }
    } else if (name == "--preset") {
      if (fogliame::FindBushPreset(value) == nullptr) {
        return UsageError("unknown preset '%s' (see --list-presets)%s", value.c_str());
      }
      o.preset = value;
    } else {
      std::uint32_t count = 0;
      if (!fogliame::ParseSeed(value.c_str(), count) || count < 1 || count > kMaxCount) {
        return UsageError("count '%s' is not a number from 1 to 100000%s", value.c_str());
      }
      o.count = count;
    }
  }
  if (o.count > 0 && std::uint64_t{o.seed} + o.count - 1 > 0xFFFFFFFFull) {
    return UsageError("--seed plus --count passes seed 4294967295%s%s", "");
  }
  return true;
}

// The format: --format, else the extension of --out, else glb.
std::string FormatOf(const Options& o) {
  if (o.format) return *o.format;
  if (o.out) {
    const std::string ext = fs::path(*o.out).extension().string();
    if (ext == ".gltf" || ext == ".obj" || ext == ".glb") return ext.substr(1);
  }
  return "glb";
}

void Progress(std::uint32_t done, std::uint32_t total) {
  constexpr int kWidth = 40;
  const int filled = static_cast<int>(std::uint64_t{done} * kWidth / total);
  std::fprintf(stderr, "\r[%.*s%*s] %u/%u", filled,
               "========================================", kWidth - filled, "", done, total);
  if (done == total) std::fputc('\n', stderr);
  std::fflush(stderr);
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseOptions(argc, argv, o)) return 2;
  if (o.help) {
    PrintUsage(stdout);
    return 0;
  }
  if (o.listPresets) {
    fogliame::PrintBushPresets(stdout);
    return 0;
  }
  const std::string format = FormatOf(o);
  const std::string out = o.out.value_or("bush." + format);
  const fogliame::BushPreset& preset = *fogliame::FindBushPreset(o.preset);

  // The demo's process set-up: floating-point faults masked; a headless GL context with the
  // demo's back-face culling.
  fedisableexcept(FE_ALL_EXCEPT);
  if (!pf::Init(pf::Backend::Headless)) {
    std::fprintf(stderr, "%s: the headless platform cannot start (no EGL?)\n", kTool);
    return 1;
  }
  pf::headless::AnswerMessageBoxes(pf::IDOK);
  pf::egl::Pbuffer surface;
  if (!surface.create(1, 1) || !surface.makeCurrent()) {
    std::fprintf(stderr, "%s: no OpenGL context: %s\n", kTool, pf::egl::LastError().c_str());
    return 1;
  }
  brevra::SetGLRefractive();
  const auto pictures = fogliame::LoadScenePictures(kTool);

  int status = 0;
  const std::uint32_t files = o.count > 0 ? o.count : 1;
  const bool bar = o.count > 0 && isatty(STDERR_FILENO) == 1;
  for (std::uint32_t k = 0; k < files; ++k) {
    const std::uint32_t seed = o.seed + k;
    std::string path = out;
    if (o.count > 0) {
      const fs::path p(out);
      path = (p.parent_path() /
              (p.stem().string() + "-" + std::to_string(seed) + p.extension().string()))
                 .string();
    }
    brevra::Mesh mesh = fogliame::CaptureBush(preset, seed, o.floor);
    fogliame::NameParts(mesh, pictures);
    if (!fogliame::WriteMesh(format, path, mesh)) {
      if (bar) std::fputc('\n', stderr);
      std::fprintf(stderr, "%s: %s\n", kTool, brevra::MeshLastError.c_str());
      status = 1;
      break;
    }
    if (bar) Progress(k + 1, files);
  }
  surface.destroy();
  pf::Shutdown();
  return status;
}
