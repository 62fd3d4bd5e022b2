// Inside the layer: a program's path made absolute and put on the host,
// with the checks every file function makes first.
#pragma once

#include <string>

#include "platform/win/machine.h"

namespace win {

struct ResolvedPath {
  std::string windows;  // absolute Windows path
  std::string host;     // UTF-8 host path
  DriveMapping drive;
};

// false (with the last error set) for a missing name, a path longer than
// `limit` characters, or a drive that is not mapped.
bool ResolveForFileApi(LPCSTR path, ResolvedPath& out, std::size_t limit = MAX_PATH - 1);

// The last error for a failed host call.
DWORD ErrorFromErrno(int error, const std::string& hostPath);
void SetLastErrorFromErrno(int error, const std::string& hostPath);

std::string HostParentOf(const std::string& hostPath);

}  // namespace win
