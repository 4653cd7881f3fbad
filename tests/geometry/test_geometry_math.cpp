// Geometry maths without GL: the random source, degree conversion, rotation matrices, vector
// rotation, the face normal, the indexed tables and the start values of the module state.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <stdexcept>
#include <vector>

#include "brevra/geometry/random.h"
#include "brevra/geometry/render.h"
#include "brevra/geometry/vertex.h"

using namespace brevra;

namespace {

float F(double v) { return static_cast<float>(v); }

}  // namespace

// ---- start values ----

TEST(GeometryStart, ModuleStateStartsAtItsDeclaredValues) {
  EXPECT_FALSE(GLVert3FRemove);
  EXPECT_FALSE(GLVert3FEnableEdit);
  EXPECT_EQ(GLBaseVertex3F.GLVert3FCount, 0);
  EXPECT_EQ(GLBaseVertex3F.GLVert3FMax, 0);
  EXPECT_EQ(GLBaseVertex3F.GLVert3FSetNum, 0);
  for (int s : {1, 5000, 10000}) {
    EXPECT_EQ(GLBaseVertex3F.GLVert3FTmpScale[s].X, 0) << s;
    EXPECT_EQ(GLBaseVertex3F.GLVert3F[s].Z, 0) << s;
  }
  EXPECT_EQ((std::vector<float>(AmbientLight, AmbientLight + 4)),
            (std::vector<float>{0.5f, 0.5f, 0.5f, 1}));
  EXPECT_EQ((std::vector<float>(DiffuseLight, DiffuseLight + 4)), (std::vector<float>{1, 1, 1, 1}));
  EXPECT_EQ((std::vector<float>(SpecularLight, SpecularLight + 4)),
            (std::vector<float>{1, 1, 1, 1}));
  EXPECT_EQ((std::vector<float>(LightPosition, LightPosition + 4)),
            (std::vector<float>{0, 0, 0, 0}));
  EXPECT_EQ(FNormal[1], 0);
  EXPECT_EQ(FNormal[3], 0);
}

TEST(GeometryStart, IndexedTablesCheckTheirRanges) {
  EXPECT_NO_THROW(GLBaseVertex3F.GLVert3FOffset[1]);
  EXPECT_NO_THROW(GLBaseVertex3F.GLVert3FOffset[10000]);
  EXPECT_THROW(GLBaseVertex3F.GLVert3FOffset[0], std::out_of_range);
  EXPECT_THROW(GLBaseVertex3F.GLVert3FOffset[10001], std::out_of_range);
  EXPECT_THROW(FNormal[0], std::out_of_range);
  EXPECT_THROW(FNormal[4], std::out_of_range);
  static TGLFindVertex3F find;  // static: three 10000-entry tables
  EXPECT_FALSE(find.GLVert3FFindV3FForScale[10000]);
  EXPECT_THROW(find.GLVert3FFindV3FForRotate[0], std::out_of_range);
}

// ---- random source ----

class RandomTest : public ::testing::Test {
 protected:
  void SetUp() override { RandomReset(); }
  std::mt19937 reference{0};  // the same generator, drawn in step with the source
};

TEST_F(RandomTest, FloatDrawIsOneOutputOverTwoToThe32) {
  for (int i = 0; i < 1000; ++i) {
    const std::uint32_t u = reference();
    ASSERT_EQ(RandomFloat(), std::ldexp(double(u), -32)) << "draw " << i;
  }
  EXPECT_EQ(RandomDrawCount(), 1000u);
}

TEST_F(RandomTest, FirstOutputsAreThoseOfSeedZero) {
  // The first outputs of MT19937 seeded with 0.
  EXPECT_EQ(RandomFloat(), std::ldexp(2357136044.0, -32));
  EXPECT_EQ(RandomFloat(), std::ldexp(2546248239.0, -32));
}

TEST_F(RandomTest, IntegerDrawIsFloorOfUTimesNOverTwoToThe32) {
  const std::uint32_t bounds[] = {0, 1, 2, 3, 7, 100, 500, 0x7FFFFFFF, 0xFFFFFFFF};
  for (int round = 0; round < 50; ++round) {
    for (std::uint32_t n : bounds) {
      const std::uint64_t u = reference();
      const std::uint32_t got = RandomInt(n);
      ASSERT_EQ(got, std::uint32_t((u * n) >> 32)) << "n " << n;
      if (n > 0) {
        ASSERT_LT(got, n);
      }
    }
  }
  EXPECT_EQ(RandomDrawCount(), 50u * std::size(bounds));
}

TEST_F(RandomTest, ResetRestartsTheSequence) {
  const double a = RandomFloat();
  RandomInt(10);
  RandomReset();
  EXPECT_EQ(RandomDrawCount(), 0u);
  EXPECT_EQ(RandomFloat(), a);
}

TEST_F(RandomTest, RandomFScalesOneDrawByRangeOverPointNine) {
  const float ranges[] = {1, 0, 3.5f, -2, 100};
  bool exceeded = false;
  for (int round = 0; round < 400; ++round) {
    for (float range : ranges) {
      const std::uint64_t before = RandomDrawCount();
      const long double r = std::ldexp((long double)reference(), -32);
      const float got = RandomF(range);
      ASSERT_EQ(RandomDrawCount(), before + 1) << "one draw per call";
      ASSERT_EQ(got, F((r / 0.9L) * range));
      if (range == 1) {
        ASSERT_GE(got, 0.0f);
        ASSERT_LT(got, 1 / 0.9f);
        exceeded = exceeded || got > 1;
      }
      if (range == 0) {
        ASSERT_EQ(got, 0.0f);
      }
    }
  }
  EXPECT_TRUE(exceeded) << "RandomF(1) reaches beyond 1 about one time in ten";
}

// ---- degrees, vectors ----

TEST(DegToRad, ConvertsAtExtendedPrecisionThenRounds) {
  constexpr long double pi = std::numbers::pi_v<long double>;
  struct Case {
    float degree;
    float radian;
  };
  const Case cases[] = {
      {180, std::numbers::pi_v<float>},
      {-90, -F(pi / 2)},
      {90, F(pi / 2)},
      {0, 0},
      {360, F(2 * pi)},
      {45, F(pi / 4)},
      {1, F(pi / 180)},
      {0.5f, F(pi / 360)},
  };
  for (const Case& c : cases) EXPECT_EQ(DegToRad(c.degree), c.radian) << c.degree;
  EXPECT_EQ(PIDIV180, 0.017453292519943296);
}

TEST(GLVector, RoundsEachComponentToFloat) {
  const TGLVector v = GLVector(0.1, -1.0 / 3, 1e10 + 1);
  EXPECT_EQ(v.X, 0.1f);
  EXPECT_EQ(v.Y, F(-1.0 / 3));
  EXPECT_EQ(v.Z, 1e10f);
}

// ---- rotations ----

TEST(MatrixEuler, RotatesRollThenPitchThenYawCounterClockwise) {
  struct Case {
    TGLVector degrees, in, out;
  };
  const Case cases[] = {
      {{0, 0, 90}, {1, 0, 0}, {0, 1, 0}},    // yaw about z
      {{0, 90, 0}, {1, 0, 0}, {0, 0, -1}},   // pitch about y
      {{90, 0, 0}, {0, 1, 0}, {0, 0, 1}},    // roll about x
      {{90, 0, 90}, {0, 1, 0}, {0, 0, 1}},   // roll first, then yaw (the reverse gives -x)
      {{0, 90, 90}, {1, 0, 0}, {0, 0, -1}},  // pitch first, then yaw
      {{90, 90, 0}, {0, 1, 0}, {1, 0, 0}},   // roll to +z, pitch carries z to +x
      {{0, 0, 180}, {1, 2, 3}, {-1, -2, 3}}, {{0, 0, 0}, {1, 2, 3}, {1, 2, 3}},
  };
  for (const Case& c : cases) {
    const TGLVector got = MatrixVecRot(c.in, MatrixEulerRad(c.degrees));
    SCOPED_TRACE(::testing::Message()
                 << "angles (" << c.degrees.X << ", " << c.degrees.Y << ", " << c.degrees.Z << ")");
    EXPECT_NEAR(got.X, c.out.X, 1e-6);
    EXPECT_NEAR(got.Y, c.out.Y, 1e-6);
    EXPECT_NEAR(got.Z, c.out.Z, 1e-6);
  }
}

TEST(MatrixEuler, ZeroAnglesGiveTheExactIdentityWithPositiveZero) {
  for (float pitch : {0.0f, -0.0f}) {
    const TGLBaseMatrix m = MatrixEulerDeg({0, pitch, 0});
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 3; ++c) EXPECT_EQ(m[r][c], r == c ? 1.0f : 0.0f) << r << "," << c;
    }
    EXPECT_FALSE(std::signbit(m[0][2])) << "row 0, column 2 is +0 for pitch " << pitch;
  }
  const TGLVector v = MatrixVecRot({1.5f, -2, 7}, MatrixEulerDeg({0, 0, 0}));
  EXPECT_EQ(v.X, 1.5f);
  EXPECT_EQ(v.Y, -2);
  EXPECT_EQ(v.Z, 7);
}

TEST(MatrixEuler, CellsUseFloatTrigonometry) {
  // Each sine, cosine and the two pitch products are floats before they meet; the rest is
  // formed at extended precision and rounded once.
  using X = long double;
  const TGLVector angles[] = {{0.3f, -1.1f, 2.5f}, {1, 2, 3}, {-0.7f, 0.2f, 0.01f}};
  for (const TGLVector& a : angles) {
    const float CR = F(std::cos(X(a.X))), SR = F(std::sin(X(a.X)));
    const float CP = F(std::cos(X(a.Y))), SP = F(std::sin(X(a.Y)));
    const float CY = F(std::cos(X(a.Z))), SY = F(std::sin(X(a.Z)));
    const float SRSP = F(X(SP) * SR), CRSP = F(X(SP) * CR);
    const float want[3][3] = {
        {F(X(CY) * CP), F(X(SY) * CP), -SP},
        {F(X(CY) * SRSP - X(SY) * CR), F(X(SY) * SRSP + X(CY) * CR), F(X(CP) * SR)},
        {F(X(CY) * CRSP + X(SY) * SR), F(X(SY) * CRSP - X(CY) * SR), F(X(CP) * CR)},
    };
    const TGLBaseMatrix m = MatrixEulerDeg(a);
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 3; ++c) EXPECT_EQ(m[r][c], want[r][c]) << r << "," << c;
    }
  }
}

TEST(MatrixEuler, RadVariantTakesDegreesThroughDegToRad) {
  const TGLVector deg = {30, -45, 120};
  EXPECT_EQ(MatrixEulerRad(deg), MatrixEulerDeg({DegToRad(30), DegToRad(-45), DegToRad(120)}));
}

TEST(MatrixVecRot, EachRowIsTheImageOfAnAxis) {
  TGLBaseMatrix m{};
  m[0] = {1, 2, 3, 99};  // the fourth column is never read
  m[1] = {4, 5, 6, 99};
  m[2] = {7, 8, 9, 99};
  m[3] = {99, 99, 99, 99};
  const TGLVector x = MatrixVecRot({1, 0, 0}, m);
  EXPECT_EQ(x.X, 1);
  EXPECT_EQ(x.Y, 2);
  EXPECT_EQ(x.Z, 3);
  const TGLVector v = MatrixVecRot({1, 10, 100}, m);
  EXPECT_EQ(v.X, 1 + 40 + 700);
  EXPECT_EQ(v.Y, 2 + 50 + 800);
  EXPECT_EQ(v.Z, 3 + 60 + 900);
}

// ---- face normal ----

TEST(FindNormal, GivesTheUnitNormalOfTheCornerOrder) {
  struct Case {
    const char* what;
    double v[9];
    double n[3];
  };
  const Case cases[] = {
      {"counter-clockwise towards the viewer", {0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 0, 1}},
      {"V2 and V3 swapped", {0, 0, 0, 0, 1, 0, 1, 0, 0}, {0, 0, -1}},
      {"in the x-z plane", {0, 0, 0, 0, 0, 1, 1, 0, 0}, {0, 1, 0}},
      {"scaled triangle", {0, 0, 0, 4, 0, 0, 0, 4, 0}, {0, 0, 1}},
      {"collinear", {0, 0, 0, 1, 1, 1, 2, 2, 2}, {0, 0, 0}},
      {"coincident", {3, 4, 5, 3, 4, 5, 3, 4, 5}, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    const double* v = c.v;
    FindNormal(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]);
    EXPECT_EQ(FNormal[1], c.n[0]) << c.what;
    EXPECT_EQ(FNormal[2], c.n[1]) << c.what;
    EXPECT_EQ(FNormal[3], c.n[2]) << c.what;
  }
}

TEST(FindNormal, DividesByTheLengthRoundedToFloat) {
  // (V1 - V2) x (V2 - V3) = (-34, 10, 18), of length sqrt(1580), which no float holds.
  const double v[9] = {1, 2, 3, 4, 5, 7, 2, 9, 1};
  const double ax = v[0] - v[3], ay = v[1] - v[4], az = v[2] - v[5];
  const double bx = v[3] - v[6], by = v[4] - v[7], bz = v[5] - v[8];
  const double raw[3] = {ay * bz - az * by, az * bx - ax * bz, ax * by - ay * bx};
  const double exact = std::sqrt(raw[0] * raw[0] + raw[1] * raw[1] + raw[2] * raw[2]);
  const double rounded = F(exact);
  ASSERT_NE(rounded, exact);
  FindNormal(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(FNormal[i + 1], raw[i] / rounded) << i + 1;
  const double length =
      std::sqrt(FNormal[1] * FNormal[1] + FNormal[2] * FNormal[2] + FNormal[3] * FNormal[3]);
  EXPECT_NE(length, 1.0) << "unit only to single precision";
  EXPECT_NEAR(length, 1.0, 1e-7);
}
