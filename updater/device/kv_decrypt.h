// The image transformation that loading applies to components marked as
// encrypted. The shipped components are stored as they are written, so
// the output is a copy of the input, owned by the caller.
#pragma once

#include <cstdint>
#include <memory>

#include "updater/device/kv_base.h"

namespace pendrel {

class CKvDecrypt : public CKvBase {
 public:
  CKvDecrypt(const std::uint8_t* data, std::uint32_t length, std::unique_ptr<std::uint8_t[]>& outData,
             std::uint32_t& outLength);
};

}  // namespace pendrel
