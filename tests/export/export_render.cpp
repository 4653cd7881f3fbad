// export-render: draws an exported bush (a .glb written by fogliame-export) with fixed-function
// GL in the demo's own frame, and checks it against the demo's picture of the same bush.
//
//   export-render --glb FILE [--mask-out FILE.pgm] [--seed N] [--preset NAME]
//
// Runs in <build>/bin (the demo's pictures). One headless window as fogliame-snapshot opens it
// and the demo's set-up (with the options' bush); then three frames of the demo's own drawing
// code, which differ only in what the bush's list holds: the generators' list (the snapshot's
// picture), a list made from the file's triangles (scaled back by 1/5, since the demo scales
// the list by 5; each material drawn with its culling, alpha test and two-sided lighting), and
// an empty list. Pixels where a frame differs from the empty one are the bush's silhouette.
// Checks: the silhouettes agree on at least 99.5 % of the frame's pixels, the largest channel
// difference averages at most 5 levels over the frame, and is at most 48 on 97 % of the pixels.
// (The leaves differ in shading, not in shape: the lists give each leaf disc's centre a zero
// normal, which GL lights as black, while a file must give it the disc's unit normal.) --mask-out
// writes the snapshot's silhouette (P5, 255 = bush) for the browser test. Exit 0 when both checks
// pass, 1 otherwise.
#include <GL/gl.h>
#include <png.h>

#include <algorithm>
#include <cfenv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "brevra/geometry/render.h"
#include "brevra/platform/headless.h"
#include "brevra/platform/platform.h"
#include "brevra/textures/textures.h"
#include "brevra/window/camera.h"
#include "brevra/window/window.h"
#include "demo/app.h"
#include "demo/scene.h"
#include "tools/bush_options.h"

namespace {

namespace pf = brevra::platform;
using json = nlohmann::json;
using Bytes = std::vector<std::uint8_t>;

constexpr int kWidth = 800, kHeight = 600;

// ---- the file ----
struct Glb {
  json doc;
  Bytes bin;
};

bool ReadGlb(const std::string& path, Glb& glb) {
  std::ifstream in(path, std::ios::binary);
  const Bytes data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto u32 = [&](std::size_t at) {
    std::uint32_t v = 0;
    std::memcpy(&v, data.data() + at, 4);
    return v;
  };
  if (data.size() < 20 || u32(0) != 0x46546C67 || u32(8) != data.size()) return false;
  const std::uint32_t jsonLength = u32(12);
  glb.doc = json::parse(data.begin() + 20, data.begin() + 20 + jsonLength);
  const std::size_t binAt = 20 + jsonLength;
  if (binAt + 8 <= data.size()) glb.bin.assign(data.begin() + binAt + 8, data.end());
  return true;
}

const std::uint8_t* View(const Glb& glb, int viewIndex) {
  const json& view = glb.doc["bufferViews"][viewIndex];
  return glb.bin.data() + view.value("byteOffset", 0);
}

template <typename T>
const T* Accessor(const Glb& glb, int index, std::size_t& count) {
  const json& a = glb.doc["accessors"][index];
  count = a["count"];
  return reinterpret_cast<const T*>(View(glb, a["bufferView"]) + a.value("byteOffset", 0));
}

GLuint UploadPng(const Glb& glb, int imageIndex) {
  const json& image = glb.doc["images"][imageIndex];
  const json& view = glb.doc["bufferViews"][image["bufferView"].get<int>()];
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&png, View(glb, image["bufferView"]),
                                        view["byteLength"].get<std::size_t>())) {
    return 0;
  }
  png.format = PNG_FORMAT_RGBA;
  Bytes rgba(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, rgba.data(), 0, nullptr)) return 0;
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, static_cast<GLsizei>(png.width),
               static_cast<GLsizei>(png.height), 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  return texture;
}

// A display list drawing the file's triangles at 1/5 of their size (the demo's list call scales
// by 5), each material with the state it asks for.
GLuint MeshList(const Glb& glb) {
  std::map<int, GLuint> textures;
  const json& doc = glb.doc;
  for (std::size_t t = 0; t < doc.value("textures", json::array()).size(); ++t) {
    textures[static_cast<int>(t)] = UploadPng(glb, doc["textures"][t]["source"]);
  }
  const GLuint list = glGenLists(1);
  glNewList(list, GL_COMPILE);
  glPushMatrix();
  glScalef(0.2f, 0.2f, 0.2f);
  for (const json& prim : doc["meshes"][0]["primitives"]) {
    const json& material = doc["materials"][prim["material"].get<int>()];
    const json& pbr = material["pbrMetallicRoughness"];
    glBindTexture(GL_TEXTURE_2D, pbr.contains("baseColorTexture")
                                     ? textures[pbr["baseColorTexture"]["index"]]
                                     : 0);
    const bool doubleSided = material.value("doubleSided", false);
    if (doubleSided) {
      glDisable(GL_CULL_FACE);
      glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
    }
    if (material.value("alphaMode", "OPAQUE") == "MASK") {
      glEnable(GL_ALPHA_TEST);
      glAlphaFunc(GL_GREATER, material["alphaCutoff"].get<float>());
    }
    std::size_t nv = 0, ni = 0;
    const json& attributes = prim["attributes"];
    const float* pos = Accessor<float>(glb, attributes["POSITION"], nv);
    const float* nrm = Accessor<float>(glb, attributes["NORMAL"], nv);
    const float* tex = Accessor<float>(glb, attributes["TEXCOORD_0"], nv);
    const std::uint32_t* idx = Accessor<std::uint32_t>(glb, prim["indices"], ni);
    glBegin(GL_TRIANGLES);
    for (std::size_t i = 0; i < ni; ++i) {
      const std::uint32_t v = idx[i];
      glNormal3fv(nrm + 3 * v);
      glTexCoord2fv(tex + 2 * v);
      glVertex3fv(pos + 3 * v);
    }
    glEnd();
    glDisable(GL_ALPHA_TEST);
    glEnable(GL_CULL_FACE);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 0);
  }
  glPopMatrix();
  glEndList();
  return list;
}

// ---- frames ----
Bytes Frame(std::uint32_t bushList) {
  brevra::CESPUGLIO = bushList;
  fogliame::DrawFrame();
  glFinish();
  Bytes rgba(static_cast<std::size_t>(kWidth) * kHeight * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  return rgba;
}

bool Differs(const Bytes& a, const Bytes& b, std::size_t pixel) {
  return std::memcmp(&a[pixel * 4], &b[pixel * 4], 3) != 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string glbPath, maskPath, preset = "demo";
  std::uint32_t seed = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    if (name == "--glb") glbPath = argv[i + 1];
    if (name == "--mask-out") maskPath = argv[i + 1];
    if (name == "--preset") preset = argv[i + 1];
    if (name == "--seed") fogliame::ParseSeed(argv[i + 1], seed);
  }
  Glb glb;
  if (glbPath.empty() || !ReadGlb(glbPath, glb)) {
    std::fprintf(stderr, "export-render: cannot read the .glb '%s'\n", glbPath.c_str());
    return 1;
  }

  // fogliame-snapshot's window and the demo's set-up.
  fedisableexcept(FE_ALL_EXCEPT);
  if (!pf::Init(pf::Backend::Headless)) return 1;
  pf::headless::SetScreenSize(1024, 768);
  pf::headless::AnswerMessageBoxes(pf::IDOK);
  brevra::FullScreen = false;
  brevra::OGLWindowSetting(brevra::ARROW, "", brevra::GENERIC, "");
  brevra::CreateOGLWindow("Fogliame generico", kWidth, kHeight, 32, false);
  pf::RECT client{}, outer{};
  pf::GetClientRect(brevra::HWindow, &client);
  pf::GetWindowRect(brevra::HWindow, &outer);
  pf::MoveWindow(brevra::HWindow, outer.left, outer.top,
                 kWidth + (outer.right - outer.left) - (client.right - client.left),
                 kHeight + (outer.bottom - outer.top) - (client.bottom - client.top), true);
  brevra::OpenGL_Init(100, 0, 0, 0, 0);
  brevra::SetGLRefractive();
  brevra::SetGLLight(GL_LIGHT0, 0, 0, 0, 0.1f);
  brevra::OpenGL_Texture();
  fogliame::GrowBush(*fogliame::FindBushPreset(preset), seed);

  const std::uint32_t bush = brevra::CESPUGLIO;
  const Bytes snapshot = Frame(bush);
  const Bytes mesh = Frame(MeshList(glb));
  const GLuint emptyList = glGenLists(1);
  glNewList(emptyList, GL_COMPILE);
  glEndList();
  const Bytes empty = Frame(emptyList);

  const std::size_t pixels = static_cast<std::size_t>(kWidth) * kHeight;
  std::size_t bushPixels = 0, agree = 0, close = 0;
  double sum = 0;
  for (std::size_t p = 0; p < pixels; ++p) {
    const bool inSnapshot = Differs(snapshot, empty, p), inMesh = Differs(mesh, empty, p);
    bushPixels += inSnapshot;
    agree += inSnapshot == inMesh;
    int delta = 0;
    for (int c = 0; c < 3; ++c) {
      delta = std::max(delta, std::abs(int(snapshot[p * 4 + c]) - int(mesh[p * 4 + c])));
    }
    close += delta <= 48;
    sum += delta;
  }
  const double agreeShare = double(agree) / pixels, closeShare = double(close) / pixels;
  const double meanDelta = sum / pixels;
  std::printf(
      "bush pixels %zu of %zu; silhouettes agree on %.3f %%; mean colour difference %.2f; "
      "colours within 48 on %.3f %%\n",
      bushPixels, pixels, 100 * agreeShare, meanDelta, 100 * closeShare);

  if (!maskPath.empty()) {
    std::ofstream out(maskPath, std::ios::binary);
    out << "P5\n" << kWidth << ' ' << kHeight << "\n255\n";
    for (int y = kHeight - 1; y >= 0; --y) {  // top row first
      for (int x = 0; x < kWidth; ++x) {
        const std::size_t p = static_cast<std::size_t>(y) * kWidth + x;
        out.put(Differs(snapshot, empty, p) ? char(255) : char(0));
      }
    }
  }
  brevra::DeleteOGLWindow();
  pf::Shutdown();
  const bool ok =
      bushPixels > pixels / 50 && agreeShare >= 0.995 && meanDelta <= 5 && closeShare >= 0.97;
  std::printf("%s\n", ok ? "ok" : "FAIL: the exported triangles do not draw the snapshot's bush");
  return ok ? 0 : 1;
}
