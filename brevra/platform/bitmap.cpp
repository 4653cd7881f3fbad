// Brevra platform layer: BMP decoding and bitmap objects. See bitmap.h.
//
// Every offset and size read from the file is checked against the buffer in 64-bit arithmetic
// before it is used, so a damaged header can neither overflow a computation nor make the
// decoder read or write outside its buffers.
#include "brevra/platform/bitmap.h"

#include <algorithm>
#include <bit>
#include <cstdio>  // Required for: fopen, fread, fseeko (pixel rows are read straight into place)
#include <cstring>
#include <limits>
#include <new>  // Required for: std::bad_alloc

#include <sys/stat.h>  // Required for: fstat (file size, directories refused)

namespace brevra::platform {
namespace {

// ---------------------------------------------------------------------------------------------
// Little-endian fields
// ---------------------------------------------------------------------------------------------
std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::int32_t I32(const std::uint8_t* p) { return static_cast<std::int32_t>(U32(p)); }

constexpr std::uint64_t kFileHeaderSize = 14;
constexpr std::uint64_t kMaxPixelBytes = std::numeric_limits<std::int32_t>::max();
// RLE data expands without bound (an end marker fills the rest), so its images are capped lower.
constexpr std::uint64_t kMaxRlePixelBytes = 256u << 20;

bool ContiguousMask(std::uint32_t m) {
  if (m == 0) return false;
  std::uint32_t v = m >> std::countr_zero(m);
  return (v & (v + 1)) == 0;
}

// One channel of a bit-field pixel, scaled to 0..255.
std::uint8_t Channel(std::uint32_t pixel, std::uint32_t mask, std::uint8_t absent) {
  if (mask == 0) return absent;
  const int shift = std::countr_zero(mask);
  const int bits = std::popcount(mask);
  const std::uint32_t v = (pixel & mask) >> shift;
  if (bits >= 8) return static_cast<std::uint8_t>(v >> (bits - 8));
  return static_cast<std::uint8_t>(v * 255u / ((1u << bits) - 1u));
}

// ---------------------------------------------------------------------------------------------
// RLE (bottom-up only): decoded into zeroed rows of `dib`. Returns false when an absolute run
// is cut short by the end of the data.
// ---------------------------------------------------------------------------------------------
void PutIndex(DibImage& dib, std::int64_t x, std::int64_t y, std::uint8_t value) {
  if (x < 0 || x >= dib.width || y < 0 || y >= dib.height) return;  // clipped
  std::uint8_t* row = dib.pixels.data() + static_cast<std::size_t>(y) * dib.stride;
  if (dib.bitsPerPixel == 8) {
    row[x] = value;
  } else {
    std::uint8_t& b = row[x / 2];
    b = (x % 2 == 0) ? static_cast<std::uint8_t>((b & 0x0F) | (value << 4))
                     : static_cast<std::uint8_t>((b & 0xF0) | (value & 0x0F));
  }
}

bool DecodeRle(const std::uint8_t* p, std::size_t n, DibImage& dib) {
  const bool four = dib.bitsPerPixel == 4;
  std::int64_t x = 0;
  std::int64_t y = 0;
  std::size_t i = 0;
  while (i + 2 <= n && y < dib.height) {
    const std::uint8_t count = p[i];
    const std::uint8_t value = p[i + 1];
    i += 2;
    if (count > 0) {  // encoded run
      for (int k = 0; k < count; ++k, ++x) {
        const std::uint8_t v = four ? ((k % 2 == 0) ? (value >> 4) : (value & 0x0F)) : value;
        PutIndex(dib, x, y, v);
      }
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      return true;
    } else if (value == 2) {  // delta
      if (i + 2 > n) return false;
      x += p[i];
      y += p[i + 1];
      i += 2;
    } else {  // absolute run of `value` pixels, padded to 16 bits
      const std::size_t bytes = four ? (value + 1u) / 2u : value;
      if (bytes > n - i) return false;
      for (int k = 0; k < value; ++k, ++x) {
        const std::uint8_t v =
            four ? ((k % 2 == 0) ? (p[i + k / 2] >> 4) : (p[i + k / 2] & 0x0F)) : p[i + k];
        PutIndex(dib, x, y, v);
      }
      i += bytes + (bytes & 1u);
    }
  }
  return true;  // a missing end marker leaves the remaining pixels 0
}

// Nearest-neighbour copy of `src` at cx x cy pixels, any depth.
DibImage Stretch(const DibImage& src, std::int32_t cx, std::int32_t cy) {
  DibImage dst = src;
  dst.width = cx;
  dst.height = cy;
  dst.stride =
      static_cast<std::int32_t>((static_cast<std::uint64_t>(cx) * src.bitsPerPixel + 31) / 32 * 4);
  dst.pixels.assign(static_cast<std::size_t>(dst.stride) * static_cast<std::size_t>(cy), 0);
  const int bpp = src.bitsPerPixel;
  for (std::int32_t y = 0; y < cy; ++y) {
    const std::int64_t sy = static_cast<std::int64_t>(y) * src.height / cy;
    const std::uint8_t* s = src.pixels.data() + sy * src.stride;
    std::uint8_t* d = dst.pixels.data() + static_cast<std::size_t>(y) * dst.stride;
    for (std::int32_t x = 0; x < cx; ++x) {
      const std::int64_t sx = static_cast<std::int64_t>(x) * src.width / cx;
      if (bpp >= 8) {
        std::memcpy(d + static_cast<std::size_t>(x) * (bpp / 8), s + sx * (bpp / 8), bpp / 8);
      } else {
        const int mask = (1 << bpp) - 1;
        const std::int64_t sbit = sx * bpp;
        const std::int64_t dbit = static_cast<std::int64_t>(x) * bpp;
        const int v = (s[sbit / 8] >> (8 - bpp - sbit % 8)) & mask;
        const int shift = static_cast<int>(8 - bpp - dbit % 8);
        d[dbit / 8] = static_cast<std::uint8_t>((d[dbit / 8] & ~(mask << shift)) | (v << shift));
      }
    }
  }
  return dst;
}

// The colour-table index of the first pixel in memory.
std::uint32_t FirstIndex(const DibImage& dib) {
  if (dib.pixels.empty()) return 0;
  const std::uint8_t b = dib.pixels[0];
  switch (dib.bitsPerPixel) {
    case 1:
      return b >> 7;
    case 4:
      return b >> 4;
    default:
      return b;
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Decoding core
// ---------------------------------------------------------------------------------------------
const char* BmpErrorText(BmpError error) {
  switch (error) {
    case BmpError::None:
      return "no error";
    case BmpError::TooShort:
      return "shorter than the bitmap headers";
    case BmpError::NotBitmap:
      return "no bitmap signature";
    case BmpError::CoreHeader:
      return "old 12-byte core header";
    case BmpError::UnsupportedHeader:
      return "unsupported info header size";
    case BmpError::BadGeometry:
      return "bad width, height or plane count";
    case BmpError::UnsupportedFormat:
      return "unsupported depth, compression or bit masks";
    case BmpError::Truncated:
      return "truncated file";
    case BmpError::BadPixelOffset:
      return "pixel offset inside the headers";
    case BmpError::TooLarge:
      return "image too large";
  }
  return "unknown error";
}

namespace {

// Where the pixel data lie in the file, once the headers have been checked.
struct PixelPlan {
  std::uint64_t offset = 0;  // file offset of the pixel data
  std::uint64_t bytes = 0;   // file bytes to read from there
  std::uint64_t total = 0;   // bytes of the decoded rows (stride x height)
  bool rle = false;
};

// Checks the headers of a file of `size` bytes whose first `have` bytes are at `data`, and fills
// everything of `dib` but the pixels. Headers, masks and colour table lie within the first
// 14 + 124 + 12 + 1024 bytes, so any prefix of at least that much (or the whole file) will do.
BmpError ParseHeaders(const std::uint8_t* data, std::size_t have, std::uint64_t size, DibImage& dib,
                      PixelPlan& plan) {
  if (data == nullptr || have < kFileHeaderSize + 4) return BmpError::TooShort;
  if (U16(data) != 0x4D42) return BmpError::NotBitmap;
  const std::uint32_t headerSize = U32(data + 14);
  if (headerSize == 12) return BmpError::CoreHeader;
  if (headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 &&
      headerSize != 124) {
    return BmpError::UnsupportedHeader;
  }
  if (have < kFileHeaderSize + headerSize) return BmpError::Truncated;
  const std::uint8_t* h = data + kFileHeaderSize;
  const std::int32_t width = I32(h + 4);
  const std::int32_t rawHeight = I32(h + 8);
  const std::uint16_t planes = U16(h + 12);
  const std::uint16_t bpp = U16(h + 14);
  const std::uint32_t compression = U32(h + 16);
  const std::uint32_t sizeImage = U32(h + 20);
  const std::uint32_t clrUsed = U32(h + 32);

  if (width <= 0 || rawHeight == 0 || rawHeight == std::numeric_limits<std::int32_t>::min() ||
      planes != 1) {
    return BmpError::BadGeometry;
  }
  const bool topDown = rawHeight < 0;
  const std::int32_t height = topDown ? -rawHeight : rawHeight;

  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) {
    return BmpError::UnsupportedFormat;
  }
  const bool rle = compression == BI_RLE8 || compression == BI_RLE4;
  if (!(compression == BI_RGB || (compression == BI_BITFIELDS && (bpp == 16 || bpp == 32)) ||
        (compression == BI_RLE8 && bpp == 8 && !topDown) ||
        (compression == BI_RLE4 && bpp == 4 && !topDown))) {
    return BmpError::UnsupportedFormat;
  }

  // Bit masks: after a 40-byte header they follow it; larger headers hold them.
  std::uint64_t tableOffset = kFileHeaderSize + headerSize;
  std::uint32_t rMask = 0, gMask = 0, bMask = 0, aMask = 0;
  if (compression == BI_BITFIELDS) {
    const std::uint8_t* m = h + 40;
    if (headerSize == 40) {
      if (have - tableOffset < 12) return BmpError::Truncated;
      m = data + tableOffset;
      tableOffset += 12;
    }
    rMask = U32(m);
    gMask = U32(m + 4);
    bMask = U32(m + 8);
    if (headerSize >= 56) aMask = U32(h + 52);
    const std::uint64_t limit = (bpp == 16) ? 0xFFFFu : 0xFFFFFFFFu;
    for (std::uint32_t mask : {rMask, gMask, bMask}) {
      if (!ContiguousMask(mask) || mask > limit) return BmpError::UnsupportedFormat;
    }
    if (aMask != 0 && (!ContiguousMask(aMask) || aMask > limit)) aMask = 0;
    if ((rMask & gMask) | (rMask & bMask) | (gMask & bMask)) return BmpError::UnsupportedFormat;
  } else if (bpp == 16) {
    rMask = 0x7C00;
    gMask = 0x03E0;
    bMask = 0x001F;
  } else if (bpp == 32) {
    rMask = 0x00FF0000;
    gMask = 0x0000FF00;
    bMask = 0x000000FF;
  }

  // Pixel offset: 0 means "directly after the headers and the colour table".
  std::uint64_t colorCount = 0;
  if (bpp <= 8) {
    const std::uint64_t full = 1u << bpp;
    colorCount = (clrUsed == 0 || clrUsed > full) ? full : clrUsed;
  }
  std::uint64_t pixelOffset = U32(data + 10);
  if (pixelOffset == 0) {
    pixelOffset = tableOffset + colorCount * 4;
  } else if (pixelOffset < tableOffset) {
    return BmpError::BadPixelOffset;
  } else {
    colorCount = std::min(colorCount, (pixelOffset - tableOffset) / 4);  // table cut by pixels
  }
  if (tableOffset + colorCount * 4 > have) return BmpError::Truncated;
  if (pixelOffset > size) return BmpError::Truncated;

  const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bpp + 31) / 32 * 4;
  const std::uint64_t total = stride * static_cast<std::uint64_t>(height);
  if (stride > kMaxPixelBytes || total > (rle ? kMaxRlePixelBytes : kMaxPixelBytes)) {
    return BmpError::TooLarge;
  }
  const std::uint64_t available = size - pixelOffset;
  if (!rle && available < total) return BmpError::Truncated;

  dib = DibImage{};
  dib.width = width;
  dib.height = height;
  dib.bitsPerPixel = bpp;
  dib.stride = static_cast<std::int32_t>(stride);
  dib.topDown = topDown;
  dib.compression = (compression == BI_BITFIELDS) ? BI_BITFIELDS : BI_RGB;
  dib.redMask = rMask;
  dib.greenMask = gMask;
  dib.blueMask = bMask;
  dib.alphaMask = aMask;
  dib.colors.resize(static_cast<std::size_t>(colorCount));
  for (std::size_t i = 0; i < dib.colors.size(); ++i) {
    const std::uint8_t* c = data + tableOffset + i * 4;
    dib.colors[i] = RGBQUAD{c[0], c[1], c[2], c[3]};
  }
  plan.offset = pixelOffset;
  plan.total = total;
  plan.rle = rle;
  plan.bytes = total;
  if (rle) plan.bytes = sizeImage != 0 ? std::min<std::uint64_t>(available, sizeImage) : available;
  return BmpError::None;
}

// Completes `dib.pixels`: plain rows are already there; RLE data at `rle` are decoded. 32-bit bit
// fields in another order are brought to blue, green, red, alpha bytes, the order the usual
// masks give, so that users of 32-bit pixels see one layout.
BmpError FinishPixels(DibImage& dib, const std::uint8_t* rle, const PixelPlan& plan) {
  if (plan.rle) {
    dib.pixels.assign(static_cast<std::size_t>(plan.total), 0);
    if (!DecodeRle(rle, static_cast<std::size_t>(plan.bytes), dib)) return BmpError::Truncated;
  }
  if (dib.bitsPerPixel == 32 && dib.compression == BI_BITFIELDS) {
    const std::uint32_t rMask = dib.redMask, gMask = dib.greenMask, bMask = dib.blueMask,
                        aMask = dib.alphaMask;
    const bool usual = rMask == 0x00FF0000 && gMask == 0x0000FF00 && bMask == 0x000000FF &&
                       (aMask == 0 || aMask == 0xFF000000u);
    if (!usual) {
      for (std::int32_t y = 0; y < dib.height; ++y) {
        std::uint8_t* p = dib.pixels.data() + static_cast<std::size_t>(y) * dib.stride;
        for (std::int32_t x = 0; x < dib.width; ++x, p += 4) {
          const std::uint32_t v = U32(p);
          p[0] = Channel(v, bMask, 0);
          p[1] = Channel(v, gMask, 0);
          p[2] = Channel(v, rMask, 0);
          p[3] = Channel(v, aMask, 255);
        }
      }
      dib.compression = BI_RGB;
      dib.redMask = 0x00FF0000;
      dib.greenMask = 0x0000FF00;
      dib.blueMask = 0x000000FF;
      dib.alphaMask = aMask != 0 ? 0xFF000000u : 0;
    }
  }
  return BmpError::None;
}

// Reads `n` bytes at file offset `at`, from the prefix already read when they lie inside it.
bool ReadAt(std::FILE* f, const std::vector<std::uint8_t>& head, std::uint64_t at, std::uint64_t n,
            std::uint8_t* dst) {
  if (at + n <= head.size()) {
    if (n > 0) std::memcpy(dst, head.data() + at, static_cast<std::size_t>(n));
    return true;
  }
  if (fseeko(f, static_cast<off_t>(at), SEEK_SET) != 0) return false;
  return std::fread(dst, 1, static_cast<std::size_t>(n), f) == n;
}

// Loads a BMP file: the headers from a prefix, the pixel rows read straight into the image.
bool LoadFile(const char* name, DibImage& dib) {
  std::FILE* f = std::fopen(name, "rb");
  if (f == nullptr) return false;
  struct FileCloser {
    std::FILE* f;
    ~FileCloser() { std::fclose(f); }
  } closer{f};
  struct stat st {};
  if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) return false;
  const auto size = static_cast<std::uint64_t>(st.st_size);
  std::vector<std::uint8_t> head(
      static_cast<std::size_t>(std::min<std::uint64_t>(size, 64 * 1024)));
  if (!head.empty() && std::fread(head.data(), 1, head.size(), f) != head.size()) return false;
  PixelPlan plan;
  if (ParseHeaders(head.data(), head.size(), size, dib, plan) != BmpError::None) return false;
  std::vector<std::uint8_t> rle;
  if (plan.rle) {
    rle.resize(static_cast<std::size_t>(plan.bytes));
    if (!ReadAt(f, head, plan.offset, plan.bytes, rle.data())) return false;
  } else {
    dib.pixels.resize(static_cast<std::size_t>(plan.total));
    if (!ReadAt(f, head, plan.offset, plan.total, dib.pixels.data())) return false;
  }
  return FinishPixels(dib, rle.data(), plan) == BmpError::None;
}

}  // namespace

BmpError DecodeBmp(const std::uint8_t* data, std::size_t size, DibImage& out) {
  out = DibImage{};
  DibImage dib;
  PixelPlan plan;
  if (BmpError e = ParseHeaders(data, size, size, dib, plan); e != BmpError::None) return e;
  const std::uint8_t* pixels = data + plan.offset;
  if (!plan.rle) dib.pixels.assign(pixels, pixels + plan.total);
  if (BmpError e = FinishPixels(dib, pixels, plan); e != BmpError::None) return e;
  out = std::move(dib);
  return BmpError::None;
}

// ---------------------------------------------------------------------------------------------
// Bitmap objects
// ---------------------------------------------------------------------------------------------
HBITMAP CreateBitmapObject(DibImage image) {
  return detail::Make<detail::Bitmap>(std::move(image)).first;
}

HBITMAP LoadImage(HINSTANCE /*instance*/, const char* name, UINT type, std::int32_t cx,
                  std::int32_t cy, UINT flags) {
  if (name == nullptr || type != IMAGE_BITMAP || (flags & LR_LOADFROMFILE) == 0 || cx < 0 ||
      cy < 0) {
    return 0;
  }
  DibImage dib;
  // A picture too big for the memory at hand is a picture that does not load.
  try {
    if (!LoadFile(name, dib)) return 0;
  } catch (const std::bad_alloc&) {
    return 0;
  }
  const std::int32_t w = cx != 0 ? cx : dib.width;
  const std::int32_t h = cy != 0 ? cy : dib.height;
  if (w != dib.width || h != dib.height) {
    const std::uint64_t stride = (static_cast<std::uint64_t>(w) * dib.bitsPerPixel + 31) / 32 * 4;
    if (stride * static_cast<std::uint64_t>(h) > kMaxPixelBytes) return 0;
    dib = Stretch(dib, w, h);
  }
  if ((flags & LR_LOADTRANSPARENT) != 0 && !dib.colors.empty()) {
    const std::uint32_t i = FirstIndex(dib);
    if (i < dib.colors.size()) dib.colors[i] = RGBQUAD{255, 255, 255, 0};  // window colour
  }
  return CreateBitmapObject(std::move(dib));
}

std::int32_t GetObject(HGDIOBJ object, std::int32_t size, void* out) {
  const auto* bitmap = detail::Find<detail::Bitmap>(object);
  if (bitmap == nullptr) return 0;
  constexpr auto kSize = static_cast<std::int32_t>(sizeof(BITMAP));
  if (out == nullptr) return kSize;
  if (size < kSize) return 0;
  BITMAP bm;
  bm.bmType = 0;
  bm.bmWidth = bitmap->dib.width;
  bm.bmHeight = bitmap->dib.height;
  bm.bmWidthBytes = bitmap->dib.stride;
  bm.bmPlanes = 1;
  bm.bmBitsPixel = bitmap->dib.bitsPerPixel;
  bm.bmBits = bitmap->dib.pixels.empty()
                  ? nullptr
                  : const_cast<std::uint8_t*>(bitmap->dib.pixels.data());  // writable DIB
  std::memcpy(out, &bm, sizeof bm);
  return kSize;
}

DibImage* GetDib(HBITMAP bitmap) {
  auto* b = detail::Find<detail::Bitmap>(bitmap);
  return b == nullptr ? nullptr : &b->dib;
}

bool DeleteObject(HGDIOBJ object) {
  const detail::Object* o = detail::FindAnyObject(object);
  if (o == nullptr || o->stock) return false;  // stock objects are shared: never deleted
  switch (o->kind) {
    case detail::Kind::Bitmap:
    case detail::Kind::Palette:
    case detail::Kind::Region:
    case detail::Kind::Brush:
    case detail::Kind::Font:
      return detail::RemoveObject(object);
    default:
      return false;
  }
}

}  // namespace brevra::platform
