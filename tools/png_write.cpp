// PNG writer: libpng with its setjmp error path, so a failing write returns false instead of
// ending the program.
#include "tools/png_write.h"

#include <png.h>  // Required for: png_create_write_struct, png_write_row

#include <csetjmp>
#include <cstdio>

namespace brevra::tools {

bool WritePngRGBA(const std::string& path, const std::uint8_t* rgba, int width, int height,
                  bool bottomUp) {
  if (!rgba || width <= 0 || height <= 0) return false;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    std::remove(path.c_str());  // leave no truncated picture behind
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const std::size_t stride = static_cast<std::size_t>(width) * 4;
  for (int row = 0; row < height; ++row) {
    const int src = bottomUp ? height - 1 - row : row;
    png_write_row(png, const_cast<png_bytep>(rgba + static_cast<std::size_t>(src) * stride));
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  const bool closed = std::fclose(f) == 0;
  if (!closed) std::remove(path.c_str());
  return closed;
}

}  // namespace brevra::tools

namespace brevra::tools {
namespace {

void AppendToVector(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void NoFlush(png_structp) {}

}  // namespace

std::vector<std::uint8_t> EncodePngRGBA(const std::uint8_t* rgba, int width, int height) {
  std::vector<std::uint8_t> out;
  if (!rgba || width <= 0 || height <= 0) return out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, AppendToVector, NoFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const std::size_t stride = static_cast<std::size_t>(width) * 4;
  for (int row = 0; row < height; ++row) {
    png_write_row(png, const_cast<png_bytep>(rgba + static_cast<std::size_t>(row) * stride));
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

}  // namespace brevra::tools
