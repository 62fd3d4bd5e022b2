#include "updater/device/kv_array.h"

#include <algorithm>
#include <new>

#include "updater/device/kv_result_codes.h"

namespace pendrel {

CKvArray::CKvArray(std::uint32_t size, const char* name) : CKvBase(name) {
  if (Resize(size) != kKvOk) SetError(kKvOutOfMemory);
}

CKvArray::~CKvArray() = default;

std::uint32_t CKvArray::GetCount() const { return m_size; }

std::int32_t CKvArray::GetAt(std::uint32_t index, void*& out) const {
  if (index >= m_size) return kKvIndexOutOfRange;
  out = m_data[index];
  return kKvOk;
}

void** CKvArray::ElementPtr(std::uint32_t index) { return index < m_size ? &m_data[index] : nullptr; }

std::int32_t CKvArray::SetAt(std::uint32_t index, void* value) {
  if (index >= m_size) return kKvIndexOutOfRange;
  m_data[index] = value;
  return kKvOk;
}

void CKvArray::Clear() { std::fill(m_data.get(), m_data.get() + m_size, nullptr); }

std::int32_t CKvArray::ReverseCopy() {
  std::unique_ptr<void*[]> reversed(new (std::nothrow) void*[m_size ? m_size : 1]);
  if (!reversed) return kKvOutOfMemory;
  std::reverse_copy(m_data.get(), m_data.get() + m_size, reversed.get());
  m_data = std::move(reversed);
  return kKvOk;
}

std::int32_t CKvArray::Resize(std::uint32_t n) {
  std::unique_ptr<void*[]> buffer(new (std::nothrow) void*[n ? n : 1]());
  if (!buffer) return kKvOutOfMemory;
  m_data = std::move(buffer);
  m_size = n;
  return kKvOk;
}

void CKvArray::Free() {
  m_data.reset();
  m_size = 0;
}

}  // namespace pendrel
