// Mesh capture: records the command funnel's commands per display list and replays them into
// triangles (see mesh.h).
//
// Replay follows what fixed-function GL does with the same commands: positions through the
// modelview matrix, normals through its inverse transpose (then made unit length, as the demo's
// GL_NORMALIZE does), primitives split into triangles with GL's vertex order, so the front face
// stays counter-clockwise. A zero normal (the centre of a leaf disc) becomes the unit normal of
// the triangle's plane; triangles with two equal corners or no area are dropped, since they
// draw nothing.
#include <GL/gl.h>  // Required for: the current state a replay starts from

#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <unordered_map>
#include <utility>
#include <vector>

#include "brevra/geometry/gl_stream.h"
#include "brevra/mesh/mesh.h"

namespace brevra {
namespace {

using Commands = std::vector<gl::Command>;

// ---------------------------------------------------------------------------------------------
// Recording
// ---------------------------------------------------------------------------------------------
std::map<std::uint32_t, Commands> g_lists;  // recorded lists by GL name
Commands g_immediate;                       // commands sent outside a list
Commands* g_target = &g_immediate;          // where the next command goes

void Record(const gl::Command& c) {
  if (c.op == gl::Op::NewList) {
    Commands& list = g_lists[c.e0];
    list.clear();
    g_target = &list;
    return;
  }
  if (c.op == gl::Op::EndList) {
    g_target = &g_immediate;
    return;
  }
  g_target->push_back(c);
}

// ---------------------------------------------------------------------------------------------
// Replay
// ---------------------------------------------------------------------------------------------
using Mat = std::array<double, 16>;  // column-major

Mat Multiply(const Mat& a, const Mat& b) {
  Mat r{};
  for (int c = 0; c < 4; ++c) {
    for (int row = 0; row < 4; ++row) {
      double s = 0;
      for (int k = 0; k < 4; ++k) s += a[k * 4 + row] * b[c * 4 + k];
      r[c * 4 + row] = s;
    }
  }
  return r;
}

Mat Translation(double x, double y, double z) {
  return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1};
}

Mat Scaling(double x, double y, double z) {
  return {x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, 1};
}

// glRotatef's matrix: `angle` degrees about the axis (x, y, z), normalised first.
Mat Rotation(double angle, double x, double y, double z) {
  const double len = std::sqrt(x * x + y * y + z * z);
  if (len == 0) return Scaling(1, 1, 1);
  x /= len, y /= len, z /= len;
  const double a = angle * 3.14159265358979323846 / 180.0;
  const double c = std::cos(a), s = std::sin(a), t = 1 - c;
  return {t * x * x + c,
          t * x * y + s * z,
          t * x * z - s * y,
          0,
          t * x * y - s * z,
          t * y * y + c,
          t * y * z + s * x,
          0,
          t * x * z + s * y,
          t * y * z - s * x,
          t * z * z + c,
          0,
          0,
          0,
          0,
          1};
}

struct Vec3 {
  double x, y, z;
};

Vec3 Sub(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 Cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double Length(Vec3 a) { return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z); }

// The state a replay tracks: what decides a triangle's place and material.
struct State {
  std::array<float, 3> normal{0, 0, 1};
  std::array<float, 2> tex{0, 0};
  std::uint32_t texture = 0;
  bool cull = false;
  bool alphaTest = false;
  float alphaRef = 0;
  bool twoSide = false;
};

struct Corner {
  Vec3 pos;
  Vec3 normal;  // transformed, not yet unit; zero stays zero
  std::array<float, 2> tex;
};

constexpr int kMaxNesting = 64;  // GL's smallest allowed list nesting limit

// A vertex's 32 bytes as a lookup key: equal bits, one vertex.
struct VertexKey {
  std::array<std::uint32_t, 8> bits;
  bool operator==(const VertexKey&) const = default;
};
static_assert(sizeof(MeshVertex) == sizeof(VertexKey));

struct VertexKeyHash {
  std::size_t operator()(const VertexKey& k) const {
    std::uint64_t h = 0x9E3779B97F4A7C15ull;
    for (const std::uint32_t w : k.bits) {
      h ^= w;
      h *= 0xBF58476D1CE4E5B9ull;
      h ^= h >> 29;
    }
    return static_cast<std::size_t>(h);
  }
};

VertexKey KeyOf(const MeshVertex& v) {
  VertexKey k;
  std::memcpy(k.bits.data(), &v, sizeof v);
  return k;
}

class Replay {
 public:
  Replay(Mesh& out, const MeshMatrix& m) : out_(out) {
    for (int i = 0; i < 16; ++i) matrix_[i] = m[i];
    ReadCurrentState();
  }

  bool complete = true;

  void Run(const Commands& commands, int depth) {
    for (const gl::Command& c : commands) Step(c, depth);
  }

  void RunList(std::uint32_t list, int depth) {
    if (depth >= kMaxNesting) return;  // GL ignores calls past the nesting limit
    const auto it = g_lists.find(list);
    if (it == g_lists.end()) {
      complete = false;
      return;
    }
    Run(it->second, depth + 1);
  }

 private:
  Mesh& out_;
  Mat matrix_{};
  std::vector<Mat> stack_;
  std::vector<std::pair<std::uint32_t, State>> attribs_;
  State s_;
  bool inPrimitive_ = false;
  std::uint32_t mode_ = 0;
  State primitiveState_;
  std::vector<Corner> corners_;
  // Vertex lookup per part: a vertex's bits -> its index.
  std::vector<std::unordered_map<VertexKey, std::uint32_t, VertexKeyHash>> lookup_;

  void ReadCurrentState() {
    GLfloat normal[4] = {0, 0, 1, 0}, tex[4] = {0, 0, 0, 1}, ref = 0;
    GLint texture = 0;
    glGetFloatv(GL_CURRENT_NORMAL, normal);
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, tex);
    glGetFloatv(GL_ALPHA_TEST_REF, &ref);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
    s_.normal = {normal[0], normal[1], normal[2]};
    s_.tex = {tex[0], tex[1]};
    s_.alphaRef = ref;
    s_.texture = static_cast<std::uint32_t>(texture);
    s_.cull = glIsEnabled(GL_CULL_FACE) == GL_TRUE;
    s_.alphaTest = glIsEnabled(GL_ALPHA_TEST) == GL_TRUE;
    GLint twoSide = 0;
    glGetIntegerv(GL_LIGHT_MODEL_TWO_SIDE, &twoSide);
    s_.twoSide = twoSide != 0;
  }

  void Switch(std::uint32_t cap, bool on) {
    if (cap == GL_CULL_FACE) s_.cull = on;
    if (cap == GL_ALPHA_TEST) s_.alphaTest = on;
  }

  void PopAttrib() {
    if (attribs_.empty()) return;
    const auto [mask, saved] = attribs_.back();
    attribs_.pop_back();
    if (mask & (GL_ENABLE_BIT | GL_POLYGON_BIT)) s_.cull = saved.cull;
    if (mask & (GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT)) s_.alphaTest = saved.alphaTest;
    if (mask & GL_COLOR_BUFFER_BIT) s_.alphaRef = saved.alphaRef;
    if (mask & GL_LIGHTING_BIT) s_.twoSide = saved.twoSide;
    if (mask & GL_CURRENT_BIT) {
      s_.normal = saved.normal;
      s_.tex = saved.tex;
    }
    if (mask & GL_TEXTURE_BIT) s_.texture = saved.texture;
  }

  void Step(const gl::Command& c, int depth) {
    using gl::Op;
    switch (c.op) {
      case Op::NewList:
      case Op::EndList:
        break;
      case Op::CallList:
        RunList(c.e0, depth);
        break;
      case Op::Begin:
        inPrimitive_ = true;
        mode_ = c.e0;
        primitiveState_ = s_;
        corners_.clear();
        break;
      case Op::End:
        if (inPrimitive_) Emit();
        inPrimitive_ = false;
        break;
      case Op::Vertex:
        if (inPrimitive_) AddCorner(c.v);
        break;
      case Op::Normal:
        s_.normal = {c.v[0], c.v[1], c.v[2]};
        break;
      case Op::TexCoord:
        s_.tex = {c.v[0], c.v[1]};
        break;
      case Op::PushMatrix:
        stack_.push_back(matrix_);
        break;
      case Op::PopMatrix:
        if (!stack_.empty()) {
          matrix_ = stack_.back();
          stack_.pop_back();
        }
        break;
      case Op::Translate:
        matrix_ = Multiply(matrix_, Translation(c.v[0], c.v[1], c.v[2]));
        break;
      case Op::Rotate:
        matrix_ = Multiply(matrix_, Rotation(c.v[0], c.v[1], c.v[2], c.v[3]));
        break;
      case Op::Scale:
        matrix_ = Multiply(matrix_, Scaling(c.v[0], c.v[1], c.v[2]));
        break;
      case Op::BindTexture:
        if (c.e0 == GL_TEXTURE_2D) s_.texture = c.e1;
        break;
      case Op::Enable:
      case Op::Disable:
        Switch(c.e0, c.op == Op::Enable);
        break;
      case Op::AlphaFunc:
        s_.alphaRef = c.v[0];
        break;
      case Op::LightModel:
        if (c.e0 == GL_LIGHT_MODEL_TWO_SIDE) s_.twoSide = c.e1 != 0;
        break;
      case Op::PushAttrib:
        attribs_.emplace_back(c.e0, s_);
        break;
      case Op::PopAttrib:
        PopAttrib();
        break;
    }
  }

  void AddCorner(const float* v) {
    const Mat& m = matrix_;
    const double x = v[0], y = v[1], z = v[2];
    const double w = m[3] * x + m[7] * y + m[11] * z + m[15];
    const double iw = w != 0 ? 1 / w : 1;
    const Vec3 pos = {(m[0] * x + m[4] * y + m[8] * z + m[12]) * iw,
                      (m[1] * x + m[5] * y + m[9] * z + m[13]) * iw,
                      (m[2] * x + m[6] * y + m[10] * z + m[14]) * iw};
    // Normal: the cofactor matrix of the upper 3 x 3 (the inverse transpose up to 1 / det).
    const double a = m[0], b = m[4], cc = m[8];
    const double d = m[1], e = m[5], f = m[9];
    const double g = m[2], h = m[6], i = m[10];
    const double det = a * (e * i - f * h) - b * (d * i - f * g) + cc * (d * h - e * g);
    const double sign = det < 0 ? -1 : 1;
    const double nx = s_.normal[0], ny = s_.normal[1], nz = s_.normal[2];
    const Vec3 n = {sign * ((e * i - f * h) * nx + (f * g - d * i) * ny + (d * h - e * g) * nz),
                    sign * ((cc * h - b * i) * nx + (a * i - cc * g) * ny + (b * g - a * h) * nz),
                    sign * ((b * f - cc * e) * nx + (cc * d - a * f) * ny + (a * e - b * d) * nz)};
    corners_.push_back({pos, n, s_.tex});
  }

  void Emit() {
    const std::size_t n = corners_.size();
    auto tri = [&](std::size_t i, std::size_t j, std::size_t k) {
      Triangle(corners_[i], corners_[j], corners_[k]);
    };
    switch (mode_) {
      case GL_TRIANGLES:
        for (std::size_t i = 0; i + 2 < n; i += 3) tri(i, i + 1, i + 2);
        break;
      case GL_TRIANGLE_STRIP:
        for (std::size_t i = 0; i + 2 < n; ++i) {
          if (i % 2 == 0) {
            tri(i, i + 1, i + 2);
          } else {
            tri(i + 1, i, i + 2);
          }
        }
        break;
      case GL_TRIANGLE_FAN:
      case GL_POLYGON:
        for (std::size_t i = 1; i + 1 < n; ++i) tri(0, i, i + 1);
        break;
      case GL_QUADS:
        for (std::size_t i = 0; i + 3 < n; i += 4) {
          tri(i, i + 1, i + 2);
          tri(i, i + 2, i + 3);
        }
        break;
      case GL_QUAD_STRIP:
        for (std::size_t i = 0; i + 3 < n; i += 2) {
          tri(i, i + 1, i + 3);
          tri(i, i + 3, i + 2);
        }
        break;
      default:  // points and lines have no area
        break;
    }
  }

  std::size_t PartFor(const State& st) {
    const bool doubleSided = !st.cull;
    const float cutoff = st.alphaTest ? st.alphaRef : -1.0f;
    for (std::size_t p = 0; p < out_.Parts.size(); ++p) {
      const MeshPart& part = out_.Parts[p];
      if (part.Texture == st.texture && part.DoubleSided == doubleSided &&
          part.AlphaCutoff == cutoff) {
        return p;
      }
    }
    MeshPart part;
    part.Texture = st.texture;
    part.DoubleSided = doubleSided;
    part.AlphaCutoff = cutoff;
    out_.Parts.push_back(std::move(part));
    return out_.Parts.size() - 1;
  }

  std::uint32_t Index(std::size_t p, const MeshVertex& v) {
    if (lookup_.size() < out_.Parts.size()) lookup_.resize(out_.Parts.size());
    auto& table = lookup_[p];
    MeshPart& part = out_.Parts[p];
    if (table.empty() && !part.Vertices.empty()) {
      // A part that already held vertices before this replay: index them first.
      for (std::size_t i = 0; i < part.Vertices.size(); ++i) {
        table.emplace(KeyOf(part.Vertices[i]), static_cast<std::uint32_t>(i));
      }
    }
    const auto [it, added] =
        table.emplace(KeyOf(v), static_cast<std::uint32_t>(part.Vertices.size()));
    if (added) part.Vertices.push_back(v);
    return it->second;
  }

  void Triangle(const Corner& a, const Corner& b, const Corner& c) {
    const Corner* corners[3] = {&a, &b, &c};
    float pos[3][3];
    for (int k = 0; k < 3; ++k) {
      pos[k][0] = static_cast<float>(corners[k]->pos.x);
      pos[k][1] = static_cast<float>(corners[k]->pos.y);
      pos[k][2] = static_cast<float>(corners[k]->pos.z);
    }
    if (std::memcmp(pos[0], pos[1], sizeof pos[0]) == 0 ||
        std::memcmp(pos[1], pos[2], sizeof pos[0]) == 0 ||
        std::memcmp(pos[0], pos[2], sizeof pos[0]) == 0) {
      return;
    }
    const Vec3 face = Cross(Sub(b.pos, a.pos), Sub(c.pos, a.pos));
    const double faceLength = Length(face);
    if (!(faceLength > 0)) return;

    const std::size_t p = PartFor(primitiveState_);
    for (int k = 0; k < 3; ++k) {
      Vec3 n = corners[k]->normal;
      double len = Length(n);
      if (!(len > 1e-12)) {
        n = face;
        len = faceLength;
      }
      MeshVertex v{};
      v.Position[0] = pos[k][0];
      v.Position[1] = pos[k][1];
      v.Position[2] = pos[k][2];
      v.Normal[0] = static_cast<float>(n.x / len);
      v.Normal[1] = static_cast<float>(n.y / len);
      v.Normal[2] = static_cast<float>(n.z / len);
      v.TexCoord[0] = corners[k]->tex[0];
      v.TexCoord[1] = corners[k]->tex[1];
      // -0 and +0 are one vertex.
      for (float& f : v.Normal) f += 0.0f;
      for (float& f : v.Position) f += 0.0f;
      for (float& f : v.TexCoord) f += 0.0f;
      out_.Parts[p].Indices.push_back(Index(p, v));
    }
  }
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Public functions
// ---------------------------------------------------------------------------------------------
void MeshCaptureStart() {
  MeshCaptureClear();
  gl::CommandListener = Record;
}

void MeshCaptureStop() {
  gl::CommandListener = nullptr;
  g_target = &g_immediate;
}

void MeshCaptureClear() {
  MeshCaptureStop();
  g_lists.clear();
  g_immediate.clear();
}

bool MeshCaptured(std::uint32_t List) { return g_lists.contains(List); }

bool MeshAddList(Mesh& Out, std::uint32_t List, const MeshMatrix& Matrix) {
  Replay replay(Out, Matrix);
  replay.RunList(List, 0);
  return replay.complete;
}

bool MeshAddCall(Mesh& Out, BrvProcedure Draw, const MeshMatrix& Matrix) {
  const gl::Listener before = gl::CommandListener;
  Commands saved = std::move(g_immediate);
  g_immediate.clear();
  g_target = &g_immediate;
  gl::CommandListener = Record;
  Replay replay(Out, Matrix);  // the state in force before the call
  if (Draw != nullptr) Draw();
  gl::CommandListener = before;
  const Commands drawn = std::move(g_immediate);
  g_immediate = std::move(saved);
  g_target = &g_immediate;
  replay.Run(drawn, 0);
  return replay.complete;
}

std::size_t MeshTriangleCount(const Mesh& M) {
  std::size_t n = 0;
  for (const MeshPart& part : M.Parts) n += part.Indices.size() / 3;
  return n;
}

}  // namespace brevra
