#include "platform/devices/system_aspi_flat_addresses.h"

#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "platform/win/address32.h"

namespace devices {
namespace {

enum class Kind { Memory, Handle, Routine };

// The addresses are those of the platform's 32-bit address table; this
// keeps one per pointer and kind, so that a pointer handed out again keeps
// its address, and knows each address's kind.
struct Registered {
  std::unique_ptr<win::Address32> address;
  std::size_t extent = 0;
};

struct PointerTable {
  std::mutex mutex;
  std::map<std::pair<const void*, Kind>, Registered> byPointer;
  std::unordered_map<std::uint32_t, std::pair<const void*, Kind>> byAddress;
};

PointerTable& table() {
  static PointerTable* t = new PointerTable;  // lives as long as the process: threads may still ask
  return *t;
}

std::uint32_t addressOf(const void* pointer, std::size_t extent, Kind kind) {
  if (!pointer) return 0;
  PointerTable& t = table();
  std::lock_guard lock(t.mutex);
  Registered& entry = t.byPointer[{pointer, kind}];
  if (entry.address && entry.extent == extent) return entry.address->value();
  if (entry.address) t.byAddress.erase(entry.address->value());
  entry.address = std::make_unique<win::Address32>(const_cast<void*>(pointer), extent);
  entry.extent = extent;
  t.byAddress[entry.address->value()] = {pointer, kind};
  return entry.address->value();
}

const void* targetOf(std::uint32_t address, Kind kind) {
  PointerTable& t = table();
  std::lock_guard lock(t.mutex);
  auto it = t.byAddress.find(address);
  return it != t.byAddress.end() && it->second.second == kind ? it->second.first : nullptr;
}

}  // namespace

std::uint32_t FlatAddressOf(const void* pointer, std::size_t extent) { return addressOf(pointer, extent, Kind::Memory); }

void* FlatAddressTarget(std::uint32_t address, std::size_t needed) {
  if (address == 0) return nullptr;
  {
    // A handle's or routine's address is no memory.
    PointerTable& t = table();
    std::lock_guard lock(t.mutex);
    auto it = t.byAddress.find(address);
    if (it != t.byAddress.end() && it->second.second != Kind::Memory) return nullptr;
  }
  win::Resolved32 resolved = win::ResolveAddress32(address);
  if (!resolved.buffer || resolved.size < needed) return nullptr;
  return resolved.buffer;
}

std::uint32_t FlatAddressOfHandle(win::HANDLE handle) { return addressOf(handle, 0, Kind::Handle); }

win::HANDLE FlatHandleTarget(std::uint32_t address) {
  return const_cast<void*>(targetOf(address, Kind::Handle));
}

std::uint32_t FlatAddressOfRoutine(FlatRoutine routine) {
  return addressOf(reinterpret_cast<const void*>(routine), 0, Kind::Routine);
}

FlatRoutine FlatRoutineTarget(std::uint32_t address) {
  return reinterpret_cast<FlatRoutine>(const_cast<void*>(targetOf(address, Kind::Routine)));
}

void ReleaseFlatAddress(std::uint32_t address) {
  PointerTable& t = table();
  std::lock_guard lock(t.mutex);
  auto it = t.byAddress.find(address);
  if (it == t.byAddress.end()) return;
  t.byPointer.erase(it->second);
  t.byAddress.erase(it);
}

}  // namespace devices
