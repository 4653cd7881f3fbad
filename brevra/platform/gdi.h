// Brevra platform layer: drawing services for shaped, bitmap-drawn windows.
//
// Memory device contexts with selected bitmaps and palettes, device-independent sections,
// palettes, block transfers between 1/4/8/16/24/32-bit pixel formats and into a window's paint
// surface, regions built from rectangle lists, and movable memory blocks. Every object lives in
// the platform's one handle table (objects.h); bitmaps are the DIB objects of bitmap.h, and
// bitmap.h's DeleteObject releases bitmaps, palettes and regions alike.
//
// Limits: only SRCCOPY transfers, no stretching; palettes do not change how DIB pixels are
// converted (DIB-to-DIB copies go through the source's colour table, as the system does);
// regions are sets of integer rectangles (no ellipses, no transforms).
//
// Test hooks at the end: a failure hook that makes chosen allocations fail, and an observer of
// the rectangle lists handed to ExtCreateRegion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "brevra/export.h"
#include "brevra/platform/bitmap.h"
#include "brevra/platform/objects.h"
#include "brevra/platform/platform.h"

namespace BREVRA_API brevra {
namespace platform {

using HPALETTE = HANDLE;
using HRGN = HANDLE;
using HGLOBAL = HANDLE;
using COLORREF = std::uint32_t;  // 0x00BBGGRR

// ---------------------------------------------------------------------------------------------
// Constants
// ---------------------------------------------------------------------------------------------
inline constexpr std::uint32_t SRCCOPY = 0x00CC0020u;
inline constexpr UINT DIB_RGB_COLORS = 0;
inline constexpr UINT DIB_PAL_COLORS = 1;
inline constexpr std::int32_t DEFAULT_PALETTE = 15;  // stock object

// Region kinds (CombineRgn, GetRgnBox results) and combine modes.
inline constexpr std::int32_t RGN_ERROR = 0;
inline constexpr std::int32_t NULLREGION = 1;
inline constexpr std::int32_t SIMPLEREGION = 2;
inline constexpr std::int32_t COMPLEXREGION = 3;
inline constexpr std::int32_t RGN_AND = 1;
inline constexpr std::int32_t RGN_OR = 2;
inline constexpr std::int32_t RGN_XOR = 3;
inline constexpr std::int32_t RGN_DIFF = 4;
inline constexpr std::int32_t RGN_COPY = 5;
inline constexpr std::uint32_t RDH_RECTANGLES = 1;
inline constexpr std::int32_t MAXLONG = 2147483647;

// Movable memory flags.
inline constexpr UINT GMEM_FIXED = 0x0000;
inline constexpr UINT GMEM_MOVEABLE = 0x0002;
inline constexpr UINT GMEM_ZEROINIT = 0x0040;

// ---------------------------------------------------------------------------------------------
// Records
// ---------------------------------------------------------------------------------------------
struct PALETTEENTRY {
  std::uint8_t peRed = 0;
  std::uint8_t peGreen = 0;
  std::uint8_t peBlue = 0;
  std::uint8_t peFlags = 0;
};

// A logical palette: the header, then `palNumEntries` entries in memory (the record is
// allocated with room for all of them; the array names the first).
struct LOGPALETTE {
  std::uint16_t palVersion = 0x300;
  std::uint16_t palNumEntries = 0;
  PALETTEENTRY palPalEntry[1];
};

struct BITMAPINFOHEADER {
  std::uint32_t biSize = 40;
  std::int32_t biWidth = 0;
  std::int32_t biHeight = 0;  // positive: bottom row first in memory; negative: top row first
  std::uint16_t biPlanes = 1;
  std::uint16_t biBitCount = 0;
  std::uint32_t biCompression = BI_RGB;
  std::uint32_t biSizeImage = 0;
  std::int32_t biXPelsPerMeter = 0;
  std::int32_t biYPelsPerMeter = 0;
  std::uint32_t biClrUsed = 0;
  std::uint32_t biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40, "the info header is 40 bytes");

// The header, then the colour table (up to 256 entries for 1, 4 and 8 bits; three masks for
// BI_BITFIELDS) in memory.
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};

struct RGNDATAHEADER {
  std::uint32_t dwSize = sizeof(RGNDATAHEADER);
  std::uint32_t iType = RDH_RECTANGLES;
  std::uint32_t nCount = 0;    // rectangles that follow
  std::uint32_t nRgnSize = 0;  // bytes of the rectangles (0: not given)
  RECT rcBound;
};
static_assert(sizeof(RGNDATAHEADER) == 32, "the region-data header is 32 bytes");

// The header, then `nCount` rectangles in memory.
struct RGNDATA {
  RGNDATAHEADER rdh;
  RECT Buffer[1];
};

// ---------------------------------------------------------------------------------------------
// Device contexts and selection
// ---------------------------------------------------------------------------------------------
// A memory device context (`dc` is ignored: every memory DC is compatible with the screen). It
// starts with the stock 1 x 1 monochrome bitmap and the default palette selected. 0 on failure.
HDC CreateCompatibleDC(HDC dc);
// Deletes a memory device context (the objects selected into it survive). False for window
// device contexts (those are released with ReleaseDC / EndPaint) and dead handles.
bool DeleteDC(HDC dc);
// Selects a bitmap (or brush, font) into a device context and returns the object it replaces;
// 0 on failure (dead DC or object, a bitmap already selected into another DC, a palette: use
// SelectPalette, or a bitmap into a window DC).
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
// The object of that kind selected into the DC, or 0.
HGDIOBJ GetCurrentObject(HDC dc, std::uint32_t kind);
inline constexpr std::uint32_t OBJ_PAL = 5;
inline constexpr std::uint32_t OBJ_BITMAP = 7;

// ---------------------------------------------------------------------------------------------
// Palettes
// ---------------------------------------------------------------------------------------------
// A palette from a LOGPALETTE record (version 0x300, 1..65535 entries). 0 on failure.
HPALETTE CreatePalette(const LOGPALETTE* logPalette);
// The 256-entry halftone palette (the 20 system colours and a 6 x 6 x 6 colour cube with a
// grey ramp); the device context, which may be 0, is not read.
HPALETTE CreateHalftonePalette(HDC dc);
// Selects a palette into a DC and returns the previous one (0 on failure).
HPALETTE SelectPalette(HDC dc, HPALETTE palette, bool forceBackground);
// Maps the selected palette into the (true-colour) system palette: the number of entries.
UINT RealizePalette(HDC dc);
// Copies `count` entries from `start` of a palette into `entries` (null: returns the palette's
// size). Returns the number copied.
UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries);
// Copies colour-table entries of the DIB selected into `dc` (blue, green, red, reserved).
// Returns the number of entries copied: 0 for a DIB without a table (more than 8 bits).
UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors);

// ---------------------------------------------------------------------------------------------
// Device-independent sections and block transfers
// ---------------------------------------------------------------------------------------------
// A DIB of the described size and depth (1, 4, 8, 16, 24 or 32 bits; BI_RGB, or BI_BITFIELDS
// for 16 and 32 bits with the masks after the header). `usage` DIB_RGB_COLORS takes the colour
// table from `info`; the pixels start as 0. `*bits` receives the address of the pixels (null on
// failure). File-mapping sections are not supported (`section` must be 0). 0 on failure.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         std::uint32_t offset);
// Copies a w x h block from (xSrc, ySrc) of the source DC to (x, y) of the destination DC,
// converting pixel formats; only SRCCOPY. A memory DC draws into its selected bitmap; a window
// DC draws into the window's paint surface, clipped to the window's region. Coordinates are
// picture coordinates (top row 0); the block is clipped to both pictures.
bool BitBlt(HDC dst, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, HDC src,
            std::int32_t xSrc, std::int32_t ySrc, std::uint32_t rop);

// ---------------------------------------------------------------------------------------------
// Regions
// ---------------------------------------------------------------------------------------------
// A region from an RGNDATA buffer of `bytes` bytes; the transform must be null. Empty
// rectangles are ignored; no rectangle gives an empty region. 0 for a damaged buffer.
HRGN ExtCreateRegion(const void* xform, std::uint32_t bytes, const RGNDATA* data);
HRGN CreateRectRgn(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);
// dst := src1 <mode> src2 (dst may be src1 or src2). Returns the kind of the result or
// RGN_ERROR.
std::int32_t CombineRgn(HRGN dst, HRGN src1, HRGN src2, std::int32_t mode);
bool PtInRegion(HRGN region, std::int32_t x, std::int32_t y);
std::int32_t GetRgnBox(HRGN region, RECT* box);
// Writes the region's rectangles (bands top to bottom, left to right in a band; equal bands
// next to each other are merged) as RGNDATA; returns the bytes needed (with `data` null, or
// when `bytes` is too small nothing is written), 0 for a dead handle.
std::uint32_t GetRegionData(HRGN region, std::uint32_t bytes, RGNDATA* data);
// The same rectangles as a list (tests and compositing).
std::vector<RECT> RegionRects(HRGN region);

bool SetRect(RECT* rect, std::int32_t left, std::int32_t top, std::int32_t right,
             std::int32_t bottom);

// ---------------------------------------------------------------------------------------------
// Movable memory
// ---------------------------------------------------------------------------------------------
// Every block is reached through its handle (GMEM_FIXED blocks too, as handles here are 32
// bits). 0 on failure.
HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes);
// The block's address while locked (locks nest); null for a dead handle.
void* GlobalLock(HGLOBAL block);
// True while the block stays locked.
bool GlobalUnlock(HGLOBAL block);
// Resizes the block (its address changes; the common prefix is kept). Returns the handle, or 0
// on failure, when the old block is unchanged.
HGLOBAL GlobalReAlloc(HGLOBAL block, std::size_t bytes, UINT flags);
// Frees the block, locked or not. 0 on success, the handle on failure.
HGLOBAL GlobalFree(HGLOBAL block);
std::size_t GlobalSize(HGLOBAL block);

// ---------------------------------------------------------------------------------------------
// Test hooks
// ---------------------------------------------------------------------------------------------
enum class GdiOp {
  CreateCompatibleDC,
  CreateDIBSection,
  ExtCreateRegion,
  GlobalAlloc,
  GlobalReAlloc
};
// Asked before each of these operations with the bytes it would take (0 where none); true makes
// the operation fail as if the system had refused it. An empty function removes the hook.
using GdiFailureHook = std::function<bool(GdiOp op, std::size_t bytes)>;
void SetGdiFailureHook(GdiFailureHook hook);
// Called with every buffer ExtCreateRegion receives (before it is read).
using RegionDataObserver = std::function<void(const RGNDATA* data, std::uint32_t bytes)>;
void SetRegionDataObserver(RegionDataObserver observer);

}  // namespace platform
}  // namespace brevra

// Internals, not exported.
namespace brevra::platform::detail {

// A window's paint surface: its client size, 0xAARRGGBB pixels, top row first; alpha 0xFF where
// something was painted, 0 where nothing was.
struct Surface {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint32_t> pixels;
};
// The window's surface, or null when nothing was ever painted into it (or the window is dead).
const Surface* WindowSurface(HWND hwnd);
// The window's surface sized to its client area, made on first use; null for a dead window.
Surface* PaintSurface(HWND hwnd);

struct Window;
// Paints a status window's surface: the strip, its part separators and the part texts.
void PaintStatusWindow(Window* status);
// Draws the visible child windows of a top-level window (deepest last, status bars painted
// first) over the frame in the window's current OpenGL context, each clipped to its region
// (only painted pixels are drawn). Every GL state it touches is restored. Called by a backend
// just before it shows a frame.
void CompositeChildren(Window* top);

// ---- drawing helpers of the composition (colours 0xAARRGGBB in surfaces, 0xRRGGBB for text) ----
void FillSurface(Surface& s, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                 std::uint32_t colour);
// Blends UTF-8 text (DejaVu Sans 12) onto the surface, clipped to [x, right), centred between
// rows y0 and y1. Without the font nothing is drawn.
void DrawSurfaceText(Surface& s, const std::string& utf8, std::int32_t x, std::int32_t right,
                     std::int32_t y0, std::int32_t y1, std::uint32_t rgb);
std::int32_t SurfaceTextWidth(const std::string& utf8);
std::int32_t SurfaceTextHeight();
// Sets up (and takes back) an orthographic overlay of w x h pixels over the current frame,
// bottom-left origin, with every GL state it changes saved; painted pixels only (alpha test).
void BeginOverlay(std::int32_t w, std::int32_t h);
void EndOverlay();
// Draws a surface with its top-left corner at (x, y) of a w x h overlay (y grows downwards),
// clipped to it.
void DrawSurface(const Surface& s, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h);

struct Palette : Object {
  static constexpr Kind kKind = Kind::Palette;
  Palette() : Object(kKind) {}
  std::vector<PALETTEENTRY> entries;
};

// A set of pixels as y-x bands: rectangles sorted by top, then left; the rectangles of one band
// share top and bottom and do not touch; equal neighbouring bands are merged.
struct Region : Object {
  static constexpr Kind kKind = Kind::Region;
  Region() : Object(kKind) {}
  std::vector<RECT> rects;
  bool contains(std::int32_t x, std::int32_t y) const;
};

struct GlobalBlock : Object {
  static constexpr Kind kKind = Kind::Memory;
  GlobalBlock() : Object(kKind) {}
  std::vector<std::uint8_t> bytes;
  UINT flags = 0;
  std::uint32_t locks = 0;
};

// Normalises any list of rectangles into bands (union of them all).
std::vector<RECT> NormaliseRects(std::vector<RECT> rects);

}  // namespace brevra::platform::detail
