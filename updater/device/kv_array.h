// An owned array of pointers, the shape of the byte array with pointer
// elements. The typed arrays built on it own what they point at.
#pragma once

#include <cstdint>
#include <memory>

#include "updater/device/kv_base.h"

namespace pendrel {

class CKvArray : public CKvBase {
 public:
  explicit CKvArray(std::uint32_t size = 0, const char* name = "CKvArray");
  CKvArray(const CKvArray&) = delete;
  CKvArray& operator=(const CKvArray&) = delete;
  ~CKvArray() override;

  virtual std::uint32_t GetCount() const;
  virtual std::int32_t GetAt(std::uint32_t index, void*& out) const;
  virtual void** ElementPtr(std::uint32_t index);
  virtual std::int32_t SetAt(std::uint32_t index, void* value);
  virtual void Clear();
  virtual std::int32_t ReverseCopy();
  virtual std::int32_t Resize(std::uint32_t n);
  virtual void Free();

 private:
  std::uint32_t m_size = 0;
  std::unique_ptr<void*[]> m_data;
};

}  // namespace pendrel
