// Brevra image buttons: BMP loading with palettes and the bitmap-to-region conversion.
//
// Everything the two routines create is handed to the caller or released before they return;
// the rectangle buffer is one movable memory block laid out as the region-data record that
// ExtCreateRegion reads.
#include "brevra/imagebutton/bitmap_region.h"

#include <algorithm>  // Required for: std::min, std::max
#include <vector>

namespace brevra {

namespace pf = brevra::platform;

namespace {

constexpr std::uint32_t kHeaderBytes = sizeof(pf::RGNDATAHEADER);

std::size_t BufferBytes(std::uint32_t maxRects) {
  return kHeaderBytes + static_cast<std::size_t>(maxRects) * sizeof(pf::RECT);
}

void ResetBatch(pf::RGNDATAHEADER& header) {
  header.nCount = 0;
  pf::SetRect(&header.rcBound, pf::MAXLONG, pf::MAXLONG, 0, 0);
}

// Turns the batch in the buffer into a region and unites it into `result`.
void FlushBatch(pf::RGNDATA* data, std::uint32_t maxRects, pf::HRGN& result) {
  const pf::HRGN batch =
      pf::ExtCreateRegion(nullptr, static_cast<std::uint32_t>(BufferBytes(maxRects)), data);
  if (batch != 0) {
    if (result != 0) {
      pf::CombineRgn(result, result, batch, pf::RGN_OR);
      pf::DeleteObject(batch);
    } else {
      result = batch;
    }
  }
  ResetBatch(data->rdh);
}

}  // namespace

TransparentRange MakeTransparentRange(std::uint32_t transColor, std::uint8_t tolerance) {
  auto top = [tolerance](std::uint8_t low) {
    return static_cast<std::uint8_t>(std::min(255, low + tolerance));
  };
  TransparentRange r;
  r.lowRed = static_cast<std::uint8_t>(transColor);
  r.lowGreen = static_cast<std::uint8_t>(transColor >> 8);
  r.lowBlue = static_cast<std::uint8_t>(transColor >> 16);
  r.highRed = top(r.lowRed);
  r.highGreen = top(r.lowGreen);
  r.highBlue = top(r.lowBlue);
  return r;
}

pf::HBITMAP LoadBMPFromFile(const std::string& FileName, pf::HPALETTE& Pal) {
  const pf::HBITMAP bmp =
      pf::LoadImage(pf::GetModuleHandle(nullptr), FileName.c_str(), pf::IMAGE_BITMAP, 0, 0,
                    pf::LR_LOADFROMFILE | pf::LR_CREATEDIBSECTION);
  if (bmp == 0) return 0;
  pf::BITMAP bm;
  pf::GetObject(bmp, sizeof bm, &bm);
  if (static_cast<int>(bm.bmBitsPixel) * bm.bmPlanes > 8) {
    const pf::HDC screen = pf::GetDC(0);
    Pal = pf::CreateHalftonePalette(screen);
    pf::ReleaseDC(0, screen);
    return bmp;
  }
  // The colour table: 256 entries asked for; entries past the file's table stay black.
  const pf::HDC memDC = pf::CreateCompatibleDC(0);
  const pf::HGDIOBJ oldBmp = pf::SelectObject(memDC, bmp);
  pf::RGBQUAD table[256] = {};
  pf::GetDIBColorTable(memDC, 0, 256, table);
  std::vector<std::uint8_t> record(sizeof(pf::LOGPALETTE) + 255 * sizeof(pf::PALETTEENTRY));
  auto* logPalette = new (record.data()) pf::LOGPALETTE;
  logPalette->palVersion = 0x300;
  logPalette->palNumEntries = 256;
  auto* entries =
      reinterpret_cast<pf::PALETTEENTRY*>(record.data() + offsetof(pf::LOGPALETTE, palPalEntry));
  for (int i = 0; i < 256; ++i) {
    entries[i] = pf::PALETTEENTRY{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
  }
  Pal = pf::CreatePalette(logPalette);
  record = {};
  if (oldBmp != 0) pf::SelectObject(memDC, oldBmp);
  pf::DeleteDC(memDC);
  return bmp;
}

pf::HRGN BitmapToRegion(const std::string& BmpName, std::uint32_t TransColor,
                        std::uint8_t Tolerance) {
  pf::HRGN result = 0;
  pf::HPALETTE pal = 0;
  const pf::HBITMAP inBmp = LoadBMPFromFile(BmpName, pal);
  if (inBmp == 0) return 0;

  const pf::HDC memDC = pf::CreateCompatibleDC(0);
  if (memDC != 0) {
    pf::BITMAP bm;
    pf::GetObject(inBmp, sizeof bm, &bm);
    const std::int32_t w = bm.bmWidth;
    const std::int32_t h = bm.bmHeight;

    pf::BITMAPINFO info;
    info.bmiHeader.biSize = sizeof(pf::BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = pf::BI_RGB;
    void* bits32 = nullptr;
    const pf::HBITMAP hbm32 = pf::CreateDIBSection(memDC, &info, pf::DIB_RGB_COLORS, &bits32, 0, 0);
    if (hbm32 != 0) {
      // Copy the source into the working image.
      const pf::HGDIOBJ oldObj = pf::SelectObject(memDC, hbm32);
      const pf::HDC tempDC = pf::CreateCompatibleDC(0);
      const pf::HGDIOBJ oldObj1 = pf::SelectObject(tempDC, inBmp);
      const pf::HPALETTE oldPal = pf::SelectPalette(tempDC, pal, true);
      pf::RealizePalette(tempDC);
      pf::BitBlt(memDC, 0, 0, w, h, tempDC, 0, 0, pf::SRCCOPY);
      pf::SelectPalette(tempDC, oldPal, false);
      pf::SelectObject(tempDC, oldObj1);
      pf::DeleteDC(tempDC);

      pf::BITMAP bm32;
      pf::GetObject(hbm32, sizeof bm32, &bm32);
      while (bm32.bmWidthBytes % 4 != 0) ++bm32.bmWidthBytes;
      const std::ptrdiff_t stride = bm32.bmWidthBytes;

      // The rectangle buffer. Nothing is ever written through a block that could not be had.
      std::uint32_t maxRects = ALLOC_UNIT;
      const pf::HGLOBAL hData = pf::GlobalAlloc(pf::GMEM_MOVEABLE, BufferBytes(maxRects));
      auto* data = static_cast<pf::RGNDATA*>(pf::GlobalLock(hData));
      if (data != nullptr) {
        data->rdh.dwSize = kHeaderBytes;
        data->rdh.iType = pf::RDH_RECTANGLES;
        data->rdh.nRgnSize = 0;
        ResetBatch(data->rdh);

        const TransparentRange range = MakeTransparentRange(TransColor, Tolerance);
        // The last row in memory is the top row of the picture.
        const auto* top = static_cast<const std::uint8_t*>(bm32.bmBits) +
                          static_cast<std::ptrdiff_t>(bm32.bmHeight - 1) * stride;
        ScanOpaqueRuns(
            top, -stride, w, h, range, [&](std::int32_t x0, std::int32_t y, std::int32_t x1) {
              if (data->rdh.nCount >= maxRects) {
                pf::GlobalUnlock(hData);
                const pf::HGLOBAL grown =
                    pf::GlobalReAlloc(hData, BufferBytes(maxRects + ALLOC_UNIT), pf::GMEM_MOVEABLE);
                if (grown != 0) maxRects += ALLOC_UNIT;
                // On failure the old block is unchanged: lock it again to keep what it holds.
                data = static_cast<pf::RGNDATA*>(pf::GlobalLock(hData));
                if (grown == 0 || data == nullptr) return false;
              }
              pf::RECT* rects =
                  reinterpret_cast<pf::RECT*>(reinterpret_cast<std::uint8_t*>(data) + kHeaderBytes);
              pf::SetRect(&rects[data->rdh.nCount], x0, y, x1, y + 1);
              pf::RECT& bound = data->rdh.rcBound;
              bound.left = std::min(bound.left, x0);
              bound.top = std::min(bound.top, y);
              bound.right = std::max(bound.right, x1);
              bound.bottom = std::max(bound.bottom, y + 1);
              ++data->rdh.nCount;
              if (data->rdh.nCount == kRegionBatch) FlushBatch(data, maxRects, result);
              return true;
            });
        // The last batch, also when it is empty: a fully transparent picture gives an empty
        // region rather than none.
        if (data != nullptr) FlushBatch(data, maxRects, result);
      }
      pf::GlobalFree(hData);
      pf::SelectObject(memDC, oldObj);
      pf::DeleteObject(hbm32);
    }
    pf::DeleteDC(memDC);
  }
  pf::DeleteObject(pal);
  pf::DeleteObject(inBmp);
  return result;
}

}  // namespace brevra
