// The platform's own text for a system error, appended to string 209.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win/types.h"

namespace pendrel {

std::wstring SystemMessageText(std::uint32_t systemError, win::LANGID langid);

}  // namespace pendrel
