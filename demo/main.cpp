// fogliame: the demonstration program. Starts the platform with real windows and runs the demo.
#include <cfenv>   // Required for: fedisableexcept
#include <cstdio>  // Required for: std::fprintf
#include <cstdlib>

#include "brevra/platform/platform.h"
#include "demo/app.h"

int main() {
  // Floating-point faults stay masked for the whole process: a division by zero gives an
  // infinity, never a trap.
  fedisableexcept(FE_ALL_EXCEPT);
  if (!brevra::platform::Init(brevra::platform::Backend::Sdl)) {
    std::fprintf(stderr,
                 "fogliame: cannot open a window: no display is available "
                 "(start it in a graphical session, with DISPLAY set).\n");
    return EXIT_FAILURE;
  }
  std::exit(fogliame::RunDemo());
}
