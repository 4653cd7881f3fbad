// Test support for the image-button tests: BMP files written from pixel lists, in a scratch
// directory of their own.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>  // Required for: getpid

namespace brevra::test {

// Pixels as 0x00RRGGBB, top row first.
struct Picture {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint32_t> pixels;

  Picture(std::int32_t w, std::int32_t h, std::uint32_t fill = 0)
      : width(w), height(h), pixels(static_cast<std::size_t>(w) * h, fill) {}
  std::uint32_t& at(std::int32_t x, std::int32_t y) {
    return pixels[static_cast<std::size_t>(y) * width + x];
  }
};

constexpr std::uint32_t Rgb(int r, int g, int b) {
  return (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) |
         static_cast<std::uint32_t>(b);
}

namespace bmpfile {
inline void Put16(std::vector<std::uint8_t>& v, std::uint32_t x) {
  v.push_back(static_cast<std::uint8_t>(x));
  v.push_back(static_cast<std::uint8_t>(x >> 8));
}
inline void Put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
  Put16(v, x & 0xFFFF);
  Put16(v, x >> 16);
}
}  // namespace bmpfile

// Writes an uncompressed bottom-up BMP of `bits` 24 or 32 bits per pixel.
inline bool WriteTrueColourBmp(const std::string& path, const Picture& p, int bits = 24) {
  using namespace bmpfile;
  const std::uint32_t stride = (static_cast<std::uint32_t>(p.width) * bits + 31) / 32 * 4;
  const std::uint32_t image = stride * static_cast<std::uint32_t>(p.height);
  std::vector<std::uint8_t> f;
  f.push_back('B');
  f.push_back('M');
  Put32(f, 54 + image);
  Put32(f, 0);
  Put32(f, 54);
  Put32(f, 40);
  Put32(f, static_cast<std::uint32_t>(p.width));
  Put32(f, static_cast<std::uint32_t>(p.height));
  Put16(f, 1);
  Put16(f, static_cast<std::uint32_t>(bits));
  for (int i = 0; i < 6; ++i) Put32(f, 0);
  for (std::int32_t y = p.height - 1; y >= 0; --y) {
    const std::size_t start = f.size();
    for (std::int32_t x = 0; x < p.width; ++x) {
      const std::uint32_t c = p.pixels[static_cast<std::size_t>(y) * p.width + x];
      f.push_back(static_cast<std::uint8_t>(c));
      f.push_back(static_cast<std::uint8_t>(c >> 8));
      f.push_back(static_cast<std::uint8_t>(c >> 16));
      if (bits == 32) f.push_back(0);
    }
    while (f.size() - start < stride) f.push_back(0);
  }
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return false;
  const bool ok = std::fwrite(f.data(), 1, f.size(), out) == f.size();
  return std::fclose(out) == 0 && ok;
}

// Writes a bottom-up BMP of 1, 4 or 8 bits per pixel with the given colour table (0x00RRGGBB)
// and indices, top row first.
inline bool WriteIndexedBmp(const std::string& path, std::int32_t width, std::int32_t height,
                            int bits, const std::vector<std::uint32_t>& table,
                            const std::vector<std::uint8_t>& indices) {
  using namespace bmpfile;
  const std::uint32_t stride = (static_cast<std::uint32_t>(width) * bits + 31) / 32 * 4;
  const std::uint32_t offset = 54 + 4 * static_cast<std::uint32_t>(table.size());
  std::vector<std::uint8_t> f;
  f.push_back('B');
  f.push_back('M');
  Put32(f, offset + stride * static_cast<std::uint32_t>(height));
  Put32(f, 0);
  Put32(f, offset);
  Put32(f, 40);
  Put32(f, static_cast<std::uint32_t>(width));
  Put32(f, static_cast<std::uint32_t>(height));
  Put16(f, 1);
  Put16(f, static_cast<std::uint32_t>(bits));
  Put32(f, 0);
  Put32(f, 0);
  Put32(f, 0);
  Put32(f, 0);
  Put32(f, static_cast<std::uint32_t>(table.size()));
  Put32(f, 0);
  for (std::uint32_t c : table) Put32(f, c);  // blue, green, red, 0
  for (std::int32_t y = height - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(stride, 0);
    for (std::int32_t x = 0; x < width; ++x) {
      const std::uint8_t v = indices[static_cast<std::size_t>(y) * width + x];
      const std::size_t bit = static_cast<std::size_t>(x) * bits;
      row[bit / 8] |= static_cast<std::uint8_t>(v << (8 - bits - bit % 8));
    }
    f.insert(f.end(), row.begin(), row.end());
  }
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return false;
  const bool ok = std::fwrite(f.data(), 1, f.size(), out) == f.size();
  return std::fclose(out) == 0 && ok;
}

// A fresh scratch directory under the system's temporary directory, removed with the object.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& name) {
    path_ = std::filesystem::temp_directory_path() /
            ("brevra-" + name + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace brevra::test
