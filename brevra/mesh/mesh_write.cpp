// Mesh files: binary glTF (GLB), glTF with side files, and Wavefront OBJ with its MTL (see
// mesh.h).
//
// Output is a pure function of the mesh: numbers are written in their shortest form that reads
// back to the same float (std::to_chars), JSON members in a fixed order, no time stamps. glTF
// layout: one node, one mesh, one primitive per part; per part one buffer view each for
// positions, normals, texture coordinates and 32-bit indices; pictures after them (GLB) or in
// their own files. Texture coordinates keep GL's orientation: the pictures are stored with the
// first uploaded row at the top, which is where glTF puts v = 0; OBJ gets v = 1 - t.
#include <fcntl.h>     // Required for: open flags of the temporary file
#include <sys/stat.h>  // Required for: fchmod
#include <unistd.h>    // Required for: write, close, unlink

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "brevra/mesh/mesh.h"

namespace brevra {

std::string MeshLastError;

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// ---------------------------------------------------------------------------------------------
// Files: temporary beside the target, then renamed
// ---------------------------------------------------------------------------------------------
bool Fail(const std::string& path, const std::string& why) {
  MeshLastError = "cannot write " + path + ": " + why;
  return false;
}

bool WriteAtomic(const std::string& path, const void* data, std::size_t size) {
  const fs::path target(path);
  const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::string temp = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
  const int fd = mkstemp(temp.data());
  if (fd < 0) return Fail(path, std::strerror(errno));
  fchmod(fd, 0644);
  const auto* p = static_cast<const std::uint8_t*>(data);
  std::size_t left = size;
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int err = n < 0 ? errno : ENOSPC;
      ::close(fd);
      ::unlink(temp.c_str());
      return Fail(path, std::strerror(err));
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0 || std::rename(temp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    return Fail(path, std::strerror(err));
  }
  return true;
}

bool WriteAtomic(const std::string& path, const std::string& text) {
  return WriteAtomic(path, text.data(), text.size());
}

// "<dir of Path>/<name>"
std::string Beside(const std::string& path, const std::string& name) {
  const fs::path target(path);
  return target.has_parent_path() ? (target.parent_path() / name).string() : name;
}

std::string Stem(const std::string& path) { return fs::path(path).stem().string(); }

// ---------------------------------------------------------------------------------------------
// Text
// ---------------------------------------------------------------------------------------------
void Put(std::string& out, float v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, r.ptr);
}

void Put(std::string& out, std::size_t v) { out += std::to_string(v); }

// A JSON string: the names written here are the caller's; escape what JSON needs.
void PutString(std::string& out, const std::string& s) {
  out += '"';
  for (const char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += ch;
    }
  }
  out += '"';
}

std::string MaterialName(const MeshPart& part, std::size_t index) {
  return part.Name.empty() ? "material" + std::to_string(index) : part.Name;
}

// OBJ and MTL names are one token: blanks and control characters become '_'.
std::string ObjToken(std::string name) {
  for (char& c : name) {
    if (static_cast<unsigned char>(c) <= ' ') c = '_';
  }
  return name;
}

bool Textured(const MeshPart& part) { return !part.ImagePng.empty() && !part.ImageName.empty(); }

// ---------------------------------------------------------------------------------------------
// glTF
// ---------------------------------------------------------------------------------------------
constexpr std::uint32_t kArrayBuffer = 34962;
constexpr std::uint32_t kElementArrayBuffer = 34963;
constexpr std::uint32_t kFloat = 5126;
constexpr std::uint32_t kUnsignedInt = 5125;

struct Gltf {
  std::string json;
  Bytes bin;
  std::vector<std::string> imageNames;  // distinct pictures, in first-use order
  std::vector<const Bytes*> imagePngs;
};

void Align4(Bytes& bin) {
  while (bin.size() % 4 != 0) bin.push_back(0);
}

template <typename T>
std::size_t Append(Bytes& bin, const T* data, std::size_t count) {
  Align4(bin);
  const std::size_t offset = bin.size();
  const auto* p = reinterpret_cast<const std::uint8_t*>(data);
  bin.insert(bin.end(), p, p + count * sizeof(T));
  return offset;
}

// Builds the JSON and the binary buffer. `embed`: pictures go into the buffer (GLB); otherwise
// they are referred to as "<ImageName>.png" and the buffer as `binUri`.
Gltf BuildGltf(const Mesh& m, bool embed, const std::string& binUri) {
  Gltf g;
  std::string views, accessors, primitives, materials;
  std::size_t viewCount = 0, accessorCount = 0, materialCount = 0;
  std::map<std::string, std::size_t> imageIndex;

  auto view = [&](std::size_t offset, std::size_t length, std::uint32_t target) {
    if (viewCount++ > 0) views += ',';
    views += "{\"buffer\":0,\"byteOffset\":";
    Put(views, offset);
    views += ",\"byteLength\":";
    Put(views, length);
    if (target != 0) {
      views += ",\"target\":";
      Put(views, std::size_t{target});
    }
    views += '}';
    return viewCount - 1;
  };
  auto accessor = [&](std::size_t viewIndex, std::uint32_t type, std::size_t count,
                      const char* kind, const std::string& extra) {
    if (accessorCount++ > 0) accessors += ',';
    accessors += "{\"bufferView\":";
    Put(accessors, viewIndex);
    accessors += ",\"componentType\":";
    Put(accessors, std::size_t{type});
    accessors += ",\"count\":";
    Put(accessors, count);
    accessors += ",\"type\":\"";
    accessors += kind;
    accessors += '"';
    accessors += extra;
    accessors += '}';
    return accessorCount - 1;
  };

  for (std::size_t p = 0; p < m.Parts.size(); ++p) {
    const MeshPart& part = m.Parts[p];
    if (part.Indices.size() < 3 || part.Vertices.empty()) continue;
    const std::size_t nv = part.Vertices.size();
    std::vector<float> pos(nv * 3), nrm(nv * 3), tex(nv * 2);
    std::array<float, 3> lo{}, hi{};
    lo.fill(std::numeric_limits<float>::infinity());
    hi.fill(-std::numeric_limits<float>::infinity());
    for (std::size_t i = 0; i < nv; ++i) {
      const MeshVertex& v = part.Vertices[i];
      for (int k = 0; k < 3; ++k) {
        pos[i * 3 + k] = v.Position[k];
        nrm[i * 3 + k] = v.Normal[k];
        lo[k] = std::min(lo[k], v.Position[k]);
        hi[k] = std::max(hi[k], v.Position[k]);
      }
      tex[i * 2] = v.TexCoord[0];
      tex[i * 2 + 1] = v.TexCoord[1];
    }
    std::string bounds = ",\"min\":[";
    for (int k = 0; k < 3; ++k) {
      if (k > 0) bounds += ',';
      Put(bounds, lo[k]);
    }
    bounds += "],\"max\":[";
    for (int k = 0; k < 3; ++k) {
      if (k > 0) bounds += ',';
      Put(bounds, hi[k]);
    }
    bounds += ']';

    const std::size_t aPos =
        accessor(view(Append(g.bin, pos.data(), pos.size()), pos.size() * 4, kArrayBuffer), kFloat,
                 nv, "VEC3", bounds);
    const std::size_t aNrm =
        accessor(view(Append(g.bin, nrm.data(), nrm.size()), nrm.size() * 4, kArrayBuffer), kFloat,
                 nv, "VEC3", "");
    const std::size_t aTex =
        accessor(view(Append(g.bin, tex.data(), tex.size()), tex.size() * 4, kArrayBuffer), kFloat,
                 nv, "VEC2", "");
    const std::size_t aIdx = accessor(view(Append(g.bin, part.Indices.data(), part.Indices.size()),
                                           part.Indices.size() * 4, kElementArrayBuffer),
                                      kUnsignedInt, part.Indices.size(), "SCALAR", "");

    // The material.
    if (materialCount++ > 0) materials += ',';
    materials += "{\"name\":";
    PutString(materials, MaterialName(part, p));
    materials += ",\"pbrMetallicRoughness\":{";
    if (Textured(part)) {
      auto [it, added] = imageIndex.emplace(part.ImageName, g.imageNames.size());
      if (added) {
        g.imageNames.push_back(part.ImageName);
        g.imagePngs.push_back(&part.ImagePng);
      }
      materials += "\"baseColorTexture\":{\"index\":";
      Put(materials, it->second);
      materials += "},";
    }
    materials += "\"metallicFactor\":0,\"roughnessFactor\":1}";
    if (part.AlphaCutoff >= 0) {
      materials += ",\"alphaMode\":\"MASK\",\"alphaCutoff\":";
      Put(materials, part.AlphaCutoff);
    }
    if (part.DoubleSided) materials += ",\"doubleSided\":true";
    materials += '}';

    if (!primitives.empty()) primitives += ',';
    primitives += "{\"attributes\":{\"POSITION\":";
    Put(primitives, aPos);
    primitives += ",\"NORMAL\":";
    Put(primitives, aNrm);
    primitives += ",\"TEXCOORD_0\":";
    Put(primitives, aTex);
    primitives += "},\"indices\":";
    Put(primitives, aIdx);
    primitives += ",\"material\":";
    Put(primitives, materialCount - 1);
    primitives += ",\"mode\":4}";
  }

  // Pictures: one texture per picture, all with the one repeating, linear sampler.
  std::string images, textures;
  for (std::size_t i = 0; i < g.imageNames.size(); ++i) {
    if (i > 0) {
      images += ',';
      textures += ',';
    }
    images += "{\"name\":";
    PutString(images, g.imageNames[i]);
    if (embed) {
      const Bytes& png = *g.imagePngs[i];
      images += ",\"bufferView\":";
      Put(images, view(Append(g.bin, png.data(), png.size()), png.size(), 0));
      images += ",\"mimeType\":\"image/png\"";
    } else {
      images += ",\"uri\":";
      PutString(images, g.imageNames[i] + ".png");
    }
    images += '}';
    textures += "{\"sampler\":0,\"source\":";
    Put(textures, i);
    textures += '}';
  }
  Align4(g.bin);

  std::string& j = g.json;
  j += "{\"asset\":{\"generator\":\"brevra mesh export\",\"version\":\"2.0\"}";
  if (!primitives.empty()) {
    j += ",\"scene\":0,\"scenes\":[{\"nodes\":[0]}],\"nodes\":[{\"mesh\":0,\"name\":\"mesh\"}]";
    j += ",\"meshes\":[{\"primitives\":[" + primitives + "]}]";
    j += ",\"materials\":[" + materials + "]";
    if (!g.imageNames.empty()) {
      j += ",\"textures\":[" + textures + "],\"images\":[" + images + "]";
      j +=
          ",\"samplers\":[{\"magFilter\":9729,\"minFilter\":9729,\"wrapS\":10497,\"wrapT\":10497}]";
    }
    j += ",\"accessors\":[" + accessors + "],\"bufferViews\":[" + views + "]";
    j += ",\"buffers\":[{\"byteLength\":";
    Put(j, g.bin.size());
    if (!embed) {
      j += ",\"uri\":";
      PutString(j, binUri);
    }
    j += "}]";
  }
  j += '}';
  return g;
}

void PutU32(Bytes& out, std::uint32_t v) {
  for (int k = 0; k < 4; ++k) out.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
}

// A picture's file goes beside the mesh file and its name into a URI: letters, digits, '.', '_'
// and '-' only, and not a folder's name.
bool PlainName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (const char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '.' || c == '_' || c == '-';
    if (!ok) return false;
  }
  return true;
}

bool CheckPictureNames(const std::string& path, const Mesh& m) {
  for (const MeshPart& part : m.Parts) {
    if (Textured(part) && !PlainName(part.ImageName)) {
      return Fail(path, "picture name '" + part.ImageName + "' is not a plain file name");
    }
  }
  return true;
}

bool WritePictures(const std::string& path, const Mesh& m) {
  std::map<std::string, const Bytes*> pictures;
  for (const MeshPart& part : m.Parts) {
    if (Textured(part)) pictures.emplace(part.ImageName, &part.ImagePng);
  }
  for (const auto& [name, png] : pictures) {
    if (!WriteAtomic(Beside(path, name + ".png"), png->data(), png->size())) return false;
  }
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Public writers
// ---------------------------------------------------------------------------------------------
bool MeshWriteGLB(const std::string& Path, const Mesh& M) {
  MeshLastError.clear();
  Gltf g = BuildGltf(M, true, "");
  while (g.json.size() % 4 != 0) g.json += ' ';
  Bytes out;
  const std::size_t total = 12 + 8 + g.json.size() + (g.bin.empty() ? 0 : 8 + g.bin.size());
  if (total > std::numeric_limits<std::uint32_t>::max())
    return Fail(Path, "mesh too large for GLB");
  out.reserve(total);
  PutU32(out, 0x46546C67);  // "glTF"
  PutU32(out, 2);
  PutU32(out, static_cast<std::uint32_t>(total));
  PutU32(out, static_cast<std::uint32_t>(g.json.size()));
  PutU32(out, 0x4E4F534A);  // "JSON"
  out.insert(out.end(), g.json.begin(), g.json.end());
  if (!g.bin.empty()) {
    PutU32(out, static_cast<std::uint32_t>(g.bin.size()));
    PutU32(out, 0x004E4942);  // "BIN\0"
    out.insert(out.end(), g.bin.begin(), g.bin.end());
  }
  return WriteAtomic(Path, out.data(), out.size());
}

bool MeshWriteGLTF(const std::string& Path, const Mesh& M) {
  MeshLastError.clear();
  if (!CheckPictureNames(Path, M)) return false;
  const std::string binName = Stem(Path) + ".bin";
  Gltf g = BuildGltf(M, false, binName);
  if (!g.bin.empty() && !WriteAtomic(Beside(Path, binName), g.bin.data(), g.bin.size())) {
    return false;
  }
  if (!WritePictures(Path, M)) return false;
  g.json += '\n';
  return WriteAtomic(Path, g.json);
}

bool MeshWriteOBJ(const std::string& Path, const Mesh& M) {
  MeshLastError.clear();
  if (!CheckPictureNames(Path, M)) return false;
  const std::string mtlName = Stem(Path) + ".mtl";
  std::string mtl = "# Materials of " + fs::path(Path).filename().string() + "\n";
  std::string obj = "# Triangles written by the brevra mesh export\nmtllib " + mtlName + "\n";
  std::size_t base = 1;
  for (std::size_t p = 0; p < M.Parts.size(); ++p) {
    const MeshPart& part = M.Parts[p];
    if (part.Indices.size() < 3) continue;
    const std::string name = ObjToken(MaterialName(part, p));
    mtl += "\nnewmtl " + name + "\nKa 0 0 0\nKd 1 1 1\nKs 0 0 0\nd 1\nillum 1\n";
    if (Textured(part)) {
      mtl += "map_Kd " + part.ImageName + ".png\n";
      if (part.AlphaCutoff >= 0) mtl += "map_d " + part.ImageName + ".png\n";
    }
    obj += "o " + name + "\n";
    for (const MeshVertex& v : part.Vertices) {
      obj += "v ";
      Put(obj, v.Position[0]);
      obj += ' ';
      Put(obj, v.Position[1]);
      obj += ' ';
      Put(obj, v.Position[2]);
      obj += '\n';
    }
    for (const MeshVertex& v : part.Vertices) {
      obj += "vt ";
      Put(obj, v.TexCoord[0]);
      obj += ' ';
      Put(obj, 1.0f - v.TexCoord[1]);
      obj += '\n';
    }
    for (const MeshVertex& v : part.Vertices) {
      obj += "vn ";
      Put(obj, v.Normal[0]);
      obj += ' ';
      Put(obj, v.Normal[1]);
      obj += ' ';
      Put(obj, v.Normal[2]);
      obj += '\n';
    }
    obj += "usemtl " + name + "\n";
    for (std::size_t i = 0; i + 2 < part.Indices.size(); i += 3) {
      obj += 'f';
      for (int k = 0; k < 3; ++k) {
        const std::string n = std::to_string(base + part.Indices[i + k]);
        obj += ' ' + n + '/' + n + '/' + n;
      }
      obj += '\n';
    }
    base += part.Vertices.size();
  }
  if (!WriteAtomic(Beside(Path, mtlName), mtl)) return false;
  if (!WritePictures(Path, M)) return false;
  return WriteAtomic(Path, obj);
}

}  // namespace brevra
