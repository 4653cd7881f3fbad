// The main window and its OpenGL context (see window.h).
//
// Choices where the design leaves the limits open: a colour depth outside 0..255 is clamped to
// that range in the pixel-format request (its fields are single bytes); MaxStatusItem is clamped
// to 0..20 when the parts are copied; an unset CreateMenuBar hook is skipped; a null file name
// for a file cursor or icon gives no cursor or icon.
#include "brevra/window/window.h"

#include <algorithm>  // Required for: std::clamp, std::fill
#include <cstdlib>    // Required for: std::exit
#include <cstring>    // Required for: std::memset

#include "brevra/geometry/vertex.h"  // Required for: GLVert3FRemove, GLVert3FEnableEdit
#include "brevra/window/input.h"     // Required for: GLWndProc, MouseFree

namespace brevra {

namespace pf = platform;

// ---------------------------------------------------------------------------------------------
// Module state
// ---------------------------------------------------------------------------------------------
pf::HWND HWindow = 0;
pf::HDC DCWindow = 0;
pf::HGLRC RCWindow = 0;
const char* SetTitleName = nullptr;
std::int32_t Width = 0;
std::int32_t Height = 0;
std::int32_t Bits = 0;
bool FullScreen = false;
bool Active = false;
std::int32_t PIXEL_FORMAT_FLAGS = 0;
std::int32_t CREATE_WINDOW_FLAGS = 0;
std::int32_t SetTypeCursor = 0;
const char* CursorFile = nullptr;
std::int32_t SetTypeIcon = 0;
const char* IconFile = nullptr;
BrvProcedure CreateMenuBar = nullptr;
bool ShowMenuBar = false;
bool ShowStatusBar = false;
pf::HWND HStatus = 0;
pf::HWND AWnd = 0;
geometry::IndexedArray<char, 0, 260> FileName{};
geometry::IndexedArray<std::int32_t, 1, MAX_STATUS_ITEMS> StatusItem{};
geometry::IndexedArray<std::int32_t, 1, MAX_STATUS_ITEMS> Edges{};
std::int32_t MaxStatusItem = 0;
pf::WNDCLASSEX WindowClassEx{};
std::string BrvVersion = "1.0";

namespace {

constexpr const char* kGLWindowClass = "GLWindow";
constexpr const char* kImageButtonClass = "IMAGEBUTTON";
constexpr const char* kStatusText = "Percorso file";

// The predefined cursor for each cursor choice 1..16 (0 marks the file cursor).
constexpr std::int32_t kCursorIds[] = {pf::IDC_ARROW,
                                       pf::IDC_IBEAM,
                                       pf::IDC_WAIT,
                                       pf::IDC_CROSS,
                                       pf::IDC_UPARROW,
                                       pf::IDC_SIZE,
                                       0,
                                       pf::IDC_SIZENWSE,
                                       pf::IDC_SIZENESW,
                                       pf::IDC_SIZEWE,
                                       pf::IDC_SIZENS,
                                       pf::IDC_SIZEALL,
                                       pf::IDC_NO,
                                       pf::IDC_HAND,
                                       pf::IDC_APPSTARTING,
                                       pf::IDC_HELP};
static_assert(std::size(kCursorIds) == HELP);

pf::HCURSOR LoadFromFile(const char* name) { return name ? pf::LoadCursorFromFile(name) : 0; }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Tables
// ---------------------------------------------------------------------------------------------
pf::HCURSOR SelectCursor(std::int32_t TypeCursor) {
  if (TypeCursor < ARROW || TypeCursor > HELP) return 0;
  if (TypeCursor == FILECURSOR) return LoadFromFile(CursorFile);
  return pf::LoadCursor(0, kCursorIds[TypeCursor - 1]);
}

pf::HICON SelectIcon(std::int32_t TypeIcon) {
  switch (TypeIcon) {
    case GENERIC:
      return pf::LoadIcon(0, pf::IDI_APPLICATION);
    case FILEICON:
      return LoadFromFile(IconFile);  // icon images come through the cursor-file loader
    default:
      return 0;
  }
}

pf::PIXELFORMATDESCRIPTOR PixelFormatRequest() {
  pf::PIXELFORMATDESCRIPTOR pfd;
  std::memset(&pfd, 0, sizeof pfd);
  const auto bits = static_cast<std::uint8_t>(std::clamp(Bits, 0, 255));
  pfd.nSize = sizeof pfd;
  pfd.nVersion = 1;
  pfd.dwFlags = static_cast<std::uint32_t>(PIXEL_FORMAT_FLAGS) | GLWINDOW_PIXEL_FLAGS;
  pfd.iPixelType = pf::PFD_TYPE_RGBA;
  pfd.cColorBits = bits;
  pfd.cAlphaBits = bits;
  pfd.cAccumBits = bits;
  pfd.cDepthBits = bits;
  pfd.cStencilBits = bits;
  pfd.cAuxBuffers = bits;
  pfd.iLayerType = 1;  // as the window layer has always asked (not the main plane, 0)
  return pfd;
}

// ---------------------------------------------------------------------------------------------
// Life cycle
// ---------------------------------------------------------------------------------------------
void OGLWindowSetting(std::int32_t TypeCursor, const char* CurFile, std::int32_t TypeIcon,
                      const char* IcoFile) {
  if (MouseFree) pf::SetCursorPos(Width / 2, Height / 2);
  SetTypeCursor = TypeCursor;
  CursorFile = CurFile;
  SetTypeIcon = TypeIcon;
  IconFile = IcoFile;
  GLVert3FRemove = false;
  GLVert3FEnableEdit = false;
}

bool CreateOGLWindow(const char* AppName, std::int32_t AppWidth, std::int32_t AppHeight,
                     std::int32_t AppBits, bool AppFullScreen) {
  SetTitleName = AppName;
  Width = AppWidth;
  Height = AppHeight;
  Bits = AppBits;
  FullScreen = AppFullScreen;
  if (!WindowRegister()) ThrowError("Errore di registro per la rispettiva applicazione!");
  HWindow = WindowCreate(AppName);
  if (ShowMenuBar && CreateMenuBar) CreateMenuBar();
  if (ShowStatusBar) HStatus = CreateStatusBar(HWindow);
  // Tested only after the hooks, so a client's menu and status bar were at least attempted.
  if (HWindow == 0) ThrowError("Impossibile creare la finestra per la rispettiva applicazione!");
  if (!WindowInit(HWindow)) ThrowError("la rispettiva applicazione non \xE8 stata inizilizata!");
  return true;
}

bool WindowRegister() {
  const pf::HINSTANCE instance = pf::GetModuleHandle(nullptr);
  pf::WNDCLASS wc{};
  wc.style = pf::CS_HREDRAW | pf::CS_VREDRAW;
  wc.lpfnWndProc = GLWndProc;
  wc.cbClsExtra = 0;
  wc.cbWndExtra = 0;
  wc.hInstance = instance;
  if (SetTypeIcon == GENERIC || SetTypeIcon == FILEICON) wc.hIcon = SelectIcon(SetTypeIcon);
  if (SetTypeCursor >= ARROW && SetTypeCursor <= HELP) wc.hCursor = SelectCursor(SetTypeCursor);
  wc.hbrBackground = pf::GetSysColorBrush(pf::COLOR_BTNFACE);
  wc.lpszMenuName = nullptr;
  wc.lpszClassName = kGLWindowClass;
  const bool registered = pf::RegisterClass(&wc) != 0;

  if (!pf::GetClassInfoEx(0, kImageButtonClass, &WindowClassEx)) {
    WindowClassEx = pf::WNDCLASSEX{};
    WindowClassEx.cbSize = 48;  // the record's size in the 32-bit layout it was designed for
    WindowClassEx.style = 0;
    WindowClassEx.lpfnWndProc = IMAGEBUTTON_PROC;
    WindowClassEx.cbClsExtra = 0;
    WindowClassEx.cbWndExtra = 0;
    WindowClassEx.hInstance = instance;
    WindowClassEx.hIcon = pf::LoadIcon(0, pf::IDI_APPLICATION);
    WindowClassEx.hCursor = pf::LoadCursor(0, pf::IDC_ARROW);
    WindowClassEx.hbrBackground = pf::GetStockObject(pf::NULL_BRUSH);
    WindowClassEx.lpszMenuName = nullptr;
    WindowClassEx.lpszClassName = kImageButtonClass;
    WindowClassEx.hIconSm = pf::LoadIcon(0, pf::IDI_APPLICATION);
    pf::RegisterClassEx(&WindowClassEx);  // a failure here does not matter to the main window
  }
  return registered;
}

pf::HWND WindowCreate(const char* PCApplicationName) {
  std::uint32_t style = static_cast<std::uint32_t>(CREATE_WINDOW_FLAGS) | GLWINDOW_CAPTION_STYLE;
  if (FullScreen) {
    Width = pf::GetSystemMetrics(pf::SM_CXSCREEN);
    Height = pf::GetSystemMetrics(pf::SM_CYSCREEN);
    style = GLWINDOW_FULLSCREEN_STYLE;
  }
  const pf::HWND window = pf::CreateWindowEx(0, kGLWindowClass, PCApplicationName, style,
                                             pf::CW_USEDEFAULT, pf::CW_USEDEFAULT, Width, Height, 0,
                                             0, pf::GetModuleHandle(nullptr), nullptr);
  if (window != 0) {
    pf::ShowWindow(window, pf::GetStartupShowCommand());
    pf::UpdateWindow(window);
  }
  return window;
}

bool WindowInit(pf::HWND HParent) {
  std::int32_t FunctionError = 0;
  DCWindow = pf::GetDC(HParent);
  const pf::PIXELFORMATDESCRIPTOR pfd = PixelFormatRequest();
  const std::int32_t format = pf::ChoosePixelFormat(DCWindow, &pfd);
  if (format == 0) FunctionError = 1;
  pf::SetPixelFormat(DCWindow, format, &pfd);
  RCWindow = pf::wglCreateContext(DCWindow);
  if (RCWindow == 0) FunctionError = 2;
  pf::wglMakeCurrent(DCWindow, RCWindow);
  return FunctionError == 0;
}

pf::HWND CreateStatusBar(pf::HWND Parent) {
  FileName.fill('\0');
  std::copy(kStatusText, kStatusText + std::strlen(kStatusText), FileName.begin());
  AWnd = pf::CreateStatusWindow(static_cast<std::int32_t>(STATUSBAR_STYLE), FileName.data(), Parent,
                                STATUSBAR_ID);
  if (AWnd != 0) {
    const std::int32_t parts = std::clamp(MaxStatusItem, 0, MAX_STATUS_ITEMS);
    for (std::int32_t i = 1; i <= parts; ++i) Edges[i] = StatusItem[i];
    // The edges travel as a pointer ticket: message parameters are 32-bit.
    pf::SendMessage(AWnd, pf::SB_SETPARTS, parts, pf::PackPointer(Edges.data()));
  }
  return AWnd;
}

void DeleteOGLWindow() {
  pf::wglMakeCurrent(DCWindow, 0);
  pf::wglDeleteContext(RCWindow);
  pf::ReleaseDC(HWindow, DCWindow);
  pf::DestroyWindow(HWindow);
}

void ThrowError(const char* PCErrorMessage) {
  pf::MessageBox(0, PCErrorMessage, "Error", pf::MB_OK);
  std::exit(0);  // the normal way out: static destructors and atexit handlers run
}

}  // namespace brevra
