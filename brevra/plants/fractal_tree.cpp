// Brv_SimplePlants: the fractal tree generator. See fractal_tree.h.
//
// The geometry is worked out apart from OpenGL: the cylinder routines fill vertex strips and the
// branching routines fill a list of matrix and list-call steps, each taking its random draws in
// the tree's fixed order; small emitters then turn them into GL commands inside the lists.
#include "brevra/plants/fractal_tree.h"

#include <GL/gl.h>

#include <array>
#include <cmath>
#include <memory>
#include <numbers>
#include <stdexcept>
#include <vector>

#include "brevra/geometry/gl_stream.h"
#include "brevra/geometry/random.h"
#include "brevra/geometry/render.h"
#include "brevra/geometry/vertex.h"

namespace brevra {
namespace {

// ---- fixed values of the tree ----
constexpr int kNumCircle = 10;         // rings per cylinder
constexpr float kRadius = 0.06f;       // cylinder radius at its top
constexpr float kHeight = 1.0f;        // cylinder height; step from a segment's base to its tip
constexpr float kChildScale = 0.7f;    // scale from a segment to its child branches
constexpr double kTwistRange = 180.0;  // random twist about the segment axis, degrees
constexpr std::array<double, 3> kChildYaw = {110.0, -130.0, -20.0};
constexpr double kYawRange = 40.0;     // random range added to each child's yaw
constexpr double kTiltBase = 30.0;     // child tilt away from the parent axis ...
constexpr double kTiltRange = 20.0;    // ... plus a random value in [0, 20)
constexpr float kLeafStep = 0.333f;    // spacing of the leaf pairs along a twig
constexpr float kSecondScale = 0.75f;  // the second branching: up 1, turned 45, scaled
constexpr int kMaxQuality = 253;       // the trunk writes two columns ahead in 256 columns

// Trunk flare: added to the top radius at the lower edge of each ring.
constexpr std::array<double, kNumCircle> kTrunkFlare = {0,     0.005, 0.01, 0.015, 0.02,
                                                        0.025, 0.03,  0.05, 0.1,   0.25};

// ---- cylinders ----

struct StripVertex {
  float normal[3];
  float tex[2];
  float pos[3];
};
using Strip = std::vector<StripVertex>;

// Working tables of one cylinder: edge radii per ring and radial offsets per ring and column.
// 2 x 256 KiB, so they live on the heap.
struct CylinderTables {
  std::array<float, kNumCircle> R1{};  // upper edge of each ring
  std::array<float, kNumCircle> R2{};  // lower edge of each ring
  std::array<std::array<float, 256>, 256> R3{};
  std::array<std::array<float, 256>, 256> R4{};
};

// The trunk's indented ground edge (CilindroMorph's extra step at ring I, column J). The
// offsets land in row 9 whatever the ring; all but those of ring 9 are overwritten before they
// are used, and only advance the random sequence.
void IndentGroundEdge(CylinderTables& t, int I, int J) {
  const float r = t.R2.at(I);
  t.R4.at(9).at(J) = -RandomF(r / 2.0f);
  t.R4.at(9).at(J + 2) = RandomF(2.0f * r);
  t.R4.at(9).at(0) = -r / 2.0f;
}

// The common body of CilindroMorph and CilindroMorph2: NumCircle triangle strips from the top
// (Z = H) down, each of NumLine + 1 columns. The closing column repeats column 0's angle and
// also its radial offsets, so an indented edge closes exactly at angle 0.
std::vector<Strip> Cylinder(bool trunk, float X, float Y, float Z, int NumCircle, int NumLine,
                            float R, float H, float TSize) {
  auto t = std::make_unique<CylinderTables>();
  const float MajorStep = H / static_cast<float>(NumCircle);
  const float MinorStep = static_cast<float>(2.0 * std::numbers::pi / NumLine);

  t->R1[0] = t->R2[0] = R;
  for (int k = 1; k < kNumCircle; ++k) {
    t->R2[k] = static_cast<float>(R + (trunk ? kTrunkFlare[k] : 0.002 * k));
    t->R1[k] = t->R2[k - 1];
  }

  std::vector<Strip> strips;
  for (int I = 0; I < NumCircle; ++I) {
    const float Z0 = H - static_cast<float>(I) * MajorStep;
    const float Z1 = Z0 - MajorStep;
    Strip strip;
    strip.reserve(2 * (NumLine + 1));
    for (int J = 0; J <= NumLine; ++J) {
      if (trunk) {
        t->R3.at(I).at(J) = 0;
        t->R4.at(I).at(J) = 0;
        IndentGroundEdge(*t, I, J);
      }
      const double A = J * static_cast<double>(MinorStep);
      const double NX = std::cos(A);
      const double NY = std::sin(A);
      const int col = J == NumLine ? 0 : J;
      const double upper = static_cast<double>(t->R1[I]) + t->R3.at(I).at(col);
      const double lower = static_cast<double>(t->R2[I]) + t->R4.at(I).at(col);
      const auto s = static_cast<float>((H + A) * R / TSize);
      const float nx = static_cast<float>(NX), ny = static_cast<float>(NY);
      strip.push_back(
          {{nx, ny, 0},
           {s, static_cast<float>(H / 5.0 / TSize)},
           {static_cast<float>(X + upper * NX), static_cast<float>(Y + upper * NY), Z + Z0}});
      strip.push_back(
          {{nx, ny, 0},
           {s, 0},
           {static_cast<float>(X + lower * NX), static_cast<float>(Y + lower * NY), Z + Z1}});
    }
    strips.push_back(std::move(strip));
  }
  return strips;
}

void EmitStrips(const std::vector<Strip>& strips) {
  for (const Strip& strip : strips) {
    GLBegin(GL_TRIANGLE_STRIP);
    for (const StripVertex& v : strip) {
      gl::Normal3f(v.normal[0], v.normal[1], v.normal[2]);
      gl::TexCoord2f(v.tex[0], v.tex[1]);
      GLVertex3f(v.pos[0], v.pos[1], v.pos[2]);
    }
    GLEnd();
  }
}

// The trunk segment: a flared tube whose ground edge is randomly indented.
void CilindroMorph(float X, float Y, float Z, int NumCircle, int NumLine, float R, float H,
                   float TSize) {
  EmitStrips(Cylinder(true, X, Y, Z, NumCircle, NumLine, R, H, TSize));
}

// The branch segment: a slightly tapered, regular tube.
void CilindroMorph2(float X, float Y, float Z, int NumCircle, int NumLine, float R, float H,
                    float TSize) {
  EmitStrips(Cylinder(false, X, Y, Z, NumCircle, NumLine, R, H, TSize));
}

// ---- branching ----

struct Step {
  enum Kind { kPush, kPop, kRotate, kTranslate, kScale, kCall } kind;
  float a = 0, x = 0, y = 0, z = 0;
  GLuint list = 0;
};

// The recursive part of one call: reads the call's depth and list identifiers, and collects the
// matrix and list-call steps of both branchings.
struct Branching {
  int NumLevel;
  GLuint Ramo, Chioma, Fusto;
  std::vector<Step> steps;
  float SavedSeed = 0;  // range of the next no-effect draw; never affects the geometry

  void Push() { steps.push_back({Step::kPush}); }
  void Pop() { steps.push_back({Step::kPop}); }
  void Call(GLuint list) { steps.push_back({Step::kCall, 0, 0, 0, 0, list}); }
  void Rotate(double angle, float x, float y, float z) {
    steps.push_back({Step::kRotate, static_cast<float>(angle), x, y, z});
  }
  void Translate(float x, float y, float z) { steps.push_back({Step::kTranslate, 0, x, y, z}); }
  void Scale(float s) { steps.push_back({Step::kScale, 0, s, s, s}); }

  void FractalTree(int Level) { Grow(Level, true); }
  void FractalTree2(int Level) { Grow(Level, false); }

  // One node: a leafy twig at the tips, otherwise a segment with three children. The second
  // branching (withTrunk false) starts with a branch segment instead of the trunk.
  void Grow(int Level, bool withTrunk) {
    if (Level == NumLevel) {
      Push();
      Rotate(RandomFloat() * kTwistRange, 0, 1, 0);
      Call(Chioma);
      Pop();
      return;
    }
    Call(Level == 0 && withTrunk ? Fusto : Ramo);
    Push();
    Rotate(RandomFloat() * kTwistRange, 0, 1, 0);
    Translate(0, kHeight, 0);
    Scale(kChildScale);
    for (double yaw : kChildYaw) {
      static_cast<void>(RandomF(SavedSeed));
      SavedSeed = static_cast<float>(RandomFloat() * 3.0);
      Push();
      const double turn = yaw + RandomFloat() * kYawRange;
      Rotate(turn, 0, 1, 0);
      const double tilt = kTiltBase + RandomFloat() * kTiltRange;
      Rotate(tilt, 0, 0, 1);
      Grow(Level + 1, withTrunk);
      Pop();
    }
    Pop();
  }
};

void EmitSteps(const std::vector<Step>& steps) {
  for (const Step& s : steps) {
    switch (s.kind) {
      case Step::kPush:
        gl::PushMatrix();
        break;
      case Step::kPop:
        gl::PopMatrix();
        break;
      case Step::kRotate:
        gl::Rotatef(s.a, s.x, s.y, s.z);
        break;
      case Step::kTranslate:
        gl::Translatef(s.x, s.y, s.z);
        break;
      case Step::kScale:
        gl::Scalef(s.x, s.y, s.z);
        break;
      case Step::kCall:
        gl::CallList(s.list);
        break;
    }
  }
}

// ---- list helpers ----

GLuint BeginList() {
  const GLuint id = glGenLists(1);
  gl::NewList(id, GL_COMPILE);
  return id;
}

void Run(BrvProcedure callback) {
  if (callback != nullptr) callback();
}

// One leaf pair of a twig: turned about the twig, then tilted out of it.
void LeafOfTwig(GLuint Foglie, float turn, float tilt) {
  gl::PushMatrix();
  gl::Rotatef(turn, 0, 1, 0);
  gl::Rotatef(tilt, 1, 0, 0);
  gl::CallList(Foglie);
  gl::PopMatrix();
}

}  // namespace

void TreeAdvancedFractal3D(std::uint32_t& Tree, BrvProcedure MdlLeaf, BrvProcedure MatTree,
                           BrvProcedure MatLeaf, std::int32_t Quality, std::int32_t NumLevel,
                           float TSize) {
  if (Quality < 1 || Quality > kMaxQuality) {
    throw std::out_of_range("TreeAdvancedFractal3D: Quality must lie in 1..253");
  }
  if (NumLevel < 0) throw std::out_of_range("TreeAdvancedFractal3D: NumLevel must be >= 0");

  // Branch segment, standing upright from the origin to height 1.
  const GLuint Ramo = BeginList();
  Run(MatTree);
  gl::PushMatrix();
  gl::Rotatef(-90, 1, 0, 0);
  CilindroMorph2(0, 0, 0, kNumCircle, Quality, kRadius, kHeight, TSize);
  gl::PopMatrix();
  gl::EndList();

  // Leaf model with its render state.
  const GLuint Foglie = BeginList();
  Run(MatLeaf);
  TwoSideOn();
  gl::Disable(GL_CULL_FACE);
  SetGLSprite();
  Run(MdlLeaf);
  SetGLSpriteOff();
  gl::Enable(GL_CULL_FACE);
  TwoSideOff();
  gl::EndList();

  // Leafy twig: a branch segment with four leaf pairs, each a quarter turn further round.
  const GLuint Chioma = BeginList();
  gl::PushMatrix();
  gl::PushAttrib(GL_LIGHTING_BIT);
  gl::CallList(Ramo);
  for (int pair = 0; pair < 4; ++pair) {
    gl::Translatef(0, kLeafStep, 0);
    gl::Rotatef(90, 0, 1, 0);
    LeafOfTwig(Foglie, 0, 230);
    LeafOfTwig(Foglie, 180, 240);
  }
  gl::PopAttrib();
  gl::PopMatrix();
  gl::EndList();

  // Trunk segment.
  const GLuint Fusto = BeginList();
  Run(MatTree);
  gl::PushMatrix();
  gl::Rotatef(-90, 1, 0, 0);
  CilindroMorph(0, 0, 0, kNumCircle, Quality, kRadius, kHeight, TSize);
  gl::PopMatrix();
  gl::EndList();

  // One draw whose value nothing uses; it keeps the tree's place in the random sequence.
  static_cast<void>(RandomInt(1));

  Tree = BeginList();
  Branching grow{NumLevel, Ramo, Chioma, Fusto, {}};
  grow.FractalTree(0);
  const std::vector<Step> first = std::move(grow.steps);
  grow.steps.clear();
  grow.FractalTree2(0);
  const std::vector<Step> second = std::move(grow.steps);

  gl::PushMatrix();
  gl::PushAttrib(GL_LIGHTING_BIT);
  gl::Translatef(0, 0, 0);
  EmitSteps(first);
  gl::PopAttrib();
  gl::PopMatrix();

  gl::PushMatrix();
  gl::PushAttrib(GL_LIGHTING_BIT);
  gl::Translatef(0, kHeight, 0);
  gl::Rotatef(45, 0, 1, 0);
  gl::Scalef(kSecondScale, kSecondScale, kSecondScale);
  EmitSteps(second);
  gl::PopAttrib();
  gl::PopMatrix();
  gl::EndList();
}

}  // namespace brevra
