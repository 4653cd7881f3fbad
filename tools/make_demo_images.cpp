// make-demo-images: writes the demo's three pictures, made from code.
//
//   make-demo-images [OUTPUT_DIR]     (default: the working directory)
//
// Writes "Floor04.bmp" (256 x 256 stone tiles, 24-bit BMP), "corteccia02.bmp" (256 x 256 bark,
// 24-bit BMP) and "acacia.tga" (256 x 256 leaf, 32-bit uncompressed TGA whose alpha is 0 around
// the leaf and 255 on it, so alpha-tested leaf discs take the leaf's outline).
//
// Everything comes from a small integer hash and value noise written here, so every build makes
// byte-identical files (no std::random distributions, whose results vary between libraries).
// Both formats are written bottom row first; the TGA header is the plain one the library's reader
// accepts (no image ID, no colour map, origin 0, 0).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// ---- Picture: RGBA, rows top to bottom ----
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;
  Picture(int w, int h) : width(w), height(h), rgba(static_cast<std::size_t>(w) * h * 4, 0) {}
  std::uint8_t* at(int x, int y) { return &rgba[(static_cast<std::size_t>(y) * width + x) * 4]; }
};

struct Colour {
  double r, g, b;
};

Colour Mix(Colour a, Colour b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Colour Scale(Colour c, double k) { return {c.r * k, c.g * k, c.b * k}; }

std::uint8_t ToByte(double v) {
  return static_cast<std::uint8_t>(std::clamp(std::lround(v * 255.0), 0L, 255L));
}

void Put(Picture& p, int x, int y, Colour c, std::uint8_t alpha = 255) {
  std::uint8_t* px = p.at(x, y);
  px[0] = ToByte(c.r);
  px[1] = ToByte(c.g);
  px[2] = ToByte(c.b);
  px[3] = alpha;
}

// ---- Hash and value noise ----
std::uint32_t Hash(std::int32_t x, std::int32_t y, std::uint32_t seed) {
  std::uint32_t h = seed * 0x9E3779B9u;
  h ^= static_cast<std::uint32_t>(x) * 0x85EBCA6Bu;
  h = (h ^ (h >> 15)) * 0x2C1B3C6Du;
  h ^= static_cast<std::uint32_t>(y) * 0xC2B2AE35u;
  h = (h ^ (h >> 13)) * 0x27D4EB2Fu;
  return h ^ (h >> 16);
}

// Uniform in [0, 1).
double Hash01(std::int32_t x, std::int32_t y, std::uint32_t seed) {
  return Hash(x, y, seed) / 4294967296.0;
}

// Smoothly interpolated lattice noise in [0, 1). The lattice wraps every `period` cells, so a
// picture made of whole periods tiles without a seam (the textures repeat).
double ValueNoise(double x, double y, int periodX, int periodY, std::uint32_t seed) {
  const double fx = std::floor(x), fy = std::floor(y);
  const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
  auto wrap = [](int v, int period) { return ((v % period) + period) % period; };
  const int x0 = wrap(ix, periodX), x1 = wrap(ix + 1, periodX);
  const int y0 = wrap(iy, periodY), y1 = wrap(iy + 1, periodY);
  double tx = x - fx, ty = y - fy;
  tx = tx * tx * (3 - 2 * tx);
  ty = ty * ty * (3 - 2 * ty);
  const double a = Hash01(x0, y0, seed), b = Hash01(x1, y0, seed);
  const double c = Hash01(x0, y1, seed), d = Hash01(x1, y1, seed);
  return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

// Sum of octaves; `cellsX` x `cellsY` lattice cells across the picture at the first octave.
double Fbm(double u, double v, int cellsX, int cellsY, int octaves, std::uint32_t seed) {
  double sum = 0, amplitude = 0.5, norm = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += amplitude * ValueNoise(u * cellsX, v * cellsY, cellsX, cellsY, seed + o * 101);
    norm += amplitude;
    amplitude *= 0.5;
    cellsX *= 2;
    cellsY *= 2;
  }
  return sum / norm;
}

double SmoothStep(double e0, double e1, double x) {
  const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

// ---- Floor: 4 x 4 worn stone tiles with grout ----
Picture MakeFloor() {
  constexpr int kSize = 256, kTiles = 4, kTile = kSize / kTiles;
  Picture p(kSize, kSize);
  const Colour stone{0.62, 0.57, 0.50}, grout{0.26, 0.24, 0.22};
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const double u = (x + 0.5) / kSize, v = (y + 0.5) / kSize;
      const int tx = x / kTile, ty = y / kTile;
      // Each tile has its own shade and tint.
      const double shade = 0.85 + 0.25 * Hash01(tx, ty, 11);
      const double warm = Hash01(tx, ty, 12) - 0.5;
      Colour c = Scale(stone, shade);
      c.r += 0.05 * warm;
      c.b -= 0.05 * warm;
      // Mottling, fine grain and a few dark speckles.
      const double mottle = Fbm(u, v, 8, 8, 4, 20);
      const double grain = Hash01(x, y, 21);
      c = Scale(c, 0.80 + 0.40 * mottle + 0.08 * (grain - 0.5));
      if (Hash01(x, y, 22) > 0.985) c = Scale(c, 0.75);
      // Distance to the tile's edge, wobbled a little so the joints are not ruled lines.
      const double lx = x % kTile + 0.5, ly = y % kTile + 0.5;
      const double wobble = 1.2 * (Fbm(u, v, 16, 16, 2, 30) - 0.5);
      const double edge = std::min({lx, ly, kTile - lx, kTile - ly}) + wobble;
      const double joint = 1.0 - SmoothStep(1.0, 3.0, edge);
      // Bevel: the rim of a tile is a little darker, the grout darkest.
      c = Scale(c, 0.88 + 0.12 * SmoothStep(2.0, 7.0, edge));
      c = Mix(c, Scale(grout, 0.9 + 0.2 * grain), joint);
      Put(p, x, y, c);
    }
  }
  return p;
}

// ---- Bark: vertical ridges split by dark fissures ----
Picture MakeBark() {
  constexpr int kSize = 256;
  constexpr double kTwoPi = 6.28318530717959;
  Picture p(kSize, kSize);
  const Colour ridge{0.55, 0.43, 0.31}, furrow{0.09, 0.05, 0.03}, lichen{0.50, 0.52, 0.38};
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const double u = (x + 0.5) / kSize, v = (y + 0.5) / kSize;
      // Ridges: whole cosine waves across the picture, their phase bent by noise so the
      // fissures wander up the trunk; whole periods keep the texture tileable.
      const double phase = u * 9 + 2.2 * Fbm(u, v, 4, 3, 4, 40);
      const double wave = 0.5 + 0.5 * std::cos(kTwoPi * phase);  // 1 on a crown, 0 in a crack
      // Fissure width varies, and here and there a ridge bridges the crack.
      const double width = 0.10 + 0.35 * Fbm(u, v, 8, 6, 2, 41);
      const double crown = SmoothStep(0.0, width, wave);
      const double plates = Fbm(u, v, 16, 12, 3, 43);
      const double fibre = Fbm(u, v, 128, 8, 2, 42);
      const double band = Fbm(u, v, 4, 28, 2, 46);  // short horizontal breaks in the plates
      Colour c = Mix(furrow, ridge, crown);
      c = Scale(c, 0.72 + 0.45 * plates + 0.30 * (fibre - 0.5));
      c = Scale(c, 1.0 - 0.22 * SmoothStep(0.62, 0.75, band) * crown);
      // Crowns are lit, flanks fall into shade.
      c = Scale(c, 0.70 + 0.40 * wave);
      c = Mix(c, lichen, 0.35 * SmoothStep(0.64, 0.78, Fbm(u, v, 6, 6, 3, 44)) * crown);
      c = Scale(c, 0.92 + 0.16 * Hash01(x, y, 45));
      Put(p, x, y, c);
    }
  }
  return p;
}

// ---- Leaf: one pointed leaf with midrib and veins on a transparent ground ----
Picture MakeLeaf() {
  constexpr int kSize = 256;
  Picture p(kSize, kSize);
  const Colour blade{0.20, 0.46, 0.12}, bladeDark{0.09, 0.27, 0.06}, vein{0.50, 0.66, 0.26};
  // Leaf axis runs from the base (bottom) to the tip (top), in picture units [-1, 1].
  constexpr double kBase = -0.92, kTip = 0.96, kHalfWidth = 0.62;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const double px = (x + 0.5) / kSize * 2 - 1;
      const double py = 1 - (y + 0.5) / kSize * 2;
      // A slight curve of the midrib.
      const double bend = 0.06 * std::sin((py - kBase) * 1.6);
      const double ax = px - bend;
      const double t = (py - kBase) / (kTip - kBase);  // 0 at the base, 1 at the tip
      double half = 0;
      if (t > 0 && t < 1) {
        // Widest a little below the middle; narrows to a point at the tip, rounder at the base.
        half = kHalfWidth * std::pow(std::sin(3.14159265358979 * std::pow(t, 0.8)), 0.9) *
               (1.0 - 0.25 * t);
        half *= 1.0 + 0.02 * std::sin(t * 60.0);  // a faintly toothed margin
      }
      const double across = half > 0 ? std::abs(ax) / half : 2;  // 0 on the midrib, 1 at margin
      const bool stalk = py < kBase + 0.02 && py > -1.0 && std::abs(ax) < 0.03;
      const bool inside = across < 1 || stalk;
      const double u = (x + 0.5) / kSize, v = (y + 0.5) / kSize;
      if (!inside) {
        // Transparent, but in the margin's colour so filtering leaves no pale fringe.
        Put(p, x, y, bladeDark, 0);
        continue;
      }
      Colour c = Mix(blade, bladeDark, 0.55 * across * across);
      c = Scale(c, 0.9 + 0.2 * Fbm(u, v, 12, 12, 3, 50));
      // Light from the left: the left half catches a little more.
      if (ax < 0) c = Scale(c, 1.06);
      // Side veins leave the midrib and bend toward the tip.
      const double s = (py - kBase) - 0.55 * std::pow(std::abs(ax), 0.85);
      const double phase = s / 0.14 - std::floor(s / 0.14);
      const double veinDist = std::min(phase, 1 - phase) * 0.14 * kSize / 2;  // pixels
      const double veinWidth = 1.3 * (1 - across);
      const double sideVein = (1 - SmoothStep(veinWidth * 0.5, veinWidth + 0.6, veinDist)) *
                              SmoothStep(0.02, 0.12, across) * (1 - SmoothStep(0.75, 0.95, across));
      const double midWidth = 2.6 * (1 - 0.8 * t) + 0.6;
      const double midrib = 1 - SmoothStep(midWidth * 0.6, midWidth, std::abs(ax) * kSize / 2);
      c = Mix(c, vein, std::max(0.55 * sideVein, 0.85 * midrib));
      if (stalk) c = vein;
      Put(p, x, y, c);
    }
  }
  return p;
}

// ---- Writers ----
void PutU16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(v & 0xFF);
  out.push_back((v >> 8) & 0xFF);
}
void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}

bool WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(f);
}

// 24-bit BI_RGB bitmap: 14-byte file header, 40-byte information header, rows bottom-up padded
// to 4 bytes, blue-green-red pixels.
std::vector<std::uint8_t> EncodeBmp24(Picture& p) {
  const std::uint32_t rowBytes = (p.width * 3 + 3) & ~3u;
  const std::uint32_t imageBytes = rowBytes * p.height;
  std::vector<std::uint8_t> out;
  out.reserve(54 + imageBytes);
  out.push_back('B');
  out.push_back('M');
  PutU32(out, 54 + imageBytes);  // bfSize
  PutU32(out, 0);                // bfReserved1, bfReserved2
  PutU32(out, 54);               // bfOffBits
  PutU32(out, 40);               // biSize
  PutU32(out, p.width);
  PutU32(out, p.height);  // positive: bottom-up
  PutU16(out, 1);         // biPlanes
  PutU16(out, 24);        // biBitCount
  PutU32(out, 0);         // biCompression BI_RGB
  PutU32(out, imageBytes);
  PutU32(out, 2835);  // 72 dpi
  PutU32(out, 2835);
  PutU32(out, 0);  // biClrUsed
  PutU32(out, 0);  // biClrImportant
  for (int y = p.height - 1; y >= 0; --y) {
    for (int x = 0; x < p.width; ++x) {
      const std::uint8_t* px = p.at(x, y);
      out.push_back(px[2]);
      out.push_back(px[1]);
      out.push_back(px[0]);
    }
    for (std::uint32_t pad = p.width * 3; pad < rowBytes; ++pad) out.push_back(0);
  }
  return out;
}

// 32-bit uncompressed true-colour TGA (type 2), bottom row first, blue-green-red-alpha pixels.
std::vector<std::uint8_t> EncodeTga32(Picture& p) {
  std::vector<std::uint8_t> out = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};  // no ID, no map, origin 0
  PutU16(out, p.width);
  PutU16(out, p.height);
  out.push_back(32);
  out.push_back(0x08);  // 8 alpha bits, bottom-left origin
  for (int y = p.height - 1; y >= 0; --y) {
    for (int x = 0; x < p.width; ++x) {
      const std::uint8_t* px = p.at(x, y);
      out.insert(out.end(), {px[2], px[1], px[0], px[3]});
    }
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2) {
    std::fprintf(stderr, "usage: %s [OUTPUT_DIR]\n", argv[0]);
    return 2;
  }
  const std::filesystem::path dir = argc == 2 ? argv[1] : ".";
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);

  Picture floor = MakeFloor();
  Picture bark = MakeBark();
  Picture leaf = MakeLeaf();
  const struct {
    const char* name;
    std::vector<std::uint8_t> bytes;
  } files[] = {
      {"Floor04.bmp", EncodeBmp24(floor)},
      {"corteccia02.bmp", EncodeBmp24(bark)},
      {"acacia.tga", EncodeTga32(leaf)},
  };
  for (const auto& file : files) {
    if (!WriteFile(dir / file.name, file.bytes)) {
      std::fprintf(stderr, "make-demo-images: cannot write %s\n", (dir / file.name).c_str());
      return 1;
    }
  }
  return 0;
}
