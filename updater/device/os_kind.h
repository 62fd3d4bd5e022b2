// The kind of Windows the updater runs on, from the major and minor version
// alone (never the platform id), and the transport it calls for.
#pragma once

#include <cstdint>

namespace pendrel {

enum OsKind : std::int32_t {
  kOsWin9x = 0,   // 95, 98, and also NT 4 (version 4.0 looks the same)
  kOsWinMe = 1,
  kOsWin2000 = 2,
  kOsWinXp = 3,
  kOsUnsupported = 6,
};

OsKind OsKindOfVersion(std::uint32_t major, std::uint32_t minor);
// Asks the platform for its version.
OsKind GetOsKind();

}  // namespace pendrel
