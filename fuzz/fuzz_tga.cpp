// Fuzz target: the TGA decoding core on a memory buffer (DecodeTGA).
//
// Beyond the sanitizers' checks, every result is compared with the literal one-pixel-at-a-time
// decoder of tga_reference.h: the same failure (and so the same message), the same fields of the
// record and of the information block, the same pixels; on success the pixel block has exactly
// the documented size, and on failure nothing stays allocated.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "brevra/textures/tga_core.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/tga_reference.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brevra;
  if (fuzz::TgaPixels(data, size) > fuzz::kMaxFuzzPixels) return -1;  // fuzz_support.h
  const fuzz::ReferenceTga want = fuzz::DecodeReferenceTga(data, size);

  TGATexture texture;
  texture.TexID = 0xC0FFEE;  // never touched by the reader
  TTGAHeader header;
  TTGA info;
  const TgaStatus got = DecodeTGA(data, size, texture, &header, &info);

  FUZZ_CHECK(got == want.status);
  FUZZ_CHECK(texture.TexID == 0xC0FFEE);
  if (size >= 12) FUZZ_CHECK(std::memcmp(header.Header.data(), want.header, 12) == 0);
  if (want.infoRead) {
    FUZZ_CHECK(std::memcmp(info.Header.data(), want.info, 6) == 0);
    FUZZ_CHECK(texture.Width == want.width && texture.Height == want.height);
    FUZZ_CHECK(texture.Bpp == want.bpp);
    FUZZ_CHECK(info.Width == want.width && info.Heigh == want.height && info.Bpp == want.bpp);
  }
  if (want.infoValid) {
    FUZZ_CHECK(info.BytesPerPixel == want.bytesPerPixel && info.ImageSize == want.imageSize);
    FUZZ_CHECK(texture.Typ == (want.bpp == 24 ? kTgaRGB : kTgaRGBA));
  }
  if (got == TgaStatus::Ok) {
    FUZZ_CHECK(texture.ImageData != nullptr);
    FUZZ_CHECK(want.pixels.size() == info.ImageSize);
    // Reads every byte of the block: a short block is an ASan report here.
    FUZZ_CHECK(std::memcmp(texture.ImageData, want.pixels.data(), want.pixels.size()) == 0);
    FreeTGAImage(texture);
  } else {
    FUZZ_CHECK(texture.ImageData == nullptr);  // nothing stays allocated (LSan confirms)
  }
  FUZZ_CHECK(TgaStatusMessage(got).text != nullptr || got == TgaStatus::Ok);
  return 0;
}
