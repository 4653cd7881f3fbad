// Brevra platform layer: bitmap files and device-independent bitmap objects.
//
// `LoadImage` reads a BMP file into a device-independent bitmap (DIB) object that keeps the
// file's pixel format: rows padded to 4 bytes, in the file's row order (bottom row first for an
// ordinary file), writable. `GetObject` describes it in a BITMAP record; `DeleteObject` releases
// it (and the other GDI-like objects of the handle table).
//
// The decoding core, `DecodeBmp`, works on a memory buffer and knows nothing of windows, GL or
// message boxes, so fuzzers and benchmarks can call it directly.
//
// Accepted: file header + 40-byte info header, or the 52/56-byte, V4 (108) and V5 (124) headers;
// 1, 4, 8, 16, 24 and 32 bits per pixel; BI_RGB, BI_BITFIELDS (16 and 32 bits), BI_RLE8 and
// BI_RLE4 (bottom-up files, decoded to plain 8 and 4-bit rows; runs past a row's end are
// clipped, a missing end marker leaves the rest of the image 0); bottom-up and top-down rows;
// colour tables. The old 12-byte core header is refused. A damaged or truncated file gives no
// bitmap; every size is checked before it is used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "brevra/export.h"
#include "brevra/platform/objects.h"
#include "brevra/platform/platform.h"

namespace BREVRA_API brevra {
namespace platform {

using HBITMAP = HANDLE;

// ---------------------------------------------------------------------------------------------
// Constants
// ---------------------------------------------------------------------------------------------
inline constexpr UINT IMAGE_BITMAP = 0;
inline constexpr UINT IMAGE_ICON = 1;
inline constexpr UINT IMAGE_CURSOR = 2;

inline constexpr UINT LR_DEFAULTCOLOR = 0x0000;
inline constexpr UINT LR_LOADFROMFILE = 0x0010;
inline constexpr UINT LR_LOADTRANSPARENT = 0x0020;
inline constexpr UINT LR_CREATEDIBSECTION = 0x2000;

// Compression values of the info header.
inline constexpr std::uint32_t BI_RGB = 0;
inline constexpr std::uint32_t BI_RLE8 = 1;
inline constexpr std::uint32_t BI_RLE4 = 2;
inline constexpr std::uint32_t BI_BITFIELDS = 3;

// ---------------------------------------------------------------------------------------------
// Records
// ---------------------------------------------------------------------------------------------
// The bitmap description. Our own layout: seven fields in the classic order; with a 64-bit
// `bmBits` the record is 32 bytes rather than 24, and GetObject fills the whole record.
struct BITMAP {
  std::int32_t bmType = 0;
  std::int32_t bmWidth = 0;
  std::int32_t bmHeight = 0;      // always positive; see DibImage::topDown for the row order
  std::int32_t bmWidthBytes = 0;  // bytes per row, a multiple of 4
  std::uint16_t bmPlanes = 0;
  std::uint16_t bmBitsPixel = 0;
  void* bmBits = nullptr;  // the first row in memory
};

// One colour-table entry, in file order.
struct RGBQUAD {
  std::uint8_t rgbBlue = 0;
  std::uint8_t rgbGreen = 0;
  std::uint8_t rgbRed = 0;
  std::uint8_t rgbReserved = 0;
};

// A decoded device-independent bitmap.
struct DibImage {
  std::int32_t width = 0;
  std::int32_t height = 0;  // positive
  std::uint16_t bitsPerPixel = 0;
  std::int32_t stride = 0;  // bytes per row: width x bitsPerPixel / 8 rounded up to 4
  bool topDown = false;     // the first row in memory is the top row of the picture
  // BI_RGB or BI_BITFIELDS (RLE files are delivered decoded, as BI_RGB). 32-bit images whose
  // masks are not the usual 00FF0000 / 0000FF00 / 000000FF are converted to blue, green, red,
  // alpha bytes and reported as BI_RGB; 16-bit images keep their pixels and masks.
  std::uint32_t compression = BI_RGB;
  std::uint32_t redMask = 0;  // 16 and 32 bits per pixel only
  std::uint32_t greenMask = 0;
  std::uint32_t blueMask = 0;
  std::uint32_t alphaMask = 0;
  // The file's colour table (at most 2^bitsPerPixel entries) for 1, 4 and 8 bits per pixel;
  // pixel values past its end have no colour. Empty for deeper images.
  std::vector<RGBQUAD> colors;
  std::vector<std::uint8_t> pixels;  // stride x height bytes, rows in the file's order
};

// Why DecodeBmp refused a buffer.
enum class BmpError {
  None,
  TooShort,           // smaller than the file header and the header-size field
  NotBitmap,          // does not start with the bytes B, M
  CoreHeader,         // the old 12-byte header
  UnsupportedHeader,  // a header size other than 40, 52, 56, 108 and 124
  BadGeometry,        // width <= 0, height 0, planes other than 1
  UnsupportedFormat,  // depth or compression not accepted, damaged masks
  Truncated,          // a part the headers announce lies (partly) outside the buffer
  BadPixelOffset,     // the pixel offset points into the headers
  TooLarge,           // the pixel block would exceed 2^31 - 1 bytes (256 MiB for RLE)
};
const char* BmpErrorText(BmpError error);

// Decodes a whole BMP file held in memory into `out`. On failure `out` is left empty.
BmpError DecodeBmp(const std::uint8_t* data, std::size_t size, DibImage& out);

// ---------------------------------------------------------------------------------------------
// Bitmap objects
// ---------------------------------------------------------------------------------------------
// Loads an image. Only IMAGE_BITMAP with LR_LOADFROMFILE is supported (the program has no
// resources): `name` is a file path. cx, cy of 0 keep the file's size; other values give a
// nearest-neighbour copy of that size. The result is always a DIB object in the file's pixel
// format (LR_CREATEDIBSECTION is implied). LR_LOADTRANSPARENT replaces the colour-table entry of
// the first pixel in memory by the window colour (white). Returns 0 when the file cannot be
// read or decoded.
HBITMAP LoadImage(HINSTANCE instance, const char* name, UINT type, std::int32_t cx, std::int32_t cy,
                  UINT flags);

// Fills the BITMAP record of a bitmap object. With `out` null it returns sizeof(BITMAP); with
// `size` smaller than sizeof(BITMAP), or a handle that is not a bitmap, it writes nothing and
// returns 0; otherwise it fills the whole record and returns sizeof(BITMAP).
std::int32_t GetObject(HGDIOBJ object, std::int32_t size, void* out);

// Releases a bitmap, palette, region, brush or font object. False for any other handle and for
// stock objects (which stay alive).
bool DeleteObject(HGDIOBJ object);

// The DIB behind a bitmap handle (pixels and colour table writable), or null.
DibImage* GetDib(HBITMAP bitmap);

// Makes a bitmap object of a decoded image (CreateDIBSection and friends build on this).
HBITMAP CreateBitmapObject(DibImage image);

}  // namespace platform
}  // namespace brevra

// Internals, not exported.
namespace brevra::platform::detail {
struct Bitmap : Object {
  static constexpr Kind kKind = Kind::Bitmap;
  explicit Bitmap(DibImage image) : Object(kKind), dib(std::move(image)) {}
  DibImage dib;
};
}  // namespace brevra::platform::detail
