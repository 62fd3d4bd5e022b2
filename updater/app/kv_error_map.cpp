#include "updater/app/kv_error_map.h"

namespace pendrel {
namespace {

struct StatusRange {
  std::uint16_t firstKey, lastKey;
  std::uint32_t firstString;
};

// Key ranges map one to one, in rising order, onto string ranges.
const StatusRange kStatusRanges[] = {
    {0x101, 0x10F, 223}, {0x200, 0x20D, 238}, {0x210, 0x210, 252}, {0x301, 0x303, 253}, {0x401, 0x428, 256},
    {0x500, 0x515, 296}, {0x000, 0x000, 318}, {0x516, 0x51A, 319}, {0x600, 0x60D, 324}, {0x700, 0x704, 338},
    {0x800, 0x805, 343}, {0x810, 0x813, 349}, {0x820, 0x824, 353}, {0x830, 0x849, 358}, {0x850, 0x855, 384},
    {0x860, 0x879, 390}, {0x880, 0x885, 416},
};

// String numbers of codes 0, -1, -2, ... -59.
const std::uint32_t kErrorStrings[60] = {
    108, 109, 110, 111, 112, 113, 114, 115, 116, 117, 118, 119, 120, 121, 122,  // 0 to -14
    123, 124, 125, 126, 127, 128, 129, 130, 131, 132, 133, 134, 135, 136, 137,  // -15 to -29
    170, 150, 149, 174, 175, 176, 178, 179, 177, 180, 195, 100, 197, 210, 211,  // -30 to -44
    212, 213, 214, 215, 216, 217, 219, 220, 221, 222, 622, 623, 624, 629, 634,  // -45 to -59
};

}  // namespace

std::unordered_map<std::int32_t, std::uint32_t> BuildErrorMap() {
  std::unordered_map<std::int32_t, std::uint32_t> map(60);
  for (std::int32_t i = 0; i < 60; ++i) map[-i] = kErrorStrings[i];
  return map;
}

std::unordered_map<std::uint16_t, std::uint32_t> BuildDeviceStatusMap() {
  std::unordered_map<std::uint16_t, std::uint32_t> map(199);
  for (const StatusRange& range : kStatusRanges)
    for (std::uint32_t key = range.firstKey; key <= range.lastKey; ++key)
      map[static_cast<std::uint16_t>(key)] = range.firstString + (key - range.firstKey);
  return map;
}

}  // namespace pendrel
