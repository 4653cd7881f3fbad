// Brevra textures: the TGA decoder's pixel loops. See pixel_swap.h.
#include "brevra/textures/pixel_swap.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>  // Required for: SSE2 intrinsics
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define BREVRA_PIXELS_AVX2 1
#include <immintrin.h>  // Required for: AVX2 intrinsics (used only where the processor has them)
#endif

namespace brevra::detail {
namespace {

// ---------------------------------------------------------------------------------------------
// Plain pixel steps (tails, and the whole job without SSE2)
// ---------------------------------------------------------------------------------------------
inline std::uint32_t Swap32(std::uint32_t v) {
  return (v & 0xFF00FF00u) | ((v >> 16) & 0xFFu) | ((v & 0xFFu) << 16);
}

inline void CopyPixels24(std::uint8_t* out, const std::uint8_t* in, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i, in += 3, out += 3) {
    const std::uint8_t b = in[0], g = in[1], r = in[2];
    out[0] = r;
    out[1] = g;
    out[2] = b;
  }
}

inline void CopyPixels32(std::uint8_t* out, const std::uint8_t* in, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i, in += 4, out += 4) {
    std::uint32_t v;
    std::memcpy(&v, in, 4);
    v = Swap32(v);
    std::memcpy(out, &v, 4);
  }
}

// The byte mask of word k (bytes 8k..8k+7) for the bytes whose position i has i % 3 == r.
constexpr std::uint64_t Mask24(int k, int r) {
  std::uint64_t m = 0;
  for (int b = 0; b < 8; ++b) {
    if ((k * 8 + b) % 3 == r) m |= std::uint64_t{0xFF} << (8 * b);
  }
  return m;
}

// 8 pixels of 3 bytes as three 64-bit words (little-endian byte order): byte i of the result is
// byte i + 2 (i % 3 == 0), byte i (i % 3 == 1) or byte i - 2 (i % 3 == 2) of the input.
template <int k>
inline std::uint64_t SwapWord24(const std::uint64_t* w) {
  const std::uint64_t next = k < 2 ? w[k + 1] : 0;
  const std::uint64_t prev = k > 0 ? w[k - 1] : 0;
  const std::uint64_t down = (w[k] >> 16) | (next << 48);  // byte i + 2 at i
  const std::uint64_t up = (w[k] << 16) | (prev >> 48);    // byte i - 2 at i
  return (down & Mask24(k, 0)) | (w[k] & Mask24(k, 1)) | (up & Mask24(k, 2));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Copies with blue and red exchanged
// ---------------------------------------------------------------------------------------------
void CopySwapped24(std::uint8_t* out, const std::uint8_t* in, std::size_t count) {
#if defined(__SSE2__)
  // 16 pixels = 48 bytes = three registers. Byte i of the result is byte i + 2 (i % 3 == 0),
  // byte i (i % 3 == 1) or byte i - 2 (i % 3 == 2) of the input; shifting the 48 bytes by two
  // in each direction lines them up, and three masks per register pick.
  const __m128i fromDown0 = _mm_setr_epi8(-1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1);
  const __m128i keep0 = _mm_setr_epi8(0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0);
  const __m128i fromDown1 = _mm_setr_epi8(0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0);
  const __m128i keep1 = _mm_setr_epi8(-1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1);
  const __m128i fromDown2 = _mm_setr_epi8(0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0);
  const __m128i keep2 = _mm_setr_epi8(0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0);
  const __m128i fromUp0 = _mm_or_si128(fromDown0, keep0);
  const __m128i fromUp1 = _mm_or_si128(fromDown1, keep1);
  const __m128i fromUp2 = _mm_or_si128(fromDown2, keep2);
  std::size_t i = 0;
  for (; i + 16 <= count; i += 16, in += 48, out += 48) {
    const __m128i x0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    const __m128i x1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16));
    const __m128i x2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 32));
    const __m128i down0 = _mm_or_si128(_mm_srli_si128(x0, 2), _mm_slli_si128(x1, 14));
    const __m128i down1 = _mm_or_si128(_mm_srli_si128(x1, 2), _mm_slli_si128(x2, 14));
    const __m128i down2 = _mm_srli_si128(x2, 2);
    const __m128i up0 = _mm_slli_si128(x0, 2);
    const __m128i up1 = _mm_or_si128(_mm_slli_si128(x1, 2), _mm_srli_si128(x0, 14));
    const __m128i up2 = _mm_or_si128(_mm_slli_si128(x2, 2), _mm_srli_si128(x1, 14));
    const __m128i y0 =
        _mm_or_si128(_mm_or_si128(_mm_and_si128(x0, keep0), _mm_and_si128(down0, fromDown0)),
                     _mm_andnot_si128(fromUp0, up0));
    const __m128i y1 =
        _mm_or_si128(_mm_or_si128(_mm_and_si128(x1, keep1), _mm_and_si128(down1, fromDown1)),
                     _mm_andnot_si128(fromUp1, up1));
    const __m128i y2 =
        _mm_or_si128(_mm_or_si128(_mm_and_si128(x2, keep2), _mm_and_si128(down2, fromDown2)),
                     _mm_andnot_si128(fromUp2, up2));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), y0);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), y1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 32), y2);
  }
  CopyPixels24(out, in, count - i);
#else
  CopySwapped24Portable(out, in, count);
#endif
}

void CopySwapped24Portable(std::uint8_t* out, const std::uint8_t* in, std::size_t count) {
  std::size_t i = 0;
  for (; i + 8 <= count; i += 8, in += 24, out += 24) {
    std::uint64_t w[3];
    std::memcpy(w, in, 24);
    const std::uint64_t o[3] = {SwapWord24<0>(w), SwapWord24<1>(w), SwapWord24<2>(w)};
    std::memcpy(out, o, 24);
  }
  CopyPixels24(out, in, count - i);
}

#if defined(__SSE2__)
void CopySwapped32Sse2(std::uint8_t* out, const std::uint8_t* in, std::size_t count) {
  std::size_t i = 0;
  const __m128i greenAlpha = _mm_set1_epi32(static_cast<int>(0xFF00FF00u));
  const __m128i low = _mm_set1_epi32(0xFF);
  for (; i + 4 <= count; i += 4, in += 16, out += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    const __m128i r = _mm_or_si128(_mm_and_si128(v, greenAlpha),
                                   _mm_or_si128(_mm_and_si128(_mm_srli_epi32(v, 16), low),
                                                _mm_slli_epi32(_mm_and_si128(v, low), 16)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), r);
  }
  CopyPixels32(out, in, count - i);
}
#endif

#if defined(BREVRA_PIXELS_AVX2)
namespace {
// One byte shuffle per 8 pixels. Compiled for AVX2 alone and called only where the processor
// reports it (checked once, when the library is loaded).
__attribute__((target("avx2"))) void CopySwapped32Avx2(std::uint8_t* out, const std::uint8_t* in,
                                                       std::size_t count) {
  const __m256i order = _mm256_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15, 2, 1,
                                         0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15);
  std::size_t i = 0;
  for (; i + 8 <= count; i += 8, in += 32, out += 32) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_shuffle_epi8(v, order));
  }
  CopyPixels32(out, in, count - i);
}

bool HasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}
const bool kHasAvx2 = HasAvx2();
}  // namespace
#endif

void CopySwapped32(std::uint8_t* out, const std::uint8_t* in, std::size_t count) {
#if defined(BREVRA_PIXELS_AVX2)
  if (kHasAvx2) return CopySwapped32Avx2(out, in, count);
#endif
#if defined(__SSE2__)
  CopySwapped32Sse2(out, in, count);
#else
  CopySwapped32Portable(out, in, count);
#endif
}

void CopySwapped32Portable(std::uint8_t* out, const std::uint8_t* in, std::size_t count) {
  std::size_t i = 0;
  for (; i + 2 <= count; i += 2, in += 8, out += 8) {
    std::uint64_t v;
    std::memcpy(&v, in, 8);
    v = (v & 0xFF00FF00FF00FF00ull) | ((v >> 16) & 0x000000FF000000FFull) |
        ((v & 0x000000FF000000FFull) << 16);
    std::memcpy(out, &v, 8);
  }
  CopyPixels32(out, in, count - i);
}

// ---------------------------------------------------------------------------------------------
// Runs of one pixel
// ---------------------------------------------------------------------------------------------
void FillSwapped24(std::uint8_t* out, const std::uint8_t* pixel, std::size_t count) {
  const std::uint8_t rgb[3] = {pixel[2], pixel[1], pixel[0]};
  if (count < 8) {
    for (std::size_t i = 0; i < count; ++i, out += 3) std::memcpy(out, rgb, 3);
    return;
  }
  // 48 bytes of the pattern (16 pixels), stored block by block; the tail from the same pattern.
  std::uint8_t pattern[48];
  for (int k = 0; k < 16; ++k) std::memcpy(pattern + 3 * k, rgb, 3);
  std::size_t bytes = count * 3;
  for (; bytes >= 48; bytes -= 48, out += 48) std::memcpy(out, pattern, 48);
  std::memcpy(out, pattern, bytes);
}

void FillSwapped32(std::uint8_t* out, const std::uint8_t* pixel, std::size_t count) {
  std::uint32_t v;
  std::memcpy(&v, pixel, 4);
  v = Swap32(v);
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i x = _mm_set1_epi32(static_cast<int>(v));
  for (; i + 4 <= count; i += 4, out += 16) _mm_storeu_si128(reinterpret_cast<__m128i*>(out), x);
#endif
  for (; i < count; ++i, out += 4) std::memcpy(out, &v, 4);
}

}  // namespace brevra::detail
