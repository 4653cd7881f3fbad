// The demo's bush scene on the headless platform with real OpenGL (Mesa llvmpipe through EGL):
// golden frames before and after mouse drags, the GL stream of one frame and of the one-time
// build, and the demo with a missing or damaged picture.
//
// The demo keeps one main window per process, so the suite shares one: created on first use,
// with its client area 800 x 600 (the size fogliame-snapshot renders and an 800 x 600 window
// without a window manager's frame shows), set up by the demo's own SetUpDemo from <build>/bin,
// where the build puts the three pictures. Each test resets the camera it uses.
//
// Golden pictures live in tests/demo/golden/. When a comparison fails, the actual frame and a
// difference picture are written to <build>/tests/demo-output/ and their paths printed. To make
// new goldens after an intended change of the scene, run the test with BREVRA_UPDATE_GOLDEN=1:
//   BREVRA_UPDATE_GOLDEN=1 <build>/tests/test_demo --gtest_filter='Golden*'
// and look at the new pictures before committing them.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "brevra/geometry/random.h"
#include "brevra/platform/headless.h"
#include "brevra/platform/platform.h"
#include "brevra/textures/textures.h"
#include "brevra/window/input.h"
#include "brevra/window/window.h"
#include "demo/app.h"
#include "demo/scene.h"
#include "tests/demo/image_compare.h"
#include "tests/support/gl_context.h"
#include "tests/support/glrecord.h"

namespace {

namespace fs = std::filesystem;
namespace pf = brevra::platform;
namespace hl = brevra::platform::headless;
namespace glrec = brevra::test::glrec;
using namespace brevra;
using brevra::test::Image;

constexpr int kWidth = 800, kHeight = 600;
constexpr int kTolerance = 8;            // per channel, of 255
constexpr double kMaxDiffering = 0.002;  // fraction of the pixels beyond the tolerance
const fs::path kBinDir = BREVRA_BINARY_DIR "/bin";
const fs::path kGoldenDir = BREVRA_SOURCE_DIR "/tests/demo/golden";
const fs::path kOutputDir = BREVRA_BINARY_DIR "/tests/demo-output";

// What the one-time set-up sent to GL, and the random draws it took.
std::vector<glrec::Call> g_setUpCalls;
std::uint64_t g_setUpDraws = 0;

// ---- helpers ----

bool QueueEmpty() {
  pf::MSG msg;
  return !pf::PeekMessage(&msg, 0, 0, 0, pf::PM_NOREMOVE);
}

// Runs demo frames (one message each, with the swap) until no message waits; bounded.
void PumpWithFrames() {
  for (int i = 0; i < 1000 && !QueueEmpty(); ++i) fogliame::RunFrame();
}

void ResetCamera() { XRot = YRot = XRot2 = YRot2 = Depth = Depth2 = 0; }

pf::POINT Screen(std::int32_t x, std::int32_t y) {
  pf::POINT p{x, y};
  pf::ClientToScreen(HWindow, &p);
  return p;
}

// One demo frame without the swap, read back.
Image Frame() {
  fogliame::DrawFrame();
  glFinish();
  return brevra::test::FromGLPixels(brevra::test::ReadPixels(0, 0, kWidth, kHeight), kWidth,
                                    kHeight);
}

void ExpectMatchesGolden(const Image& actual, const std::string& name) {
  const fs::path golden = kGoldenDir / (name + ".png");
  const char* update = std::getenv("BREVRA_UPDATE_GOLDEN");
  if (update != nullptr && std::string(update) == "1") {
    ASSERT_TRUE(brevra::test::WritePngFile(golden.string(), actual)) << golden;
    std::printf("golden picture written: %s\n", golden.c_str());
    return;
  }
  Image expected;
  std::string error;
  ASSERT_TRUE(brevra::test::ReadPngFile(golden.string(), expected, &error))
      << error << " (make it with BREVRA_UPDATE_GOLDEN=1)";
  const brevra::test::ImageDiff diff = brevra::test::CompareImages(actual, expected, kTolerance);
  const bool match = diff.sameSize && diff.Fraction() <= kMaxDiffering;
  if (!match) {
    fs::create_directories(kOutputDir);
    const fs::path actualPath = kOutputDir / (name + ".actual.png");
    const fs::path diffPath = kOutputDir / (name + ".diff.png");
    brevra::test::WritePngFile(actualPath.string(), actual);
    if (diff.sameSize) brevra::test::WritePngFile(diffPath.string(), diff.picture);
    ADD_FAILURE() << name << ": " << diff.differing << " of " << diff.total
                  << " pixels differ by more than " << kTolerance << " (largest " << diff.maxDelta
                  << "); allowed " << kMaxDiffering * 100 << " %\n"
                  << "  actual:     " << actualPath.string() << "\n"
                  << "  difference: " << diffPath.string() << "\n"
                  << "  expected:   " << golden.string();
  }
}

// The window point where a scene point appears, with the matrices the last frame left (the
// modelview holds the camera transform), top row 0.
std::array<int, 2> Project(double x, double y, double z) {
  GLdouble model[16], proj[16];
  GLint viewport[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, model);
  glGetDoublev(GL_PROJECTION_MATRIX, proj);
  glGetIntegerv(GL_VIEWPORT, viewport);
  GLdouble wx = 0, wy = 0, wz = 0;
  gluProject(x, y, z, model, proj, viewport, &wx, &wy, &wz);
  return {static_cast<int>(std::lround(wx)), kHeight - 1 - static_cast<int>(std::lround(wy))};
}

// Index of the first call with this text at or after `from` in `calls`, or npos.
std::size_t FindIn(const std::vector<glrec::Call>& calls, const std::string& text,
                   std::size_t from = 0) {
  for (std::size_t i = from; i < calls.size(); ++i)
    if (calls[i].text == text) return i;
  return glrec::npos;
}

const std::uint8_t* Pixel(const Image& image, int x, int y) {
  return &image.rgba[(static_cast<std::size_t>(y) * image.width + x) * 4];
}

// Pixels of the square of half-size `r` around (x, y) whose colour is not a grey (channels more
// than 6 apart): a textured surface has many, an untextured one lit by white light none.
int Coloured(const Image& image, int x, int y, int r) {
  int count = 0;
  for (int py = y - r; py <= y + r; ++py) {
    for (int px = x - r; px <= x + r; ++px) {
      const std::uint8_t* p = Pixel(image, px, py);
      const int lo = std::min({p[0], p[1], p[2]}), hi = std::max({p[0], p[1], p[2]});
      if (hi - lo > 6) ++count;
    }
  }
  return count;
}

// Makes the main window's client area width x height (the headless frame is added around it).
void FitClientArea(int width, int height) {
  pf::RECT client{}, outer{};
  pf::GetClientRect(HWindow, &client);
  pf::GetWindowRect(HWindow, &outer);
  const int frameX = (outer.right - outer.left) - client.right;
  const int frameY = (outer.bottom - outer.top) - client.bottom;
  pf::MoveWindow(HWindow, outer.left, outer.top, width + frameX, height + frameY, true);
}

// ---------------------------------------------------------------------------------------------
// The shared demo window
// ---------------------------------------------------------------------------------------------
class Scene : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (HWindow != 0) return;
    ASSERT_TRUE(pf::Init(pf::Backend::Headless));
    hl::SetScreenSize(1024, 768);
    hl::AnswerMessageBoxes(pf::IDOK);
    FullScreen = false;
    OGLWindowSetting(ARROW, "", GENERIC, "");
    ASSERT_TRUE(CreateOGLWindow("Fogliame generico", kWidth, kHeight, 32, false));
    FitClientArea(kWidth, kHeight);
    pf::RECT client{};
    pf::GetClientRect(HWindow, &client);
    ASSERT_EQ(client.right, kWidth);
    ASSERT_EQ(client.bottom, kHeight);

    // The demo reads its pictures from the working directory.
    const fs::path here = fs::current_path();
    fs::current_path(kBinDir);
    glrec::Start();
    fogliame::SetUpDemo();
    glrec::Stop();
    fs::current_path(here);
    g_setUpCalls = glrec::Calls();
    glrec::Clear();
    g_setUpDraws = RandomDrawCount();
  }

  void SetUp() override {
    ASSERT_NE(HWindow, 0u);
    ASSERT_TRUE(Active);
    hl::ClearMessageBoxLog();
    PumpWithFrames();
    ResetCamera();
  }

  void TearDown() override {
    hl::InjectMouseButton(0, false);
    hl::InjectMouseButton(1, false);
    PumpWithFrames();
    ResetCamera();
  }

  // A real drag through the headless platform: press at `from` (client coordinates), move in
  // `steps` equal steps to `to`, release; a frame after every event, as in the demo's loop.
  static void DragWithFrames(int button, pf::POINT from, pf::POINT to, int steps) {
    const pf::POINT start = Screen(from.x, from.y);
    hl::InjectMouseMove(start.x, start.y);
    PumpWithFrames();
    hl::InjectMouseButton(button, true);
    PumpWithFrames();
    for (int i = 1; i <= steps; ++i) {
      const pf::POINT p =
          Screen(from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps);
      hl::InjectMouseMove(p.x, p.y);
      fogliame::RunFrame();
    }
    PumpWithFrames();
    hl::InjectMouseButton(button, false);
    PumpWithFrames();
  }
};

using Golden = Scene;

// ---- golden frames ----
TEST_F(Golden, FirstFrame) {
  ExpectMatchesGolden(Frame(), "first_frame");
  EXPECT_TRUE(hl::MessageBoxLog().empty());
}

TEST_F(Golden, AfterLeftAndRightDrag) {
  // Left: 40 pixels right and 15 down turn the scene by 40 degrees about y and 15 about x.
  DragWithFrames(0, {400, 300}, {440, 315}, 5);
  EXPECT_FLOAT_EQ(YRot, 40);
  EXPECT_FLOAT_EQ(XRot, 15);
  EXPECT_FLOAT_EQ(Depth, 0);
  // Right: 50 pixels down moves the camera 10 nearer.
  DragWithFrames(1, {400, 300}, {400, 350}, 4);
  EXPECT_FLOAT_EQ(Depth, -10);
  const Image dragged = Frame();
  ExpectMatchesGolden(dragged, "after_drags");

  // The same picture as the camera set directly: the drag went through the real path and
  // nothing else changed.
  ResetCamera();
  const Image still = Frame();
  EXPECT_GT(brevra::test::CompareImages(dragged, still, 0).differing, 10000u)
      << "the drags did not change the picture";
  XRot = XRot2 = 15;
  YRot = YRot2 = 40;
  Depth = Depth2 = -10;
  EXPECT_EQ(brevra::test::CompareImages(dragged, Frame(), 0).differing, 0u);
}

// ---- the one-time build ----
TEST_F(Scene, SetUpLoadsTexturesThenFoliageThenBush) {
  ASSERT_NE(CHIOMA, 0u);
  ASSERT_NE(CESPUGLIO, 0u);
  EXPECT_NE(CHIOMA, CESPUGLIO);
  EXPECT_EQ(glIsList(CHIOMA), GL_TRUE);
  EXPECT_EQ(glIsList(CESPUGLIO), GL_TRUE);
  EXPECT_NE(TextureID2[0], 0u);
  EXPECT_NE(TextureID2[1], 0u);
  EXPECT_NE(TextureTGA2[0].TexID, 0u);
  // Foliage (5 tufts, 3 draws each) and tree (303 draws) from the unseeded source.
  EXPECT_EQ(g_setUpDraws, 15u + 303u);

  std::vector<std::string> names;
  for (const auto& call : g_setUpCalls) names.push_back(call.name);
  auto first = [&](const std::string& name, std::size_t from = 0) {
    for (std::size_t i = from; i < names.size(); ++i)
      if (names[i] == name) return i;
    return glrec::npos;
  };
  // Projection, culling and light 0 (w = 0.1) come before the scene.
  const std::size_t light =
      FindIn(g_setUpCalls, "glLightfv(GL_LIGHT0, GL_POSITION, [0, 0, 0, 0.1])");
  ASSERT_NE(light, glrec::npos);
  const std::size_t cull = FindIn(g_setUpCalls, "glEnable(GL_CULL_FACE)");
  ASSERT_NE(cull, glrec::npos);
  EXPECT_LT(cull, light);

  // Three textures are made before any list.
  std::vector<std::size_t> textures;
  for (std::size_t i = 0; i < names.size(); ++i)
    if (names[i] == "glGenTextures") textures.push_back(i);
  ASSERT_EQ(textures.size(), 3u);
  EXPECT_LT(light, textures[0]);
  const std::size_t firstList = first("glNewList");
  ASSERT_NE(firstList, glrec::npos);
  EXPECT_LT(textures[2], firstList);

  // The first list recorded is the foliage; its tufts lie in the x-z plane; then the bush's
  // lists, the bush itself last.
  EXPECT_EQ(g_setUpCalls[firstList].args.at(0), CHIOMA);
  const std::size_t foliageEnd = first("glEndList", firstList);
  ASSERT_NE(foliageEnd, glrec::npos);
  int tufts = 0;
  for (std::size_t i = firstList; i < foliageEnd; ++i) {
    const glrec::Call& call = g_setUpCalls[i];
    if (call.name == "glTranslatef" && (call.args[0] != 0 || call.args[2] != 0)) {
      ++tufts;
      EXPECT_EQ(call.args[1], 0) << call.text;
    }
  }
  EXPECT_EQ(tufts, 5);
  std::size_t lastList = firstList;
  for (std::size_t i = foliageEnd; i < names.size(); ++i)
    if (names[i] == "glNewList") lastList = i;
  EXPECT_EQ(g_setUpCalls[lastList].args.at(0), CESPUGLIO);

  // The callbacks' commands went into the bush's lists: bark, leaf texture, foliage call.
  auto recordedAfterFoliage = [&](const std::string& text) {
    return FindIn(g_setUpCalls, text, foliageEnd) != glrec::npos;
  };
  EXPECT_TRUE(
      recordedAfterFoliage("glBindTexture(GL_TEXTURE_2D, " + std::to_string(TextureID2[1]) + ")"));
  EXPECT_TRUE(recordedAfterFoliage("glBindTexture(GL_TEXTURE_2D, " +
                                   std::to_string(TextureTGA2[0].TexID) + ")"));
  EXPECT_TRUE(recordedAfterFoliage("glCallList(" + std::to_string(CHIOMA) + ")"));
}

// ---- one frame's GL stream ----
TEST_F(Scene, FrameStream) {
  XRot = 15;
  YRot = 40;
  Depth = -10;
  std::vector<glrec::Call> calls;
  {
    glrec::Scope record;
    fogliame::DrawFrame();
    calls = glrec::Calls();
  }
  const std::string trace = glrec::TraceText();
  SCOPED_TRACE(trace);

  // One list call, for the whole bush, under its own matrix.
  ASSERT_EQ(glrec::Count("glCallList"), 1u);
  const std::size_t bush = glrec::Find("glCallList(" + std::to_string(CESPUGLIO) + ")");
  ASSERT_NE(bush, glrec::npos);
  ASSERT_GE(bush, 3u);
  EXPECT_EQ(calls[bush - 3].text, "glPushMatrix()");
  EXPECT_EQ(calls[bush - 2].text, "glTranslatef(0, 0, 0)");
  EXPECT_EQ(calls[bush - 1].text, "glScalef(5, 5, 5)");
  EXPECT_EQ(calls.at(bush + 1).text, "glPopMatrix()");
  EXPECT_EQ(bush + 2, calls.size()) << "the bush is the frame's last command";

  // The frame's steps in order: clear, projection set-up, fixed view, camera, light, marker,
  // floor.
  const std::vector<std::string> steps = {
      "glClear(GL_COLOR_BUFFER_BIT)",  // the loop's own clear
      "glClear(GL_DEPTH_BUFFER_BIT | GL_COLOR_BUFFER_BIT)",
      "glLoadIdentity()",
      "glOrtho(-2, 2, -1.5, 1.5, -2, 2)",  // the 2D mode, then the 3D mode again
      "gluPerspective(45, 1.3333333333333333, 0.1, 100)",
      "glTranslatef(0, -2, -30)",
      "glRotatef(35, 1, 0, 0)",
      "glTranslatef(0, 0, 10)",  // the mouse camera: -Depth, then XRot about x, YRot about y
      "glRotatef(15, 1, 0, 0)",
      "glRotatef(40, 0, 1, 0)",
      "glLightfv(GL_LIGHT0, GL_POSITION, [-10, 14.5, 5, 0.1])",
      "glDisable(GL_LIGHTING)",
      "glDisable(GL_TEXTURE_2D)",
      "glBegin(GL_TRIANGLE_STRIP)",  // the marker
      "glEnable(GL_TEXTURE_2D)",
      "glEnable(GL_LIGHTING)",
      "glBindTexture(GL_TEXTURE_2D, " + std::to_string(TextureID2[0]) + ")",
      "glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1)",
      "glDisable(GL_CULL_FACE)",
      "glBegin(GL_QUADS)",
      "glTexCoord2f(1, 1)",
      "glVertex3f(10, 0, -10)",  // P2
      "glTexCoord2f(0, 1)",
      "glVertex3f(-10, 0, -10)",  // P1
      "glTexCoord2f(0, 0)",
      "glVertex3f(-10, 0, 10)",  // P3
      "glTexCoord2f(1, 0)",
      "glVertex3f(10, 0, 10)",  // P4
      "glEnd()",
      "glEnable(GL_CULL_FACE)",
      "glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 0)",
      "glPushMatrix()",
  };
  std::size_t at = 0;
  for (const std::string& step : steps) {
    const std::size_t found = glrec::Find(step, at);
    ASSERT_NE(found, glrec::npos) << "missing, or out of order: " << step;
    at = found + 1;
  }
  // The floor quad is its normal (0, 1, 0) (the x may be a negative zero) and exactly those
  // eight commands.
  const std::size_t quad = glrec::Find("glBegin(GL_QUADS)");
  ASSERT_EQ(calls.at(quad + 1).name, "glNormal3f");
  EXPECT_EQ(calls[quad + 1].args, (std::vector<double>{0, 1, 0}));
  EXPECT_EQ(calls.at(quad + 10).text, "glEnd()");
  EXPECT_EQ(glrec::Count("glVertex3f"), 14u * 30u + 4u);

  // The marker: 14 strips of 30 vertices, all drawn with lighting and texturing off.
  const std::size_t unlit = glrec::Find("glDisable(GL_LIGHTING)");
  const std::size_t untextured = glrec::Find("glDisable(GL_TEXTURE_2D)", unlit);
  const std::size_t textured = glrec::Find("glEnable(GL_TEXTURE_2D)", untextured);
  ASSERT_NE(textured, glrec::npos);
  int strips = 0;
  for (std::size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].text != "glBegin(GL_TRIANGLE_STRIP)") continue;
    ++strips;
    EXPECT_GT(i, untextured);
    EXPECT_LT(i, textured);
  }
  EXPECT_EQ(strips, 14);
  for (std::size_t i = unlit; i < textured; ++i) {
    EXPECT_NE(calls[i].text, "glEnable(GL_LIGHTING)");
  }
}

TEST_F(Scene, LightStaysInTheSceneAndTheMarkerIsWhite) {
  const struct {
    float xRot, yRot, depth;
  } cameras[] = {{0, 0, 0}, {10, 30, 0}, {20, 50, 5}, {-20, 120, -8}, {30, 70, -6}};
  int markersSeen = 0;
  for (const auto& camera : cameras) {
    SCOPED_TRACE(::testing::Message()
                 << "camera " << camera.xRot << ", " << camera.yRot << ", " << camera.depth);
    XRot = camera.xRot;
    YRot = camera.yRot;
    Depth = camera.depth;
    const Image frame = Frame();
    // The frame leaves the camera transform in the modelview matrix; the light was placed
    // through it, so its eye position is that matrix times (-10, 14.5, 5, 0.1).
    GLfloat m[16], eye[4];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    glGetLightfv(GL_LIGHT0, GL_POSITION, eye);
    const float scene[4] = {-10, 14.5f, 5, 0.1f};
    for (int row = 0; row < 4; ++row) {
      float expected = 0;
      for (int col = 0; col < 4; ++col) expected += m[col * 4 + row] * scene[col];
      EXPECT_NEAR(eye[row], expected, 1e-3) << "component " << row;
    }
    // The marker shows pure white wherever it is on the screen.
    const auto [x, y] = Project(-10, 14.5, 5);
    if (x >= 2 && y >= 2 && x < kWidth - 2 && y < kHeight - 2) {
      const std::uint8_t* p = Pixel(frame, x, y);
      EXPECT_EQ(p[0] + p[1] + p[2], 3 * 255) << "marker at " << x << ", " << y;
      ++markersSeen;
    }
  }
  EXPECT_GE(markersSeen, 2);
}

TEST_F(Scene, FloorIsTexturedAcrossTheWholeSquare) {
  // The floor's texture coordinates run from 0 to 1 once (see FrameStream); here the picture
  // is seen on it: near all four corners and in the middle the stone's colours, not a flat grey.
  const Image frame = Frame();
  for (const auto& point : {std::array<double, 2>{-9, -9}, {9, -9}, {-9, 9}, {9, 9}, {3, 6}}) {
    const auto [x, y] = Project(point[0], 0, point[1]);
    SCOPED_TRACE(::testing::Message() << "floor point " << point[0] << ", " << point[1]
                                      << " at pixel " << x << ", " << y);
    ASSERT_TRUE(x >= 4 && y >= 4 && x < kWidth - 4 && y < kHeight - 4);
    EXPECT_GT(Coloured(frame, x, y, 3), 10);
  }
}

// ---- a missing or damaged picture ----
struct BrokenPicture {
  const char* name;
  const char* file;
  bool damaged;                // false: missing
  int boxes;                   // message boxes expected
  std::array<int, 2> surface;  // a point of the first frame on the surface that loses it
};

void PrintTo(const BrokenPicture& c, std::ostream* os) { *os << c.name; }

class Broken : public ::testing::TestWithParam<BrokenPicture> {};

std::string ReadText(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST_P(Broken, TheDemoRunsAndDrawsWithoutThatTexture) {
  const BrokenPicture& c = GetParam();
  const fs::path dir = kOutputDir / (std::string("broken-") + c.name);
  fs::remove_all(dir);
  fs::create_directories(dir);
  for (const char* file : {"Floor04.bmp", "corteccia02.bmp", "acacia.tga"}) {
    if (std::string(file) != c.file) fs::copy_file(kBinDir / file, dir / file);
  }
  if (c.damaged) {
    // The header survives, the pixels are cut off.
    std::ifstream in(kBinDir / c.file, std::ios::binary);
    std::vector<char> bytes(60);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    std::ofstream(dir / c.file, std::ios::binary).write(bytes.data(), in.gcount());
  }
  const std::string command =
      "cd '" + dir.string() + "' && '" FOGLIAME_SNAPSHOT "' --out frame.png 2> stderr.txt";
  ASSERT_EQ(std::system(command.c_str()), 0) << ReadText(dir / "stderr.txt");

  const std::string err = ReadText(dir / "stderr.txt");
  int boxes = 0;
  for (std::size_t at = err.find("message box"); at != std::string::npos;
       at = err.find("message box", at + 1)) {
    ++boxes;
  }
  EXPECT_EQ(boxes, c.boxes) << err;
  if (c.boxes > 0) {
    EXPECT_NE(err.find("\"ERROR\": Could not read image data"), std::string::npos) << err;
  }

  Image frame, whole;
  std::string error;
  ASSERT_TRUE(brevra::test::ReadPngFile((dir / "frame.png").string(), frame, &error)) << error;
  ASSERT_TRUE(brevra::test::ReadPngFile((kGoldenDir / "first_frame.png").string(), whole, &error))
      << error;
  // The scene is drawn (it differs from the whole scene only where that texture was).
  const auto diff = brevra::test::CompareImages(frame, whole, kTolerance);
  ASSERT_TRUE(diff.sameSize);
  EXPECT_GT(diff.differing, 100u);
  EXPECT_LT(diff.Fraction(), 0.5);
  // Where the texture was, the surface is an untextured grey; in the whole scene it is not.
  const auto [x, y] = c.surface;
  EXPECT_GT(Coloured(whole, x, y, 3), 10);
  EXPECT_EQ(Coloured(frame, x, y, 3), 0);
}

const BrokenPicture kBroken[] = {
    {"floor_missing", "Floor04.bmp", false, 0, {200, 480}},
    {"floor_damaged", "Floor04.bmp", true, 0, {200, 480}},
    {"bark_missing", "corteccia02.bmp", false, 0, {400, 300}},
    {"bark_damaged", "corteccia02.bmp", true, 0, {400, 300}},
    {"leaf_missing", "acacia.tga", false, 0, {400, 100}},
    {"leaf_damaged", "acacia.tga", true, 1, {400, 100}},
};
INSTANTIATE_TEST_SUITE_P(Pictures, Broken, ::testing::ValuesIn(kBroken),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
