// The main window's procedure and the input state it keeps: the key table, the mouse buttons
// and positions, the mouse camera's angles and distance, the frames-per-second title; and the
// message-pump step a frame loop calls once per frame.
//
// Mouse positions arrive as two 16-bit halves of LParam, read as signed numbers, so a captured
// drag that leaves the window to the left or above keeps turning smoothly.
//
// Limits: everything runs on the thread that created the window; the key table covers virtual-key
// codes 0..500 (codes outside it are ignored by the window procedure).
#pragma once

#include <cstdint>
#include <string>

#include "brevra/export.h"
#include "brevra/geometry/indexed_array.h"
#include "brevra/platform/platform.h"

namespace BREVRA_API brevra {

// A 32-bit boolean as the key table stores it: -1 (all bits set) pressed, 0 released.
using BOOL32 = std::int32_t;
inline constexpr BOOL32 KEY_DOWN = -1;
inline constexpr BOOL32 KEY_UP = 0;

struct TMousePoint {
  std::int32_t X = 0;
  std::int32_t Y = 0;
};

// The command hook: shaped like a window procedure; its result is ignored.
using TInputCommand = std::int32_t (*)(platform::HWND, std::int32_t, std::int32_t, std::int32_t);

// ---- input state ----
extern geometry::IndexedArray<BOOL32, 0, 500> SetKey;  // indexed by virtual-key code
extern bool LeftMouseDown;
extern bool LeftMouseDown2;  // follows LeftMouseDown, for clients
extern bool RightMouseDown;
extern bool RightMouseDown2;         // follows RightMouseDown, for clients
extern bool MouseFree;               // free-look mode; every key release ends it
extern std::int32_t SetMX, SetMY;    // client position of the last left press (0 after release)
extern std::int32_t SetOMX, SetOMY;  // client position of the last mouse move
extern std::int32_t XCoord, YCoord;  // anchor of the left drag
extern std::int32_t ZCoord;          // anchor (vertical) of the right drag
extern TMousePoint MPos;             // cursor in screen coordinates (free-look)
extern std::int32_t MSpeed;          // mouse speed factor, set by SetGLMouseMove

// ---- camera values (degrees; Depth applied as a translation by -Depth) ----
extern float XRot, YRot;
extern float XRot2, YRot2;  // updated by the same rules, for clients
extern float Depth;
extern float Depth2;

// ---- frames-per-second title ----
inline constexpr std::int32_t FPS_TIMER = 1;
inline constexpr std::int32_t FPS_INTERVAL = 5000;
inline constexpr std::int32_t FPS_ONE_SECOND = 1000;
extern std::int32_t FPSCount;  // frames counted by the client since the last update
extern std::string FPSCountStr;
extern std::int32_t ForceFPS;
extern std::int32_t AddForceFPS;     // target for nudging ForceFPS; off while 1 or less
extern std::int32_t AddIntervalFPS;  // divisor (the timer period in milliseconds)
extern bool ViewFPS;

// ---- client hooks ----
using BrvProcedure = void (*)();
extern BrvProcedure CreateMouseMenu;   // context-menu request, when ShowMenuBar
extern TInputCommand GetInputCommand;  // WM_COMMAND, when ShowMenuBar

// The message record SetGLMsg uses.
extern platform::MSG Msg_;

// The procedure of the "GLWindow" class.
platform::LRESULT GLWndProc(platform::HWND Window, std::int32_t AMessage, std::int32_t WParam,
                            std::int32_t LParam);
// Handles at most one pending message of the thread and returns at once.
void SetGLMsg();
// Records a new client size in Width and Height; viewport and projection follow at the next
// OpenGL_Init or OpenGL_I2D.
void GLResizeWindow(std::int32_t W, std::int32_t H);

}  // namespace brevra
