// Vertex wrappers, the recorder's edit path, and the vector and rotation helpers.
//
// Rounding: every stored value is a float. Sums and products are formed at extended precision
// (a product of two floats is exact there) and rounded once when stored; the trigonometric values
// and the two products SP * SR and SP * CR of MatrixEulerDeg are rounded to float before use.
// Extended rather than double: GCC 12's vectoriser at -O2 was seen to change the rounding of
// one matrix cell computed in double.
#include "brevra/geometry/vertex.h"

#include <GL/gl.h>  // Required for: GLenum values

#include <cmath>    // Required for: std::cos, std::sin
#include <numbers>  // Required for: std::numbers::pi_v

#include "brevra/geometry/gl_stream.h"
#include "brevra/geometry/random.h"

namespace brevra {

TGLVertex3F GLBaseVertex3F;
bool GLVert3FRemove = false;
bool GLVert3FEnableEdit = false;

namespace {

// Sums and products are formed in extended precision (x87 on x86, never vectorised) and
// rounded once when stored.
using Ext = long double;
float F(Ext v) { return static_cast<float>(v); }

bool ValidSlot(std::int32_t s) { return s >= TGLVectorSlots::Low && s <= TGLVectorSlots::High; }

}  // namespace

// ---- vertex wrappers ----

void GLBegin(std::uint32_t Mode) {
  if (!GLVert3FRemove) gl::Begin(Mode);
  GLBaseVertex3F.GLVert3FMax = GLBaseVertex3F.GLVert3FSetNum;
}

void GLVertex3f(float X, float Y, float Z) {
  if (!GLVert3FEnableEdit) {
    if (!GLVert3FRemove) gl::Vertex3f(X, Y, Z);
    return;
  }

  TGLVertex3F& r = GLBaseVertex3F;
  if (r.GLVert3FCount < r.GLVert3FMax) ++r.GLVert3FCount;
  const std::int32_t s = r.GLVert3FCount;
  if (!ValidSlot(s)) {
    // No slot to record into (limit 0 or negative, or past slot 10000): the vertex goes out
    // unchanged and nothing outside the slot tables is touched.
    if (!GLVert3FRemove) gl::Vertex3f(X, Y, Z);
    return;
  }

  r.GLVert3FOffset[s] = {X, Y, Z};
  TGLVector& scale = r.GLVert3FTmpScale[s];
  if (scale.X == 0 && scale.Y == 0 && scale.Z == 0) scale = {1, 1, 1};
  const TGLVector& move = r.GLVert3FTmp[s];
  TGLVector& out = r.GLVert3F[s];
  out = {F(Ext(scale.X) * X + move.X), F(Ext(scale.Y) * Y + move.Y), F(Ext(scale.Z) * Z + move.Z)};
  const TGLVector& pre = r.GLVert3FTmpPosRot[s];
  const TGLVector q = {F(Ext(pre.X) + out.X), F(Ext(pre.Y) + out.Y), F(Ext(pre.Z) + out.Z)};
  // The pre-rotation offset stays in the result: it moves the point before the rotation about
  // the origin.
  out = MatrixVecRot(q, MatrixEulerRad(r.GLVert3FTmpRotate[s]));
  if (!GLVert3FRemove) gl::Vertex3f(out.X, out.Y, out.Z);
}

void GLEnd() {
  if (!GLVert3FRemove) gl::End();
}

// ---- helpers ----

TGLVector GLVector(double X, double Y, double Z) { return {F(X), F(Y), F(Z)}; }

float DegToRad(float Degree) {
  // At extended precision, then rounded once.
  return static_cast<float>(static_cast<long double>(Degree) * std::numbers::pi_v<long double> /
                            180.0L);
}

float RandomF(float Range) {
  const long double r = RandomFloat();
  return static_cast<float>((r / 0.9L) * Range);
}

TGLBaseMatrix MatrixEulerDeg(TGLVector Ang) {
  const float CR = F(std::cos(Ext(Ang.X)));
  const float SR = F(std::sin(Ext(Ang.X)));
  const float CP = F(std::cos(Ext(Ang.Y)));
  const float SP = F(std::sin(Ext(Ang.Y)));
  const float CY = F(std::cos(Ext(Ang.Z)));
  const float SY = F(std::sin(Ext(Ang.Z)));
  const float SRSP = F(Ext(SP) * SR);
  const float CRSP = F(Ext(SP) * CR);

  TGLBaseMatrix m{};
  m[0][0] = F(Ext(CY) * CP);
  m[0][1] = F(Ext(SY) * CP);
  m[0][2] = -SP + 0.0f;  // adding +0 turns -0 into +0: zero pitch never gives -0
  m[1][0] = F(Ext(CY) * SRSP - Ext(SY) * CR);
  m[1][1] = F(Ext(SY) * SRSP + Ext(CY) * CR);
  m[1][2] = F(Ext(CP) * SR);
  m[2][0] = F(Ext(CY) * CRSP + Ext(SY) * SR);
  m[2][1] = F(Ext(SY) * CRSP - Ext(CY) * SR);
  m[2][2] = F(Ext(CP) * CR);
  return m;
}

TGLBaseMatrix MatrixEulerRad(TGLVector Ang) {
  return MatrixEulerDeg({DegToRad(Ang.X), DegToRad(Ang.Y), DegToRad(Ang.Z)});
}

TGLVector MatrixVecRot(TGLVector Vec, const TGLBaseMatrix& Ang) {
  TGLVector out;
  float* const cells[3] = {&out.X, &out.Y, &out.Z};
  for (int j = 0; j < 3; ++j) {
    *cells[j] = F(Ext(Ang[0][j]) * Vec.X + Ext(Ang[1][j]) * Vec.Y + Ext(Ang[2][j]) * Vec.Z);
  }
  return out;
}

}  // namespace brevra
