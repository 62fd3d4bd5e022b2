#include "platform/win/dos_devices.h"

#include <cstring>
#include <string>

#include "platform/devices/machine_device_names.h"
#include "platform/win/last_error.h"

namespace win {

DWORD QueryDosDeviceA(LPCSTR lpDeviceName, LPSTR lpTargetPath, DWORD ucchMax) {
  auto names = devices::MachineDosDeviceNames();
  std::string out;
  if (lpDeviceName) {
    std::string wanted = lpDeviceName;
    for (char& c : wanted)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    bool found = false;
    for (const auto& [name, target] : names) {
      std::string n = name;
      for (char& c : n)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
      if (n != wanted) continue;
      out = target;
      out += '\0';
      found = true;
      break;
    }
    if (!found) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return 0;
    }
  } else {
    for (const auto& entry : names) {
      out += entry.first;
      out += '\0';
    }
  }
  out += '\0';
  if (!lpTargetPath || out.size() > ucchMax) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(lpTargetPath, out.data(), out.size());
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(out.size());
}

}  // namespace win
