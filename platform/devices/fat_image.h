// The file system a new virtual player carries on its data drive: a master
// boot record with one FAT16 partition from sector 32 (64 heads, 32 sectors
// per track), its volume label, empty FATs and root folder. The image is a
// plain disk image that fsck.fat (on the partition) and mtools
// (img@@16384) accept.
#pragma once

#include <cstdint>
#include <string>

namespace devices {

constexpr std::uint32_t kFreshPartitionStart = 32;
// The smallest and largest data drive it can format.
constexpr std::uint64_t kMinFatImageBytes = 4ull << 20;
constexpr std::uint64_t kMaxFatImageBytes = 2000ull << 20;

// Writes the image (512-byte sectors) over the file; false when the size
// is outside the limits or the file cannot be written.
bool WriteFreshFatImage(const std::string& path, std::uint64_t bytes, const std::string& label);

}  // namespace devices
