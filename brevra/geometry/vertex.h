// Vertex wrappers with their recorder, and the small vector and rotation helpers.
//
// GLBegin / GLVertex3f / GLEnd stand in for glBegin / glVertex3f / glEnd. Two flags change what
// they do: GLVert3FRemove suppresses their GL calls; GLVert3FEnableEdit makes GLVertex3f
// record each vertex in a numbered slot of GLBaseVertex3F and pass it through that slot's
// scale, translation, pre-rotation offset and Euler rotation before it is emitted. Both flags
// are false unless a client sets them. Caller-side glNormal3f / glTexCoord2f calls do not pass
// through the wrappers. All coordinates and matrix cells are 32-bit floats.
#pragma once

#include <array>
#include <cstdint>

#include "brevra/export.h"
#include "brevra/geometry/indexed_array.h"

namespace BREVRA_API brevra {

// A point, a direction, or Euler angles (X roll, Y pitch, Z yaw; radians or degrees as each
// operation says).
struct TGLVector {
  float X = 0;
  float Y = 0;
  float Z = 0;
};

// The same three floats; the camera translation result of the projection helpers.
struct TGLVertex {
  float X = 0;
  float Y = 0;
  float Z = 0;
};

// A parameterless callback: the plant generators' material and model hooks, the client's menu
// hooks.
using BrvProcedure = void (*)();

// 4 x 4 floats indexed [row][column]. The rotation helpers fill only the upper-left 3 x 3
// block, each row the image of one coordinate axis; the rest is left at zero and unused.
using TGLBaseMatrix = std::array<std::array<float, 4>, 4>;

// Per-slot tables of the recorder: slots 1..10000 (there is no slot 0).
inline constexpr int GLVert3FSlots = 10000;
using TGLVectorSlots = geometry::IndexedArray<TGLVector, 1, GLVert3FSlots>;
using TGLBoolSlots = geometry::IndexedArray<bool, 1, GLVert3FSlots>;

// The recorder record (about 720 KB: keep instances in static storage, never on the stack).
struct TGLVertex3F {
  TGLVectorSlots GLVert3F;           // final position of the vertex last recorded in the slot
  TGLVectorSlots GLVert3FTmp;        // translation, added after scaling
  TGLVectorSlots GLVert3FTmpRotate;  // Euler angles in degrees: X roll, Y pitch, Z yaw
  TGLVectorSlots GLVert3FTmpPosRot;  // offset added just before the rotation
  TGLVectorSlots GLVert3FTmpScale;   // scale; exactly (0, 0, 0) means unset -> (1, 1, 1)
  TGLVectorSlots GLVert3FOffset;     // raw coordinates last passed for the slot
  std::int32_t GLVert3FCount = 0;    // current slot; 0 until the first vertex is recorded
  std::int32_t GLVert3FMax = 0;      // slot limit in force, copied from GLVert3FSetNum by GLBegin
  std::int32_t GLVert3FSetNum = 0;   // slot limit the next GLBegin adopts (1..10000 to record)
};

// Per-slot selection flags of a vertex editor. Nothing in the library reads or writes one.
struct TGLFindVertex3F {
  TGLBoolSlots GLVert3FFindV3FForTranslate;
  TGLBoolSlots GLVert3FFindV3FForRotate;
  TGLBoolSlots GLVert3FFindV3FForScale;
};

// ---- module state (all zero / false at process start) ----
extern TGLVertex3F GLBaseVertex3F;  // the recorder
extern bool GLVert3FRemove;         // true: the three wrappers make no GL call
extern bool GLVert3FEnableEdit;     // true: GLVertex3f records and transforms each vertex

// ---- vertex wrappers ----
// Unless GLVert3FRemove: glBegin(Mode). Always: GLVert3FMax := GLVert3FSetNum.
void GLBegin(std::uint32_t Mode);
// Emits one vertex; on the edit path it is recorded and transformed first. When the edit path
// has no valid slot (GLVert3FMax <= 0, or a limit above 10000 once slot 10000 is passed) the
// vertex is emitted as given and nothing is recorded.
void GLVertex3f(float X, float Y, float Z);
// Unless GLVert3FRemove: glEnd().
void GLEnd();

// ---- helpers ----
inline constexpr double PIDIV180 = 0.017453292519943296;  // pi / 180

// (X, Y, Z), each rounded to a float.
TGLVector GLVector(double X, double Y, double Z);
// Degree * pi / 180 at extended precision, rounded to a float.
float DegToRad(float Degree);
// One float draw r of the random source, (r / 0.9) * Range rounded to a float: in
// [0, Range / 0.9), so up to about 11 % beyond Range. Exactly one draw per call.
float RandomF(float Range);
// Rotation matrix from Euler angles in RADIANS (X roll, Y pitch, Z yaw), despite the name.
TGLBaseMatrix MatrixEulerDeg(TGLVector Ang);
// Rotation matrix from Euler angles in DEGREES: each converted with DegToRad, then
// MatrixEulerDeg.
TGLBaseMatrix MatrixEulerRad(TGLVector Ang);
// Vec rotated by the matrix: component j = M[0][j]*X + M[1][j]*Y + M[2][j]*Z. With
// MatrixEulerDeg this turns by roll about X, then pitch about Y, then yaw about Z.
TGLVector MatrixVecRot(TGLVector Vec, const TGLBaseMatrix& Ang);

}  // namespace brevra
