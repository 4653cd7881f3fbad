// Fuzz target: the TGA file reader, LoadTGA, on a real file holding the input.
//
// Compared with the decoding core on the same bytes (itself checked by fuzz_tga): the same result
// and pixels, exactly one message box (text and caption as documented) for a failure and none
// for a success, the file closed on every path, the module state (TGAHeader, TGA) describing
// the file just read.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "brevra/platform/headless.h"
#include "brevra/platform/platform.h"
#include "brevra/textures/tga.h"
#include "fuzz/fuzz_support.h"

namespace pf = brevra::platform;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FUZZ_CHECK(pf::Init(pf::Backend::Headless));
  pf::headless::AnswerMessageBoxes(pf::IDOK);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brevra;
  if (fuzz::TgaPixels(data, size) > fuzz::kMaxFuzzPixels) return -1;  // fuzz_support.h
  const std::string path = fuzz::WriteScratch("input.tga", data, size);

  TGATexture want;
  TTGAHeader wantHeader;
  TTGA wantInfo;
  const TgaStatus status = DecodeTGA(data, size, want, &wantHeader, &wantInfo);

  pf::headless::ClearMessageBoxLog();
  TGATexture got;
  const bool ok = LoadTGA(got, path);
  const auto& log = pf::headless::MessageBoxLog();

  FUZZ_CHECK(FTGA == nullptr);  // closed on every path
  FUZZ_CHECK(ok == (status == TgaStatus::Ok));
  if (ok) {
    FUZZ_CHECK(log.empty());
    FUZZ_CHECK(got.Width == want.Width && got.Height == want.Height && got.Bpp == want.Bpp &&
               got.Typ == want.Typ);
    FUZZ_CHECK(std::memcmp(got.ImageData, want.ImageData, wantInfo.ImageSize) == 0);
    FreeTGAImage(got);
    FreeTGAImage(want);
  } else {
    FUZZ_CHECK(got.ImageData == nullptr && want.ImageData == nullptr);
    FUZZ_CHECK(log.size() == 1);
    const TgaMessage m = TgaStatusMessage(status);
    FUZZ_CHECK(log[0].text == m.text && log[0].caption == m.caption);
    FUZZ_CHECK(log[0].owner == 0 && log[0].type == pf::MB_OK);
  }
  if (size >= 12) FUZZ_CHECK(TGAHeader.Header == wantHeader.Header);
  if (size >= 18 && status != TgaStatus::NotType2Or10) {
    FUZZ_CHECK(TGA.Header == wantInfo.Header && TGA.Width == wantInfo.Width &&
               TGA.Heigh == wantInfo.Heigh && TGA.Bpp == wantInfo.Bpp);
  }
  return 0;
}
