// Brevra platform layer: controls of the headless backend (no display needed).
//
// The headless backend is a consistent platform: windows keep their position, size, title and
// visibility; there is a screen of configurable size, a cursor, capture, focus, timers; OpenGL
// is real (Mesa through EGL pbuffers, one per top-level window, sized to its client area);
// SwapBuffers is counted. Input is injected here and travels the same path as the SDL
// backend's native events: it is routed (capture window, child under the pointer) and queued as
// the same window messages.
//
// Message boxes ask the responder; with none installed they answer 0 (no box could be shown).
// Every box asked for is recorded, responder or not.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "brevra/export.h"
#include "brevra/platform/platform.h"

namespace BREVRA_API brevra {
namespace platform::headless {

// Screen size used by GetSystemMetrics and full-screen windows (default 1024 x 768). Set it
// before creating windows.
void SetScreenSize(std::int32_t width, std::int32_t height);

// ---- message boxes ----
struct MessageBoxCall {
  HWND owner = 0;
  std::string text;     // the bytes as given (Windows-1252)
  std::string caption;  // the bytes as given (Windows-1252)
  UINT type = 0;
};
using MessageBoxResponder = std::function<std::int32_t(const MessageBoxCall&)>;
// Installs the responder (an empty function removes it).
void SetMessageBoxResponder(MessageBoxResponder responder);
// Answers every box with `answer`.
void AnswerMessageBoxes(std::int32_t answer);
const std::vector<MessageBoxCall>& MessageBoxLog();
void ClearMessageBoxLog();

// ---- injected input (coordinates are screen coordinates, like a real pointer) ----
void InjectMouseMove(std::int32_t screenX, std::int32_t screenY);
// button: 0 left, 1 right, 2 middle. The press/release happens at the current cursor position.
void InjectMouseButton(int button, bool down);
void InjectMouseDoubleClick(int button);
// Key with a virtual-key code; `repeat` marks an auto-repeat key-down.
void InjectKey(std::int32_t virtualKey, bool down, bool repeat = false);
// The user asks the window system to close the top-level window (caption button).
void InjectCloseRequest(HWND hwnd);
// The user minimises / restores the top-level window (WM_SIZE 0 x 0, then the client size).
void InjectMinimize(HWND hwnd);
void InjectRestore(HWND hwnd);
// The window system destroys the window at once (as when its owner process is told to end).
void InjectSystemDestroy(HWND hwnd);
// The user switches to another application (the window stops being the foreground window), and
// back to the window.
void InjectDeactivate(HWND hwnd);
void InjectActivate(HWND hwnd);
// Queues an input step (injections, or anything a test wants done at that moment) to run at a
// later look at the message queue: each look (PeekMessage, GetMessage, and each turn of a
// TrackPopupMenu loop) runs the next step. This is how input reaches a pop-up menu, whose loop
// holds the caller until the menu closes; a loop with nothing left queued dismisses the menu.
void QueueInput(std::function<void()> step);
std::size_t QueuedInput();  // steps not run yet
// Advances the headless clock (timers fire when due). The clock starts at 0 and only moves here.
void AdvanceClock(std::uint32_t milliseconds);
std::uint32_t ClockMs();

// ---- observation ----
std::uint64_t SwapCount(HWND hwnd);
std::uint64_t TotalSwapCount();
// Number of live platform objects of any kind (windows, DCs, contexts, GDI objects).
std::size_t LiveObjectCount();
HCURSOR ClassCursor(HWND hwnd);
HICON ClassIcon(HWND hwnd);
// The predefined cursor id (IDC_*) a cursor handle stands for, or 0.
std::int32_t CursorId(HCURSOR cursor);

}  // namespace platform::headless
}  // namespace brevra
