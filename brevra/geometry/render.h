// Render-state switches, lights, the face normal and two simple primitives.
//
// Each routine is a few fixed-function GL calls on the current context, in a fixed order that
// callers rely on; nothing is saved or restored and no GL error is read back. The primitives
// send their vertices through the vertex wrappers (so they obey GLVert3FRemove and the edit
// mode); normals, texture coordinates and the point size go to GL directly.
#pragma once

#include <cstdint>

#include "brevra/export.h"
#include "brevra/geometry/indexed_array.h"

namespace BREVRA_API brevra {

// A normal of 64-bit floats indexed 1..3: x at 1, y at 2, z at 3.
using TGLNormal3D = geometry::IndexedArray<double, 1, 3>;

// ---- module state ----
extern float AmbientLight[4];   // RGBA given to a light by SetGLLight, starts (0.5, 0.5, 0.5, 1)
extern float DiffuseLight[4];   // starts (1, 1, 1, 1)
extern float SpecularLight[4];  // starts (1, 1, 1, 1)
extern float LightPosition[4];  // (x, y, z, w) last handed to a light, starts (0, 0, 0, 0)
extern TGLNormal3D FNormal;     // result of the last FindNormal, starts (0, 0, 0)

// ---- state switches ----
void TwoSideOn();        // glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1)
void TwoSideOff();       // glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 0)
void LightingOn();       // glEnable(GL_LIGHTING)
void LightingOff();      // glDisable(GL_LIGHTING)
void SetGLRefractive();  // back-face culling of counter-clockwise front faces
void SetGLSprite();      // alpha test: keep fragments with alpha > 0.4
void SetGLSpriteOff();   // depth writes on, blending off, alpha test off

// ---- lights ----
// Lighting on, the three library colours to light NLight, the light on, placed at
// (L0, L1, L2, L3) (w = 0: directional). The position goes through the current modelview.
void SetGLLight(std::uint32_t NLight, float L0, float L1, float L2, float L3);
// Places light NLight at (LX, LY, LZ, LVal); when Size is not zero also draws a point of Size
// pixels there (the point size stays at Size). Touches neither the colours nor the switches.
void PutGLPointLight(std::uint32_t NLight, float Size, float LX, float LY, float LZ, float LVal);

// ---- normal ----
// Unit normal of the triangle V1, V2, V3 into FNormal: (V1 - V2) x (V2 - V3), scaled by its
// length rounded to a float (a zero length counts as 1, so a degenerate triangle gives 0).
// Counter-clockwise corners give a normal towards the viewer. Makes no GL call.
void FindNormal(double V1X, double V1Y, double V1Z, double V2X, double V2Y, double V2Z, double V3X,
                double V3Y, double V3Z);

// ---- primitives ----
// A lit, textured sphere about the z axis through (PX, PY, PZ): NumLine triangle strips from the
// +z pole to the -z pole, each of 2 * (NumCircle + 1) vertices; counter-clockwise from outside.
// TSize is the fraction of the sphere one copy of the texture covers. NumLine <= 0 emits
// nothing.
void Sfera(float PX, float PY, float PZ, float Radius, std::int32_t NumCircle, std::int32_t NumLine,
           float TSize);
// Two vertices (X1, Y1, Z1) and (X2, Y2, Z2) of the primitive the caller has opened, each after
// its texture coordinate (TX1, TY1) / (TX2, TY2) when Texture is true.
void LineFree(float TX1, float TY1, float TX2, float TY2, float X1, float Y1, float Z1, float X2,
              float Y2, float Z2, bool Texture);

}  // namespace brevra
