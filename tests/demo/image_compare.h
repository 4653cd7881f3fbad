// Test support for the demo's pictures: PNG files in and out (libpng's simplified API) and a
// tolerant pixel comparison with a difference image, for golden frames and screenshots.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace brevra::test {

// RGBA8 pixels, top row first.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;
};

// Reads any PNG as RGBA8. False (with a reason in `error`) when the file is missing or damaged.
bool ReadPngFile(const std::string& path, Image& image, std::string* error = nullptr);
// Writes RGBA8; creates nothing on failure.
bool WritePngFile(const std::string& path, const Image& image);

// Bottom-row-first pixels (as glReadPixels gives them) as an Image, alpha forced to 255: the
// demo clears with alpha 0 and a screen shows no alpha.
Image FromGLPixels(const std::vector<std::uint8_t>& rgba, int width, int height);

// The part of `image` at (x, y) of size width x height; false when it does not fit.
bool Crop(const Image& image, int x, int y, int width, int height, Image& part);

struct ImageDiff {
  bool sameSize = false;
  std::size_t differing = 0;  // pixels with a channel (R, G or B) off by more than the tolerance
  std::size_t total = 0;
  int maxDelta = 0;  // largest channel difference anywhere
  Image picture;     // the expected image darkened, differing pixels in red (brighter = more)
  double Fraction() const { return total == 0 ? 1.0 : double(differing) / double(total); }
};

// Compares colour channels only (alpha is ignored).
ImageDiff CompareImages(const Image& actual, const Image& expected, int tolerance);

}  // namespace brevra::test
