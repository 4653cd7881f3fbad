// Test fixtures for the image readers: small TGA and BMP files built byte by byte, written to a
// per-process temporary directory.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

namespace brevra::test {

using Bytes = std::vector<std::uint8_t>;

inline void Append(Bytes& b, std::initializer_list<std::uint8_t> more) { b.insert(b.end(), more); }
inline void Append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }
inline void Put16(Bytes& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// The 18-byte TGA header: type, width, height, depth, descriptor; all else 0.
inline Bytes TgaHeader(std::uint8_t type, std::uint32_t width, std::uint32_t height,
                       std::uint8_t depth, std::uint8_t descriptor = 0) {
  Bytes b = {0, 0, type, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  Put16(b, width);
  Put16(b, height);
  b.push_back(depth);
  b.push_back(descriptor);
  return b;
}
inline Bytes Tga(std::uint8_t type, std::uint32_t width, std::uint32_t height, std::uint8_t depth,
                 const Bytes& data, std::uint8_t descriptor = 0) {
  Bytes b = TgaHeader(type, width, height, depth, descriptor);
  Append(b, data);
  return b;
}

struct BmpSpec {
  std::int32_t width = 1;
  std::int32_t height = 1;  // negative: top-down
  std::uint16_t bpp = 24;
  std::uint32_t compression = 0;
  std::uint32_t headerSize = 40;
  std::vector<std::uint32_t> colors;  // 0x00RRGGBB entries of the colour table
  std::uint32_t clrUsed = 0;
  std::vector<std::uint32_t> masks;  // red, green, blue (, alpha)
  Bytes pixels;                      // exactly as stored (rows padded by the caller)
  std::int64_t offBits = -1;         // -1: where the pixels really start
};

// A BMP file: file header, info header (40, 52, 56, 108 or 124 bytes), masks, colours, pixels.
inline Bytes Bmp(const BmpSpec& s) {
  Bytes info;
  Put32(info, s.headerSize);
  Put32(info, static_cast<std::uint32_t>(s.width));
  Put32(info, static_cast<std::uint32_t>(s.height));
  Put16(info, 1);
  Put16(info, s.bpp);
  Put32(info, s.compression);
  Put32(info, static_cast<std::uint32_t>(s.pixels.size()));
  Put32(info, 2835);
  Put32(info, 2835);
  Put32(info, s.clrUsed);
  Put32(info, 0);
  Bytes masks;
  for (std::uint32_t m : s.masks) Put32(masks, m);
  if (s.headerSize > 40) {
    masks.resize(s.headerSize - 40, 0);  // masks live inside the larger headers
    Append(info, masks);
    masks.clear();
  }
  Bytes colors;
  for (std::uint32_t c : s.colors) Put32(colors, c);
  const std::uint32_t off =
      14 + static_cast<std::uint32_t>(info.size() + masks.size() + colors.size());
  Bytes b = {'B', 'M'};
  Put32(b, off + static_cast<std::uint32_t>(s.pixels.size()));
  Put32(b, 0);
  Put32(b, s.offBits < 0 ? off : static_cast<std::uint32_t>(s.offBits));
  Append(b, info);
  Append(b, masks);
  Append(b, colors);
  Append(b, s.pixels);
  return b;
}

// A private directory for one test process, removed at exit.
inline const std::filesystem::path& TempDir() {
  static const struct Dir {
    std::filesystem::path path;
    Dir() {
      path = std::filesystem::temp_directory_path() /
             ("brevra-textures-" + std::to_string(::getpid()));
      std::filesystem::create_directories(path);
    }
    ~Dir() {
      std::error_code ec;
      std::filesystem::remove_all(path, ec);
    }
  } dir;
  return dir.path;
}

inline std::string WriteFile(const std::string& name, const Bytes& bytes) {
  const std::filesystem::path p = TempDir() / name;
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return p.string();
}

inline std::string MissingFile() { return (TempDir() / "no-such-file").string(); }

// Open file descriptors of the process (to see that every file was closed).
inline std::size_t OpenFileCount() {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

}  // namespace brevra::test
