// Test support: a recording layer between the library and the real libGL / libGLU.
//
// Linking tests/support/glrecord.cpp into a test program interposes the GL entry points the
// library uses: each call is logged (when recording is on) and then forwarded to the real
// function, so one test both observes the exact call stream and renders real pixels.
// Calls that GLU makes inside a recorded GLU call are forwarded but not logged.
//
// The log reads like a trace:  glBegin(GL_TRIANGLE_STRIP)   glNormal3f(0, 0, 1)
//                              glLightfv(GL_LIGHT0, GL_POSITION, [-10, 14.5, 5, 0.1])
// Floats are printed in their shortest round-trip form.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace brevra::test::glrec {

struct Call {
  std::string name;          // "glBegin"
  std::vector<double> args;  // every scalar argument (array contents flattened in order)
  std::string text;          // "glBegin(GL_TRIANGLE_STRIP)"
  double result = 0;         // glGenLists' answer, the first name of glGenTextures
};

// Clears the log and starts recording.
void Start();
// Stops recording (the log is kept).
void Stop();
bool Recording();
void Clear();

const std::vector<Call>& Calls();
// The log's texts, one per call.
std::vector<std::string> Trace();
// The same joined with newlines (handy in assertion messages).
std::string TraceText();
// Only the calls with this name.
std::vector<Call> Named(std::string_view name);
std::size_t Count(std::string_view name);
// Index of the first call whose text equals `text` at or after `from`, or npos.
std::size_t Find(std::string_view text, std::size_t from = 0);
inline constexpr std::size_t npos = static_cast<std::size_t>(-1);

// The symbolic name the trace uses for an enumerant ("GL_LIGHT0"), or the hex value.
std::string EnumName(unsigned value);

// RAII: records during its lifetime.
class Scope {
 public:
  Scope() { Start(); }
  ~Scope() { Stop(); }
  Scope(const Scope&) = delete;
  Scope& operator=(const Scope&) = delete;
};

}  // namespace brevra::test::glrec
