// Brevra platform layer: the table of platform objects. See objects.h.
#include "brevra/platform/objects.h"

#include <unordered_map>

namespace brevra::platform::detail {
namespace {

std::unordered_map<HANDLE, std::unique_ptr<Object>>& table() {
  // Never destroyed at exit: objects left alive then (windows, GL contexts) would be torn down
  // during static destruction, after the GL driver's own statics; the process ends them instead.
  static auto& objects = *new std::unordered_map<HANDLE, std::unique_ptr<Object>>();
  return objects;
}
HANDLE g_next = 0x100;  // small numbers are left free so that they never look like handles

}  // namespace

HANDLE AddObject(std::unique_ptr<Object> object) {
  HANDLE h = g_next++;
  table().emplace(h, std::move(object));
  return h;
}

Object* FindObject(HANDLE handle, Kind kind) {
  Object* o = FindAnyObject(handle);
  return (o != nullptr && o->kind == kind) ? o : nullptr;
}

Object* FindAnyObject(HANDLE handle) {
  auto it = table().find(handle);
  return it == table().end() ? nullptr : it->second.get();
}

bool RemoveObject(HANDLE handle) {
  auto it = table().find(handle);
  if (it == table().end()) return false;
  // Move out first: a destructor may look other objects up (or remove them).
  std::unique_ptr<Object> doomed = std::move(it->second);
  table().erase(it);
  return true;
}

std::size_t LiveObjects() { return table().size(); }

std::size_t LiveObjects(Kind kind) {
  std::size_t n = 0;
  for (const auto& [h, o] : table()) n += (o->kind == kind);
  return n;
}

std::vector<HANDLE> Handles(Kind kind) {
  std::vector<HANDLE> out;
  for (const auto& [h, o] : table()) {
    if (o->kind == kind) out.push_back(h);
  }
  return out;
}

void RemoveAllObjects() {
  auto doomed = std::move(table());
  table().clear();
  doomed.clear();
}

}  // namespace brevra::platform::detail
