// The bush export's steps (see bush_export.h).
#include "tools/bush_export.h"

#include <GL/gl.h>

#include <cstdio>
#include <filesystem>

#include "brevra/textures/textures.h"
#include "demo/scene.h"
#include "tools/png_write.h"

namespace fogliame {
namespace {

namespace fs = std::filesystem;

constexpr float kBushScale = 5;  // the demo draws the bush five times its modelled size

// Reads a texture back from GL as uploaded (first row at the top of the picture) and encodes it.
std::vector<std::uint8_t> TexturePng(std::uint32_t texture) {
  if (texture == 0 || glIsTexture(texture) != GL_TRUE) return {};
  glBindTexture(GL_TEXTURE_2D, texture);
  GLint width = 0, height = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
  if (width <= 0 || height <= 0) return {};
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  glBindTexture(GL_TEXTURE_2D, 0);
  return brevra::tools::EncodePngRGBA(rgba.data(), width, height);
}

}  // namespace

std::map<std::uint32_t, Picture> LoadScenePictures(const char* tool) {
  const char* files[3] = {"Floor04.bmp", "corteccia02.bmp", "acacia.tga"};
  for (const char* file : files) {
    if (!fs::exists(file)) {
      std::fprintf(stderr, "%s: warning: picture '%s' not found; its material is untextured\n",
                   tool, file);
    }
  }
  brevra::OpenGL_Texture();
  std::map<std::uint32_t, Picture> pictures;
  const std::pair<std::uint32_t, const char*> loaded[3] = {
      {brevra::TextureID2[0], "Floor04"},
      {brevra::TextureID2[1], "corteccia02"},
      {brevra::TextureTGA2[0].TexID, "acacia"}};
  for (const auto& [texture, name] : loaded) {
    if (texture == 0) continue;
    Picture picture{name, TexturePng(texture)};
    if (!picture.png.empty()) pictures[texture] = std::move(picture);
  }
  return pictures;
}

// Names each part by how it is drawn and attaches its picture.
void NameParts(brevra::Mesh& mesh, const std::map<std::uint32_t, Picture>& pictures) {
  for (brevra::MeshPart& part : mesh.Parts) {
    part.Name = part.AlphaCutoff >= 0 ? "leaf" : part.DoubleSided ? "floor" : "bark";
    const auto it = pictures.find(part.Texture);
    if (it != pictures.end()) {
      part.ImageName = it->second.name;
      part.ImagePng = it->second.png;
    }
  }
}

namespace {
void DrawFloor() {
  brevra::TextureSelectID(0);
  brevra::Quad(-10, 0, -10, 10, 0, -10, -10, 0, 10, 10, 0, 10);
}

}  // namespace

brevra::Mesh CaptureBush(const BushPreset& preset, std::uint32_t seed, bool floor) {
  brevra::MeshCaptureStart();
  GrowBush(preset, seed);
  brevra::MeshCaptureStop();
  brevra::Mesh mesh;
  brevra::MeshMatrix scale = brevra::MeshIdentity;
  scale[0] = scale[5] = scale[10] = kBushScale;
  brevra::MeshAddList(mesh, brevra::CESPUGLIO, scale);
  if (floor) brevra::MeshAddCall(mesh, DrawFloor);
  // The clump is the first of the lists made and the bush the last.
  glDeleteLists(brevra::CHIOMA, brevra::CESPUGLIO - brevra::CHIOMA + 1);
  brevra::MeshCaptureClear();
  return mesh;
}

bool WriteMesh(const std::string& format, const std::string& path, const brevra::Mesh& mesh) {
  if (format == "gltf") return brevra::MeshWriteGLTF(path, mesh);
  if (format == "obj") return brevra::MeshWriteOBJ(path, mesh);
  return brevra::MeshWriteGLB(path, mesh);
}

}  // namespace fogliame
