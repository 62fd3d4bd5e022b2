// The geometry a disk of the machine reports for its sector count, and
// the cylinder/head/sector packing of partition entries.
#pragma once

#include <cstdint>

namespace devices {

struct DiskGeometry {
  std::uint64_t cylinders = 0;
  std::uint32_t heads = 1;
  std::uint32_t sectorsPerTrack = 1;
};

// 64 heads and 32 sectors per track, as USB disks report; one sector per
// cylinder for a disk smaller than one such cylinder.
inline DiskGeometry GeometryOf(std::uint64_t sectors) {
  if (sectors < 64 * 32) return {sectors, 1, 1};
  return {sectors / (64 * 32), 64, 32};
}

// The three bytes of a partition entry's CHS field for a sector.
inline void PackChs(const DiskGeometry& g, std::uint64_t lba, std::uint8_t* out) {
  std::uint64_t perCylinder = std::uint64_t{g.heads} * g.sectorsPerTrack;
  std::uint64_t c = lba / perCylinder;
  std::uint32_t h = static_cast<std::uint32_t>((lba / g.sectorsPerTrack) % g.heads);
  std::uint32_t s = static_cast<std::uint32_t>(lba % g.sectorsPerTrack) + 1;
  if (c > 1023 || h > 254 || s > 63) {
    c = 1023;
    h = 254;
    s = 63;
  }
  out[0] = static_cast<std::uint8_t>(h);
  out[1] = static_cast<std::uint8_t>((s & 0x3F) | ((c >> 2) & 0xC0));
  out[2] = static_cast<std::uint8_t>(c);
}

}  // namespace devices
