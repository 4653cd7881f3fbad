// The demonstration program's flow (see app.h).
#include "demo/app.h"

#include <GL/gl.h>

#include <cstdint>

#include "brevra/geometry/render.h"
#include "brevra/platform/platform.h"
#include "brevra/window/camera.h"
#include "brevra/window/input.h"
#include "brevra/window/window.h"
#include "demo/scene.h"

namespace fogliame {

namespace pf = brevra::platform;

void SetUpDemo() {
  brevra::OpenGL_Init(100, 0, 0, 0, 0);
  brevra::SetGLRefractive();
  brevra::SetGLLight(GL_LIGHT0, 0, 0, 0, 0.1f);  // placed again by every frame
  brevra::OpenGL_CreateList();
}

void DrawFrame() {
  glClear(GL_COLOR_BUFFER_BIT);
  brevra::SetGLMsg();
  brevra::OpenGL_Draw();
}

void RunFrame() {
  DrawFrame();
  pf::SwapBuffers(brevra::DCWindow);  // harmless once the system has destroyed the window
}

int RunDemo() {
  const std::int32_t answer = pf::MessageBox(0, "Settare lo schermo intero?  ", "Video!",
                                             pf::MB_YESNO | pf::MB_ICONQUESTION);
  brevra::FullScreen = answer != pf::IDNO;  // no box at all (0) also means full screen
  brevra::OGLWindowSetting(brevra::ARROW, "", brevra::GENERIC, "");
  brevra::CreateOGLWindow("Fogliame generico", 800, 600, 32, brevra::FullScreen);
  SetUpDemo();
  // The frame loop never waits; the frame in which the window went away is still completed.
  do {
    RunFrame();
  } while (brevra::Active);
  brevra::DeleteOGLWindow();
  return 0;
}

}  // namespace fogliame
