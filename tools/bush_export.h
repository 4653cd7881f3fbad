// The bush export's steps after start-up, shared by fogliame-export and its benchmark: the
// scene's pictures as PNG, one bush captured as a mesh, its materials named, the file written.
// All need a current GL context with the demo's culling (brevra::SetGLRefractive).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "brevra/mesh/mesh.h"
#include "tools/bush_options.h"

namespace fogliame {

struct Picture {
  std::string name;               // file stem, also the PNG's name beside a .gltf / .obj
  std::vector<std::uint8_t> png;  // as uploaded to GL, first row at the top
};

// Loads the scene's three pictures from the working directory (brevra::OpenGL_Texture) and
// returns them by GL texture name. A missing file gives a warning on stderr, prefixed with
// `tool`, and no entry (its material is then untextured).
std::map<std::uint32_t, Picture> LoadScenePictures(const char* tool);

// Grows the bush (GrowBush) under a mesh capture and returns what its list draws, scaled by 5 at
// the origin as the demo draws it; with `floor`, the demo's floor quad after it. The lists made
// are deleted again.
brevra::Mesh CaptureBush(const BushPreset& preset, std::uint32_t seed, bool floor);

// Names each part by how it is drawn (leaf: alpha-tested; floor: two-sided; bark: culled) and
// attaches its picture.
void NameParts(brevra::Mesh& mesh, const std::map<std::uint32_t, Picture>& pictures);

// Writes `mesh` as "glb", "gltf" or "obj"; false with brevra::MeshLastError on failure.
bool WriteMesh(const std::string& format, const std::string& path, const brevra::Mesh& mesh);

}  // namespace fogliame
