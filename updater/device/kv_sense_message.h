// The message for a command that ended with a check condition: the player's
// own text for a vendor status (sense key 9), else the sense bytes in hex.
#pragma once

#include <string>

#include "updater/device/kv_byte_array.h"

namespace pendrel {

class CKvResource;

std::wstring SenseMessage(const CKvByteArray& sense, CKvResource* resource);

}  // namespace pendrel
