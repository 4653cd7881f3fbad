// The funnel through which the library's drawing code sends the GL commands that shape geometry.
//
// Each function calls the OpenGL entry point of the same name, unchanged, and then, only while a
// listener is installed, hands the listener the same command as a small record. With no listener
// (the normal case) the cost is one predictable branch per command. The mesh capture
// (brevra/mesh) installs a listener to record what the generators put into display lists, so the
// exported triangles come from the very calls that fill the lists.
//
// Only the commands that decide what triangles are drawn, where and how they are cut out or
// culled pass through here: lists, primitives and their attributes, the matrix stack, the bound
// texture, capability switches, the alpha test, two-sided lighting and the attribute stack.
// Lighting colours, blending and the point size go to GL directly.
#pragma once

#include <GL/gl.h>  // Required for: the entry points forwarded to

#include <cstdint>

#include "brevra/export.h"

namespace BREVRA_API brevra {
namespace gl {

enum class Op : std::uint8_t {
  NewList,      // e0 list
  EndList,      //
  CallList,     // e0 list
  Begin,        // e0 mode
  End,          //
  Vertex,       // v[0..2]
  Normal,       // v[0..2]
  TexCoord,     // v[0..1]
  PushMatrix,   //
  PopMatrix,    //
  Translate,    // v[0..2]
  Rotate,       // v[0] angle in degrees, v[1..3] axis
  Scale,        // v[0..2]
  BindTexture,  // e0 target, e1 texture name
  Enable,       // e0 capability
  Disable,      // e0 capability
  AlphaFunc,    // e0 function, v[0] reference
  LightModel,   // e0 parameter, e1 value
  PushAttrib,   // e0 mask
  PopAttrib,    //
};

struct Command {
  Op op;
  std::uint32_t e0 = 0;
  std::uint32_t e1 = 0;
  float v[4] = {0, 0, 0, 0};
};

using Listener = void (*)(const Command& command);

// The installed listener; null: commands go to GL only. Defined here (one variable for the whole
// program), so a module that draws through the funnel needs no object of another module.
inline Listener CommandListener = nullptr;

inline void Tell(Op op, std::uint32_t e0 = 0, std::uint32_t e1 = 0, float v0 = 0, float v1 = 0,
                 float v2 = 0, float v3 = 0) {
  if (CommandListener != nullptr) [[unlikely]] {
    CommandListener(Command{op, e0, e1, {v0, v1, v2, v3}});
  }
}

// ---- lists ----
inline void NewList(GLuint list, GLenum mode) {
  glNewList(list, mode);
  Tell(Op::NewList, list, mode);
}
inline void EndList() {
  glEndList();
  Tell(Op::EndList);
}
inline void CallList(GLuint list) {
  glCallList(list);
  Tell(Op::CallList, list);
}

// ---- primitives ----
inline void Begin(GLenum mode) {
  glBegin(mode);
  Tell(Op::Begin, mode);
}
inline void End() {
  glEnd();
  Tell(Op::End);
}
inline void Vertex3f(GLfloat x, GLfloat y, GLfloat z) {
  glVertex3f(x, y, z);
  Tell(Op::Vertex, 0, 0, x, y, z);
}
inline void Normal3f(GLfloat x, GLfloat y, GLfloat z) {
  glNormal3f(x, y, z);
  Tell(Op::Normal, 0, 0, x, y, z);
}
inline void TexCoord2f(GLfloat s, GLfloat t) {
  glTexCoord2f(s, t);
  Tell(Op::TexCoord, 0, 0, s, t);
}

// ---- matrix stack ----
inline void PushMatrix() {
  glPushMatrix();
  Tell(Op::PushMatrix);
}
inline void PopMatrix() {
  glPopMatrix();
  Tell(Op::PopMatrix);
}
inline void Translatef(GLfloat x, GLfloat y, GLfloat z) {
  glTranslatef(x, y, z);
  Tell(Op::Translate, 0, 0, x, y, z);
}
inline void Rotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
  glRotatef(angle, x, y, z);
  Tell(Op::Rotate, 0, 0, angle, x, y, z);
}
inline void Scalef(GLfloat x, GLfloat y, GLfloat z) {
  glScalef(x, y, z);
  Tell(Op::Scale, 0, 0, x, y, z);
}

// ---- state ----
inline void BindTexture(GLenum target, GLuint texture) {
  glBindTexture(target, texture);
  Tell(Op::BindTexture, target, texture);
}
inline void Enable(GLenum cap) {
  glEnable(cap);
  Tell(Op::Enable, cap);
}
inline void Disable(GLenum cap) {
  glDisable(cap);
  Tell(Op::Disable, cap);
}
inline void AlphaFunc(GLenum func, GLclampf ref) {
  glAlphaFunc(func, ref);
  Tell(Op::AlphaFunc, func, 0, ref);
}
inline void LightModeli(GLenum pname, GLint param) {
  glLightModeli(pname, param);
  Tell(Op::LightModel, pname, static_cast<std::uint32_t>(param));
}
inline void PushAttrib(GLbitfield mask) {
  glPushAttrib(mask);
  Tell(Op::PushAttrib, mask);
}
inline void PopAttrib() {
  glPopAttrib();
  Tell(Op::PopAttrib);
}

}  // namespace gl
}  // namespace brevra
