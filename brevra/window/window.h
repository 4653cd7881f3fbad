// The main window and its OpenGL context: the library's window classes, the one main window of
// the process, its pixel format and rendering context, the status bar, and fatal set-up errors.
//
// Calling order for a client: OGLWindowSetting, CreateOGLWindow, the client's own frame loop
// (SetGLMsg, input.h), DeleteOGLWindow. Every set-up failure ends the process through
// ThrowError (a message box captioned "Error", then exit code 0).
//
// Limits: one main window per process; the class "GLWindow" can be registered only once, so a
// second CreateOGLWindow in the same process ends it with the registration message. Texts are
// zero-terminated Windows-1252 strings owned by the caller (the library keeps the pointers).
#pragma once

#include <cstdint>
#include <string>

#include "brevra/export.h"
#include "brevra/geometry/indexed_array.h"
#include "brevra/imagebutton/image_button.h"  // Required for: HoverButtonHandler
#include "brevra/platform/platform.h"

namespace BREVRA_API brevra {

// A parameterless client hook.
using BrvProcedure = void (*)();

// ---- cursor choices (SetTypeCursor) ----
inline constexpr std::int32_t ARROW = 1;
inline constexpr std::int32_t IBEAM = 2;
inline constexpr std::int32_t WAIT = 3;
inline constexpr std::int32_t CROSS = 4;
inline constexpr std::int32_t UPARROW = 5;
inline constexpr std::int32_t SIZE = 6;
inline constexpr std::int32_t FILECURSOR = 7;  // loaded from CursorFile
inline constexpr std::int32_t SIZENWSE = 8;
inline constexpr std::int32_t SIZENESW = 9;
inline constexpr std::int32_t SIZEWE = 10;
inline constexpr std::int32_t SIZENS = 11;
inline constexpr std::int32_t SIZEALL = 12;
inline constexpr std::int32_t NOCURSOR = 13;  // the not-allowed cursor (the cursor stays visible)
inline constexpr std::int32_t HAND = 14;
inline constexpr std::int32_t APPSTARTING = 15;
inline constexpr std::int32_t HELP = 16;

// ---- icon choices (SetTypeIcon) ----
inline constexpr std::int32_t GENERIC = 1;   // the standard application icon
inline constexpr std::int32_t FILEICON = 2;  // loaded from IconFile

// ---- fixed parts of the window set-up ----
inline constexpr std::uint32_t GLWINDOW_PIXEL_FLAGS = 0x1065;           // double buffer, window, GL
inline constexpr std::uint32_t GLWINDOW_CAPTION_STYLE = 0x96CA0000;     // caption, no sizing
inline constexpr std::uint32_t GLWINDOW_FULLSCREEN_STYLE = 0x96880000;  // no caption
inline constexpr std::uint32_t STATUSBAR_STYLE = 0x50000000;            // WS_CHILD | WS_VISIBLE
inline constexpr std::uint32_t STATUSBAR_ID = 30482;
inline constexpr std::int32_t MAX_STATUS_ITEMS = 20;

// The procedure of the "IMAGEBUTTON" class: the hover image button's handler.
inline constexpr platform::WNDPROC IMAGEBUTTON_PROC = HoverButtonHandler;

// ---- module state ----
extern platform::HWND HWindow;    // the main window
extern platform::HDC DCWindow;    // its device context (WindowInit)
extern platform::HGLRC RCWindow;  // its OpenGL context (WindowInit)
extern const char* SetTitleName;  // the title given to CreateOGLWindow
extern std::int32_t Width;        // requested, then screen (full screen), then client width
extern std::int32_t Height;       // the same for the height
extern std::int32_t Bits;         // colour depth of the pixel-format request (0..255)
extern bool FullScreen;
extern bool Active;                       // true from WM_CREATE to WM_DESTROY
extern std::int32_t PIXEL_FORMAT_FLAGS;   // OR-ed into GLWINDOW_PIXEL_FLAGS
extern std::int32_t CREATE_WINDOW_FLAGS;  // OR-ed into the captioned style only
extern std::int32_t SetTypeCursor;
extern const char* CursorFile;
extern std::int32_t SetTypeIcon;
extern const char* IconFile;
extern BrvProcedure CreateMenuBar;  // run once after creation when ShowMenuBar
extern bool ShowMenuBar;
extern bool ShowStatusBar;
extern platform::HWND HStatus;  // the main window's status bar, 0 when none
extern platform::HWND AWnd;     // the status window last created by CreateStatusBar
extern geometry::IndexedArray<char, 0, 260> FileName;  // the status bar's initial text
extern geometry::IndexedArray<std::int32_t, 1, MAX_STATUS_ITEMS> StatusItem;  // part right edges
extern geometry::IndexedArray<std::int32_t, 1, MAX_STATUS_ITEMS> Edges;  // copy sent to the bar
extern std::int32_t MaxStatusItem;                                       // parts, 0..20
extern platform::WNDCLASSEX WindowClassEx;  // the "IMAGEBUTTON" class record
extern std::string BrvVersion;              // "1.0"

// ---- life cycle ----
// Stores the cursor and icon choice (the pointers, not the texts) and resets the vertex
// recorder's two flags. In free-look mode it first centres the cursor on (Width/2, Height/2).
void OGLWindowSetting(std::int32_t TypeCursor, const char* CurFile, std::int32_t TypeIcon,
                      const char* IcoFile);
// Registers the classes, creates and shows the main window, gives it a pixel format and a current
// rendering context. Returns true; every failure ends the process with a message.
bool CreateOGLWindow(const char* AppName, std::int32_t AppWidth, std::int32_t AppHeight,
                     std::int32_t AppBits, bool AppFullScreen);
// Releases the context, the device context and the window; the handle variables keep their
// (now stale) values.
void DeleteOGLWindow();

// ---- the steps of CreateOGLWindow ----
// Registers "GLWindow" (the result) and, unless it already exists, "IMAGEBUTTON".
bool WindowRegister();
// Creates and shows the main window (captioned or covering the screen); 0 on failure.
platform::HWND WindowCreate(const char* PCApplicationName);
// Takes the window's device context, sets the closest pixel format, creates the rendering
// context and makes it current. False when no format or no context could be had.
bool WindowInit(platform::HWND HParent);
// Creates a status bar showing "Percorso file" in Parent with MaxStatusItem parts; 0 on failure.
platform::HWND CreateStatusBar(platform::HWND Parent);
// Shows the message in a box captioned "Error" and ends the process with exit code 0.
[[noreturn]] void ThrowError(const char* PCErrorMessage);

// ---- the tables behind the class record and the pixel format ----
// The cursor for a cursor choice (0 outside 1..16 or for an unreadable cursor file).
platform::HCURSOR SelectCursor(std::int32_t TypeCursor);
// The icon for an icon choice (0 outside 1..2 or for an unreadable icon file).
platform::HICON SelectIcon(std::int32_t TypeIcon);
// The 40-byte pixel-format request WindowInit makes, from Bits and PIXEL_FORMAT_FLAGS.
platform::PIXELFORMATDESCRIPTOR PixelFormatRequest();

}  // namespace brevra
