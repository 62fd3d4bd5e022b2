#include "platform/devices/fat_image.h"

#include <cstring>
#include <vector>

#include "platform/devices/big_endian.h"
#include "platform/devices/drive_image.h"

namespace devices {
namespace {

constexpr std::uint32_t kSector = 512;
constexpr std::uint32_t kHeads = 64;
constexpr std::uint32_t kSectorsPerTrack = 32;
constexpr std::uint32_t kRootEntries = 512;

void putChs(std::uint8_t* p, std::uint32_t lba) {
  std::uint32_t c = lba / (kHeads * kSectorsPerTrack);
  std::uint32_t h = (lba / kSectorsPerTrack) % kHeads;
  std::uint32_t s = lba % kSectorsPerTrack + 1;
  if (c > 1023) {
    c = 1023;
    h = 254;
    s = 63;
  }
  p[0] = static_cast<std::uint8_t>(h);
  p[1] = static_cast<std::uint8_t>((s & 0x3F) | ((c >> 2) & 0xC0));
  p[2] = static_cast<std::uint8_t>(c);
}

std::string label11(const std::string& label) {
  std::string l = label.substr(0, 11);
  l.resize(11, ' ');
  return l;
}

}  // namespace

bool WriteFreshFatImage(const std::string& path, std::uint64_t bytes, const std::string& label) {
  if (bytes < kMinFatImageBytes || bytes > kMaxFatImageBytes || bytes % kSector) return false;
  const std::uint32_t total = static_cast<std::uint32_t>(bytes / kSector);
  const std::uint32_t start = kFreshPartitionStart;
  const std::uint32_t n = total - start;
  const std::uint32_t rootSectors = kRootEntries * 32 / kSector;
  std::uint32_t spc = 1, fatSectors = 1, clusters = 0;
  for (;; spc *= 2) {
    fatSectors = 1;
    for (;;) {
      clusters = (n - 1 - 2 * fatSectors - rootSectors) / spc;
      std::uint32_t need = ((clusters + 2) * 2 + kSector - 1) / kSector;
      if (need <= fatSectors) break;
      fatSectors = need;
    }
    if (clusters <= 65524 || spc == 64) break;
  }
  if (clusters < 4085 || clusters > 65524) return false;

  std::uint8_t mbr[kSector] = {};
  std::uint8_t* e = mbr + 446;
  putChs(e + 1, start);
  e[4] = n >= 65536 ? 0x06 : 0x04;
  putChs(e + 5, total - 1);
  WriteLittle(e + 8, 4, start);
  WriteLittle(e + 12, 4, n);
  mbr[510] = 0x55;
  mbr[511] = 0xAA;

  std::uint8_t boot[kSector] = {};
  const std::uint8_t jump[3] = {0xEB, 0x3C, 0x90};
  std::memcpy(boot, jump, 3);
  std::memcpy(boot + 3, "MSWIN4.1", 8);
  WriteLittle(boot + 11, 2, kSector);
  boot[13] = static_cast<std::uint8_t>(spc);
  WriteLittle(boot + 14, 2, 1);
  boot[16] = 2;
  WriteLittle(boot + 17, 2, kRootEntries);
  if (n < 65536) WriteLittle(boot + 19, 2, n);
  boot[21] = 0xF8;
  WriteLittle(boot + 22, 2, fatSectors);
  WriteLittle(boot + 24, 2, kSectorsPerTrack);
  WriteLittle(boot + 26, 2, kHeads);
  WriteLittle(boot + 28, 4, start);
  if (n >= 65536) WriteLittle(boot + 32, 4, n);
  boot[36] = 0x80;
  boot[38] = 0x29;
  WriteLittle(boot + 39, 4, 0x0570CAFE);
  std::memcpy(boot + 43, label11(label).data(), 11);
  std::memcpy(boot + 54, "FAT16   ", 8);
  boot[510] = 0x55;
  boot[511] = 0xAA;

  std::uint8_t fat[kSector] = {};
  const std::uint8_t fatStart[4] = {0xF8, 0xFF, 0xFF, 0xFF};
  std::memcpy(fat, fatStart, 4);

  std::uint8_t root[kSector] = {};
  std::memcpy(root, label11(label).data(), 11);
  root[11] = 0x08;

  const std::uint64_t part = std::uint64_t{start} * kSector;
  return CreateBlankImage(path, bytes) && WriteImage(path, 0, mbr, kSector) &&
         WriteImage(path, part, boot, kSector) && WriteImage(path, part + kSector, fat, kSector) &&
         WriteImage(path, part + (1 + fatSectors) * std::uint64_t{kSector}, fat, kSector) &&
         WriteImage(path, part + (1 + 2 * fatSectors) * std::uint64_t{kSector}, root, kSector);
}

}  // namespace devices
