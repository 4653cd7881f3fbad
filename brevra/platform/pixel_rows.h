// Brevra platform layer: the row loops of the common block transfers into 32-bit pictures,
// written to be fast at -O2.
//
// On x86-64 they use SSE2 (which every x86-64 processor has), 8 pixels per step; elsewhere, and
// for the last pixels of a row, one pixel at a time. Results are byte for byte those of the
// per-pixel loops.
#pragma once

#include <cstddef>
#include <cstdint>

namespace brevra::platform::detail {

// `count` pixels of 3 bytes (blue, green, red) as 32-bit 0x00RRGGBB pixels (top byte zero).
void Expand24To32(std::uint8_t* out, const std::uint8_t* in, std::size_t count);
// `count` 32-bit pixels copied with their top byte cleared.
void Copy32ClearTop(std::uint8_t* out, const std::uint8_t* in, std::size_t count);
// The same one pixel at a time (what the fast versions finish rows with; tested against them).
void Expand24To32Plain(std::uint8_t* out, const std::uint8_t* in, std::size_t count);
void Copy32ClearTopPlain(std::uint8_t* out, const std::uint8_t* in, std::size_t count);

}  // namespace brevra::platform::detail
