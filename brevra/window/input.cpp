// The main window's procedure and input state (see input.h).
//
// Arithmetic of the mouse rules: differences are taken on integers, divided and multiplied in
// double precision, and each sum is rounded to single precision as it is stored.
//
// The frames-per-second product ForceFPS x 1000 x FPSCount is formed in 64-bit integers. A
// quotient outside the signed 32-bit range (a huge product, or a divisor of 0) saturates to the
// nearest end of that range; 0 / 0 gives 0 (and then the minimum figure 1).
#include "brevra/window/input.h"

#include <cmath>   // Required for: std::isnan, std::nearbyint
#include <limits>  // Required for: std::numeric_limits

#include "brevra/window/window.h"  // Required for: Active, Width, Height, HWindow, HStatus, ...

namespace brevra {

namespace pf = platform;

// ---------------------------------------------------------------------------------------------
// Module state
// ---------------------------------------------------------------------------------------------
geometry::IndexedArray<BOOL32, 0, 500> SetKey{};
bool LeftMouseDown = false;
bool LeftMouseDown2 = false;
bool RightMouseDown = false;
bool RightMouseDown2 = false;
bool MouseFree = false;
std::int32_t SetMX = 0, SetMY = 0;
std::int32_t SetOMX = 0, SetOMY = 0;
std::int32_t XCoord = 0, YCoord = 0;
std::int32_t ZCoord = 0;
TMousePoint MPos{};
std::int32_t MSpeed = 0;

float XRot = 0, YRot = 0;
float XRot2 = 0, YRot2 = 0;
float Depth = 0;
float Depth2 = 0;

std::int32_t FPSCount = 0;
std::string FPSCountStr;
std::int32_t ForceFPS = 1;
std::int32_t AddForceFPS = 0;
std::int32_t AddIntervalFPS = 5000;
bool ViewFPS = false;

BrvProcedure CreateMouseMenu = nullptr;
TInputCommand GetInputCommand = nullptr;

pf::MSG Msg_{};

namespace {

constexpr std::int32_t kEscape = 27;
constexpr float kFreeLookLimit = 60.0f;

// The client coordinates carried by a mouse message: two signed 16-bit halves.
std::int32_t LowSigned(std::int32_t lParam) { return static_cast<std::int16_t>(lParam & 0xFFFF); }
std::int32_t HighSigned(std::int32_t lParam) {
  return static_cast<std::int16_t>((static_cast<std::uint32_t>(lParam) >> 16) & 0xFFFF);
}
// A size carried by WM_SIZE: two unsigned 16-bit halves.
std::int32_t LowUnsigned(std::int32_t lParam) { return lParam & 0xFFFF; }
std::int32_t HighUnsigned(std::int32_t lParam) {
  return static_cast<std::int32_t>((static_cast<std::uint32_t>(lParam) >> 16) & 0xFFFF);
}

// value + diff / divisor x speed, in double precision, stored as a float.
float Step(float value, double diff, double divisor) {
  return static_cast<float>(static_cast<double>(value) + diff / divisor * MSpeed);
}

float ClampFreeLook(float value) {
  if (value > kFreeLookLimit) return kFreeLookLimit;
  if (value < -kFreeLookLimit) return -kFreeLookLimit;
  return value;
}

bool InKeyTable(std::int32_t key) {
  return key >= decltype(SetKey)::Low && key <= decltype(SetKey)::High;
}

std::int32_t SaturatingAdd(std::int32_t value, std::int32_t step) {
  const std::int64_t sum = static_cast<std::int64_t>(value) + step;
  if (sum > std::numeric_limits<std::int32_t>::max())
    return std::numeric_limits<std::int32_t>::max();
  if (sum < std::numeric_limits<std::int32_t>::min())
    return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(sum);
}

// round((ForceFPS x 1000 x FPSCount) / AddIntervalFPS), halves to even, within int32.
std::int32_t FramesPerSecond() {
  constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
  constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
  std::int64_t product = 0;
  const std::int64_t scaled = static_cast<std::int64_t>(ForceFPS) * FPS_ONE_SECOND;
  if (__builtin_mul_overflow(scaled, static_cast<std::int64_t>(FPSCount), &product)) {
    // |product| > 2^63 and |divisor| <= 2^31: the quotient is far outside int32 either way.
    const bool negative = ((scaled < 0) != (FPSCount < 0)) != (AddIntervalFPS < 0);
    return negative ? kMin : kMax;
  }
  const double quotient = static_cast<double>(product) / static_cast<double>(AddIntervalFPS);
  if (std::isnan(quotient)) return 0;
  const double rounded = std::nearbyint(quotient);  // the default mode: halves to even
  if (rounded >= static_cast<double>(kMax)) return kMax;
  if (rounded <= static_cast<double>(kMin)) return kMin;
  return static_cast<std::int32_t>(rounded);
}

void UpdateFPSTitle() {
  FPSCount = FramesPerSecond();
  if (AddForceFPS > 1) {
    if (FPSCount < AddForceFPS) ForceFPS = SaturatingAdd(ForceFPS, 1);
    if (FPSCount > AddForceFPS) ForceFPS = SaturatingAdd(ForceFPS, -1);
  }
  if (FPSCount < 1) FPSCount = 1;
  const std::string figure = std::to_string(FPSCount);
  const std::string title =
      std::string(SetTitleName ? SetTitleName : "") + " - FPS [" + figure + "]";
  pf::SetWindowText(HWindow, title.c_str());
  FPSCountStr = figure;
  FPSCount = 0;
}

void MouseMove(std::int32_t x, std::int32_t y) {
  SetOMX = x;
  SetOMY = y;
  if (LeftMouseDown) {
    const double dy = static_cast<double>(y - YCoord);
    const double dx = static_cast<double>(x - XCoord);
    XRot = Step(XRot, dy, 2.0);
    YRot = Step(YRot, dx, 2.0);
    XRot2 = Step(XRot2, dy, 2.0);
    YRot2 = Step(YRot2, dx, 2.0);
    XCoord = x;
    YCoord = y;
  }
  if (RightMouseDown && !MouseFree) {
    const double dz = static_cast<double>(y - ZCoord);
    Depth = Step(Depth, -dz, 10.0);
    Depth2 = Step(Depth2, -dz, 10.0);
    ZCoord = y;
  }
  if (MouseFree && pf::GetForegroundWindow() == HWindow) {
    pf::POINT cursor;
    pf::GetCursorPos(&cursor);
    MPos.X = cursor.x;
    MPos.Y = cursor.y;
    const std::int32_t cx = Width / 2;
    const std::int32_t cy = Height / 2;
    pf::SetCursorPos(cx, cy);
    const double ox = static_cast<double>(static_cast<std::int64_t>(MPos.X) - cx);
    const double oy = static_cast<double>(static_cast<std::int64_t>(cy) - MPos.Y);
    XRot = Step(XRot, ox, 100.0);
    YRot = ClampFreeLook(Step(YRot, -oy, 100.0));
    XRot2 = Step(XRot2, ox, 100.0);
    YRot2 = ClampFreeLook(Step(YRot2, -oy, 100.0));
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Window procedure
// ---------------------------------------------------------------------------------------------
pf::LRESULT GLWndProc(pf::HWND Window, std::int32_t AMessage, std::int32_t WParam,
                      std::int32_t LParam) {
  switch (AMessage) {
    case pf::WM_CREATE:
      Active = true;
      return 0;
    case pf::WM_DESTROY:
      Active = false;
      pf::PostQuitMessage(0);
      return 0;
    case pf::WM_SIZE:
      GLResizeWindow(LowUnsigned(LParam), HighUnsigned(LParam));
      break;
    case pf::WM_PAINT: {
      pf::PAINTSTRUCT ps;
      pf::BeginPaint(Window, &ps);
      pf::UpdateWindow(HStatus);
      pf::EndPaint(Window, &ps);
      return 0;
    }
    case pf::WM_CONTEXTMENU:
      if (ShowMenuBar && CreateMouseMenu) CreateMouseMenu();
      break;
    case pf::WM_KEYDOWN:
      if (WParam == kEscape) {
        pf::SendMessage(HWindow, pf::WM_DESTROY, 0, 0);
        return 0;
      }
      if (InKeyTable(WParam)) SetKey[WParam] = KEY_DOWN;
      break;
    case pf::WM_KEYUP:
      if (InKeyTable(WParam)) SetKey[WParam] = KEY_UP;
      MouseFree = false;
      break;
    case pf::WM_COMMAND:
      if (ShowMenuBar && GetInputCommand) GetInputCommand(Window, AMessage, WParam, LParam);
      return 0;
    case pf::WM_TIMER:
      if (ViewFPS && WParam == FPS_TIMER) UpdateFPSTitle();
      break;
    case pf::WM_MOUSEMOVE:
      MouseMove(LowSigned(LParam), HighSigned(LParam));
      break;
    case pf::WM_LBUTTONDOWN:
      pf::ReleaseCapture();
      pf::SetCapture(HWindow);
      LeftMouseDown = LeftMouseDown2 = true;
      XCoord = SetMX = LowSigned(LParam);
      YCoord = SetMY = HighSigned(LParam);
      break;
    case pf::WM_LBUTTONUP:
      pf::ReleaseCapture();
      LeftMouseDown = LeftMouseDown2 = false;
      XCoord = YCoord = SetMX = SetMY = 0;
      break;
    case pf::WM_RBUTTONDOWN:
      pf::ReleaseCapture();
      pf::SetCapture(HWindow);
      RightMouseDown = RightMouseDown2 = true;
      ZCoord = HighSigned(LParam);
      break;
    case pf::WM_RBUTTONUP:
      pf::ReleaseCapture();
      RightMouseDown = RightMouseDown2 = false;
      break;
    default:
      break;
  }
  // The common ending: with WParam 0 the status bar is repainted first.
  if (WParam == 0) pf::UpdateWindow(HStatus);
  return pf::DefWindowProc(Window, AMessage, WParam, LParam);
}

// ---------------------------------------------------------------------------------------------
// Message pump and size
// ---------------------------------------------------------------------------------------------
void SetGLMsg() {
  if (pf::PeekMessage(&Msg_, 0, 0, 0, pf::PM_NOREMOVE)) {
    // A quit message goes the same way as any other: dispatched to no window, it does nothing.
    pf::GetMessage(&Msg_, 0, 0, 0);
    pf::TranslateMessage(&Msg_);
    pf::DispatchMessage(&Msg_);
  }
}

void GLResizeWindow(std::int32_t W, std::int32_t H) {
  Width = W;
  Height = H;
}

}  // namespace brevra
