// export_tree: grows a tree with the library's generators in your own program and writes what
// its display list draws as tree.glb and tree.obj (with tree.mtl), in the folder given.
//
//   export_tree [FOLDER]
//
// Any current GL context will do; this one is headless (an EGL pbuffer). The mesh capture
// records the commands that fill the lists, so the files hold exactly the triangles that
// glCallList(tree) draws. No pictures are loaded here, so the materials are untextured.
#include <cstdint>
#include <cstdio>
#include <string>

#include "brevra/geometry/render.h"
#include "brevra/mesh/mesh.h"
#include "brevra/platform/egl_pbuffer.h"
#include "brevra/platform/platform.h"
#include "brevra/plants/foliage_volume.h"
#include "brevra/plants/fractal_tree.h"

namespace {
std::uint32_t g_leaves = 0;
void Leaves() { brevra::AddVolumeFogliage(g_leaves); }
}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? std::string(argv[1]) + "/" : "";
  namespace pf = brevra::platform;
  pf::egl::Pbuffer surface;
  if (!pf::Init(pf::Backend::Headless) || !surface.create(1, 1) || !surface.makeCurrent()) {
    std::fprintf(stderr, "export_tree: no OpenGL context\n");
    return 1;
  }
  brevra::SetGLRefractive();  // back faces culled: the bark is written single-sided

  // Record the lists while the generators fill them.
  std::uint32_t tree = 0;
  brevra::MeshCaptureStart();
  brevra::SetVolumeFogliage(0, 0, 0, 0, 0.75f, 1, 0, 1, 5, 0.3f, 1, g_leaves, false);
  brevra::TreeAdvancedFractal3D(tree, Leaves, nullptr, nullptr, 8, 2, 0.2f);
  brevra::MeshCaptureStop();

  // What glCallList(tree) draws, as one part per material.
  brevra::Mesh mesh;
  brevra::MeshAddList(mesh, tree);
  for (brevra::MeshPart& part : mesh.Parts) part.Name = part.AlphaCutoff >= 0 ? "leaf" : "bark";
  std::printf("%zu triangles in %zu parts\n", brevra::MeshTriangleCount(mesh), mesh.Parts.size());

  const bool written = brevra::MeshWriteGLB(folder + "tree.glb", mesh) &&
                       brevra::MeshWriteOBJ(folder + "tree.obj", mesh);
  if (!written) std::fprintf(stderr, "export_tree: %s\n", brevra::MeshLastError.c_str());
  surface.destroy();
  pf::Shutdown();
  return written ? 0 : 1;
}
