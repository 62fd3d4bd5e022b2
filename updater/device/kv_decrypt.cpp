#include "updater/device/kv_decrypt.h"

#include <cstring>
#include <new>

#include "updater/device/kv_result_codes.h"

namespace pendrel {

CKvDecrypt::CKvDecrypt(const std::uint8_t* data, std::uint32_t length, std::unique_ptr<std::uint8_t[]>& outData,
                       std::uint32_t& outLength)
    : CKvBase("CKvDecrypt") {
  outData.reset(new (std::nothrow) std::uint8_t[length ? length : 1]);
  outLength = 0;
  if (!outData) {
    SetError(kKvOutOfMemory);
    return;
  }
  if (length) std::memcpy(outData.get(), data, length);
  outLength = length;
}

}  // namespace pendrel
