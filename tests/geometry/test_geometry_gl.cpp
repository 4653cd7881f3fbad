// The geometry routines on real OpenGL: their exact call streams through the recording layer
// (the vertex wrappers and their recorder, state switches, lights, sphere, edge), and one
// rendered sphere that must survive back-face culling.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "brevra/geometry/render.h"
#include "brevra/geometry/vertex.h"
#include "tests/support/gl_context.h"
#include "tests/support/glrecord.h"

using namespace brevra;
namespace glrec = brevra::test::glrec;
using Lines = std::vector<std::string>;

namespace {

// Puts the recorder back to its start state in place (the record is too big for the stack).
void ResetRecorder() {
  TGLVertex3F& r = GLBaseVertex3F;
  for (TGLVectorSlots* t : {&r.GLVert3F, &r.GLVert3FTmp, &r.GLVert3FTmpRotate, &r.GLVert3FTmpPosRot,
                            &r.GLVert3FTmpScale, &r.GLVert3FOffset}) {
    t->fill({});
  }
  r.GLVert3FCount = r.GLVert3FMax = r.GLVert3FSetNum = 0;
}

class GeometryGL : public brevra::test::GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    ResetRecorder();
    GLVert3FRemove = false;
    GLVert3FEnableEdit = false;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
  }
  void TearDown() override {
    glrec::Stop();
    GLVert3FRemove = false;
    GLVert3FEnableEdit = false;
    // The context lives on for the next test: put back what the routines switch.
    for (GLenum cap : {GL_LIGHTING, GL_LIGHT0, GL_LIGHT1, GL_CULL_FACE, GL_ALPHA_TEST, GL_BLEND,
                       GL_DEPTH_TEST}) {
      glDisable(cap);
    }
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 0);
    glCullFace(GL_BACK);
    glDepthMask(GL_TRUE);
    glPointSize(1);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    // Leave no drawing pending: the context is destroyed at process exit, and llvmpipe flushing
    // then (after its compiler's statics are gone) never returns.
    glFinish();
  }

  // The vertices GL received in the last recording.
  static std::vector<TGLVector> Emitted() {
    std::vector<TGLVector> out;
    for (const glrec::Call& c : glrec::Named("glVertex3f")) {
      out.push_back({float(c.args[0]), float(c.args[1]), float(c.args[2])});
    }
    return out;
  }
};

bool Enabled(GLenum cap) { return glIsEnabled(cap) == GL_TRUE; }

}  // namespace

// ---- vertex wrappers ----

TEST_F(GeometryGL, WrappersWithBothFlagsOffAreThePlainCalls) {
  GLBaseVertex3F.GLVert3FSetNum = 7;
  {
    glrec::Scope rec;
    GLBegin(GL_LINES);
    GLVertex3f(1, 2.5f, -3);
    GLVertex3f(0.1f, 0, 0);
    GLEnd();
  }
  EXPECT_EQ(glrec::Trace(), (Lines{"glBegin(GL_LINES)", "glVertex3f(1, 2.5, -3)",
                                   "glVertex3f(0.1, 0, 0)", "glEnd()"}));
  EXPECT_EQ(GLBaseVertex3F.GLVert3FMax, 7) << "GLBegin adopts the slot limit whatever the flags";
  EXPECT_EQ(GLBaseVertex3F.GLVert3FCount, 0);
  EXPECT_EQ(GLBaseVertex3F.GLVert3FOffset[1].X, 0) << "nothing is recorded";
}

TEST_F(GeometryGL, RemoveSuppressesOnlyTheThreeWrappers) {
  GLVert3FRemove = true;
  GLBaseVertex3F.GLVert3FSetNum = 4;
  {
    glrec::Scope rec;
    GLBegin(GL_QUADS);
    glNormal3f(0, 0, 1);
    glTexCoord2f(0.5f, 1);
    GLVertex3f(1, 2, 3);
    LineFree(0, 0, 1, 1, 0, 0, 0, 1, 1, 1, true);
    GLEnd();
    PutGLPointLight(GL_LIGHT1, 5, 1, 2, 3, 1);
  }
  EXPECT_EQ(glrec::Trace(), (Lines{
                                "glNormal3f(0, 0, 1)",
                                "glTexCoord2f(0.5, 1)",
                                "glTexCoord2f(0, 0)",
                                "glTexCoord2f(1, 1)",
                                "glLightfv(GL_LIGHT1, GL_POSITION, [1, 2, 3, 1])",
                                "glPointSize(5)",
                                "glNormal3f(0, 0, 1)",
                            }));
  EXPECT_EQ(GLBaseVertex3F.GLVert3FMax, 4);
}

// ---- the recorder's edit path ----

TEST_F(GeometryGL, EditPathHandsOutSlotsInOrderThenReusesTheLast) {
  GLVert3FEnableEdit = true;
  GLBaseVertex3F.GLVert3FSetNum = 3;
  {
    glrec::Scope rec;
    GLBegin(GL_POINTS);
    for (int i = 1; i <= 5; ++i) GLVertex3f(float(i), 10.0f * i, -1);
    GLEnd();
    GLBegin(GL_POINTS);  // slot numbers keep rising across primitives, never past the limit
    GLVertex3f(6, 60, -1);
    GLEnd();
  }
  const TGLVertex3F& r = GLBaseVertex3F;
  EXPECT_EQ(r.GLVert3FCount, 3);
  EXPECT_EQ(r.GLVert3FMax, 3);
  for (int s = 1; s <= 2; ++s) {
    EXPECT_EQ(r.GLVert3FOffset[s].X, float(s)) << "slot " << s;
    EXPECT_EQ(r.GLVert3F[s].Y, 10.0f * s) << "slot " << s;
  }
  EXPECT_EQ(r.GLVert3FOffset[3].X, 6) << "the fourth and later vertices overwrite slot 3";
  EXPECT_EQ(r.GLVert3F[3].Y, 60);
  EXPECT_EQ(r.GLVert3FOffset[4].X, 0) << "slot 4 is never used";
  EXPECT_EQ(Emitted().size(), 6u);
}

TEST_F(GeometryGL, EditPathWithZeroTablesReproducesTheInput) {
  GLVert3FEnableEdit = true;
  GLBaseVertex3F.GLVert3FSetNum = 10000;
  const TGLVector inputs[] = {{1.25f, -2, 3}, {0.1f, 1e-7f, -1e7f}, {0, 0, 0}};
  {
    glrec::Scope rec;
    GLBegin(GL_POINTS);
    for (const TGLVector& v : inputs) GLVertex3f(v.X, v.Y, v.Z);
    GLEnd();
  }
  const std::vector<TGLVector> out = Emitted();
  ASSERT_EQ(out.size(), 3u);
  for (int s = 1; s <= 3; ++s) {
    const TGLVector& in = inputs[s - 1];
    const TGLVertex3F& r = GLBaseVertex3F;
    EXPECT_EQ(out[s - 1].X, in.X);
    EXPECT_EQ(out[s - 1].Y, in.Y);
    EXPECT_EQ(out[s - 1].Z, in.Z);
    EXPECT_EQ(r.GLVert3FOffset[s].Y, in.Y);
    EXPECT_EQ(r.GLVert3F[s].X, in.X);
    EXPECT_EQ(r.GLVert3F[s].Z, in.Z);
    EXPECT_EQ(r.GLVert3FTmpScale[s].X, 1) << "unset scale becomes (1, 1, 1)";
    EXPECT_EQ(r.GLVert3FTmpScale[s].Y, 1);
    EXPECT_EQ(r.GLVert3FTmpScale[s].Z, 1);
  }
}

TEST_F(GeometryGL, EditPathAppliesScaleTranslationOffsetAndRotation) {
  struct Case {
    const char* what;
    TGLVector scale, move, pre, rotate, in, out;
  };
  const Case cases[] = {
      {"yaw 90", {}, {}, {}, {0, 0, 90}, {1, 0, 0}, {0, 1, 0}},
      {"pitch 90", {}, {}, {}, {0, 90, 0}, {1, 0, 0}, {0, 0, -1}},
      {"roll 90", {}, {}, {}, {90, 0, 0}, {0, 1, 0}, {0, 0, 1}},
      {"roll then yaw", {}, {}, {}, {90, 0, 90}, {0, 1, 0}, {0, 0, 1}},
      {"partly zero scale is used as given", {0, 0, 5}, {}, {}, {}, {7, 8, 2}, {0, 0, 10}},
      {"scale then translate", {2, 3, 4}, {1, 1, 1}, {}, {}, {1, 1, 1}, {3, 4, 5}},
      {"offset before rotation stays in", {}, {}, {1, 0, 0}, {0, 0, 90}, {0, 0, 0}, {0, 1, 0}},
      {"all together", {2, 2, 2}, {0, 1, 0}, {0, 0, 3}, {0, 0, 180}, {1, 0, 0}, {-2, -1, 3}},
  };
  GLVert3FEnableEdit = true;
  GLBaseVertex3F.GLVert3FSetNum = 100;
  int s = 0;
  for (const Case& c : cases) {
    ++s;
    TGLVertex3F& r = GLBaseVertex3F;
    r.GLVert3FTmpScale[s] = c.scale;
    r.GLVert3FTmp[s] = c.move;
    r.GLVert3FTmpPosRot[s] = c.pre;
    r.GLVert3FTmpRotate[s] = c.rotate;
  }
  {
    glrec::Scope rec;
    GLBegin(GL_POINTS);
    for (const Case& c : cases) GLVertex3f(c.in.X, c.in.Y, c.in.Z);
    GLEnd();
  }
  const std::vector<TGLVector> out = Emitted();
  ASSERT_EQ(out.size(), std::size(cases));
  for (std::size_t i = 0; i < out.size(); ++i) {
    const Case& c = cases[i];
    EXPECT_NEAR(out[i].X, c.out.X, 1e-6) << c.what;
    EXPECT_NEAR(out[i].Y, c.out.Y, 1e-6) << c.what;
    EXPECT_NEAR(out[i].Z, c.out.Z, 1e-6) << c.what;
    const TGLVector& stored = GLBaseVertex3F.GLVert3F[int(i) + 1];
    EXPECT_EQ(stored.X, out[i].X) << c.what << ": the slot holds what was emitted";
    EXPECT_EQ(stored.Z, out[i].Z) << c.what;
  }
  EXPECT_EQ(GLBaseVertex3F.GLVert3FTmpScale[5].X, 0) << "(0, 0, 5) is not replaced";
  EXPECT_EQ(GLBaseVertex3F.GLVert3FTmpScale[5].Z, 5);
}

TEST_F(GeometryGL, EditPathRecordsEvenWhenRemoveSuppressesTheCalls) {
  GLVert3FEnableEdit = true;
  GLVert3FRemove = true;
  GLBaseVertex3F.GLVert3FSetNum = 2;
  {
    glrec::Scope rec;
    GLBegin(GL_POINTS);
    GLVertex3f(4, 5, 6);
    GLEnd();
  }
  EXPECT_TRUE(glrec::Trace().empty()) << glrec::TraceText();
  EXPECT_EQ(GLBaseVertex3F.GLVert3FCount, 1);
  EXPECT_EQ(GLBaseVertex3F.GLVert3F[1].Z, 6);
}

TEST_F(GeometryGL, EditPathWithoutAValidSlotEmitsTheVertexAsGiven) {
  struct Case {
    const char* what;
    int setNum, countBefore, countAfter;
  };
  const Case cases[] = {
      {"limit 0", 0, 0, 0},
      {"negative limit", -5, 0, 0},
      {"limit above 10000, past the last slot", 20000, 10000, 10001},
  };
  GLVert3FEnableEdit = true;
  for (const Case& c : cases) {
    ResetRecorder();
    GLBaseVertex3F.GLVert3FSetNum = c.setNum;
    GLBaseVertex3F.GLVert3FCount = c.countBefore;
    GLBaseVertex3F.GLVert3FTmpScale[10000] = {2, 2, 2};
    GLBaseVertex3F.GLVert3FTmpScale[1] = {2, 2, 2};
    {
      glrec::Scope rec;
      GLBegin(GL_POINTS);
      ASSERT_NO_THROW(GLVertex3f(1, 2, 3)) << c.what;
      GLEnd();
    }
    EXPECT_EQ(glrec::Trace(), (Lines{"glBegin(GL_POINTS)", "glVertex3f(1, 2, 3)", "glEnd()"}))
        << c.what;
    EXPECT_EQ(GLBaseVertex3F.GLVert3FCount, c.countAfter) << c.what;
    for (int s : {1, 10000}) {
      EXPECT_EQ(GLBaseVertex3F.GLVert3FOffset[s].X, 0) << c.what << ", slot " << s;
      EXPECT_EQ(GLBaseVertex3F.GLVert3F[s].X, 0) << c.what << ", slot " << s;
    }
  }
}

// ---- state switches ----

TEST_F(GeometryGL, StateSwitchesIssueTheirCallsInOrder) {
  struct Case {
    const char* name;
    void (*routine)();
    Lines trace;
  };
  const Case cases[] = {
      {"TwoSideOn", TwoSideOn, {"glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1)"}},
      {"TwoSideOff", TwoSideOff, {"glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 0)"}},
      {"LightingOn", LightingOn, {"glEnable(GL_LIGHTING)"}},
      {"LightingOff", LightingOff, {"glDisable(GL_LIGHTING)"}},
      {"SetGLRefractive",
       SetGLRefractive,
       {"glEnable(GL_CULL_FACE)", "glCullFace(GL_BACK)", "glFrontFace(GL_CCW)"}},
      {"SetGLSprite", SetGLSprite, {"glEnable(GL_ALPHA_TEST)", "glAlphaFunc(GL_GREATER, 0.4)"}},
      {"SetGLSpriteOff",
       SetGLSpriteOff,
       {"glDepthMask(GL_TRUE)", "glDisable(GL_BLEND)", "glDisable(GL_ALPHA_TEST)"}},
  };
  for (const Case& c : cases) {
    {
      glrec::Scope rec;
      c.routine();
    }
    EXPECT_EQ(glrec::Trace(), c.trace) << c.name;
  }
}

TEST_F(GeometryGL, StateSwitchesReachTheContext) {
  GLint v = 0;
  TwoSideOn();
  glGetIntegerv(GL_LIGHT_MODEL_TWO_SIDE, &v);
  EXPECT_EQ(v, 1);
  TwoSideOff();
  glGetIntegerv(GL_LIGHT_MODEL_TWO_SIDE, &v);
  EXPECT_EQ(v, 0);
  LightingOn();
  EXPECT_TRUE(Enabled(GL_LIGHTING));
  LightingOff();
  EXPECT_FALSE(Enabled(GL_LIGHTING));
  glCullFace(GL_FRONT);
  glFrontFace(GL_CW);
  SetGLRefractive();
  EXPECT_TRUE(Enabled(GL_CULL_FACE));
  glGetIntegerv(GL_CULL_FACE_MODE, &v);
  EXPECT_EQ(v, GL_BACK);
  glGetIntegerv(GL_FRONT_FACE, &v);
  EXPECT_EQ(v, GL_CCW);
}

TEST_F(GeometryGL, SpriteOnTestsAlphaOnlyAndSpriteOffResetsBlendAndDepthWrites) {
  struct Before {
    bool blend;
    GLboolean depthMask;
  };
  for (const Before b : {Before{false, GL_TRUE}, Before{true, GL_FALSE}, Before{true, GL_TRUE},
                         Before{false, GL_FALSE}}) {
    SCOPED_TRACE(::testing::Message() << "blend " << b.blend << ", depth mask " << +b.depthMask);
    if (b.blend) glEnable(GL_BLEND);
    glDepthMask(b.depthMask);
    SetGLSprite();
    EXPECT_TRUE(Enabled(GL_ALPHA_TEST));
    GLint func = 0;
    GLfloat ref = 0;
    glGetIntegerv(GL_ALPHA_TEST_FUNC, &func);
    glGetFloatv(GL_ALPHA_TEST_REF, &ref);
    EXPECT_EQ(func, GL_GREATER);
    EXPECT_NEAR(ref, 0.4f, 1e-6);
    EXPECT_EQ(Enabled(GL_BLEND), b.blend) << "SetGLSprite leaves blending alone";
    SetGLSpriteOff();
    GLboolean mask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_FALSE(Enabled(GL_ALPHA_TEST));
    EXPECT_FALSE(Enabled(GL_BLEND));
    EXPECT_EQ(mask, GL_TRUE);
  }
}

// ---- lights ----

TEST_F(GeometryGL, SetGLLightColoursSwitchesOnAndPlacesTheLight) {
  {
    glrec::Scope rec;
    SetGLLight(GL_LIGHT0, 0, 0, 0, 0.1f);
  }
  EXPECT_EQ(glrec::Trace(), (Lines{
                                "glEnable(GL_LIGHTING)",
                                "glLightfv(GL_LIGHT0, GL_AMBIENT, [0.5, 0.5, 0.5, 1])",
                                "glLightfv(GL_LIGHT0, GL_DIFFUSE, [1, 1, 1, 1])",
                                "glLightfv(GL_LIGHT0, GL_SPECULAR, [1, 1, 1, 1])",
                                "glEnable(GL_LIGHT0)",
                                "glLightfv(GL_LIGHT0, GL_POSITION, [0, 0, 0, 0.1])",
                            }));
  EXPECT_TRUE(Enabled(GL_LIGHTING));
  EXPECT_TRUE(Enabled(GL_LIGHT0));
}

TEST_F(GeometryGL, SetGLLightReadsTheColourTablesAtEachCall) {
  const float saved = AmbientLight[1];
  AmbientLight[1] = 0.25f;
  {
    glrec::Scope rec;
    SetGLLight(GL_LIGHT1, 1, 2, 3, 1);
  }
  AmbientLight[1] = saved;
  EXPECT_NE(glrec::Find("glLightfv(GL_LIGHT1, GL_AMBIENT, [0.5, 0.25, 0.5, 1])"), glrec::npos)
      << glrec::TraceText();
  GLfloat ambient[4] = {};
  glGetLightfv(GL_LIGHT1, GL_AMBIENT, ambient);
  EXPECT_EQ(ambient[1], 0.25f);
}

TEST_F(GeometryGL, SecondSetGLLightPositionWins) {
  SetGLLight(GL_LIGHT0, 1, 2, 3, 1);
  SetGLLight(GL_LIGHT0, -10, 14.5f, 5, 0);
  EXPECT_EQ((std::vector<float>(LightPosition, LightPosition + 4)),
            (std::vector<float>{-10, 14.5f, 5, 0}));
  GLfloat pos[4] = {};
  glGetLightfv(GL_LIGHT0, GL_POSITION, pos);  // identity modelview: eye coordinates as given
  EXPECT_EQ((std::vector<float>(pos, pos + 4)), (std::vector<float>{-10, 14.5f, 5, 0}));
}

TEST_F(GeometryGL, PutGLPointLightWithSizeZeroOnlyMovesTheLight) {
  glPointSize(3);
  {
    glrec::Scope rec;
    PutGLPointLight(GL_LIGHT0, 0, 4, 5, 6, 1);
  }
  EXPECT_EQ(glrec::Trace(), (Lines{"glLightfv(GL_LIGHT0, GL_POSITION, [4, 5, 6, 1])"}));
  EXPECT_EQ((std::vector<float>(LightPosition, LightPosition + 4)),
            (std::vector<float>{4, 5, 6, 1}));
  GLfloat size = 0;
  glGetFloatv(GL_POINT_SIZE, &size);
  EXPECT_EQ(size, 3);
  EXPECT_FALSE(Enabled(GL_LIGHTING)) << "the light is not switched on";
  EXPECT_FALSE(Enabled(GL_LIGHT0));
}

TEST_F(GeometryGL, PutGLPointLightWithASizeDrawsAMarkerPoint) {
  {
    glrec::Scope rec;
    PutGLPointLight(GL_LIGHT1, 5, 1, 2, 3, 0);
  }
  EXPECT_EQ(glrec::Trace(), (Lines{
                                "glLightfv(GL_LIGHT1, GL_POSITION, [1, 2, 3, 0])",
                                "glPointSize(5)",
                                "glBegin(GL_POINTS)",
                                "glNormal3f(0, 0, 1)",
                                "glVertex3f(1, 2, 3)",
                                "glEnd()",
                            }));
  GLfloat size = 0;
  glGetFloatv(GL_POINT_SIZE, &size);
  EXPECT_EQ(size, 5) << "the point size stays at Size";
  EXPECT_FALSE(Enabled(GL_LIGHT1));
}

// ---- primitives ----

TEST_F(GeometryGL, SferaEmitsOneClosedStripPerBand) {
  const float PX = 1, PY = 2, PZ = 3, R = 0.5f, TSize = 0.5f;
  {
    glrec::Scope rec;
    Sfera(PX, PY, PZ, R, 14, 14, TSize);
  }
  const std::vector<glrec::Call>& calls = glrec::Calls();
  ASSERT_EQ(calls.size(), 14u * (2 + 30 * 3)) << glrec::TraceText();
  // The first vertex sits on the +z pole, facing +z, at texture (0, 0).
  EXPECT_EQ(calls[0].text, "glBegin(GL_TRIANGLE_STRIP)");
  EXPECT_EQ(calls[1].text, "glNormal3f(0, 0, 1)");
  EXPECT_EQ(calls[2].text, "glTexCoord2f(0, 0)");
  EXPECT_EQ(calls[3].text, "glVertex3f(1, 2, 3.5)");
  std::size_t i = 0;
  for (int strip = 0; strip < 14; ++strip) {
    SCOPED_TRACE(::testing::Message() << "strip " << strip);
    ASSERT_EQ(calls[i++].text, "glBegin(GL_TRIANGLE_STRIP)");
    for (int v = 0; v < 30; ++v) {
      const glrec::Call& n = calls[i++];
      const glrec::Call& t = calls[i++];
      const glrec::Call& p = calls[i++];
      ASSERT_EQ(n.name, "glNormal3f");
      ASSERT_EQ(t.name, "glTexCoord2f");
      ASSERT_EQ(p.name, "glVertex3f");
      // Unit outward normals: the vertex is the centre plus Radius times the normal.
      EXPECT_NEAR(std::hypot(n.args[0], n.args[1], n.args[2]), 1, 1e-6);
      EXPECT_NEAR(p.args[0], PX + R * n.args[0], 1e-6);
      EXPECT_NEAR(p.args[1], PY + R * n.args[1], 1e-6);
      EXPECT_NEAR(p.args[2], PZ + R * n.args[2], 1e-6);
      // Upper and lower rows alternate; s runs from 0 to -1 / TSize once around.
      const int column = v / 2, row = strip + v % 2;
      EXPECT_NEAR(t.args[0], -column / 14.0 / TSize, 1e-6);
      EXPECT_NEAR(t.args[1], row / 14.0 / TSize, 1e-6);
    }
    ASSERT_EQ(calls[i++].text, "glEnd()");
  }
  // The last vertex is the -z pole, at t = 1 / TSize, and the last column closes the strip.
  const glrec::Call& last = calls[calls.size() - 2];
  EXPECT_NEAR(last.args[2], PZ - R, 1e-6);
  EXPECT_NEAR(last.args[0], PX, 1e-6);
  EXPECT_EQ(calls[calls.size() - 3].text, "glTexCoord2f(-2, 2)");
}

TEST_F(GeometryGL, SferaOutsideItsLimits) {
  {
    glrec::Scope rec;
    Sfera(0, 0, 0, 1, 14, 0, 1);
  }
  EXPECT_TRUE(glrec::Trace().empty()) << "NumLine 0 emits nothing: " << glrec::TraceText();
  {
    glrec::Scope rec;
    Sfera(0, 0, 0, 1, -1, 2, 1);
  }
  EXPECT_EQ(glrec::Trace(), (Lines{"glBegin(GL_TRIANGLE_STRIP)", "glEnd()",
                                   "glBegin(GL_TRIANGLE_STRIP)", "glEnd()"}));
}

TEST_F(GeometryGL, LineFreeSendsTwoVerticesWithOptionalTextureCoordinates) {
  struct Case {
    bool texture;
    Lines trace;
  };
  const Case cases[] = {
      {true,
       {"glTexCoord2f(0.25, 0.5)", "glVertex3f(1, 2, 3)", "glTexCoord2f(0.75, 1)",
        "glVertex3f(4, 5, 6)"}},
      {false, {"glVertex3f(1, 2, 3)", "glVertex3f(4, 5, 6)"}},
  };
  for (const Case& c : cases) {
    glBegin(GL_LINES);  // LineFree neither opens nor closes the primitive
    {
      glrec::Scope rec;
      LineFree(0.25f, 0.5f, 0.75f, 1, 1, 2, 3, 4, 5, 6, c.texture);
    }
    glEnd();
    EXPECT_EQ(glrec::Trace(), c.trace) << "texture " << c.texture;
  }
}

// ---- rendered pixels ----

TEST_F(GeometryGL, SferaSurvivesBackFaceCulling) {
  // A lit sphere in front of the camera, lit from the viewer's side. With back faces culled only
  // the near hemisphere remains, facing the light: the centre is bright. Had the strips the
  // wrong winding, the far hemisphere (facing away, ambient only) would show instead, as it
  // does when the front faces are culled.
  const auto render = [](GLenum culled) {
    glViewport(0, 0, 256, 256);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const double top = 0.1 * std::tan(std::numbers::pi / 8);  // a 45 degree field
    glFrustum(-top, top, -top, top, 0.1, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);  // culling alone decides which hemisphere shows
    glDisable(GL_TEXTURE_2D);
    SetGLRefractive();
    glCullFace(culled);
    SetGLLight(GL_LIGHT0, 0, 0, 1, 0);
    glTranslatef(0, 0, -4);
    Sfera(0, 0, 0, 1, 24, 24, 1);
    glFinish();
    return brevra::test::ReadPixels(0, 0, 256, 256);
  };
  const auto pixel = [](const std::vector<std::uint8_t>& px, int x, int y) {
    return int(px[(std::size_t(y) * 256 + x) * 4]);
  };

  const std::vector<std::uint8_t> back = render(GL_BACK);
  brevra::test::WritePng("geometry_sfera_culled.png", back, 256, 256, true);
  EXPECT_GT(pixel(back, 128, 128), 200) << "the near hemisphere covers the centre, lit";
  EXPECT_EQ(pixel(back, 2, 2), 0) << "the corner stays background";
  int covered = 0;
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) covered += pixel(back, x, y) > 0;
  }
  // Radius 1 at distance 4 under a 45 degree field: the silhouette is a disc of this radius.
  const double disc = 128 * std::tan(std::asin(0.25)) / std::tan(std::numbers::pi / 8);
  const double area = std::numbers::pi * disc * disc;
  EXPECT_NEAR(covered, area, 0.05 * area);

  const std::vector<std::uint8_t> front = render(GL_FRONT);
  EXPECT_LT(pixel(front, 128, 128), 60) << "culling the front shows the far, unlit side";
}
