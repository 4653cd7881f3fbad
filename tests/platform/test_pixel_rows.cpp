// The block transfers' row loops (SSE2 steps) against the one-pixel-at-a-time loops: every
// pixel count around the step size, unaligned rows, and not a byte written past the row.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "brevra/platform/pixel_rows.h"

namespace {

namespace detail = brevra::platform::detail;
using RowLoop = void (*)(std::uint8_t*, const std::uint8_t*, std::size_t);

struct RowCase {
  const char* name;
  RowLoop fast, plain;
  unsigned inBytes;
};

TEST(PixelRows, FastLoopsMatchThePlainOnes) {
  const RowCase cases[] = {
      {"Expand24To32", detail::Expand24To32, detail::Expand24To32Plain, 3},
      {"Copy32ClearTop", detail::Copy32ClearTop, detail::Copy32ClearTopPlain, 4}};
  std::mt19937 rng(7);
  constexpr std::size_t kGuard = 32;
  for (const RowCase& c : cases) {
    for (std::size_t count = 0; count <= 45; ++count) {
      for (std::size_t offset = 0; offset < 4; ++offset) {
        SCOPED_TRACE(::testing::Message() << c.name << " count " << count << " offset " << offset);
        // The row ends exactly at the end of its block: a read past it would be caught by the
        // sanitizer builds.
        std::vector<std::uint8_t> in(offset + count * c.inBytes);
        for (auto& b : in) b = static_cast<std::uint8_t>(rng());
        std::vector<std::uint8_t> want(count * 4 + kGuard, 0xA5), got(want.size() + 1, 0xA5);
        c.plain(want.data(), in.data() + offset, count);
        c.fast(got.data() + 1, in.data() + offset, count);
        ASSERT_EQ(got[0], 0xA5);
        ASSERT_TRUE(std::equal(want.begin(), want.end(), got.begin() + 1));
      }
    }
  }
}

TEST(PixelRows, PixelsAreBlueGreenRedWithTheTopByteClear) {
  const std::uint8_t bgr[6] = {1, 2, 3, 4, 5, 6};
  std::uint32_t out[2] = {0xFFFFFFFFu, 0xFFFFFFFFu};
  detail::Expand24To32(reinterpret_cast<std::uint8_t*>(out), bgr, 2);
  EXPECT_EQ(out[0], 0x00030201u);
  EXPECT_EQ(out[1], 0x00060504u);
  const std::uint32_t argb[2] = {0x80112233u, 0xFF445566u};
  detail::Copy32ClearTop(reinterpret_cast<std::uint8_t*>(out),
                         reinterpret_cast<const std::uint8_t*>(argb), 2);
  EXPECT_EQ(out[0], 0x00112233u);
  EXPECT_EQ(out[1], 0x00445566u);
}

}  // namespace
