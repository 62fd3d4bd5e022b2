// An owned byte buffer: images, command blocks, answers and sense data.
// Multi-byte values are big-endian, as the player's protocol has them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "updater/device/kv_base.h"

namespace pendrel {

class CKvByteArray : public CKvBase {
 public:
  // A zeroed buffer of `size` bytes; -1 in the last error when it cannot be had.
  explicit CKvByteArray(std::uint32_t size = 0, const char* name = "CKvByteArray");
  CKvByteArray(const CKvByteArray&) = delete;
  CKvByteArray& operator=(const CKvByteArray&) = delete;
  ~CKvByteArray() override;

  virtual std::uint32_t GetCount() const;
  virtual std::int32_t GetAt(std::uint32_t index, std::uint8_t& out) const;
  virtual std::uint8_t* ElementPtr(std::uint32_t index);
  virtual std::int32_t SetAt(std::uint32_t index, std::uint8_t value);
  virtual void Clear();
  // Reverses the order of the bytes (through a temporary copy).
  virtual std::int32_t ReverseCopy();
  // Replaces the buffer by a zeroed one of n bytes.
  virtual std::int32_t Resize(std::uint32_t n);
  virtual void Free();

  std::int32_t Get16(std::uint16_t& out, std::uint32_t offset) const;
  std::int32_t Get32(std::uint32_t& out, std::uint32_t offset) const;
  std::int32_t Get64(std::uint64_t& out, std::uint32_t offset) const;
  std::int32_t Set16(std::uint16_t value, std::uint32_t offset);
  std::int32_t Set32(std::uint32_t value, std::uint32_t offset);
  std::int32_t Set64(std::uint64_t value, std::uint32_t offset);
  std::int32_t GetBool(bool& out, std::uint32_t offset) const;
  // Copies count bytes from offset of this array to destination.
  std::int32_t CopyTo(void* destination, std::uint32_t count, std::uint32_t offset) const;
  // Copies count bytes of source to offset of this array.
  std::int32_t CopyFrom(const void* source, std::uint32_t count, std::uint32_t offset);
  bool Equals(const CKvByteArray& other) const;
  // "0x12, 0x0, 0xff": each byte in hexadecimal, separated by ", ".
  std::wstring ToHexString() const;

  const std::uint8_t* Data() const { return m_data.get(); }
  std::uint8_t* Data() { return m_data.get(); }

 private:
  bool fits(std::uint32_t count, std::uint32_t offset) const { return offset <= m_size && count <= m_size - offset; }
  std::int32_t getBig(std::uint64_t& out, std::uint32_t offset, std::uint32_t width) const;
  std::int32_t setBig(std::uint64_t value, std::uint32_t offset, std::uint32_t width);

  std::uint32_t m_size = 0;
  std::unique_ptr<std::uint8_t[]> m_data;
};

}  // namespace pendrel
