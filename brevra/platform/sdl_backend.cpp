// Brevra platform layer: the SDL2 backend (real windows). Being written.
#include "brevra/platform/backend.h"

namespace brevra::platform::detail {
namespace {
bool InitSdl() { return false; }
}  // namespace
const BackendOps& SdlBackend() {
  static const BackendOps ops = {.name = "sdl", .init = InitSdl};
  return ops;
}
}  // namespace brevra::platform::detail
