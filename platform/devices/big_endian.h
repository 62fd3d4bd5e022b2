// Big-endian fields of SCSI command blocks and answers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace devices {

inline std::uint64_t ReadBigEndian(const std::uint8_t* p, std::size_t bytes) {
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < bytes; ++i) v = (v << 8) | p[i];
  return v;
}

inline void WriteBigEndian(std::uint8_t* p, std::size_t bytes, std::uint64_t v) {
  for (std::size_t i = bytes; i-- > 0;) {
    p[i] = static_cast<std::uint8_t>(v);
    v >>= 8;
  }
}

inline std::uint32_t ReadLittle32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline void WriteLittle(std::uint8_t* p, std::size_t bytes, std::uint64_t v) {
  for (std::size_t i = 0; i < bytes; ++i) {
    p[i] = static_cast<std::uint8_t>(v);
    v >>= 8;
  }
}

}  // namespace devices
