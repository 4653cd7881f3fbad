// Brevra textures: the BMP and TGA texture slots. See textures.h.
//
// Choices where plain uploading would go wrong:
// - 24-bit BMP pixels are turned from blue-green-red into red-green-blue row by row along the
//   bitmap's 4-byte-padded rows, so widths that are not a multiple of 4 convert correctly (the
//   upload reads the same padded rows with an unpack alignment of 4).
// - Decoded TGA rows have no gaps: when the unpack alignment in force does not divide a row's
//   length (24-bit widths that are not a multiple of 4), the upload and the mipmaps use an
//   alignment of 1, and the previous alignment is put back afterwards.
// - A BMP whose header states 24 or 32 bits but which the loader cannot decode (or decodes with
//   another depth) has no pixels touched or uploaded; its slot still gets a fresh texture name,
//   as every other unusable BMP does.
// - The mipmap builder (GLU) reads a byte or two past the end of the picture it scales when the
//   sides are not powers of two (seen under valgrind for a 1 x 3 RGB picture), and it uploads the
//   levels it makes, which have gap-free rows, with the unpack alignment in force: with the
//   BMP's alignment of 4 the GL read past the end of a level (the fuzz target crashed on a
//   2 x 15 picture). So it is given a gap-free copy of the pixels followed by a zeroed slack row,
//   and a 24-bit BMP's mipmaps are built with an alignment of 1 (4 is put back).
#include "brevra/textures/textures.h"

#include <GL/gl.h>   // Required for: the upload, parameter and binding calls
#include <GL/glu.h>  // Required for: gluBuild2DMipmaps

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "brevra/geometry/gl_stream.h"  // Required for: the selections a mesh capture sees
#include "brevra/platform/bitmap.h"
#include "brevra/platform/platform.h"

namespace brevra {

SlotTable<std::uint32_t, 0, 500> TextureID2;
SlotTable<TGATexture, 0, 200> TextureTGA2;
std::int32_t GL_MIN_FILTER = GL_LINEAR;
std::int32_t GL_MAG_FILTER = GL_LINEAR;

namespace {

constexpr GLenum kBgraExt = 0x80E1;  // GL_BGRA_EXT

bool IsMipmapFilter(std::int32_t filter) {
  return filter == GL_NEAREST_MIPMAP_NEAREST || filter == GL_LINEAR_MIPMAP_NEAREST ||
         filter == GL_NEAREST_MIPMAP_LINEAR || filter == GL_LINEAR_MIPMAP_LINEAR;
}

// A file of that name exists (a directory is not a file).
bool FileExists(const char* name) {
  if (name == nullptr) return false;
  std::error_code ec;
  const auto status = std::filesystem::status(name, ec);
  return !ec && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

void ApplyParameters() {
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_MIN_FILTER);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_MAG_FILTER);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
}

// `rows` rows of `rowBytes` pixel bytes each, taken every `stride` bytes from `bits`, without
// gaps, followed by a zeroed row and a few bytes of slack (the mipmap builder's input).
std::vector<std::uint8_t> GapFreeWithSlack(const std::uint8_t* bits, std::size_t rowBytes,
                                           std::size_t stride, std::size_t rows) {
  std::vector<std::uint8_t> copy(rowBytes * (rows + 1) + 16, 0);
  for (std::size_t y = 0; y < rows; ++y) {
    std::memcpy(copy.data() + y * rowBytes, bits + y * stride, rowBytes);
  }
  return copy;
}

// The loaded bitmap object lives for one load only.
struct BitmapHandle {
  platform::HBITMAP handle = 0;
  ~BitmapHandle() {
    if (handle != 0) platform::DeleteObject(handle);
  }
};

// Decoded TGA pixels live until the upload is done (or abandoned by an exception).
struct ReleaseImage {
  TGATexture& texture;
  ~ReleaseImage() { FreeTGAImage(texture); }
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Module Functions: BMP slots
// ---------------------------------------------------------------------------------------------
std::int32_t GetBMPDepth(const char* BMPFile) {
  if (!FileExists(BMPFile)) return 0;
  std::FILE* f = std::fopen(BMPFile, "rb");
  if (f == nullptr) return 0;
  std::uint8_t file[14];
  std::uint8_t info[40];
  std::int32_t depth = 0;
  if (std::fread(file, 1, sizeof file, f) == sizeof file && file[0] == 'B' && file[1] == 'M' &&
      std::fread(info, 1, sizeof info, f) == sizeof info) {
    const std::uint32_t size =
        info[0] | (info[1] << 8) | (info[2] << 16) | (static_cast<std::uint32_t>(info[3]) << 24);
    if (size != 12) depth = info[14] | (info[15] << 8);
  }
  std::fclose(f);
  return depth;
}

void SwapRGB(void* Data, std::int32_t Size) {
  auto* p = static_cast<std::uint8_t*>(Data);
  for (std::int32_t i = 0; i < Size; ++i, p += 3) {
    const std::uint8_t b = p[0];
    p[0] = p[2];
    p[2] = b;
  }
}

void AddMipmapsTexture(std::int32_t Format, std::int32_t Width, std::int32_t Height,
                       std::uint8_t* Bits) {
  if (Format == 24) {
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, Width, Height, GL_RGB, GL_UNSIGNED_BYTE, Bits);
  } else if (Format == 32) {
    gluBuild2DMipmaps(GL_TEXTURE_2D, 4, Width, Height, kBgraExt, GL_UNSIGNED_BYTE, Bits);
  }
}

void TextureLoadID(const char* BMPFile, std::int32_t Num) {
  const std::int32_t Format = GetBMPDepth(BMPFile);
  BitmapHandle bitmap;
  bitmap.handle = platform::LoadImage(
      platform::GetModuleHandle(nullptr), BMPFile, platform::IMAGE_BITMAP, 0, 0,
      platform::LR_LOADFROMFILE | platform::LR_LOADTRANSPARENT | platform::LR_CREATEDIBSECTION);
  platform::BITMAP SBitmap{};
  if (bitmap.handle != 0) {
    platform::GetObject(bitmap.handle, static_cast<std::int32_t>(sizeof SBitmap), &SBitmap);
  }
  // The pixels count only when the loader delivered the depth the header stated.
  auto* bits = static_cast<std::uint8_t*>(SBitmap.bmBits);
  if (SBitmap.bmBitsPixel != Format) bits = nullptr;
  if (Format == 24 && bits != nullptr) {
    for (std::int32_t row = 0; row < SBitmap.bmHeight; ++row) {
      SwapRGB(bits + static_cast<std::size_t>(row) * SBitmap.bmWidthBytes, SBitmap.bmWidth);
    }
  }

  glEnable(GL_TEXTURE_2D);
  std::uint32_t& slot = TextureID2[Num];  // the range test
  glGenTextures(1, &slot);
  glBindTexture(GL_TEXTURE_2D, slot);

  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  ApplyParameters();

  if (bits == nullptr) return;
  if (Format == 24) {
    glTexImage2D(GL_TEXTURE_2D, 0, 3, SBitmap.bmWidth, SBitmap.bmHeight, 0, GL_RGB,
                 GL_UNSIGNED_BYTE, bits);
  } else if (Format == 32) {
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, SBitmap.bmWidth, SBitmap.bmHeight, 0, kBgraExt,
                 GL_UNSIGNED_BYTE, bits);
  }
  if (IsMipmapFilter(GL_MIN_FILTER)) {
    const auto stride = static_cast<std::size_t>(SBitmap.bmWidthBytes);
    const std::size_t rowBytes = static_cast<std::size_t>(SBitmap.bmWidth) * (Format / 8);
    std::vector<std::uint8_t> copy =
        GapFreeWithSlack(bits, rowBytes, stride, static_cast<std::size_t>(SBitmap.bmHeight));
    // (32-bit rows and levels are always a multiple of 4 bytes long; 24-bit ones need not be.)
    if (Format == 24) glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    AddMipmapsTexture(Format, SBitmap.bmWidth, SBitmap.bmHeight, copy.data());
    if (Format == 24) glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  }
}

void TextureSelectID(std::int32_t Num) {
  const std::uint32_t name = TextureID2[Num];
  gl::BindTexture(GL_TEXTURE_2D, name);
}

// ---------------------------------------------------------------------------------------------
// Module Functions: TGA slots
// ---------------------------------------------------------------------------------------------
void TextureLoadTGAID(const std::string& TGAFile, std::int32_t Num) {
  if (!FileExists(TGAFile.c_str())) return;
  TGATexture& texture = TextureTGA2[Num];  // the range test
  if (!LoadTGA(texture, TGAFile)) return;
  ReleaseImage release{texture};

  glEnable(GL_TEXTURE_2D);
  glGenTextures(1, &texture.TexID);
  glBindTexture(GL_TEXTURE_2D, texture.TexID);

  // Gap-free rows: keep the alignment in force only when it divides the row length.
  GLint alignment = 4;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  const std::uint64_t rowBytes = std::uint64_t{texture.Width} * (texture.Bpp / 8);
  const bool tight = alignment > 1 && rowBytes % static_cast<std::uint64_t>(alignment) != 0;
  if (tight) glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

  const auto components = static_cast<GLint>(texture.Bpp / 8);
  const auto width = static_cast<GLsizei>(texture.Width);
  const auto height = static_cast<GLsizei>(texture.Height);
  glTexImage2D(GL_TEXTURE_2D, 0, components, width, height, 0, texture.Typ, GL_UNSIGNED_BYTE,
               texture.ImageData);
  ApplyParameters();
  if (IsMipmapFilter(GL_MIN_FILTER)) {
    const auto row = static_cast<std::size_t>(rowBytes);
    std::vector<std::uint8_t> copy =
        GapFreeWithSlack(texture.ImageData, row, row, static_cast<std::size_t>(texture.Height));
    gluBuild2DMipmaps(GL_TEXTURE_2D, components, width, height, texture.Typ, GL_UNSIGNED_BYTE,
                      copy.data());
  }
  if (tight) glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
}

void TextureTGASelectID(std::int32_t Num) {
  const std::uint32_t name = TextureTGA2[Num].TexID;
  gl::BindTexture(GL_TEXTURE_2D, name);
}

void TextureOn() { gl::Enable(GL_TEXTURE_2D); }

void TextureOff() { gl::Disable(GL_TEXTURE_2D); }

}  // namespace brevra
