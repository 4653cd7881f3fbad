// Brevra platform layer: message boxes and the Windows-1252 text the system's strings use.
//
// The backend shows the box (a real dialog, or the headless responder); the shared part starts
// the platform on demand and keeps the answer to the values a caller may expect.
#include <string>

#include "brevra/platform/backend.h"
#include "brevra/platform/platform.h"
#include "brevra/platform/state.h"

namespace brevra::platform {
using namespace detail;

namespace detail {

std::string Cp1252ToUtf8(const char* text) {
  // 0x80..0x9F are the code page's own characters; the rest of the upper half is Latin-1.
  static constexpr char16_t kHigh[32] = {
      0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
  std::string out;
  if (text == nullptr) return out;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
    char32_t c = *p;
    if (c >= 0x80 && c < 0xA0) c = kHigh[c - 0x80];
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace detail

std::int32_t MessageBox(HWND owner, const char* text, const char* caption, UINT type) {
  if (!EnsureInitialized()) return 0;  // no platform: no box can be shown
  const std::int32_t answer =
      S().backend->messageBox(FindWindow(owner) != nullptr ? owner : 0, text != nullptr ? text : "",
                              caption != nullptr ? caption : "Error", type);
  switch (answer) {
    case IDOK:
    case IDCANCEL:
    case IDYES:
    case IDNO:
      return answer;
    default:
      return answer > 0 ? answer : 0;
  }
}

}  // namespace brevra::platform
