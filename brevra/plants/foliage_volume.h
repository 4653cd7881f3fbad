// Brv_SimplePlants_Ext1: the foliage volume.
//
// SetVolumeFogliage compiles a clump of leaf tufts into one display list: tufts scattered at
// random through a spherical shell (stretched per axis), each made of three mutually
// perpendicular leaf discs drawn with alpha testing, so the bound leaf texture's alpha channel
// cuts out the leaf shape. Needs a current OpenGL context and no display list under
// construction (AddVolumeFogliage may itself be compiled into another list).
#pragma once

#include <cstdint>

#include "brevra/export.h"

namespace BREVRA_API brevra {

// Compiles a new list and stores its identifier in `MdlFgliage`.
//   X, Y, Z     centre of the clump;
//   Radius      inner radius of the shell of tuft centres, and radius of the core sphere;
//   Volume      shell thickness: a tuft lies Radius + [0, Volume) from the centre;
//   SX, SY, SZ  per-axis factors of the tuft positions (0 flattens the clump on that axis);
//   NumTuft, Factor  the tuft count is NumTuft x Factor rounded to nearest, halves to even;
//   SizeTuft    uniform scale of every tuft;
//   Core        also draw a sphere of radius Radius at the centre (with the bound texture).
// Takes three random draws per tuft. Running the list leaves two-sided lighting off, alpha
// testing off, the alpha function (GL_GREATER, 0.1), the blend function (GL_SRC_ALPHA, GL_ONE)
// and, when a leaf was drawn, face culling on.
void SetVolumeFogliage(float X, float Y, float Z, float Radius, float Volume, float SX, float SY,
                       float SZ, std::int32_t NumTuft, float SizeTuft, float Factor,
                       std::uint32_t& MdlFgliage, bool Core);

// Draws (or, inside another list's compilation, records a call of) the clump.
void AddVolumeFogliage(std::uint32_t MdlFgliage);

}  // namespace brevra
