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
