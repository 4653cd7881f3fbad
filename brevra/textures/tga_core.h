// Brevra textures: the TGA decoding core (no GL, no message boxes, no module state).
//
// Decodes true-colour TGA images (type 2 uncompressed, type 10 run-length encoded; 24 or 32 bits
// per pixel) into red, green, blue (and alpha) bytes, rows in the file's order. The core reads
// through a `TgaSource`, so one implementation serves a memory buffer (`DecodeTGA`, used by
// fuzzers and benchmarks) and the library's file reader (`LoadTGA` in tga.h). Each failure is
// one `TgaStatus`, which names the message the library shows for it.
//
// Limits: images whose pixel block would exceed 2^32 - 1 bytes are refused (as invalid texture
// information) before anything is allocated; so are images the remaining data cannot possibly
// hold, with the message their first short read would give.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#include "brevra/export.h"

namespace BREVRA_API brevra {

// ---------------------------------------------------------------------------------------------
// Records
// ---------------------------------------------------------------------------------------------
// A decoded texture image; also the element of the TGA slot table.
struct TGATexture {
  std::uint8_t* ImageData = nullptr;  // std::malloc'd pixels; released by the consumer
  std::uint32_t Bpp = 0;              // 24 or 32
  std::uint32_t Width = 0;
  std::uint32_t Height = 0;
  std::uint32_t TexID = 0;  // OpenGL texture name, set by the slot layer only
  std::uint32_t Typ = 0;    // GL_RGB (0x1907) at 24 bits, GL_RGBA (0x1908) at 32 bits
};
using PTexture = TGATexture*;

// The file's first 12 bytes.
struct TTGAHeader {
  std::array<std::uint8_t, 12> Header{};
};

// The image information of the file being read.
struct TTGA {
  std::array<std::uint8_t, 6> Header{};  // file bytes 12..17: width, height, depth, descriptor
  std::uint32_t BytesPerPixel = 0;
  std::uint32_t ImageSize = 0;
  std::uint32_t Typ = 0;  // kept for the record's shape; the reader never writes it
  std::uint32_t Heigh = 0;
  std::uint32_t Width = 0;
  std::uint32_t Bpp = 0;
};

inline constexpr std::uint32_t kTgaRGB = 0x1907;   // GL_RGB
inline constexpr std::uint32_t kTgaRGBA = 0x1908;  // GL_RGBA

// ---------------------------------------------------------------------------------------------
// Results
// ---------------------------------------------------------------------------------------------
enum class TgaStatus : std::uint8_t {
  Ok,
  CannotOpen,        // "Could not open texture file"
  FileHeader,        // "Could not read file header"
  NotType2Or10,      // "TGA file be type 2 or type 10" (caption "Invalid Image")
  InfoHeader,        // "Could not read info header"
  InvalidInfo,       // "Invalid texture information" (also a pixel block over 32 bits)
  AllocImage,        // "Could not allocate memory for image"
  AllocColorBuffer,  // "Could not allocate memory for color buffer"
  ImageData,         // "Could not read image data"
  RleHeader,         // "Could not read RLE header"
  ReadFromFile,      // "Could not read from file"
  TooManyPixels,     // "Too many pixels read"
};

struct TgaMessage {
  const char* text;
  const char* caption;
};
// The message box text and caption of a failure ({nullptr, nullptr} for Ok).
TgaMessage TgaStatusMessage(TgaStatus status);

// ---------------------------------------------------------------------------------------------
// Byte sources
// ---------------------------------------------------------------------------------------------
// Sequential bytes with a fast inline path over a window [pos_, end_) of buffered data.
class TgaSource {
 public:
  virtual ~TgaSource() = default;
  // Copies up to `n` bytes to `dst`; fewer only when the data end.
  std::size_t Read(std::uint8_t* dst, std::size_t n) {
    if (n <= static_cast<std::size_t>(end_ - pos_)) {
      std::memcpy(dst, pos_, n);
      pos_ += n;
      return n;
    }
    return ReadSlow(dst, n);
  }
  // Bytes still to come, or UINT64_MAX when unknown.
  virtual std::uint64_t Remaining() const = 0;
  // The bytes already buffered and not yet read, for decoders that parse them in place;
  // Skip(n) consumes n of them (n <= Buffered()).
  const std::uint8_t* Window() const { return pos_; }
  std::size_t Buffered() const { return static_cast<std::size_t>(end_ - pos_); }
  void Skip(std::size_t n) { pos_ += n; }

 protected:
  virtual std::size_t ReadSlow(std::uint8_t* dst, std::size_t n) = 0;
  const std::uint8_t* pos_ = nullptr;
  const std::uint8_t* end_ = nullptr;
};

class TgaMemorySource final : public TgaSource {
 public:
  TgaMemorySource(const std::uint8_t* data, std::size_t size) {
    pos_ = data;
    end_ = data == nullptr ? data : data + size;
  }
  std::uint64_t Remaining() const override { return static_cast<std::uint64_t>(end_ - pos_); }

 protected:
  std::size_t ReadSlow(std::uint8_t* dst, std::size_t n) override;
};

// ---------------------------------------------------------------------------------------------
// Decoding steps
// ---------------------------------------------------------------------------------------------
enum class TgaKind : std::uint8_t { Uncompressed, Compressed };

// The two 12-byte templates the first bytes of a file are compared with.
inline constexpr std::array<std::uint8_t, 12> kTgaUncompressedTemplate = {0, 0, 2, 0, 0, 0,
                                                                          0, 0, 0, 0, 0, 0};
inline constexpr std::array<std::uint8_t, 12> kTgaCompressedTemplate = {0, 0, 10, 0, 0, 0,
                                                                        0, 0, 0,  0, 0, 0};

// Reads the first 12 bytes into `header` and recognises the variant.
TgaStatus TgaReadHeader(TgaSource& source, TTGAHeader& header, TgaKind& kind);

// The information block and the pixels of a type 2 / type 10 image (reading from offset 12).
// On Ok `texture.ImageData` holds the image (release it with FreeTGAImage or std::free); on
// failure nothing stays allocated and `ImageData` is null. Width, Height and Bpp are written
// once the information block is read, Typ once it is valid.
TgaStatus TgaReadUncompressed(TgaSource& source, TGATexture& texture, TTGA& info);
TgaStatus TgaReadCompressed(TgaSource& source, TGATexture& texture, TTGA& info);

// A whole TGA file in memory. `header` and `info` receive what the file reader keeps in its
// module state (pass null to discard).
TgaStatus DecodeTGA(const std::uint8_t* data, std::size_t size, TGATexture& texture,
                    TTGAHeader* header = nullptr, TTGA* info = nullptr);

// Releases `texture.ImageData` and sets it to null.
void FreeTGAImage(TGATexture& texture);

}  // namespace brevra
