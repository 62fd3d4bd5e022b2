#include "platform/win/profile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

#include "platform/win/codepage.h"
#include "platform/win/ini_document.h"
#include "platform/win/last_error.h"
#include "platform/win/paths.h"

namespace win {
namespace {

// A file name without a folder lives in the Windows folder.
std::string hostFileOf(LPCSTR lpFileName) {
  std::string name = lpFileName ? lpFileName : "";
  if (name.find('\\') == std::string::npos && name.find('/') == std::string::npos &&
      name.find(':') == std::string::npos) {
    char folder[MAX_PATH];
    GetWindowsDirectoryA(folder, MAX_PATH);
    name = std::string(folder) + "\\" + name;
  }
  return HostPathOf(name);
}

struct CachedIni {
  long long sec = -1, nsec = -1, size = -1;
  ino_t ino = 0;
  UINT codePage = 0;
  IniDocument doc;
};

std::mutex& cacheMutex() {
  static std::mutex& m = *new std::mutex;
  return m;
}
std::map<std::string, CachedIni>& cache() {
  static std::map<std::string, CachedIni>& c = *new std::map<std::string, CachedIni>;
  return c;
}

// Runs `use` on the parsed file, read again when it changed on disk;
// false when the file is missing.
template <typename Use>
bool withIni(const std::string& host, Use&& use) {
  struct stat st {};
  if (host.empty() || ::stat(host.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  UINT cp = GetACP();
  std::lock_guard lock(cacheMutex());
  CachedIni& c = cache()[host];
  if (c.sec != st.st_mtim.tv_sec || c.nsec != st.st_mtim.tv_nsec || c.size != st.st_size || c.ino != st.st_ino ||
      c.codePage != cp) {
    std::ifstream in(host, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    c.doc = IniDocument(cp);
    c.doc.parse(ss.str());
    c.sec = st.st_mtim.tv_sec;
    c.nsec = st.st_mtim.tv_nsec;
    c.size = st.st_size;
    c.ino = st.st_ino;
    c.codePage = cp;
  }
  use(c.doc);
  return true;
}

// Copies a text into the caller's buffer, cut to nSize - 1 characters.
DWORD copyText(const std::string& text, LPSTR buffer, DWORD nSize) {
  if (!buffer || nSize == 0) return 0;
  std::size_t n = std::min<std::size_t>(text.size(), nSize - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = 0;
  return static_cast<DWORD>(n);
}

// A list of names, each ended by NUL, the whole ended by a second NUL.
// When it does not fit, the result is cut and nSize - 2 returned.
DWORD copyList(const std::vector<std::string>& names, LPSTR buffer, DWORD nSize) {
  if (!buffer || nSize == 0) return 0;
  if (nSize == 1) {
    buffer[0] = 0;
    return 0;
  }
  std::string packed;
  for (const std::string& n : names) {
    packed += n;
    packed += '\0';
  }
  if (packed.size() + 1 <= nSize) {
    std::memcpy(buffer, packed.data(), packed.size());
    buffer[packed.size()] = 0;
    if (packed.empty()) buffer[1] = 0;
    return static_cast<DWORD>(packed.size());
  }
  std::memcpy(buffer, packed.data(), nSize - 2);
  buffer[nSize - 2] = 0;
  buffer[nSize - 1] = 0;
  return nSize - 2;
}

std::string trimmedDefault(LPCSTR lpDefault) {
  std::string d = lpDefault ? lpDefault : "";
  while (!d.empty() && (d.back() == ' ' || d.back() == '\t')) d.pop_back();
  return d;
}

}  // namespace

DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault, LPSTR lpReturnedString,
                               DWORD nSize, LPCSTR lpFileName) {
  std::vector<std::string> names;
  std::optional<std::string> value;
  bool found = withIni(hostFileOf(lpFileName), [&](const IniDocument& doc) {
    if (!lpAppName)
      names = doc.sectionNames();
    else if (!lpKeyName)
      names = doc.keyNames(lpAppName);
    else
      value = doc.value(lpAppName, lpKeyName);
  });
  if (!found) SetLastError(ERROR_FILE_NOT_FOUND);
  if (!lpAppName || !lpKeyName) return copyList(names, lpReturnedString, nSize);
  return copyText(value ? *value : trimmedDefault(lpDefault), lpReturnedString, nSize);
}

UINT GetPrivateProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault, LPCSTR lpFileName) {
  char buf[64];
  DWORD n = GetPrivateProfileStringA(lpAppName, lpKeyName, "", buf, sizeof buf, lpFileName);
  if (n == 0) return static_cast<UINT>(nDefault);
  // Leading digits only, as Windows reads them.
  return static_cast<UINT>(std::strtol(buf, nullptr, 10));
}

BOOL WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString, LPCSTR lpFileName) {
  if (!lpAppName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string host = hostFileOf(lpFileName);
  if (host.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  IniDocument doc(GetACP());
  withIni(host, [&](const IniDocument& cached) { doc = cached; });
  if (!lpKeyName)
    doc.deleteSection(lpAppName);
  else if (!lpString)
    doc.deleteKey(lpAppName, lpKeyName);
  else
    doc.setValue(lpAppName, lpKeyName, lpString);
  std::string temp = host + ".kl570-new";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << doc.serialize();
    out.flush();
    if (!out) {
      ::unlink(temp.c_str());
      SetLastError(ERROR_WRITE_FAULT);
      return FALSE;
    }
  }
  if (::rename(temp.c_str(), host.c_str()) != 0) {
    ::unlink(temp.c_str());
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  return TRUE;
}

}  // namespace win
