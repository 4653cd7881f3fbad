// A plain TGA decoder that follows the reader's documented algorithm literally (one pixel read
// and stored at a time), used by the fuzz targets as the oracle for the fast decoding core.
//
// Pixels are appended as they are stored, so its memory never exceeds what the input really
// decodes to. It shares the library's one documented choice: a pixel block over 2^32 - 1 bytes is
// "Invalid texture information".
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "brevra/textures/tga_core.h"

namespace brevra::fuzz {

struct ReferenceTga {
  TgaStatus status = TgaStatus::Ok;
  bool infoRead = false;   // the 6-byte information block arrived
  bool infoValid = false;  // ... and describes an image the reader accepts
  std::uint8_t header[12] = {};
  std::uint8_t info[6] = {};
  std::uint32_t width = 0, height = 0, bpp = 0, bytesPerPixel = 0, imageSize = 0;
  std::vector<std::uint8_t> pixels;  // red, green, blue (, alpha), as stored
};

inline ReferenceTga DecodeReferenceTga(const std::uint8_t* data, std::size_t size) {
  ReferenceTga r;
  std::size_t pos = 0;
  auto take = [&](std::uint8_t* dst, std::size_t n) {
    if (size - pos < n) {
      pos = size;
      return false;
    }
    std::memcpy(dst, data + pos, n);
    pos += n;
    return true;
  };
  static constexpr std::uint8_t kU[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  static constexpr std::uint8_t kC[12] = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  if (!take(r.header, 12)) return r.status = TgaStatus::FileHeader, r;
  const bool compressed = std::memcmp(r.header, kC, 12) == 0;
  if (!compressed && std::memcmp(r.header, kU, 12) != 0) {
    return r.status = TgaStatus::NotType2Or10, r;
  }
  if (!take(r.info, 6)) return r.status = TgaStatus::InfoHeader, r;
  r.infoRead = true;
  r.width = r.info[1] * 256u + r.info[0];
  r.height = r.info[3] * 256u + r.info[2];
  r.bpp = r.info[4];
  if (r.width == 0 || r.height == 0 || (r.bpp != 24 && r.bpp != 32)) {
    return r.status = TgaStatus::InvalidInfo, r;
  }
  const std::uint64_t imageSize = std::uint64_t{r.bpp / 8} * r.width * r.height;
  if (imageSize > 0xFFFFFFFFu) return r.status = TgaStatus::InvalidInfo, r;
  r.infoValid = true;
  r.bytesPerPixel = r.bpp / 8;
  r.imageSize = static_cast<std::uint32_t>(imageSize);
  const unsigned b = r.bytesPerPixel;

  if (!compressed) {
    if (size - pos < r.imageSize) return r.status = TgaStatus::ImageData, r;
    r.pixels.assign(data + pos, data + pos + r.imageSize);
    for (std::size_t i = 0; i + 2 < r.pixels.size(); i += b)
      std::swap(r.pixels[i], r.pixels[i + 2]);
    return r;
  }

  const std::uint64_t pixelCount = std::uint64_t{r.width} * r.height;
  std::uint64_t current = 0;
  std::uint8_t color[4] = {};
  auto store = [&] {
    if (current == pixelCount) return false;
    r.pixels.push_back(color[2]);
    r.pixels.push_back(color[1]);
    r.pixels.push_back(color[0]);
    if (b == 4) r.pixels.push_back(color[3]);
    ++current;
    return true;
  };
  do {
    std::uint8_t chunk = 0;
    if (!take(&chunk, 1)) return r.status = TgaStatus::RleHeader, r;
    if (chunk < 128) {
      for (unsigned k = 0; k < chunk + 1u; ++k) {
        if (!take(color, b)) return r.status = TgaStatus::ImageData, r;
        if (!store()) return r.status = TgaStatus::TooManyPixels, r;
      }
    } else {
      if (!take(color, b)) return r.status = TgaStatus::ReadFromFile, r;
      for (unsigned k = 0; k < chunk - 127u; ++k) {
        if (!store()) return r.status = TgaStatus::TooManyPixels, r;
      }
    }
  } while (current != pixelCount);
  return r;
}

}  // namespace brevra::fuzz
