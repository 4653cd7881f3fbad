// The opaque-run scan's eight-pixel steps against a plain pixel-by-pixel classification: rows of
// every width around the step size, pixels on and just outside each bound of the range (with
// any top byte), runs starting and ending at every position, and a stop requested mid-row.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "brevra/imagebutton/bitmap_region.h"

namespace {

using brevra::MakeTransparentRange;
using brevra::ScanOpaqueRuns;
using brevra::TransparentRange;

struct Span {
  std::int32_t x0, y, x1;
  bool operator==(const Span&) const = default;
};

// The runs, found one pixel at a time with the range's own test.
std::vector<Span> Expected(const std::vector<std::uint32_t>& pixels, std::int32_t width,
                           std::int32_t height, const TransparentRange& range) {
  std::vector<Span> runs;
  for (std::int32_t y = 0; y < height; ++y) {
    std::int32_t x0 = -1;
    for (std::int32_t x = 0; x <= width; ++x) {
      const bool opaque = x < width && !range.contains(pixels[y * width + x]);
      if (opaque && x0 < 0) x0 = x;
      if (!opaque && x0 >= 0) {
        runs.push_back({x0, y, x});
        x0 = -1;
      }
    }
  }
  return runs;
}

std::vector<Span> Scanned(const std::vector<std::uint32_t>& pixels, std::int32_t width,
                          std::int32_t height, const TransparentRange& range,
                          std::size_t stopAfter = SIZE_MAX) {
  std::vector<Span> runs;
  ScanOpaqueRuns(reinterpret_cast<const std::uint8_t*>(pixels.data()),
                 4 * static_cast<std::ptrdiff_t>(width), width, height, range,
                 [&](std::int32_t x0, std::int32_t y, std::int32_t x1) {
                   runs.push_back({x0, y, x1});
                   return runs.size() < stopAfter;
                 });
  return runs;
}

TEST(RunScan, MatchesThePixelByPixelClassification) {
  // Blue 10..12, green 200..202, red 250..252: each bound, and one step outside it.
  const TransparentRange range = MakeTransparentRange(0x0AC8FA, 2);
  const std::uint8_t blues[] = {9, 10, 11, 12, 13}, greens[] = {199, 200, 202, 203},
                     reds[] = {249, 250, 252, 253};
  std::mt19937 rng(12);
  for (std::int32_t width = 0; width <= 40; ++width) {
    for (int trial = 0; trial < 20; ++trial) {
      const std::int32_t height = 3;
      std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
      const unsigned transparentShare = trial % 5;  // 0 (all opaque) .. 4 (mostly transparent)
      for (auto& p : pixels) {
        const bool transparent = rng() % 4 < transparentShare;
        const std::uint32_t top = rng() & 0xFF000000u;
        if (transparent) {
          p = top | (0xFAC80Au + (rng() % 3) * 0x010101u);
        } else {
          p = top | (reds[rng() % 4] << 16) | (greens[rng() % 4] << 8) | blues[rng() % 5];
        }
      }
      SCOPED_TRACE(::testing::Message() << "width " << width << " trial " << trial);
      const auto want = Expected(pixels, width, height, range);
      ASSERT_EQ(Scanned(pixels, width, height, range), want);
      if (want.size() > 1) {  // onRun returning false stops the scan at once
        const auto first = Scanned(pixels, width, height, range, 1);
        ASSERT_EQ(first, std::vector<Span>(want.begin(), want.begin() + 1));
      }
    }
  }
}

TEST(RunScan, LongRowsWithRunsAtEveryOffset) {
  const TransparentRange range = MakeTransparentRange(0xFF00FF, 1);
  const std::int32_t width = 100;
  for (std::int32_t start = 0; start < 20; ++start) {
    for (std::int32_t length : {1, 7, 8, 9, 16, 33}) {
      std::vector<std::uint32_t> pixels(width, 0x00FF00FF);
      for (std::int32_t x = start; x < start + length; ++x) pixels[x] = 0x00123456;
      SCOPED_TRACE(::testing::Message() << "start " << start << " length " << length);
      EXPECT_EQ(Scanned(pixels, width, 1, range), (std::vector<Span>{{start, 0, start + length}}));
    }
  }
}

}  // namespace
