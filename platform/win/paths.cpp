#include "platform/win/paths.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/win/codepage.h"
#include "platform/win/last_error.h"
#include "platform/win/machine.h"

namespace win {
namespace {

std::mutex& currentMutex() {
  static std::mutex& m = *new std::mutex;
  return m;
}

std::string& currentFolderSlot() {
  static std::string& folder = *new std::string;
  return folder;
}

unsigned& currentFolderGeneration() {
  static unsigned g = 0;
  return g;
}

std::string currentFolder() {
  std::lock_guard lock(currentMutex());
  std::string& folder = currentFolderSlot();
  if (folder.empty() || currentFolderGeneration() != MachineGeneration()) {
    currentFolderGeneration() = MachineGeneration();
    if (CurrentMachine().simulated()) {
      folder = "C:\\";
    } else {
      char buf[PATH_MAX];
      folder = ::getcwd(buf, sizeof buf) ? WindowsPathOf(buf) : "Z:\\";
    }
  }
  return folder;
}

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

std::vector<std::string> splitComponents(const std::string& rest) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : rest) {
    if (c == '\\') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

// The host folder behind a drive letter, empty when none.
std::string driveFolder(char letter) {
  letter = upper(letter);
  for (const DriveMapping& m : CurrentMachine().drives())
    if (m.letter == letter) return m.hostFolder;
  if (letter == 'Z') return "/";
  return {};
}

std::string joinHost(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

// The entry of `folder` that matches `component` without regard to case.
std::string matchComponent(const std::string& folder, const std::string& component, UINT cp) {
  std::string exact = AnsiToUtf8(component, cp);
  struct stat st {};
  if (::lstat(joinHost(folder, exact).c_str(), &st) == 0) return exact;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return exact;
  std::string found;
  while (dirent* e = ::readdir(dir)) {
    if (AnsiEqualNoCase(Utf8ToAnsi(e->d_name, cp), component, cp)) {
      found = e->d_name;
      break;
    }
  }
  ::closedir(dir);
  return found.empty() ? exact : found;
}

}  // namespace

std::string FullWindowsPath(const std::string& input) {
  std::string path = input;
  for (char& c : path)
    if (c == '/') c = '\\';
  if (path.rfind("\\\\.\\", 0) == 0) return path;  // device namespace
  std::string base;
  std::string rest;
  if (path.size() >= 2 && isLetter(path[0]) && path[1] == ':') {
    std::string drive = std::string(1, upper(path[0])) + ":";
    if (path.size() >= 3 && path[2] == '\\') {
      base = drive;
      rest = path.substr(2);
    } else {
      std::string cur = currentFolder();
      base = drive;
      rest = (upper(cur[0]) == drive[0] ? cur.substr(2) + "\\" : std::string("\\")) + path.substr(2);
    }
  } else if (!path.empty() && path[0] == '\\') {
    std::string cur = currentFolder();
    base = cur.substr(0, 2);
    rest = path;
  } else {
    std::string cur = currentFolder();
    base = cur.substr(0, 2);
    rest = cur.substr(2) + "\\" + path;
  }
  bool trailing = !path.empty() && path.back() == '\\';
  std::vector<std::string> folded;
  for (std::string& part : splitComponents(rest)) {
    if (part == ".") continue;
    if (part == "..") {
      if (!folded.empty()) folded.pop_back();
      continue;
    }
    folded.push_back(std::move(part));
  }
  std::string out = base;
  for (const std::string& part : folded) out += "\\" + part;
  if (folded.empty() || trailing) out += "\\";
  return out;
}

std::string HostPathOf(const std::string& windowsPath) {
  std::string full = FullWindowsPath(windowsPath);
  if (full.size() < 3 || full[1] != ':') return {};
  std::string host = driveFolder(full[0]);
  if (host.empty()) return {};
  UINT cp = GetACP();
  bool exists = true;
  for (const std::string& part : splitComponents(full.substr(2))) {
    std::string name = exists ? matchComponent(host, part, cp) : AnsiToUtf8(part, cp);
    host = joinHost(host, name);
    if (exists) {
      struct stat st {};
      exists = ::lstat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }
  }
  return host;
}

std::string WindowsPathOf(const std::string& hostPathIn) {
  std::string hostPath = hostPathIn;
  if (hostPath.empty() || hostPath[0] != '/') {
    char buf[PATH_MAX];
    if (::getcwd(buf, sizeof buf)) hostPath = joinHost(buf, hostPath);
  }
  // Fold "." and ".." lexically.
  std::vector<std::string> parts;
  std::string part;
  for (std::size_t i = 0; i <= hostPath.size(); ++i) {
    if (i == hostPath.size() || hostPath[i] == '/') {
      if (part == "..") {
        if (!parts.empty()) parts.pop_back();
      } else if (!part.empty() && part != ".") {
        parts.push_back(part);
      }
      part.clear();
    } else {
      part += hostPath[i];
    }
  }
  std::string normal = "/";
  for (std::size_t i = 0; i < parts.size(); ++i) normal += (i ? "/" : "") + parts[i];

  const DriveMapping* best = nullptr;
  std::vector<DriveMapping> drives = CurrentMachine().drives();
  for (const DriveMapping& m : drives) {
    const std::string& f = m.hostFolder;
    bool under = f == "/" || normal == f || (normal.size() > f.size() && normal.compare(0, f.size(), f) == 0 &&
                                             normal[f.size()] == '/');
    if (under && (!best || f.size() > best->hostFolder.size())) best = &m;
  }
  std::string letter;
  std::string rest;
  if (best) {
    letter = std::string(1, best->letter);
    rest = best->hostFolder == "/" ? normal : normal.substr(best->hostFolder.size());
  } else {
    letter = "Z";
    rest = normal;
  }
  std::string out = letter + ":" + Utf8ToAnsi(rest);
  for (char& c : out)
    if (c == '/') c = '\\';
  if (out.size() == 2) out += "\\";
  return out;
}

DWORD GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer) {
  std::string cur = currentFolder();
  // Windows keeps no trailing backslash except at a drive's root.
  if (cur.size() > 3 && cur.back() == '\\') cur.pop_back();
  if (!lpBuffer || nBufferLength <= cur.size()) return static_cast<DWORD>(cur.size() + 1);
  std::memcpy(lpBuffer, cur.c_str(), cur.size() + 1);
  return static_cast<DWORD>(cur.size());
}

BOOL SetCurrentDirectoryA(LPCSTR lpPathName) {
  if (!lpPathName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string full = FullWindowsPath(lpPathName);
  std::string host = HostPathOf(full);
  struct stat st {};
  if (host.empty() || ::stat(host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    SetLastError(host.empty() ? ERROR_INVALID_DRIVE : ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  std::lock_guard lock(currentMutex());
  currentFolderSlot() = full;
  currentFolderGeneration() = MachineGeneration();
  return TRUE;
}

namespace {

std::string modulePath() {
  const std::string& name = ProgramIdentity();
  if (!name.empty()) {
    for (const ProgramEntry& p : CurrentMachine().programs())
      if (AnsiEqualNoCase(p.name, name, 1252) && !p.windowsPath.empty()) return p.windowsPath;
  }
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "Z:\\" + name;
  buf[n] = 0;
  return WindowsPathOf(buf);
}

DWORD copyOut(const std::string& text, LPSTR buffer, DWORD size) {
  if (!buffer || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::size_t n = std::min<std::size_t>(text.size(), size - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = 0;
  if (n < text.size()) SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return static_cast<DWORD>(n);
}

std::string windowsFolder() {
  const MachineSettings& s = CurrentMachine().settings();
  bool winnt = s.platformId == VER_PLATFORM_WIN32_NT && (s.osMajor < 5 || (s.osMajor == 5 && s.osMinor == 0));
  return winnt ? "C:\\WINNT" : "C:\\WINDOWS";
}

}  // namespace

DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
  if (hModule) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return copyOut(modulePath(), lpFilename, nSize);
}

UINT GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) {
  std::string folder = windowsFolder();
  if (!lpBuffer || uSize <= folder.size()) return static_cast<UINT>(folder.size() + 1);
  return copyOut(folder, lpBuffer, uSize);
}

UINT GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize) {
  const MachineSettings& s = CurrentMachine().settings();
  std::string folder = windowsFolder() + (s.platformId == VER_PLATFORM_WIN32_NT ? "\\system32" : "\\SYSTEM");
  if (!lpBuffer || uSize <= folder.size()) return static_cast<UINT>(folder.size() + 1);
  return copyOut(folder, lpBuffer, uSize);
}

}  // namespace win
