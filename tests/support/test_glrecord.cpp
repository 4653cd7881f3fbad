// The recording layer logs each call with its arguments and still renders through real GL.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "tests/support/gl_context.h"
#include "tests/support/glrecord.h"

namespace glrec = brevra::test::glrec;
using brevra::test::GLTest;

TEST_F(GLTest, RecordsCallsAndForwardsThemToRealGL) {
  glrec::Start();
  glClearColor(0.25f, 0.5f, 1.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_LIGHTING);
  glBegin(GL_TRIANGLE_STRIP);
  glNormal3f(0, 0, 1);
  glEnd();
  const GLfloat pos[4] = {-10, 14.5f, 5, 0.1f};
  glLightfv(GL_LIGHT0, GL_POSITION, pos);
  glrec::Stop();

  EXPECT_EQ(glrec::Trace(), (std::vector<std::string>{
                                "glClearColor(0.25, 0.5, 1, 1)",
                                "glClear(GL_DEPTH_BUFFER_BIT | GL_COLOR_BUFFER_BIT)",
                                "glEnable(GL_LIGHTING)",
                                "glBegin(GL_TRIANGLE_STRIP)",
                                "glNormal3f(0, 0, 1)",
                                "glEnd()",
                                "glLightfv(GL_LIGHT0, GL_POSITION, [-10, 14.5, 5, 0.1])",
                            }));
  EXPECT_EQ(glrec::Named("glLightfv").at(0).args,
            (std::vector<double>{0x4000, 0x1203, -10, 14.5, 5, 0.1f}));
  // The calls reached the real driver: lighting is on and the buffer holds the clear colour.
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  glDisable(GL_LIGHTING);
  auto px = brevra::test::ReadPixels(0, 0, 1, 1);
  EXPECT_EQ(px[0], 64);
  EXPECT_EQ(px[1], 128);
  EXPECT_EQ(px[2], 255);
}

TEST_F(GLTest, NothingIsLoggedWhileStopped) {
  glrec::Start();
  glrec::Stop();
  glEnable(GL_DEPTH_TEST);
  EXPECT_TRUE(glrec::Calls().empty());
  glDisable(GL_DEPTH_TEST);
}
