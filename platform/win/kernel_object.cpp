#include "platform/win/kernel_object.h"

#include <mutex>
#include <unordered_map>

namespace win {
namespace {

struct HandleTable {
  std::mutex mutex;
  std::unordered_map<HANDLE, std::shared_ptr<KernelObject>> objects;
  std::uintptr_t next = 0x100;
};

// This table and the layer's other tables are never destroyed: as on
// Windows, a thread may still run while the process exits, and it must not
// find them gone.
HandleTable& table() {
  static HandleTable& t = *new HandleTable;
  return t;
}

}  // namespace

HANDLE RegisterHandle(std::shared_ptr<KernelObject> object) {
  HandleTable& t = table();
  std::lock_guard lock(t.mutex);
  HANDLE h = reinterpret_cast<HANDLE>(t.next);
  t.next += 4;
  t.objects.emplace(h, std::move(object));
  return h;
}

std::shared_ptr<KernelObject> LookUpHandle(HANDLE handle) {
  HandleTable& t = table();
  std::lock_guard lock(t.mutex);
  auto it = t.objects.find(handle);
  return it == t.objects.end() ? nullptr : it->second;
}

bool ReleaseHandle(HANDLE handle) {
  std::shared_ptr<KernelObject> object;
  {
    HandleTable& t = table();
    std::lock_guard lock(t.mutex);
    auto it = t.objects.find(handle);
    if (it == t.objects.end()) return false;
    object = std::move(it->second);
    t.objects.erase(it);
  }
  return true;  // the object goes when its last user lets go
}

}  // namespace win
