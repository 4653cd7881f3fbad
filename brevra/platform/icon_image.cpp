// Brevra platform layer: the pictures behind icon handles (see icon_image.h).
#include "brevra/platform/icon_image.h"

#include <algorithm>  // Required for: std::sort
#include <cstdio>
#include <cstring>

#include "brevra/platform/bitmap.h"
#include "brevra/platform/state.h"

namespace brevra::platform::detail {

namespace {

std::uint32_t U16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// One channel of a masked 16 or 32-bit pixel, scaled to 0..255.
std::uint32_t Channel(std::uint32_t pixel, std::uint32_t mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (((mask >> shift) & 1u) == 0) ++shift;
  const std::uint32_t max = mask >> shift;
  return (((pixel & mask) >> shift) * 255u + max / 2) / max;
}

// A decoded bitmap as opaque 0xAARRGGBB pixels, top row first; `alpha` keeps a 32-bit image's
// fourth byte instead.
IconImage ToArgb(const DibImage& dib, bool alpha) {
  IconImage out;
  out.width = dib.width;
  out.height = dib.height;
  out.argb.resize(static_cast<std::size_t>(dib.width) * dib.height);
  for (std::int32_t y = 0; y < dib.height; ++y) {
    const std::int32_t row = dib.topDown ? y : dib.height - 1 - y;
    const std::uint8_t* p = dib.pixels.data() + static_cast<std::size_t>(row) * dib.stride;
    for (std::int32_t x = 0; x < dib.width; ++x) {
      std::uint32_t c = 0xFF000000u;
      switch (dib.bitsPerPixel) {
        case 1:
        case 4:
        case 8: {
          const int bits = dib.bitsPerPixel;
          const int bit = x * bits;
          const std::uint32_t index = (p[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
          if (index < dib.colors.size()) {
            const RGBQUAD& q = dib.colors[index];
            c |= (q.rgbRed << 16) | (q.rgbGreen << 8) | q.rgbBlue;
          }
          break;
        }
        case 16: {
          const std::uint32_t v = U16(p + 2 * x);
          const bool masked = dib.compression == BI_BITFIELDS;
          c |= Channel(v, masked ? dib.redMask : 0x7C00u) << 16 |
               Channel(v, masked ? dib.greenMask : 0x03E0u) << 8 |
               Channel(v, masked ? dib.blueMask : 0x001Fu);
          break;
        }
        case 24:
          c |= (p[3 * x + 2] << 16) | (p[3 * x + 1] << 8) | p[3 * x];
          break;
        case 32:
          c = (p[4 * x + 2] << 16) | (p[4 * x + 1] << 8) | p[4 * x] |
              (alpha ? static_cast<std::uint32_t>(p[4 * x + 3]) << 24 : 0xFF000000u);
          break;
        default:
          break;
      }
      out.argb[static_cast<std::size_t>(y) * dib.width + x] = c;
    }
  }
  return out;
}

// One bitmap entry of an icon file: an info header with the doubled height, the colour table,
// the picture (XOR) rows and the 1-bit AND mask rows.
IconImage DecodeIconEntry(const std::uint8_t* data, std::size_t size) {
  if (size < 40) return {};
  const std::uint32_t headerSize = U32(data);
  const auto width = static_cast<std::int32_t>(U32(data + 4));
  const auto doubled = static_cast<std::int32_t>(U32(data + 8));
  const std::uint32_t bpp = U16(data + 14);
  const std::uint32_t compression = U32(data + 16);
  const std::uint32_t used = U32(data + 32);
  if (headerSize < 40 || headerSize > size || width <= 0 || width > 1024 || doubled <= 0 ||
      doubled > 2048 || doubled % 2 != 0) {
    return {};
  }
  const std::int32_t height = doubled / 2;
  std::size_t tableBytes = 0;
  if (bpp <= 8) tableBytes = 4u * (used != 0 && used <= (1u << bpp) ? used : (1u << bpp));
  if (compression == BI_BITFIELDS && headerSize == 40) tableBytes = 12;
  // The entry as a BMP file with the picture's own height: the common decoder checks the rest.
  std::vector<std::uint8_t> file(14 + size);
  file[0] = 'B';
  file[1] = 'M';
  Put32(&file[2], static_cast<std::uint32_t>(file.size()));
  Put32(&file[10], static_cast<std::uint32_t>(14 + headerSize + tableBytes));
  std::memcpy(&file[14], data, size);
  Put32(&file[14 + 8], static_cast<std::uint32_t>(height));
  DibImage dib;
  if (DecodeBmp(file.data(), file.size(), dib) != BmpError::None) return {};
  IconImage image = ToArgb(dib, true);
  bool anyAlpha = false;
  if (bpp == 32) {
    for (std::uint32_t c : image.argb) anyAlpha = anyAlpha || (c >> 24) != 0;
  }
  if (anyAlpha) return image;
  // No alpha channel: the AND mask cuts the picture out (a set bit is transparent).
  const std::size_t maskStride = ((static_cast<std::size_t>(width) + 31) / 32) * 4;
  const std::size_t maskAt =
      headerSize + tableBytes + static_cast<std::size_t>(dib.stride) * height;
  const bool hasMask = maskAt + maskStride * height <= size;
  for (std::int32_t y = 0; y < height; ++y) {
    const std::uint8_t* m = data + maskAt + maskStride * (height - 1 - y);
    for (std::int32_t x = 0; x < width; ++x) {
      std::uint32_t& c = image.argb[static_cast<std::size_t>(y) * width + x];
      const bool transparent = hasMask && ((m[x / 8] >> (7 - x % 8)) & 1) != 0;
      c = (c & 0xFFFFFFu) | (transparent ? 0u : 0xFF000000u);
    }
  }
  return image;
}

}  // namespace

IconImage ApplicationIconImage() {
  constexpr std::int32_t kSize = 32;
  IconImage icon;
  icon.width = icon.height = kSize;
  icon.argb.assign(kSize * kSize, 0);  // transparent around the window
  for (std::int32_t y = 3; y < 29; ++y) {
    for (std::int32_t x = 2; x < 30; ++x) {
      const bool border = x == 2 || x == 29 || y == 3 || y == 28;
      const bool caption = y < 9;
      std::uint32_t c = 0xFFFFFFFFu;                                           // white client area
      if (caption) c = 0xFF1F4FB4u;                                            // blue caption bar
      if (caption && x >= 24 && x <= 27 && y >= 5 && y <= 7) c = 0xFFE0E0E0u;  // its button
      if (border) c = 0xFF202020u;
      icon.argb[static_cast<std::size_t>(y) * kSize + x] = c;
    }
  }
  return icon;
}

IconImage DecodeIconFile(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr || size < 6) return {};
  if (data[0] == 'B' && data[1] == 'M') {
    DibImage dib;
    if (DecodeBmp(data, size, dib) != BmpError::None) return {};
    return ToArgb(dib, false);
  }
  const std::uint32_t type = U16(data + 2);
  const std::uint32_t count = U16(data + 4);
  if (U16(data) != 0 || (type != 1 && type != 2) || count == 0 || 6 + 16u * count > size) {
    return {};
  }
  // The largest, then deepest, entry that decodes.
  std::vector<std::uint32_t> order(count);
  for (std::uint32_t i = 0; i < count; ++i) order[i] = i;
  auto rank = [&](std::uint32_t i) {
    const std::uint8_t* e = data + 6 + 16 * i;
    const std::uint32_t w = e[0] == 0 ? 256 : e[0];
    return w * 64 + (type == 1 ? U16(e + 6) : 0);
  };
  std::sort(order.begin(), order.end(),
            [&](std::uint32_t a, std::uint32_t b) { return rank(a) > rank(b); });
  for (std::uint32_t i : order) {
    const std::uint8_t* e = data + 6 + 16 * i;
    const std::uint32_t bytes = U32(e + 8);
    const std::uint32_t offset = U32(e + 12);
    if (offset >= size || bytes > size - offset) continue;
    static constexpr std::uint8_t kPng[4] = {0x89, 'P', 'N', 'G'};
    if (bytes >= 4 && std::memcmp(data + offset, kPng, 4) == 0) continue;
    IconImage image = DecodeIconEntry(data + offset, bytes);
    if (!image.empty()) return image;
  }
  return {};
}

IconImage IconImageOf(HANDLE icon) {
  if (auto* stock = Find<Icon>(icon)) {
    return stock->id == IDI_APPLICATION ? ApplicationIconImage() : IconImage{};
  }
  auto* fromFile = Find<Cursor>(icon);
  if (fromFile == nullptr || fromFile->file.empty()) return {};
  std::FILE* f = std::fopen(fromFile->file.c_str(), "rb");
  if (f == nullptr) return {};
  std::vector<std::uint8_t> bytes;
  std::uint8_t buffer[65536];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0 && bytes.size() < (64u << 20)) {
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  std::fclose(f);
  return DecodeIconFile(bytes.data(), bytes.size());
}

}  // namespace brevra::platform::detail
