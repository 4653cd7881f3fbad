// Brv_SimplePlants: the fractal tree generator.
//
// TreeAdvancedFractal3D compiles a whole tree into display lists: a flared trunk with an
// indented ground edge, three-way branching with random twist, spread and tilt at every fork,
// leafy twigs at the tips, and a second, smaller branching from the top of the trunk. All
// geometry comes from the process-wide random source at compile time; drawing the tree later is
// one glCallList. Needs a current OpenGL context and no display list under construction.
#pragma once

#include <cstdint>

#include "brevra/export.h"

namespace BREVRA_API brevra {

// A parameterless callback: the material and model hooks of the plant generators.
using BrvProcedure = void (*)();

// Compiles five new display lists (branch segment, leaf model, leafy twig, trunk segment, then
// the tree) and stores the tree list's identifier in `Tree`.
//   MdlLeaf  emits the leaf geometry (called once, inside the leaf list, with two-sided
//            lighting, no face culling and the alpha-test sprite state in force);
//   MatTree  sets the bark material (first command of the branch and of the trunk segment);
//   MatLeaf  sets the leaf material (first command of the leaf list).
// The callbacks run only while the lists are compiled, so their commands become part of them;
// a null callback contributes nothing. `Quality` is the number of sides of every cylinder
// (1..253, 3 or more for a visible tube), `NumLevel` the branching depth (>= 0) and `TSize` the
// bark texture size. A `Quality` or `NumLevel` outside its range throws std::out_of_range
// before any list is made or any random draw is taken.
void TreeAdvancedFractal3D(std::uint32_t& Tree, BrvProcedure MdlLeaf, BrvProcedure MatTree,
                           BrvProcedure MatLeaf, std::int32_t Quality, std::int32_t NumLevel,
                           float TSize);

}  // namespace brevra
