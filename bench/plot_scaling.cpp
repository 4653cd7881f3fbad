// bench-plot: draws the tree's scaling table as a PNG chart.
//
//   bench-plot TABLE.csv OUT.png
//
// TABLE.csv has one line per measurement, "level,quality,compile_ms,frame_ms" (a header line
// starting with a letter is skipped). The chart has two panels, tree compile time and demo frame
// time against NumLevel, one line per Quality, on a logarithmic time axis with a line at every
// power of ten. Everything is drawn here (lines, markers, a 5 x 7 pixel font) and written with
// the project's PNG writer, so the chart needs no plotting package. Exit status 1 on bad input.
#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tools/png_write.h"

namespace {

struct Rgb {
  std::uint8_t r, g, b;
};

class Canvas {
 public:
  Canvas(int w, int h) : w_(w), h_(h), px_(static_cast<std::size_t>(w) * h * 4, 255) {}
  void Dot(int x, int y, Rgb c) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
    std::uint8_t* p = &px_[(static_cast<std::size_t>(y) * w_ + x) * 4];
    p[0] = c.r, p[1] = c.g, p[2] = c.b, p[3] = 255;
  }
  void Box(int x0, int y0, int x1, int y1, Rgb c) {
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) Dot(x, y, c);
    }
  }
  // A line `thick` pixels wide (Bresenham with a square brush).
  void Line(int x0, int y0, int x1, int y1, Rgb c, int thick) {
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    const int lo = -(thick - 1) / 2, hi = thick / 2;
    for (;;) {
      Box(x0 + lo, y0 + lo, x0 + hi, y0 + hi, c);
      if (x0 == x1 && y0 == y1) break;
      const int e2 = 2 * err;
      if (e2 >= dy) err += dy, x0 += sx;
      if (e2 <= dx) err += dx, y0 += sy;
    }
  }
  void Text(int x, int y, const std::string& text, Rgb c, int scale = 2);
  static int TextWidth(const std::string& text, int scale = 2) {
    return static_cast<int>(text.size()) * 6 * scale;
  }
  const std::uint8_t* Data() const { return px_.data(); }
  int W() const { return w_; }
  int H() const { return h_; }

 private:
  int w_, h_;
  std::vector<std::uint8_t> px_;
};

// 5 x 7 glyphs, one byte per row, bit 4 the leftmost column. Letters are drawn upper case.
const std::map<char, std::array<std::uint8_t, 7>>& Font() {
  static const std::map<char, std::array<std::uint8_t, 7>> font = {
      {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
      {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
      {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
      {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
      {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
      {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
      {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
      {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
      {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
      {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
      {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
      {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
      {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
      {'D', {0x1C, 0x12, 0x11, 0x11, 0x11, 0x12, 0x1C}},
      {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
      {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
      {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}},
      {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
      {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
      {'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}},
      {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}},
      {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
      {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}},
      {'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
      {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
      {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
      {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}},
      {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
      {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
      {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
      {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
      {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
      {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}},
      {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
      {'Y', {0x11, 0x11, 0x11, 0x0A, 0x04, 0x04, 0x04}},
      {'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
      {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
      {',', {0x00, 0x00, 0x00, 0x00, 0x0C, 0x04, 0x08}},
      {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
      {'=', {0x00, 0x00, 0x1F, 0x00, 0x1F, 0x00, 0x00}},
      {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
      {'(', {0x02, 0x04, 0x08, 0x08, 0x08, 0x04, 0x02}},
      {')', {0x08, 0x04, 0x02, 0x02, 0x02, 0x04, 0x08}},
      {'/', {0x01, 0x01, 0x02, 0x04, 0x08, 0x10, 0x10}},
  };
  return font;
}

void Canvas::Text(int x, int y, const std::string& text, Rgb c, int scale) {
  for (char ch : text) {
    const char up = (ch >= 'a' && ch <= 'z') ? static_cast<char>(ch - 'a' + 'A') : ch;
    auto it = Font().find(up);
    if (it != Font().end()) {
      for (int row = 0; row < 7; ++row) {
        for (int col = 0; col < 5; ++col) {
          if ((it->second[row] >> (4 - col)) & 1) {
            Box(x + col * scale, y + row * scale, x + col * scale + scale - 1,
                y + row * scale + scale - 1, c);
          }
        }
      }
    }
    x += 6 * scale;
  }
}

struct Row {
  int level, quality;
  double compile, frame;
};

std::string Decade(int e) {
  if (e >= 0) {
    std::string s = "1";
    for (int i = 0; i < e; ++i) s += "0";
    return s;
  }
  std::string s = "0.";
  for (int i = 1; i < -e; ++i) s += "0";
  return s + "1";
}

// One panel: values against NumLevel, log scale, one line per quality.
void Panel(Canvas& cv, int left, int top, int width, int height, const std::string& title,
           const std::vector<Row>& rows, bool compile) {
  const Rgb black{0, 0, 0}, grid{215, 215, 215};
  const Rgb colours[] = {{31, 119, 180}, {255, 127, 14}, {44, 160, 44}, {214, 39, 40}};
  const int x0 = left + 80, x1 = left + width - 20, y0 = top + 40, y1 = top + height - 50;
  int maxLevel = 0;
  double lo = 1e300, hi = 0;
  std::vector<int> qualities;
  for (const Row& r : rows) {
    const double v = compile ? r.compile : r.frame;
    if (v <= 0) continue;
    lo = std::min(lo, v), hi = std::max(hi, v);
    maxLevel = std::max(maxLevel, r.level);
    if (std::find(qualities.begin(), qualities.end(), r.quality) == qualities.end()) {
      qualities.push_back(r.quality);
    }
  }
  std::sort(qualities.begin(), qualities.end());
  if (hi <= 0) return;
  const int eLo = static_cast<int>(std::floor(std::log10(lo)));
  const int eHi = std::max(eLo + 1, static_cast<int>(std::ceil(std::log10(hi))));
  auto px = [&](double level) {
    return x0 + static_cast<int>(std::lround(level * (x1 - x0) / std::max(1, maxLevel)));
  };
  auto py = [&](double v) {
    const double t = (std::log10(v) - eLo) / (eHi - eLo);
    return y1 - static_cast<int>(std::lround(t * (y1 - y0)));
  };
  cv.Text(left + (width - Canvas::TextWidth(title)) / 2, top + 10, title, black);
  for (int e = eLo; e <= eHi; ++e) {
    const int y = py(std::pow(10.0, e));
    cv.Line(x0, y, x1, y, grid, 1);
    const std::string label = Decade(e);
    cv.Text(x0 - 8 - Canvas::TextWidth(label), y - 7, label, black);
  }
  for (int l = 0; l <= maxLevel; ++l) {
    cv.Line(px(l), y1, px(l), y1 + 5, black, 1);
    cv.Text(px(l) - 5, y1 + 10, std::to_string(l), black);
  }
  cv.Line(x0, y0, x0, y1, black, 1);
  cv.Line(x0, y1, x1, y1, black, 1);
  cv.Text(x0 + (x1 - x0 - Canvas::TextWidth("NumLevel")) / 2, y1 + 30, "NumLevel", black);

  for (std::size_t qi = 0; qi < qualities.size(); ++qi) {
    const Rgb c = colours[qi % 4];
    std::vector<std::pair<int, double>> pts;
    for (const Row& r : rows) {
      const double v = compile ? r.compile : r.frame;
      if (r.quality == qualities[qi] && v > 0) pts.emplace_back(r.level, v);
    }
    std::sort(pts.begin(), pts.end());
    for (std::size_t i = 0; i < pts.size(); ++i) {
      const int x = px(pts[i].first), y = py(pts[i].second);
      cv.Box(x - 3, y - 3, x + 3, y + 3, c);
      if (i > 0) cv.Line(px(pts[i - 1].first), py(pts[i - 1].second), x, y, c, 2);
    }
    // Legend, top left inside the plot.
    const int ly = y0 + 8 + static_cast<int>(qi) * 20;
    cv.Box(x0 + 12, ly + 3, x0 + 32, ly + 8, c);
    cv.Text(x0 + 40, ly, "Quality " + std::to_string(qualities[qi]), black);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench-plot TABLE.csv OUT.png\n");
    return 1;
  }
  std::ifstream in(argv[1]);
  std::vector<Row> rows;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || std::isalpha(static_cast<unsigned char>(line[0]))) continue;
    std::replace(line.begin(), line.end(), ',', ' ');
    std::istringstream fields(line);
    Row r{};
    if (fields >> r.level >> r.quality >> r.compile >> r.frame) rows.push_back(r);
  }
  if (rows.empty()) {
    std::fprintf(stderr, "bench-plot: no rows in %s\n", argv[1]);
    return 1;
  }
  Canvas cv(1200, 520);
  Panel(cv, 0, 0, 600, 520, "Tree compile time (ms)", rows, true);
  Panel(cv, 600, 0, 600, 520, "Demo frame time (ms)", rows, false);
  if (!brevra::tools::WritePngRGBA(argv[2], cv.Data(), cv.W(), cv.H(), false)) {
    std::fprintf(stderr, "bench-plot: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
