// The DOS attributes of a host file (read-only, hidden, system, archive):
// on a FAT mount the file system's own bits, elsewhere the extended
// attribute user.DOSATTRIB ("0x22"). A file without one reads as archive,
// a folder as no attribute.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace host {

constexpr std::uint32_t kDosReadOnly = 0x01;
constexpr std::uint32_t kDosHidden = 0x02;
constexpr std::uint32_t kDosSystem = 0x04;
constexpr std::uint32_t kDosArchive = 0x20;
constexpr std::uint32_t kDosKeptBits = kDosReadOnly | kDosHidden | kDosSystem | kDosArchive;

// The attribute bits kept for the path (kDosKeptBits only); nothing when
// the path does not exist.
std::optional<std::uint32_t> ReadDosAttributes(const std::string& hostPath);
bool WriteDosAttributes(const std::string& hostPath, std::uint32_t bits);

}  // namespace host
