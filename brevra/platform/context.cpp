// Brevra platform layer: device contexts, pixel formats and OpenGL contexts.
//
// The backend says which pixel formats a window can have; choosing among them is decided here,
// the same for both backends. A child window draws on its top-level window's surface.
// Limits: GL contexts share nothing; one context is current at a time (one thread).
#include <algorithm>  // Required for: std::max
#include <cstring>    // Required for: std::memcpy
#include <tuple>      // Required for: std::tuple (format ranking)

#include "brevra/platform/backend.h"
#include "brevra/platform/platform.h"
#include "brevra/platform/state.h"

namespace brevra::platform {
using namespace detail;

namespace detail {

GLContext::~GLContext() {
  if (native != nullptr && S().backend != nullptr) S().backend->deleteContext(native);
}

PIXELFORMATDESCRIPTOR MakePixelFormat(int colour, int alpha, int depth, int stencil, int accum,
                                      bool doubleBuffer) {
  PIXELFORMATDESCRIPTOR p{};
  p.nSize = sizeof(PIXELFORMATDESCRIPTOR);
  p.nVersion = 1;
  p.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | (doubleBuffer ? PFD_DOUBLEBUFFER : 0u);
  p.iPixelType = PFD_TYPE_RGBA;
  const int channel = colour >= 24 ? 8 : colour / 3;
  p.cColorBits = static_cast<std::uint8_t>(colour);
  p.cRedBits = p.cGreenBits = p.cBlueBits = static_cast<std::uint8_t>(channel);
  p.cRedShift = static_cast<std::uint8_t>(2 * channel);
  p.cGreenShift = static_cast<std::uint8_t>(channel);
  p.cBlueShift = 0;
  p.cAlphaBits = static_cast<std::uint8_t>(alpha);
  p.cAlphaShift = static_cast<std::uint8_t>(alpha > 0 ? 3 * channel : 0);
  p.cAccumBits = static_cast<std::uint8_t>(accum);
  p.cDepthBits = static_cast<std::uint8_t>(depth);
  p.cStencilBits = static_cast<std::uint8_t>(stencil);
  p.iLayerType = PFD_MAIN_PLANE;
  return p;
}

void ReleaseDCsOf(HWND hwnd) {
  for (HANDLE h : Handles(Kind::DeviceContext)) {
    if (Find<DeviceContext>(h)->window == hwnd) RemoveObject(h);
  }
}

void ReleaseContextsOf(HWND hwnd) {
  State& s = S();
  // The window's surface goes away: nothing stays current on it.
  if (s.currentWindow == hwnd) {
    if (s.backend != nullptr) s.backend->makeCurrent(nullptr, nullptr);
    s.currentRC = s.currentDC = s.currentWindow = 0;
  }
}

}  // namespace detail

namespace {

Window* WindowOfDC(HDC dc) {
  auto* d = Find<DeviceContext>(dc);
  return d != nullptr ? FindWindow(d->window) : nullptr;
}

// The surface a DC draws on: its window's top-level window.
Window* SurfaceOfDC(HDC dc) { return RootOf(WindowOfDC(dc)); }

std::vector<PIXELFORMATDESCRIPTOR> FormatsOf(Window* root) {
  State& s = S();
  if (root == nullptr || s.backend == nullptr) return {};
  return s.backend->pixelFormats(root);
}

}  // namespace

// =============================================================================================
// Device contexts
// =============================================================================================
HDC GetDC(HWND hwnd) {
  if (hwnd != 0 && FindWindow(hwnd) == nullptr) return 0;
  auto [h, dc] = Make<DeviceContext>();
  dc->window = hwnd;  // 0: the screen
  return h;
}

std::int32_t ReleaseDC(HWND hwnd, HDC dc) {
  auto* d = Find<DeviceContext>(dc);
  if (d == nullptr || d->paint || d->window != hwnd) return 0;
  if (S().currentDC == dc) S().currentDC = 0;  // the context stays current, as it does there
  RemoveObject(dc);
  return 1;
}

HWND WindowFromDC(HDC dc) {
  auto* d = Find<DeviceContext>(dc);
  return (d != nullptr && FindWindow(d->window) != nullptr) ? d->window : 0;
}

// =============================================================================================
// Pixel formats
// =============================================================================================
std::int32_t ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* pfd) {
  if (pfd == nullptr) return 0;
  const auto formats = FormatsOf(SurfaceOfDC(dc));
  // Only formats of the requested kind that can draw into a window with OpenGL qualify; among
  // them the closest wins: double buffering as asked, then the smallest shortfall in depth,
  // stencil, alpha, colour and accumulation bits (so a request deeper than anything offered
  // gets the deepest there is), then the smallest excess.
  const bool wantDouble = (pfd->dwFlags & PFD_DOUBLEBUFFER) != 0;
  auto shortfall = [](int have, int want) { return std::max(0, want - have); };
  auto excess = [](int have, int want) { return std::max(0, have - want); };
  std::int32_t best = 0;
  std::tuple<int, int, int, int, int, int, int> bestRank;
  for (std::size_t i = 0; i < formats.size(); ++i) {
    const PIXELFORMATDESCRIPTOR& f = formats[i];
    if (f.iPixelType != pfd->iPixelType) continue;
    if ((f.dwFlags & PFD_SUPPORT_OPENGL) == 0 || (f.dwFlags & PFD_DRAW_TO_WINDOW) == 0) continue;
    const bool isDouble = (f.dwFlags & PFD_DOUBLEBUFFER) != 0;
    const auto rank = std::make_tuple(
        isDouble == wantDouble ? 0 : 1, shortfall(f.cDepthBits, pfd->cDepthBits),
        shortfall(f.cStencilBits, pfd->cStencilBits), shortfall(f.cAlphaBits, pfd->cAlphaBits),
        shortfall(f.cColorBits, pfd->cColorBits), shortfall(f.cAccumBits, pfd->cAccumBits),
        excess(f.cDepthBits, pfd->cDepthBits) + excess(f.cStencilBits, pfd->cStencilBits) +
            excess(f.cAlphaBits, pfd->cAlphaBits));
    if (best == 0 || rank < bestRank) {
      best = static_cast<std::int32_t>(i + 1);
      bestRank = rank;
    }
  }
  return best;
}

std::int32_t DescribePixelFormat(HDC dc, std::int32_t index, UINT bytes,
                                 PIXELFORMATDESCRIPTOR* pfd) {
  const auto formats = FormatsOf(SurfaceOfDC(dc));
  const auto count = static_cast<std::int32_t>(formats.size());
  if (pfd == nullptr) return count;
  if (index < 1 || index > count) return 0;
  std::memcpy(pfd, &formats[index - 1], std::min<std::size_t>(bytes, sizeof *pfd));
  return count;
}

bool SetPixelFormat(HDC dc, std::int32_t index, const PIXELFORMATDESCRIPTOR* /*pfd*/) {
  Window* w = WindowOfDC(dc);
  Window* root = RootOf(w);
  const auto formats = FormatsOf(root);
  if (w == nullptr || index < 1 || index > static_cast<std::int32_t>(formats.size())) {
    return false;
  }
  // A window's pixel format is set once.
  if (w->pixelFormat != 0) return w->pixelFormat == index;
  w->pixelFormat = index;
  if (root == w && S().backend->setPixelFormat != nullptr) {
    S().backend->setPixelFormat(root, formats[index - 1]);
  }
  return true;
}

std::int32_t GetPixelFormat(HDC dc) {
  Window* w = WindowOfDC(dc);
  return w != nullptr ? w->pixelFormat : 0;
}

// =============================================================================================
// OpenGL contexts
// =============================================================================================
HGLRC wglCreateContext(HDC dc) {
  Window* w = WindowOfDC(dc);
  Window* root = RootOf(w);
  if (root == nullptr || w->pixelFormat == 0 || S().backend == nullptr) return 0;
  void* native = S().backend->createContext(root);
  if (native == nullptr) return 0;
  auto [h, ctx] = Make<GLContext>();
  ctx->native = native;
  ctx->window = root->self;
  return h;
}

bool wglMakeCurrent(HDC dc, HGLRC rc) {
  State& s = S();
  if (rc == 0) {
    if (s.backend != nullptr) s.backend->makeCurrent(nullptr, nullptr);
    s.currentRC = s.currentDC = s.currentWindow = 0;
    return true;
  }
  auto* ctx = Find<GLContext>(rc);
  Window* root = SurfaceOfDC(dc);
  if (ctx == nullptr || root == nullptr || s.backend == nullptr) return false;
  if (!s.backend->makeCurrent(root, ctx->native)) return false;
  s.currentRC = rc;
  s.currentDC = dc;
  s.currentWindow = root->self;
  return true;
}

bool wglDeleteContext(HGLRC rc) {
  if (Find<GLContext>(rc) == nullptr) return false;
  State& s = S();
  if (s.currentRC == rc) {
    if (s.backend != nullptr) s.backend->makeCurrent(nullptr, nullptr);
    s.currentRC = s.currentDC = s.currentWindow = 0;
  }
  return RemoveObject(rc);
}

HGLRC wglGetCurrentContext() {
  return Find<GLContext>(S().currentRC) != nullptr ? S().currentRC : 0;
}

bool SwapBuffers(HDC dc) {
  Window* root = SurfaceOfDC(dc);
  if (root == nullptr || S().backend == nullptr) return false;  // harmless once it is gone
  ++root->swaps;
  return S().backend->swapBuffers(root);
}

}  // namespace brevra::platform
