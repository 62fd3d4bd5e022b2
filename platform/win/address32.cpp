#include "platform/win/address32.h"

#include <map>
#include <mutex>

namespace win {
namespace {

struct AddressTable {
  std::mutex mutex;
  std::map<DWORD, Resolved32> entries;
  DWORD next = 0x10000;
};

AddressTable& table() {
  static AddressTable& t = *new AddressTable;
  return t;
}

}  // namespace

Address32::Address32(void* buffer, std::size_t size) {
  AddressTable& t = table();
  std::lock_guard lock(t.mutex);
  // Values look like addresses of 32-bit user space and are not reused
  // while one is registered.
  do {
    t.next += 0x10;
    if (t.next < 0x10000) t.next = 0x10000;
  } while (t.entries.count(t.next));
  value_ = t.next;
  t.entries[value_] = Resolved32{buffer, size};
}

Address32::~Address32() {
  AddressTable& t = table();
  std::lock_guard lock(t.mutex);
  t.entries.erase(value_);
}

Resolved32 ResolveAddress32(DWORD value) {
  AddressTable& t = table();
  std::lock_guard lock(t.mutex);
  auto it = t.entries.find(value);
  return it == t.entries.end() ? Resolved32{} : it->second;
}

}  // namespace win
