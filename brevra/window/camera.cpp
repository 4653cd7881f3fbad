// Projection set-up and the mouse camera (see camera.h).
//
// The 3D and 2D set-up routines used to end with glEnable(0x1C00), which is no capability (it
// only records GL_INVALID_ENUM); it is left out.
#include "brevra/window/camera.h"

#include <GL/gl.h>
#include <GL/glu.h>  // Required for: gluPerspective

#include "brevra/window/input.h"   // Required for: Depth, XRot, YRot, MSpeed
#include "brevra/window/window.h"  // Required for: Width, Height

namespace brevra {

TGLVertex MY{};
float OffX = 0;
float OffY = 0;

namespace {

// A minimised window has no area; nothing can be projected onto it.
bool HasArea() { return Width > 0 && Height > 0; }

}  // namespace

void OpenGL_Init(double Depth, double A, double R, double G, double B) {
  glClearColor(static_cast<GLfloat>(R), static_cast<GLfloat>(G), static_cast<GLfloat>(B),
               static_cast<GLfloat>(A));
  if (HasArea()) {
    glViewport(0, 0, Width, Height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(Width) / static_cast<double>(Height), 0.1, Depth);
  }
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glClearDepth(Depth);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glColor4f(1, 1, 1, 0.5f);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1);
  glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
  glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glEnable(GL_AUTO_NORMAL);
  glEnable(GL_NORMALIZE);
}

void OpenGL_I2D(double A, double R, double G, double B) {
  if (HasArea()) {
    const std::int32_t q = Height / Width;
    OffX = static_cast<float>(q - 2.05);
    OffY = static_cast<float>(q - 1.45);
  }
  glClearColor(static_cast<GLfloat>(R), static_cast<GLfloat>(G), static_cast<GLfloat>(B),
               static_cast<GLfloat>(A));
  if (HasArea()) {
    glViewport(0, 0, Width, Height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // 2 x Height and -2 x Height as integers (in 64 bits, so no size overflows them).
    const double w = static_cast<double>(Width);
    glOrtho(-2, 2, static_cast<double>(-2 * static_cast<std::int64_t>(Height)) / w,
            static_cast<double>(2 * static_cast<std::int64_t>(Height)) / w, -2, 2);
  }
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glEnable(GL_NORMALIZE);
}

void SetGLMouseMove(std::int32_t XYZ, std::int32_t Speed) {
  MSpeed = Speed;
  switch (XYZ) {
    case 0:
      MY = {0, 0, -Depth};
      glTranslatef(0, 0, -Depth);
      glRotatef(XRot, 1, 0, 0);
      glRotatef(YRot, 0, 1, 0);
      break;
    case 1:
      MY = {0, -Depth, 0};
      glTranslatef(0, -Depth, 0);
      glRotatef(XRot, 1, 0, 0);
      glRotatef(YRot, 0, 0, 1);
      break;
    case 2:
      MY = {-Depth, 0, 0};
      glTranslatef(-Depth, 0, 0);
      glRotatef(XRot, 0, 0, -1);
      glRotatef(YRot, 0, 1, 0);
      break;
    case 3:
      MY = {0, 0, -Depth};
      glTranslatef(0, 0, -Depth);
      glRotatef(XRot, 0, 1, 0);
      glRotatef(YRot, 1, 0, 0);
      break;
    default:
      break;  // not an arrangement: the matrix stays as it is
  }
}

}  // namespace brevra
