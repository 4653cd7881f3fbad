// Brevra platform layer: the window-system services the library stands on.
//
// A small, self-contained stand-in for the classic desktop window services the library was
// designed against: window classes and a window tree, one message queue for the (single) GUI
// thread, capture and cursor, device contexts, pixel formats and OpenGL contexts, message boxes,
// timers, and menus drawn over the OpenGL frame. Handles are plain unsigned 32-bit numbers, 0
// meaning none; a call on a dead or unknown handle fails quietly (returns 0/false) and never
// crashes.
//
// The shared code (windows, queue, input routing) lives once; a backend only provides native
// windows, GL surfaces, native events and dialogs. Two backends are always built:
//   Backend::Sdl       real windows through SDL2
//   Backend::Headless  no display: real OpenGL through EGL pbuffers, scripted input (headless.h)
//
// Limits: one GUI thread; nothing here is synchronised.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "brevra/export.h"

namespace BREVRA_API brevra {
namespace platform {

// ---------------------------------------------------------------------------------------------
// Handles and basic records
// ---------------------------------------------------------------------------------------------
using HANDLE = std::uint32_t;
using HWND = HANDLE;
using HDC = HANDLE;
using HGLRC = HANDLE;
using HINSTANCE = HANDLE;
using HICON = HANDLE;
using HCURSOR = HANDLE;
using HBRUSH = HANDLE;
using HMENU = HANDLE;
using HGDIOBJ = HANDLE;
using ATOM = std::uint16_t;
using WPARAM = std::int32_t;
using LPARAM = std::int32_t;
using LRESULT = std::int32_t;
using UINT = std::uint32_t;

// A window procedure: (window, message, first parameter, second parameter) -> result.
using WNDPROC = LRESULT (*)(HWND, std::int32_t, WPARAM, LPARAM);

struct POINT {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

struct RECT {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
};

struct MSG {
  HWND hwnd = 0;
  std::int32_t message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  std::uint32_t time = 0;
  POINT pt;
};

struct WNDCLASS {
  UINT style = 0;
  WNDPROC lpfnWndProc = nullptr;
  std::int32_t cbClsExtra = 0;
  std::int32_t cbWndExtra = 0;
  HINSTANCE hInstance = 0;
  HICON hIcon = 0;
  HCURSOR hCursor = 0;
  HBRUSH hbrBackground = 0;
  const char* lpszMenuName = nullptr;
  const char* lpszClassName = nullptr;
};

struct WNDCLASSEX {
  UINT cbSize = 0;
  UINT style = 0;
  WNDPROC lpfnWndProc = nullptr;
  std::int32_t cbClsExtra = 0;
  std::int32_t cbWndExtra = 0;
  HINSTANCE hInstance = 0;
  HICON hIcon = 0;
  HCURSOR hCursor = 0;
  HBRUSH hbrBackground = 0;
  const char* lpszMenuName = nullptr;
  const char* lpszClassName = nullptr;
  HICON hIconSm = 0;
};

// What WM_CREATE's LParam (a PackPointer ticket) leads to.
struct CREATESTRUCT {
  void* lpCreateParams = nullptr;
  HINSTANCE hInstance = 0;
  HMENU hMenu = 0;
  HWND hwndParent = 0;
  std::int32_t cy = 0;
  std::int32_t cx = 0;
  std::int32_t y = 0;
  std::int32_t x = 0;
  UINT style = 0;
  const char* lpszName = nullptr;
  const char* lpszClass = nullptr;
  UINT dwExStyle = 0;
};

struct PAINTSTRUCT {
  HDC hdc = 0;
  bool fErase = false;
  RECT rcPaint;
};

// The 40-byte pixel-format description, field by field.
struct PIXELFORMATDESCRIPTOR {
  std::uint16_t nSize;
  std::uint16_t nVersion;
  std::uint32_t dwFlags;
  std::uint8_t iPixelType;
  std::uint8_t cColorBits;
  std::uint8_t cRedBits;
  std::uint8_t cRedShift;
  std::uint8_t cGreenBits;
  std::uint8_t cGreenShift;
  std::uint8_t cBlueBits;
  std::uint8_t cBlueShift;
  std::uint8_t cAlphaBits;
  std::uint8_t cAlphaShift;
  std::uint8_t cAccumBits;
  std::uint8_t cAccumRedBits;
  std::uint8_t cAccumGreenBits;
  std::uint8_t cAccumBlueBits;
  std::uint8_t cAccumAlphaBits;
  std::uint8_t cDepthBits;
  std::uint8_t cStencilBits;
  std::uint8_t cAuxBuffers;
  std::uint8_t iLayerType;
  std::uint8_t bReserved;
  std::uint32_t dwLayerMask;
  std::uint32_t dwVisibleMask;
  std::uint32_t dwDamageMask;
};
static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40, "the pixel-format record is 40 bytes");

// ---------------------------------------------------------------------------------------------
// Constants (the classic numeric values, so stored styles and messages keep their meaning)
// ---------------------------------------------------------------------------------------------
// Messages
inline constexpr std::int32_t WM_NULL = 0x0000;
inline constexpr std::int32_t WM_CREATE = 0x0001;
inline constexpr std::int32_t WM_DESTROY = 0x0002;
inline constexpr std::int32_t WM_MOVE = 0x0003;
inline constexpr std::int32_t WM_SIZE = 0x0005;
inline constexpr std::int32_t WM_SETFOCUS = 0x0007;
inline constexpr std::int32_t WM_KILLFOCUS = 0x0008;
inline constexpr std::int32_t WM_SETTEXT = 0x000C;
inline constexpr std::int32_t WM_PAINT = 0x000F;
inline constexpr std::int32_t WM_CLOSE = 0x0010;
inline constexpr std::int32_t WM_QUIT = 0x0012;
inline constexpr std::int32_t WM_ERASEBKGND = 0x0014;
inline constexpr std::int32_t WM_CONTEXTMENU = 0x007B;
inline constexpr std::int32_t WM_KEYDOWN = 0x0100;
inline constexpr std::int32_t WM_KEYUP = 0x0101;
inline constexpr std::int32_t WM_CHAR = 0x0102;
inline constexpr std::int32_t WM_SYSKEYDOWN = 0x0104;
inline constexpr std::int32_t WM_SYSKEYUP = 0x0105;
inline constexpr std::int32_t WM_COMMAND = 0x0111;
inline constexpr std::int32_t WM_SYSCHAR = 0x0106;
inline constexpr std::int32_t WM_SYSCOMMAND = 0x0112;
inline constexpr std::int32_t WM_TIMER = 0x0113;
inline constexpr std::int32_t WM_MOUSEMOVE = 0x0200;
inline constexpr std::int32_t WM_LBUTTONDOWN = 0x0201;
inline constexpr std::int32_t WM_LBUTTONUP = 0x0202;
inline constexpr std::int32_t WM_LBUTTONDBLCLK = 0x0203;
inline constexpr std::int32_t WM_RBUTTONDOWN = 0x0204;
inline constexpr std::int32_t WM_RBUTTONUP = 0x0205;
inline constexpr std::int32_t WM_RBUTTONDBLCLK = 0x0206;
inline constexpr std::int32_t WM_MBUTTONDOWN = 0x0207;
inline constexpr std::int32_t WM_MBUTTONUP = 0x0208;
inline constexpr std::int32_t WM_MOUSELEAVE = 0x02A3;
inline constexpr std::int32_t WM_USER = 0x0400;

// WM_SIZE kinds (WParam)
inline constexpr std::int32_t SIZE_RESTORED = 0;
inline constexpr std::int32_t SIZE_MINIMIZED = 1;

// Mouse-key flags carried in the WParam of mouse messages
inline constexpr std::int32_t MK_LBUTTON = 0x0001;
inline constexpr std::int32_t MK_RBUTTON = 0x0002;
inline constexpr std::int32_t MK_SHIFT = 0x0004;
inline constexpr std::int32_t MK_CONTROL = 0x0008;
inline constexpr std::int32_t MK_MBUTTON = 0x0010;

// Virtual-key codes (letters are 'A'..'Z', digits '0'..'9')
inline constexpr std::int32_t VK_BACK = 0x08;
inline constexpr std::int32_t VK_TAB = 0x09;
inline constexpr std::int32_t VK_RETURN = 0x0D;
inline constexpr std::int32_t VK_SHIFT = 0x10;
inline constexpr std::int32_t VK_CONTROL = 0x11;
inline constexpr std::int32_t VK_MENU = 0x12;
inline constexpr std::int32_t VK_PAUSE = 0x13;
inline constexpr std::int32_t VK_CAPITAL = 0x14;
inline constexpr std::int32_t VK_ESCAPE = 0x1B;
inline constexpr std::int32_t VK_SPACE = 0x20;
inline constexpr std::int32_t VK_PRIOR = 0x21;
inline constexpr std::int32_t VK_NEXT = 0x22;
inline constexpr std::int32_t VK_END = 0x23;
inline constexpr std::int32_t VK_HOME = 0x24;
inline constexpr std::int32_t VK_LEFT = 0x25;
inline constexpr std::int32_t VK_UP = 0x26;
inline constexpr std::int32_t VK_RIGHT = 0x27;
inline constexpr std::int32_t VK_DOWN = 0x28;
inline constexpr std::int32_t VK_INSERT = 0x2D;
inline constexpr std::int32_t VK_DELETE = 0x2E;
inline constexpr std::int32_t VK_NUMPAD0 = 0x60;
inline constexpr std::int32_t VK_APPS = 0x5D;  // the Menu key
inline constexpr std::int32_t VK_F1 = 0x70;
inline constexpr std::int32_t VK_F10 = 0x79;
inline constexpr std::int32_t VK_F12 = 0x7B;
inline constexpr std::int32_t VK_LSHIFT = 0xA0;
inline constexpr std::int32_t VK_RSHIFT = 0xA1;
inline constexpr std::int32_t VK_LCONTROL = 0xA2;
inline constexpr std::int32_t VK_RCONTROL = 0xA3;
inline constexpr std::int32_t VK_LMENU = 0xA4;
inline constexpr std::int32_t VK_RMENU = 0xA5;

// Window styles
inline constexpr std::uint32_t WS_OVERLAPPED = 0x00000000u;
inline constexpr std::uint32_t WS_POPUP = 0x80000000u;
inline constexpr std::uint32_t WS_CHILD = 0x40000000u;
inline constexpr std::uint32_t WS_MINIMIZE = 0x20000000u;
inline constexpr std::uint32_t WS_VISIBLE = 0x10000000u;
inline constexpr std::uint32_t WS_DISABLED = 0x08000000u;
inline constexpr std::uint32_t WS_CLIPSIBLINGS = 0x04000000u;
inline constexpr std::uint32_t WS_CLIPCHILDREN = 0x02000000u;
inline constexpr std::uint32_t WS_MAXIMIZE = 0x01000000u;
inline constexpr std::uint32_t WS_CAPTION = 0x00C00000u;  // WS_BORDER | WS_DLGFRAME
inline constexpr std::uint32_t WS_BORDER = 0x00800000u;
inline constexpr std::uint32_t WS_DLGFRAME = 0x00400000u;
inline constexpr std::uint32_t WS_VSCROLL = 0x00200000u;
inline constexpr std::uint32_t WS_HSCROLL = 0x00100000u;
inline constexpr std::uint32_t WS_SYSMENU = 0x00080000u;
inline constexpr std::uint32_t WS_THICKFRAME = 0x00040000u;
inline constexpr std::uint32_t WS_MINIMIZEBOX = 0x00020000u;
inline constexpr std::uint32_t WS_MAXIMIZEBOX = 0x00010000u;
inline constexpr std::int32_t CW_USEDEFAULT = static_cast<std::int32_t>(0x80000000u);

// Class styles
inline constexpr UINT CS_VREDRAW = 0x0001;
inline constexpr UINT CS_HREDRAW = 0x0002;
inline constexpr UINT CS_DBLCLKS = 0x0008;

// ShowWindow commands
inline constexpr std::int32_t SW_HIDE = 0;
inline constexpr std::int32_t SW_SHOWNORMAL = 1;
inline constexpr std::int32_t SW_SHOWMINIMIZED = 2;
inline constexpr std::int32_t SW_SHOW = 5;
inline constexpr std::int32_t SW_MINIMIZE = 6;
inline constexpr std::int32_t SW_RESTORE = 9;
inline constexpr std::int32_t SW_SHOWDEFAULT = 10;

// PeekMessage removal flags
inline constexpr UINT PM_NOREMOVE = 0x0000;
inline constexpr UINT PM_REMOVE = 0x0001;

// System metrics
inline constexpr std::int32_t SM_CXSCREEN = 0;
inline constexpr std::int32_t SM_CYSCREEN = 1;

// Message boxes: buttons, icons and answers
inline constexpr UINT MB_OK = 0x00000000u;
inline constexpr UINT MB_OKCANCEL = 0x00000001u;
inline constexpr UINT MB_YESNOCANCEL = 0x00000003u;
inline constexpr UINT MB_YESNO = 0x00000004u;
inline constexpr UINT MB_ICONERROR = 0x00000010u;
inline constexpr UINT MB_ICONQUESTION = 0x00000020u;
inline constexpr UINT MB_ICONWARNING = 0x00000030u;
inline constexpr UINT MB_ICONINFORMATION = 0x00000040u;
inline constexpr std::int32_t IDOK = 1;
inline constexpr std::int32_t IDCANCEL = 2;
inline constexpr std::int32_t IDYES = 6;
inline constexpr std::int32_t IDNO = 7;

// Predefined cursors and icons
inline constexpr std::int32_t IDC_ARROW = 32512;
inline constexpr std::int32_t IDC_IBEAM = 32513;
inline constexpr std::int32_t IDC_WAIT = 32514;
inline constexpr std::int32_t IDC_CROSS = 32515;
inline constexpr std::int32_t IDC_UPARROW = 32516;
inline constexpr std::int32_t IDC_SIZE = 32640;
inline constexpr std::int32_t IDC_SIZENWSE = 32642;
inline constexpr std::int32_t IDC_SIZENESW = 32643;
inline constexpr std::int32_t IDC_SIZEWE = 32644;
inline constexpr std::int32_t IDC_SIZENS = 32645;
inline constexpr std::int32_t IDC_SIZEALL = 32646;
inline constexpr std::int32_t IDC_NO = 32648;
inline constexpr std::int32_t IDC_HAND = 32649;
inline constexpr std::int32_t IDC_APPSTARTING = 32650;
inline constexpr std::int32_t IDC_HELP = 32651;
inline constexpr std::int32_t IDI_APPLICATION = 32512;

// System colours and stock objects
inline constexpr std::int32_t COLOR_BTNFACE = 15;
inline constexpr std::int32_t WHITE_BRUSH = 0;
inline constexpr std::int32_t BLACK_BRUSH = 4;
inline constexpr std::int32_t NULL_BRUSH = 5;

// Status window
inline constexpr std::int32_t SB_SETTEXT = 0x0401;
inline constexpr std::int32_t SB_SETPARTS = 0x0404;
inline constexpr std::int32_t SB_GETPARTS = 0x0406;

// Pixel-format flags and types
inline constexpr std::uint32_t PFD_DOUBLEBUFFER = 0x00000001u;
inline constexpr std::uint32_t PFD_STEREO = 0x00000002u;
inline constexpr std::uint32_t PFD_DRAW_TO_WINDOW = 0x00000004u;
inline constexpr std::uint32_t PFD_DRAW_TO_BITMAP = 0x00000008u;
inline constexpr std::uint32_t PFD_SUPPORT_GDI = 0x00000010u;
inline constexpr std::uint32_t PFD_SUPPORT_OPENGL = 0x00000020u;
inline constexpr std::uint32_t PFD_GENERIC_FORMAT = 0x00000040u;
inline constexpr std::uint32_t PFD_GENERIC_ACCELERATED = 0x00001000u;
inline constexpr std::uint8_t PFD_TYPE_RGBA = 0;
inline constexpr std::uint8_t PFD_MAIN_PLANE = 0;

// ---------------------------------------------------------------------------------------------
// Backends
// ---------------------------------------------------------------------------------------------
enum class Backend { Sdl, Headless };

// Starts the platform with the given backend. Called once before any other call; a second call
// with the other backend first shuts the current one down (all windows die). Returns false (and
// leaves no backend) when the backend cannot start, e.g. Sdl without a display.
bool Init(Backend backend);
// Destroys every window and context and stops the backend. Safe to call twice.
void Shutdown();
// True once Init succeeded and until Shutdown.
bool IsInitialized();
Backend CurrentBackend();
// Starts the platform on demand: the first platform call made without Init starts the Sdl
// backend (what a program that just opens a window expects).
bool EnsureInitialized();

// The module instance of the program (a constant non-zero handle) and the show command the
// process was started with (SW_SHOWDEFAULT).
HINSTANCE GetModuleHandle(const char* moduleName);
std::int32_t GetStartupShowCommand();

// ---------------------------------------------------------------------------------------------
// Message boxes
// ---------------------------------------------------------------------------------------------
// Modal box with text and caption (Windows-1252 bytes), buttons and icon from `type`. Returns
// IDOK, IDYES or IDNO (or IDCANCEL), and 0 when no box can be shown. The headless backend asks
// the responder installed with headless::SetMessageBoxResponder.
std::int32_t MessageBox(HWND owner, const char* text, const char* caption, UINT type);

// ---------------------------------------------------------------------------------------------
// Window classes
// ---------------------------------------------------------------------------------------------
// Registers a class; 0 when the name is missing or already registered.
ATOM RegisterClass(const WNDCLASS* wc);
ATOM RegisterClassEx(const WNDCLASSEX* wc);
// Looks a class up by name (the instance is ignored); fills *out and returns true if it exists.
bool GetClassInfoEx(HINSTANCE instance, const char* className, WNDCLASSEX* out);
bool UnregisterClass(const char* className, HINSTANCE instance);

// ---------------------------------------------------------------------------------------------
// Windows
// ---------------------------------------------------------------------------------------------
// Creates a window of a registered class. Top-level windows (no WS_CHILD) get a native window
// from the backend; x, y of CW_USEDEFAULT place a pop-up window at the screen origin; width and
// height are the outer size. Child windows are placed in their parent's client coordinates and
// `menu` is their control identifier. WM_CREATE and then WM_SIZE (client size) reach the window
// procedure before the call returns; a WM_CREATE answer of -1 destroys the window and gives 0.
HWND CreateWindowEx(UINT exStyle, const char* className, const char* windowName, UINT style,
                    std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                    HWND parent, HMENU menu, HINSTANCE instance, void* param);
// Sends WM_DESTROY to the window's children (first) and to the window; the handle is dead after.
bool DestroyWindow(HWND hwnd);
bool IsWindow(HWND hwnd);
bool ShowWindow(HWND hwnd, std::int32_t cmdShow);
bool IsWindowVisible(HWND hwnd);
bool UpdateWindow(HWND hwnd);  // sends WM_PAINT at once if the window is invalid
bool InvalidateRect(HWND hwnd, const RECT* rect, bool erase);
bool SetWindowText(HWND hwnd, const char* text);
std::int32_t GetWindowText(HWND hwnd, char* buffer, std::int32_t size);
bool GetClientRect(HWND hwnd, RECT* rect);  // (0, 0, width, height) of the client area
bool GetWindowRect(HWND hwnd, RECT* rect);  // outer rectangle in screen coordinates
bool MoveWindow(HWND hwnd, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                bool repaint);
HWND GetParent(HWND hwnd);
std::int32_t GetDlgCtrlID(HWND hwnd);
std::uint32_t GetWindowStyle(HWND hwnd);
WNDPROC GetWindowProc(HWND hwnd);
// Client <-> screen coordinates.
bool ClientToScreen(HWND hwnd, POINT* point);
bool ScreenToClient(HWND hwnd, POINT* point);
std::int32_t GetSystemMetrics(std::int32_t index);

// Hands the window a shape (a region handle, 0 for the plain rectangle). The window owns the
// region from then on and deletes it with itself. Pointer input reaches the window only inside
// its shape unless it holds the capture.
bool SetWindowRgn(HWND hwnd, HANDLE region, bool redraw);
HANDLE GetWindowRgn(HWND hwnd);
bool ValidateRect(HWND hwnd, const RECT* rect);
bool IsChild(HWND parent, HWND hwnd);

// Window properties: named values kept per window.
bool SetProp(HWND hwnd, const char* name, HANDLE data);
HANDLE GetProp(HWND hwnd, const char* name);
HANDLE RemoveProp(HWND hwnd, const char* name);

// ---------------------------------------------------------------------------------------------
// Message queue (one, for the GUI thread)
// ---------------------------------------------------------------------------------------------
// Looks at the queue (after collecting the backend's native events, without ever waiting).
// Posted messages come first in order; WM_PAINT is generated for an invalid window and WM_TIMER
// for a due timer only while nothing else is queued. `hwnd` 0 and a 0..0 range mean any message.
bool PeekMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMsg);
// Removes the next message, waiting for one if none is queued. Returns 0 for WM_QUIT, else
// non-zero.
std::int32_t GetMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax);
bool TranslateMessage(const MSG* msg);
LRESULT DispatchMessage(const MSG* msg);
bool PostMessage(HWND hwnd, std::int32_t message, WPARAM wParam, LPARAM lParam);
// Calls the window procedure at once (re-entrant); 0 for a dead window.
LRESULT SendMessage(HWND hwnd, std::int32_t message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(std::int32_t exitCode);
// Default handling: WM_CLOSE destroys the window; other messages answer 0.
LRESULT DefWindowProc(HWND hwnd, std::int32_t message, WPARAM wParam, LPARAM lParam);
// Timers post WM_TIMER (WParam = id) to the window every `elapseMs` milliseconds.
UINT SetTimer(HWND hwnd, UINT id, UINT elapseMs, void* timerProc);
bool KillTimer(HWND hwnd, UINT id);

// Painting: validates the window and hands out a device context on its surface.
HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps);
bool EndPaint(HWND hwnd, const PAINTSTRUCT* ps);

// ---------------------------------------------------------------------------------------------
// Input state
// ---------------------------------------------------------------------------------------------
HWND SetCapture(HWND hwnd);  // returns the previous capture window
bool ReleaseCapture();
HWND GetCapture();
bool GetCursorPos(POINT* point);  // screen coordinates
bool SetCursorPos(std::int32_t x, std::int32_t y);
HWND GetForegroundWindow();
HWND SetFocus(HWND hwnd);
HWND GetFocus();

// ---------------------------------------------------------------------------------------------
// Cursors, icons, brushes
// ---------------------------------------------------------------------------------------------
HCURSOR LoadCursor(HINSTANCE instance, std::int32_t id);  // predefined IDC_* cursors
HICON LoadIcon(HINSTANCE instance, std::int32_t id);      // predefined IDI_* icons
// Loads a cursor (or an icon image) from a file; 0 when the file cannot be read.
HCURSOR LoadCursorFromFile(const char* fileName);
HBRUSH GetSysColorBrush(std::int32_t index);
HGDIOBJ GetStockObject(std::int32_t index);

// ---------------------------------------------------------------------------------------------
// Status window: a child strip along the bottom of its parent that keeps a text and parts
// ---------------------------------------------------------------------------------------------
HWND CreateStatusWindow(std::int32_t style, const char* text, HWND parent, UINT id);
// Message parameters are 32-bit while pointers are 64-bit, so a message that carries a pointer
// (SB_SETPARTS, SB_GETPARTS, SB_SETTEXT, WM_SETTEXT) carries a ticket from PackPointer instead;
// the receiver redeems it with UnpackPointer. Tickets are never 0 and stay redeemable for the
// next 255 packs; an unknown or outdated ticket gives null. The typed calls below do the same
// work without tickets, and the status window's message handling uses them.
LPARAM PackPointer(const void* pointer);
const void* UnpackPointer(LPARAM ticket);
// The right edges (client x, -1 = to the right border) of `count` parts (0..255; 0 = one part).
bool StatusSetParts(HWND status, std::int32_t count, const std::int32_t* edges);
bool StatusSetText(HWND status, std::int32_t part, const char* text);
std::string StatusText(HWND status, std::int32_t part = 0);
std::vector<std::int32_t> StatusParts(HWND status);
inline constexpr std::int32_t kStatusHeight = 20;  // pixels of the strip

// ---------------------------------------------------------------------------------------------
// Menus: menu bars and pop-up menus, drawn by the platform over the window's OpenGL frame
// ---------------------------------------------------------------------------------------------
// Item flags (AppendMenu), states (CheckMenuItem, EnableMenuItem, GetMenuState) and the way an
// item is named (by its command identifier, searched through sub-menus, or by its position).
inline constexpr UINT MF_STRING = 0x0000u;
inline constexpr UINT MF_ENABLED = 0x0000u;
inline constexpr UINT MF_UNCHECKED = 0x0000u;
inline constexpr UINT MF_BYCOMMAND = 0x0000u;
inline constexpr UINT MF_GRAYED = 0x0001u;
inline constexpr UINT MF_DISABLED = 0x0002u;
inline constexpr UINT MF_CHECKED = 0x0008u;
inline constexpr UINT MF_POPUP = 0x0010u;
inline constexpr UINT MF_BYPOSITION = 0x0400u;
inline constexpr UINT MF_SEPARATOR = 0x0800u;
// TrackPopupMenu flags: where (x, y) lies on the menu, and whether the choice is returned
// (TPM_RETURNCMD) instead of sent as WM_COMMAND.
inline constexpr UINT TPM_LEFTBUTTON = 0x0000u;
inline constexpr UINT TPM_LEFTALIGN = 0x0000u;
inline constexpr UINT TPM_TOPALIGN = 0x0000u;
inline constexpr UINT TPM_RIGHTBUTTON = 0x0002u;
inline constexpr UINT TPM_CENTERALIGN = 0x0004u;
inline constexpr UINT TPM_RIGHTALIGN = 0x0008u;
inline constexpr UINT TPM_VCENTERALIGN = 0x0010u;
inline constexpr UINT TPM_BOTTOMALIGN = 0x0020u;
inline constexpr UINT TPM_NONOTIFY = 0x0080u;
inline constexpr UINT TPM_RETURNCMD = 0x0100u;
// WM_SYSCOMMAND: the keyboard asks for the menu bar (LParam: 0, or the mnemonic character).
inline constexpr WPARAM SC_KEYMENU = 0xF100;
inline constexpr UINT kMenuFailed = 0xFFFFFFFFu;  // what the state calls answer for no item

HMENU CreateMenu();       // an empty menu bar
HMENU CreatePopupMenu();  // an empty pop-up menu
// Appends an item: MF_STRING with `text` ("&" marks the mnemonic letter, "&&" is an "&"),
// MF_POPUP with the sub-menu's handle as `idOrPopup`, or MF_SEPARATOR; MF_GRAYED and MF_CHECKED
// set its state. False for a dead menu, a missing text or a dead or circular sub-menu.
bool AppendMenu(HMENU menu, UINT flags, UINT idOrPopup, const char* text);
// Set or clear an item's check mark / grey it; each returns the previous state (MF_CHECKED or
// MF_UNCHECKED; MF_ENABLED, MF_GRAYED or MF_DISABLED), kMenuFailed when there is no such item.
UINT CheckMenuItem(HMENU menu, UINT item, UINT flags);
UINT EnableMenuItem(HMENU menu, UINT item, UINT flags);
// The item's flags (MF_CHECKED, MF_GRAYED, MF_POPUP, MF_SEPARATOR...), kMenuFailed for none.
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
std::int32_t GetMenuItemCount(HMENU menu);              // -1 for a dead menu
UINT GetMenuItemID(HMENU menu, std::int32_t position);  // kMenuFailed for a sub-menu or none
HMENU GetSubMenu(HMENU menu, std::int32_t position);
// The item's text as given (with its "&"); empty for none.
std::string GetMenuString(HMENU menu, UINT item, UINT flags);
bool IsMenu(HMENU menu);
// Gives a top-level window its menu bar (0 removes it). The bar is non-client: the client area
// shrinks (or grows back) and WM_SIZE follows. False for a child window or a dead handle; the
// previous bar is not destroyed.
bool SetMenu(HWND hwnd, HMENU menu);
HMENU GetMenu(HWND hwnd);
bool DrawMenuBar(HWND hwnd);  // the bar is drawn again with the items' current states
// Shows a pop-up menu at screen point (x, y) and runs it until an item is chosen or it is
// dismissed (Escape, a click outside); other windows get no input meanwhile. With TPM_RETURNCMD
// it returns the chosen command (0 for none) and sends nothing; otherwise a chosen item posts
// WM_COMMAND (its command in the low word of WParam, LParam 0) to `owner` and the answer is
// non-zero. 0 when the menu or the owner is dead, or another menu is being tracked.
std::int32_t TrackPopupMenu(HMENU menu, UINT flags, std::int32_t x, std::int32_t y,
                            std::int32_t reserved, HWND owner, const RECT* rect);
// Destroys the menu and its sub-menus; a window whose bar it was loses the bar.
bool DestroyMenu(HMENU menu);
inline constexpr std::int32_t kMenuBarHeight = 20;  // pixels of a menu bar

// ---------------------------------------------------------------------------------------------
// Device contexts, pixel formats and OpenGL contexts
// ---------------------------------------------------------------------------------------------
HDC GetDC(HWND hwnd);
std::int32_t ReleaseDC(HWND hwnd, HDC dc);
HWND WindowFromDC(HDC dc);
// Index (from 1) of the closest pixel format the backend offers; 0 when none is usable.
std::int32_t ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* pfd);
// Fills *pfd with format `index` (if pfd is not null); returns the number of formats offered.
std::int32_t DescribePixelFormat(HDC dc, std::int32_t index, UINT bytes,
                                 PIXELFORMATDESCRIPTOR* pfd);
bool SetPixelFormat(HDC dc, std::int32_t index, const PIXELFORMATDESCRIPTOR* pfd);
std::int32_t GetPixelFormat(HDC dc);
HGLRC wglCreateContext(HDC dc);
// Makes the context current on the window of `dc`; (0, 0) or a null context makes none current.
bool wglMakeCurrent(HDC dc, HGLRC rc);
bool wglDeleteContext(HGLRC rc);
HGLRC wglGetCurrentContext();
// Shows the back buffer. Harmless (returns false) once the window is gone.
bool SwapBuffers(HDC dc);

}  // namespace platform
}  // namespace brevra
