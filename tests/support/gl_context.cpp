// Test support: a current OpenGL context without windows. See gl_context.h.
#include "tests/support/gl_context.h"

#include <GL/gl.h>  // Required for: glReadPixels, glGetError

#include <cstdio>
#include <map>
#include <memory>

#include "brevra/platform/egl_pbuffer.h"
#include "tools/png_write.h"

namespace brevra::test {

bool MakeGLCurrent(int width, int height, std::string* error) {
  // Never destroyed: tearing an llvmpipe context down during static destruction makes the
  // driver compile pending work after its own statics are gone, and the process hangs at exit.
  // The contexts end with the process instead.
  static auto& buffers =
      *new std::map<std::pair<int, int>, std::unique_ptr<platform::egl::Pbuffer>>();
  auto& slot = buffers[{width, height}];
  if (!slot) {
    slot = std::make_unique<platform::egl::Pbuffer>();
    if (!slot->create(width, height)) {
      if (error) *error = platform::egl::LastError();
      slot.reset();
      return false;
    }
  }
  if (!slot->makeCurrent()) {
    if (error) *error = platform::egl::LastError();
    return false;
  }
  return true;
}

void GLTest::SetUp() {
  std::string error;
  ASSERT_TRUE(MakeGLCurrent(256, 256, &error)) << "no OpenGL context: " << error;
  while (glGetError() != GL_NO_ERROR) {
  }
}

std::vector<std::uint8_t> ReadPixels(int x, int y, int width, int height) {
  std::vector<std::uint8_t> out(static_cast<std::size_t>(width) * height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
  return out;
}

bool WritePng(const std::string& path, const std::vector<std::uint8_t>& rgba, int width, int height,
              bool bottomUp) {
  if (rgba.size() < static_cast<std::size_t>(width) * height * 4) return false;
  return tools::WritePngRGBA(path, rgba.data(), width, height, bottomUp);
}

}  // namespace brevra::test
