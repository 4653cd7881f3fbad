// The demo's bush scene (see scene.h).
#include "demo/scene.h"

#include <GL/gl.h>

#include "brevra/geometry/gl_stream.h"
#include "brevra/geometry/render.h"
#include "brevra/geometry/vertex.h"
#include "brevra/plants/foliage_volume.h"
#include "brevra/plants/fractal_tree.h"
#include "brevra/textures/textures.h"
#include "brevra/window/camera.h"

namespace brevra {

std::uint32_t CHIOMA = 0;
std::uint32_t CESPUGLIO = 0;

// ---------------------------------------------------------------------------------------------
// Callbacks of the tree generator
// ---------------------------------------------------------------------------------------------
void MatCespuglio() { TextureSelectID(1); }

void MatFoglieCespuglio() { TextureTGASelectID(0); }

void ChiomaCespuglio() { AddVolumeFogliage(CHIOMA); }

// ---------------------------------------------------------------------------------------------
// Building
// ---------------------------------------------------------------------------------------------
void OpenGL_Texture() {
  TextureLoadID("Floor04.bmp", 0);      // the floor
  TextureLoadID("corteccia02.bmp", 1);  // bark of trunk and branches
  TextureLoadTGAID("acacia.tga", 0);    // the leaf, cut out by its alpha channel
}

void OpenGL_CreateList() {
  OpenGL_Texture();
  // A flat clump (no y stretch) of 5 tufts at up to 0.75 from its centre, no core sphere.
  SetVolumeFogliage(0, 0, 0, 0, 0.75f, 1, 0, 1, 5, 0.3f, 1, CHIOMA, false);
  // Eight-sided branches, two levels of branching, bark texture size 0.2.
  TreeAdvancedFractal3D(CESPUGLIO, ChiomaCespuglio, MatCespuglio, MatFoglieCespuglio, 8, 2, 0.2f);
}

// ---------------------------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------------------------
void OpenGL_Draw2D() {
  // Nothing is drawn in the 2D mode: the pair re-applies viewport, projection and default
  // states for the current window size, and leaves the modelview matrix at identity.
  OpenGL_I2D(0, 0, 0, 0);
  OpenGL_Init(100, 0, 0, 0, 0);
}

void OpenGL_Mouse2D() {}

void OpenGL_Keyboard() {}

void Quad(float X1, float Y1, float Z1, float X2, float Y2, float Z2, float X3, float Y3, float Z3,
          float X4, float Y4, float Z4) {
  TwoSideOn();
  gl::Disable(GL_CULL_FACE);
  GLBegin(GL_QUADS);
  FindNormal(X2, Y2, Z2, X1, Y1, Z1, X3, Y3, Z3);
  gl::Normal3f(static_cast<float>(FNormal[1]), static_cast<float>(FNormal[2]),
               static_cast<float>(FNormal[3]));
  LineFree(1, 1, 0, 1, X2, Y2, Z2, X1, Y1, Z1, true);
  LineFree(0, 0, 1, 0, X3, Y3, Z3, X4, Y4, Z4, true);
  GLEnd();
  gl::Enable(GL_CULL_FACE);
  TwoSideOff();
}

void OpenGL_Draw() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  OpenGL_Draw2D();
  OpenGL_Mouse2D();
  OpenGL_Keyboard();

  // The fixed view, then the mouse camera (left drag turns, right drag moves nearer).
  glTranslatef(0, -2, -30);
  glRotatef(35, 1, 0, 0);
  SetGLMouseMove(0, 2);

  // The light in the turned coordinates, so it keeps its place in the scene: with w = 0.1 it
  // lies at (-100, 145, 50), on the line from the origin through the marker.
  PutGLPointLight(GL_LIGHT0, 0, -10, 14.5f, 5, 0.1f);

  // The marker: unlit and untextured, so it shows the current colour, white.
  LightingOff();
  TextureOff();
  Sfera(-10, 14.5f, 5, 0.5f, 14, 14, 1);
  TextureOn();
  LightingOn();

  // The floor: the floor picture once across the 20 x 20 square.
  TextureSelectID(0);
  Quad(-10, 0, -10, 10, 0, -10, -10, 0, 10, 10, 0, 10);

  // The bush, five times its modelled size.
  glPushMatrix();
  glTranslatef(0, 0, 0);
  glScalef(5, 5, 5);
  glCallList(CESPUGLIO);
  glPopMatrix();
}

}  // namespace brevra
