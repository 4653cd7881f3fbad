// Fuzz target: the texture slots on real OpenGL (Mesa llvmpipe on an EGL pbuffer, no display).
// The input is written to a file and loaded both as a TGA (TextureLoadTGAID) and as a BMP
// (TextureLoadID), so decoded images of every accepted shape reach glTexImage2D and, for odd
// input lengths, gluBuild2DMipmaps.
//
// Checks beyond the sanitizers: a TGA load generates a texture name exactly when the reader
// accepts the bytes (one message box otherwise) and releases the decoded pixels; a BMP load
// always gives the slot a fresh name and shows nothing; no GL error is left behind.
// Texture names are deleted after each input so that GL memory stays flat over a long run.
#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "brevra/platform/bitmap.h"
#include "brevra/platform/egl_pbuffer.h"
#include "brevra/platform/headless.h"
#include "brevra/platform/platform.h"
#include "brevra/textures/textures.h"
#include "fuzz/fuzz_support.h"

namespace pf = brevra::platform;

namespace {
pf::egl::Pbuffer* g_surface = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FUZZ_CHECK(pf::Init(pf::Backend::Headless));
  pf::headless::AnswerMessageBoxes(pf::IDOK);
  g_surface = new pf::egl::Pbuffer;
  FUZZ_CHECK(g_surface->create(16, 16));
  FUZZ_CHECK(g_surface->makeCurrent());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brevra;
  if (fuzz::TooBigToFuzz(data, size)) return -1;
  // What the readers will say, and the picture sizes the uploads will get.
  TGATexture tga;
  const bool tgaOk = DecodeTGA(data, size, tga) == TgaStatus::Ok;
  FreeTGAImage(tga);
  pf::DibImage dib;
  pf::DecodeBmp(data, size, dib);
  // Sizes beyond the GL limit are refused by glTexImage2D with GL_INVALID_VALUE, as documented.
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  const auto fits = [maxSize](std::int64_t w, std::int64_t h) {
    return w <= maxSize && h <= maxSize;
  };
  const bool expectNoError = (!tgaOk || fits(tga.Width, tga.Height)) && fits(dib.width, dib.height);

  const std::string path = fuzz::WriteScratch("input.img", data, size);
  GL_MIN_FILTER = size % 2 == 1 ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR;

  pf::headless::ClearMessageBoxLog();
  TextureTGA2[3].TexID = 0;
  TextureLoadTGAID(path, 3);
  FUZZ_CHECK(TextureTGA2[3].ImageData == nullptr);  // released after the upload
  FUZZ_CHECK((TextureTGA2[3].TexID != 0) == tgaOk);
  FUZZ_CHECK(pf::headless::MessageBoxLog().size() == (tgaOk ? 0u : 1u));
  if (TextureTGA2[3].TexID != 0) glDeleteTextures(1, &TextureTGA2[3].TexID);

  TextureID2[5] = 0;
  TextureLoadID(path.c_str(), 5);
  FUZZ_CHECK(TextureID2[5] != 0);  // a fresh name whatever the file holds, and no message
  FUZZ_CHECK(pf::headless::MessageBoxLog().size() == (tgaOk ? 0u : 1u));
  glDeleteTextures(1, &TextureID2[5]);

  GLenum err = glGetError();
  if (expectNoError) FUZZ_CHECK(err == GL_NO_ERROR);
  while (err != GL_NO_ERROR) err = glGetError();
  return 0;
}
