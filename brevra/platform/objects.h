// Brevra platform layer (internal): the one table of platform objects behind the handles.
//
// Every handle the platform hands out (windows, device contexts, GL contexts, bitmaps,
// palettes, regions, brushes, cursors, memory blocks) is a key of this table. Handles are
// unsigned 32-bit, never 0, never reused while the process lives, so a stale handle finds
// nothing and the call on it fails quietly. Objects are owned by the table (RAII).
//
// Not a public header for library clients: platform code only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "brevra/platform/platform.h"

namespace brevra::platform::detail {

enum class Kind : std::uint8_t {
  Window,
  DeviceContext,
  GLContext,
  Bitmap,
  Palette,
  Region,
  Brush,
  Cursor,
  Icon,
  Font,
  Memory,
  Menu,
};

struct Object {
  explicit Object(Kind k) : kind(k) {}
  virtual ~Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;
  const Kind kind;
  // Stock objects (system brushes, predefined cursors and icons) are shared by every caller:
  // deleting one is refused quietly, as the system does.
  bool stock = false;
};

// Takes ownership and returns the new handle.
HANDLE AddObject(std::unique_ptr<Object> object);
// The object behind `handle` if it is alive and of kind `kind`, else null.
Object* FindObject(HANDLE handle, Kind kind);
// Any live object behind `handle`, else null.
Object* FindAnyObject(HANDLE handle);
// Destroys the object; false when the handle was not alive.
bool RemoveObject(HANDLE handle);
// Live objects, in all or of one kind.
std::size_t LiveObjects();
std::size_t LiveObjects(Kind kind);
// The live handles of one kind (a copy: removing them afterwards is fine).
std::vector<HANDLE> Handles(Kind kind);
// Destroys every object (platform shutdown).
void RemoveAllObjects();

// Typed lookup: T derives from Object and declares `static constexpr Kind kKind`.
template <typename T>
T* Find(HANDLE handle) {
  return static_cast<T*>(FindObject(handle, T::kKind));
}

template <typename T, typename... Args>
std::pair<HANDLE, T*> Make(Args&&... args) {
  auto object = std::make_unique<T>(std::forward<Args>(args)...);
  T* raw = object.get();
  HANDLE h = AddObject(std::move(object));
  return {h, raw};
}

}  // namespace brevra::platform::detail
