// The pictures behind icon handles: icon and cursor files (bitmap entries with an AND mask or an
// alpha channel), BMP files and the built-in application icon, decoded from files written here.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "brevra/platform/headless.h"
#include "brevra/platform/icon_image.h"
#include "brevra/platform/platform.h"
#include "tests/support/temp_dir.h"

namespace pf = brevra::platform;
using pf::detail::DecodeIconFile;
using pf::detail::IconImage;

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::uint32_t v) {
  b.push_back(v & 0xFF);
  b.push_back((v >> 8) & 0xFF);
}
void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// One bitmap entry: info header with the doubled height, picture rows bottom-up, AND mask.
// 32 bits: `argb` as B, G, R, A bytes. 4 bits: a two-colour table (black, `argb[0]`'s colour)
// and pixel i takes index 1 where argb[i] is not 0. `transparent` marks AND-mask bits.
Bytes Entry(int w, int h, int bpp, const std::vector<std::uint32_t>& argb,
            const std::vector<bool>& transparent) {
  Bytes b;
  Put32(b, 40);
  Put32(b, w);
  Put32(b, 2 * h);
  Put16(b, 1);
  Put16(b, bpp);
  for (int i = 0; i < 6; ++i) Put32(b, 0);
  if (bpp == 4) {
    Put32(b, 0);
    Put32(b, argb[0] & 0xFFFFFF);
    for (int i = 2; i < 16; ++i) Put32(b, 0);
  }
  const int stride = ((w * bpp + 31) / 32) * 4;
  for (int y = h - 1; y >= 0; --y) {
    Bytes row(stride, 0);
    for (int x = 0; x < w; ++x) {
      const std::uint32_t c = argb[y * w + x];
      if (bpp == 32) {
        for (int k = 0; k < 4; ++k) row[4 * x + k] = (c >> (8 * (k == 3 ? 3 : k))) & 0xFF;
      } else if (c != 0) {
        row[x / 2] |= x % 2 == 0 ? 0x10 : 0x01;
      }
    }
    b.insert(b.end(), row.begin(), row.end());
  }
  const int maskStride = ((w + 31) / 32) * 4;
  for (int y = h - 1; y >= 0; --y) {
    Bytes row(maskStride, 0);
    for (int x = 0; x < w; ++x) {
      if (transparent[y * w + x]) row[x / 8] |= 0x80 >> (x % 8);
    }
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

// An icon (type 1) or cursor (type 2) file of these entries; `sizes` are the directory's widths.
Bytes IconFile(int type, const std::vector<Bytes>& entries, const std::vector<int>& sizes) {
  Bytes f;
  Put16(f, 0);
  Put16(f, type);
  Put16(f, static_cast<std::uint32_t>(entries.size()));
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    f.push_back(static_cast<std::uint8_t>(sizes[i]));
    f.push_back(static_cast<std::uint8_t>(sizes[i]));
    f.push_back(0);
    f.push_back(0);
    Put16(f, 1);
    Put16(f, 32);
    Put32(f, static_cast<std::uint32_t>(entries[i].size()));
    Put32(f, offset);
    offset += static_cast<std::uint32_t>(entries[i].size());
  }
  for (const Bytes& e : entries) f.insert(f.end(), e.begin(), e.end());
  return f;
}

IconImage Decode(const Bytes& b) { return DecodeIconFile(b.data(), b.size()); }

TEST(IconImage, EntriesWithAlphaOrAndMask) {
  // 2 x 2: red, green / blue, white.
  const std::vector<std::uint32_t> colours = {0x80FF0000, 0xFF00FF00, 0x000000FF, 0xFFFFFFFF};
  const std::vector<bool> mask = {false, true, false, false};

  // 32 bits with an alpha channel: the alpha counts, the mask does not.
  IconImage a = Decode(IconFile(1, {Entry(2, 2, 32, colours, mask)}, {2}));
  ASSERT_EQ(a.width, 2);
  ASSERT_EQ(a.height, 2);
  EXPECT_EQ(a.argb, colours);

  // 32 bits with all alpha bytes 0: the AND mask cuts out.
  std::vector<std::uint32_t> noAlpha;
  for (std::uint32_t c : colours) noAlpha.push_back(c & 0xFFFFFF);
  IconImage m = Decode(IconFile(2, {Entry(2, 2, 32, noAlpha, mask)}, {2}));
  EXPECT_EQ(m.argb, (std::vector<std::uint32_t>{0xFFFF0000, 0x0000FF00, 0xFF0000FF, 0xFFFFFFFF}));

  // 4 bits through the colour table, top row first.
  IconImage p = Decode(IconFile(1, {Entry(2, 2, 4, {0x00FF8000, 0, 0, 0x1}, mask)}, {2}));
  EXPECT_EQ(p.argb, (std::vector<std::uint32_t>{0xFFFF8000, 0x00000000, 0xFF000000, 0xFFFF8000}));
}

TEST(IconImage, LargestBitmapEntryWinsAndPngEntriesAreSkipped) {
  const std::vector<std::uint32_t> small(4, 0xFF112233), large(16, 0xFF445566);
  const Bytes png = {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 0};
  IconImage i = Decode(IconFile(1,
                                {Entry(2, 2, 32, small, std::vector<bool>(4)), png,
                                 Entry(4, 4, 32, large, std::vector<bool>(16))},
                                {2, 0 /* 256 */, 4}));
  EXPECT_EQ(i.width, 4);
  EXPECT_EQ(i.argb.front(), 0xFF445566u);
}

TEST(IconImage, BmpFilesAndDamagedFiles) {
  // A 24-bit 1 x 1 BMP file: opaque.
  Bytes bmp = {'B', 'M'};
  Put32(bmp, 58);
  Put32(bmp, 0);
  Put32(bmp, 54);
  Put32(bmp, 40);
  Put32(bmp, 1);
  Put32(bmp, 1);
  Put16(bmp, 1);
  Put16(bmp, 24);
  for (int i = 0; i < 6; ++i) Put32(bmp, 0);
  for (std::uint8_t v : {0x30, 0x20, 0x10, 0x00}) bmp.push_back(v);
  IconImage b = Decode(bmp);
  ASSERT_EQ(b.argb.size(), 1u);
  EXPECT_EQ(b.argb[0], 0xFF102030u);

  const Bytes good =
      IconFile(1, {Entry(2, 2, 32, std::vector<std::uint32_t>(4, ~0u), std::vector<bool>(4))}, {2});
  Bytes truncated(good.begin(), good.end() - 10);
  Bytes badCount = good;
  badCount[4] = 9;
  Bytes badOffset = good;
  badOffset[18] = 0xFF;
  Bytes oddHeight = good;
  oddHeight[22 + 8] = 3;
  for (const Bytes& damaged :
       {truncated, badCount, badOffset, oddHeight, Bytes{0, 0, 3, 0, 1, 0}, Bytes{}}) {
    EXPECT_TRUE(Decode(damaged).empty());
  }
}

TEST(IconImage, ClassIconHandles) {
  ASSERT_TRUE(pf::Init(pf::Backend::Headless));
  const IconImage app = pf::detail::IconImageOf(pf::LoadIcon(0, pf::IDI_APPLICATION));
  EXPECT_EQ(app.width, 32);
  EXPECT_EQ(app.height, 32);
  EXPECT_EQ(app.argb[0] >> 24, 0u) << "transparent corner";
  EXPECT_EQ(app.argb[16 * 32 + 16], 0xFFFFFFFFu) << "opaque middle";

  brevra::test::TempDir dir{"icon_image"};
  const std::string path = dir.Write(
      "app.ico",
      IconFile(1,
               {Entry(2, 2, 32, std::vector<std::uint32_t>(4, 0xFFABCDEF), std::vector<bool>(4))},
               {2}));
  const IconImage fromFile = pf::detail::IconImageOf(pf::LoadCursorFromFile(path.c_str()));
  EXPECT_EQ(fromFile.argb, std::vector<std::uint32_t>(4, 0xFFABCDEF));
  EXPECT_TRUE(pf::detail::IconImageOf(0).empty());
  EXPECT_TRUE(pf::detail::IconImageOf(pf::LoadIcon(0, pf::IDI_APPLICATION + 1)).empty());
  pf::Shutdown();
}

}  // namespace
