// The mesh capture and writers on real OpenGL: primitives into triangles, matrices and nested
// lists, materials from binds and switches, the unit-normal and degenerate-triangle rules,
// unrecorded lists, an unchanged GL stream, and the files (GLB read back, OBJ, failures).
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "brevra/geometry/gl_stream.h"
#include "brevra/geometry/random.h"
#include "brevra/geometry/render.h"
#include "brevra/geometry/vertex.h"
#include "brevra/mesh/mesh.h"
#include "brevra/plants/foliage_volume.h"
#include "brevra/plants/fractal_tree.h"
#include "tests/support/gl_context.h"
#include "tests/support/glrecord.h"
#include "tests/support/temp_dir.h"

namespace brevra {
namespace {

namespace fs = std::filesystem;
using test::GLTest;

class MeshTest : public GLTest {
 protected:
  void TearDown() override { MeshCaptureClear(); }

  // Compiles `draw` into a new list while a capture runs (earlier records are kept).
  static GLuint Compile(void (*draw)()) {
    const GLuint list = glGenLists(1);
    gl::NewList(list, GL_COMPILE);
    draw();
    gl::EndList();
    return list;
  }
};

double Area(const MeshPart& part, std::size_t t, double* normalZ = nullptr) {
  const float* a = part.Vertices[part.Indices[t * 3]].Position;
  const float* b = part.Vertices[part.Indices[t * 3 + 1]].Position;
  const float* c = part.Vertices[part.Indices[t * 3 + 2]].Position;
  const double ux = b[0] - a[0], uy = b[1] - a[1], uz = b[2] - a[2];
  const double vx = c[0] - a[0], vy = c[1] - a[1], vz = c[2] - a[2];
  const double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
  if (normalZ) *normalZ = nz;
  return std::sqrt(nx * nx + ny * ny + nz * nz) / 2;
}

// ---------------------------------------------------------------------------------------------
// Primitives
// ---------------------------------------------------------------------------------------------
struct ModeCase {
  const char* name;
  GLenum mode;
  std::vector<std::array<float, 2>> points;  // in the z = 0 plane, counter-clockwise
  std::size_t triangles;
  double area;
};

TEST_F(MeshTest, EveryPrimitiveBecomesCounterClockwiseTriangles) {
  const std::vector<ModeCase> cases = {
      {"triangles", GL_TRIANGLES, {{0, 0}, {1, 0}, {0, 1}, {2, 0}, {3, 0}, {2, 1}, {5, 5}}, 2, 1},
      {"strip", GL_TRIANGLE_STRIP, {{0, 0}, {1, 0}, {0, 1}, {1, 1}, {0, 2}}, 3, 1.5},
      {"fan", GL_TRIANGLE_FAN, {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, 2, 1},
      {"polygon", GL_POLYGON, {{0, 0}, {2, 0}, {2, 1}, {1, 2}, {0, 1}}, 3, 3},
      {"quads", GL_QUADS, {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {2, 0}, {3, 0}, {3, 2}}, 2, 1},
      {"quad strip", GL_QUAD_STRIP, {{0, 0}, {1, 0}, {0, 1}, {1, 1}, {0, 3}, {1, 3}}, 4, 3},
      {"points", GL_POINTS, {{0, 0}, {1, 0}, {0, 1}}, 0, 0},
      {"lines", GL_LINE_LOOP, {{0, 0}, {1, 0}, {0, 1}}, 0, 0},
  };
  for (const ModeCase& c : cases) {
    SCOPED_TRACE(c.name);
    MeshCaptureStart();
    const GLuint list = glGenLists(1);
    gl::NewList(list, GL_COMPILE);
    gl::Normal3f(0, 0, 1);
    gl::Begin(c.mode);
    for (const auto& p : c.points) gl::Vertex3f(p[0], p[1], 0);
    gl::End();
    gl::EndList();
    MeshCaptureStop();

    Mesh mesh;
    EXPECT_TRUE(MeshAddList(mesh, list));
    ASSERT_EQ(MeshTriangleCount(mesh), c.triangles);
    double area = 0;
    for (const MeshPart& part : mesh.Parts) {
      for (std::size_t t = 0; t < part.Indices.size() / 3; ++t) {
        double nz = 0;
        area += Area(part, t, &nz);
        EXPECT_GT(nz, 0) << "triangle " << t << " turned clockwise";
      }
    }
    EXPECT_NEAR(area, c.area, 1e-6);
    glDeleteLists(list, 1);
  }
}

// ---------------------------------------------------------------------------------------------
// Matrices, nested lists, state
// ---------------------------------------------------------------------------------------------
void UnitTriangle() {
  gl::Begin(GL_TRIANGLES);
  gl::Normal3f(1, 0, 0);
  gl::TexCoord2f(0.25f, 0.75f);
  gl::Vertex3f(0, 0, 0);
  gl::Vertex3f(1, 0, 0);
  gl::Vertex3f(0, 1, 0);
  gl::End();
}

GLuint g_triangle = 0;

void MovedTwice() {
  gl::PushMatrix();
  gl::Translatef(1, 2, 3);
  gl::Rotatef(90, 0, 0, 1);  // x -> y, y -> -x
  gl::Scalef(2, 2, 2);
  gl::CallList(g_triangle);
  gl::PopMatrix();
  gl::CallList(g_triangle);
}

TEST_F(MeshTest, MatricesAndNestedListsPlaceTheTriangles) {
  MeshCaptureStart();
  g_triangle = Compile(UnitTriangle);
  const GLuint outer = Compile(MovedTwice);
  MeshCaptureStop();

  MeshMatrix lift = MeshIdentity;
  lift[13] = 10;  // translate y by 10, column-major
  Mesh mesh;
  ASSERT_TRUE(MeshAddList(mesh, outer, lift));
  ASSERT_EQ(mesh.Parts.size(), 1u);
  const MeshPart& part = mesh.Parts[0];
  ASSERT_EQ(part.Indices.size(), 6u);
  auto at = [&](std::size_t i) { return part.Vertices[part.Indices[i]]; };
  // Moved copy: (0,0,0) -> (1,12,3); (1,0,0) -> (1,14,3); (0,1,0) -> (-1,12,3).
  const float expected[6][3] = {{1, 12, 3}, {1, 14, 3}, {-1, 12, 3},
                                {0, 10, 0}, {1, 10, 0}, {0, 11, 0}};
  for (std::size_t i = 0; i < 6; ++i) {
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(at(i).Position[k], expected[i][k], 1e-5) << i;
    EXPECT_FLOAT_EQ(at(i).TexCoord[0], 0.25f);
    EXPECT_FLOAT_EQ(at(i).TexCoord[1], 0.75f);
  }
  // The normal (1,0,0) turns with the rotation and stays unit length despite the scale.
  EXPECT_NEAR(at(0).Normal[0], 0, 1e-6);
  EXPECT_NEAR(at(0).Normal[1], 1, 1e-6);
  EXPECT_FLOAT_EQ(at(3).Normal[0], 1);
  EXPECT_TRUE(MeshCaptured(g_triangle));
}

void Materials() {
  gl::BindTexture(GL_TEXTURE_2D, 5);
  gl::Enable(GL_CULL_FACE);
  UnitTriangle();  // bark-like: texture 5, culled, no alpha test
  gl::PushAttrib(GL_ENABLE_BIT);
  gl::Disable(GL_CULL_FACE);
  gl::Enable(GL_ALPHA_TEST);
  gl::AlphaFunc(GL_GREATER, 0.4f);
  gl::AlphaFunc(GL_GREATER, 0.1f);  // the last reference before drawing counts
  gl::BindTexture(GL_TEXTURE_2D, 7);
  gl::Translatef(0, 0, 1);
  UnitTriangle();   // leaf-like: texture 7, two-sided, cut at 0.1
  gl::PopAttrib();  // culling back on, alpha test off; the texture stays 7
  gl::Translatef(0, 0, 1);
  UnitTriangle();
}

TEST_F(MeshTest, PartsFollowTextureCullingAndAlphaTest) {
  glDisable(GL_CULL_FACE);
  glDisable(GL_ALPHA_TEST);
  MeshCaptureStart();
  const GLuint list = Compile(Materials);
  MeshCaptureStop();
  Mesh mesh;
  ASSERT_TRUE(MeshAddList(mesh, list));
  ASSERT_EQ(mesh.Parts.size(), 3u);
  EXPECT_EQ(mesh.Parts[0].Texture, 5u);
  EXPECT_FALSE(mesh.Parts[0].DoubleSided);
  EXPECT_EQ(mesh.Parts[0].AlphaCutoff, -1);
  EXPECT_EQ(mesh.Parts[1].Texture, 7u);
  EXPECT_TRUE(mesh.Parts[1].DoubleSided);
  EXPECT_FLOAT_EQ(mesh.Parts[1].AlphaCutoff, 0.1f);
  EXPECT_EQ(mesh.Parts[2].Texture, 7u);
  EXPECT_FALSE(mesh.Parts[2].DoubleSided);
  EXPECT_EQ(mesh.Parts[2].AlphaCutoff, -1);
  // Drawing it again with the same state adds to the same parts.
  ASSERT_TRUE(MeshAddList(mesh, list));
  EXPECT_EQ(mesh.Parts.size(), 3u);
  EXPECT_EQ(MeshTriangleCount(mesh), 6u);
  EXPECT_EQ(mesh.Parts[0].Vertices.size(), 3u) << "equal vertices are shared";
}

// A leaf-like disc: a quad strip whose centre has a zero normal; its first quad and its last
// are degenerate (two corners at one point).
void Disc() {
  gl::Rotatef(90, 1, 0, 0);  // into the x-z plane: its front (+z) turns to -y
  gl::Begin(GL_QUAD_STRIP);
  for (int i = 0; i <= 4; ++i) {
    const double a = i * 3.14159265358979 / 2;
    gl::Normal3f(0, 0, 0);
    gl::Vertex3f(0, 0, 0);
    gl::Normal3f(static_cast<float>(0.85 * std::cos(a)), static_cast<float>(0.85 * std::sin(a)), 0);
    gl::Vertex3f(static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a)), 0);
  }
  gl::End();
}

TEST_F(MeshTest, ZeroNormalsBecomeThePlaneNormalAndEmptyTrianglesGo) {
  MeshCaptureStart();
  const GLuint list = Compile(Disc);
  MeshCaptureStop();
  Mesh mesh;
  ASSERT_TRUE(MeshAddList(mesh, list));
  // Four quads, each one real triangle (centre, rim, next rim) and one with the centre twice.
  ASSERT_EQ(MeshTriangleCount(mesh), 4u);
  for (const MeshVertex& v : mesh.Parts[0].Vertices) {
    const double len = std::hypot(v.Normal[0], v.Normal[1], v.Normal[2]);
    EXPECT_NEAR(len, 1, 1e-6);
    if (v.Position[0] == 0 && v.Position[2] == 0) {
      EXPECT_NEAR(v.Normal[1], -1, 1e-6) << "the centre takes the disc's (front) normal";
    } else {
      EXPECT_NEAR(v.Normal[1], 0, 1e-6) << "the rim keeps its own, in the plane";
    }
  }
}

// ---------------------------------------------------------------------------------------------
// What is and is not recorded
// ---------------------------------------------------------------------------------------------
GLuint g_before = 0;
void CallsTheEarlierList() {
  gl::CallList(g_before);
  UnitTriangle();
}

TEST_F(MeshTest, ListsCompiledWithoutACaptureAreReported) {
  g_before = Compile(UnitTriangle);  // no capture running
  EXPECT_FALSE(MeshCaptured(g_before));
  MeshCaptureStart();
  const GLuint list = Compile(CallsTheEarlierList);
  MeshCaptureStop();
  Mesh mesh;
  EXPECT_FALSE(MeshAddList(mesh, g_before));
  EXPECT_EQ(MeshTriangleCount(mesh), 0u);
  EXPECT_FALSE(MeshAddList(mesh, list)) << "a call of an unrecorded list";
  EXPECT_EQ(MeshTriangleCount(mesh), 1u) << "what was recorded still comes out";
}

void SphereCall() { Sfera(0, 0, 0, 2, 8, 6, 1); }

TEST_F(MeshTest, ImmediateDrawingIsCapturedByCall) {
  Mesh mesh;
  ASSERT_TRUE(MeshAddCall(mesh, SphereCall));
  // 6 strips of 8 quads. At the +z pole the ring's corners are one point, so the 8 triangles
  // with two corners there go; at the -z pole the float angle stops short of pi and the
  // corners stay apart (slivers that GL draws too).
  EXPECT_EQ(MeshTriangleCount(mesh), 6u * 16 - 8);
  for (const MeshVertex& v : mesh.Parts[0].Vertices) {
    EXPECT_NEAR(std::hypot(v.Position[0], v.Position[1], v.Position[2]), 2, 1e-5);
    EXPECT_NEAR(std::hypot(v.Normal[0], v.Normal[1], v.Normal[2]), 1, 1e-6);
  }
  EXPECT_EQ(gl::CommandListener, nullptr) << "the call's capture ends with it";
}

// ---------------------------------------------------------------------------------------------
// The GL stream is the same with and without a capture
// ---------------------------------------------------------------------------------------------
std::uint32_t g_clump = 0;
void Leaves() { AddVolumeFogliage(g_clump); }

// The calls made while a small bush is compiled, list names replaced by their order of making.
std::vector<std::string> BushTrace(bool capture) {
  RandomReset();
  if (capture) MeshCaptureStart();
  test::glrec::Start();
  std::uint32_t tree = 0;
  SetVolumeFogliage(0, 0, 0, 0, 0.75f, 1, 0, 1, 5, 0.3f, 1, g_clump, false);
  TreeAdvancedFractal3D(tree, Leaves, nullptr, nullptr, 6, 1, 0.2f);
  test::glrec::Stop();
  MeshCaptureStop();
  glDeleteLists(g_clump, tree - g_clump + 1);
  std::vector<std::string> trace = test::glrec::Trace();
  for (std::string& line : trace) {
    for (std::uint32_t list = g_clump; list <= tree; ++list) {
      for (const char* call : {"glNewList(", "glCallList("}) {
        const std::string from = call + std::to_string(list);
        if (line.starts_with(from) && !std::isdigit(line[from.size()])) {
          line =
              call + std::string("#") + std::to_string(list - g_clump) + line.substr(from.size());
        }
      }
    }
  }
  return trace;
}

TEST_F(MeshTest, CapturingLeavesTheGLStreamAsItIs) {
  const auto plain = BushTrace(false);
  const auto captured = BushTrace(true);
  ASSERT_GT(plain.size(), 1000u);
  EXPECT_EQ(plain, captured);
}

// ---------------------------------------------------------------------------------------------
// Files
// ---------------------------------------------------------------------------------------------
Mesh TwoParts() {
  Mesh mesh;
  MeshCaptureStart();
  const GLuint list = glGenLists(1);
  gl::NewList(list, GL_COMPILE);
  Materials();
  gl::EndList();
  MeshCaptureStop();
  MeshAddList(mesh, list);
  mesh.Parts[0].Name = "bark";
  mesh.Parts[0].ImageName = "pic";
  mesh.Parts[0].ImagePng = {0x89, 'P', 'N', 'G', 1, 2, 3};  // carried as given
  return mesh;
}

std::vector<std::uint8_t> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_F(MeshTest, GlbHoldsItsChunksAndAccessors) {
  test::TempDir dir;
  const Mesh mesh = TwoParts();
  const fs::path path = fs::path(dir.path()) / "m.glb";
  ASSERT_TRUE(MeshWriteGLB(path.string(), mesh)) << MeshLastError;
  const auto data = ReadAll(path);
  ASSERT_GE(data.size(), 28u);
  std::uint32_t header[5];
  std::memcpy(header, data.data(), sizeof header);
  EXPECT_EQ(header[0], 0x46546C67u);
  EXPECT_EQ(header[1], 2u);
  EXPECT_EQ(header[2], data.size());
  EXPECT_EQ(header[3] % 4, 0u);
  const auto doc = nlohmann::json::parse(data.begin() + 20, data.begin() + 20 + header[3]);
  ASSERT_EQ(doc["meshes"][0]["primitives"].size(), 3u);
  std::size_t indices = 0;
  for (const auto& p : doc["meshes"][0]["primitives"]) {
    indices += doc["accessors"][p["indices"].get<int>()]["count"].get<std::size_t>();
  }
  EXPECT_EQ(indices, 3 * MeshTriangleCount(mesh));
  EXPECT_EQ(doc["materials"][0]["name"], "bark");
  EXPECT_EQ(doc["materials"][1]["name"], "material1");
  EXPECT_EQ(doc["materials"][1]["alphaMode"], "MASK");
  EXPECT_EQ(doc["images"].size(), 1u);
  EXPECT_EQ(doc["images"][0]["mimeType"], "image/png");
  EXPECT_EQ(doc["buffers"][0]["byteLength"].get<std::size_t>() + 28 + header[3], data.size());
  // Same mesh, same bytes.
  const fs::path again = fs::path(dir.path()) / "again.glb";
  ASSERT_TRUE(MeshWriteGLB(again.string(), mesh));
  EXPECT_EQ(ReadAll(again), data);
}

TEST_F(MeshTest, ObjAndGltfWriteTheirSideFiles) {
  test::TempDir dir;
  const Mesh mesh = TwoParts();
  const fs::path obj = fs::path(dir.path()) / "m.obj";
  ASSERT_TRUE(MeshWriteOBJ(obj.string(), mesh)) << MeshLastError;
  std::ifstream in(obj);
  std::string line;
  std::size_t faces = 0, usemtl = 0;
  while (std::getline(in, line)) {
    faces += line.starts_with("f ");
    usemtl += line.starts_with("usemtl ");
  }
  EXPECT_EQ(faces, MeshTriangleCount(mesh));
  EXPECT_EQ(usemtl, 3u);
  EXPECT_TRUE(fs::exists(fs::path(dir.path()) / "m.mtl"));
  EXPECT_EQ(ReadAll(fs::path(dir.path()) / "pic.png"), mesh.Parts[0].ImagePng);

  const fs::path gltf = fs::path(dir.path()) / "g.gltf";
  ASSERT_TRUE(MeshWriteGLTF(gltf.string(), mesh)) << MeshLastError;
  const auto doc = nlohmann::json::parse(ReadAll(gltf));
  EXPECT_EQ(doc["buffers"][0]["uri"], "g.bin");
  EXPECT_EQ(doc["images"][0]["uri"], "pic.png");
  EXPECT_EQ(fs::file_size(fs::path(dir.path()) / "g.bin"),
            doc["buffers"][0]["byteLength"].get<std::size_t>());
}

TEST_F(MeshTest, AFailedWriteLeavesNoFile) {
  test::TempDir dir;
  const Mesh mesh = TwoParts();
  const fs::path taken = fs::path(dir.path()) / "taken.glb";
  fs::create_directory(taken);
  const std::vector<std::string> paths = {taken.string(),
                                          (fs::path(dir.path()) / "no" / "m.glb").string()};
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(MeshWriteGLB(path, mesh));
    EXPECT_NE(MeshLastError.find(path), std::string::npos) << MeshLastError;
  }
  EXPECT_FALSE(MeshWriteOBJ((fs::path(dir.path()) / "no" / "m.obj").string(), mesh));
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(dir.path())) {
    left.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(left, std::vector<std::string>{"taken.glb"});
  EXPECT_TRUE(fs::is_empty(taken));

  // A picture name that would leave the folder, or not fit a URI, is refused before writing.
  for (const char* bad : {"../up", "a/b", "with space", ".."}) {
    Mesh named = mesh;
    named.Parts[0].ImageName = bad;
    const fs::path out = fs::path(dir.path()) / "sub";
    fs::create_directories(out);
    EXPECT_FALSE(MeshWriteGLTF((out / "m.gltf").string(), named)) << bad;
    EXPECT_FALSE(MeshWriteOBJ((out / "m.obj").string(), named)) << bad;
    EXPECT_NE(MeshLastError.find("picture name"), std::string::npos) << MeshLastError;
    EXPECT_TRUE(fs::is_empty(out)) << "nothing, not even a side file, is written";
    EXPECT_TRUE(MeshWriteGLB((out / "m.glb").string(), named)) << "inside a GLB it is a name";
    fs::remove(out / "m.glb");
  }
}

}  // namespace
}  // namespace brevra
