// Brevra image buttons: BMP files as bitmaps with palettes, and bitmaps as window regions.
//
// `LoadBMPFromFile` loads a BMP file as a device-independent section with a logical palette
// (the file's colour table up to 8 bits per pixel, a halftone palette above). `BitmapToRegion`
// copies a BMP file into a 32-bit working image and builds the region of its opaque pixels:
// one-pixel-high rectangles, one per horizontal run of pixels outside the transparent colour
// range, handed to the platform in batches of at most `kRegionBatch` rectangles and united.
//
// The scan itself (`ScanOpaqueRuns`) is pure computation over 32-bit rows, with no platform
// calls, so benchmarks and fuzzers can run it alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "brevra/export.h"
#include "brevra/imagebutton/run_scan.h"
#include "brevra/platform/gdi.h"

namespace BREVRA_API brevra {

// The rectangle buffer grows by this many rectangles at a time.
inline constexpr std::uint32_t ALLOC_UNIT = 100;
// A batch becomes a region when it holds this many rectangles.
inline constexpr std::uint32_t kRegionBatch = 2000;

// Loads `FileName` (a path, nothing appended) as a DIB section; on success stores a palette for
// it in `Pal` and returns the bitmap (the caller owns both). 0, with `Pal` unchanged, when the
// file cannot be loaded.
platform::HBITMAP LoadBMPFromFile(const std::string& FileName, platform::HPALETTE& Pal);

// The region of the pixels of `BmpName` outside the transparent range: red, green and blue each
// from the component of `TransColor` (0x00BBGGRR) up to it plus `Tolerance` (clamped at 255).
// Picture coordinates, top row 0. An empty region for a fully transparent picture; 0 when the
// file cannot be loaded or the working image cannot be made. Everything else it creates is
// released. When the rectangle buffer cannot be allocated or grown, the scan stops and the
// region built from the rectangles gathered so far is returned (0 if there are none).
platform::HRGN BitmapToRegion(const std::string& BmpName, std::uint32_t TransColor,
                              std::uint8_t Tolerance);

// ---- the pure scan ----
// The transparent range, bounds included.
struct TransparentRange {
  std::uint8_t lowRed = 0, highRed = 0;
  std::uint8_t lowGreen = 0, highGreen = 0;
  std::uint8_t lowBlue = 0, highBlue = 0;

  // `pixel` is 0x??RRGGBB (the top byte is ignored).
  bool contains(std::uint32_t pixel) const {
    const std::uint8_t r = static_cast<std::uint8_t>(pixel >> 16);
    const std::uint8_t g = static_cast<std::uint8_t>(pixel >> 8);
    const std::uint8_t b = static_cast<std::uint8_t>(pixel);
    return r >= lowRed && r <= highRed && g >= lowGreen && g <= highGreen && b >= lowBlue &&
           b <= highBlue;
  }
};

// The range from a colour 0x00BBGGRR and a tolerance that widens it upwards only.
TransparentRange MakeTransparentRange(std::uint32_t transColor, std::uint8_t tolerance);

// Calls onRun(x0, y, x1) for every run of opaque pixels x0..x1-1 of row y, rows from the top
// (y = 0 at `topRow`; the next row lies `rowStep` bytes further, negative for bottom-up
// images), runs left to right. Pixels are little-endian 32-bit 0x??RRGGBB. onRun returns
// false to stop the scan.
template <typename OnRun>
void ScanOpaqueRuns(const std::uint8_t* topRow, std::ptrdiff_t rowStep, std::int32_t width,
                    std::int32_t height, const TransparentRange& range, OnRun&& onRun) {
  const std::uint8_t* row = topRow;
  for (std::int32_t y = 0; y < height; ++y, row += rowStep) {
    std::int32_t x = detail::SkipUntil<false>(row, 0, width, range);
    while (x < width) {
      const std::int32_t x0 = x;
      x = detail::SkipUntil<true>(row, x, width, range);  // the pixel that ends the run, or width
      if (!onRun(x0, y, x)) return;
      x = detail::SkipUntil<false>(row, x, width, range);
    }
  }
}

}  // namespace brevra
