// fogliame-snapshot: renders the demo's bush scene without a display and writes it as a PNG.
//
//   fogliame-snapshot [--out FILE] [--width W] [--height H] [--xrot DEG] [--yrot DEG]
//                     [--depth D] [--seed N] [--preset NAME]
//
// Runs the demo's own set-up and frame code on the headless platform (real OpenGL through an EGL
// pbuffer): the "Fogliame generico" window in its captioned form, the projection, culling and
// light, the scene's display lists, then one frame with the camera angles and distance given,
// read back with glReadPixels before any swap. The images are read from the working directory,
// like the demo does, so run it in <build>/bin. The window is sized so that its client area is
// exactly W x H. Alpha is written as 255: the demo's clear alpha is 0, and a screen shows no
// alpha, so the picture is what a window would show.
//
// --seed and --preset grow another bush, as fogliame-export does with the same options; without
// them the demo's own set-up runs.
//
// Message boxes the library shows (a damaged image, say) are answered OK and printed on stderr.
#include <GL/gl.h>

#include <algorithm>
#include <cerrno>
#include <cfenv>  // Required for: fedisableexcept
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "brevra/geometry/render.h"
#include "brevra/platform/headless.h"
#include "brevra/platform/platform.h"
#include "brevra/window/input.h"
#include "brevra/window/window.h"
#include "brevra/window/camera.h"
#include "demo/app.h"
#include "demo/scene.h"
#include "tools/bush_options.h"
#include "tools/png_write.h"

namespace {

namespace pf = brevra::platform;

// ---- Options ----
struct Options {
  std::string out = "bush.png";
  int width = 800;
  int height = 600;
  std::optional<float> xrot, yrot, depth;  // unset: the library's start values
  std::optional<std::uint32_t> seed;       // unset (with preset): the demo's own set-up
  std::optional<std::string> preset;
};

constexpr int kMaxSize = 8192;

void PrintUsage(std::FILE* to) {
  std::fprintf(to,
               "usage: fogliame-snapshot [--out FILE] [--width W] [--height H]\n"
               "                         [--xrot DEG] [--yrot DEG] [--depth D]\n"
               "                         [--seed N] [--preset NAME]\n"
               "Renders the demo's bush scene headless into a PNG file (default bush.png,\n"
               "800 x 600). --xrot and --yrot are the camera angles in degrees, --depth the\n"
               "camera distance, as the demo's mouse sets them. --seed (0 to 4294967295,\n"
               "default 0) and --preset (demo, shrub, tree or sapling; default demo) grow\n"
               "the bush that fogliame-export writes with the same options. Run it where\n"
               "the demo's images are (<build>/bin).\n");
}

bool ParseInt(const char* text, int& value) {
  errno = 0;
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || v < 1 || v > kMaxSize) return false;
  value = static_cast<int>(v);
  return true;
}

bool ParseFloat(const char* text, std::optional<float>& value) {
  errno = 0;
  char* end = nullptr;
  const double v = std::strtod(text, &end);
  if (errno != 0 || end == text || *end != '\0' || !std::isfinite(v) || std::abs(v) > 1e6) {
    return false;
  }
  value = static_cast<float>(v);
  return true;
}

// Accepts "--name value" and "--name=value". Returns false (after a message) on a bad command
// line; `help` is set for --help.
bool ParseOptions(int argc, char** argv, Options& options, bool& help) {
  help = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      help = true;
      return true;
    }
    std::string name(arg), inlineValue;
    bool hasInline = false;
    if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
      name = std::string(arg.substr(0, eq));
      inlineValue = std::string(arg.substr(eq + 1));
      hasInline = true;
    }
    const bool known = name == "--out" || name == "--width" || name == "--height" ||
                       name == "--xrot" || name == "--yrot" || name == "--depth" ||
                       name == "--seed" || name == "--preset";
    if (!known) {
      std::fprintf(stderr, "fogliame-snapshot: unknown option '%s'\n", argv[i]);
      return false;
    }
    const char* value = nullptr;
    if (hasInline) {
      value = inlineValue.c_str();
    } else if (i + 1 < argc) {
      value = argv[++i];
    } else {
      std::fprintf(stderr, "fogliame-snapshot: %s needs a value\n", name.c_str());
      return false;
    }
    bool ok = true;
    if (name == "--out") {
      ok = *value != '\0';
      if (ok) options.out = value;
    } else if (name == "--width") {
      ok = ParseInt(value, options.width);
    } else if (name == "--height") {
      ok = ParseInt(value, options.height);
    } else if (name == "--xrot") {
      ok = ParseFloat(value, options.xrot);
    } else if (name == "--seed") {
      std::uint32_t seed = 0;
      ok = fogliame::ParseSeed(value, seed);
      if (ok) options.seed = seed;
    } else if (name == "--preset") {
      ok = fogliame::FindBushPreset(value) != nullptr;
      if (ok) options.preset = value;
    } else if (name == "--yrot") {
      ok = ParseFloat(value, options.yrot);
    } else {
      ok = ParseFloat(value, options.depth);
    }
    if (!ok) {
      std::fprintf(stderr, "fogliame-snapshot: bad value '%s' for %s%s\n", value, name.c_str(),
                   name == "--width" || name == "--height" ? " (1 to 8192)" : "");
      return false;
    }
  }
  return true;
}

// ---- Rendering ----

// Resizes the main window so that its client area is width x height (the captioned window's
// frame is added by the window system). Returns the client size reached.
pf::RECT FitClientArea(int width, int height) {
  pf::RECT client{};
  pf::GetClientRect(brevra::HWindow, &client);
  if (client.right - client.left != width || client.bottom - client.top != height) {
    pf::RECT outer{};
    pf::GetWindowRect(brevra::HWindow, &outer);
    const int frameX = (outer.right - outer.left) - (client.right - client.left);
    const int frameY = (outer.bottom - outer.top) - (client.bottom - client.top);
    pf::MoveWindow(brevra::HWindow, outer.left, outer.top, width + frameX, height + frameY, true);
    pf::GetClientRect(brevra::HWindow, &client);
  }
  return client;
}

void ReportMessageBoxes() {
  for (const auto& box : pf::headless::MessageBoxLog()) {
    std::fprintf(stderr, "fogliame-snapshot: message box \"%s\": %s\n", box.caption.c_str(),
                 box.text.c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  bool help = false;
  if (!ParseOptions(argc, argv, options, help)) {
    PrintUsage(stderr);
    return 2;
  }
  if (help) {
    PrintUsage(stdout);
    return 0;
  }

  // The demo's process set-up: floating-point faults masked for the whole process.
  fedisableexcept(FE_ALL_EXCEPT);
  if (!pf::Init(pf::Backend::Headless)) {
    std::fprintf(stderr, "fogliame-snapshot: the headless platform cannot start (no EGL?)\n");
    return 1;
  }
  // A screen large enough for the window and its frame; every box is answered OK.
  pf::headless::SetScreenSize(std::max(1024, options.width + 64),
                              std::max(768, options.height + 64));
  pf::headless::AnswerMessageBoxes(pf::IDOK);

  // The demo's start-up, answered "No" (a captioned window), then its scene set-up.
  brevra::FullScreen = false;
  brevra::OGLWindowSetting(brevra::ARROW, "", brevra::GENERIC, "");
  brevra::CreateOGLWindow("Fogliame generico", options.width, options.height, 32,
                          brevra::FullScreen);
  const pf::RECT client = FitClientArea(options.width, options.height);
  const int width = client.right - client.left, height = client.bottom - client.top;
  if (width != options.width || height != options.height) {
    std::fprintf(stderr, "fogliame-snapshot: the window's client area is %d x %d, not %d x %d\n",
                 width, height, options.width, options.height);
  }
  if (!options.seed && !options.preset) {
    fogliame::SetUpDemo();
  } else {
    // The demo's set-up with the bush grown from the options.
    brevra::OpenGL_Init(100, 0, 0, 0, 0);
    brevra::SetGLRefractive();
    brevra::SetGLLight(GL_LIGHT0, 0, 0, 0, 0.1f);
    brevra::OpenGL_Texture();
    fogliame::GrowBush(*fogliame::FindBushPreset(options.preset.value_or("demo")),
                       options.seed.value_or(0));
  }

  // The camera, as the mouse would have left it.
  if (options.xrot) brevra::XRot = brevra::XRot2 = *options.xrot;
  if (options.yrot) brevra::YRot = brevra::YRot2 = *options.yrot;
  if (options.depth) brevra::Depth = brevra::Depth2 = *options.depth;

  // One frame, read back before the swap.
  fogliame::DrawFrame();
  glFinish();
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  for (std::size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 255;

  ReportMessageBoxes();
  const bool written = brevra::tools::WritePngRGBA(options.out, pixels.data(), width, height, true);
  brevra::DeleteOGLWindow();
  pf::Shutdown();
  if (!written) {
    std::fprintf(stderr, "fogliame-snapshot: cannot write %s\n", options.out.c_str());
    return 1;
  }
  return 0;
}
