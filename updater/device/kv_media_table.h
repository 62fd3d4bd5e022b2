// The player's logical media layout as the updater holds it: an entry count
// and up to ten entries of drive number, type, tag and size.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pendrel {

constexpr std::uint8_t kDataDriveType = 0;
constexpr std::uint8_t kSystemDriveType = 1;
constexpr std::uint8_t kNoDriveNumber = 255;

#pragma pack(push, 1)
struct KvMediaEntry {
  std::uint8_t driveNumber;  // assigned by the player
  std::uint8_t type;         // 0 data drive, 1 system (firmware) drive
  std::uint8_t tag;          // which drive it is
  std::uint64_t size;        // bytes
};

struct KvMediaTable {
  static constexpr std::uint16_t kCapacity = 10;
  std::uint16_t count;
  KvMediaEntry entries[kCapacity];
};
#pragma pack(pop)
static_assert(sizeof(KvMediaEntry) == 11);
static_assert(sizeof(KvMediaTable) == 112);
static_assert(offsetof(KvMediaTable, entries) == 2);

}  // namespace pendrel
