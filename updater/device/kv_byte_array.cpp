#include "updater/device/kv_byte_array.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "updater/device/kv_result_codes.h"

namespace pendrel {

CKvByteArray::CKvByteArray(std::uint32_t size, const char* name) : CKvBase(name) {
  if (Resize(size) != kKvOk) SetError(kKvOutOfMemory);
}

CKvByteArray::~CKvByteArray() = default;

std::uint32_t CKvByteArray::GetCount() const { return m_size; }

std::int32_t CKvByteArray::GetAt(std::uint32_t index, std::uint8_t& out) const {
  if (index >= m_size) return kKvIndexOutOfRange;
  out = m_data[index];
  return kKvOk;
}

std::uint8_t* CKvByteArray::ElementPtr(std::uint32_t index) { return index < m_size ? &m_data[index] : nullptr; }

std::int32_t CKvByteArray::SetAt(std::uint32_t index, std::uint8_t value) {
  if (index >= m_size) return kKvIndexOutOfRange;
  m_data[index] = value;
  return kKvOk;
}

void CKvByteArray::Clear() {
  if (m_size) std::memset(m_data.get(), 0, m_size);
}

std::int32_t CKvByteArray::ReverseCopy() {
  std::unique_ptr<std::uint8_t[]> reversed(new (std::nothrow) std::uint8_t[m_size ? m_size : 1]);
  if (!reversed) return kKvOutOfMemory;
  std::reverse_copy(m_data.get(), m_data.get() + m_size, reversed.get());
  m_data = std::move(reversed);
  return kKvOk;
}

std::int32_t CKvByteArray::Resize(std::uint32_t n) {
  // One byte at least, so that an empty array still has a buffer to point at.
  std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[n ? n : 1]());
  if (!buffer) return kKvOutOfMemory;
  m_data = std::move(buffer);
  m_size = n;
  return kKvOk;
}

void CKvByteArray::Free() {
  m_data.reset();
  m_size = 0;
}

std::int32_t CKvByteArray::getBig(std::uint64_t& out, std::uint32_t offset, std::uint32_t width) const {
  if (!fits(width, offset)) return kKvValueDoesNotFit;
  std::uint64_t value = 0;
  for (std::uint32_t i = 0; i < width; ++i) value = (value << 8) | m_data[offset + i];
  out = value;
  return kKvOk;
}

std::int32_t CKvByteArray::setBig(std::uint64_t value, std::uint32_t offset, std::uint32_t width) {
  if (!fits(width, offset)) return kKvValueDoesNotFit;
  for (std::uint32_t i = width; i-- > 0; value >>= 8) m_data[offset + i] = static_cast<std::uint8_t>(value);
  return kKvOk;
}

std::int32_t CKvByteArray::Get16(std::uint16_t& out, std::uint32_t offset) const {
  std::uint64_t v = 0;
  std::int32_t r = getBig(v, offset, 2);
  if (r == kKvOk) out = static_cast<std::uint16_t>(v);
  return r;
}

std::int32_t CKvByteArray::Get32(std::uint32_t& out, std::uint32_t offset) const {
  std::uint64_t v = 0;
  std::int32_t r = getBig(v, offset, 4);
  if (r == kKvOk) out = static_cast<std::uint32_t>(v);
  return r;
}

std::int32_t CKvByteArray::Get64(std::uint64_t& out, std::uint32_t offset) const { return getBig(out, offset, 8); }

std::int32_t CKvByteArray::Set16(std::uint16_t value, std::uint32_t offset) { return setBig(value, offset, 2); }

std::int32_t CKvByteArray::Set32(std::uint32_t value, std::uint32_t offset) { return setBig(value, offset, 4); }

std::int32_t CKvByteArray::Set64(std::uint64_t value, std::uint32_t offset) { return setBig(value, offset, 8); }

std::int32_t CKvByteArray::GetBool(bool& out, std::uint32_t offset) const {
  if (offset >= m_size) return kKvValueDoesNotFit;
  out = m_data[offset] != 0;
  return kKvOk;
}

std::int32_t CKvByteArray::CopyTo(void* destination, std::uint32_t count, std::uint32_t offset) const {
  if (!fits(count, offset)) return kKvValueDoesNotFit;
  if (count) std::memcpy(destination, m_data.get() + offset, count);
  return kKvOk;
}

std::int32_t CKvByteArray::CopyFrom(const void* source, std::uint32_t count, std::uint32_t offset) {
  if (!fits(count, offset)) return kKvValueDoesNotFit;
  if (count) std::memcpy(m_data.get() + offset, source, count);
  return kKvOk;
}

bool CKvByteArray::Equals(const CKvByteArray& other) const {
  return m_size == other.m_size && (m_size == 0 || std::memcmp(m_data.get(), other.m_data.get(), m_size) == 0);
}

std::wstring CKvByteArray::ToHexString() const {
  static const wchar_t digits[] = L"0123456789abcdef";
  std::wstring text;
  for (std::uint32_t i = 0; i < m_size; ++i) {
    if (i) text += L", ";
    text += L"0x";
    if (m_data[i] >= 0x10) text += digits[m_data[i] >> 4];
    text += digits[m_data[i] & 0xF];
  }
  return text;
}

}  // namespace pendrel
