// Render-state switches, lights, the face normal and the sphere and edge primitives.
//
// Sphere rounding: the steps, angles, radii, heights and the column's cosine and sine are floats;
// each is formed at extended precision and rounded when stored, as are the normal, texture and
// vertex components handed to GL.
#include "brevra/geometry/render.h"

#include <GL/gl.h>  // Required for: the fixed-function entry points

#include <cmath>    // Required for: std::sqrt, std::sin, std::cos
#include <numbers>  // Required for: std::numbers::pi_v

#include "brevra/geometry/gl_stream.h"
#include "brevra/geometry/vertex.h"

namespace brevra {

float AmbientLight[4] = {0.5f, 0.5f, 0.5f, 1.0f};
float DiffuseLight[4] = {1.0f, 1.0f, 1.0f, 1.0f};
float SpecularLight[4] = {1.0f, 1.0f, 1.0f, 1.0f};
float LightPosition[4] = {0, 0, 0, 0};
TGLNormal3D FNormal;

namespace {
// Sums and products are formed in extended precision (x87 on x86, never vectorised) and
// rounded once when stored.
using Ext = long double;
float F(Ext v) { return static_cast<float>(v); }
}  // namespace

// ---- state switches ----

void TwoSideOn() { gl::LightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1); }
void TwoSideOff() { gl::LightModeli(GL_LIGHT_MODEL_TWO_SIDE, 0); }
void LightingOn() { gl::Enable(GL_LIGHTING); }
void LightingOff() { gl::Disable(GL_LIGHTING); }

void SetGLRefractive() {
  // The shading model is left alone (GL starts with smooth shading).
  gl::Enable(GL_CULL_FACE);
  glCullFace(GL_BACK);
  glFrontFace(GL_CCW);
}

void SetGLSprite() {
  gl::Enable(GL_ALPHA_TEST);
  gl::AlphaFunc(GL_GREATER, 0.4f);
}

void SetGLSpriteOff() {
  glDepthMask(GL_TRUE);
  gl::Disable(GL_BLEND);
  gl::Disable(GL_ALPHA_TEST);
}

// ---- lights ----

void SetGLLight(std::uint32_t NLight, float L0, float L1, float L2, float L3) {
  gl::Enable(GL_LIGHTING);
  glLightfv(NLight, GL_AMBIENT, AmbientLight);
  glLightfv(NLight, GL_DIFFUSE, DiffuseLight);
  glLightfv(NLight, GL_SPECULAR, SpecularLight);
  gl::Enable(NLight);
  LightPosition[0] = L0;
  LightPosition[1] = L1;
  LightPosition[2] = L2;
  LightPosition[3] = L3;
  glLightfv(NLight, GL_POSITION, LightPosition);
}

void PutGLPointLight(std::uint32_t NLight, float Size, float LX, float LY, float LZ, float LVal) {
  LightPosition[0] = LX;
  LightPosition[1] = LY;
  LightPosition[2] = LZ;
  LightPosition[3] = LVal;
  glLightfv(NLight, GL_POSITION, LightPosition);
  if (Size == 0) return;
  glPointSize(Size);
  GLBegin(GL_POINTS);
  gl::Normal3f(0, 0, 1);
  GLVertex3f(LX, LY, LZ);
  GLEnd();
}

// ---- normal ----

void FindNormal(double V1X, double V1Y, double V1Z, double V2X, double V2Y, double V2Z, double V3X,
                double V3Y, double V3Z) {
  // Scales (X, Y, Z) to unit length by the length rounded to a float; 0 counts as 1.
  const auto ReduceToUnit = [](double& X, double& Y, double& Z) {
    float Length = static_cast<float>(std::sqrt(X * X + Y * Y + Z * Z));
    if (Length == 0) Length = 1;
    X /= Length;
    Y /= Length;
    Z /= Length;
  };

  const double ax = V1X - V2X, ay = V1Y - V2Y, az = V1Z - V2Z;
  const double bx = V2X - V3X, by = V2Y - V3Y, bz = V2Z - V3Z;
  FNormal[1] = ay * bz - az * by;
  FNormal[2] = az * bx - ax * bz;
  FNormal[3] = ax * by - ay * bx;
  ReduceToUnit(FNormal[1], FNormal[2], FNormal[3]);
}

// ---- primitives ----

void Sfera(float PX, float PY, float PZ, float Radius, std::int32_t NumCircle, std::int32_t NumLine,
           float TSize) {
  const Ext pi = std::numbers::pi_v<long double>;
  const float MajorStep = F(pi / NumLine);
  const float MinorStep = F(2 * pi / NumCircle);
  for (std::int32_t I = 0; I < NumLine; ++I) {
    const float A = F(Ext(I) * MajorStep);
    const float B = F(Ext(A) + MajorStep);
    const float R0 = F(Radius * std::sin(Ext(A)));
    const float R1 = F(Radius * std::sin(Ext(B)));
    const float Z0 = F(Radius * std::cos(Ext(A)));
    const float Z1 = F(Radius * std::cos(Ext(B)));
    // Texture rows: t from 0 at the +z pole to 1 / TSize at the -z pole.
    const float T0 = F(Ext(I) / NumLine / TSize);
    const float T1 = F(Ext(I + 1) / NumLine / TSize);
    GLBegin(GL_TRIANGLE_STRIP);
    for (std::int32_t J = 0; J <= NumCircle; ++J) {
      const float C = F(Ext(J) * MinorStep);
      const float X = F(std::cos(Ext(C)));
      const float Y = F(std::sin(Ext(C)));
      // s decreases as C grows; the integer negation keeps column 0 at +0.
      const float S = F(Ext(-J) / NumCircle / TSize);
      gl::Normal3f(F(Ext(X) * R0 / Radius), F(Ext(Y) * R0 / Radius), F(Ext(Z0) / Radius));
      gl::TexCoord2f(S, T0);
      GLVertex3f(F(PX + Ext(X) * R0), F(PY + Ext(Y) * R0), F(Ext(PZ) + Z0));
      gl::Normal3f(F(Ext(X) * R1 / Radius), F(Ext(Y) * R1 / Radius), F(Ext(Z1) / Radius));
      gl::TexCoord2f(S, T1);
      GLVertex3f(F(PX + Ext(X) * R1), F(PY + Ext(Y) * R1), F(Ext(PZ) + Z1));
    }
    GLEnd();
  }
}

void LineFree(float TX1, float TY1, float TX2, float TY2, float X1, float Y1, float Z1, float X2,
              float Y2, float Z2, bool Texture) {
  if (Texture) gl::TexCoord2f(TX1, TY1);
  GLVertex3f(X1, Y1, Z1);
  if (Texture) gl::TexCoord2f(TX2, TY2);
  GLVertex3f(X2, Y2, Z2);
}

}  // namespace brevra
