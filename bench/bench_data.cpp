// Benchmark inputs made from code (see bench_data.h).
#include "bench/bench_data.h"

#include <sys/stat.h>  // Required for: stat, mkdir

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

namespace brevra::bench {
namespace {

// A small fixed-seed generator (splitmix64): fast, and the same bytes everywhere.
class Random {
 public:
  explicit Random(std::uint64_t seed) : s_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  double Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
  std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(Next() % n); }

 private:
  std::uint64_t s_;
};

bool Exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Writes to a temporary name first, so an interrupted run never leaves a half file behind.
void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  const std::string part = path + ".part";
  std::FILE* f = std::fopen(part.c_str(), "wb");
  if (f == nullptr) throw std::runtime_error("cannot write " + part);
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (std::fclose(f) != 0 || !ok || std::rename(part.c_str(), path.c_str()) != 0) {
    std::remove(part.c_str());
    throw std::runtime_error("cannot write " + path);
  }
}

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, v & 0xFFFFu);
  Put16(out, v >> 16);
}

// The usual packer: a run packet for two or more equal pixels, raw packets for the rest.
void PackRealistic(const std::vector<std::uint8_t>& px, std::size_t count, int bpp,
                   std::vector<std::uint8_t>& out) {
  auto same = [&](std::size_t a, std::size_t b) {
    return std::memcmp(&px[a * bpp], &px[b * bpp], static_cast<std::size_t>(bpp)) == 0;
  };
  std::size_t i = 0;
  while (i < count) {
    std::size_t run = 1;
    while (i + run < count && run < 128 && same(i, i + run)) ++run;
    if (run >= 2) {
      out.push_back(static_cast<std::uint8_t>(127 + run));
      out.insert(out.end(), px.begin() + static_cast<std::ptrdiff_t>(i * bpp),
                 px.begin() + static_cast<std::ptrdiff_t>((i + 1) * bpp));
      i += run;
      continue;
    }
    std::size_t raw = 1;  // up to the next pair of equal pixels
    while (i + raw < count && raw < 128 && !(i + raw + 1 < count && same(i + raw, i + raw + 1))) {
      ++raw;
    }
    out.push_back(static_cast<std::uint8_t>(raw - 1));
    out.insert(out.end(), px.begin() + static_cast<std::ptrdiff_t>(i * bpp),
               px.begin() + static_cast<std::ptrdiff_t>((i + raw) * bpp));
    i += raw;
  }
}

}  // namespace

const char* RleName(Rle rle) {
  switch (rle) {
    case Rle::None:
      return "type2";
    case Rle::Realistic:
      return "type10_realistic";
    case Rle::Worst:
      return "type10_worst";
  }
  return "?";
}

const char* PictureName(Picture picture) {
  switch (picture) {
    case Picture::Photo:
      return "photo";
    case Picture::Solid:
      return "solid";
    case Picture::HalfNoise:
      return "half_noise";
    case Picture::MagentaBorder:
      return "magenta_border";
  }
  return "?";
}

std::vector<std::uint8_t> MakeTgaPixels(int width, int height, int bytesPerPixel, bool runs) {
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  std::vector<std::uint8_t> px(count * static_cast<std::size_t>(bytesPerPixel));
  Random rnd(0x7A11 + static_cast<std::uint64_t>(width) * 31 + bytesPerPixel);
  std::size_t i = 0;
  while (i < count) {
    // Runs: lengths 1..200 with many short and some long ones; noise: 1..64 distinct pixels.
    const bool run = !runs ? false : rnd.Unit() < 0.7;
    const std::size_t len =
        run ? 1 + std::min<std::size_t>(
                      199, static_cast<std::size_t>(-std::log(1.0 - rnd.Unit()) * 12.0))
            : 1 + rnd.Below(64);
    const std::uint64_t colour = rnd.Next();
    for (std::size_t k = 0; k < len && i < count; ++k, ++i) {
      const std::uint64_t c = run ? colour : rnd.Next();
      for (int b = 0; b < bytesPerPixel; ++b) {
        px[i * bytesPerPixel + b] = static_cast<std::uint8_t>(c >> (8 * b));
      }
    }
  }
  return px;
}

std::string TgaFile(const std::string& dir, int size, int bpp, Rle rle) {
  const std::string path = dir + "/tga_" + std::to_string(size) + "_" + std::to_string(bpp) + "_" +
                           RleName(rle) + ".tga";
  if (Exists(path)) return path;
  const int bytes = bpp / 8;
  const std::size_t count = static_cast<std::size_t>(size) * static_cast<std::size_t>(size);
  const std::vector<std::uint8_t> px = MakeTgaPixels(size, size, bytes, true);
  std::vector<std::uint8_t> out = {
      0, 0, static_cast<std::uint8_t>(rle == Rle::None ? 2 : 10), 0, 0, 0, 0, 0, 0, 0, 0, 0};
  Put16(out, static_cast<std::uint32_t>(size));
  Put16(out, static_cast<std::uint32_t>(size));
  out.push_back(static_cast<std::uint8_t>(bpp));
  out.push_back(static_cast<std::uint8_t>(0x20 | (bpp == 32 ? 8 : 0)));  // top-left origin
  out.reserve(out.size() + px.size() + count + 16);
  switch (rle) {
    case Rle::None:
      out.insert(out.end(), px.begin(), px.end());
      break;
    case Rle::Realistic:
      PackRealistic(px, count, bytes, out);
      break;
    case Rle::Worst:
      for (std::size_t i = 0; i < count; ++i) {
        out.push_back(0x80);
        out.insert(out.end(), px.begin() + static_cast<std::ptrdiff_t>(i * bytes),
                   px.begin() + static_cast<std::ptrdiff_t>((i + 1) * bytes));
      }
      break;
  }
  WriteFile(path, out);
  return path;
}

std::string BmpFile(const std::string& dir, int size, int bpp, Picture picture) {
  const std::string path = dir + "/bmp_" + std::to_string(size) + "_" + std::to_string(bpp) + "_" +
                           PictureName(picture) + ".bmp";
  if (Exists(path)) return path;
  const int bytes = bpp / 8;
  const std::uint32_t stride = (static_cast<std::uint32_t>(size) * bytes + 3u) & ~3u;
  const std::uint32_t image = stride * static_cast<std::uint32_t>(size);
  std::vector<std::uint8_t> out = {'B', 'M'};
  Put32(out, 14 + 40 + image);
  Put32(out, 0);
  Put32(out, 14 + 40);
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(size));
  Put32(out, static_cast<std::uint32_t>(size));  // positive: bottom-up
  Put16(out, 1);
  Put16(out, static_cast<std::uint32_t>(bpp));
  Put32(out, 0);  // BI_RGB
  Put32(out, image);
  Put32(out, 2835);
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  out.resize(out.size() + image, 0);
  std::uint8_t* pixels = out.data() + 54;

  Random rnd(0xB17 + static_cast<std::uint64_t>(size) * 7 + bpp);
  const int border = size / 8;
  for (int row = 0; row < size; ++row) {
    std::uint8_t* p = pixels + static_cast<std::size_t>(row) * stride;
    const int y = size - 1 - row;  // picture row of this memory row
    for (int x = 0; x < size; ++x, p += bytes) {
      std::uint8_t r = 0, g = 0, b = 0;
      switch (picture) {
        case Picture::Photo: {
          const std::uint64_t n = rnd.Next();
          r = static_cast<std::uint8_t>(x * 255 / size + (n & 15));
          g = static_cast<std::uint8_t>(y * 255 / size + ((n >> 4) & 15));
          b = static_cast<std::uint8_t>((x + y) * 127 / size + ((n >> 8) & 15));
          break;
        }
        case Picture::Solid:
          r = g = b = 0x80;
          break;
        case Picture::HalfNoise: {
          const std::uint64_t n = rnd.Next();
          if ((n & 1) != 0) {
            r = 255, g = 0, b = 255;
          } else {  // green at 0x80 or more: never inside the transparent range
            r = static_cast<std::uint8_t>(n >> 8);
            g = static_cast<std::uint8_t>(0x80 | (n >> 16));
            b = static_cast<std::uint8_t>(n >> 24);
          }
          break;
        }
        case Picture::MagentaBorder:
          if (x < border || y < border || x >= size - border || y >= size - border) {
            r = 255, g = 0, b = 255;
          } else {
            r = static_cast<std::uint8_t>(x), g = 0x90, b = static_cast<std::uint8_t>(y);
          }
          break;
      }
      p[0] = b;
      p[1] = g;
      p[2] = r;
      if (bytes == 4) p[3] = 0xFF;
    }
  }
  WriteFile(path, out);
  return path;
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) throw std::runtime_error("cannot open " + path);
  std::fseek(f, 0, SEEK_END);
  const long size = std::ftell(f);
  std::fseek(f, 0, SEEK_SET);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  if (got != bytes.size()) throw std::runtime_error("short read of " + path);
  return bytes;
}

std::string DataDir(const char* argv0) {
  std::string dir;
  if (const char* env = std::getenv("BREVRA_BENCH_DATA"); env != nullptr && *env != '\0') {
    dir = env;
  } else {
    std::string exe = argv0 != nullptr ? argv0 : "";
    const auto slash = exe.rfind('/');
    dir = (slash == std::string::npos ? std::string(".") : exe.substr(0, slash)) + "/../bench-data";
  }
  mkdir(dir.c_str(), 0755);  // an existing folder is fine
  return dir;
}

}  // namespace brevra::bench
