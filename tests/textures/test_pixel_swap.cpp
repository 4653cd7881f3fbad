// The TGA decoder's pixel loops (AVX2 where the processor has it, SSE2, word-at-a-time) against the
// plain per-pixel loop: every pixel count around the block sizes, unaligned addresses, in place and
// copying, and not a byte written past the last pixel.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "brevra/textures/pixel_swap.h"

namespace {

namespace detail = brevra::detail;
using Copy = void (*)(std::uint8_t*, const std::uint8_t*, std::size_t);

std::vector<std::uint8_t> Random(std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> v(n);
  for (auto& b : v) b = static_cast<std::uint8_t>(rng());
  return v;
}

// Bytes 0 and 2 of each pixel exchanged, one pixel at a time.
std::vector<std::uint8_t> Expected(const std::uint8_t* in, std::size_t count, unsigned bpp) {
  std::vector<std::uint8_t> out(in, in + count * bpp);
  for (std::size_t i = 0; i < count; ++i) std::swap(out[i * bpp], out[i * bpp + 2]);
  return out;
}

std::vector<std::size_t> Counts() {
  std::vector<std::size_t> counts;
  for (std::size_t n = 0; n <= 70; ++n) counts.push_back(n);
  for (std::size_t n : {127u, 128u, 129u, 1000u, 4099u}) counts.push_back(n);
  return counts;
}

constexpr std::size_t kGuard = 64;  // bytes after the last pixel that must stay as they were

struct CopyCase {
  const char* name;
  Copy copy;
  unsigned bpp;
};

TEST(PixelSwap, CopiesMatchThePlainLoopAtEveryCountAndOffset) {
  const CopyCase cases[] = {
    {"CopySwapped24", detail::CopySwapped24, 3},
    {"CopySwapped24Portable", detail::CopySwapped24Portable, 3},
    {"CopySwapped32", detail::CopySwapped32, 4},
#if defined(__SSE2__)
    {"CopySwapped32Sse2", detail::CopySwapped32Sse2, 4},
#endif
    {"CopySwapped32Portable", detail::CopySwapped32Portable, 4}
  };
  for (const CopyCase& c : cases) {
    for (std::size_t count : Counts()) {
      for (std::size_t offset = 0; offset < 4; ++offset) {
        SCOPED_TRACE(::testing::Message() << c.name << " count " << count << " offset " << offset);
        const auto source = Random(offset + count * c.bpp + kGuard, count * 7 + offset);
        const auto want = Expected(source.data() + offset, count, c.bpp);

        // Copying, into a buffer at another alignment.
        std::vector<std::uint8_t> out(3 - offset % 4 + count * c.bpp + kGuard, 0xA5);
        std::uint8_t* dst = out.data() + (3 - offset % 4);
        c.copy(dst, source.data() + offset, count);
        EXPECT_TRUE(std::equal(want.begin(), want.end(), dst));
        for (std::size_t i = 0; i < kGuard; ++i) ASSERT_EQ(dst[count * c.bpp + i], 0xA5);

        // In place.
        auto inPlace = source;
        c.copy(inPlace.data() + offset, inPlace.data() + offset, count);
        EXPECT_TRUE(std::equal(want.begin(), want.end(), inPlace.data() + offset));
        EXPECT_TRUE(std::equal(inPlace.end() - kGuard, inPlace.end(), source.end() - kGuard));
      }
    }
  }
}

TEST(PixelSwap, RunsRepeatTheSwappedPixelAndStopAtTheirEnd) {
  const std::uint8_t pixel[4] = {10, 20, 30, 40};  // blue, green, red, alpha in the file
  for (unsigned bpp : {3u, 4u}) {
    for (std::size_t count : Counts()) {
      SCOPED_TRACE(::testing::Message() << bpp * 8 << " bits, count " << count);
      std::vector<std::uint8_t> out(1 + count * bpp + kGuard, 0xA5);
      if (bpp == 3) {
        detail::FillSwapped24(out.data() + 1, pixel, count);
      } else {
        detail::FillSwapped32(out.data() + 1, pixel, count);
      }
      ASSERT_EQ(out[0], 0xA5);
      for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = out.data() + 1 + i * bpp;
        ASSERT_EQ(p[0], 30);
        ASSERT_EQ(p[1], 20);
        ASSERT_EQ(p[2], 10);
        if (bpp == 4) {
          ASSERT_EQ(p[3], 40);
        }
      }
      for (std::size_t i = 0; i < kGuard; ++i) ASSERT_EQ(out[1 + count * bpp + i], 0xA5);
    }
  }
}

}  // namespace
