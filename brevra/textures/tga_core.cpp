// Brevra textures: the TGA decoding core. See tga_core.h.
//
// Speed: pixels are read in blocks (a type 2 image in cache-sized blocks, each swapped while it is
// still in cache; a whole raw packet with one read) and blue and red are exchanged by the loops
// of pixel_swap.cpp, specialised for 3 and 4 bytes per pixel; run-length packets already in the
// source's buffer are decoded in place. Failure points and messages are those of the
// pixel-at-a-time reading they replace: a raw packet first reads the pixels that still fit, then
// at most one more before it reports that the packet runs past the image.
#include "brevra/textures/tga_core.h"

#include <algorithm>
#include <cstdlib>

#include "brevra/textures/pixel_swap.h"

namespace brevra {
namespace {

constexpr std::uint64_t kUnknown = std::numeric_limits<std::uint64_t>::max();

// Owns a std::malloc'd block until it is handed over; frees it on failure or unwinding.
class Block {
 public:
  explicit Block(std::uint8_t*& slot) : slot_(slot) {}
  ~Block() {
    if (!kept_) {
      std::free(slot_);
      slot_ = nullptr;
    }
  }
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;
  void Keep() { kept_ = true; }

 private:
  std::uint8_t*& slot_;
  bool kept_ = false;
};

// Blue and red exchanged in `count` pixels of B bytes (the loops live in pixel_swap.cpp).
template <unsigned B>
void SwapRedBlue(std::uint8_t* p, std::uint64_t count) {
  if constexpr (B == 4) {
    detail::CopySwapped32(p, p, count);
  } else {
    detail::CopySwapped24(p, p, count);
  }
}

// Front part shared by both bodies: information block, fields, validity, sizes.
TgaStatus ReadFront(TgaSource& source, TGATexture& texture, TTGA& info) {
  if (source.Read(info.Header.data(), 6) != 6) return TgaStatus::InfoHeader;
  const std::uint32_t width = info.Header[1] * 256u + info.Header[0];
  const std::uint32_t height = info.Header[3] * 256u + info.Header[2];
  const std::uint32_t bpp = info.Header[4];
  texture.Width = width;
  texture.Height = height;
  texture.Bpp = bpp;
  info.Width = width;
  info.Heigh = height;
  info.Bpp = bpp;
  if (width == 0 || height == 0 || (bpp != 24 && bpp != 32)) return TgaStatus::InvalidInfo;
  // The pixel block is a 32-bit size: a larger image is refused here, before any allocation.
  const std::uint64_t size = static_cast<std::uint64_t>(bpp / 8) * width * height;
  if (size > std::numeric_limits<std::uint32_t>::max()) return TgaStatus::InvalidInfo;
  texture.Typ = bpp == 24 ? kTgaRGB : kTgaRGBA;
  info.BytesPerPixel = bpp / 8;
  info.ImageSize = static_cast<std::uint32_t>(size);
  return TgaStatus::Ok;
}

// Blue and red exchanged while `count` pixels of B bytes are copied from `in` to `out`. Short
// packets (the common case of run-length data) stay inline; longer ones go to the block loops.
template <unsigned B>
void CopySwapped(std::uint8_t* out, const std::uint8_t* in, std::size_t count) {
  if (count < 8) {
    for (std::size_t i = 0; i < count; ++i, in += B, out += B) {
      const std::uint8_t b = in[0];
      out[0] = in[2];
      out[1] = in[1];
      out[2] = b;
      if constexpr (B == 4) out[3] = in[3];
    }
  } else if constexpr (B == 4) {
    detail::CopySwapped32(out, in, count);
  } else {
    detail::CopySwapped24(out, in, count);
  }
}

// `count` copies of the file pixel at `in`, blue and red exchanged.
template <unsigned B>
void FillSwapped(std::uint8_t* out, const std::uint8_t* in, unsigned count) {
  if (count < 8) {
    const std::uint8_t pixel[4] = {in[2], in[1], in[0], B == 4 ? in[B - 1] : std::uint8_t{0}};
    for (unsigned i = 0; i < count; ++i, out += B) std::memcpy(out, pixel, B);
  } else if constexpr (B == 4) {
    detail::FillSwapped32(out, in, count);
  } else {
    detail::FillSwapped24(out, in, count);
  }
}

// The pixel block of a type 2 image: `size` bytes (whole pixels) into `dst`, blue and red
// exchanged. Bytes already buffered are swapped straight across; the rest is read in blocks
// small enough to stay in cache until they are swapped in place, so the pixels cross memory
// once. A short read fails as the one block read it replaces would.
template <unsigned B>
TgaStatus ReadSwapped(TgaSource& source, std::uint8_t* dst, std::size_t size) {
  constexpr std::size_t kChunk = 48 * 8192;  // 384 KiB: whole pixels of 3 and of 4 bytes
  while (size > 0) {
    const std::size_t buffered = std::min(source.Buffered(), size) / B * B;
    if (buffered > 0) {
      CopySwapped<B>(dst, source.Window(), buffered / B);
      source.Skip(buffered);
      dst += buffered;
      size -= buffered;
      continue;
    }
    const std::size_t chunk = std::min(size, kChunk);
    if (source.Read(dst, chunk) != chunk) return TgaStatus::ImageData;
    SwapRedBlue<B>(dst, chunk / B);
    dst += chunk;
    size -= chunk;
  }
  return TgaStatus::Ok;
}

// The packets that lie wholly in the source's buffered bytes and wholly inside the image,
// decoded in place (no Read call per packet). Stops before the first packet that is cut by the
// buffer's end or runs past the image; the packet-at-a-time loop below then reads (and
// reports) it, so results and failures are those of that loop. Returns the new pixel count.
template <unsigned B>
std::uint64_t DecodeBufferedPackets(TgaSource& source, std::uint8_t* dst, std::uint64_t pixelCount,
                                    std::uint64_t current) {
  const std::uint8_t* p = source.Window();
  const std::uint8_t* const end = p + source.Buffered();
  std::uint8_t* out = dst + current * B;
  while (current != pixelCount && p != end) {
    const unsigned chunk = *p;
    const unsigned n = chunk < 128 ? chunk + 1u : chunk - 127u;
    if (n > pixelCount - current) break;
    if (chunk < 128) {
      if (static_cast<std::size_t>(end - p) < 1 + std::size_t{n} * B) break;
      CopySwapped<B>(out, p + 1, n);
      p += 1 + std::size_t{n} * B;
    } else {
      if (static_cast<std::size_t>(end - p) < 1 + B) break;
      FillSwapped<B>(out, p + 1, n);
      p += 1 + B;
    }
    out += std::size_t{n} * B;
    current += n;
  }
  source.Skip(static_cast<std::size_t>(p - source.Window()));
  return current;
}

// The packets of a type 10 image. With `dst` null nothing is stored (used to find the failure
// of data too short to hold the image without allocating for it).
template <unsigned B>
TgaStatus DecodePackets(TgaSource& source, std::uint8_t* dst, std::uint64_t pixelCount,
                        std::uint8_t* color) {
  std::uint8_t scratch[128 * B];
  std::uint64_t current = 0;
  do {
    if (dst != nullptr) {
      current = DecodeBufferedPackets<B>(source, dst, pixelCount, current);
      if (current == pixelCount) break;
    }
    std::uint8_t chunk = 0;
    if (source.Read(&chunk, 1) != 1) return TgaStatus::RleHeader;
    if (chunk < 128) {  // raw packet
      const unsigned n = chunk + 1u;
      const unsigned fit = static_cast<unsigned>(std::min<std::uint64_t>(n, pixelCount - current));
      std::uint8_t* out = dst != nullptr ? dst + current * B : scratch;
      if (source.Read(out, std::size_t{fit} * B) != std::size_t{fit} * B) {
        return TgaStatus::ImageData;
      }
      if (dst != nullptr) SwapRedBlue<B>(out, fit);
      current += fit;
      if (fit < n) {  // the next pixel is read, then has no place
        if (source.Read(color, B) != B) return TgaStatus::ImageData;
        return TgaStatus::TooManyPixels;
      }
    } else {  // run packet
      const unsigned n = chunk - 127u;
      if (source.Read(color, B) != B) return TgaStatus::ReadFromFile;
      const unsigned fit = static_cast<unsigned>(std::min<std::uint64_t>(n, pixelCount - current));
      if (dst != nullptr) FillSwapped<B>(dst + current * B, color, fit);
      current += fit;
      if (fit < n) return TgaStatus::TooManyPixels;
    }
  } while (current != pixelCount);
  return TgaStatus::Ok;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Messages
// ---------------------------------------------------------------------------------------------
TgaMessage TgaStatusMessage(TgaStatus status) {
  switch (status) {
    case TgaStatus::Ok:
      return {nullptr, nullptr};
    case TgaStatus::CannotOpen:
      return {"Could not open texture file", "ERROR"};
    case TgaStatus::FileHeader:
      return {"Could not read file header", "ERROR"};
    case TgaStatus::NotType2Or10:
      return {"TGA file be type 2 or type 10", "Invalid Image"};
    case TgaStatus::InfoHeader:
      return {"Could not read info header", "ERROR"};
    case TgaStatus::InvalidInfo:
      return {"Invalid texture information", "ERROR"};
    case TgaStatus::AllocImage:
      return {"Could not allocate memory for image", "ERROR"};
    case TgaStatus::AllocColorBuffer:
      return {"Could not allocate memory for color buffer", "ERROR"};
    case TgaStatus::ImageData:
      return {"Could not read image data", "ERROR"};
    case TgaStatus::RleHeader:
      return {"Could not read RLE header", "ERROR"};
    case TgaStatus::ReadFromFile:
      return {"Could not read from file", "ERROR"};
    case TgaStatus::TooManyPixels:
      return {"Too many pixels read", "ERROR"};
  }
  return {nullptr, nullptr};
}

std::size_t TgaMemorySource::ReadSlow(std::uint8_t* dst, std::size_t n) {
  const std::size_t have = static_cast<std::size_t>(end_ - pos_);
  const std::size_t take = std::min(n, have);
  if (take > 0) std::memcpy(dst, pos_, take);
  pos_ += take;
  return take;
}

// ---------------------------------------------------------------------------------------------
// Decoding steps
// ---------------------------------------------------------------------------------------------
TgaStatus TgaReadHeader(TgaSource& source, TTGAHeader& header, TgaKind& kind) {
  if (source.Read(header.Header.data(), 12) != 12) return TgaStatus::FileHeader;
  if (header.Header == kTgaUncompressedTemplate) {
    kind = TgaKind::Uncompressed;
  } else if (header.Header == kTgaCompressedTemplate) {
    kind = TgaKind::Compressed;
  } else {
    return TgaStatus::NotType2Or10;
  }
  return TgaStatus::Ok;
}

TgaStatus TgaReadUncompressed(TgaSource& source, TGATexture& texture, TTGA& info) {
  texture.ImageData = nullptr;
  if (TgaStatus s = ReadFront(source, texture, info); s != TgaStatus::Ok) return s;
  // Data that cannot hold the block fail at its read; nothing is allocated for them.
  const std::uint64_t remaining = source.Remaining();
  if (remaining != kUnknown && remaining < info.ImageSize) return TgaStatus::ImageData;

  texture.ImageData = static_cast<std::uint8_t*>(std::malloc(info.ImageSize));
  if (texture.ImageData == nullptr) return TgaStatus::AllocImage;
  Block image(texture.ImageData);
  const TgaStatus s = info.BytesPerPixel == 4
                          ? ReadSwapped<4>(source, texture.ImageData, info.ImageSize)
                          : ReadSwapped<3>(source, texture.ImageData, info.ImageSize);
  if (s == TgaStatus::Ok) image.Keep();
  return s;
}

TgaStatus TgaReadCompressed(TgaSource& source, TGATexture& texture, TTGA& info) {
  texture.ImageData = nullptr;
  if (TgaStatus s = ReadFront(source, texture, info); s != TgaStatus::Ok) return s;
  const std::uint64_t pixelCount = std::uint64_t{texture.Height} * texture.Width;
  const unsigned bytes = info.BytesPerPixel;

  // Every packet covers at most 128 pixels and takes at least 1 + bytes bytes. Data shorter
  // than that cannot complete the image: find its failure without allocating for the image.
  const std::uint64_t remaining = source.Remaining();
  const std::uint64_t minimum = (pixelCount + 127) / 128 * (1 + bytes);
  if (remaining != kUnknown && remaining < minimum) {
    std::uint8_t color[4];
    return bytes == 4 ? DecodePackets<4>(source, nullptr, pixelCount, color)
                      : DecodePackets<3>(source, nullptr, pixelCount, color);
  }

  texture.ImageData = static_cast<std::uint8_t*>(std::malloc(info.ImageSize));
  if (texture.ImageData == nullptr) return TgaStatus::AllocImage;
  Block image(texture.ImageData);
  std::uint8_t* colorBuffer = static_cast<std::uint8_t*>(std::malloc(bytes));
  if (colorBuffer == nullptr) return TgaStatus::AllocColorBuffer;
  Block color(colorBuffer);
  const TgaStatus s = bytes == 4
                          ? DecodePackets<4>(source, texture.ImageData, pixelCount, colorBuffer)
                          : DecodePackets<3>(source, texture.ImageData, pixelCount, colorBuffer);
  if (s == TgaStatus::Ok) image.Keep();
  return s;
}

TgaStatus DecodeTGA(const std::uint8_t* data, std::size_t size, TGATexture& texture,
                    TTGAHeader* header, TTGA* info) {
  TTGAHeader localHeader;
  TTGA localInfo;
  TTGAHeader& h = header != nullptr ? *header : localHeader;
  TTGA& i = info != nullptr ? *info : localInfo;
  TgaMemorySource source(data, size);
  TgaKind kind{};
  if (TgaStatus s = TgaReadHeader(source, h, kind); s != TgaStatus::Ok) return s;
  return kind == TgaKind::Uncompressed ? TgaReadUncompressed(source, texture, i)
                                       : TgaReadCompressed(source, texture, i);
}

void FreeTGAImage(TGATexture& texture) {
  std::free(texture.ImageData);
  texture.ImageData = nullptr;
}

}  // namespace brevra
