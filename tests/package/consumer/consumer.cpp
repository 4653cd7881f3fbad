// A program outside the project, built against an installed Brevra (find_package or
// pkg-config): it decodes a TGA image in memory, then opens a window on the headless platform,
// builds a small bush into display lists and draws it once. Prints what it saw; exit status 0
// when the picture shows something and the pixels are right.
#include <GL/gl.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "brevra/plants/foliage_volume.h"
#include "brevra/plants/fractal_tree.h"
#include "brevra/platform/headless.h"
#include "brevra/platform/platform.h"
#include "brevra/textures/tga_core.h"
#include "brevra/window/camera.h"
#include "brevra/window/window.h"

namespace pf = brevra::platform;

namespace {
std::uint32_t g_clump = 0;
std::uint32_t g_bush = 0;
void Nothing() {}
void Clump() { brevra::AddVolumeFogliage(g_clump); }
}  // namespace

int main() {
  // A 2 x 1 uncompressed 24-bit TGA: blue-green-red pixels in the file, red-green-blue decoded.
  const std::uint8_t file[] = {0, 0, 2, 0, 0,  0,  0, 0, 0, 0, 0, 0,
                               2, 0, 1, 0, 24, 32, 1, 2, 3, 4, 5, 6};
  brevra::TGATexture texture;
  if (brevra::DecodeTGA(file, sizeof file, texture) != brevra::TgaStatus::Ok ||
      texture.ImageData[0] != 3 || texture.ImageData[2] != 1 || texture.ImageData[5] != 4) {
    std::puts("DecodeTGA: wrong pixels");
    return 1;
  }
  brevra::FreeTGAImage(texture);

  if (!pf::Init(pf::Backend::Headless)) {
    std::puts("no headless platform");
    return 1;
  }
  pf::headless::AnswerMessageBoxes(pf::IDOK);
  brevra::CreateOGLWindow("consumer", 320, 240, 32, false);
  brevra::OpenGL_Init(100, 0, 0, 0, 0);
  brevra::SetVolumeFogliage(0, 0, 0, 0, 0.75f, 1, 0, 1, 5, 0.3f, 1, g_clump, false);
  brevra::TreeAdvancedFractal3D(g_bush, Clump, Nothing, Nothing, 8, 2, 0.2f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  glTranslatef(0, -4, -20);
  glScalef(5, 5, 5);
  glCallList(g_bush);
  glFinish();
  std::vector<std::uint8_t> pixels(320 * 240 * 4);
  glReadPixels(0, 0, 320, 240, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  std::size_t lit = 0;
  for (std::size_t i = 0; i < pixels.size(); i += 4) {
    lit += (pixels[i] | pixels[i + 1] | pixels[i + 2]) != 0;
  }
  brevra::DeleteOGLWindow();
  std::printf("consumer: bush list %u, %zu of %d pixels drawn\n", g_bush, lit, 320 * 240);
  return g_bush != 0 && lit > 100 ? 0 : 1;
}
