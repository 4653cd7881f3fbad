// The texture slots on real GL: texels read back with glGetTexImage, parameters read back with
// glGetTexParameter, the call streams through the recording layer, slot numbering and ranges.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "brevra/platform/headless.h"
#include "brevra/platform/platform.h"
#include "brevra/textures/textures.h"
#include "tests/support/gl_context.h"
#include "tests/support/glrecord.h"
#include "tests/textures/fixtures.h"

namespace {

namespace platform = brevra::platform;
namespace headless = brevra::platform::headless;
namespace glrec = brevra::test::glrec;
using brevra::test::Bmp;
using brevra::test::BmpSpec;
using brevra::test::Bytes;
using brevra::test::Tga;
using brevra::test::WriteFile;

class Slots : public brevra::test::GLTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(platform::Init(platform::Backend::Headless));
    headless::AnswerMessageBoxes(platform::IDOK);
    headless::ClearMessageBoxLog();
    GLTest::SetUp();
    brevra::GL_MIN_FILTER = GL_LINEAR;
    brevra::GL_MAG_FILTER = GL_LINEAR;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  }
  void TearDown() override {
    glrec::Stop();
    platform::Shutdown();
  }
};

GLint Bound() {
  GLint name = -1;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
  return name;
}

GLint LevelWidth(int level) {
  GLint w = -1;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &w);
  return w;
}

Bytes TexImage(GLenum format, int width, int height, int components) {
  Bytes out(static_cast<std::size_t>(width) * height * components);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, out.data());
  return out;
}

GLint Param(GLenum pname) {
  GLint v = -1;
  glGetTexParameteriv(GL_TEXTURE_2D, pname, &v);
  return v;
}

std::vector<std::string> Names() {
  std::vector<std::string> names;
  for (const auto& c : glrec::Calls()) names.push_back(c.name);
  return names;
}

// A 24-bit bitmap whose first stored row is blue 10, green 20, red 30 and whose other rows are
// blue 40, green 50, red 60 (rows padded to 4 bytes).
std::string Bmp24(const std::string& name, int w, int h) {
  BmpSpec s;
  s.width = w;
  s.height = h;
  s.bpp = 24;
  const int stride = (w * 3 + 3) / 4 * 4;
  for (int y = 0; y < h; ++y) {
    Bytes row;
    for (int x = 0; x < w; ++x) {
      if (y == 0) {
        brevra::test::Append(row, {10, 20, 30});
      } else {
        brevra::test::Append(row, {40, 50, 60});
      }
    }
    row.resize(stride, 0xEE);
    brevra::test::Append(s.pixels, row);
  }
  return WriteFile(name, Bmp(s));
}

Bytes Expected24(int w, int h) {
  Bytes e;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (y == 0) {
        brevra::test::Append(e, {30, 20, 10});
      } else {
        brevra::test::Append(e, {60, 50, 40});
      }
    }
  }
  return e;
}

Bytes Bgra2x2() { return {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}; }

std::string Bmp32(const std::string& name) {
  BmpSpec s;
  s.width = 2;
  s.height = 2;
  s.bpp = 32;
  s.pixels = Bgra2x2();
  return WriteFile(name, Bmp(s));
}

// =============================================================================================
// BMP slots
// =============================================================================================
TEST_F(Slots, Bmp24TexelsAreRedGreenBlueWithTheFirstStoredRowAsRow0) {
  brevra::TextureLoadID(Bmp24("a.bmp", 4, 4).c_str(), 0);
  EXPECT_NE(brevra::TextureID2[0], 0u);
  EXPECT_EQ(Bound(), static_cast<GLint>(brevra::TextureID2[0]));
  EXPECT_EQ(TexImage(GL_RGB, 4, 4, 3), Expected24(4, 4));
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_TRUE(headless::MessageBoxLog().empty());
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Slots, Bmp24WidthsThatAreNotAMultipleOf4ConvertRowByRow) {
  for (int w : {1, 2, 3, 5, 7}) {
    brevra::TextureLoadID(Bmp24("odd.bmp", w, 3).c_str(), 1);
    EXPECT_EQ(TexImage(GL_RGB, w, 3, 3), Expected24(w, 3)) << "width " << w;
  }
}

TEST_F(Slots, Bmp32UploadsItsPixelsUnchangedAsBgra) {
  brevra::TextureLoadID(Bmp32("b.bmp").c_str(), 2);
  EXPECT_EQ(TexImage(GL_BGRA, 2, 2, 4), Bgra2x2());
  GLint internal = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &internal);
  EXPECT_EQ(internal, GL_RGBA);
}

TEST_F(Slots, BmpLoadCallsInTheirOrder) {
  const std::string path = Bmp24("order.bmp", 4, 2);
  glrec::Start();
  brevra::TextureLoadID(path.c_str(), 3);
  glrec::Stop();
  EXPECT_EQ(Names(), (std::vector<std::string>{
                         "glEnable", "glGenTextures", "glBindTexture", "glPixelStorei",
                         "glPixelStorei", "glPixelStorei", "glPixelStorei", "glTexParameteri",
                         "glTexParameteri", "glTexParameteri", "glTexParameteri", "glTexImage2D"}))
      << glrec::TraceText();
  const auto& c = glrec::Calls();
  EXPECT_EQ(c[0].text, "glEnable(GL_TEXTURE_2D)");
  EXPECT_EQ(c[1].args, (std::vector<double>{1}));
  EXPECT_EQ(c[2].args, (std::vector<double>{GL_TEXTURE_2D, double(brevra::TextureID2[3])}));
  EXPECT_EQ(c[3].args, (std::vector<double>{GL_UNPACK_ALIGNMENT, 4}));
  EXPECT_EQ(c[4].args, (std::vector<double>{GL_UNPACK_ROW_LENGTH, 0}));
  EXPECT_EQ(c[5].args, (std::vector<double>{GL_UNPACK_SKIP_ROWS, 0}));
  EXPECT_EQ(c[6].args, (std::vector<double>{GL_UNPACK_SKIP_PIXELS, 0}));
  EXPECT_EQ(c[7].args, (std::vector<double>{GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR}));
  EXPECT_EQ(c[8].args, (std::vector<double>{GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR}));
  EXPECT_EQ(c[9].args, (std::vector<double>{GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT}));
  EXPECT_EQ(c[10].args, (std::vector<double>{GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT}));
  const auto& up = c[11].args;
  ASSERT_GE(up.size(), 8u);
  EXPECT_EQ(std::vector<double>(up.begin(), up.begin() + 8),
            (std::vector<double>{GL_TEXTURE_2D, 0, 3, 4, 2, 0, GL_RGB, GL_UNSIGNED_BYTE}));
}

// Files that cannot be used: the slot gets a fresh, bound name with parameters and no image; no
// message; a damaged 24-bit file touches and uploads no pixels.
TEST_F(Slots, UnusableBmpsLeaveANamedSlotWithoutAnImage) {
  BmpSpec eight;
  eight.width = 2;
  eight.height = 2;
  eight.bpp = 8;
  eight.colors.assign(16, 0x808080);
  eight.clrUsed = 16;
  eight.pixels = Bytes(8, 1);
  Bytes core = Bmp(BmpSpec{});
  core[14] = 12;
  Bytes damaged = brevra::test::Bmp([] {
    BmpSpec s;
    s.width = 4;
    s.height = 4;
    s.pixels = Bytes(48, 7);
    return s;
  }());
  damaged.resize(damaged.size() - 5);
  const std::string files[] = {WriteFile("eight.bmp", Bmp(eight)), brevra::test::MissingFile(),
                               WriteFile("core.bmp", core), WriteFile("damaged.bmp", damaged),
                               WriteFile("short.bmp", {'B', 'M', 1, 2, 3})};
  brevra::GL_MIN_FILTER = GL_LINEAR_MIPMAP_LINEAR;
  std::uint32_t previous = 0;
  for (const std::string& f : files) {
    glrec::Start();
    brevra::TextureLoadID(f.c_str(), 4);
    glrec::Stop();
    EXPECT_NE(brevra::TextureID2[4], 0u) << f;
    EXPECT_NE(brevra::TextureID2[4], previous) << f;
    previous = brevra::TextureID2[4];
    EXPECT_EQ(Bound(), static_cast<GLint>(brevra::TextureID2[4]));
    EXPECT_EQ(glrec::Count("glTexImage2D"), 0u) << f;
    EXPECT_EQ(glrec::Count("gluBuild2DMipmaps"), 0u) << f;
    EXPECT_EQ(glrec::Count("glTexParameteri"), 4u) << f;
    EXPECT_EQ(glrec::Count("glPixelStorei"), 4u) << f;
    EXPECT_EQ(LevelWidth(0), 0) << f;
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  }
  EXPECT_TRUE(headless::MessageBoxLog().empty());
}

TEST_F(Slots, GetBMPDepthReadsTheInfoHeader) {
  EXPECT_EQ(brevra::GetBMPDepth(Bmp24("d24.bmp", 1, 1).c_str()), 24);
  EXPECT_EQ(brevra::GetBMPDepth(Bmp32("d32.bmp").c_str()), 32);
  EXPECT_EQ(brevra::GetBMPDepth(brevra::test::MissingFile().c_str()), 0);
  Bytes file = Bmp(BmpSpec{});
  EXPECT_EQ(
      brevra::GetBMPDepth(WriteFile("d53.bmp", Bytes(file.begin(), file.begin() + 53)).c_str()), 0);
  EXPECT_EQ(
      brevra::GetBMPDepth(WriteFile("d54.bmp", Bytes(file.begin(), file.begin() + 54)).c_str()),
      24);
}

// =============================================================================================
// TGA slots
// =============================================================================================
TEST_F(Slots, Tga24OfWidth3ArrivesIntactAndTheAlignmentIsPutBack) {
  Bytes data;
  for (int i = 0; i < 3 * 2 * 3; ++i) data.push_back(static_cast<std::uint8_t>(10 + i));
  const std::string path = WriteFile("w3.tga", Tga(2, 3, 2, 24, data));
  for (GLint previous : {4, 2, 8}) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, previous);
    glrec::Start();
    brevra::TextureLoadTGAID(path, 0);
    glrec::Stop();
    Bytes expect = data;
    for (std::size_t i = 0; i < expect.size(); i += 3) std::swap(expect[i], expect[i + 2]);
    EXPECT_EQ(TexImage(GL_RGB, 3, 2, 3), expect) << "alignment " << previous;
    GLint now = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &now);
    EXPECT_EQ(now, previous);
    const auto stores = glrec::Named("glPixelStorei");
    ASSERT_EQ(stores.size(), 2u) << glrec::TraceText();
    EXPECT_EQ(stores[0].args, (std::vector<double>{GL_UNPACK_ALIGNMENT, 1}));
    EXPECT_EQ(stores[1].args, (std::vector<double>{GL_UNPACK_ALIGNMENT, double(previous)}));
  }
}

TEST_F(Slots, TgaLoadCallsInTheirOrderAndThePixelsAreReleased) {
  const std::string path = WriteFile("t32.tga", Tga(2, 2, 1, 32, {1, 2, 3, 4, 5, 6, 7, 8}));
  glrec::Start();
  brevra::TextureLoadTGAID(path, 5);
  glrec::Stop();
  EXPECT_EQ(Names(), (std::vector<std::string>{"glEnable", "glGenTextures", "glBindTexture",
                                               "glTexImage2D", "glTexParameteri", "glTexParameteri",
                                               "glTexParameteri", "glTexParameteri"}))
      << glrec::TraceText();
  const auto& up = glrec::Calls()[3].args;
  EXPECT_EQ(std::vector<double>(up.begin(), up.begin() + 8),
            (std::vector<double>{GL_TEXTURE_2D, 0, 4, 2, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE}));
  const brevra::TGATexture& t = brevra::TextureTGA2[5];
  EXPECT_EQ(t.ImageData, nullptr);
  EXPECT_EQ(t.Bpp, 32u);
  EXPECT_EQ(t.Width, 2u);
  EXPECT_EQ(t.Height, 1u);
  EXPECT_EQ(t.Typ, static_cast<std::uint32_t>(GL_RGBA));
  EXPECT_NE(t.TexID, 0u);
  EXPECT_EQ(Bound(), static_cast<GLint>(t.TexID));
  EXPECT_EQ(TexImage(GL_RGBA, 2, 1, 4), (Bytes{3, 2, 1, 4, 7, 6, 5, 8}));
}

TEST_F(Slots, MissingTgaDoesNothingAndShowsNothing) {
  brevra::TextureTGA2[7].TexID = 99;
  glrec::Start();
  brevra::TextureLoadTGAID(brevra::test::MissingFile(), 7);
  brevra::TextureLoadTGAID(brevra::test::MissingFile(), 201);  // the existence test comes first
  glrec::Stop();
  EXPECT_TRUE(glrec::Calls().empty()) << glrec::TraceText();
  EXPECT_TRUE(headless::MessageBoxLog().empty());
  EXPECT_EQ(brevra::TextureTGA2[7].TexID, 99u);
}

TEST_F(Slots, BadTgaShowsOneMessageAndKeepsTheTextureName) {
  brevra::TextureTGA2[8].TexID = 99;
  const std::string path = WriteFile("t16.tga", Tga(2, 2, 1, 16, {1, 2, 3, 4}));
  glrec::Start();
  brevra::TextureLoadTGAID(path, 8);
  glrec::Stop();
  EXPECT_TRUE(glrec::Calls().empty()) << glrec::TraceText();
  ASSERT_EQ(headless::MessageBoxLog().size(), 1u);
  EXPECT_EQ(headless::MessageBoxLog()[0].text, "Invalid texture information");
  EXPECT_EQ(headless::MessageBoxLog()[0].caption, "ERROR");
  EXPECT_EQ(brevra::TextureTGA2[8].TexID, 99u);
  EXPECT_EQ(brevra::TextureTGA2[8].Bpp, 16u) << "fields written before the failure stay";
  EXPECT_EQ(brevra::TextureTGA2[8].ImageData, nullptr);
}

// =============================================================================================
// Filters, wrapping and mipmaps
// =============================================================================================
TEST_F(Slots, InitialFiltersAreLinearWithRepeatAndNoMipmaps) {
  EXPECT_EQ(brevra::GL_MIN_FILTER, GL_LINEAR);
  EXPECT_EQ(brevra::GL_MAG_FILTER, GL_LINEAR);
  glrec::Start();
  brevra::TextureLoadID(Bmp24("f.bmp", 4, 4).c_str(), 0);
  brevra::TextureLoadTGAID(WriteFile("f.tga", Tga(2, 1, 1, 24, {1, 2, 3})), 0);
  glrec::Stop();
  EXPECT_EQ(glrec::Count("gluBuild2DMipmaps"), 0u);
  for (auto select :
       {+[] { brevra::TextureSelectID(0); }, +[] { brevra::TextureTGASelectID(0); }}) {
    select();
    EXPECT_EQ(Param(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(Param(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(Param(GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(Param(GL_TEXTURE_WRAP_T), GL_REPEAT);
    EXPECT_EQ(LevelWidth(1), 0);
  }
}

TEST_F(Slots, NearestFiltersApplyWithoutMipmaps) {
  brevra::GL_MIN_FILTER = GL_NEAREST;
  brevra::GL_MAG_FILTER = GL_NEAREST;
  glrec::Start();
  brevra::TextureLoadID(Bmp32("n.bmp").c_str(), 0);
  glrec::Stop();
  EXPECT_EQ(glrec::Count("gluBuild2DMipmaps"), 0u);
  EXPECT_EQ(Param(GL_TEXTURE_MIN_FILTER), GL_NEAREST);
  EXPECT_EQ(Param(GL_TEXTURE_MAG_FILTER), GL_NEAREST);
  // Changing the filters later affects later loads only.
  brevra::GL_MIN_FILTER = GL_LINEAR;
  brevra::TextureSelectID(0);
  EXPECT_EQ(Param(GL_TEXTURE_MIN_FILTER), GL_NEAREST);
}

TEST_F(Slots, EveryMipmapFilterBuildsTheChainAfterLevel0) {
  const std::string bmp24 = Bmp24("m24.bmp", 4, 4);
  const std::string bmp32 = Bmp32("m32.bmp");
  const std::string tga32 = WriteFile("m32.tga", Tga(10, 4, 2, 32, {0x87, 1, 2, 3, 4}));
  const std::string tga24 = WriteFile("m24.tga", Tga(10, 3, 3, 24, {0x88, 1, 2, 3}));
  for (GLint filter : {GL_NEAREST_MIPMAP_NEAREST, GL_LINEAR_MIPMAP_NEAREST,
                       GL_NEAREST_MIPMAP_LINEAR, GL_LINEAR_MIPMAP_LINEAR}) {
    brevra::GL_MIN_FILTER = filter;
    struct Load {
      std::function<void()> run;
      std::vector<double> mip;  // target, components, width, height, format, type
    };
    const Load loads[] = {
        {[&] { brevra::TextureLoadID(bmp24.c_str(), 10); },
         {GL_TEXTURE_2D, 3, 4, 4, GL_RGB, GL_UNSIGNED_BYTE}},
        {[&] { brevra::TextureLoadID(bmp32.c_str(), 11); },
         {GL_TEXTURE_2D, 4, 2, 2, GL_BGRA, GL_UNSIGNED_BYTE}},
        {[&] { brevra::TextureLoadTGAID(tga32, 12); },
         {GL_TEXTURE_2D, 4, 4, 2, GL_RGBA, GL_UNSIGNED_BYTE}},
        {[&] { brevra::TextureLoadTGAID(tga24, 13); },
         {GL_TEXTURE_2D, 3, 3, 3, GL_RGB, GL_UNSIGNED_BYTE}},
    };
    for (const Load& load : loads) {
      glrec::Start();
      load.run();
      glrec::Stop();
      const auto names = Names();
      const auto up = std::find(names.begin(), names.end(), "glTexImage2D");
      const auto mip = std::find(names.begin(), names.end(), "gluBuild2DMipmaps");
      ASSERT_NE(mip, names.end()) << glrec::TraceText();
      EXPECT_LT(up - names.begin(), mip - names.begin()) << "level 0 first";
      EXPECT_EQ(glrec::Count("gluBuild2DMipmaps"), 1u);
      const std::vector<double> args = glrec::Named("gluBuild2DMipmaps")[0].args;
      EXPECT_EQ(std::vector<double>(args.begin(), args.begin() + 6), load.mip)
          << glrec::TraceText();
      EXPECT_EQ(Param(GL_TEXTURE_MIN_FILTER), filter);
      EXPECT_GT(LevelWidth(1), 0) << "the chain exists";
      EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
  }
}

// Mipmaps of narrow RGB pictures, BMP (rows padded to 4 bytes, top-down and bottom-up) and TGA
// (rows without gaps). A fuzz finding: the mipmap builder read past the end of a 2 x 15
// top-down picture's pixels and crashed; it now gets a copy with slack (tools/memcheck-style
// runs under valgrind show no invalid read). Every level exists and no GL error is left.
TEST_F(Slots, MipmapsOfNarrowRgbPicturesWithPaddedRows) {
  brevra::GL_MIN_FILTER = GL_LINEAR_MIPMAP_LINEAR;
  for (const int w : {1, 2, 3, 5}) {
    for (const int h : {1, 2, 3, 15, 16, 17, -15, -31}) {
      SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
      BmpSpec s;
      s.width = w;
      s.height = h;
      s.bpp = 24;
      const std::size_t stride = (static_cast<std::size_t>(w) * 3 + 3) / 4 * 4;
      s.pixels.assign(stride * static_cast<std::size_t>(h < 0 ? -h : h), 0x5A);
      const bool chain = w > 1 || h > 1 || h < -1;  // a 1 x 1 picture has only level 0
      brevra::TextureLoadID(WriteFile("narrow.bmp", Bmp(s)).c_str(), 6);
      EXPECT_EQ(LevelWidth(1) > 0, chain);
      EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
      glDeleteTextures(1, &brevra::TextureID2[6]);
      // The same picture as a TGA (rows without padding).
      const int rows = h < 0 ? -h : h;
      brevra::TextureLoadTGAID(
          WriteFile("narrow.tga",
                    Tga(2, static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(rows), 24,
                        Bytes(static_cast<std::size_t>(w) * rows * 3, 0x5A))),
          7);
      EXPECT_EQ(LevelWidth(1) > 0, chain);
      EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
      glDeleteTextures(1, &brevra::TextureTGA2[7].TexID);
    }
  }
}

TEST_F(Slots, AddMipmapsTextureIgnoresOtherFormats) {
  Bytes px(64, 1);
  glrec::Start();
  brevra::AddMipmapsTexture(8, 4, 4, px.data());
  brevra::AddMipmapsTexture(16, 4, 4, px.data());
  glrec::Stop();
  EXPECT_TRUE(glrec::Calls().empty());
}

// =============================================================================================
// Numbering
// =============================================================================================
TEST_F(Slots, BmpAndTgaSlotsAreSeparateTextures) {
  brevra::TextureLoadID(Bmp24("s.bmp", 4, 4).c_str(), 0);
  brevra::TextureLoadTGAID(WriteFile("s.tga", Tga(2, 1, 1, 32, {1, 2, 3, 4})), 0);
  ASSERT_NE(brevra::TextureID2[0], 0u);
  ASSERT_NE(brevra::TextureTGA2[0].TexID, 0u);
  EXPECT_NE(brevra::TextureID2[0], brevra::TextureTGA2[0].TexID);
  brevra::TextureSelectID(0);
  EXPECT_EQ(Bound(), static_cast<GLint>(brevra::TextureID2[0]));
  brevra::TextureTGASelectID(0);
  EXPECT_EQ(Bound(), static_cast<GLint>(brevra::TextureTGA2[0].TexID));
  brevra::TextureSelectID(9);
  EXPECT_EQ(Bound(), 0) << "a slot never loaded binds name 0";
  brevra::TextureTGASelectID(9);
  EXPECT_EQ(Bound(), 0);
}

TEST_F(Slots, ReloadingASlotKeepsTheNewName) {
  const std::string bmp = Bmp24("r.bmp", 4, 4);
  const std::string tga = WriteFile("r.tga", Tga(2, 1, 1, 24, {1, 2, 3}));
  brevra::TextureLoadID(bmp.c_str(), 6);
  const std::uint32_t first = brevra::TextureID2[6];
  brevra::TextureLoadID(bmp.c_str(), 6);
  EXPECT_NE(brevra::TextureID2[6], first);
  EXPECT_TRUE(glIsTexture(first)) << "the earlier texture stays in GL";
  brevra::TextureLoadTGAID(tga, 6);
  const std::uint32_t firstTga = brevra::TextureTGA2[6].TexID;
  brevra::TextureLoadTGAID(tga, 6);
  EXPECT_NE(brevra::TextureTGA2[6].TexID, firstTga);
}

TEST_F(Slots, SlotRangesAre0To500And0To200) {
  const std::string bmp = Bmp24("x.bmp", 4, 4);
  const std::string tga = WriteFile("x.tga", Tga(2, 1, 1, 24, {1, 2, 3}));
  const std::size_t objects = headless::LiveObjectCount();
  brevra::TextureLoadID(bmp.c_str(), 500);
  EXPECT_NE(brevra::TextureID2[500], 0u);
  brevra::TextureLoadTGAID(tga, 200);
  EXPECT_NE(brevra::TextureTGA2[200].TexID, 0u);
  EXPECT_NO_THROW(brevra::TextureSelectID(500));
  EXPECT_NO_THROW(brevra::TextureTGASelectID(200));

  for (int bad : {501, -1}) {
    glrec::Start();
    EXPECT_THROW(brevra::TextureLoadID(bmp.c_str(), bad), std::out_of_range);
    glrec::Stop();
    // After the bitmap and glEnable, before any texture name.
    EXPECT_EQ(Names(), (std::vector<std::string>{"glEnable"})) << glrec::TraceText();
    glrec::Start();
    EXPECT_THROW(brevra::TextureSelectID(bad), std::out_of_range);
    glrec::Stop();
    EXPECT_TRUE(glrec::Calls().empty());
  }
  for (int bad : {201, -1}) {
    glrec::Start();
    EXPECT_THROW(brevra::TextureLoadTGAID(tga, bad), std::out_of_range);
    EXPECT_THROW(brevra::TextureTGASelectID(bad), std::out_of_range);
    glrec::Stop();
    EXPECT_TRUE(glrec::Calls().empty());
  }
  EXPECT_TRUE(headless::MessageBoxLog().empty()) << "the TGA file was not read";
  EXPECT_EQ(headless::LiveObjectCount(), objects)
      << "the bitmap object was released on the way out";
}

TEST_F(Slots, TextureOnAndOff) {
  brevra::TextureOn();
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  brevra::TextureOff();
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

TEST(SwapRGB, ExchangesFirstAndThirdByteOfEachGroup) {
  Bytes b = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  brevra::SwapRGB(b.data(), 3);
  EXPECT_EQ(b, (Bytes{3, 2, 1, 6, 5, 4, 9, 8, 7, 10}));
  brevra::SwapRGB(b.data(), 0);
  brevra::SwapRGB(b.data(), -4);
  EXPECT_EQ(b, (Bytes{3, 2, 1, 6, 5, 4, 9, 8, 7, 10}));
}

}  // namespace
