// Fuzz target: the BMP readers. The decoding core (DecodeBmp) on the buffer, the platform's
// bitmap loader (LoadImage + GetObject) on a real file holding it, and GetBMPDepth.
//
// Checks beyond the sanitizers: a decoded image is self-consistent (row stride, pixel block
// size, colour table size); the file loader accepts exactly what the core accepts and delivers
// the same pixels; a stretched load has the asked-for size; every bitmap object is released
// (the platform's live-object count returns to where it was); GetBMPDepth reports the header's
// bit count exactly when the documented conditions hold, and 0 otherwise.
//
// Pictures of more than kMaxFuzzPixels are skipped (fuzz_support.h).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "brevra/platform/bitmap.h"
#include "brevra/platform/headless.h"
#include "brevra/platform/platform.h"
#include "brevra/textures/textures.h"
#include "fuzz/fuzz_support.h"

namespace pf = brevra::platform;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FUZZ_CHECK(pf::Init(pf::Backend::Headless));
  return 0;
}

namespace {

void CheckImage(const pf::DibImage& dib) {
  FUZZ_CHECK(dib.width > 0 && dib.height > 0);
  FUZZ_CHECK(dib.stride % 4 == 0);
  FUZZ_CHECK(std::uint64_t(dib.stride) * 8 >= std::uint64_t(dib.width) * dib.bitsPerPixel);
  FUZZ_CHECK(dib.pixels.size() == std::size_t(dib.stride) * std::size_t(dib.height));
  if (dib.bitsPerPixel <= 8)
    FUZZ_CHECK(dib.colors.size() <= (1u << dib.bitsPerPixel));
  else
    FUZZ_CHECK(dib.colors.empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brevra;
  if (fuzz::BmpPixels(data, size) > fuzz::kMaxFuzzPixels) return -1;  // not added to the corpus
  pf::DibImage dib;
  const pf::BmpError error = pf::DecodeBmp(data, size, dib);
  if (error == pf::BmpError::None)
    CheckImage(dib);
  else
    FUZZ_CHECK(dib.pixels.empty() && dib.width == 0);

  const std::string path = fuzz::WriteScratch("input.bmp", data, size);
  const std::size_t live = pf::headless::LiveObjectCount();

  // The file loader: the same verdict and the same pixels as the core.
  const pf::HBITMAP bmp =
      pf::LoadImage(pf::GetModuleHandle(nullptr), path.c_str(), pf::IMAGE_BITMAP, 0, 0,
                    pf::LR_LOADFROMFILE | pf::LR_CREATEDIBSECTION);
  FUZZ_CHECK((bmp != 0) == (error == pf::BmpError::None));
  if (bmp != 0) {
    pf::BITMAP bm;
    FUZZ_CHECK(pf::GetObject(bmp, sizeof bm, &bm) == static_cast<std::int32_t>(sizeof bm));
    FUZZ_CHECK(bm.bmWidth == dib.width && bm.bmHeight == dib.height);
    FUZZ_CHECK(bm.bmWidthBytes == dib.stride && bm.bmBitsPixel == dib.bitsPerPixel);
    const pf::DibImage* loaded = pf::GetDib(bmp);
    FUZZ_CHECK(loaded != nullptr && loaded->pixels == dib.pixels);
    FUZZ_CHECK(loaded->colors.size() == dib.colors.size());
    FUZZ_CHECK(pf::DeleteObject(bmp));

    // A stretched load (nearest neighbour) of a size taken from the input.
    const std::int32_t cx = 1 + data[size - 1] % 37, cy = 1 + data[size - 2] % 23;
    const pf::HBITMAP small =
        pf::LoadImage(pf::GetModuleHandle(nullptr), path.c_str(), pf::IMAGE_BITMAP, cx, cy,
                      pf::LR_LOADFROMFILE | pf::LR_LOADTRANSPARENT | pf::LR_CREATEDIBSECTION);
    FUZZ_CHECK(small != 0);
    const pf::DibImage* s = pf::GetDib(small);
    FUZZ_CHECK(s != nullptr && s->width == cx && s->height == cy);
    CheckImage(*s);
    FUZZ_CHECK(pf::DeleteObject(small));
  }
  FUZZ_CHECK(pf::headless::LiveObjectCount() == live);

  // The texture layer's header probe.
  std::int32_t depth = 0;
  if (size >= 54 && data[0] == 'B' && data[1] == 'M' && fuzz::Le32(data + 14) != 12) {
    depth = fuzz::Le16(data + 28);
  }
  FUZZ_CHECK(GetBMPDepth(path.c_str()) == depth);
  return 0;
}
