// Brevra image buttons: the "IMAGEBUTTON" window procedure.
//
// Choices where the design leaves room:
// - The pictures and palettes selected into the three state device contexts are released with
//   them on WM_DESTROY, so a destroyed button leaves no object behind.
// - A picture file that does not load gets no device context. When the normal picture is
//   missing the button keeps the size it was created with but is still placed by the frame
//   allowances; a state without a device context draws nothing.
// - A paint request is always acknowledged (BeginPaint / EndPaint), also when there is nothing
//   to draw, so that the window does not stay invalid and ask to be painted forever.
#include "brevra/imagebutton/image_button.h"

#include "brevra/imagebutton/bitmap_region.h"
#include "brevra/platform/gdi.h"

namespace brevra {

namespace pf = brevra::platform;

std::string BmpType;

namespace {

// A memory device context holding the picture and its palette, or 0 when no context can be had
// (the picture and palette are released then).
pf::HDC SelectIntoMemoryDC(pf::HBITMAP bmp, pf::HPALETTE pal) {
  const pf::HDC memDC = pf::CreateCompatibleDC(0);
  if (memDC == 0) {
    pf::DeleteObject(bmp);
    pf::DeleteObject(pal);
    return 0;
  }
  pf::SelectObject(memDC, bmp);
  pf::SelectPalette(memDC, pal, false);
  pf::RealizePalette(memDC);
  return memDC;
}

// The same for a picture file; 0 when the file does not load either.
pf::HDC LoadStatePicture(const std::string& fileName) {
  pf::HPALETTE pal = 0;
  const pf::HBITMAP bmp = LoadBMPFromFile(fileName, pal);
  return bmp != 0 ? SelectIntoMemoryDC(bmp, pal) : 0;
}

// Deletes a state device context together with the picture and palette selected into it.
void DeleteStatePicture(pf::HDC memDC) {
  const pf::HGDIOBJ bmp = pf::GetCurrentObject(memDC, pf::OBJ_BITMAP);
  const pf::HGDIOBJ pal = pf::GetCurrentObject(memDC, pf::OBJ_PAL);
  pf::DeleteDC(memDC);
  pf::DeleteObject(bmp);
  pf::DeleteObject(pal);
}

void SetState(pf::HWND wnd, pf::HANDLE state) {
  pf::SetProp(wnd, HoverMode, state);
  pf::InvalidateRect(wnd, nullptr, false);
}

pf::LRESULT OnCreate(pf::HWND wnd) {
  // Normal picture: size and place come first, from the picture when it loads (its device
  // context may still fail), else from the size the button was created with.
  const std::string normalName = BmpType + "N" + ".BMP";
  pf::HPALETTE pal = 0;
  const pf::HBITMAP bmp = LoadBMPFromFile(normalName, pal);
  pf::RECT r, r1;
  pf::GetWindowRect(wnd, &r);
  pf::GetWindowRect(pf::GetParent(wnd), &r1);
  pf::BITMAP bm;
  bm.bmWidth = r.right - r.left;
  bm.bmHeight = r.bottom - r.top;
  if (bmp != 0) pf::GetObject(bmp, sizeof bm, &bm);
  pf::MoveWindow(wnd, (r.left - r1.left) - kParentFrameX, (r.top - r1.top) - kParentFrameY,
                 bm.bmWidth, bm.bmHeight, false);
  if (bmp != 0) {
    if (const pf::HDC dc = SelectIntoMemoryDC(bmp, pal); dc != 0) pf::SetProp(wnd, NormalBmp, dc);
  }
  if (const pf::HDC dc = LoadStatePicture(BmpType + "H" + ".BMP"); dc != 0) {
    pf::SetProp(wnd, HoverBmp, dc);
  }
  if (const pf::HDC dc = LoadStatePicture(BmpType + "P" + ".BMP"); dc != 0) {
    pf::SetProp(wnd, PressBmp, dc);
  }
  pf::SetProp(wnd, HoverMode, kStateNormal);

  // Shape: one region for the window system, a second one for hit-testing.
  const pf::HRGN shape = BitmapToRegion(normalName, kButtonTransColor, kButtonTolerance);
  if (shape == 0) return 0;
  pf::SetWindowRgn(wnd, shape, false);
  const pf::HRGN hitTest = BitmapToRegion(normalName, kButtonTransColor, kButtonTolerance);
  if (hitTest != 0) pf::SetProp(wnd, ButtonRgn, hitTest);
  return 0;
}

pf::LRESULT OnDestroy(pf::HWND wnd) {
  pf::RemoveProp(wnd, HoverMode);
  if (const pf::HANDLE rgn = pf::GetProp(wnd, ButtonRgn); rgn != 0) pf::DeleteObject(rgn);
  pf::RemoveProp(wnd, ButtonRgn);
  for (const char* name : {PressBmp, HoverBmp, NormalBmp}) {
    if (const pf::HANDLE dc = pf::GetProp(wnd, name); dc != 0) DeleteStatePicture(dc);
    pf::RemoveProp(wnd, name);
  }
  return 0;
}

pf::LRESULT OnPaint(pf::HWND wnd) {
  pf::RECT r;
  pf::GetWindowRect(wnd, &r);
  const pf::HANDLE state = pf::GetProp(wnd, HoverMode);
  const char* name = state == kStateNormal    ? NormalBmp
                     : state == kStateHover   ? HoverBmp
                     : state == kStatePressed ? PressBmp
                                              : nullptr;
  // A state without a device context (its picture did not load) draws nothing.
  const pf::HDC source = name != nullptr ? pf::GetProp(wnd, name) : 0;
  pf::PAINTSTRUCT ps;
  const pf::HDC dc = pf::BeginPaint(wnd, &ps);
  if (source != 0) {
    pf::BitBlt(dc, 0, 0, r.right - r.left, r.bottom - r.top, source, 0, 0, pf::SRCCOPY);
  }
  pf::EndPaint(wnd, &ps);
  return 0;
}

pf::LRESULT OnMouseMove(pf::HWND wnd, pf::WPARAM keys, pf::LPARAM position) {
  const pf::HANDLE rgn = pf::GetProp(wnd, ButtonRgn);
  const pf::HANDLE state = pf::GetProp(wnd, HoverMode);
  if (rgn == 0 || state == 0) return 0;
  // Unsigned 16-bit halves: a position left of or above the window (reported while the button
  // holds the capture) becomes a large number outside the shape.
  const auto bits = static_cast<std::uint32_t>(position);
  const auto x = static_cast<std::int32_t>(bits & 0xFFFFu);
  const auto y = static_cast<std::int32_t>(bits >> 16);
  if (pf::PtInRegion(rgn, x, y)) {
    if (state == kStateNormal) {
      const bool held = (keys & (pf::MK_LBUTTON | pf::MK_RBUTTON)) != 0;
      pf::SetProp(wnd, HoverMode, held ? kStatePressed : kStateHover);
      pf::SetCapture(wnd);
      pf::InvalidateRect(wnd, nullptr, false);
    }
  } else {
    pf::SetProp(wnd, HoverMode, kStateNormal);
    pf::ReleaseCapture();
    pf::InvalidateRect(wnd, nullptr, false);
  }
  return 0;
}

}  // namespace

pf::LRESULT HoverButtonHandler(pf::HWND Wnd, std::int32_t IMsg, pf::WPARAM WParam,
                               pf::LPARAM LParam) {
  switch (IMsg) {
    case pf::WM_CREATE:
      return OnCreate(Wnd);
    case pf::WM_DESTROY:
      return OnDestroy(Wnd);
    case pf::WM_PAINT:
      return OnPaint(Wnd);
    case pf::WM_MOUSEMOVE:
      return OnMouseMove(Wnd, WParam, LParam);
    case pf::WM_LBUTTONDOWN:
      pf::SetCapture(Wnd);
      SetState(Wnd, kStatePressed);
      return 0;
    case pf::WM_LBUTTONUP:
      if (pf::GetProp(Wnd, HoverMode) == kStatePressed) {
        pf::PostMessage(pf::GetParent(Wnd), pf::WM_COMMAND, pf::GetDlgCtrlID(Wnd), 0);
      }
      pf::SetProp(Wnd, HoverMode, kStateNormal);
      pf::ReleaseCapture();
      pf::InvalidateRect(Wnd, nullptr, false);
      return 0;
    default:
      return pf::DefWindowProc(Wnd, IMsg, WParam, LParam);
  }
}

}  // namespace brevra
