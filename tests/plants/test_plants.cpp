// The plant generators on real OpenGL. The draw sequence is checked against a reference
// Mersenne Twister, the lists' structure through the recording layer, and the geometry by
// replaying the compiled lists in feedback mode.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "brevra/geometry/random.h"
#include "brevra/plants/foliage_volume.h"
#include "brevra/plants/fractal_tree.h"
#include "tests/support/gl_context.h"
#include "tests/support/glrecord.h"

namespace glrec = brevra::test::glrec;
using brevra::AddVolumeFogliage;
using brevra::RandomDrawCount;
using brevra::RandomFloat;
using brevra::RandomReset;
using brevra::SetVolumeFogliage;
using brevra::TreeAdvancedFractal3D;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr GLuint kBarkTexture = 901;  // texture names the demo-like callbacks bind
constexpr GLuint kLeafTexture = 902;

// ---- the demo's callbacks, with counters ----
GLuint g_clump = 0;  // the foliage list the leaf model calls
int g_matTreeCalls = 0, g_matLeafCalls = 0, g_mdlLeafCalls = 0;
void MatTree() {
  ++g_matTreeCalls;
  glBindTexture(GL_TEXTURE_2D, kBarkTexture);
}
void MatLeaf() {
  ++g_matLeafCalls;
  glBindTexture(GL_TEXTURE_2D, kLeafTexture);
}
void MdlLeaf() {
  ++g_mdlLeafCalls;
  AddVolumeFogliage(g_clump);
}
// A leaf material that switches lighting off: the tree must give lighting back.
void MatLeafUnlit() {
  MatLeaf();
  glDisable(GL_LIGHTING);
}

// The reference source: output k of std::mt19937 seeded with 0, as a float draw.
double ReferenceDraw(std::size_t k) {
  static const std::vector<std::uint32_t> outputs = [] {
    std::mt19937 mt(0);
    std::vector<std::uint32_t> v(4096);
    for (auto& u : v) u = mt();
    return v;
  }();
  return outputs.at(k) / 4294967296.0;
}

// After N draws the next draw must be the reference's output N + 1 (index N).
void ExpectDrawsTaken(std::uint64_t n) {
  EXPECT_EQ(RandomDrawCount(), n);
  EXPECT_EQ(RandomFloat(), ReferenceDraw(n))
      << "the source is not where " << n << " draws leave it";
}

// ---- recorded lists ----
struct Lists {
  std::vector<GLuint> generated;                    // glGenLists answers, in order
  std::vector<GLuint> compiled;                     // glNewList order
  std::map<GLuint, std::vector<glrec::Call>> body;  // the calls between glNewList and glEndList

  std::vector<std::string> Texts(GLuint id) const {
    std::vector<std::string> out;
    for (const auto& c : body.at(id)) out.push_back(c.text);
    return out;
  }
  std::size_t Count(GLuint id, const std::string& name) const {
    return std::count_if(body.at(id).begin(), body.at(id).end(),
                         [&](const glrec::Call& c) { return c.name == name; });
  }
  std::size_t CountText(GLuint id, const std::string& text) const {
    return std::count_if(body.at(id).begin(), body.at(id).end(),
                         [&](const glrec::Call& c) { return c.text == text; });
  }
};

Lists Split(const std::vector<glrec::Call>& calls) {
  Lists out;
  GLuint open = 0;
  bool inside = false;
  for (const auto& c : calls) {
    if (c.name == "glGenLists") {
      out.generated.push_back(static_cast<GLuint>(c.result));
    } else if (c.name == "glNewList") {
      open = static_cast<GLuint>(c.args.at(0));
      inside = true;
      out.compiled.push_back(open);
      out.body[open];
    } else if (c.name == "glEndList") {
      inside = false;
    } else if (inside) {
      out.body[open].push_back(c);
    }
  }
  return out;
}

std::string Call(GLuint id) { return "glCallList(" + std::to_string(id) + ")"; }

// ---- feedback ----
struct Vec3 {
  double x, y, z;
};

// Replays `list` in feedback mode through an orthographic box of half-size `extent` and gives
// back every polygon vertex in object coordinates, and the raw buffer.
std::vector<Vec3> Feedback(GLuint list, double extent, std::vector<float>* raw = nullptr) {
  glViewport(0, 0, 256, 256);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-extent, extent, -extent, extent, -extent, extent);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  std::vector<float> buffer(1 << 22);
  glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
  glRenderMode(GL_FEEDBACK);
  glCallList(list);
  const GLint n = glRenderMode(GL_RENDER);
  EXPECT_GE(n, 0) << "feedback buffer overflow";
  buffer.resize(std::max(n, 0));
  std::vector<Vec3> out;
  auto obj = [&](std::size_t i) {
    return Vec3{(buffer[i] / 128.0 - 1.0) * extent, (buffer[i + 1] / 128.0 - 1.0) * extent,
                -(2.0 * buffer[i + 2] - 1.0) * extent};
  };
  for (std::size_t i = 0; i < buffer.size();) {
    const auto token = static_cast<GLint>(buffer[i++]);
    if (token == GL_POLYGON_TOKEN) {
      const auto count = static_cast<int>(buffer[i++]);
      for (int k = 0; k < count; ++k, i += 3) out.push_back(obj(i));
    } else if (token == GL_PASS_THROUGH_TOKEN) {
      i += 1;
    } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
      i += 6;
    } else {
      i += 3;  // points, bitmaps, pixel rectangles
    }
  }
  if (raw) *raw = std::move(buffer);
  return out;
}

// The polygons' area-carrying triangles: drivers may join strips with degenerate triangles.
std::size_t SolidTriangles(const std::vector<Vec3>& v) {
  std::size_t n = 0;
  for (std::size_t i = 0; i + 2 < v.size(); i += 3) {
    const Vec3 a{v[i + 1].x - v[i].x, v[i + 1].y - v[i].y, v[i + 1].z - v[i].z};
    const Vec3 b{v[i + 2].x - v[i].x, v[i + 2].y - v[i].y, v[i + 2].z - v[i].z};
    const double cx = a.y * b.z - a.z * b.y, cy = a.z * b.x - a.x * b.z, cz = a.x * b.y - a.y * b.x;
    n += std::sqrt(cx * cx + cy * cy + cz * cz) > 1e-9;
  }
  return n;
}

double Degrees(double radians) {
  double d = radians * 180.0 / kPi;
  while (d < -1e-6) d += 360.0;
  while (d >= 360.0 - 1e-6) d -= 360.0;
  return d;
}

std::uint64_t Fnv1a(const void* data, std::size_t size, std::uint64_t h = 14695981039346656037ull) {
  const auto* p = static_cast<const unsigned char*>(data);
  for (std::size_t i = 0; i < size; ++i) h = (h ^ p[i]) * 1099511628211ull;
  return h;
}

// The demo's clump: five flat tufts of size 0.3 within 0.75 of the centre.
GLuint DemoFoliage() {
  std::uint32_t id = 0;
  SetVolumeFogliage(0, 0, 0, 0, 0.75f, 1, 0, 1, 5, 0.3f, 1, id, false);
  return id;
}

// The demo's bush on top of `clump`.
GLuint DemoTree(GLuint clump, int numLevel = 2, int quality = 8,
                brevra::BrvProcedure matLeaf = MatLeaf) {
  g_clump = clump;
  std::uint32_t tree = 0;
  TreeAdvancedFractal3D(tree, MdlLeaf, MatTree, matLeaf, quality, numLevel, 0.2f);
  return tree;
}

class PlantsTest : public brevra::test::GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    RandomReset();
    g_matTreeCalls = g_matLeafCalls = g_mdlLeafCalls = 0;
    glDisable(GL_CULL_FACE);
  }
  void TearDown() override {
    glrec::Stop();
    glrec::Clear();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  }
};

// =============================================================================================
// Draw sequence
// =============================================================================================

struct TreeDraws {
  int quality, numLevel;
  std::uint64_t draws;  // 2 x 10 x (Quality + 1) for the trunk, 1, then both branchings
};

class TreeDrawCount : public PlantsTest, public ::testing::WithParamInterface<TreeDraws> {};

TEST_P(TreeDrawCount, TakesExactlyTheTreesDraws) {
  const auto p = GetParam();
  DemoTree(0, p.numLevel, p.quality);
  ExpectDrawsTaken(p.draws);
}

INSTANTIATE_TEST_SUITE_P(Plants, TreeDrawCount,
                         ::testing::Values(TreeDraws{8, 2, 180 + 1 + 61 + 61},
                                           TreeDraws{8, 0, 180 + 1 + 1 + 1},
                                           TreeDraws{8, 1, 180 + 1 + 16 + 16},
                                           TreeDraws{3, 3, 80 + 1 + 2 * (1 + 3 * (4 + 61))}));

TEST_F(PlantsTest, DemoFoliageTakesFifteenDrawsAndTheTreeThreeHundredThreeMore) {
  DemoTree(DemoFoliage());
  ExpectDrawsTaken(15 + 303);
}

TEST_F(PlantsTest, BadTreeArgumentsThrowBeforeAnyListOrDraw) {
  std::uint32_t tree = 77;
  glrec::Scope rec;
  for (auto [quality, numLevel] : {std::pair{0, 2}, {254, 2}, {-3, 1}, {8, -1}}) {
    EXPECT_THROW(TreeAdvancedFractal3D(tree, MdlLeaf, MatTree, MatLeaf, quality, numLevel, 0.2f),
                 std::out_of_range)
        << quality << " " << numLevel;
  }
  EXPECT_EQ(tree, 77u);
  EXPECT_EQ(glrec::Count("glGenLists"), 0u);
  EXPECT_EQ(RandomDrawCount(), 0u);
}

// The tree's rotations follow the reference draws: after the trunk's 180 draws and the unused
// one, the root twists by draw 181, its first child turns by 110 + 40 x draw 184 and tilts by
// 30 + 20 x draw 185 (182 and 183 change nothing), that child twists by draw 186, and so on.
TEST_F(PlantsTest, TreeAnglesComeFromTheDrawSequence) {
  glrec::Start();
  const GLuint tree = DemoTree(0);
  glrec::Stop();
  const Lists lists = Split(glrec::Calls());
  std::vector<double> angles;
  for (const auto& c : lists.body.at(tree)) {
    if (c.name == "glRotatef") angles.push_back(c.args[0]);
  }
  auto f = [](double v) { return static_cast<double>(static_cast<float>(v)); };
  ASSERT_GE(angles.size(), 7u);
  EXPECT_EQ(angles[0], f(ReferenceDraw(181) * 180));
  EXPECT_EQ(angles[1], f(110 + ReferenceDraw(184) * 40));
  EXPECT_EQ(angles[2], f(30 + ReferenceDraw(185) * 20));
  EXPECT_EQ(angles[3], f(ReferenceDraw(186) * 180));
  EXPECT_EQ(angles[4], f(110 + ReferenceDraw(189) * 40));
  EXPECT_EQ(angles[5], f(30 + ReferenceDraw(190) * 20));
  EXPECT_EQ(angles[6], f(ReferenceDraw(191) * 180));  // the first twig's twist
  // The second branching starts after the first's 61 draws, turned by the fixed 45 degrees.
  const auto second = std::find(angles.begin(), angles.end(), 45.0);
  ASSERT_NE(second, angles.end());
  EXPECT_EQ(*(second + 1), f(ReferenceDraw(181 + 61) * 180));
}

// =============================================================================================
// Foliage: tuft count, draws, list contents and the state it leaves
// =============================================================================================

struct TuftCase {
  float factor;
  int tufts;
};

class TuftCount : public PlantsTest, public ::testing::WithParamInterface<TuftCase> {};

TEST_P(TuftCount, RoundsNumTuftTimesFactorHalfToEven) {
  const auto p = GetParam();
  std::uint32_t id = 0;
  glrec::Start();
  SetVolumeFogliage(0, 0, 0, 0, 0.75f, 1, 0, 1, 5, 0.3f, p.factor, id, false);
  glrec::Stop();
  const Lists lists = Split(glrec::Calls());
  EXPECT_EQ(lists.CountText(id, "glBegin(GL_QUAD_STRIP)"), 3u * p.tufts);
  ExpectDrawsTaken(3u * p.tufts);
}

INSTANTIATE_TEST_SUITE_P(Plants, TuftCount,
                         ::testing::Values(TuftCase{1.0f, 5}, TuftCase{0.5f, 2},  // 2.5 -> 2
                                           TuftCase{1.5f, 8},                     // 7.5 -> 8
                                           TuftCase{0.7f, 3},                     // 3.4999999 -> 3
                                           TuftCase{0.0f, 0}, TuftCase{-1.0f, 0},
                                           TuftCase{0.14f, 1}));  // 0.7 -> 1

TEST_F(PlantsTest, DemoFoliageListHasFifteenLeavesOfThirtySixVertices) {
  glrec::Start();
  const GLuint clump = DemoFoliage();
  glrec::Stop();
  const Lists lists = Split(glrec::Calls());
  ASSERT_EQ(lists.generated, std::vector<GLuint>{clump});
  const auto& body = lists.body.at(clump);
  const auto texts = lists.Texts(clump);

  // Head and tail of the list.
  ASSERT_GE(texts.size(), 6u);
  EXPECT_EQ(std::vector<std::string>(texts.begin(), texts.begin() + 5),
            (std::vector<std::string>{"glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 0)", "glPushMatrix()",
                                      "glTranslatef(0, 0, 0)", "glEnable(GL_ALPHA_TEST)",
                                      "glAlphaFunc(GL_GREATER, 0.1)"}));
  EXPECT_EQ(std::vector<std::string>(texts.end() - 3, texts.end()),
            (std::vector<std::string>{"glBlendFunc(GL_SRC_ALPHA, GL_ONE)",
                                      "glDisable(GL_ALPHA_TEST)", "glPopMatrix()"}));

  // Every leaf: culling off, its own matrix, a quad strip of 36 vertices, culling back on.
  EXPECT_EQ(lists.Count(clump, "glVertex3f"), 540u);
  std::size_t leaves = 0;
  for (std::size_t i = 0; i < body.size(); ++i) {
    if (body[i].text != "glBegin(GL_QUAD_STRIP)") continue;
    ++leaves;
    EXPECT_EQ(texts[i - 2], "glDisable(GL_CULL_FACE)");
    EXPECT_EQ(texts[i - 1], "glPushMatrix()");
    std::size_t vertices = 0, j = i + 1;
    for (; texts[j] != "glEnd()"; ++j) vertices += body[j].name == "glVertex3f";
    EXPECT_EQ(vertices, 36u);
    EXPECT_EQ(texts[j + 1], "glPopMatrix()");
    EXPECT_EQ(texts[j + 2], "glEnable(GL_CULL_FACE)");
  }
  EXPECT_EQ(leaves, 15u);

  // Texture coordinates stay inside the texture.
  for (const auto& c : body) {
    if (c.name != "glTexCoord2f") continue;
    for (double v : c.args) {
      EXPECT_GE(v, 0.0);
      EXPECT_LE(v, 1.0);
    }
  }

  // Tuft placement from the reference draws A, B, R of each tuft, then the tuft's turn.
  std::vector<std::size_t> moves;
  for (std::size_t i = 0; i < body.size(); ++i) {
    if (body[i].name == "glTranslatef") moves.push_back(i);
  }
  ASSERT_EQ(moves.size(), 6u);  // the clump's centre, then one per tuft
  for (int t = 0; t < 5; ++t) {
    const double A = ReferenceDraw(3 * t) * 2 * kPi;
    const double B = ReferenceDraw(3 * t + 1) * kPi - kPi / 2;
    const float R = static_cast<float>(ReferenceDraw(3 * t + 2) * 0.75);
    const std::size_t at = moves[t + 1];
    const auto& m = body[at];
    EXPECT_EQ(m.args[0], static_cast<float>(R * std::cos(A) * std::cos(B)));
    EXPECT_EQ(m.args[1], 0.0);
    EXPECT_EQ(m.args[2], static_cast<float>(R * std::sin(B)));
    const auto W = static_cast<float>((A - B) * (t + 1));
    ASSERT_LT(at + 3, body.size());
    EXPECT_EQ(body[at + 1].args, (std::vector<double>{W, 1, 0, 0}));
    EXPECT_EQ(body[at + 2].args, (std::vector<double>{W, 0, 1, 0}));
    EXPECT_EQ(body[at + 3].args, (std::vector<double>{0.3f, 0.3f, 0.3f}));
  }
}

TEST_F(PlantsTest, CoreSphereComesFirstInsideTheClumpsTranslation) {
  std::uint32_t id = 0;
  glrec::Start();
  SetVolumeFogliage(1, 2, 3, 0.5f, 0.5f, 1, 1, 1, 2, 0.3f, 1, id, true);
  glrec::Stop();
  const auto texts = Split(glrec::Calls()).Texts(id);
  ASSERT_GT(texts.size(), 3u);
  EXPECT_EQ(texts[2], "glTranslatef(1, 2, 3)");
  EXPECT_EQ(texts[3], "glBegin(GL_TRIANGLE_STRIP)");
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "glBegin(GL_TRIANGLE_STRIP)"), 7);
  const auto firstStrip = std::find(texts.begin(), texts.end(), "glBegin(GL_TRIANGLE_STRIP)");
  const auto firstLeaf = std::find(texts.begin(), texts.end(), "glBegin(GL_QUAD_STRIP)");
  EXPECT_LT(firstStrip, firstLeaf);
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "glBegin(GL_QUAD_STRIP)"), 6);
  ExpectDrawsTaken(6);  // the sphere takes no draw
}

TEST_F(PlantsTest, FoliageListLeavesItsStatedState) {
  const GLuint clump = DemoFoliage();
  std::uint32_t empty = 0;
  SetVolumeFogliage(0, 0, 0, 0, 0.75f, 1, 0, 1, 5, 0.3f, 0, empty, false);

  for (GLuint list : {clump, empty}) {
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_LESS, 0.7f);
    glBlendFunc(GL_ONE, GL_ZERO);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1, 2, 3);
    AddVolumeFogliage(list);

    GLint twoSide = -1, func = 0, src = 0, dst = 0;
    GLfloat ref = 0, m[16];
    glGetIntegerv(GL_LIGHT_MODEL_TWO_SIDE, &twoSide);
    glGetIntegerv(GL_ALPHA_TEST_FUNC, &func);
    glGetFloatv(GL_ALPHA_TEST_REF, &ref);
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_EQ(twoSide, 0);
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_EQ(func, GL_GREATER);
    EXPECT_NEAR(ref, 0.1f, 1e-6);
    EXPECT_EQ(src, GL_SRC_ALPHA);
    EXPECT_EQ(dst, GL_ONE);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(glIsEnabled(GL_CULL_FACE), list == clump ? GL_TRUE : GL_FALSE);  // only leaves
    EXPECT_EQ((std::vector<float>(m + 12, m + 15)), (std::vector<float>{1, 2, 3}));
  }
  glLoadIdentity();
  glDisable(GL_CULL_FACE);
}

// =============================================================================================
// Tree: list structure and callbacks
// =============================================================================================

TEST_F(PlantsTest, TreeCompilesFiveListsWithTheCallbacksInPlace) {
  const GLuint clump = DemoFoliage();
  glrec::Start();
  const GLuint tree = DemoTree(clump);
  glrec::Stop();
  const Lists lists = Split(glrec::Calls());

  ASSERT_EQ(lists.generated.size(), 5u);
  EXPECT_EQ(lists.compiled, lists.generated);
  EXPECT_EQ(tree, lists.generated[4]);
  const GLuint ramo = lists.generated[0], foglie = lists.generated[1], chioma = lists.generated[2],
               fusto = lists.generated[3];
  EXPECT_EQ(g_matTreeCalls, 2);
  EXPECT_EQ(g_matLeafCalls, 1);
  EXPECT_EQ(g_mdlLeafCalls, 1);

  const std::string bark = "glBindTexture(GL_TEXTURE_2D, " + std::to_string(kBarkTexture) + ")";
  const std::string leaf = "glBindTexture(GL_TEXTURE_2D, " + std::to_string(kLeafTexture) + ")";

  // Branch and trunk segments: the bark first, then an upright cylinder of ten strips.
  for (GLuint segment : {ramo, fusto}) {
    const auto texts = lists.Texts(segment);
    ASSERT_GT(texts.size(), 3u);
    EXPECT_EQ(texts[0], bark);
    EXPECT_EQ(texts[1], "glPushMatrix()");
    EXPECT_EQ(texts[2], "glRotatef(-90, 1, 0, 0)");
    EXPECT_EQ(texts.back(), "glPopMatrix()");
    EXPECT_EQ(lists.CountText(segment, "glBegin(GL_TRIANGLE_STRIP)"), 10u);
    EXPECT_EQ(lists.Count(segment, "glVertex3f"), 180u);
    EXPECT_EQ(lists.Count(segment, "glNormal3f"), 180u);
    EXPECT_EQ(lists.Count(segment, "glTexCoord2f"), 180u);
    EXPECT_EQ(lists.Count(segment, "glEnd"), 10u);
  }

  // Leaf model: its material, then the model inside the sprite state.
  EXPECT_EQ(lists.Texts(foglie),
            (std::vector<std::string>{
                leaf, "glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1)", "glDisable(GL_CULL_FACE)",
                "glEnable(GL_ALPHA_TEST)", "glAlphaFunc(GL_GREATER, 0.4)", Call(clump),
                "glDepthMask(GL_TRUE)", "glDisable(GL_BLEND)", "glDisable(GL_ALPHA_TEST)",
                "glEnable(GL_CULL_FACE)", "glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 0)"}));

  // Leafy twig: a branch and four leaf pairs, a quarter turn apart, in saved lighting state.
  std::vector<std::string> twig = {"glPushMatrix()", "glPushAttrib(GL_LIGHTING_BIT)", Call(ramo)};
  for (int pair = 0; pair < 4; ++pair) {
    for (const char* s : {"glTranslatef(0, 0.333, 0)", "glRotatef(90, 0, 1, 0)", "glPushMatrix()",
                          "glRotatef(0, 0, 1, 0)", "glRotatef(230, 1, 0, 0)"}) {
      twig.push_back(s);
    }
    twig.insert(twig.end(),
                {Call(foglie), "glPopMatrix()", "glPushMatrix()", "glRotatef(180, 0, 1, 0)",
                 "glRotatef(240, 1, 0, 0)", Call(foglie), "glPopMatrix()"});
  }
  twig.insert(twig.end(), {"glPopAttrib()", "glPopMatrix()"});
  EXPECT_EQ(lists.Texts(chioma), twig);

  // The tree: two passes, each in saved lighting state; one trunk, 3 + 4 branches, 18 twigs.
  const auto texts = lists.Texts(tree);
  ASSERT_GT(texts.size(), 10u);
  EXPECT_EQ(std::vector<std::string>(texts.begin(), texts.begin() + 4),
            (std::vector<std::string>{"glPushMatrix()", "glPushAttrib(GL_LIGHTING_BIT)",
                                      "glTranslatef(0, 0, 0)", Call(fusto)}));
  EXPECT_EQ(std::vector<std::string>(texts.end() - 2, texts.end()),
            (std::vector<std::string>{"glPopAttrib()", "glPopMatrix()"}));
  // The passes meet at the first pass's closing glPopAttrib.
  std::size_t boundary = 0;
  for (std::size_t i = 2; i + 5 < texts.size(); ++i) {
    if (texts[i] == "glPopAttrib()") {
      boundary = i;
      break;
    }
  }
  ASSERT_NE(boundary, 0u);
  EXPECT_EQ(std::vector<std::string>(texts.begin() + boundary, texts.begin() + boundary + 7),
            (std::vector<std::string>{"glPopAttrib()", "glPopMatrix()", "glPushMatrix()",
                                      "glPushAttrib(GL_LIGHTING_BIT)", "glTranslatef(0, 1, 0)",
                                      "glRotatef(45, 0, 1, 0)", "glScalef(0.75, 0.75, 0.75)"}));
  EXPECT_EQ(texts[boundary + 7], Call(ramo));  // the second branching has no trunk
  EXPECT_EQ(lists.CountText(tree, "glPushAttrib(GL_LIGHTING_BIT)"), 2u);
  EXPECT_EQ(lists.CountText(tree, "glPopAttrib()"), 2u);
  EXPECT_EQ(lists.CountText(tree, Call(fusto)), 1u);
  EXPECT_EQ(lists.CountText(tree, Call(ramo)), 7u);
  EXPECT_EQ(lists.CountText(tree, Call(chioma)), 18u);
  EXPECT_EQ(lists.CountText(tree, "glScalef(0.7, 0.7, 0.7)"), 8u);
  EXPECT_EQ(lists.Count(tree, "glPushMatrix"), lists.Count(tree, "glPopMatrix"));
  EXPECT_EQ(lists.Count(tree, "glBindTexture"), 0u);  // callbacks run only in their lists
}

struct LevelShape {
  int numLevel;
  std::size_t trunks, branches, twigs;
};

class TreeLevels : public PlantsTest, public ::testing::WithParamInterface<LevelShape> {};

TEST_P(TreeLevels, EachPassHasTheSegmentsAndTwigsOfItsDepth) {
  const auto p = GetParam();
  glrec::Start();
  const GLuint tree = DemoTree(0, p.numLevel);
  glrec::Stop();
  const Lists lists = Split(glrec::Calls());
  EXPECT_EQ(lists.CountText(tree, Call(lists.generated[3])), p.trunks);
  EXPECT_EQ(lists.CountText(tree, Call(lists.generated[0])), p.branches);
  EXPECT_EQ(lists.CountText(tree, Call(lists.generated[2])), p.twigs);
}

INSTANTIATE_TEST_SUITE_P(Plants, TreeLevels,
                         ::testing::Values(LevelShape{0, 0, 0, 2},  // a twist and a twig each
                                           LevelShape{1, 1, 1, 6}, LevelShape{2, 1, 7, 18},
                                           LevelShape{3, 1, 12 + 13, 54}));

TEST_F(PlantsTest, TwoCallsGiveTenListsAndDifferentTrees) {
  glrec::Start();
  const GLuint first = DemoTree(0);
  const GLuint second = DemoTree(0);
  glrec::Stop();
  const Lists lists = Split(glrec::Calls());
  ASSERT_EQ(lists.generated.size(), 10u);
  EXPECT_EQ(std::set<GLuint>(lists.generated.begin(), lists.generated.end()).size(), 10u);
  EXPECT_EQ(first, lists.generated[4]);
  EXPECT_EQ(second, lists.generated[9]);
  auto angles = [&](GLuint tree) {
    std::vector<double> out;
    for (const auto& c : lists.body.at(tree))
      if (c.name == "glRotatef") out.push_back(c.args[0]);
    return out;
  };
  EXPECT_EQ(angles(first).size(), angles(second).size());
  EXPECT_NE(angles(first), angles(second));
  // The trunks differ too: the ground edge is drawn afresh.
  std::vector<double> a, b;
  for (const auto& c : lists.body.at(lists.generated[3]))
    if (c.name == "glVertex3f") a.insert(a.end(), c.args.begin(), c.args.end());
  for (const auto& c : lists.body.at(lists.generated[8]))
    if (c.name == "glVertex3f") b.insert(b.end(), c.args.begin(), c.args.end());
  EXPECT_NE(a, b);
  ExpectDrawsTaken(2 * 303);
}

TEST_F(PlantsTest, NullCallbacksContributeNothing) {
  std::uint32_t tree = 0;
  glrec::Start();
  TreeAdvancedFractal3D(tree, nullptr, nullptr, nullptr, 8, 1, 0.2f);
  glrec::Stop();
  const Lists lists = Split(glrec::Calls());
  ASSERT_EQ(lists.generated.size(), 5u);
  EXPECT_EQ(lists.Texts(lists.generated[0]).at(0), "glPushMatrix()");
  EXPECT_EQ(lists.Texts(lists.generated[1]).at(0), "glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1)");
  ExpectDrawsTaken(180 + 1 + 16 + 16);
}

// Drawing the tree gives lighting state back (a leaf material switches lighting off) but not
// the rest: the texture bound last, by the last leaf list, stays bound.
TEST_F(PlantsTest, TreeRestoresLightingButKeepsTheLastBinding) {
  const GLuint tree = DemoTree(DemoFoliage(), 2, 8, MatLeafUnlit);
  glEnable(GL_LIGHTING);
  glBindTexture(GL_TEXTURE_2D, 0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glCallList(tree);
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(bound, static_cast<GLint>(kLeafTexture));
  glDisable(GL_LIGHTING);
  glDisable(GL_CULL_FACE);
  glBindTexture(GL_TEXTURE_2D, 0);
}

// =============================================================================================
// Geometry, read back in feedback mode
// =============================================================================================

struct Segments {
  GLuint ramo, fusto;
};

Segments BuildSegments() {
  glrec::Start();
  DemoTree(0, 0);
  glrec::Stop();
  const Lists lists = Split(glrec::Calls());
  glrec::Clear();
  return {lists.generated[0], lists.generated[3]};
}

// Upright segment (y up): height, radius about the y axis, angle from +x towards -z (the
// cylinder's own counter-clockwise angle).
struct Polar {
  double height, radius, angle;
};
Polar ToPolar(const Vec3& v) { return {v.y, std::hypot(v.x, v.z), Degrees(std::atan2(-v.z, v.x))}; }

bool OnGrid(double angle, double step) {
  const double k = std::round(angle / step);
  return std::abs(angle - k * step) < 1e-3;
}

TEST_F(PlantsTest, BranchSegmentHasRegularEdgesWithTheTabledRadii) {
  const auto seg = BuildSegments();
  const auto vertices = Feedback(seg.ramo, 2.0);
  EXPECT_EQ(SolidTriangles(vertices), 10u * 2 * 8);  // ten strips of 16 triangles
  const double radii[11] = {0.060, 0.060, 0.062, 0.064, 0.066, 0.068,
                            0.070, 0.072, 0.074, 0.076, 0.078};  // from the top (1.0) down
  std::map<int, std::set<long>> anglesAt;
  for (const auto& v : vertices) {
    const Polar p = ToPolar(v);
    const int edge = static_cast<int>(std::lround((1.0 - p.height) * 10));
    ASSERT_GE(edge, 0);
    ASSERT_LE(edge, 10);
    EXPECT_NEAR(p.height, 1.0 - edge / 10.0, 1e-5);
    EXPECT_NEAR(p.radius, radii[edge], 1e-5) << "edge " << edge;
    EXPECT_TRUE(OnGrid(p.angle, 45.0)) << p.angle;
    anglesAt[edge].insert(std::lround(p.angle / 45.0) % 8);
  }
  EXPECT_EQ(anglesAt.size(), 11u);
  for (const auto& [edge, angles] : anglesAt) EXPECT_EQ(angles.size(), 8u) << "edge " << edge;
}

TEST_F(PlantsTest, TrunkFlaresAndHasAnIndentedGroundEdge) {
  const auto seg = BuildSegments();
  const auto vertices = Feedback(seg.fusto, 2.0);
  EXPECT_EQ(SolidTriangles(vertices), 10u * 2 * 8);
  const double radii[10] = {0.060, 0.060, 0.065, 0.070, 0.075,
                            0.080, 0.085, 0.090, 0.110, 0.160};  // from the top (1.0) down
  std::set<long> groundAngles;
  bool sawAngleZero = false;
  for (const auto& v : vertices) {
    const Polar p = ToPolar(v);
    const int edge = static_cast<int>(std::lround((1.0 - p.height) * 10));
    ASSERT_GE(edge, 0);
    ASSERT_LE(edge, 10);
    EXPECT_TRUE(OnGrid(p.angle, 45.0)) << p.angle;
    if (edge < 10) {
      EXPECT_NEAR(p.radius, radii[edge], 1e-5) << "edge " << edge;
      continue;
    }
    groundAngles.insert(std::lround(p.angle / 45.0) % 8);
    if (std::lround(p.angle / 45.0) % 8 == 0) {
      sawAngleZero = true;
      EXPECT_NEAR(p.radius, 0.155, 1e-5);  // also where the edge closes
    } else {
      EXPECT_GT(p.radius, 0.1378);
      EXPECT_LE(p.radius, 0.31 + 1e-5);
    }
  }
  EXPECT_TRUE(sawAngleZero);
  EXPECT_EQ(groundAngles.size(), 8u);
}

// A single tuft of size 1 at the centre: each leaf a flat fan with its rim at radius 0.85.
TEST_F(PlantsTest, LeafRimPointsLieAtTheToothAngles) {
  std::uint32_t id = 0;
  glrec::Start();
  SetVolumeFogliage(0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, id, false);
  glrec::Stop();
  const auto rotations = glrec::Named("glRotatef");
  ASSERT_FALSE(rotations.empty());
  const double W = rotations[0].args[0] * kPi / 180.0;  // the tuft's turn about x, then y

  const auto vertices = Feedback(id, 2.0);
  std::set<long> rimAngles;  // hundredths of a degree in the first leaf's plane
  int centres = 0;
  for (const auto& v : vertices) {
    const double r = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (r < 1e-5) {
      ++centres;
      continue;
    }
    EXPECT_NEAR(r, 0.85, 1e-5);
    // Undo the turn: p = Rx(W) Ry(W) q, so q = Ry(-W) Rx(-W) p.
    const double c = std::cos(W), s = std::sin(W);
    const double y1 = c * v.y + s * v.z, z1 = -s * v.y + c * v.z;
    const double x2 = c * v.x - s * z1, z2 = s * v.x + c * z1;
    if (std::abs(z2) > 1e-4) continue;  // not in the first leaf's plane
    rimAngles.insert(std::lround(Degrees(std::atan2(y1, x2)) * 100) % 36000);
  }
  EXPECT_GT(centres, 0);
  std::set<long> expected;
  for (int tooth = 0; tooth < 8; ++tooth) {
    expected.insert(tooth * 4500);
    expected.insert(tooth * 4500 + 3375);
  }
  EXPECT_EQ(rimAngles, expected);
}

TEST_F(PlantsTest, DemoClumpTuftsLieFlatWithinTheVolume) {
  const GLuint clump = DemoFoliage();
  const auto vertices = Feedback(clump, 2.0);
  // A tuft's centre is a vertex of every triangle of its three leaves; rim points of a few.
  std::map<std::tuple<double, double, double>, int> uses;
  for (const auto& v : vertices) ++uses[{v.x, v.y, v.z}];
  std::vector<std::pair<int, std::tuple<double, double, double>>> byUse;
  for (const auto& [p, n] : uses) byUse.push_back({n, p});
  std::sort(byUse.rbegin(), byUse.rend());
  ASSERT_GT(byUse.size(), 6u);
  EXPECT_GT(byUse[4].first, 3 * byUse[5].first);  // five centres stand out
  for (int t = 0; t < 5; ++t) {
    const auto [x, y, z] = byUse[t].second;
    EXPECT_NEAR(y, 0.0, 1e-6);
    EXPECT_LT(std::hypot(x, z), 0.75);
  }
  for (const auto& v : vertices) {  // every leaf within a scaled rim of some centre
    double nearest = 1e9;
    for (int t = 0; t < 5; ++t) {
      const auto [x, y, z] = byUse[t].second;
      nearest = std::min(nearest, std::sqrt((v.x - x) * (v.x - x) + (v.y - y) * (v.y - y) +
                                            (v.z - z) * (v.z - z)));
    }
    EXPECT_LT(nearest, 0.85 * 0.3 + 1e-5);
  }
}

// =============================================================================================
// Determinism: the demo's bush from the start state, twice
// =============================================================================================

// Builds the demo's foliage then bush from the start state and gives back the bush's feedback
// buffer and a hash of the recorded compile stream.
std::pair<std::vector<float>, std::uint64_t> DemoBush() {
  RandomReset();
  glrec::Start();
  const GLuint tree = DemoTree(DemoFoliage());
  glrec::Stop();
  const std::string trace = glrec::TraceText();
  glrec::Clear();
  std::vector<float> raw;
  glDisable(GL_CULL_FACE);
  Feedback(tree, 8.0, &raw);
  glDisable(GL_CULL_FACE);
  glDisable(GL_BLEND);
  glBindTexture(GL_TEXTURE_2D, 0);
  // List identifiers differ between builds: hash the stream with them blanked out.
  std::string cleaned;
  for (std::size_t i = 0, j; i < trace.size(); i = j + 1) {
    j = trace.find('\n', i);
    const std::string line = trace.substr(i, j - i);
    if (line.rfind("glGenLists", 0) == 0 || line.rfind("glNewList", 0) == 0 ||
        line.rfind("glCallList", 0) == 0) {
      cleaned += line.substr(0, line.find('(')) + "\n";
    } else {
      cleaned += line + "\n";
    }
  }
  return {raw, Fnv1a(cleaned.data(), cleaned.size())};
}

TEST_F(PlantsTest, DemoBushIsTheSameEveryRun) {
  const auto [first, firstStream] = DemoBush();
  const auto [second, secondStream] = DemoBush();
  ASSERT_FALSE(first.empty());
  ASSERT_EQ(first.size(), second.size());
  EXPECT_EQ(std::memcmp(first.data(), second.data(), first.size() * sizeof(float)), 0);
  EXPECT_EQ(firstStream, secondStream);

  // Pinned shape: any change to the bush's commands or geometry shows here.
  EXPECT_EQ(firstStream, 0x29599fff3b434aafull) << std::hex << "stream hash 0x" << firstStream;
  const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  if (renderer != nullptr && std::string(renderer).find("llvmpipe") != std::string::npos) {
    const std::uint64_t h = Fnv1a(first.data(), first.size() * sizeof(float));
    EXPECT_EQ(h, 0x24e827979e73ac28ull)
        << std::hex << "feedback hash 0x" << h << " (" << std::dec << first.size() << " floats)";
  }
}

}  // namespace
