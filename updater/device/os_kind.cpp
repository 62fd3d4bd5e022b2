#include "updater/device/os_kind.h"

#include "platform/win/system.h"

namespace pendrel {

OsKind OsKindOfVersion(std::uint32_t major, std::uint32_t minor) {
  if (major == 4) {
    if (minor <= 10) return kOsWin9x;
    if (minor >= 90) return kOsWinMe;
    return kOsUnsupported;
  }
  if (major == 5) return minor == 0 ? kOsWin2000 : kOsWinXp;
  return kOsUnsupported;
}

OsKind GetOsKind() {
  win::OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  // A failed call leaves the version 0.0, which no transport serves.
  win::GetVersionExW(&info);
  return OsKindOfVersion(info.dwMajorVersion, info.dwMinorVersion);
}

}  // namespace pendrel
