// The DOS device names of the machine ("C:", "E:", "PhysicalDrive0", ...).
#pragma once

#include "platform/win/types.h"

namespace win {

// lpDeviceName null: every name, each ended by NUL, the list ended by a
// second NUL; ERROR_INSUFFICIENT_BUFFER when it does not fit. A name: its
// target ("\Device\HarddiskVolume1").
DWORD QueryDosDeviceA(LPCSTR lpDeviceName, LPSTR lpTargetPath, DWORD ucchMax);

}  // namespace win
