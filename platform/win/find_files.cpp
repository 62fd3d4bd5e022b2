#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/host/dos_attributes.h"
#include "platform/win/codepage.h"
#include "platform/win/files.h"
#include "platform/win/kernel_object.h"
#include "platform/win/last_error.h"
#include "platform/win/resolved_path.h"
#include "platform/win/wildcard.h"

namespace win {
namespace {

class FindObject : public KernelObject {
 public:
  std::vector<WIN32_FIND_DATAA> entries;
  std::size_t next = 0;
};

FILETIME fileTimeOf(const struct timespec& ts) {
  // 100-nanosecond steps since 1601-01-01.
  std::uint64_t t = (static_cast<std::uint64_t>(ts.tv_sec) + 11644473600ull) * 10000000ull +
                    static_cast<std::uint64_t>(ts.tv_nsec) / 100;
  return FILETIME{static_cast<DWORD>(t & 0xFFFFFFFFu), static_cast<DWORD>(t >> 32)};
}

bool fill(WIN32_FIND_DATAA& d, const std::string& ansiName, const std::string& host) {
  if (ansiName.size() >= MAX_PATH) return false;
  struct stat st {};
  if (::stat(host.c_str(), &st) != 0) return false;
  std::memset(&d, 0, sizeof d);
  DWORD bits = host::ReadDosAttributes(host).value_or(0);
  if (S_ISDIR(st.st_mode)) bits |= FILE_ATTRIBUTE_DIRECTORY;
  d.dwFileAttributes = bits ? bits : FILE_ATTRIBUTE_NORMAL;
  d.ftCreationTime = fileTimeOf(st.st_ctim);
  d.ftLastAccessTime = fileTimeOf(st.st_atim);
  d.ftLastWriteTime = fileTimeOf(st.st_mtim);
  std::uint64_t size = S_ISDIR(st.st_mode) ? 0 : static_cast<std::uint64_t>(st.st_size);
  d.nFileSizeHigh = static_cast<DWORD>(size >> 32);
  d.nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
  std::memcpy(d.cFileName, ansiName.c_str(), ansiName.size() + 1);
  return true;
}

}  // namespace

HANDLE FindFirstFileA(LPCSTR lpFileName, WIN32_FIND_DATAA* lpFindFileData) {
  if (!lpFindFileData) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::string spec = lpFileName ? lpFileName : "";
  for (char& c : spec)
    if (c == '/') c = '\\';
  std::size_t slash = spec.find_last_of('\\');
  std::string pattern = slash == std::string::npos ? spec : spec.substr(slash + 1);
  std::string folder = slash == std::string::npos ? std::string(".") : spec.substr(0, slash + 1);
  if (spec.size() >= 2 && spec[1] == ':' && slash == std::string::npos) {
    folder = spec.substr(0, 2);
    pattern = spec.substr(2);
  }
  if (pattern.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  ResolvedPath p;
  if (!ResolveForFileApi(folder.c_str(), p)) return INVALID_HANDLE_VALUE;
  DIR* dir = ::opendir(p.host.c_str());
  if (!dir) {
    SetLastError(errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno, p.host + "/x"));
    return INVALID_HANDLE_VALUE;
  }
  UINT cp = GetACP();
  bool root = p.windows.size() == 3;
  auto found = std::make_shared<FindObject>();
  WIN32_FIND_DATAA d;
  if (!root) {
    for (const char* dots : {".", ".."})
      if (MatchesFilePattern(dots, pattern, cp) && fill(d, dots, p.host)) found->entries.push_back(d);
  }
  while (dirent* e = ::readdir(dir)) {
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    std::string name = Utf8ToAnsi(e->d_name, cp);
    if (!MatchesFilePattern(name, pattern, cp)) continue;
    std::string host = p.host;
    if (host.back() != '/') host += '/';
    host += e->d_name;
    if (fill(d, name, host)) found->entries.push_back(d);
  }
  ::closedir(dir);
  if (found->entries.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  *lpFindFileData = found->entries[0];
  found->next = 1;
  return RegisterHandle(found);
}

BOOL FindNextFileA(HANDLE hFindFile, WIN32_FIND_DATAA* lpFindFileData) {
  auto found = HandleAs<FindObject>(hFindFile);
  if (!found || !lpFindFileData) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (found->next >= found->entries.size()) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  *lpFindFileData = found->entries[found->next++];
  return TRUE;
}

BOOL FindClose(HANDLE hFindFile) {
  if (!HandleAs<FindObject>(hFindFile) || !ReleaseHandle(hFindFile)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

}  // namespace win
