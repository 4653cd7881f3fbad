// getting_started: the smallest Brevra program that opens a window and draws the bush.
//
// Run it in a folder holding the demo's pictures "corteccia02.bmp" (bark) and "acacia.tga"
// (leaves), e.g. <build>/bin or /usr/share/fogliame; Escape or closing the window ends it.
// Built against the shared library, it uses the public API only.
#include <GL/gl.h>

#include <cstdint>
#include <cstdio>

#include "brevra/geometry/render.h"
#include "brevra/plants/foliage_volume.h"
#include "brevra/plants/fractal_tree.h"
#include "brevra/platform/platform.h"
#include "brevra/textures/textures.h"
#include "brevra/window/camera.h"
#include "brevra/window/input.h"
#include "brevra/window/window.h"

namespace {

std::uint32_t g_clump = 0;  // one clump of leaf tufts, placed by the tree on every twig
std::uint32_t g_bush = 0;

void Bark() { brevra::TextureSelectID(0); }
void Leaves() { brevra::TextureTGASelectID(0); }
void Clump() { brevra::AddVolumeFogliage(g_clump); }

}  // namespace

int main() {
  if (!brevra::platform::Init(brevra::platform::Backend::Sdl)) {
    std::fprintf(stderr, "getting_started: no display\n");
    return 1;
  }
  brevra::CreateOGLWindow("Brevra: getting started", 800, 600, 32, false);
  brevra::OpenGL_Init(100, 0, 0, 0, 0);  // perspective, depth 100, black background
  brevra::SetGLRefractive();             // back faces culled
  brevra::SetGLLight(GL_LIGHT0, 0, 0, 0, 0.1f);

  brevra::TextureLoadID("corteccia02.bmp", 0);
  brevra::TextureLoadTGAID("acacia.tga", 0);
  brevra::SetVolumeFogliage(0, 0, 0, 0, 0.75f, 1, 0, 1, 5, 0.3f, 1, g_clump, false);
  brevra::TreeAdvancedFractal3D(g_bush, Clump, Bark, Leaves, 8, 2, 0.2f);

  while (brevra::Active) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    brevra::SetGLMsg();  // one window message: keys, mouse camera, closing
    glLoadIdentity();
    glTranslatef(0, -2, -30);
    brevra::SetGLMouseMove(0, 2);  // left drag turns the bush, right drag moves it
    brevra::PutGLPointLight(GL_LIGHT0, 0, -10, 14.5f, 5, 0.1f);
    glScalef(5, 5, 5);
    glCallList(g_bush);
    brevra::platform::SwapBuffers(brevra::DCWindow);
  }
  brevra::DeleteOGLWindow();
  return 0;
}
