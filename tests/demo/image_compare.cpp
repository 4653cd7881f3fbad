// PNG input and output and the tolerant comparison (see image_compare.h).
#include "tests/demo/image_compare.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace brevra::test {

bool ReadPngFile(const std::string& path, Image& image, std::string* error) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) {
    if (error) *error = path + ": " + png.message;
    return false;
  }
  png.format = PNG_FORMAT_RGBA;
  std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, pixels.data(), 0, nullptr)) {
    if (error) *error = path + ": " + png.message;
    png_image_free(&png);
    return false;
  }
  image.width = static_cast<int>(png.width);
  image.height = static_cast<int>(png.height);
  image.rgba = std::move(pixels);
  return true;
}

bool WritePngFile(const std::string& path, const Image& image) {
  if (image.width <= 0 || image.height <= 0 ||
      image.rgba.size() != static_cast<std::size_t>(image.width) * image.height * 4) {
    return false;
  }
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.width);
  png.height = static_cast<png_uint_32>(image.height);
  png.format = PNG_FORMAT_RGBA;
  if (!png_image_write_to_file(&png, path.c_str(), 0, image.rgba.data(), 0, nullptr)) {
    std::remove(path.c_str());
    return false;
  }
  return true;
}

Image FromGLPixels(const std::vector<std::uint8_t>& rgba, int width, int height) {
  Image image;
  image.width = width;
  image.height = height;
  image.rgba.resize(static_cast<std::size_t>(width) * height * 4);
  const std::size_t row = static_cast<std::size_t>(width) * 4;
  for (int y = 0; y < height; ++y) {
    std::copy_n(rgba.begin() + static_cast<std::ptrdiff_t>((height - 1 - y) * row), row,
                image.rgba.begin() + static_cast<std::ptrdiff_t>(y * row));
  }
  for (std::size_t i = 3; i < image.rgba.size(); i += 4) image.rgba[i] = 255;
  return image;
}

bool Crop(const Image& image, int x, int y, int width, int height, Image& part) {
  if (x < 0 || y < 0 || width <= 0 || height <= 0 || x + width > image.width ||
      y + height > image.height) {
    return false;
  }
  part.width = width;
  part.height = height;
  part.rgba.resize(static_cast<std::size_t>(width) * height * 4);
  for (int row = 0; row < height; ++row) {
    const auto from =
        image.rgba.begin() + (static_cast<std::ptrdiff_t>(y + row) * image.width + x) * 4;
    std::copy_n(from, width * 4, part.rgba.begin() + static_cast<std::ptrdiff_t>(row) * width * 4);
  }
  return true;
}

ImageDiff CompareImages(const Image& actual, const Image& expected, int tolerance) {
  ImageDiff diff;
  diff.sameSize = actual.width == expected.width && actual.height == expected.height &&
                  actual.rgba.size() == expected.rgba.size();
  if (!diff.sameSize) return diff;
  diff.total = static_cast<std::size_t>(actual.width) * actual.height;
  diff.picture.width = actual.width;
  diff.picture.height = actual.height;
  diff.picture.rgba.resize(actual.rgba.size());
  for (std::size_t p = 0; p < diff.total; ++p) {
    const std::uint8_t* a = &actual.rgba[p * 4];
    const std::uint8_t* e = &expected.rgba[p * 4];
    int delta = 0;
    for (int c = 0; c < 3; ++c) delta = std::max(delta, std::abs(int(a[c]) - int(e[c])));
    diff.maxDelta = std::max(diff.maxDelta, delta);
    std::uint8_t* out = &diff.picture.rgba[p * 4];
    if (delta > tolerance) {
      ++diff.differing;
      out[0] = static_cast<std::uint8_t>(std::min(255, 128 + delta));
      out[1] = out[2] = 0;
    } else {
      const int grey = (e[0] + e[1] + e[2]) / 12;  // a dim copy of the expected picture
      out[0] = out[1] = out[2] = static_cast<std::uint8_t>(grey);
    }
    out[3] = 255;
  }
  return diff;
}

}  // namespace brevra::test
