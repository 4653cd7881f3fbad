// Brevra platform layer: desktop OpenGL on EGL pbuffers. See egl_pbuffer.h.
#include "brevra/platform/egl_pbuffer.h"

#include <EGL/egl.h>     // Required for: the EGL entry points
#include <EGL/eglext.h>  // Required for: EGL_PLATFORM_SURFACELESS_MESA

#include <cstdio>   // Required for: std::snprintf
#include <cstdlib>  // Required for: std::abs
#include <utility>
#include <vector>

namespace brevra::platform::egl {
namespace {

EGLDisplay g_display = EGL_NO_DISPLAY;
bool g_tried = false;
std::string g_error;

void fail(const char* what) {
  g_error = std::string(what) + " (EGL error 0x" + [] {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04X", static_cast<unsigned>(eglGetError()));
    return std::string(buf);
  }() + ")";
}

EGLDisplay openDisplay() {
  auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
      eglGetProcAddress("eglGetPlatformDisplayEXT"));
  EGLDisplay dpy = EGL_NO_DISPLAY;
  // Surfaceless first: it needs no X server and no render node (llvmpipe).
  if (getPlatformDisplay != nullptr) {
    dpy = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  }
  if (dpy == EGL_NO_DISPLAY) dpy = eglGetDisplay(EGL_DEFAULT_DISPLAY);
  if (dpy == EGL_NO_DISPLAY) {
    fail("no EGL display");
    return EGL_NO_DISPLAY;
  }
  EGLint major = 0, minor = 0;
  if (!eglInitialize(dpy, &major, &minor)) {
    fail("eglInitialize failed");
    return EGL_NO_DISPLAY;
  }
  if (!eglBindAPI(EGL_OPENGL_API)) {
    fail("desktop OpenGL is not available through EGL");
    return EGL_NO_DISPLAY;
  }
  return dpy;
}

EGLConfig chooseConfig(const Config& wanted) {
  EGLDisplay dpy = Display();
  if (dpy == EGL_NO_DISPLAY) return nullptr;
  const EGLint attribs[] = {EGL_SURFACE_TYPE,
                            EGL_PBUFFER_BIT,
                            EGL_RENDERABLE_TYPE,
                            EGL_OPENGL_BIT,
                            EGL_RED_SIZE,
                            8,
                            EGL_GREEN_SIZE,
                            8,
                            EGL_BLUE_SIZE,
                            8,
                            EGL_ALPHA_SIZE,
                            wanted.alphaBits > 0 ? 1 : 0,
                            EGL_DEPTH_SIZE,
                            wanted.depthBits > 0 ? 1 : 0,
                            EGL_STENCIL_SIZE,
                            wanted.stencilBits > 0 ? 1 : 0,
                            EGL_NONE};
  EGLint count = 0;
  if (!eglChooseConfig(dpy, attribs, nullptr, 0, &count) || count <= 0) {
    fail("no EGL config with pbuffer and desktop OpenGL support");
    return nullptr;
  }
  std::vector<EGLConfig> configs(static_cast<std::size_t>(count));
  eglChooseConfig(dpy, attribs, configs.data(), count, &count);
  // Closest: the deepest depth buffer up to the request (or the deepest at all when the
  // request is deeper than anything offered), then the same for stencil and alpha.
  auto score = [&](EGLConfig c) {
    EGLint d = 0, s = 0, a = 0, r = 0;
    eglGetConfigAttrib(dpy, c, EGL_DEPTH_SIZE, &d);
    eglGetConfigAttrib(dpy, c, EGL_STENCIL_SIZE, &s);
    eglGetConfigAttrib(dpy, c, EGL_ALPHA_SIZE, &a);
    eglGetConfigAttrib(dpy, c, EGL_RED_SIZE, &r);
    auto part = [](int have, int want) { return -std::abs(have - want) * 4 + (have >= want); };
    return part(d, wanted.depthBits) * 10000 + part(s, wanted.stencilBits) * 100 +
           part(a, wanted.alphaBits) - (r != 8) * 1000000;
  };
  EGLConfig best = configs[0];
  for (EGLConfig c : configs) {
    if (score(c) > score(best)) best = c;
  }
  return best;
}

}  // namespace

void* Display() {
  if (!g_tried) {
    g_tried = true;
    g_display = openDisplay();
  }
  return g_display;
}

const std::string& LastError() { return g_error; }

Config ClosestConfig(const Config& wanted) {
  Config got{0, 0, 0};
  EGLConfig c = chooseConfig(wanted);
  if (c == nullptr) return got;
  EGLint d = 0, s = 0, a = 0;
  eglGetConfigAttrib(g_display, c, EGL_DEPTH_SIZE, &d);
  eglGetConfigAttrib(g_display, c, EGL_STENCIL_SIZE, &s);
  eglGetConfigAttrib(g_display, c, EGL_ALPHA_SIZE, &a);
  got.depthBits = d;
  got.stencilBits = s;
  got.alphaBits = a;
  return got;
}

void* CreateContext(void* config, void* shareWith) {
  EGLDisplay dpy = Display();
  if (dpy == EGL_NO_DISPLAY || config == nullptr) return nullptr;
  // A compatibility-profile context: no attributes asks for the legacy pipeline.
  EGLContext ctx =
      eglCreateContext(dpy, static_cast<EGLConfig>(config),
                       shareWith ? static_cast<EGLContext>(shareWith) : EGL_NO_CONTEXT, nullptr);
  if (ctx == EGL_NO_CONTEXT) {
    fail("eglCreateContext failed");
    return nullptr;
  }
  return ctx;
}

void DestroyContext(void* context) {
  if (context != nullptr && g_display != EGL_NO_DISPLAY) {
    if (eglGetCurrentContext() == context) ReleaseCurrent();
    eglDestroyContext(g_display, static_cast<EGLContext>(context));
  }
}

void ReleaseCurrent() {
  if (g_display != EGL_NO_DISPLAY) {
    eglMakeCurrent(g_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  }
}

Pbuffer::Pbuffer(Pbuffer&& other) noexcept { *this = std::move(other); }

Pbuffer& Pbuffer::operator=(Pbuffer&& other) noexcept {
  if (this != &other) {
    destroy();
    std::swap(surface_, other.surface_);
    std::swap(context_, other.context_);
    std::swap(config_, other.config_);
    std::swap(width_, other.width_);
    std::swap(height_, other.height_);
  }
  return *this;
}

Pbuffer::~Pbuffer() { destroy(); }

bool Pbuffer::create(int width, int height, const Config& config, bool withContext) {
  destroy();
  EGLConfig c = chooseConfig(config);
  if (c == nullptr) return false;
  // EGL refuses empty pbuffers; a 0-sized window still gets a 1 x 1 surface.
  const EGLint attribs[] = {EGL_WIDTH, width > 0 ? width : 1, EGL_HEIGHT, height > 0 ? height : 1,
                            EGL_NONE};
  EGLSurface s = eglCreatePbufferSurface(g_display, c, attribs);
  if (s == EGL_NO_SURFACE) {
    fail("eglCreatePbufferSurface failed");
    return false;
  }
  surface_ = s;
  config_ = c;
  width_ = width;
  height_ = height;
  if (withContext) {
    context_ = CreateContext(c);
    if (context_ == nullptr) {
      destroy();
      return false;
    }
  }
  return true;
}

void Pbuffer::destroy() {
  if (g_display == EGL_NO_DISPLAY) return;
  if (context_ != nullptr) {
    DestroyContext(context_);
    context_ = nullptr;
  }
  if (surface_ != nullptr) {
    if (eglGetCurrentSurface(EGL_DRAW) == surface_) ReleaseCurrent();
    eglDestroySurface(g_display, static_cast<EGLSurface>(surface_));
    surface_ = nullptr;
  }
  config_ = nullptr;
  width_ = height_ = 0;
}

bool Pbuffer::makeCurrent(void* context) const {
  if (surface_ == nullptr) return false;
  void* ctx = context != nullptr ? context : context_;
  if (!eglMakeCurrent(g_display, static_cast<EGLSurface>(surface_),
                      static_cast<EGLSurface>(surface_), static_cast<EGLContext>(ctx))) {
    fail("eglMakeCurrent failed");
    return false;
  }
  return true;
}

}  // namespace brevra::platform::egl
