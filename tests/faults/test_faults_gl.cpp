// Fault tests of the texture slots on real OpenGL: the damaged files of test_faults_files given
// to TextureLoadTGAID and TextureLoadID. A TGA slot keeps its texture name and shows exactly one
// of the reader's messages (or nothing for a missing file); a BMP slot always receives a fresh,
// bound texture name without an image, silently. No GL error is left behind and no texture
// memory is left unreleased.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "brevra/platform/headless.h"
#include "brevra/platform/platform.h"
#include "brevra/textures/textures.h"
#include "tests/support/temp_dir.h"
#include "tests/support/gl_context.h"

namespace {

namespace fs = std::filesystem;
namespace pf = brevra::platform;
namespace hl = brevra::platform::headless;
using Bytes = std::vector<std::uint8_t>;

Bytes Tga(std::uint8_t type, std::uint32_t width, std::uint32_t height, std::uint8_t depth,
          const Bytes& data) {
  Bytes b = {0,
             0,
             type,
             0,
             0,
             0,
             0,
             0,
             0,
             0,
             0,
             0,
             static_cast<std::uint8_t>(width),
             static_cast<std::uint8_t>(width >> 8),
             static_cast<std::uint8_t>(height),
             static_cast<std::uint8_t>(height >> 8),
             depth,
             0};
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

Bytes Bmp24(std::uint32_t width, std::uint32_t height, const Bytes& pixels) {
  Bytes b = {'B', 'M'};
  auto put = [&b](std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  put(54 + static_cast<std::uint32_t>(pixels.size()), 4);
  put(0, 4);
  put(54, 4);
  put(40, 4);
  put(width, 4);
  put(height, 4);
  put(1, 2);
  put(24, 2);
  put(0, 4);
  put(static_cast<std::uint32_t>(pixels.size()), 4);
  b.insert(b.end(), 16, 0);  // resolutions and colour counts
  b.insert(b.end(), pixels.begin(), pixels.end());
  return b;
}

class FaultSlots : public brevra::test::GLTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pf::Init(pf::Backend::Headless));
    hl::AnswerMessageBoxes(pf::IDOK);
    GLTest::SetUp();
    ASSERT_FALSE(temp_.path().empty());
    dir_ = temp_.path();
  }
  void TearDown() override { pf::Shutdown(); }
  std::string Write(const std::string& name, const Bytes& bytes) {
    return temp_.Write(name, bytes);
  }

  // Loads `path` into TGA slot 4, which holds name 77 before: the name must stay, and exactly
  // `messages` boxes be shown.
  void ExpectTgaSlotUnchanged(const std::string& path, std::size_t messages) {
    brevra::TextureTGA2[4].TexID = 77;
    hl::ClearMessageBoxLog();
    brevra::TextureLoadTGAID(path, 4);
    EXPECT_EQ(brevra::TextureTGA2[4].TexID, 77u);
    EXPECT_EQ(brevra::TextureTGA2[4].ImageData, nullptr);
    EXPECT_EQ(hl::MessageBoxLog().size(), messages);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  }

  // Loads `path` into BMP slot 9: a fresh bound name with an empty level 0, no message.
  void ExpectBmpSlotEmptyTexture(const std::string& path) {
    brevra::TextureID2[9] = 0;
    hl::ClearMessageBoxLog();
    brevra::TextureLoadID(path.c_str(), 9);
    const GLuint name = brevra::TextureID2[9];
    EXPECT_NE(name, 0u);
    GLint bound = 0, width = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(static_cast<GLuint>(bound), name);
    EXPECT_EQ(width, 0) << "no image may have been uploaded";
    EXPECT_TRUE(hl::MessageBoxLog().empty());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glDeleteTextures(1, &name);
  }

  brevra::test::TempDir temp_{"brevra-faults-gl"};
  fs::path dir_;
};

TEST_F(FaultSlots, MissingEmptyDirectoryAndAbsurdFilesLeaveTgaSlotsAndGiveBmpSlotsNoImage) {
  fs::create_directory(dir_ / "folder");
  struct Case {
    const char* name;
    std::string path;
    std::size_t tgaMessages;  // a missing file (or a directory, which is no file) is silent
  };
  const Case cases[] = {
      {"missing", (dir_ / "nothing").string(), 0},
      {"directory", (dir_ / "folder").string(), 0},
      {"empty", Write("empty", {}), 1},
      {"65535 x 65535 TGA header", Write("huge.tga", Tga(2, 65535, 65535, 32, {})), 1},
      {"40000 x 25000 TGA, 1 KiB", Write("big.tga", Tga(10, 40000, 25000, 32, Bytes(1024, 0xFF))),
       1},
      {"BMP of 2^31 - 1 square", Write("huge.bmp", Bmp24(0x7FFFFFFF, 0x7FFFFFFF, {})), 1},
      {"BMP of 20000 x 20000, no pixels", Write("big.bmp", Bmp24(20000, 20000, {1, 2, 3})), 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectTgaSlotUnchanged(c.path, c.tgaMessages);
    ExpectBmpSlotEmptyTexture(c.path);
  }
}

TEST_F(FaultSlots, TruncatedFilesAtEveryByteNeverReachTheUpload) {
  Bytes rle;
  for (int i = 0; i < 3; ++i) {
    rle.push_back(0x82);  // a run of 3
    rle.insert(rle.end(), {10, 20, 30, 40});
  }
  const Bytes tgaFiles[] = {Tga(2, 3, 3, 24, Bytes(27, 9)), Tga(10, 3, 3, 32, rle)};
  for (const Bytes& file : tgaFiles) {
    for (std::size_t n = 0; n < file.size(); ++n) {
      SCOPED_TRACE("TGA cut after " + std::to_string(n) + " bytes");
      ExpectTgaSlotUnchanged(Write("cut.tga", Bytes(file.begin(), file.begin() + n)), 1);
      if (HasFailure()) return;
    }
  }
  const Bytes bmp = Bmp24(4, 2, Bytes(24, 0x30));
  for (std::size_t n = 0; n < bmp.size(); ++n) {
    SCOPED_TRACE("BMP cut after " + std::to_string(n) + " bytes");
    ExpectBmpSlotEmptyTexture(Write("cut.bmp", Bytes(bmp.begin(), bmp.begin() + n)));
    if (HasFailure()) return;
  }
}

}  // namespace
