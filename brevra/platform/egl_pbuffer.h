// Brevra platform layer: desktop OpenGL on an EGL pbuffer (no display needed).
//
// Used by the headless backend for its windows' surfaces, and directly by programs that only
// need a current GL context (tests of the GL modules, the snapshot tool). On Mesa this is
// llvmpipe through the surfaceless platform; a compatibility-profile context, so the whole
// fixed-function pipeline is there.
//
// Limits: one display for the process; surfaces are single-buffered pbuffers, so "swapping"
// one only flushes (glFinish) and the rendered pixels stay readable with glReadPixels.
#pragma once

#include <cstdint>
#include <string>

namespace brevra::platform::egl {

struct Config {
  int depthBits = 24;
  int stencilBits = 8;
  int alphaBits = 8;
};

// A pbuffer surface of a fixed size plus a context on it. Move-only.
class Pbuffer {
 public:
  Pbuffer() = default;
  Pbuffer(const Pbuffer&) = delete;
  Pbuffer& operator=(const Pbuffer&) = delete;
  Pbuffer(Pbuffer&& other) noexcept;
  Pbuffer& operator=(Pbuffer&& other) noexcept;
  ~Pbuffer();

  // Creates the surface (and, with `withContext`, a context for it). False with error() set.
  bool create(int width, int height, const Config& config = {}, bool withContext = true);
  void destroy();
  bool valid() const { return surface_ != nullptr; }
  int width() const { return width_; }
  int height() const { return height_; }

  // Makes this pbuffer's surface current with `context` (its own when null).
  bool makeCurrent(void* context = nullptr) const;
  void* context() const { return context_; }
  void* surface() const { return surface_; }
  void* config() const { return config_; }

 private:
  void* surface_ = nullptr;
  void* context_ = nullptr;
  void* config_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

// The process's EGL display (initialised on first use; null if EGL is unusable).
void* Display();
// A context that can be made current on any pbuffer created with the same config.
void* CreateContext(void* config, void* shareWith = nullptr);
void DestroyContext(void* context);
// Makes no context current.
void ReleaseCurrent();
// The depth, stencil, alpha bits the driver actually gives for a request (the closest format).
Config ClosestConfig(const Config& wanted);
// Text of the last failure.
const std::string& LastError();

}  // namespace brevra::platform::egl
