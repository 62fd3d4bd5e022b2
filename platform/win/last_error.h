#pragma once

#include "platform/win/types.h"

namespace win {

DWORD GetLastError();
void SetLastError(DWORD code);

}  // namespace win
