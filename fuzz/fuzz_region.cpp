// Fuzz target: BitmapToRegion on a real file holding the input (any bytes: most are refused by
// the loader, the rest become regions).
//
// Checks beyond the sanitizers: a file the loader refuses gives 0 and creates nothing; a loaded
// one gives a region inside the picture's rectangle; either way every object the routine made
// besides that region is released (the platform's live-object count says so).
//
// Pictures of more than 4096 pixels are skipped (a quarter of kMaxFuzzPixels, fuzz_support.h):
// the routine copies every pixel into a 32-bit working image through the platform's per-pixel
// block transfer, which under coverage instrumentation costs about 30 ns a pixel, and a corpus
// of 16384-pixel pictures ran at about 1,500 executions per CPU second. 4096 pixels still make
// more than one batch of rectangles (a 2 x 2048 picture has up to 2048 runs).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "brevra/imagebutton/bitmap_region.h"
#include "brevra/platform/bitmap.h"
#include "brevra/platform/gdi.h"
#include "brevra/platform/headless.h"
#include "brevra/platform/platform.h"
#include "fuzz/fuzz_support.h"

namespace pf = brevra::platform;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FUZZ_CHECK(pf::Init(pf::Backend::Headless));
  // The stock objects (default bitmap and palette of memory DCs, the screen DC) are made on
  // first use and live for the process: make them now, so that the count below is ours alone.
  pf::DeleteDC(pf::CreateCompatibleDC(0));
  pf::ReleaseDC(0, pf::GetDC(0));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brevra;
  if (fuzz::BmpPixels(data, size) > fuzz::kMaxFuzzPixels / 4) return -1;  // not in the corpus
  pf::DibImage dib;
  const bool loads = pf::DecodeBmp(data, size, dib) == pf::BmpError::None;

  const std::string path = fuzz::WriteScratch("input.bmp", data, size);
  const std::size_t live = pf::headless::LiveObjectCount();
  // Transparent colour and tolerance from the input's length: magenta as the image button uses
  // it, or black with a wide tolerance.
  const std::uint32_t color = size % 2 == 0 ? 0xFF00FFu : 0x000000u;
  const std::uint8_t tolerance = size % 2 == 0 ? 1 : 0x80;
  const pf::HRGN region = BitmapToRegion(path, color, tolerance);
  if (!loads) {
    FUZZ_CHECK(region == 0);
    FUZZ_CHECK(pf::headless::LiveObjectCount() == live);
    return 0;
  }
  FUZZ_CHECK(region != 0);
  if (pf::headless::LiveObjectCount() != live + 1) {
    std::fprintf(stderr, "live objects: %zu before, %zu after\n", live,
                 pf::headless::LiveObjectCount());
  }
  FUZZ_CHECK(pf::headless::LiveObjectCount() == live + 1);
  pf::RECT box{};
  const std::int32_t kind = pf::GetRgnBox(region, &box);
  FUZZ_CHECK(kind != pf::RGN_ERROR);
  if (kind != pf::NULLREGION) {
    FUZZ_CHECK(box.left >= 0 && box.top >= 0 && box.right <= dib.width &&
               box.bottom <= dib.height && box.left < box.right && box.top < box.bottom);
  }
  FUZZ_CHECK(pf::DeleteObject(region));
  FUZZ_CHECK(pf::headless::LiveObjectCount() == live);
  return 0;
}
