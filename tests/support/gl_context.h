// Test support: a current OpenGL context without windows (EGL pbuffer, Mesa llvmpipe), and
// small pixel helpers. For tests of modules that only need GL (geometry, plants, textures).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace brevra::test {

// Makes a `width` x `height` pbuffer context current (created once per size and kept for the
// process). Returns false, with a message in `error`, when no context can be had.
bool MakeGLCurrent(int width = 256, int height = 256, std::string* error = nullptr);

// A fixture whose tests run with a current 256 x 256 context and a clean GL error flag.
class GLTest : public ::testing::Test {
 protected:
  void SetUp() override;
};

// RGBA8 pixels of the current read buffer, bottom row first (as glReadPixels gives them).
std::vector<std::uint8_t> ReadPixels(int x, int y, int width, int height);

// Writes RGBA8 pixels (top row first when `flip` is false) to a PNG file.
bool WritePng(const std::string& path, const std::vector<std::uint8_t>& rgba, int width, int height,
              bool bottomUp);

}  // namespace brevra::test
