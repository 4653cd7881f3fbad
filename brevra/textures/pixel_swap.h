// Brevra textures: the TGA decoder's pixel loops (blue and red exchanged while copying, and runs
// of one pixel), written to be fast at the default optimisation level (-O2).
//
// On x86-64 the loops use SSE2, which every x86-64 processor has (16 pixels of 3 bytes or 4 of 4
// bytes per step), and the 4-byte copy one AVX2 byte shuffle per 8 pixels where the processor
// has AVX2 (checked at run time); no reliance on the compiler's auto-vectoriser. Elsewhere they
// work a machine word at a time. Results are byte for byte those of the plain per-pixel loops.
//
// Limits: `out` and `in` are either the same address (in place) or do not overlap.
#pragma once

#include <cstddef>
#include <cstdint>

namespace brevra::detail {

// `count` pixels of 3 bytes copied from `in` to `out` with bytes 0 and 2 exchanged.
void CopySwapped24(std::uint8_t* out, const std::uint8_t* in, std::size_t count);
// `count` pixels of 4 bytes copied from `in` to `out` with bytes 0 and 2 exchanged.
void CopySwapped32(std::uint8_t* out, const std::uint8_t* in, std::size_t count);
// The same without SSE2, a machine word at a time (what other processors run; tested on all).
void CopySwapped24Portable(std::uint8_t* out, const std::uint8_t* in, std::size_t count);
void CopySwapped32Portable(std::uint8_t* out, const std::uint8_t* in, std::size_t count);
#if defined(__SSE2__)
// The 4-byte copy with SSE2 only (what x86-64 processors without AVX2 run).
void CopySwapped32Sse2(std::uint8_t* out, const std::uint8_t* in, std::size_t count);
#endif
// `count` copies of the 3-byte pixel at `pixel`, bytes 0 and 2 exchanged.
void FillSwapped24(std::uint8_t* out, const std::uint8_t* pixel, std::size_t count);
// `count` copies of the 4-byte pixel at `pixel`, bytes 0 and 2 exchanged.
void FillSwapped32(std::uint8_t* out, const std::uint8_t* pixel, std::size_t count);

}  // namespace brevra::detail
