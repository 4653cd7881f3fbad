// Brv_SimplePlants_Ext1: the foliage volume. See foliage_volume.h.
//
// Each tuft takes exactly three draws (azimuth, elevation, distance, in that order); the
// elevation is uniform in angle, not by area, so tufts gather towards the shell's poles.
#include "brevra/plants/foliage_volume.h"

#include <GL/gl.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>

#include "brevra/geometry/gl_stream.h"
#include "brevra/geometry/random.h"
#include "brevra/geometry/render.h"
#include "brevra/geometry/vertex.h"

namespace brevra {
namespace {

constexpr double kPi = std::numbers::pi;

// ---- fixed values of the clump ----
constexpr float kAlphaRef = 0.1f;          // alpha-test reference inside the list
constexpr int kCoreRings = 7;              // rings and sides of the core sphere
constexpr float kCoreTSize = 1.0f / 6.0f;  // texture size of the core sphere
constexpr int kTeeth = 8;                  // teeth per leaf
constexpr float kLeafRadius = 1.0f;        // leaf outer radius before the rim inset
constexpr double kRimInset = 0.15;         // rim radius = outer radius - 0.15
constexpr double kTexScale = 1.7;          // texture-space radius = rim radius / 1.7
constexpr float kTuftTurn = 90.0f;         // angle between the three leaves of a tuft

// NumTuft x Factor rounded to the nearest integer, halves to even, in double precision (5 x
// the float 0.7 is 3.4999999, which gives 3). Products below 1 (or NaN) give no tufts.
std::int32_t TuftCount(std::int32_t NumTuft, float Factor) {
  const double product = static_cast<double>(NumTuft) * static_cast<double>(Factor);
  if (!(product >= 0.5)) return 0;
  if (product >= static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
    return std::numeric_limits<std::int32_t>::max();
  }
  double whole = std::floor(product);
  const double rest = product - whole;
  if (rest > 0.5 || (rest == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
  return static_cast<std::int32_t>(whole);
}

// One leaf disc in the X-Y plane: a quad strip whose quads collapse to triangles from the centre
// to two consecutive rim points, rim gaps alternating 3/4 and 1/4 of a tooth's period. The
// offset (X, Y, Z) moves the positions; normals stay in the leaf's plane.
void AddLeaf(float X, float Y, float Z, std::int32_t NumPoints, float ROut) {
  const std::int32_t Teeth = NumPoints;
  const float OuterRadius = ROut;
  const auto OuterRadius1 = static_cast<float>(OuterRadius - kRimInset);
  const auto DA = static_cast<float>(2.0 * kPi / Teeth / 4.0);
  // Held as a float: 0.85 / 1.7 is then exactly 0.5, so the rim maps onto the circle inscribed
  // in the texture and the coordinates stay within [0, 1].
  const auto texRadius = static_cast<float>(OuterRadius1 / kTexScale);

  auto centre = [&] {
    gl::TexCoord2f(0.5f, 0.5f);
    gl::Normal3f(0, 0, 0);
    GLVertex3f(X, Y, Z);
  };
  auto rim = [&](double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    gl::TexCoord2f(static_cast<float>(0.5 + c * texRadius),
                   static_cast<float>(0.5 + s * texRadius));
    const auto nx = static_cast<float>(OuterRadius1 * c);
    const auto ny = static_cast<float>(OuterRadius1 * s);
    gl::Normal3f(nx, ny, 0);
    GLVertex3f(X + nx, Y + ny, Z);
  };

  gl::Disable(GL_CULL_FACE);
  gl::PushMatrix();
  GLBegin(GL_QUAD_STRIP);
  for (std::int32_t I = 0; I <= Teeth; ++I) {
    const auto Angle = static_cast<float>(2.0 * I * kPi / Teeth);
    centre();
    rim(Angle);
    centre();
    rim(static_cast<double>(Angle) + 3.0 * static_cast<double>(DA));
  }
  GLEnd();
  gl::PopMatrix();
  gl::Enable(GL_CULL_FACE);
}

}  // namespace

void SetVolumeFogliage(float X, float Y, float Z, float Radius, float Volume, float SX, float SY,
                       float SZ, std::int32_t NumTuft, float SizeTuft, float Factor,
                       std::uint32_t& MdlFgliage, bool Core) {
  MdlFgliage = glGenLists(1);
  gl::NewList(MdlFgliage, GL_COMPILE);
  // One-sided lighting even when the caller has just switched two-sided lighting on.
  TwoSideOff();
  gl::PushMatrix();
  gl::Translatef(X, Y, Z);
  if (Core) Sfera(0, 0, 0, Radius, kCoreRings, kCoreRings, kCoreTSize);
  gl::Enable(GL_ALPHA_TEST);
  gl::AlphaFunc(GL_GREATER, kAlphaRef);

  const std::int32_t N = TuftCount(NumTuft, Factor);
  for (std::int32_t I = 1; I <= N; ++I) {
    const double A = RandomFloat() * 2.0 * kPi;        // azimuth in [0, 2 pi)
    const double B = RandomFloat() * kPi - kPi / 2.0;  // elevation in [-pi/2, pi/2)
    const auto R = static_cast<float>(RandomFloat() * Volume + Radius);
    const double cosB = std::cos(B);
    gl::PushMatrix();
    gl::Translatef(static_cast<float>(R * std::cos(A) * cosB * SX),
                   static_cast<float>(R * std::sin(A) * cosB * SY),
                   static_cast<float>(R * std::sin(B) * SZ));
    // Later tufts turn further: the turn grows with the tuft's number.
    const auto W = static_cast<float>((A - B) * I);
    gl::Rotatef(W, 1, 0, 0);
    gl::Rotatef(W, 0, 1, 0);
    gl::Scalef(SizeTuft, SizeTuft, SizeTuft);
    AddLeaf(0, 0, 0, kTeeth, kLeafRadius);
    gl::Rotatef(kTuftTurn, 0, 1, 0);
    AddLeaf(0, 0, 0, kTeeth, kLeafRadius);
    gl::Rotatef(kTuftTurn, 1, 0, 0);
    AddLeaf(0, 0, 0, kTeeth, kLeafRadius);
    gl::PopMatrix();
  }

  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  gl::Disable(GL_ALPHA_TEST);
  gl::PopMatrix();
  gl::EndList();
}

void AddVolumeFogliage(std::uint32_t MdlFgliage) { gl::CallList(MdlFgliage); }

}  // namespace brevra
