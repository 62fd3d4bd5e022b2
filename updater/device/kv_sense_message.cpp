#include "updater/device/kv_sense_message.h"

#include "updater/app/kv_resource.h"
#include "updater/device/kv_result_codes.h"

namespace pendrel {
namespace {

// Byte 2 of fixed-format sense data as a whole: the key 9 (vendor
// specific) with none of the flag bits set.
constexpr std::uint8_t kVendorSenseKey = 9;

}  // namespace

std::wstring SenseMessage(const CKvByteArray& sense, CKvResource* resource) {
  std::uint8_t key = 0;
  std::uint16_t status = 0;
  if (sense.GetAt(2, key) != kKvOk || key != kVendorSenseKey || sense.Get16(status, 12) != kKvOk)
    return sense.ToHexString();
  std::wstring text;
  if (!resource || resource->GetStatusMessage(status, text, false) == kKvUnknownStatus)
    return L"\n" + sense.ToHexString();
  return text;
}

}  // namespace pendrel
