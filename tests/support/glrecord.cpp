// Test support: the GL recording layer. See glrecord.h.
//
// Each interposed entry point has the exact prototype of <GL/gl.h> / <GL/glu.h>; it logs the
// call and forwards to the next definition in the link order (the real library) found with
// dlsym(RTLD_NEXT). To observe another entry point, add one definition below.
#include "tests/support/glrecord.h"

#include <GL/gl.h>   // Required for: the prototypes being interposed
#include <GL/glu.h>  // Required for: gluPerspective, gluBuild2DMipmaps
#include <dlfcn.h>   // Required for: dlsym(RTLD_NEXT)

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace brevra::test::glrec {
namespace {

std::vector<Call> g_calls;
bool g_recording = false;
int g_nested = 0;  // > 0 while a recorded GLU call runs: its inner GL calls are not logged

struct Arg {
  std::vector<double> values;
  std::string text;
};

std::string num(double v) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}
std::string numf(float v) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

const std::map<unsigned, const char*>& enumNames() {
  static const std::map<unsigned, const char*> names = {
      {0x0200, "GL_NEVER"},
      {0x0201, "GL_LESS"},
      {0x0202, "GL_EQUAL"},
      {0x0203, "GL_LEQUAL"},
      {0x0204, "GL_GREATER"},
      {0x0205, "GL_NOTEQUAL"},
      {0x0206, "GL_GEQUAL"},
      {0x0207, "GL_ALWAYS"},
      {0x0300, "GL_SRC_COLOR"},
      {0x0301, "GL_ONE_MINUS_SRC_COLOR"},
      {0x0302, "GL_SRC_ALPHA"},
      {0x0303, "GL_ONE_MINUS_SRC_ALPHA"},
      {0x0304, "GL_DST_ALPHA"},
      {0x0305, "GL_ONE_MINUS_DST_ALPHA"},
      {0x0306, "GL_DST_COLOR"},
      {0x0307, "GL_ONE_MINUS_DST_COLOR"},
      {0x0308, "GL_SRC_ALPHA_SATURATE"},
      {0x0404, "GL_FRONT"},
      {0x0405, "GL_BACK"},
      {0x0408, "GL_FRONT_AND_BACK"},
      {0x0900, "GL_CW"},
      {0x0901, "GL_CCW"},
      {0x0B10, "GL_POINT_SMOOTH"},
      {0x0B20, "GL_LINE_SMOOTH"},
      {0x0B41, "GL_POLYGON_SMOOTH"},
      {0x0B44, "GL_CULL_FACE"},
      {0x0B50, "GL_LIGHTING"},
      {0x0B51, "GL_LIGHT_MODEL_LOCAL_VIEWER"},
      {0x0B52, "GL_LIGHT_MODEL_TWO_SIDE"},
      {0x0B53, "GL_LIGHT_MODEL_AMBIENT"},
      {0x0B54, "GL_SHADE_MODEL"},
      {0x0B57, "GL_COLOR_MATERIAL"},
      {0x0B60, "GL_FOG"},
      {0x0B71, "GL_DEPTH_TEST"},
      {0x0BC0, "GL_ALPHA_TEST"},
      {0x0BE2, "GL_BLEND"},
      {0x0C11, "GL_SCISSOR_TEST"},
      {0x0C50, "GL_PERSPECTIVE_CORRECTION_HINT"},
      {0x0C51, "GL_POINT_SMOOTH_HINT"},
      {0x0C52, "GL_LINE_SMOOTH_HINT"},
      {0x0C53, "GL_POLYGON_SMOOTH_HINT"},
      {0x0C54, "GL_FOG_HINT"},
      {0x0C60, "GL_TEXTURE_GEN_S"},
      {0x0C61, "GL_TEXTURE_GEN_T"},
      {0x0CF2, "GL_UNPACK_ROW_LENGTH"},
      {0x0CF5, "GL_UNPACK_ALIGNMENT"},
      {0x0D05, "GL_PACK_ALIGNMENT"},
      {0x0D80, "GL_AUTO_NORMAL"},
      {0x0DE1, "GL_TEXTURE_2D"},
      {0x1100, "GL_DONT_CARE"},
      {0x1101, "GL_FASTEST"},
      {0x1102, "GL_NICEST"},
      {0x1200, "GL_AMBIENT"},
      {0x1201, "GL_DIFFUSE"},
      {0x1202, "GL_SPECULAR"},
      {0x1203, "GL_POSITION"},
      {0x1204, "GL_SPOT_DIRECTION"},
      {0x1205, "GL_SPOT_EXPONENT"},
      {0x1206, "GL_SPOT_CUTOFF"},
      {0x1207, "GL_CONSTANT_ATTENUATION"},
      {0x1208, "GL_LINEAR_ATTENUATION"},
      {0x1209, "GL_QUADRATIC_ATTENUATION"},
      {0x1300, "GL_COMPILE"},
      {0x1301, "GL_COMPILE_AND_EXECUTE"},
      {0x1400, "GL_BYTE"},
      {0x1401, "GL_UNSIGNED_BYTE"},
      {0x1402, "GL_SHORT"},
      {0x1403, "GL_UNSIGNED_SHORT"},
      {0x1404, "GL_INT"},
      {0x1405, "GL_UNSIGNED_INT"},
      {0x1406, "GL_FLOAT"},
      {0x1600, "GL_EMISSION"},
      {0x1601, "GL_SHININESS"},
      {0x1602, "GL_AMBIENT_AND_DIFFUSE"},
      {0x1700, "GL_MODELVIEW"},
      {0x1701, "GL_PROJECTION"},
      {0x1702, "GL_TEXTURE"},
      {0x1900, "GL_COLOR_INDEX"},
      {0x1906, "GL_ALPHA"},
      {0x1907, "GL_RGB"},
      {0x1908, "GL_RGBA"},
      {0x1909, "GL_LUMINANCE"},
      {0x190A, "GL_LUMINANCE_ALPHA"},
      {0x1D00, "GL_FLAT"},
      {0x1D01, "GL_SMOOTH"},
      {0x2100, "GL_MODULATE"},
      {0x2101, "GL_DECAL"},
      {0x2200, "GL_TEXTURE_ENV_MODE"},
      {0x2300, "GL_TEXTURE_ENV"},
      {0x2600, "GL_NEAREST"},
      {0x2601, "GL_LINEAR"},
      {0x2700, "GL_NEAREST_MIPMAP_NEAREST"},
      {0x2701, "GL_LINEAR_MIPMAP_NEAREST"},
      {0x2702, "GL_NEAREST_MIPMAP_LINEAR"},
      {0x2703, "GL_LINEAR_MIPMAP_LINEAR"},
      {0x2800, "GL_TEXTURE_MAG_FILTER"},
      {0x2801, "GL_TEXTURE_MIN_FILTER"},
      {0x2802, "GL_TEXTURE_WRAP_S"},
      {0x2803, "GL_TEXTURE_WRAP_T"},
      {0x2900, "GL_CLAMP"},
      {0x2901, "GL_REPEAT"},
      {0x4000, "GL_LIGHT0"},
      {0x4001, "GL_LIGHT1"},
      {0x4002, "GL_LIGHT2"},
      {0x4003, "GL_LIGHT3"},
      {0x4004, "GL_LIGHT4"},
      {0x4005, "GL_LIGHT5"},
      {0x4006, "GL_LIGHT6"},
      {0x4007, "GL_LIGHT7"},
      {0x803A, "GL_RESCALE_NORMAL"},
      {0x80E0, "GL_BGR"},
      {0x80E1, "GL_BGRA"},
      {0x812F, "GL_CLAMP_TO_EDGE"},
      {0x8191, "GL_GENERATE_MIPMAP"},
  };
  return names;
}

Arg Enum(GLenum e) { return {{double(e)}, EnumName(e)}; }
Arg Mode(GLenum m) {
  static const char* const modes[] = {
      "GL_POINTS",         "GL_LINES",        "GL_LINE_LOOP", "GL_LINE_STRIP", "GL_TRIANGLES",
      "GL_TRIANGLE_STRIP", "GL_TRIANGLE_FAN", "GL_QUADS",     "GL_QUAD_STRIP", "GL_POLYGON"};
  return {{double(m)}, m < 10 ? modes[m] : EnumName(m)};
}
// Blend factors: GL_ZERO and GL_ONE share their values with other names.
Arg Blend(GLenum f) {
  if (f == 0) return {{0.0}, "GL_ZERO"};
  if (f == 1) return {{1.0}, "GL_ONE"};
  return Enum(f);
}
Arg Bool(GLboolean b) { return {{double(b)}, b ? "GL_TRUE" : "GL_FALSE"}; }
Arg Int(GLint i) { return {{double(i)}, std::to_string(i)}; }
Arg Uint(GLuint u) { return {{double(u)}, std::to_string(u)}; }
Arg Flt(GLfloat f) { return {{double(f)}, numf(f)}; }
Arg Dbl(GLdouble d) { return {{d}, num(d)}; }
// An int that names an enumerant when it is one (texture parameters, internal formats > 4).
Arg IntOrEnum(GLint i) {
  auto it = enumNames().find(static_cast<unsigned>(i));
  if (i > 4 && it != enumNames().end()) return {{double(i)}, it->second};
  return Int(i);
}
Arg Bits(GLbitfield b) {
  static const std::pair<unsigned, const char*> bits[] = {
      {0x00000001, "GL_CURRENT_BIT"},      {0x00000008, "GL_POLYGON_BIT"},
      {0x00000040, "GL_LIGHTING_BIT"},     {0x00000100, "GL_DEPTH_BUFFER_BIT"},
      {0x00000200, "GL_ACCUM_BUFFER_BIT"}, {0x00000400, "GL_STENCIL_BUFFER_BIT"},
      {0x00000800, "GL_VIEWPORT_BIT"},     {0x00001000, "GL_TRANSFORM_BIT"},
      {0x00002000, "GL_ENABLE_BIT"},       {0x00004000, "GL_COLOR_BUFFER_BIT"},
      {0x00008000, "GL_HINT_BIT"},         {0x00040000, "GL_TEXTURE_BIT"},
  };
  if (b == 0xFFFFFFFFu) return {{double(b)}, "GL_ALL_ATTRIB_BITS"};
  std::string text;
  unsigned rest = b;
  for (const auto& [bit, name] : bits) {
    if (rest & bit) {
      if (!text.empty()) text += " | ";
      text += name;
      rest &= ~bit;
    }
  }
  if (rest != 0 || text.empty()) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", rest);
    if (!text.empty()) text += " | ";
    text += buf;
  }
  return {{double(b)}, text};
}
Arg Floats(const GLfloat* v, int n) {
  Arg a;
  a.text = "[";
  for (int i = 0; i < n; ++i) {
    a.values.push_back(v ? double(v[i]) : 0.0);
    if (i) a.text += ", ";
    a.text += v ? numf(v[i]) : "null";
  }
  a.text += "]";
  return a;
}
Arg Ptr(const void* p) { return {{}, p ? "ptr" : "null"}; }

int lightValues(GLenum pname) {
  switch (pname) {
    case GL_AMBIENT:
    case GL_DIFFUSE:
    case GL_SPECULAR:
    case GL_POSITION:
    case GL_EMISSION:
    case GL_AMBIENT_AND_DIFFUSE:
    case GL_LIGHT_MODEL_AMBIENT:
      return 4;
    case GL_SPOT_DIRECTION:
      return 3;
    default:
      return 1;
  }
}

bool logging() { return g_recording && g_nested == 0; }

Call& record(const char* name, std::initializer_list<Arg> args) {
  Call c;
  c.name = name;
  c.text = std::string(name) + "(";
  bool first = true;
  for (const Arg& a : args) {
    if (!first) c.text += ", ";
    first = false;
    c.text += a.text;
    c.args.insert(c.args.end(), a.values.begin(), a.values.end());
  }
  c.text += ")";
  g_calls.push_back(std::move(c));
  return g_calls.back();
}

template <typename F>
F next(F*, const char* name) {
  void* sym = dlsym(RTLD_NEXT, name);
  if (sym == nullptr) {
    // The linker drops libGLU when every GLU call the program makes is defined here: open it.
    static void* glu = dlopen("libGLU.so.1", RTLD_NOW | RTLD_GLOBAL);
    if (glu != nullptr) sym = dlsym(glu, name);
  }
  if (sym == nullptr) {
    std::fprintf(stderr, "glrecord: the real %s was not found\n", name);
    std::abort();
  }
  return reinterpret_cast<F>(sym);
}

}  // namespace

void Start() {
  g_calls.clear();
  g_recording = true;
}
void Stop() { g_recording = false; }
bool Recording() { return g_recording; }
void Clear() { g_calls.clear(); }
const std::vector<Call>& Calls() { return g_calls; }

std::vector<std::string> Trace() {
  std::vector<std::string> out;
  out.reserve(g_calls.size());
  for (const Call& c : g_calls) out.push_back(c.text);
  return out;
}

std::string TraceText() {
  std::string out;
  for (const Call& c : g_calls) {
    out += c.text;
    out += '\n';
  }
  return out;
}

std::vector<Call> Named(std::string_view name) {
  std::vector<Call> out;
  for (const Call& c : g_calls) {
    if (c.name == name) out.push_back(c);
  }
  return out;
}

std::size_t Count(std::string_view name) {
  std::size_t n = 0;
  for (const Call& c : g_calls) n += (c.name == name);
  return n;
}

std::size_t Find(std::string_view text, std::size_t from) {
  for (std::size_t i = from; i < g_calls.size(); ++i) {
    if (g_calls[i].text == text) return i;
  }
  return npos;
}

std::string EnumName(unsigned value) {
  auto it = enumNames().find(value);
  if (it != enumNames().end()) return it->second;
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%04X", value);
  return buf;
}

}  // namespace brevra::test::glrec

// ---------------------------------------------------------------------------------------------
// The interposed entry points
// ---------------------------------------------------------------------------------------------
using namespace brevra::test::glrec;

#define REAL(fn) static const auto real = next<decltype(&::fn)>(nullptr, #fn)
#define LOG(fn, ...) \
  if (logging()) record(#fn, {__VA_ARGS__})

extern "C" {

// ---- primitives and vertex attributes ----
void glBegin(GLenum mode) {
  REAL(glBegin);
  LOG(glBegin, Mode(mode));
  real(mode);
}
void glEnd() {
  REAL(glEnd);
  LOG(glEnd);
  real();
}
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
  REAL(glVertex3f);
  LOG(glVertex3f, Flt(x), Flt(y), Flt(z));
  real(x, y, z);
}
void glVertex2f(GLfloat x, GLfloat y) {
  REAL(glVertex2f);
  LOG(glVertex2f, Flt(x), Flt(y));
  real(x, y);
}
void glNormal3f(GLfloat x, GLfloat y, GLfloat z) {
  REAL(glNormal3f);
  LOG(glNormal3f, Flt(x), Flt(y), Flt(z));
  real(x, y, z);
}
void glTexCoord2f(GLfloat s, GLfloat t) {
  REAL(glTexCoord2f);
  LOG(glTexCoord2f, Flt(s), Flt(t));
  real(s, t);
}
void glColor3f(GLfloat r, GLfloat g, GLfloat b) {
  REAL(glColor3f);
  LOG(glColor3f, Flt(r), Flt(g), Flt(b));
  real(r, g, b);
}
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
  REAL(glColor4f);
  LOG(glColor4f, Flt(r), Flt(g), Flt(b), Flt(a));
  real(r, g, b, a);
}

// ---- display lists ----
GLuint glGenLists(GLsizei range) {
  REAL(glGenLists);
  GLuint first = real(range);
  if (logging()) record("glGenLists", {Int(range)}).result = first;
  return first;
}
void glNewList(GLuint list, GLenum mode) {
  REAL(glNewList);
  LOG(glNewList, Uint(list), Enum(mode));
  real(list, mode);
}
void glEndList() {
  REAL(glEndList);
  LOG(glEndList);
  real();
}
void glCallList(GLuint list) {
  REAL(glCallList);
  LOG(glCallList, Uint(list));
  real(list);
}
void glDeleteLists(GLuint list, GLsizei range) {
  REAL(glDeleteLists);
  LOG(glDeleteLists, Uint(list), Int(range));
  real(list, range);
}

// ---- matrices and viewport ----
void glMatrixMode(GLenum mode) {
  REAL(glMatrixMode);
  LOG(glMatrixMode, Enum(mode));
  real(mode);
}
void glLoadIdentity() {
  REAL(glLoadIdentity);
  LOG(glLoadIdentity);
  real();
}
void glPushMatrix() {
  REAL(glPushMatrix);
  LOG(glPushMatrix);
  real();
}
void glPopMatrix() {
  REAL(glPopMatrix);
  LOG(glPopMatrix);
  real();
}
void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
  REAL(glTranslatef);
  LOG(glTranslatef, Flt(x), Flt(y), Flt(z));
  real(x, y, z);
}
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
  REAL(glRotatef);
  LOG(glRotatef, Flt(angle), Flt(x), Flt(y), Flt(z));
  real(angle, x, y, z);
}
void glScalef(GLfloat x, GLfloat y, GLfloat z) {
  REAL(glScalef);
  LOG(glScalef, Flt(x), Flt(y), Flt(z));
  real(x, y, z);
}
void glMultMatrixf(const GLfloat* m) {
  REAL(glMultMatrixf);
  LOG(glMultMatrixf, Floats(m, 16));
  real(m);
}
void glOrtho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) {
  REAL(glOrtho);
  LOG(glOrtho, Dbl(l), Dbl(r), Dbl(b), Dbl(t), Dbl(n), Dbl(f));
  real(l, r, b, t, n, f);
}
void glViewport(GLint x, GLint y, GLsizei w, GLsizei h) {
  REAL(glViewport);
  LOG(glViewport, Int(x), Int(y), Int(w), Int(h));
  real(x, y, w, h);
}

// ---- state ----
void glPushAttrib(GLbitfield mask) {
  REAL(glPushAttrib);
  LOG(glPushAttrib, Bits(mask));
  real(mask);
}
void glPopAttrib() {
  REAL(glPopAttrib);
  LOG(glPopAttrib);
  real();
}
void glEnable(GLenum cap) {
  REAL(glEnable);
  LOG(glEnable, Enum(cap));
  real(cap);
}
void glDisable(GLenum cap) {
  REAL(glDisable);
  LOG(glDisable, Enum(cap));
  real(cap);
}
void glHint(GLenum target, GLenum mode) {
  REAL(glHint);
  LOG(glHint, Enum(target), Enum(mode));
  real(target, mode);
}
void glClear(GLbitfield mask) {
  REAL(glClear);
  LOG(glClear, Bits(mask));
  real(mask);
}
void glClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
  REAL(glClearColor);
  LOG(glClearColor, Flt(r), Flt(g), Flt(b), Flt(a));
  real(r, g, b, a);
}
void glClearDepth(GLclampd depth) {
  REAL(glClearDepth);
  LOG(glClearDepth, Dbl(depth));
  real(depth);
}
void glDepthFunc(GLenum func) {
  REAL(glDepthFunc);
  LOG(glDepthFunc, Enum(func));
  real(func);
}
void glDepthMask(GLboolean flag) {
  REAL(glDepthMask);
  LOG(glDepthMask, Bool(flag));
  real(flag);
}
void glCullFace(GLenum mode) {
  REAL(glCullFace);
  LOG(glCullFace, Enum(mode));
  real(mode);
}
void glFrontFace(GLenum mode) {
  REAL(glFrontFace);
  LOG(glFrontFace, Enum(mode));
  real(mode);
}
void glShadeModel(GLenum mode) {
  REAL(glShadeModel);
  LOG(glShadeModel, Enum(mode));
  real(mode);
}
void glAlphaFunc(GLenum func, GLclampf ref) {
  REAL(glAlphaFunc);
  LOG(glAlphaFunc, Enum(func), Flt(ref));
  real(func, ref);
}
void glBlendFunc(GLenum sfactor, GLenum dfactor) {
  REAL(glBlendFunc);
  LOG(glBlendFunc, Blend(sfactor), Blend(dfactor));
  real(sfactor, dfactor);
}
void glPointSize(GLfloat size) {
  REAL(glPointSize);
  LOG(glPointSize, Flt(size));
  real(size);
}
void glLineWidth(GLfloat width) {
  REAL(glLineWidth);
  LOG(glLineWidth, Flt(width));
  real(width);
}

// ---- lights and materials ----
void glLightModeli(GLenum pname, GLint param) {
  REAL(glLightModeli);
  LOG(glLightModeli, Enum(pname), Int(param));
  real(pname, param);
}
void glLightfv(GLenum light, GLenum pname, const GLfloat* params) {
  REAL(glLightfv);
  LOG(glLightfv, Enum(light), Enum(pname), Floats(params, lightValues(pname)));
  real(light, pname, params);
}
void glLightf(GLenum light, GLenum pname, GLfloat param) {
  REAL(glLightf);
  LOG(glLightf, Enum(light), Enum(pname), Flt(param));
  real(light, pname, param);
}
void glMaterialfv(GLenum face, GLenum pname, const GLfloat* params) {
  REAL(glMaterialfv);
  LOG(glMaterialfv, Enum(face), Enum(pname), Floats(params, lightValues(pname)));
  real(face, pname, params);
}
void glMaterialf(GLenum face, GLenum pname, GLfloat param) {
  REAL(glMaterialf);
  LOG(glMaterialf, Enum(face), Enum(pname), Flt(param));
  real(face, pname, param);
}

// ---- textures ----
void glGenTextures(GLsizei n, GLuint* textures) {
  REAL(glGenTextures);
  real(n, textures);
  if (logging()) record("glGenTextures", {Int(n)}).result = (n > 0 && textures) ? textures[0] : 0;
}
void glBindTexture(GLenum target, GLuint texture) {
  REAL(glBindTexture);
  LOG(glBindTexture, Enum(target), Uint(texture));
  real(target, texture);
}
void glDeleteTextures(GLsizei n, const GLuint* textures) {
  REAL(glDeleteTextures);
  LOG(glDeleteTextures, Int(n));
  real(n, textures);
}
void glPixelStorei(GLenum pname, GLint param) {
  REAL(glPixelStorei);
  LOG(glPixelStorei, Enum(pname), Int(param));
  real(pname, param);
}
void glTexParameteri(GLenum target, GLenum pname, GLint param) {
  REAL(glTexParameteri);
  LOG(glTexParameteri, Enum(target), Enum(pname), IntOrEnum(param));
  real(target, pname, param);
}
void glTexEnvi(GLenum target, GLenum pname, GLint param) {
  REAL(glTexEnvi);
  LOG(glTexEnvi, Enum(target), Enum(pname), IntOrEnum(param));
  real(target, pname, param);
}
void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const GLvoid* pixels) {
  REAL(glTexImage2D);
  LOG(glTexImage2D, Enum(target), Int(level), IntOrEnum(internalFormat), Int(width), Int(height),
      Int(border), Enum(format), Enum(type), Ptr(pixels));
  real(target, level, internalFormat, width, height, border, format, type, pixels);
}

// ---- GLU (its own inner GL calls are forwarded without being logged) ----
void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
  REAL(gluPerspective);
  LOG(gluPerspective, Dbl(fovy), Dbl(aspect), Dbl(zNear), Dbl(zFar));
  ++g_nested;
  real(fovy, aspect, zNear, zFar);
  --g_nested;
}
GLint gluBuild2DMipmaps(GLenum target, GLint internalFormat, GLsizei width, GLsizei height,
                        GLenum format, GLenum type, const void* data) {
  REAL(gluBuild2DMipmaps);
  LOG(gluBuild2DMipmaps, Enum(target), IntOrEnum(internalFormat), Int(width), Int(height),
      Enum(format), Enum(type), Ptr(data));
  ++g_nested;
  GLint r = real(target, internalFormat, width, height, format, type, data);
  --g_nested;
  return r;
}

}  // extern "C"
