// The bitmap loader, the region builder and the drawing services under them, on real BMP files:
// the region scan as a table of pictures, batches and buffer growth seen through the region-data
// observer, the mended buffer failures, palettes, pixel conversions, regions and movable memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "brevra/imagebutton/bitmap_region.h"
#include "brevra/platform/gdi.h"
#include "brevra/platform/headless.h"
#include "tests/imagebutton/bmp_files.h"

using namespace brevra;
namespace pf = brevra::platform;
using brevra::test::Picture;
using brevra::test::Rgb;

namespace {

constexpr std::uint32_t kMagenta = 0xFF00FF;  // 0x00BBGGRR and 0x00RRGGBB alike
constexpr std::uint32_t kHeaderBytes = sizeof(pf::RGNDATAHEADER);

bool operator==(const pf::RECT& a, const pf::RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Pixels covered by a list of disjoint rectangles.
long Area(const std::vector<pf::RECT>& rects) {
  long a = 0;
  for (const pf::RECT& r : rects) a += static_cast<long>(r.right - r.left) * (r.bottom - r.top);
  return a;
}

std::string Str(const std::vector<pf::RECT>& rects) {
  std::string s;
  for (const pf::RECT& r : rects) {
    s += "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
  }
  return s;
}

// One ExtCreateRegion call as the observer saw it.
struct Batch {
  std::uint32_t bytes = 0;
  pf::RGNDATAHEADER header;
  std::vector<pf::RECT> rects;
};

// Memory DCs start with shared stock objects, made on first use: make them before counting.
void MakeStockObjects() { pf::DeleteDC(pf::CreateCompatibleDC(0)); }

class RegionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeStockObjects();
    pf::SetRegionDataObserver([this](const pf::RGNDATA* data, std::uint32_t bytes) {
      Batch b;
      b.bytes = bytes;
      b.header = data->rdh;
      b.rects.assign(data->Buffer, data->Buffer + data->rdh.nCount);
      batches.push_back(std::move(b));
    });
  }
  void TearDown() override {
    pf::SetRegionDataObserver({});
    pf::SetGdiFailureHook({});
  }
  std::string Write(const Picture& p, int bits = 24) {
    const std::string path = dir.file("pic" + std::to_string(++files) + ".bmp");
    EXPECT_TRUE(brevra::test::WriteTrueColourBmp(path, p, bits));
    return path;
  }
  // All rectangles handed to ExtCreateRegion, in order.
  std::vector<pf::RECT> AllRects() const {
    std::vector<pf::RECT> all;
    for (const Batch& b : batches) all.insert(all.end(), b.rects.begin(), b.rects.end());
    return all;
  }

  brevra::test::ScratchDir dir{"region"};
  std::vector<Batch> batches;
  int files = 0;
};

// A picture of `runs` one-pixel opaque runs, 20 to a row, each followed by a transparent pixel.
Picture RunsPicture(int runs) {
  const int perRow = 20;
  Picture p(2 * perRow, (runs + perRow - 1) / perRow, kMagenta);
  for (int i = 0; i < runs; ++i) p.at(2 * (i % perRow), i / perRow) = Rgb(0, 0, 0);
  return p;
}

// ---- the scan, as a table: picture row -> rectangles ----
struct ScanCase {
  const char* name;
  std::vector<std::uint32_t> row;  // one row, 0x00RRGGBB
  std::uint32_t transColor;        // 0x00BBGGRR
  std::uint8_t tolerance;
  std::vector<pf::RECT> rects;  // rectangles of row 0
};

const ScanCase kScanCases[] = {
    {"width 5: O T T O O",
     {0, kMagenta, kMagenta, 0, 0},
     kMagenta,
     1,
     {{0, 0, 1, 1}, {3, 0, 5, 1}}},
    {"magenta tolerance 1 boundary",
     {Rgb(255, 0, 255), Rgb(255, 1, 255), Rgb(255, 2, 255), Rgb(254, 0, 255), Rgb(255, 0, 254),
      Rgb(255, 1, 255)},
     kMagenta,
     1,
     {{2, 0, 5, 1}}},
    {"tolerance widens upwards only",
     {Rgb(12, 15, 10), Rgb(9, 10, 10), Rgb(10, 10, 10), Rgb(15, 15, 15), Rgb(16, 10, 10)},
     0x0A0A0A,
     5,
     {{1, 0, 2, 1}, {4, 0, 5, 1}}},
    {"tolerance clamps at 255",
     {Rgb(255, 0, 0), Rgb(250, 20, 0), Rgb(249, 0, 0), Rgb(255, 21, 0)},
     250,
     20,
     {{2, 0, 4, 1}}},
    {"tolerance 0 is the one colour", {Rgb(1, 2, 3), Rgb(1, 2, 4)}, 0x030201, 0, {{1, 0, 2, 1}}},
    {"run to the right edge", {kMagenta, 0, 0}, kMagenta, 1, {{1, 0, 3, 1}}},
    {"top byte ignored", {0x12FF00FF, 0x00000000}, kMagenta, 0, {{1, 0, 2, 1}}},
};

TEST(ScanOpaqueRuns, RowTable) {
  for (const ScanCase& c : kScanCases) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t p : c.row) {
      for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(p >> (8 * i)));
    }
    std::vector<pf::RECT> got;
    ScanOpaqueRuns(bytes.data(), 0, static_cast<std::int32_t>(c.row.size()), 1,
                   MakeTransparentRange(c.transColor, c.tolerance),
                   [&](std::int32_t x0, std::int32_t y, std::int32_t x1) {
                     got.push_back({x0, y, x1, y + 1});
                     return true;
                   });
    EXPECT_EQ(Str(got), Str(c.rects));
  }
}

TEST(ScanOpaqueRuns, RangeClampsAndIgnoresNothingBelow) {
  const TransparentRange r = MakeTransparentRange(0x00F0FAFA, 20);  // blue 240, green/red 250
  EXPECT_EQ(r.lowRed, 250);
  EXPECT_EQ(r.highRed, 255);
  EXPECT_EQ(r.lowGreen, 250);
  EXPECT_EQ(r.highGreen, 255);
  EXPECT_EQ(r.lowBlue, 240);
  EXPECT_EQ(r.highBlue, 255);
}

TEST_F(RegionTest, ScanTableThroughFiles) {
  // The same rows as files: the pixels go through the 24-bit file, the working image and the
  // region; rows are scanned top first.
  for (const ScanCase& c : kScanCases) {
    if (std::string(c.name) == "top byte ignored") continue;  // 24-bit files have no top byte
    SCOPED_TRACE(c.name);
    Picture p(static_cast<std::int32_t>(c.row.size()), 2, kMagenta);
    for (std::size_t x = 0; x < c.row.size(); ++x) p.at(static_cast<int>(x), 1) = c.row[x];
    batches.clear();
    // Row 0 is fully "magenta"; for cases with another transparent colour that row is opaque
    // unless magenta lies in their range.
    const pf::HRGN rgn = BitmapToRegion(Write(p), c.transColor, c.tolerance);
    ASSERT_NE(rgn, 0u);
    std::vector<pf::RECT> row1;
    for (const pf::RECT& r : AllRects()) {
      if (r.top == 1) row1.push_back({r.left, 0, r.right, 1});
    }
    EXPECT_EQ(Str(row1), Str(c.rects));
    pf::DeleteObject(rgn);
  }
}

TEST_F(RegionTest, OpaquePictureGivesOneRectanglePerRowAndTheFullRectangle) {
  Picture p(7, 4, Rgb(10, 20, 30));
  const pf::HRGN rgn = BitmapToRegion(Write(p), kMagenta, 1);
  ASSERT_NE(rgn, 0u);
  ASSERT_EQ(batches.size(), 1u);
  EXPECT_EQ(Str(batches[0].rects), "(0,0,7,1)(0,1,7,2)(0,2,7,3)(0,3,7,4)");
  EXPECT_EQ(batches[0].header.dwSize, kHeaderBytes);
  EXPECT_EQ(batches[0].header.iType, pf::RDH_RECTANGLES);
  EXPECT_EQ(batches[0].header.nRgnSize, 0u);
  EXPECT_TRUE((batches[0].header.rcBound == pf::RECT{0, 0, 7, 4}));
  EXPECT_EQ(batches[0].bytes, kHeaderBytes + ALLOC_UNIT * sizeof(pf::RECT));
  EXPECT_EQ(Str(pf::RegionRects(rgn)), "(0,0,7,4)");
  pf::DeleteObject(rgn);
}

TEST_F(RegionTest, FullyTransparentPictureGivesAnEmptyRegion) {
  Picture p(5, 3, Rgb(255, 1, 255));
  const pf::HRGN rgn = BitmapToRegion(Write(p), kMagenta, 1);
  ASSERT_NE(rgn, 0u) << "an empty region, not none";
  ASSERT_EQ(batches.size(), 1u);
  EXPECT_EQ(batches[0].header.nCount, 0u);
  EXPECT_TRUE((batches[0].header.rcBound == pf::RECT{pf::MAXLONG, pf::MAXLONG, 0, 0}));
  pf::RECT box;
  EXPECT_EQ(pf::GetRgnBox(rgn, &box), pf::NULLREGION);
  EXPECT_FALSE(pf::PtInRegion(rgn, 0, 0));
  pf::DeleteObject(rgn);
}

TEST_F(RegionTest, RowsAreScannedTopFirstAndRegionIsInPictureCoordinates) {
  Picture p(4, 3, kMagenta);
  p.at(0, 0) = 0;  // top-left opaque
  p.at(3, 2) = 0;  // bottom-right opaque
  const pf::HRGN rgn = BitmapToRegion(Write(p), kMagenta, 1);
  EXPECT_EQ(Str(AllRects()), "(0,0,1,1)(3,2,4,3)");
  EXPECT_TRUE(pf::PtInRegion(rgn, 0, 0));
  EXPECT_TRUE(pf::PtInRegion(rgn, 3, 2));
  EXPECT_FALSE(pf::PtInRegion(rgn, 0, 2));
  pf::DeleteObject(rgn);
}

TEST_F(RegionTest, BatchesAndBufferGrowth) {
  struct Case {
    int runs;
    std::vector<std::uint32_t> counts;  // nCount of each ExtCreateRegion call
    std::uint32_t lastMaxRects;         // capacity the last call reports
  };
  const Case cases[] = {
      {1, {1}, 100},
      {100, {100}, 100},
      {101, {101}, 200},
      {2000, {2000, 0}, 2000},
      {4500, {2000, 2000, 500}, 2000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.runs);
    batches.clear();
    std::vector<std::size_t> grows;
    pf::SetGdiFailureHook([&](pf::GdiOp op, std::size_t bytes) {
      if (op == pf::GdiOp::GlobalReAlloc) grows.push_back(bytes);
      return false;
    });
    const Picture p = RunsPicture(c.runs);
    const pf::HRGN rgn = BitmapToRegion(Write(p), kMagenta, 1);
    ASSERT_NE(rgn, 0u);
    std::vector<std::uint32_t> counts;
    for (const Batch& b : batches) {
      counts.push_back(b.header.nCount);
      EXPECT_LE(b.bytes, kHeaderBytes + 2000 * sizeof(pf::RECT)) << "never above 2000";
    }
    EXPECT_EQ(counts, c.counts);
    EXPECT_EQ(batches.back().bytes, kHeaderBytes + c.lastMaxRects * sizeof(pf::RECT));
    // Growth in steps of ALLOC_UNIT, from 200 up to the capacity reached, and no further.
    ASSERT_EQ(grows.size(), c.lastMaxRects / ALLOC_UNIT - 1);
    for (std::size_t i = 0; i < grows.size(); ++i) {
      EXPECT_EQ(grows[i], kHeaderBytes + (i + 2) * ALLOC_UNIT * sizeof(pf::RECT));
    }
    // The united region holds every run.
    EXPECT_EQ(Area(pf::RegionRects(rgn)), c.runs);
    EXPECT_EQ(Str(pf::RegionRects(rgn)), Str(pf::detail::NormaliseRects(AllRects())));
    pf::DeleteObject(rgn);
  }
}

TEST_F(RegionTest, EveryObjectIsReleasedExceptTheResult) {
  Picture p(9, 9, 0);
  p.at(4, 4) = kMagenta;
  const std::string path = Write(p);
  const std::size_t before = pf::headless::LiveObjectCount();
  const pf::HRGN rgn = BitmapToRegion(path, kMagenta, 1);
  ASSERT_NE(rgn, 0u);
  EXPECT_EQ(pf::headless::LiveObjectCount(), before + 1);
  pf::DeleteObject(rgn);
  EXPECT_EQ(pf::headless::LiveObjectCount(), before);
}

TEST_F(RegionTest, MissingOrDamagedFileGivesNoRegionAndCreatesNothing) {
  const std::string damaged = dir.file("damaged.bmp");
  std::FILE* f = std::fopen(damaged.c_str(), "wb");
  std::fputs("BM not really", f);
  std::fclose(f);
  for (const std::string& path : {dir.file("missing.bmp"), damaged, dir.path().string()}) {
    SCOPED_TRACE(path);
    const std::size_t before = pf::headless::LiveObjectCount();
    EXPECT_EQ(BitmapToRegion(path, kMagenta, 1), 0u);
    EXPECT_EQ(pf::headless::LiveObjectCount(), before);
    EXPECT_TRUE(batches.empty());
  }
}

TEST_F(RegionTest, RefusedResourcesReleaseWhatWasMade) {
  // The memory DC, the working image or the buffer cannot be had: 0, nothing left behind.
  Picture p(6, 6, 0);
  const std::string path = Write(p);
  for (pf::GdiOp refused :
       {pf::GdiOp::CreateCompatibleDC, pf::GdiOp::CreateDIBSection, pf::GdiOp::GlobalAlloc}) {
    SCOPED_TRACE(static_cast<int>(refused));
    pf::SetGdiFailureHook([refused](pf::GdiOp op, std::size_t) { return op == refused; });
    const std::size_t before = pf::headless::LiveObjectCount();
    EXPECT_EQ(BitmapToRegion(path, kMagenta, 1), 0u);
    EXPECT_EQ(pf::headless::LiveObjectCount(), before);
    EXPECT_TRUE(batches.empty()) << "nothing written through a missing buffer";
  }
}

TEST_F(RegionTest, BufferThatCannotGrowKeepsTheRegionBuiltSoFar) {
  const Picture p = RunsPicture(2345);
  const std::string path = Write(p);
  struct Case {
    int failAtGrowth;      // the n-th growth (1-based) is refused
    std::size_t expected;  // rectangles of the result
  };
  // After the first full batch the buffer holds 2000 and never grows again.
  for (const Case& c : {Case{1, 100}, Case{5, 500}, Case{19, 1900}, Case{20, 2345}}) {
    SCOPED_TRACE(c.failAtGrowth);
    batches.clear();
    int growth = 0;
    pf::SetGdiFailureHook([&](pf::GdiOp op, std::size_t) {
      return op == pf::GdiOp::GlobalReAlloc && ++growth == c.failAtGrowth;
    });
    const std::size_t before = pf::headless::LiveObjectCount();
    const pf::HRGN rgn = BitmapToRegion(path, kMagenta, 1);
    ASSERT_NE(rgn, 0u);
    EXPECT_EQ(pf::headless::LiveObjectCount(), before + 1);
    EXPECT_EQ(Area(pf::RegionRects(rgn)), static_cast<long>(c.expected));
    // The first runs of the picture, in scan order: the last one kept and the next one not.
    const auto last = static_cast<std::int32_t>(c.expected - 1);
    EXPECT_TRUE(pf::PtInRegion(rgn, 2 * (last % 20), last / 20));
    EXPECT_FALSE(pf::PtInRegion(rgn, 2 * ((last + 1) % 20), (last + 1) / 20));  // past the end
    pf::DeleteObject(rgn);
  }
}

TEST_F(RegionTest, BatchWhoseRegionCannotBeMadeAddsNothing) {
  const std::string path = Write(RunsPicture(4500));
  int call = 0;
  pf::SetGdiFailureHook(
      [&](pf::GdiOp op, std::size_t) { return op == pf::GdiOp::ExtCreateRegion && ++call == 1; });
  const pf::HRGN rgn = BitmapToRegion(path, kMagenta, 1);
  ASSERT_NE(rgn, 0u);
  EXPECT_EQ(Area(pf::RegionRects(rgn)), 2500);
  EXPECT_FALSE(pf::PtInRegion(rgn, 0, 0)) << "the first batch is missing";
  EXPECT_TRUE(pf::PtInRegion(rgn, 0, 100));
  pf::DeleteObject(rgn);
}

TEST_F(RegionTest, IndexedAndDeepFilesScanThroughTheirColours) {
  // The same shape as 1, 4, 8, 24 and 32-bit files.
  const std::vector<std::uint8_t> idx = {1, 0, 0, 1, 1,  //
                                         0, 1, 1, 0, 0};
  const std::string expected = "(0,0,1,1)(3,0,5,1)(1,1,3,2)";
  for (int bits : {1, 4, 8}) {
    SCOPED_TRACE(bits);
    const std::string path = dir.file("idx" + std::to_string(bits) + ".bmp");
    ASSERT_TRUE(brevra::test::WriteIndexedBmp(path, 5, 2, bits, {kMagenta, Rgb(0, 128, 0)}, idx));
    const pf::HRGN rgn = BitmapToRegion(path, kMagenta, 1);
    ASSERT_NE(rgn, 0u);
    EXPECT_EQ(Str(pf::RegionRects(rgn)), expected);
    pf::DeleteObject(rgn);
  }
  for (int bits : {24, 32}) {
    SCOPED_TRACE(bits);
    Picture p(5, 2, kMagenta);
    for (int i = 0; i < 10; ++i) {
      if (idx[i] == 1) p.pixels[i] = Rgb(0, 128, 0);
    }
    const pf::HRGN rgn = BitmapToRegion(Write(p, bits), kMagenta, 1);
    ASSERT_NE(rgn, 0u);
    EXPECT_EQ(Str(pf::RegionRects(rgn)), expected);
    pf::DeleteObject(rgn);
  }
}

// ---- palettes ----
TEST(LoadBMPFromFile, PalettesFromTheColourTableOrHalftone) {
  brevra::test::ScratchDir dir("palette");
  std::vector<std::uint32_t> table;
  for (int i = 0; i < 16; ++i) table.push_back(Rgb(i * 16, 255 - i, i));
  const std::string eight = dir.file("eight.bmp");
  ASSERT_TRUE(
      brevra::test::WriteIndexedBmp(eight, 4, 4, 8, table, std::vector<std::uint8_t>(16, 3)));
  const std::string deep = dir.file("deep.bmp");
  ASSERT_TRUE(brevra::test::WriteTrueColourBmp(deep, Picture(3, 3, Rgb(1, 2, 3))));

  MakeStockObjects();
  const std::size_t before = pf::headless::LiveObjectCount();
  pf::HPALETTE pal = 0;
  const pf::HBITMAP bmp = LoadBMPFromFile(eight, pal);
  ASSERT_NE(bmp, 0u);
  ASSERT_NE(pal, 0u);
  EXPECT_EQ(pf::headless::LiveObjectCount(), before + 2) << "only the bitmap and its palette";
  std::vector<pf::PALETTEENTRY> e(256);
  ASSERT_EQ(pf::GetPaletteEntries(pal, 0, 0, nullptr), 256u);
  ASSERT_EQ(pf::GetPaletteEntries(pal, 0, 256, e.data()), 256u);
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(Rgb(e[i].peRed, e[i].peGreen, e[i].peBlue), table[i]) << i;
    EXPECT_EQ(e[i].peFlags, 0);
  }
  for (int i = 16; i < 256; ++i) EXPECT_EQ(Rgb(e[i].peRed, e[i].peGreen, e[i].peBlue), 0u) << i;
  pf::DeleteObject(pal);
  pf::DeleteObject(bmp);

  pf::HPALETTE deepPal = 0;
  const pf::HBITMAP deepBmp = LoadBMPFromFile(deep, deepPal);
  ASSERT_NE(deepBmp, 0u);
  const pf::HPALETTE halftone = pf::CreateHalftonePalette(0);
  std::vector<pf::PALETTEENTRY> h1(256), h2(256);
  ASSERT_EQ(pf::GetPaletteEntries(deepPal, 0, 256, h1.data()), 256u);
  ASSERT_EQ(pf::GetPaletteEntries(halftone, 0, 256, h2.data()), 256u);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(std::tie(h1[i].peRed, h1[i].peGreen, h1[i].peBlue),
              std::tie(h2[i].peRed, h2[i].peGreen, h2[i].peBlue));
  }
  for (pf::HANDLE h : {deepPal, deepBmp, halftone}) pf::DeleteObject(h);
  EXPECT_EQ(pf::headless::LiveObjectCount(), before);

  // A missing file: 0 and the palette variable untouched.
  pf::HPALETTE untouched = 0x1234;
  EXPECT_EQ(LoadBMPFromFile(dir.file("none.bmp"), untouched), 0u);
  EXPECT_EQ(untouched, 0x1234u);
  EXPECT_EQ(pf::headless::LiveObjectCount(), before);
}

// ---- the drawing services ----
TEST(Gdi, BlockTransfersConvertEveryDepthToThirtyTwoBits) {
  brevra::test::ScratchDir dir("blit");
  const std::vector<std::uint32_t> colours = {Rgb(200, 10, 30), Rgb(0, 0, 255)};
  struct Case {
    int bits;
    std::string path;
  };
  std::vector<Case> cases;
  for (int bits : {1, 4, 8}) {
    cases.push_back({bits, dir.file("i" + std::to_string(bits) + ".bmp")});
    ASSERT_TRUE(
        brevra::test::WriteIndexedBmp(cases.back().path, 3, 2, bits, colours, {0, 1, 0, 1, 1, 0}));
  }
  for (int bits : {24, 32}) {
    Picture p(3, 2);
    const std::uint8_t idx[6] = {0, 1, 0, 1, 1, 0};
    for (int i = 0; i < 6; ++i) p.pixels[i] = colours[idx[i]];
    cases.push_back({bits, dir.file("t" + std::to_string(bits) + ".bmp")});
    ASSERT_TRUE(brevra::test::WriteTrueColourBmp(cases.back().path, p, bits));
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bits);
    const pf::HBITMAP src = pf::LoadImage(0, c.path.c_str(), pf::IMAGE_BITMAP, 0, 0,
                                          pf::LR_LOADFROMFILE | pf::LR_CREATEDIBSECTION);
    ASSERT_NE(src, 0u);
    pf::BITMAPINFO info;
    info.bmiHeader.biWidth = 3;
    info.bmiHeader.biHeight = -2;  // top-down
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    const pf::HBITMAP dst = pf::CreateDIBSection(0, &info, pf::DIB_RGB_COLORS, &bits, 0, 0);
    ASSERT_NE(dst, 0u);
    ASSERT_NE(bits, nullptr);
    const pf::HDC a = pf::CreateCompatibleDC(0), b = pf::CreateCompatibleDC(0);
    const pf::HGDIOBJ oldA = pf::SelectObject(a, src);
    const pf::HGDIOBJ oldB = pf::SelectObject(b, dst);
    EXPECT_NE(oldA, 0u);
    EXPECT_EQ(pf::SelectObject(b, src), 0u) << "a bitmap lives in one DC at a time";
    EXPECT_TRUE(pf::BitBlt(b, 0, 0, 3, 2, a, 0, 0, pf::SRCCOPY));
    const auto* px = static_cast<const std::uint32_t*>(bits);
    const std::uint8_t idx[6] = {0, 1, 0, 1, 1, 0};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(px[i], colours[idx[i]]) << i;
    EXPECT_EQ(pf::SelectObject(a, oldA), src);
    EXPECT_EQ(pf::SelectObject(b, oldB), dst);
    pf::DeleteDC(a);
    pf::DeleteDC(b);
    pf::DeleteObject(src);
    pf::DeleteObject(dst);
  }
}

TEST(Gdi, TransfersIntoIndexedAndSixteenBitImagesAndClipping) {
  auto make = [](int bits, std::vector<pf::RGBQUAD> table, void** out) {
    std::vector<std::uint8_t> rec(sizeof(pf::BITMAPINFO) + 256 * sizeof(pf::RGBQUAD));
    auto* info = new (rec.data()) pf::BITMAPINFO;
    info->bmiHeader.biWidth = 4;
    info->bmiHeader.biHeight = 2;
    info->bmiHeader.biBitCount = static_cast<std::uint16_t>(bits);
    info->bmiHeader.biClrUsed = static_cast<std::uint32_t>(table.size());
    std::copy(table.begin(), table.end(), reinterpret_cast<pf::RGBQUAD*>(rec.data() + 40));
    return pf::CreateDIBSection(0, info, pf::DIB_RGB_COLORS, out, 0, 0);
  };
  void* p32 = nullptr;
  void* p8 = nullptr;
  void* p16 = nullptr;
  const pf::HBITMAP b32 = make(32, {}, &p32);
  const pf::HBITMAP b8 = make(8, {{0, 0, 0, 0}, {0, 0, 250, 0}, {250, 0, 0, 0}}, &p8);
  const pf::HBITMAP b16 = make(16, {}, &p16);
  auto* px = static_cast<std::uint32_t*>(p32);
  // Bottom-up: memory row 0 is the picture's row 1.
  px[4] = Rgb(255, 0, 0);
  px[5] = Rgb(0, 0, 255);
  px[6] = Rgb(10, 10, 10);
  px[7] = Rgb(255, 255, 255);
  const pf::HDC s = pf::CreateCompatibleDC(0), d8 = pf::CreateCompatibleDC(0),
                d16 = pf::CreateCompatibleDC(0);
  pf::SelectObject(s, b32);
  pf::SelectObject(d8, b8);
  pf::SelectObject(d16, b16);
  EXPECT_TRUE(pf::BitBlt(d8, 0, 0, 4, 2, s, 0, 0, pf::SRCCOPY));
  const auto* i8 = static_cast<const std::uint8_t*>(p8);
  EXPECT_EQ(std::vector<int>(i8 + 4, i8 + 8), (std::vector<int>{1, 2, 0, 1})) << "nearest entries";
  EXPECT_TRUE(pf::BitBlt(d16, 0, 0, 4, 2, s, 0, 0, pf::SRCCOPY));
  const auto* i16 = static_cast<const std::uint16_t*>(p16);
  EXPECT_EQ(i16[4], 0x7C00);  // 5-5-5 red
  EXPECT_EQ(i16[7], 0x7FFF);
  // Clipped at the edges: a block hanging over the right and top writes only what fits.
  px[0] = px[1] = px[2] = px[3] = 0;
  EXPECT_TRUE(pf::BitBlt(s, 2, 1, 4, 2, d16, 0, 0, pf::SRCCOPY));
  EXPECT_EQ(px[2], Rgb(255, 0, 0));
  EXPECT_EQ(px[3], Rgb(0, 0, 255));
  EXPECT_EQ(px[1], 0u);
  EXPECT_TRUE(pf::BitBlt(s, -1, 0, 2, 1, d16, 0, 0, pf::SRCCOPY));
  EXPECT_EQ(px[4], Rgb(0, 0, 255)) << "the block moves with its clipped left edge";
  EXPECT_EQ(px[5], Rgb(0, 0, 255)) << "unchanged";
  EXPECT_FALSE(pf::BitBlt(s, 0, 0, 1, 1, d16, 0, 0, 0x00EE0086)) << "only SRCCOPY";
  for (pf::HDC dc : {s, d8, d16}) EXPECT_TRUE(pf::DeleteDC(dc));
  for (pf::HBITMAP b : {b32, b8, b16}) EXPECT_TRUE(pf::DeleteObject(b));
}

TEST(Gdi, RegionsCombineIntoBands) {
  const pf::HRGN a = pf::CreateRectRgn(0, 0, 10, 10);
  const pf::HRGN b = pf::CreateRectRgn(5, 5, 15, 15);
  const pf::HRGN r = pf::CreateRectRgn(0, 0, 0, 0);
  struct Case {
    std::int32_t mode;
    std::int32_t kind;
    const char* rects;
  };
  const Case cases[] = {
      {pf::RGN_OR, pf::COMPLEXREGION, "(0,0,10,5)(0,5,15,10)(5,10,15,15)"},
      {pf::RGN_AND, pf::SIMPLEREGION, "(5,5,10,10)"},
      {pf::RGN_DIFF, pf::COMPLEXREGION, "(0,0,10,5)(0,5,5,10)"},
      {pf::RGN_XOR, pf::COMPLEXREGION, "(0,0,10,5)(0,5,5,10)(10,5,15,10)(5,10,15,15)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    EXPECT_EQ(pf::CombineRgn(r, a, b, c.mode), c.kind);
    EXPECT_EQ(Str(pf::RegionRects(r)), c.rects);
  }
  // Rows of equal runs merge; touching runs join; a region united into itself is unchanged.
  pf::RGNDATA* none = nullptr;
  std::vector<std::uint8_t> buf(kHeaderBytes + 4 * sizeof(pf::RECT));
  auto* data = new (buf.data()) pf::RGNDATA;
  data->rdh.nCount = 4;
  auto* rects = reinterpret_cast<pf::RECT*>(buf.data() + kHeaderBytes);
  rects[0] = {0, 0, 2, 1};
  rects[1] = {2, 0, 4, 1};
  rects[2] = {0, 1, 4, 2};
  rects[3] = {1, 1, 1, 2};  // empty
  const pf::HRGN e = pf::ExtCreateRegion(nullptr, static_cast<std::uint32_t>(buf.size()), data);
  EXPECT_EQ(Str(pf::RegionRects(e)), "(0,0,4,2)");
  EXPECT_EQ(pf::CombineRgn(e, e, e, pf::RGN_OR), pf::SIMPLEREGION);
  pf::RECT box;
  EXPECT_EQ(pf::GetRgnBox(e, &box), pf::SIMPLEREGION);
  EXPECT_TRUE((box == pf::RECT{0, 0, 4, 2}));
  EXPECT_TRUE(pf::PtInRegion(e, 3, 1));
  EXPECT_FALSE(pf::PtInRegion(e, 4, 1));
  EXPECT_FALSE(pf::PtInRegion(e, 0, -1));
  // Damaged buffers are refused.
  EXPECT_EQ(pf::ExtCreateRegion(nullptr, 100, none), 0u);
  EXPECT_EQ(pf::ExtCreateRegion(nullptr, kHeaderBytes + 3 * sizeof(pf::RECT), data), 0u)
      << "count beyond the buffer";
  data->rdh.iType = 2;
  EXPECT_EQ(pf::ExtCreateRegion(nullptr, static_cast<std::uint32_t>(buf.size()), data), 0u);
  // GetRegionData gives the same rectangles.
  const std::uint32_t need = pf::GetRegionData(r, 0, nullptr);
  std::vector<std::uint8_t> out(need);
  ASSERT_EQ(pf::GetRegionData(r, need, reinterpret_cast<pf::RGNDATA*>(out.data())), need);
  EXPECT_EQ(reinterpret_cast<pf::RGNDATA*>(out.data())->rdh.nCount, 4u);
  for (pf::HRGN h : {a, b, r, e}) EXPECT_TRUE(pf::DeleteObject(h));
}

TEST(Gdi, MovableMemory) {
  const pf::HGLOBAL h = pf::GlobalAlloc(pf::GMEM_MOVEABLE, 8);
  ASSERT_NE(h, 0u);
  auto* p = static_cast<std::uint8_t*>(pf::GlobalLock(h));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(pf::GlobalLock(h), p) << "locks nest";
  EXPECT_TRUE(pf::GlobalUnlock(h));
  EXPECT_FALSE(pf::GlobalUnlock(h));
  EXPECT_FALSE(pf::GlobalUnlock(h)) << "not locked any more";
  p = static_cast<std::uint8_t*>(pf::GlobalLock(h));
  for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(i + 1);
  pf::GlobalUnlock(h);
  EXPECT_EQ(pf::GlobalReAlloc(h, 4000, pf::GMEM_MOVEABLE), h);
  EXPECT_EQ(pf::GlobalSize(h), 4000u);
  auto* q = static_cast<std::uint8_t*>(pf::GlobalLock(h));
  EXPECT_EQ(std::vector<int>(q, q + 8), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
  pf::SetGdiFailureHook([](pf::GdiOp op, std::size_t) { return op == pf::GdiOp::GlobalReAlloc; });
  EXPECT_EQ(pf::GlobalReAlloc(h, 8000, pf::GMEM_MOVEABLE), 0u);
  EXPECT_EQ(pf::GlobalSize(h), 4000u) << "the old block stays";
  pf::SetGdiFailureHook({});
  EXPECT_EQ(pf::GlobalFree(h), 0u) << "freed while locked";
  EXPECT_EQ(pf::GlobalFree(h), h) << "a dead handle";
  EXPECT_EQ(pf::GlobalLock(h), nullptr);
}

TEST(Gdi, PalettesSelectAndRealize) {
  std::vector<std::uint8_t> rec(sizeof(pf::LOGPALETTE) + 2 * sizeof(pf::PALETTEENTRY));
  auto* lp = new (rec.data()) pf::LOGPALETTE;
  lp->palNumEntries = 3;
  auto* e = reinterpret_cast<pf::PALETTEENTRY*>(rec.data() + offsetof(pf::LOGPALETTE, palPalEntry));
  e[0] = {1, 2, 3, 0};
  e[2] = {7, 8, 9, 0};
  const pf::HPALETTE pal = pf::CreatePalette(lp);
  ASSERT_NE(pal, 0u);
  pf::PALETTEENTRY got[3];
  ASSERT_EQ(pf::GetPaletteEntries(pal, 0, 3, got), 3u);
  EXPECT_EQ(got[2].peBlue, 9);
  const pf::HDC dc = pf::CreateCompatibleDC(0);
  const pf::HPALETTE old = pf::SelectPalette(dc, pal, true);
  EXPECT_NE(old, 0u) << "the default palette";
  EXPECT_EQ(pf::RealizePalette(dc), 3u);
  EXPECT_EQ(pf::SelectPalette(dc, old, false), pal);
  lp->palVersion = 0x200;
  EXPECT_EQ(pf::CreatePalette(lp), 0u);
  EXPECT_TRUE(pf::DeleteDC(dc));
  EXPECT_FALSE(pf::DeleteDC(dc));
  EXPECT_TRUE(pf::DeleteObject(pal));
}

}  // namespace

namespace {

TEST(Gdi, UnionEqualsTheSweepOfAllRectangles) {
  // The union keeps the bands above the second region untouched and sweeps the rest: for any
  // pair of regions it must equal the band form of all their rectangles together.
  std::uint32_t seed = 12345;
  auto next = [&seed](int n) {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<std::int32_t>((seed >> 8) % static_cast<std::uint32_t>(n));
  };
  auto randomRects = [&](int count, int top, int height) {
    std::vector<pf::RECT> v;
    for (int i = 0; i < count; ++i) {
      const std::int32_t l = next(30), t = top + next(height);
      v.push_back({l, t, l + 1 + next(10), t + 1 + next(3)});
    }
    return v;
  };
  auto regionOf = [&](const std::vector<pf::RECT>& rects) {
    std::vector<std::uint8_t> buf(kHeaderBytes + rects.size() * sizeof(pf::RECT));
    auto* data = new (buf.data()) pf::RGNDATA;
    data->rdh.nCount = static_cast<std::uint32_t>(rects.size());
    std::copy(rects.begin(), rects.end(), reinterpret_cast<pf::RECT*>(buf.data() + kHeaderBytes));
    return pf::ExtCreateRegion(nullptr, static_cast<std::uint32_t>(buf.size()), data);
  };
  for (int round = 0; round < 200; ++round) {
    SCOPED_TRACE(round);
    const int aTop = next(10), bTop = next(25);
    const std::vector<pf::RECT> ra = randomRects(1 + next(12), aTop, 15);
    const std::vector<pf::RECT> rb = randomRects(1 + next(12), bTop, 8);
    std::vector<pf::RECT> all = ra;
    all.insert(all.end(), rb.begin(), rb.end());
    const std::string expected = Str(pf::detail::NormaliseRects(all));
    const pf::HRGN a = regionOf(ra), b = regionOf(rb), d = pf::CreateRectRgn(0, 0, 0, 0);
    EXPECT_NE(pf::CombineRgn(d, a, b, pf::RGN_OR), pf::RGN_ERROR);
    EXPECT_EQ(Str(pf::RegionRects(d)), expected) << "into a third region";
    EXPECT_NE(pf::CombineRgn(a, a, b, pf::RGN_OR), pf::RGN_ERROR);
    EXPECT_EQ(Str(pf::RegionRects(a)), expected) << "in place";
    EXPECT_NE(pf::CombineRgn(b, d, b, pf::RGN_OR), pf::RGN_ERROR);
    EXPECT_EQ(Str(pf::RegionRects(b)), expected) << "into the second source";
    for (pf::HRGN h : {a, b, d}) pf::DeleteObject(h);
  }
}

}  // namespace
