// Brevra image buttons: the pixel steps of the opaque-run scan (bitmap_region.h), fast at -O2.
//
// `SkipOpaque` and `SkipTransparent` find where a row of little-endian 32-bit pixels 0x??RRGGBB
// changes between opaque and transparent. On x86-64 they test 8 pixels per step with SSE2
// (which every x86-64 processor has): each byte against its bounds with unsigned minimum and
// maximum, the three colour bytes of a pixel together, and the first change found from the bit
// mask. Elsewhere, and for the last few pixels of a row, one pixel at a time. Inline: they
// are compiled into every user of the scan.
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>  // Required for: SSE2 intrinsics
#endif

namespace brevra::detail {

#if defined(__SSE2__)
// Bit i set when pixel i of the 4 at `p` is transparent (lo <= byte <= hi for every byte; the
// bounds of the top byte are 0 and 255).
inline int TransparentMask4(const std::uint8_t* p, __m128i lo, __m128i hi) {
  const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i in =
      _mm_and_si128(_mm_cmpeq_epi8(_mm_max_epu8(x, lo), x), _mm_cmpeq_epi8(_mm_min_epu8(x, hi), x));
  return _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(in, _mm_set1_epi32(-1))));
}

template <typename Range>
inline __m128i LowBounds(const Range& r) {
  return _mm_set1_epi32(static_cast<int>(r.lowBlue | (r.lowGreen << 8) | (r.lowRed << 16)));
}
template <typename Range>
inline __m128i HighBounds(const Range& r) {
  return _mm_set1_epi32(
      static_cast<int>(r.highBlue | (r.highGreen << 8) | (r.highRed << 16) | (0xFFu << 24)));
}
#endif

template <typename Range>
inline bool TransparentAt(const std::uint8_t* row, std::int32_t x, const Range& range) {
  const std::uint8_t* p = row + 4 * static_cast<std::ptrdiff_t>(x);
  return range.contains(static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                        (static_cast<std::uint32_t>(p[2]) << 16));
}

// The first x' >= x whose pixel is transparent (`transparent` true) or opaque (false), or width.
template <bool transparent, typename Range>
inline std::int32_t SkipUntil(const std::uint8_t* row, std::int32_t x, std::int32_t width,
                              const Range& range) {
#if defined(__SSE2__)
  const __m128i lo = LowBounds(range), hi = HighBounds(range);
  for (; x + 8 <= width; x += 8) {
    const std::uint8_t* p = row + 4 * static_cast<std::ptrdiff_t>(x);
    int m = TransparentMask4(p, lo, hi) | (TransparentMask4(p + 16, lo, hi) << 4);
    if (!transparent) m ^= 0xFF;
    if (m != 0) return x + __builtin_ctz(static_cast<unsigned>(m));
  }
#endif
  while (x < width && TransparentAt(row, x, range) != transparent) ++x;
  return x;
}

}  // namespace brevra::detail
