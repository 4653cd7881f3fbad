// other-x-client: another X client acting on the desktop, for the end-to-end tests.
//   other-x-client destroy WINDOW-ID   destroys the window (XDestroyWindow), as a foreign client
//                                      may; exit 0 once the server has done it
//   other-x-client window TITLE        maps a 200 x 100 window titled TITLE and keeps it until
//                                      it is closed or the process is ended (another
//                                      application to switch to); prints its id first
// The window id is decimal or 0x hex; DISPLAY is used.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int Destroy(Display* display, const char* id) {
  char* end = nullptr;
  const unsigned long window = std::strtoul(id, &end, 0);
  if (end == id || *end != '\0' || window == 0) {
    std::fprintf(stderr, "other-x-client: not a window id: %s\n", id);
    return 2;
  }
  XDestroyWindow(display, window);
  XSync(display, False);
  return 0;
}

int OpenWindow(Display* display, const char* title) {
  const int screen = DefaultScreen(display);
  const Window window =
      XCreateSimpleWindow(display, RootWindow(display, screen), 900, 700, 200, 100, 0,
                          BlackPixel(display, screen), WhitePixel(display, screen));
  XStoreName(display, window, title);
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), utf8, 8,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(title),
                  static_cast<int>(std::strlen(title)));
  Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display, window, &deleteWindow, 1);
  XSelectInput(display, window, StructureNotifyMask);
  XMapWindow(display, window);
  std::printf("0x%lx\n", window);
  std::fflush(stdout);
  for (;;) {
    XEvent e;
    XNextEvent(display, &e);
    if (e.type == ClientMessage && static_cast<Atom>(e.xclient.data.l[0]) == deleteWindow) break;
    if (e.type == DestroyNotify) break;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || (std::strcmp(argv[1], "destroy") != 0 && std::strcmp(argv[1], "window") != 0)) {
    std::fprintf(stderr, "usage: other-x-client destroy WINDOW-ID | window TITLE\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "other-x-client: cannot open the display\n");
    return 1;
  }
  const int code = std::strcmp(argv[1], "destroy") == 0 ? Destroy(display, argv[2])
                                                        : OpenWindow(display, argv[2]);
  XCloseDisplay(display);
  return code;
}
