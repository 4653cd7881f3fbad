// Brevra platform layer: the headless backend and its controls (headless.h).
//
// A consistent platform without a display: a screen of configurable size, captioned windows
// with a fixed frame (3 pixels left, right and bottom, 19 on top for the caption; with a sizing
// border 4 and 23; a sizing border alone 4 all round; other pop-ups none), a clock
// that only moves when told, message boxes answered by a responder, and real OpenGL: each
// top-level window has an EGL pbuffer of its client size, recreated when that size changes.
// Swapping a pbuffer finishes the drawing and counts; the pixels stay readable.
//
// Limits: pbuffers are single-buffered (the "back" buffer is the only one); no cursor images.
#include <GL/gl.h>  // Required for: glFinish (the swap)

#include <deque>
#include <functional>
#include <map>
#include <memory>

#include "brevra/platform/backend.h"
#include "brevra/platform/egl_pbuffer.h"
#include "brevra/platform/headless.h"
#include "brevra/platform/menu.h"
#include "brevra/platform/state.h"

namespace brevra::platform {
using namespace detail;

namespace {

RECT FrameFor(UINT style) {
  const bool caption = (style & WS_CAPTION) == WS_CAPTION;
  const bool sizing = (style & WS_THICKFRAME) != 0;
  if (caption) return sizing ? RECT{4, 23, 4, 4} : RECT{3, 19, 3, 3};
  return sizing ? RECT{4, 4, 4, 4} : RECT{};
}

struct Surface {
  egl::Pbuffer pbuffer;
  egl::Config config;
};

struct HeadlessState {
  std::int32_t screenW = 1024;
  std::int32_t screenH = 768;
  std::uint32_t clock = 0;
  headless::MessageBoxResponder responder;
  std::vector<headless::MessageBoxCall> log;
  std::map<HWND, std::uint64_t> swaps;
  std::deque<std::function<void()>> script;  // queued input, one step per look at the queue
  HWND currentWindow = 0;
  void* currentContext = nullptr;
};

HeadlessState& H() {
  static HeadlessState state;
  return state;
}

Surface* SurfaceOf(Window* w) { return static_cast<Surface*>(w->native); }

void MakeSurface(Window* w) {
  Surface* s = SurfaceOf(w);
  // No EGL (no driver) leaves the window without GL; everything else still works.
  s->pbuffer.create(w->clientWidth(), w->surfaceHeight(), s->config, false);
  if (H().currentWindow == w->self && H().currentContext != nullptr) {
    s->pbuffer.makeCurrent(H().currentContext);
  }
}

// ---- init ----
bool Init() { return true; }

void ShutdownHeadless() {
  egl::ReleaseCurrent();
  HeadlessState& h = H();
  h = HeadlessState{};
}

void ScreenSize(std::int32_t* w, std::int32_t* h) {
  *w = H().screenW;
  *h = H().screenH;
}

std::uint32_t Ticks() { return H().clock; }

// ---- window ----
bool CreateNative(Window* w) {
  w->frame = FrameFor(w->style);
  auto* s = new Surface;
  w->native = s;
  MakeSurface(w);
  return true;
}

void DestroyNative(Window* w) {
  if (H().currentWindow == w->self) {
    egl::ReleaseCurrent();
    H().currentWindow = 0;
    H().currentContext = nullptr;
  }
  delete SurfaceOf(w);
  w->native = nullptr;
}

void MoveNative(Window* /*w*/) {}
void ShowNative(Window* /*w*/) {}
void SetTitle(Window* /*w*/) {}

void ClientResized(Window* w) {
  Surface* s = SurfaceOf(w);
  if (s == nullptr) return;
  if (s->pbuffer.valid() && s->pbuffer.width() == w->clientWidth() &&
      s->pbuffer.height() == w->surfaceHeight()) {
    return;
  }
  MakeSurface(w);
}

// ---- input ----
// Injected input is queued as it is injected; a queued script delivers one step per look.
void Pump() {
  auto& script = H().script;
  if (script.empty()) return;
  auto step = std::move(script.front());
  script.pop_front();
  step();
}

bool Wait(std::uint32_t timeoutMs) {
  if (!H().script.empty()) return true;  // the next step is ready
  // Nothing is scripted while the program waits; only a timer can end the wait, and the
  // clock jumps to it (the program slept until then).
  if (timeoutMs == UINT32_MAX) return false;
  H().clock += timeoutMs;
  return true;
}

bool SetCursorPosHeadless(std::int32_t x, std::int32_t y) {
  InputMouseMove(x, y);
  return true;
}

// ---- dialog ----
std::int32_t Box(HWND owner, const char* text, const char* caption, UINT type) {
  headless::MessageBoxCall call{owner, text, caption, type};
  H().log.push_back(call);
  if (!H().responder) return 0;
  // Copy: the responder may replace itself.
  auto responder = H().responder;
  return responder(call);
}

// ---- GL ----
std::vector<PIXELFORMATDESCRIPTOR> Formats(Window* /*w*/) {
  static std::vector<PIXELFORMATDESCRIPTOR> formats;
  static bool made = false;
  if (!made) {
    made = true;
    if (egl::Display() != nullptr) {
      // What the driver gives for a few typical requests, deepest first, without repeats.
      const egl::Config wants[] = {{32, 8, 8}, {24, 8, 8}, {24, 0, 8}, {16, 0, 8}, {0, 0, 8}};
      std::vector<std::tuple<int, int, int>> seen;
      for (const egl::Config& want : wants) {
        const egl::Config got = egl::ClosestConfig(want);
        const auto key = std::make_tuple(got.depthBits, got.stencilBits, got.alphaBits);
        if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
        seen.push_back(key);
        formats.push_back(
            MakePixelFormat(32, got.alphaBits, got.depthBits, got.stencilBits, 0, true));
      }
    }
  }
  return formats;
}

void SetFormat(Window* w, const PIXELFORMATDESCRIPTOR& pfd) {
  Surface* s = SurfaceOf(w);
  if (s == nullptr) return;
  s->config = egl::Config{pfd.cDepthBits, pfd.cStencilBits, pfd.cAlphaBits};
  MakeSurface(w);
}

void* CreateContext(Window* w) {
  Surface* s = SurfaceOf(w);
  if (s == nullptr || !s->pbuffer.valid()) return nullptr;
  return egl::CreateContext(s->pbuffer.config());
}

bool MakeCurrent(Window* w, void* context) {
  HeadlessState& h = H();
  if (w == nullptr || context == nullptr) {
    egl::ReleaseCurrent();
    h.currentWindow = 0;
    h.currentContext = nullptr;
    return true;
  }
  Surface* s = SurfaceOf(w);
  if (s == nullptr || !s->pbuffer.makeCurrent(context)) return false;
  h.currentWindow = w->self;
  h.currentContext = context;
  return true;
}

void DeleteContext(void* context) {
  if (H().currentContext == context) {
    H().currentWindow = 0;
    H().currentContext = nullptr;
  }
  egl::DestroyContext(context);
}

bool Swap(Window* w) {
  ++H().swaps[w->self];
  // The pbuffer is the only buffer: finishing the drawing is what showing it means here.
  if (H().currentWindow == w->self) {
    ComposeMenus(w);
    glFinish();
  }
  return true;
}

const BackendOps kHeadless = {
    .name = "headless",
    .init = Init,
    .shutdown = ShutdownHeadless,
    .screenSize = ScreenSize,
    .ticks = Ticks,
    .createWindow = CreateNative,
    .destroyWindow = DestroyNative,
    .moveWindow = MoveNative,
    .showWindow = ShowNative,
    .setTitle = SetTitle,
    .clientResized = ClientResized,
    .pumpEvents = Pump,
    .waitEvents = Wait,
    .getCursorPos = nullptr,
    .setCursorPos = SetCursorPosHeadless,
    .setCapture = nullptr,
    .createCursor = nullptr,
    .freeCursor = nullptr,
    .showCursor = nullptr,
    .messageBox = Box,
    .pixelFormats = Formats,
    .setPixelFormat = SetFormat,
    .createContext = CreateContext,
    .makeCurrent = MakeCurrent,
    .deleteContext = DeleteContext,
    .swapBuffers = Swap,
};

}  // namespace

const BackendOps& detail::HeadlessBackend() { return kHeadless; }

// =============================================================================================
// Controls
// =============================================================================================
namespace headless {

void SetScreenSize(std::int32_t width, std::int32_t height) {
  H().screenW = std::max(0, width);
  H().screenH = std::max(0, height);
}

void SetMessageBoxResponder(MessageBoxResponder responder) { H().responder = std::move(responder); }

void AnswerMessageBoxes(std::int32_t answer) {
  H().responder = [answer](const MessageBoxCall&) { return answer; };
}

const std::vector<MessageBoxCall>& MessageBoxLog() { return H().log; }

void ClearMessageBoxLog() { H().log.clear(); }

void InjectMouseMove(std::int32_t screenX, std::int32_t screenY) {
  InputMouseMove(screenX, screenY);
}

void InjectMouseButton(int button, bool down) { InputMouseButton(button, down, 1); }

void InjectMouseDoubleClick(int button) {
  // The system's order: down, up, the second press (a double click for classes that want
  // one), up.
  InputMouseButton(button, true, 1);
  InputMouseButton(button, false, 1);
  InputMouseButton(button, true, 2);
  InputMouseButton(button, false, 1);
}

void InjectKey(std::int32_t virtualKey, bool down, bool repeat) {
  InputKey(virtualKey, down, repeat);
}

void InjectCloseRequest(HWND hwnd) { InputClose(hwnd); }

void InjectMinimize(HWND hwnd) { InputMinimize(hwnd); }

void InjectRestore(HWND hwnd) { InputRestore(hwnd); }

void InjectSystemDestroy(HWND hwnd) { InputSystemDestroy(hwnd); }

void InjectActivate(HWND hwnd) { InputActivate(hwnd); }

void InjectDeactivate(HWND hwnd) { InputDeactivate(hwnd); }
void QueueInput(std::function<void()> step) {
  if (step) H().script.push_back(std::move(step));
}

std::size_t QueuedInput() { return H().script.size(); }

void AdvanceClock(std::uint32_t milliseconds) { H().clock += milliseconds; }

std::uint32_t ClockMs() { return H().clock; }

std::uint64_t SwapCount(HWND hwnd) {
  auto it = H().swaps.find(hwnd);
  return it == H().swaps.end() ? 0 : it->second;
}

std::uint64_t TotalSwapCount() {
  std::uint64_t n = 0;
  for (const auto& [h, count] : H().swaps) n += count;
  return n;
}

std::size_t LiveObjectCount() { return LiveObjects(); }

HCURSOR ClassCursor(HWND hwnd) {
  Window* w = FindWindow(hwnd);
  return w != nullptr ? w->cursor : 0;
}

HICON ClassIcon(HWND hwnd) {
  Window* w = FindWindow(hwnd);
  return w != nullptr ? w->icon : 0;
}

std::int32_t CursorId(HCURSOR cursor) {
  auto* c = Find<Cursor>(cursor);
  return c != nullptr ? c->id : 0;
}

}  // namespace headless
}  // namespace brevra::platform
