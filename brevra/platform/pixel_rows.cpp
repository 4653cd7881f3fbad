// Brevra platform layer: the row loops of the block transfers. See pixel_rows.h.
#include "brevra/platform/pixel_rows.h"

#include <cstring>  // Required for: std::memcpy

#if defined(__SSE2__)
#include <emmintrin.h>  // Required for: SSE2 intrinsics
#endif

namespace brevra::platform::detail {

void Expand24To32Plain(std::uint8_t* out, const std::uint8_t* in, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i, in += 3, out += 4) {
    const std::uint32_t p = static_cast<std::uint32_t>(in[0]) |
                            (static_cast<std::uint32_t>(in[1]) << 8) |
                            (static_cast<std::uint32_t>(in[2]) << 16);
    std::memcpy(out, &p, 4);
  }
}

void Copy32ClearTopPlain(std::uint8_t* out, const std::uint8_t* in, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i, in += 4, out += 4) {
    std::uint32_t p;
    std::memcpy(&p, in, 4);
    p &= 0xFFFFFFu;
    std::memcpy(out, &p, 4);
  }
}

#if defined(__SSE2__)
namespace {
// Pixels 0..3 of the 12 bytes at `in` (16 are read) spread to 4 bytes each: pixel k moves k
// bytes up, and a mask per pixel keeps its three bytes.
inline __m128i Spread4(const std::uint8_t* in) {
  const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
  const __m128i m0 = _mm_setr_epi32(0x00FFFFFF, 0, 0, 0);
  const __m128i m1 = _mm_setr_epi32(0, 0x00FFFFFF, 0, 0);
  const __m128i m2 = _mm_setr_epi32(0, 0, 0x00FFFFFF, 0);
  const __m128i m3 = _mm_setr_epi32(0, 0, 0, 0x00FFFFFF);
  return _mm_or_si128(_mm_or_si128(_mm_and_si128(x, m0), _mm_and_si128(_mm_slli_si128(x, 1), m1)),
                      _mm_or_si128(_mm_and_si128(_mm_slli_si128(x, 2), m2),
                                   _mm_and_si128(_mm_slli_si128(x, 3), m3)));
}
}  // namespace
#endif

void Expand24To32(std::uint8_t* out, const std::uint8_t* in, std::size_t count) {
  std::size_t i = 0;
#if defined(__SSE2__)
  // 8 pixels per step; the second load reads 4 bytes past its 12, so 2 more pixels must follow.
  for (; i + 10 <= count; i += 8, in += 24, out += 32) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), Spread4(in));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), Spread4(in + 12));
  }
#endif
  Expand24To32Plain(out, in, count - i);
}

void Copy32ClearTop(std::uint8_t* out, const std::uint8_t* in, std::size_t count) {
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i keep = _mm_set1_epi32(0x00FFFFFF);
  for (; i + 8 <= count; i += 8, in += 32, out += 32) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_and_si128(a, keep));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), _mm_and_si128(b, keep));
  }
#endif
  Copy32ClearTopPlain(out, in, count - i);
}

}  // namespace brevra::platform::detail
