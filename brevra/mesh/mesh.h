// Triangle meshes taken from what the library's display lists draw, and their files.
//
// A capture records the GL commands that the generators (and any code that draws through the
// library's command funnel, brevra/geometry/gl_stream.h) send while display lists are compiled,
// so a mesh is made from the very calls that fill the lists: there is no second copy of any
// generator. Replaying a recorded list walks its primitives (points and lines are skipped),
// its matrix stack and its nested list calls, and keeps every triangle that is drawn, with its
// normal and texture coordinate, grouped by the texture bound, the face culling and the alpha
// test in force when it is drawn.
//
// Limits: only lists compiled while a capture runs can be replayed; commands that do not pass
// through the funnel (a client's own glVertex3f, say) are not seen. Texture matrices, colours
// and lighting are not part of a mesh. One thread, like the rest of the library.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "brevra/export.h"

namespace BREVRA_API brevra {

// A parameterless callback, as the plant generators take.
using BrvProcedure = void (*)();

struct MeshVertex {
  float Position[3];
  float Normal[3];  // unit length
  float TexCoord[2];
};

// The triangles drawn with one material: one texture, one culling, one alpha test.
struct MeshPart {
  std::uint32_t Texture = 0;  // GL texture name bound when drawn (0: none)
  bool DoubleSided = false;   // drawn with face culling off
  float AlphaCutoff = -1;     // the alpha test's reference when it was on; -1: no alpha test
  std::vector<MeshVertex> Vertices;
  std::vector<std::uint32_t> Indices;  // three per triangle, counter-clockwise in front

  // Filled by the caller before writing (the capture leaves them empty).
  std::string Name;                    // material name; "" writes "material<N>"
  std::string ImageName;               // file stem of the picture, e.g. "acacia" (letters,
                                       // digits, '.', '_', '-': it names a file and a URI)
  std::vector<std::uint8_t> ImagePng;  // the picture as a PNG file; empty: untextured
};

struct Mesh {
  std::vector<MeshPart> Parts;
};

// A column-major 4 x 4 matrix, as glMultMatrixf takes it.
using MeshMatrix = std::array<float, 16>;
inline constexpr MeshMatrix MeshIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// ---- capture ----
// Starts recording: every list compiled from now on is kept (a list compiled again replaces
// its record), and commands sent outside a list are kept for MeshAddCall. Forgets any earlier
// records. Drawing still goes to GL exactly as without a capture.
void MeshCaptureStart();
// Stops recording; the records stay until the next MeshCaptureStart or MeshCaptureClear.
void MeshCaptureStop();
// Forgets every record and stops recording.
void MeshCaptureClear();
// True when `List` was compiled while a capture ran.
bool MeshCaptured(std::uint32_t List);

// ---- replay ----
// Appends to `Out` what `List` draws when called with `Matrix` as the modelview matrix. The
// culling, alpha test, bound texture, normal and texture coordinate in force start as the
// current GL context has them now (GL's defaults without one). False when the list, or a list
// it calls, was not recorded (what was recorded is still appended).
bool MeshAddList(Mesh& Out, std::uint32_t List, const MeshMatrix& Matrix = MeshIdentity);
// Runs `Draw` under a capture (it may draw in immediate mode and call recorded lists), then
// appends what it drew, as MeshAddList does. The records made before the call are kept.
bool MeshAddCall(Mesh& Out, BrvProcedure Draw, const MeshMatrix& Matrix = MeshIdentity);

// Number of triangles in all parts.
std::size_t MeshTriangleCount(const Mesh& M);

// ---- files ----
// Each writer writes to a temporary file beside the target and renames it, so a failure leaves
// no partial file; the side files (buffer, pictures, material library) are written first, the
// same way. Same mesh, same bytes. On failure MeshLastError says what went wrong.
//
// GLB: one binary glTF 2.0 file, pictures inside.
bool MeshWriteGLB(const std::string& Path, const Mesh& M);
// glTF: JSON, with "<stem>.bin" and "<ImageName>.png" beside it.
bool MeshWriteGLTF(const std::string& Path, const Mesh& M);
// OBJ: with "<stem>.mtl" and "<ImageName>.png" beside it.
bool MeshWriteOBJ(const std::string& Path, const Mesh& M);

// Text of the last writer failure ("" after a success).
extern std::string MeshLastError;

}  // namespace brevra
