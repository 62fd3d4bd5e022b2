#include "platform/win/resolved_path.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/win/last_error.h"
#include "platform/win/paths.h"

namespace win {

bool ResolveForFileApi(LPCSTR path, ResolvedPath& out, std::size_t limit) {
  if (!path || !*path) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  out.windows = FullWindowsPath(path);
  if (out.windows.size() > limit || std::string(path).size() > limit) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  if (out.windows.size() < 3 || out.windows[1] != ':') {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  for (char c : out.windows.substr(2))
    if (c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|' || c == ':') {
      SetLastError(ERROR_INVALID_NAME);
      return false;
    }
  out.host = HostPathOf(out.windows);
  if (out.host.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  char letter = out.windows[0];
  out.drive = DriveMapping{letter, "/", DRIVE_FIXED, std::nullopt};
  for (const DriveMapping& m : CurrentMachine().drives())
    if (m.letter == letter) out.drive = m;
  return true;
}

std::string HostParentOf(const std::string& hostPath) {
  std::size_t slash = hostPath.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return hostPath.substr(0, slash);
}

DWORD ErrorFromErrno(int error, const std::string& hostPath) {
  switch (error) {
    case ENOENT:
    case ENOTDIR: {
      struct stat st {};
      return ::stat(HostParentOf(hostPath).c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? ERROR_FILE_NOT_FOUND
                                                                                      : ERROR_PATH_NOT_FOUND;
    }
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EBUSY: return ERROR_SHARING_VIOLATION;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENXIO:
    case ENODEV: return ERROR_NOT_READY;
    default: return ERROR_WRITE_FAULT;
  }
}

void SetLastErrorFromErrno(int error, const std::string& hostPath) { SetLastError(ErrorFromErrno(error, hostPath)); }

}  // namespace win
