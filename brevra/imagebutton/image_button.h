// Brevra image buttons: the "IMAGEBUTTON" window class's procedure.
//
// A button is an ordinary child window of the class. It shows one of three pictures read from
// `BmpType` + "N.BMP" (normal), "H.BMP" (hover) and "P.BMP" (pressed), takes the size and the
// shape of the normal picture (its 0xFF00FF pixels cut away), switches pictures as the mouse
// moves and presses, and posts WM_COMMAND (WParam = its control identifier, LParam = 0) to its
// parent when it is clicked. All per-button data lives in five window properties; any number
// of buttons can exist at once.
#pragma once

#include <cstdint>
#include <string>

#include "brevra/export.h"
#include "brevra/platform/platform.h"

namespace BREVRA_API brevra {

// The class name and the property names.
inline constexpr const char* SzHoverClass = "IMAGEBUTTON";
inline constexpr const char* NormalBmp = "NORMALBITMAP";   // DC with the normal picture
inline constexpr const char* HoverBmp = "HOVERBITMAP";     // DC with the hover picture
inline constexpr const char* PressBmp = "PRESSBITMAP";     // DC with the pressed picture
inline constexpr const char* HoverMode = "HOVERMODEBYTE";  // state: 1 normal, 2 hover, 3 pressed
inline constexpr const char* ButtonRgn = "HOVERBUTTONREGION";  // hit-test region

// The button states kept in "HOVERMODEBYTE".
inline constexpr platform::HANDLE kStateNormal = 1;
inline constexpr platform::HANDLE kStateHover = 2;
inline constexpr platform::HANDLE kStatePressed = 3;

// The transparent colour of the shape and its tolerance.
inline constexpr std::uint32_t kButtonTransColor = 0xFF00FF;
inline constexpr std::uint8_t kButtonTolerance = 1;

// Allowances for the parent's left frame and for its caption plus top frame, taken off the
// button's position at creation.
inline constexpr std::int32_t kParentFrameX = 3;
inline constexpr std::int32_t kParentFrameY = 19;

// Prefix of the three picture file names (a directory, a name stem, or both; nothing is
// inserted), read when a button is created. Empty at start.
extern std::string BmpType;

// The window procedure of "IMAGEBUTTON": WM_CREATE, WM_DESTROY, WM_PAINT, WM_MOUSEMOVE,
// WM_LBUTTONDOWN and WM_LBUTTONUP answer 0; everything else goes to DefWindowProc.
platform::LRESULT HoverButtonHandler(platform::HWND Wnd, std::int32_t IMsg, platform::WPARAM WParam,
                                     platform::LPARAM LParam);

}  // namespace brevra
