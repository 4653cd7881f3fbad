// Brevra platform layer: memory device contexts, palettes, DIB sections, block transfers,
// regions and movable memory. See gdi.h.
//
// Pixels travel through one neutral form, 0x00RRGGBB: a transfer reads each source pixel into
// it (through the source's colour table for 1, 4 and 8 bits, through its masks for 16 and
// 32 bits) and writes it in the destination's format (the nearest colour-table entry for 1, 4
// and 8 bits). Window device contexts draw into a per-window surface kept here.
#include "brevra/platform/gdi.h"

#include <algorithm>  // Required for: std::sort, std::min, std::max
#include <cstring>    // Required for: std::memcpy
#include <limits>
#include <map>
#include <set>
#include <utility>

#include "brevra/platform/pixel_rows.h"
#include "brevra/platform/state.h"

namespace brevra::platform {

namespace {

using detail::DeviceContext;
using detail::GlobalBlock;
using detail::Kind;
using detail::Palette;
using detail::Region;

GdiFailureHook& FailureHook() {
  static GdiFailureHook hook;
  return hook;
}

RegionDataObserver& Observer() {
  static RegionDataObserver observer;
  return observer;
}

bool Refused(GdiOp op, std::size_t bytes) { return FailureHook() && FailureHook()(op, bytes); }

// The window layer's hit test asks us about shapes.
bool RegionHit(HANDLE region, std::int32_t x, std::int32_t y) {
  const Region* r = detail::Find<Region>(region);
  return r != nullptr && r->contains(x, y);
}

HRGN MakeRegion(std::vector<RECT> rects) {
  detail::RegionContains = &RegionHit;
  auto [h, r] = detail::Make<Region>();
  r->rects = detail::NormaliseRects(std::move(rects));
  return h;
}

// Memory device contexts made here (window and screen DCs belong to the window layer).
std::set<HDC>& MemoryDCs() {
  static std::set<HDC> dcs;
  return dcs;
}

DeviceContext* FindMemoryDC(HDC dc) {
  if (MemoryDCs().count(dc) == 0) return nullptr;
  return detail::Find<DeviceContext>(dc);
}

// Stock objects, made on first use (again after a platform shutdown emptied the table).
HBITMAP StockBitmap() {
  static HBITMAP handle = 0;
  if (detail::Find<detail::Bitmap>(handle) == nullptr) {
    DibImage one;
    one.width = 1;
    one.height = 1;
    one.bitsPerPixel = 1;
    one.stride = 4;
    one.colors = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
    one.pixels.assign(4, 0);
    handle = CreateBitmapObject(std::move(one));
    detail::FindAnyObject(handle)->stock = true;
  }
  return handle;
}

std::vector<PALETTEENTRY> HalftoneEntries() {
  static const std::uint8_t kLow[10][3] = {
      {0, 0, 0},     {128, 0, 0},   {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
      {128, 0, 128}, {0, 128, 128}, {192, 192, 192}, {192, 220, 192}, {166, 202, 240}};
  static const std::uint8_t kHigh[10][3] = {
      {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},   {0, 255, 0},
      {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255}, {255, 255, 255}};
  std::vector<PALETTEENTRY> e;
  e.reserve(256);
  for (const auto& c : kLow) e.push_back({c[0], c[1], c[2], 0});
  for (int r = 0; r < 6; ++r) {
    for (int g = 0; g < 6; ++g) {
      for (int b = 0; b < 6; ++b) {
        e.push_back({static_cast<std::uint8_t>(r * 51), static_cast<std::uint8_t>(g * 51),
                     static_cast<std::uint8_t>(b * 51), 0});
      }
    }
  }
  for (int i = 1; i <= 20; ++i) {
    const auto v = static_cast<std::uint8_t>(i * 255 / 21);
    e.push_back({v, v, v, 0});
  }
  for (const auto& c : kHigh) e.push_back({c[0], c[1], c[2], 0});
  return e;
}

HPALETTE StockPalette() {
  static HPALETTE handle = 0;
  if (detail::Find<Palette>(handle) == nullptr) {
    auto [h, p] = detail::Make<Palette>();
    // The default palette holds the 20 static colours.
    const std::vector<PALETTEENTRY> all = HalftoneEntries();
    p->entries.assign(all.begin(), all.begin() + 10);
    p->entries.insert(p->entries.end(), all.end() - 10, all.end());
    p->stock = true;
    handle = h;
  }
  return handle;
}

// ---- window surfaces ----
std::map<HWND, detail::Surface>& Surfaces() {
  static std::map<HWND, detail::Surface> surfaces;
  return surfaces;
}

// Drops the surfaces of windows that died (handles are never reused, so a stale entry is only
// memory).
void DropDeadSurfaces() {
  for (auto it = Surfaces().begin(); it != Surfaces().end();) {
    it = detail::FindWindow(it->first) == nullptr ? Surfaces().erase(it) : std::next(it);
  }
}

// The surface sized to the window's current client area (what lies inside is kept).
detail::Surface* SurfaceFor(detail::Window* w) {
  DropDeadSurfaces();
  detail::Surface& s = Surfaces()[w->self];
  const std::int32_t cw = w->clientWidth();
  const std::int32_t ch = w->clientHeight();
  if (s.width != cw || s.height != ch) {
    std::vector<std::uint32_t> next(static_cast<std::size_t>(cw) * static_cast<std::size_t>(ch));
    for (std::int32_t y = 0; y < std::min(ch, s.height); ++y) {
      for (std::int32_t x = 0; x < std::min(cw, s.width); ++x) {
        next[static_cast<std::size_t>(y) * cw + x] =
            s.pixels[static_cast<std::size_t>(y) * s.width + x];
      }
    }
    s.width = cw;
    s.height = ch;
    s.pixels = std::move(next);
  }
  return &s;
}

// ---- pixel access ----
int MaskShift(std::uint32_t mask) {
  int s = 0;
  while (mask != 0 && (mask & 1u) == 0) {
    mask >>= 1;
    ++s;
  }
  return s;
}

std::uint32_t MaskMax(std::uint32_t mask) { return mask >> MaskShift(mask); }

std::uint8_t FromMask(std::uint32_t p, std::uint32_t mask) {
  const std::uint32_t max = MaskMax(mask);
  if (max == 0) return 0;
  const std::uint32_t v = (p & mask) >> MaskShift(mask);
  return static_cast<std::uint8_t>((v * 255u + max / 2) / max);
}

std::uint32_t ToMask(std::uint8_t v, std::uint32_t mask) {
  const std::uint32_t max = MaskMax(mask);
  return ((static_cast<std::uint32_t>(v) * max + 127u) / 255u) << MaskShift(mask) & mask;
}

struct Masks {
  std::uint32_t r, g, b;
};

Masks MasksOf(const DibImage& d) {
  if (d.compression == BI_BITFIELDS && (d.redMask | d.greenMask | d.blueMask) != 0) {
    return {d.redMask, d.greenMask, d.blueMask};
  }
  if (d.bitsPerPixel == 16) return {0x7C00u, 0x03E0u, 0x001Fu};
  return {0x00FF0000u, 0x0000FF00u, 0x000000FFu};
}

std::uint8_t* RowOf(DibImage& d, std::int32_t y) {
  const std::int32_t row = d.topDown ? y : d.height - 1 - y;
  return d.pixels.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(d.stride);
}

std::uint32_t Pack(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) | b;
}

std::uint32_t ReadPixel(DibImage& d, const std::uint8_t* row, std::int32_t x, const Masks& m) {
  switch (d.bitsPerPixel) {
    case 1:
    case 4:
    case 8: {
      const int bpp = d.bitsPerPixel;
      const std::size_t bit = static_cast<std::size_t>(x) * bpp;
      const std::uint8_t byte = row[bit / 8];
      const unsigned index = (byte >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1u);
      if (index >= d.colors.size()) return 0;  // past the table: black
      const RGBQUAD& c = d.colors[index];
      return Pack(c.rgbRed, c.rgbGreen, c.rgbBlue);
    }
    case 16: {
      const std::uint32_t p = row[2 * x] | (row[2 * x + 1] << 8);
      return Pack(FromMask(p, m.r), FromMask(p, m.g), FromMask(p, m.b));
    }
    case 24: {
      const std::uint8_t* q = row + 3 * static_cast<std::size_t>(x);
      return Pack(q[2], q[1], q[0]);
    }
    case 32: {
      std::uint32_t p;
      std::memcpy(&p, row + 4 * static_cast<std::size_t>(x), 4);
      if (m.r == 0x00FF0000u && m.g == 0x0000FF00u && m.b == 0x000000FFu) return p & 0xFFFFFFu;
      return Pack(FromMask(p, m.r), FromMask(p, m.g), FromMask(p, m.b));
    }
    default:
      return 0;
  }
}

// Nearest colour-table entry (squared distance; the first of equals).
unsigned NearestIndex(const std::vector<RGBQUAD>& colors, std::uint32_t rgb,
                      std::map<std::uint32_t, unsigned>& cache) {
  if (auto it = cache.find(rgb); it != cache.end()) return it->second;
  const int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  unsigned best = 0;
  long bestD = std::numeric_limits<long>::max();
  for (unsigned i = 0; i < colors.size(); ++i) {
    const long dr = r - colors[i].rgbRed, dg = g - colors[i].rgbGreen, db = b - colors[i].rgbBlue;
    const long dist = dr * dr + dg * dg + db * db;
    if (dist < bestD) {
      bestD = dist;
      best = i;
    }
  }
  cache.emplace(rgb, best);
  return best;
}

void WritePixel(DibImage& d, std::uint8_t* row, std::int32_t x, std::uint32_t rgb, const Masks& m,
                std::map<std::uint32_t, unsigned>& cache) {
  const auto r = static_cast<std::uint8_t>(rgb >> 16);
  const auto g = static_cast<std::uint8_t>(rgb >> 8);
  const auto b = static_cast<std::uint8_t>(rgb);
  switch (d.bitsPerPixel) {
    case 1:
    case 4:
    case 8: {
      const int bpp = d.bitsPerPixel;
      const unsigned index = d.colors.empty() ? 0 : NearestIndex(d.colors, rgb, cache);
      const std::size_t bit = static_cast<std::size_t>(x) * bpp;
      const int shift = 8 - bpp - static_cast<int>(bit % 8);
      const auto mask = static_cast<std::uint8_t>(((1u << bpp) - 1u) << shift);
      row[bit / 8] = static_cast<std::uint8_t>((row[bit / 8] & ~mask) | ((index << shift) & mask));
      break;
    }
    case 16: {
      const std::uint32_t p = ToMask(r, m.r) | ToMask(g, m.g) | ToMask(b, m.b);
      row[2 * x] = static_cast<std::uint8_t>(p);
      row[2 * x + 1] = static_cast<std::uint8_t>(p >> 8);
      break;
    }
    case 24: {
      std::uint8_t* q = row + 3 * static_cast<std::size_t>(x);
      q[0] = b;
      q[1] = g;
      q[2] = r;
      break;
    }
    case 32: {
      const std::uint32_t p = (m.r == 0x00FF0000u && m.g == 0x0000FF00u && m.b == 0x000000FFu)
                                  ? rgb
                                  : (ToMask(r, m.r) | ToMask(g, m.g) | ToMask(b, m.b));
      std::memcpy(row + 4 * static_cast<std::size_t>(x), &p, 4);
      break;
    }
    default:
      break;
  }
}

// Where a transfer reads from or writes to: a DIB or a window's surface.
struct Target {
  DibImage* dib = nullptr;
  detail::Surface* surface = nullptr;
  detail::Window* window = nullptr;  // for the surface: its shape
  std::int32_t width = 0;
  std::int32_t height = 0;
};

Target TargetOf(HDC dc, bool forWriting) {
  Target t;
  auto* d = detail::Find<DeviceContext>(dc);
  if (d == nullptr) return t;
  if (d->window != 0) {
    detail::Window* w = detail::FindWindow(d->window);
    if (w == nullptr) return t;
    if (forWriting) {
      t.surface = SurfaceFor(w);
    } else {
      auto it = Surfaces().find(w->self);
      if (it == Surfaces().end()) return t;
      t.surface = &it->second;
    }
    t.window = w;
    t.width = t.surface->width;
    t.height = t.surface->height;
    return t;
  }
  auto it = d->selected.find(Kind::Bitmap);
  if (it == d->selected.end()) return t;
  t.dib = GetDib(it->second);
  if (t.dib == nullptr || t.dib->pixels.empty()) {
    t.dib = nullptr;
    return t;
  }
  t.width = t.dib->width;
  t.height = t.dib->height;
  return t;
}

// ---- regions ----
struct Span {
  std::int32_t left, right;
};

// Merges overlapping or touching spans (sorted by left on return).
std::vector<Span> MergeSpans(std::vector<Span> spans) {
  std::sort(spans.begin(), spans.end(),
            [](const Span& a, const Span& b) { return a.left < b.left; });
  std::vector<Span> out;
  for (const Span& s : spans) {
    if (!out.empty() && s.left <= out.back().right) {
      out.back().right = std::max(out.back().right, s.right);
    } else {
      out.push_back(s);
    }
  }
  return out;
}

bool Covers(const std::vector<Span>& spans, std::int32_t x) {
  auto it = std::upper_bound(spans.begin(), spans.end(), x,
                             [](std::int32_t v, const Span& s) { return v < s.left; });
  return it != spans.begin() && x < std::prev(it)->right;
}

bool Apply(std::int32_t mode, bool a, bool b) {
  switch (mode) {
    case RGN_AND:
      return a && b;
    case RGN_XOR:
      return a != b;
    case RGN_DIFF:
      return a && !b;
    default:
      return a || b;
  }
}

// The band decomposition of `a <mode> b` (mode one of RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF).
std::vector<RECT> BandSweep(std::vector<RECT> a, std::vector<RECT> b, std::int32_t mode) {
  auto drop_empty = [](std::vector<RECT>& v) {
    v.erase(std::remove_if(v.begin(), v.end(),
                           [](const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }),
            v.end());
    std::sort(v.begin(), v.end(), [](const RECT& p, const RECT& q) { return p.top < q.top; });
  };
  drop_empty(a);
  drop_empty(b);
  std::vector<std::int32_t> ys;
  ys.reserve(2 * (a.size() + b.size()));
  for (const auto* v : {&a, &b}) {
    for (const RECT& r : *v) {
      ys.push_back(r.top);
      ys.push_back(r.bottom);
    }
  }
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());

  std::vector<RECT> out;
  std::size_t bandStart = 0;  // first rectangle of the last band written
  std::size_t nextA = 0, nextB = 0;
  std::vector<const RECT*> activeA, activeB;
  auto step = [](std::vector<RECT>& src, std::size_t& next, std::vector<const RECT*>& active,
                 std::int32_t y) {
    active.erase(
        std::remove_if(active.begin(), active.end(), [y](const RECT* r) { return r->bottom <= y; }),
        active.end());
    while (next < src.size() && src[next].top <= y) active.push_back(&src[next++]);
  };
  auto spansOf = [](const std::vector<const RECT*>& active) {
    std::vector<Span> s;
    s.reserve(active.size());
    for (const RECT* r : active) s.push_back({r->left, r->right});
    return MergeSpans(std::move(s));
  };
  for (std::size_t k = 0; k + 1 < ys.size(); ++k) {
    const std::int32_t y0 = ys[k], y1 = ys[k + 1];
    step(a, nextA, activeA, y0);
    step(b, nextB, activeB, y0);
    std::vector<Span> result;
    const std::vector<Span> sa = spansOf(activeA);
    const std::vector<Span> sb = spansOf(activeB);
    if (mode == RGN_OR) {
      std::vector<Span> both = sa;
      both.insert(both.end(), sb.begin(), sb.end());
      result = MergeSpans(std::move(both));
    } else {
      std::vector<std::int32_t> xs;
      for (const auto* v : {&sa, &sb}) {
        for (const Span& s : *v) {
          xs.push_back(s.left);
          xs.push_back(s.right);
        }
      }
      std::sort(xs.begin(), xs.end());
      xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
      for (std::size_t i = 0; i + 1 < xs.size(); ++i) {
        if (Apply(mode, Covers(sa, xs[i]), Covers(sb, xs[i]))) {
          if (!result.empty() && result.back().right == xs[i]) {
            result.back().right = xs[i + 1];
          } else {
            result.push_back({xs[i], xs[i + 1]});
          }
        }
      }
    }
    if (result.empty()) continue;
    // Merge with the band above when it touches and has the same spans.
    bool merged = false;
    if (!out.empty() && out.back().bottom == y0 && out.size() - bandStart == result.size()) {
      merged = true;
      for (std::size_t i = 0; i < result.size(); ++i) {
        const RECT& r = out[bandStart + i];
        if (r.left != result[i].left || r.right != result[i].right) {
          merged = false;
          break;
        }
      }
    }
    if (merged) {
      for (std::size_t i = bandStart; i < out.size(); ++i) out[i].bottom = y1;
    } else {
      bandStart = out.size();
      for (const Span& s : result) out.push_back(RECT{s.left, y0, s.right, y1});
    }
  }
  return out;
}

// True when `v` is already in band form except for the joining of equal touching bands: no
// empty rectangle; the rectangles of a band (equal top and bottom) sorted by left and neither
// overlapping nor touching; each band starting at or below the bottom of the one before. The
// bitmap scan hands its batches over in this form.
bool IsBanded(const std::vector<RECT>& v) {
  for (std::size_t i = 0; i < v.size(); ++i) {
    const RECT& r = v[i];
    if (r.right <= r.left || r.bottom <= r.top) return false;
    if (i == 0) continue;
    const RECT& p = v[i - 1];
    if (r.top == p.top && r.bottom == p.bottom) {
      if (r.left <= p.right) return false;
    } else if (r.top < p.bottom) {
      return false;
    }
  }
  return true;
}

// The band form of a list for which IsBanded holds: touching bands with the same spans joined,
// exactly as the sweep joins them, in linear time.
std::vector<RECT> JoinEqualBands(const std::vector<RECT>& v) {
  std::vector<RECT> out;
  out.reserve(v.size());
  std::size_t lastBand = 0;  // first rectangle of the last band in `out`
  for (std::size_t i = 0; i < v.size();) {
    std::size_t j = i;
    while (j < v.size() && v[j].top == v[i].top && v[j].bottom == v[i].bottom) ++j;
    bool same = !out.empty() && out.back().bottom == v[i].top && out.size() - lastBand == j - i;
    for (std::size_t k = 0; same && k < j - i; ++k) {
      same = out[lastBand + k].left == v[i + k].left && out[lastBand + k].right == v[i + k].right;
    }
    if (same) {
      for (std::size_t k = lastBand; k < out.size(); ++k) out[k].bottom = v[i].bottom;
    } else {
      lastBand = out.size();
      out.insert(out.end(), v.begin() + static_cast<std::ptrdiff_t>(i),
                 v.begin() + static_cast<std::ptrdiff_t>(j));
    }
    i = j;
  }
  return out;
}

// a OR b for two band lists, in time proportional to b and to the part of a that b reaches
// down to: the bands of a that end above b's first row are kept as they are (bands are sorted
// and their bottoms never decrease), the rest is swept with b, and the first swept band joins
// the last kept one when they touch and have the same spans. A region built top to bottom in
// batches therefore grows in linear time. The result replaces `a`; `b` must not be `a`.
void UniteBelow(std::vector<RECT>& a, const std::vector<RECT>& b) {
  const std::int32_t top = b.front().top;
  const auto split =
      std::partition_point(a.begin(), a.end(), [top](const RECT& r) { return r.bottom <= top; });
  std::vector<RECT> swept;
  if (split == a.end()) {
    swept = b;  // nothing of `a` reaches into b's rows: b, already in band form, is the result
  } else if (split->top == b.front().top && split->bottom == b.front().bottom &&
             std::all_of(split, a.end(), [&](const RECT& r) {
               return r.top == b.front().top && r.bottom == b.front().bottom;
             })) {
    // One row split between two batches: its spans joined as the sweep joins them, then b's
    // other bands, then the joining of equal touching bands.
    std::vector<RECT> row(split, a.end());
    std::size_t firstBand = 0;
    while (firstBand < b.size() && b[firstBand].top == b.front().top) ++firstBand;
    row.insert(row.end(), b.begin(), b.begin() + static_cast<std::ptrdiff_t>(firstBand));
    std::sort(row.begin(), row.end(), [](const RECT& p, const RECT& q) { return p.left < q.left; });
    for (const RECT& r : row) {
      if (!swept.empty() && r.left <= swept.back().right) {
        swept.back().right = std::max(swept.back().right, r.right);
      } else {
        swept.push_back(r);
      }
    }
    swept.insert(swept.end(), b.begin() + static_cast<std::ptrdiff_t>(firstBand), b.end());
    swept = JoinEqualBands(swept);
  } else {
    swept = BandSweep(std::vector<RECT>(split, a.end()), b, RGN_OR);
  }
  a.erase(split, a.end());
  std::vector<RECT>& out = a;
  std::size_t skip = 0;
  if (!out.empty() && !swept.empty() && out.back().bottom == swept.front().top) {
    std::size_t lastBand = out.size();
    while (lastBand > 0 && out[lastBand - 1].top == out.back().top) --lastBand;
    std::size_t firstBand = 0;
    while (firstBand < swept.size() && swept[firstBand].top == swept.front().top) ++firstBand;
    bool same = out.size() - lastBand == firstBand;
    for (std::size_t i = 0; same && i < firstBand; ++i) {
      same = out[lastBand + i].left == swept[i].left && out[lastBand + i].right == swept[i].right;
    }
    if (same) {
      for (std::size_t i = lastBand; i < out.size(); ++i) out[i].bottom = swept.front().bottom;
      skip = firstBand;
    }
  }
  out.insert(out.end(), swept.begin() + static_cast<std::ptrdiff_t>(skip), swept.end());
}

std::int32_t KindOf(const Region& r) {
  if (r.rects.empty()) return NULLREGION;
  return r.rects.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

}  // namespace

// =============================================================================================
// Device contexts and selection
// =============================================================================================
HDC CreateCompatibleDC(HDC /*dc*/) {
  if (Refused(GdiOp::CreateCompatibleDC, 0)) return 0;
  const HBITMAP bitmap = StockBitmap();
  const HPALETTE palette = StockPalette();
  auto [h, d] = detail::Make<DeviceContext>();
  d->selected[Kind::Bitmap] = bitmap;
  d->selected[Kind::Palette] = palette;
  MemoryDCs().insert(h);
  return h;
}

bool DeleteDC(HDC dc) {
  if (FindMemoryDC(dc) == nullptr) return false;
  MemoryDCs().erase(dc);
  return detail::RemoveObject(dc);
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  auto* d = detail::Find<DeviceContext>(dc);
  const detail::Object* o = detail::FindAnyObject(object);
  if (d == nullptr || o == nullptr) return 0;
  switch (o->kind) {
    case Kind::Bitmap: {
      if (d->window != 0 || FindMemoryDC(dc) == nullptr) return 0;
      // A bitmap is selected into one device context at a time (the stock one excepted).
      if (!o->stock) {
        for (HDC other : MemoryDCs()) {
          if (other == dc) continue;
          auto* od = detail::Find<DeviceContext>(other);
          if (od != nullptr && od->selected[Kind::Bitmap] == object) return 0;
        }
      }
      break;
    }
    case Kind::Brush:
    case Kind::Font:
      break;
    default:
      return 0;
  }
  HGDIOBJ& slot = d->selected[o->kind];
  const HGDIOBJ previous = slot;
  slot = object;
  return previous;
}

HGDIOBJ GetCurrentObject(HDC dc, std::uint32_t kind) {
  auto* d = detail::Find<DeviceContext>(dc);
  if (d == nullptr) return 0;
  const Kind k = kind == OBJ_PAL ? Kind::Palette : kind == OBJ_BITMAP ? Kind::Bitmap : Kind::Window;
  auto it = d->selected.find(k);
  return it == d->selected.end() ? 0 : it->second;
}

// =============================================================================================
// Palettes
// =============================================================================================
HPALETTE CreatePalette(const LOGPALETTE* logPalette) {
  if (logPalette == nullptr || logPalette->palVersion != 0x300 || logPalette->palNumEntries == 0) {
    return 0;
  }
  auto [h, p] = detail::Make<Palette>();
  p->entries.resize(logPalette->palNumEntries);
  // The entries follow the header in memory, beyond the one the record names.
  std::memcpy(p->entries.data(), reinterpret_cast<const std::uint8_t*>(logPalette->palPalEntry),
              p->entries.size() * sizeof(PALETTEENTRY));
  return h;
}

HPALETTE CreateHalftonePalette(HDC /*dc*/) {
  auto [h, p] = detail::Make<Palette>();
  p->entries = HalftoneEntries();
  return h;
}

HPALETTE SelectPalette(HDC dc, HPALETTE palette, bool /*forceBackground*/) {
  auto* d = detail::Find<DeviceContext>(dc);
  if (d == nullptr || detail::Find<Palette>(palette) == nullptr) return 0;
  HGDIOBJ& slot = d->selected[Kind::Palette];
  const HPALETTE previous = slot != 0 ? slot : StockPalette();
  slot = palette;
  return previous;
}

UINT RealizePalette(HDC dc) {
  auto* d = detail::Find<DeviceContext>(dc);
  if (d == nullptr) return 0;
  auto it = d->selected.find(Kind::Palette);
  const Palette* p = it == d->selected.end() ? nullptr : detail::Find<Palette>(it->second);
  return p == nullptr ? 0 : static_cast<UINT>(p->entries.size());
}

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries) {
  const Palette* p = detail::Find<Palette>(palette);
  if (p == nullptr) return 0;
  const auto size = static_cast<UINT>(p->entries.size());
  if (entries == nullptr) return size;
  if (start >= size) return 0;
  const UINT n = std::min(count, size - start);
  std::copy_n(p->entries.begin() + start, n, entries);
  return n;
}

UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors) {
  auto* d = FindMemoryDC(dc);
  if (d == nullptr || colors == nullptr) return 0;
  const DibImage* dib = GetDib(d->selected[Kind::Bitmap]);
  if (dib == nullptr || dib->bitsPerPixel > 8) return 0;
  const auto size = static_cast<UINT>(dib->colors.size());
  if (start >= size) return 0;
  const UINT n = std::min(count, size - start);
  std::copy_n(dib->colors.begin() + start, n, colors);
  return n;
}

// =============================================================================================
// DIB sections and transfers
// =============================================================================================
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         std::uint32_t /*offset*/) {
  if (bits != nullptr) *bits = nullptr;
  if (info == nullptr || section != 0) return 0;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  const std::uint16_t bpp = h.biBitCount;
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biHeight == 0 || h.biPlanes != 1 ||
      (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)) {
    return 0;
  }
  const bool fields = h.biCompression == BI_BITFIELDS;
  if (h.biCompression != BI_RGB && !(fields && (bpp == 16 || bpp == 32))) return 0;
  const std::int64_t height = h.biHeight < 0 ? -static_cast<std::int64_t>(h.biHeight) : h.biHeight;
  const std::uint64_t stride = (static_cast<std::uint64_t>(h.biWidth) * bpp + 31) / 32 * 4;
  const std::uint64_t bytes = stride * static_cast<std::uint64_t>(height);
  if (bytes > 0x7FFFFFFFull || Refused(GdiOp::CreateDIBSection, bytes)) return 0;

  DibImage dib;
  dib.width = h.biWidth;
  dib.height = static_cast<std::int32_t>(height);
  dib.bitsPerPixel = bpp;
  dib.stride = static_cast<std::int32_t>(stride);
  dib.topDown = h.biHeight < 0;
  dib.compression = fields ? BI_BITFIELDS : BI_RGB;
  const auto* table = reinterpret_cast<const std::uint8_t*>(info->bmiColors);
  if (fields) {
    std::uint32_t masks[3];
    std::memcpy(masks, table, sizeof masks);
    dib.redMask = masks[0];
    dib.greenMask = masks[1];
    dib.blueMask = masks[2];
  } else if (bpp <= 8) {
    const std::uint32_t max = 1u << bpp;
    const std::uint32_t n = (h.biClrUsed == 0 || h.biClrUsed > max) ? max : h.biClrUsed;
    dib.colors.resize(n);
    if (usage == DIB_PAL_COLORS) {
      // Indices into the device context's palette.
      const DeviceContext* d = detail::Find<DeviceContext>(dc);
      const Palette* p = nullptr;
      if (d != nullptr) {
        auto it = d->selected.find(Kind::Palette);
        if (it != d->selected.end()) p = detail::Find<Palette>(it->second);
      }
      if (p == nullptr) p = detail::Find<Palette>(StockPalette());
      for (std::uint32_t i = 0; i < n; ++i) {
        std::uint16_t index;
        std::memcpy(&index, table + 2 * i, 2);
        if (index < p->entries.size()) {
          const PALETTEENTRY& e = p->entries[index];
          dib.colors[i] = RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0};
        }
      }
    } else {
      std::memcpy(dib.colors.data(), table, n * sizeof(RGBQUAD));
    }
  }
  dib.pixels.assign(static_cast<std::size_t>(bytes), 0);
  const HBITMAP handle = CreateBitmapObject(std::move(dib));
  if (handle != 0 && bits != nullptr) *bits = GetDib(handle)->pixels.data();
  return handle;
}

bool BitBlt(HDC dst, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, HDC src,
            std::int32_t xSrc, std::int32_t ySrc, std::uint32_t rop) {
  if (rop != SRCCOPY) return false;
  Target to = TargetOf(dst, true);
  Target from = TargetOf(src, false);
  if ((to.dib == nullptr && to.surface == nullptr) ||
      (from.dib == nullptr && from.surface == nullptr)) {
    return false;
  }
  // Clip the block to both pictures.
  if (x < 0) {
    w += x;
    xSrc -= x;
    x = 0;
  }
  if (y < 0) {
    h += y;
    ySrc -= y;
    y = 0;
  }
  if (xSrc < 0) {
    w += xSrc;
    x -= xSrc;
    xSrc = 0;
  }
  if (ySrc < 0) {
    h += ySrc;
    y -= ySrc;
    ySrc = 0;
  }
  w = std::min({w, to.width - x, from.width - xSrc});
  h = std::min({h, to.height - y, from.height - ySrc});
  if (w <= 0 || h <= 0) return true;

  const Masks inMasks = from.dib != nullptr ? MasksOf(*from.dib) : Masks{};
  const Masks outMasks = to.dib != nullptr ? MasksOf(*to.dib) : Masks{};
  // The common copy of a 24- or 32-bit picture into another 32-bit picture: row by row, with
  // the same pixel values the general path below produces.
  auto standard = [](const Masks& m) {
    return m.r == 0x00FF0000u && m.g == 0x0000FF00u && m.b == 0x000000FFu;
  };
  if (to.dib != nullptr && from.dib != nullptr && to.dib != from.dib && to.window == nullptr &&
      to.dib->bitsPerPixel == 32 && standard(outMasks) &&
      (from.dib->bitsPerPixel == 24 || (from.dib->bitsPerPixel == 32 && standard(inMasks)))) {
    for (std::int32_t j = 0; j < h; ++j) {
      const std::uint8_t* in = RowOf(*from.dib, ySrc + j);
      std::uint8_t* out = RowOf(*to.dib, y + j) + 4 * static_cast<std::size_t>(x);
      if (from.dib->bitsPerPixel == 24) {
        detail::Expand24To32(out, in + 3 * static_cast<std::size_t>(xSrc), w);
      } else {
        detail::Copy32ClearTop(out, in + 4 * static_cast<std::size_t>(xSrc), w);
      }
    }
    return true;
  }
  std::map<std::uint32_t, unsigned> nearest;
  const HANDLE shape = to.window != nullptr ? to.window->region : 0;
  const detail::Region* clip = shape != 0 ? detail::Find<Region>(shape) : nullptr;
  const std::int32_t frameX = to.window != nullptr ? to.window->frame.left : 0;
  const std::int32_t frameY = to.window != nullptr ? to.window->frame.top : 0;
  // Reading and writing the same picture: copy the block first.
  std::vector<std::uint32_t> block(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  for (std::int32_t j = 0; j < h; ++j) {
    if (from.dib != nullptr) {
      const std::uint8_t* row = RowOf(*from.dib, ySrc + j);
      for (std::int32_t i = 0; i < w; ++i) {
        block[static_cast<std::size_t>(j) * w + i] = ReadPixel(*from.dib, row, xSrc + i, inMasks);
      }
    } else {
      const std::uint32_t* row =
          from.surface->pixels.data() + static_cast<std::size_t>(ySrc + j) * from.width;
      for (std::int32_t i = 0; i < w; ++i) {
        block[static_cast<std::size_t>(j) * w + i] = row[xSrc + i] & 0xFFFFFFu;
      }
    }
  }
  for (std::int32_t j = 0; j < h; ++j) {
    if (to.dib != nullptr) {
      std::uint8_t* row = RowOf(*to.dib, y + j);
      for (std::int32_t i = 0; i < w; ++i) {
        WritePixel(*to.dib, row, x + i, block[static_cast<std::size_t>(j) * w + i], outMasks,
                   nearest);
      }
    } else {
      std::uint32_t* row = to.surface->pixels.data() + static_cast<std::size_t>(y + j) * to.width;
      for (std::int32_t i = 0; i < w; ++i) {
        if (clip != nullptr && !clip->contains(x + i + frameX, y + j + frameY)) continue;
        row[x + i] = 0xFF000000u | block[static_cast<std::size_t>(j) * w + i];
      }
    }
  }
  return true;
}

// =============================================================================================
// Regions
// =============================================================================================
namespace detail {

std::vector<RECT> NormaliseRects(std::vector<RECT> rects) {
  if (IsBanded(rects)) return JoinEqualBands(rects);
  return BandSweep(std::move(rects), {}, RGN_OR);
}

bool Region::contains(std::int32_t x, std::int32_t y) const {
  // Bottoms never decrease along the bands: find the band that holds y.
  auto it = std::partition_point(rects.begin(), rects.end(),
                                 [y](const RECT& r) { return r.bottom <= y; });
  for (; it != rects.end() && it->top <= y; ++it) {
    if (x >= it->left && x < it->right) return true;
  }
  return false;
}

Surface* PaintSurface(HWND hwnd) {
  Window* w = FindWindow(hwnd);
  return w == nullptr ? nullptr : SurfaceFor(w);
}

const Surface* WindowSurface(HWND hwnd) {
  DropDeadSurfaces();
  auto it = Surfaces().find(hwnd);
  return it == Surfaces().end() ? nullptr : &it->second;
}

}  // namespace detail

HRGN ExtCreateRegion(const void* xform, std::uint32_t bytes, const RGNDATA* data) {
  if (data == nullptr) return 0;
  if (Observer()) Observer()(data, bytes);
  if (xform != nullptr || bytes < sizeof(RGNDATAHEADER)) return 0;
  const RGNDATAHEADER header = data->rdh;
  if (header.dwSize != sizeof(RGNDATAHEADER) || header.iType != RDH_RECTANGLES) return 0;
  if (static_cast<std::uint64_t>(header.nCount) * sizeof(RECT) > bytes - sizeof(RGNDATAHEADER)) {
    return 0;
  }
  if (Refused(GdiOp::ExtCreateRegion, bytes)) return 0;
  std::vector<RECT> rects(header.nCount);
  if (!rects.empty()) {
    std::memcpy(rects.data(), reinterpret_cast<const std::uint8_t*>(data) + sizeof header,
                rects.size() * sizeof(RECT));
  }
  return MakeRegion(std::move(rects));
}

HRGN CreateRectRgn(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
  RECT r{std::min(left, right), std::min(top, bottom), std::max(left, right),
         std::max(top, bottom)};
  return MakeRegion({r});
}

std::int32_t CombineRgn(HRGN dst, HRGN src1, HRGN src2, std::int32_t mode) {
  Region* d = detail::Find<Region>(dst);
  const Region* a = detail::Find<Region>(src1);
  if (d == nullptr || a == nullptr) return RGN_ERROR;
  if (mode == RGN_COPY) {
    d->rects = a->rects;
    return KindOf(*d);
  }
  const Region* b = detail::Find<Region>(src2);
  if (b == nullptr || mode < RGN_AND || mode > RGN_DIFF) return RGN_ERROR;
  if (mode == RGN_OR && !a->rects.empty() && !b->rects.empty()) {
    const std::vector<RECT> second = b->rects;  // batch-sized in the common case; d may be b
    if (d != a) d->rects = a->rects;
    UniteBelow(d->rects, second);
  } else {
    d->rects = BandSweep(a->rects, b->rects, mode);
  }
  return KindOf(*d);
}

bool PtInRegion(HRGN region, std::int32_t x, std::int32_t y) { return RegionHit(region, x, y); }

std::int32_t GetRgnBox(HRGN region, RECT* box) {
  const Region* r = detail::Find<Region>(region);
  if (r == nullptr || box == nullptr) return RGN_ERROR;
  *box = RECT{};
  if (!r->rects.empty()) {
    *box = RECT{MAXLONG, r->rects.front().top, -MAXLONG, r->rects.back().bottom};
    for (const RECT& q : r->rects) {
      box->left = std::min(box->left, q.left);
      box->right = std::max(box->right, q.right);
    }
  }
  return KindOf(*r);
}

std::uint32_t GetRegionData(HRGN region, std::uint32_t bytes, RGNDATA* data) {
  const Region* r = detail::Find<Region>(region);
  if (r == nullptr) return 0;
  const auto need =
      static_cast<std::uint32_t>(sizeof(RGNDATAHEADER) + r->rects.size() * sizeof(RECT));
  if (data == nullptr || bytes < need) return need;
  RGNDATAHEADER header;
  header.nCount = static_cast<std::uint32_t>(r->rects.size());
  header.nRgnSize = static_cast<std::uint32_t>(r->rects.size() * sizeof(RECT));
  GetRgnBox(region, &header.rcBound);
  data->rdh = header;
  if (!r->rects.empty()) {
    std::memcpy(reinterpret_cast<std::uint8_t*>(data) + sizeof header, r->rects.data(),
                r->rects.size() * sizeof(RECT));
  }
  return need;
}

std::vector<RECT> RegionRects(HRGN region) {
  const Region* r = detail::Find<Region>(region);
  return r == nullptr ? std::vector<RECT>{} : r->rects;
}

bool SetRect(RECT* rect, std::int32_t left, std::int32_t top, std::int32_t right,
             std::int32_t bottom) {
  if (rect == nullptr) return false;
  *rect = RECT{left, top, right, bottom};
  return true;
}

// =============================================================================================
// Movable memory
// =============================================================================================
HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes) {
  if (Refused(GdiOp::GlobalAlloc, bytes)) return 0;
  auto [h, b] = detail::Make<GlobalBlock>();
  b->bytes.assign(bytes, 0);  // zeroed whether GMEM_ZEROINIT is given or not
  b->flags = flags;
  return h;
}

void* GlobalLock(HGLOBAL block) {
  GlobalBlock* b = detail::Find<GlobalBlock>(block);
  if (b == nullptr || b->bytes.empty()) return nullptr;
  ++b->locks;
  return b->bytes.data();
}

bool GlobalUnlock(HGLOBAL block) {
  GlobalBlock* b = detail::Find<GlobalBlock>(block);
  if (b == nullptr || b->locks == 0) return false;
  return --b->locks > 0;
}

HGLOBAL GlobalReAlloc(HGLOBAL block, std::size_t bytes, UINT flags) {
  GlobalBlock* b = detail::Find<GlobalBlock>(block);
  if (b == nullptr) return 0;
  // A locked block moves only when the caller allows it.
  if (b->locks > 0 && (flags & GMEM_MOVEABLE) == 0) return 0;
  if (Refused(GdiOp::GlobalReAlloc, bytes)) return 0;
  // Always a new place, so that a caller keeping the old address is caught.
  std::vector<std::uint8_t> next(bytes, 0);
  std::copy_n(b->bytes.begin(), std::min(bytes, b->bytes.size()), next.begin());
  b->bytes = std::move(next);
  return block;
}

HGLOBAL GlobalFree(HGLOBAL block) {
  if (detail::Find<GlobalBlock>(block) == nullptr) return block;
  detail::RemoveObject(block);
  return 0;
}

std::size_t GlobalSize(HGLOBAL block) {
  const GlobalBlock* b = detail::Find<GlobalBlock>(block);
  return b == nullptr ? 0 : b->bytes.size();
}

// =============================================================================================
// Test hooks
// =============================================================================================
void SetGdiFailureHook(GdiFailureHook hook) { FailureHook() = std::move(hook); }
void SetRegionDataObserver(RegionDataObserver observer) { Observer() = std::move(observer); }

}  // namespace brevra::platform
