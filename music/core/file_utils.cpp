#include "music/core/file_utils.h"

#include <cctype>
#include <cstring>

#include "music/core/library_services.h"
#include "music/core/music_collection_text.h"
#include "platform/win/files.h"
#include "platform/win/interaction.h"
#include "platform/win/last_error.h"
#include "platform/win/paths.h"
#include "platform/win/volumes.h"

namespace virelo {
namespace {

constexpr win::DWORD kHiddenSystem = win::FILE_ATTRIBUTE_HIDDEN | win::FILE_ATTRIBUTE_SYSTEM;
constexpr win::DWORD kSettableBits =
    win::FILE_ATTRIBUTE_READONLY | kHiddenSystem | win::FILE_ATTRIBUTE_ARCHIVE;
constexpr char kMessageCaption[] = "Virelo";

bool isDriveRoot(const std::string& path) { return path.size() == 3 && path[1] == ':'; }

// The path without one trailing separator; a drive root stays as it is.
std::string withoutTrailingSeparator(const std::string& path) {
  if (!path.empty() && (path.back() == '\\' || path.back() == '/') && !isDriveRoot(path))
    return path.substr(0, path.size() - 1);
  return path;
}

// The extension of the file-name part, without its dot; empty when none.
std::string extensionOf(const std::string& path) {
  std::size_t cut = path.find_last_of("\\/");
  std::size_t start = cut == std::string::npos ? 0 : cut + 1;
  std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || dot < start) return {};
  return path.substr(dot + 1);
}

bool equalsAsciiNoCase(const std::string& a, const char* b) {
  std::size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (std::size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// Fills the first "%s" of a language text with an argument. The text comes
// from a language file, so every other "%" stays as it is ("%%" is one "%").
std::string fillText(const char* text, const std::string& argument) {
  std::string out;
  bool filled = false;
  for (const char* p = text ? text : ""; *p; ++p) {
    if (p[0] == '%' && p[1] == '%') {
      out += '%';
      ++p;
    } else if (!filled && p[0] == '%' && p[1] == 's') {
      out += argument;
      filled = true;
      ++p;
    } else {
      out += *p;
    }
  }
  return out;
}

}  // namespace

std::string programFolder() {
  char path[win::MAX_PATH] = {};
  win::GetModuleFileNameA(nullptr, path, win::MAX_PATH);
  std::string text(path);
  std::size_t cut = text.find_last_of('\\');
  return cut == std::string::npos ? std::string{} : text.substr(0, cut + 1);
}

bool isFolder(const std::string& path) {
  win::DWORD attributes = win::GetFileAttributesA(withoutTrailingSeparator(path).c_str());
  return attributes != win::INVALID_FILE_ATTRIBUTES && (attributes & win::FILE_ATTRIBUTE_DIRECTORY);
}

int makeFolder(const std::string& path, bool hiddenSystem) {
  std::string folder = withoutTrailingSeparator(path);
  win::DWORD attributes = win::GetFileAttributesA(folder.c_str());
  if (attributes == win::INVALID_FILE_ATTRIBUTES) {
    if (!win::CreateDirectoryA(folder.c_str(), nullptr)) return 0;
    if (hiddenSystem) win::SetFileAttributesA(folder.c_str(), kHiddenSystem);
    return 1;
  }
  if (hiddenSystem && (attributes & win::FILE_ATTRIBUTE_DIRECTORY) && !(attributes & kHiddenSystem))
    win::SetFileAttributesA(folder.c_str(), (attributes & kSettableBits) | kHiddenSystem);
  return 0;
}

std::uint32_t fileSizeOf(const std::string& path) {
  // Opened for no access, so that a file another program holds still counts.
  win::HANDLE file = win::CreateFileA(path.c_str(), 0, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE |
                                                          win::FILE_SHARE_DELETE,
                                      nullptr, win::OPEN_EXISTING, win::FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == win::INVALID_HANDLE_VALUE) return 0;
  win::DWORD size = win::GetFileSize(file, nullptr);
  win::CloseHandle(file);
  return size == win::INVALID_FILE_SIZE ? 0 : size;
}

namespace {

// A path of the form "X:\folder\name" whose parts are plain names: no
// forward slashes, no empty, "." or ".." parts, no wildcards, no part that
// Windows would trim (a trailing dot or space).
bool isPlainAbsolutePath(const std::string& path) {
  if (path.size() < 4 || path[1] != ':' || path[2] != '\\' || !std::isalpha(static_cast<unsigned char>(path[0])))
    return false;
  std::size_t start = 3;
  for (;;) {
    std::size_t end = path.find('\\', start);
    std::string part = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (part.empty() || part == "." || part == ".." || part.back() == '.' || part.back() == ' ' ||
        part.find_first_of("/*?\"<>|:") != std::string::npos)
      return false;
    if (end == std::string::npos) return true;
    start = end + 1;
  }
}

}  // namespace

FileSizeLookup::FileSizeLookup(unsigned codePage) : codePage_(codePage) {}

std::string FileSizeLookup::folded(const std::string& text) const { return foldedName(text, codePage_); }

FileSizeLookup::Folder& FileSizeLookup::folder(const std::string& path) {
  Folder& f = folders_[folded(path)];
  if (f.listed) return f;
  f.listed = true;
  win::WIN32_FIND_DATAA entry{};
  win::HANDLE find = win::FindFirstFileA((path + "\\*.*").c_str(), &entry);
  if (find == win::INVALID_HANDLE_VALUE) return f;
  do {
    bool isDirectory = entry.dwFileAttributes & win::FILE_ATTRIBUTE_DIRECTORY;
    // As fileSizeOf reads it: the low 32 bits, 0 for a folder.
    std::uint32_t size = isDirectory || entry.nFileSizeLow == win::INVALID_FILE_SIZE ? 0 : entry.nFileSizeLow;
    auto [it, fresh] = f.sizes.emplace(folded(entry.cFileName), size);
    if (!fresh) it->second = std::nullopt;
  } while (win::FindNextFileA(find, &entry));
  win::FindClose(find);
  return f;
}

std::uint32_t FileSizeLookup::sizeOf(const std::string& path) {
  if (!isPlainAbsolutePath(path)) return fileSizeOf(path);
  std::size_t cut = path.rfind('\\');
  // A drive root is listed as "X:\*.*".
  Folder& f = folder(path.substr(0, cut == 2 ? 2 : cut));
  auto it = f.sizes.find(folded(path.substr(cut + 1)));
  if (it == f.sizes.end()) return f.sizes.empty() ? fileSizeOf(path) : 0;
  return it->second ? *it->second : fileSizeOf(path);
}

bool copyFile(const std::string& dst, const std::string& src, bool hiddenSystem) {
  // A hidden, system or read-only target would refuse to be overwritten.
  win::DWORD existing = win::GetFileAttributesA(dst.c_str());
  if (existing != win::INVALID_FILE_ATTRIBUTES && !(existing & win::FILE_ATTRIBUTE_DIRECTORY) &&
      (existing & (kHiddenSystem | win::FILE_ATTRIBUTE_READONLY)))
    win::SetFileAttributesA(dst.c_str(), win::FILE_ATTRIBUTE_NORMAL);
  if (!win::CopyFileA(src.c_str(), dst.c_str(), win::FALSE)) return false;
  if (hiddenSystem) win::SetFileAttributesA(dst.c_str(), kHiddenSystem);
  return true;
}

bool deleteFile(const std::string& path) {
  win::SetFileAttributesA(path.c_str(), win::FILE_ATTRIBUTE_NORMAL);
  return win::DeleteFileA(path.c_str()) != win::FALSE;
}

std::uint64_t freeSpace(const std::string& rootPath) {
  win::DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
  if (!win::GetDiskFreeSpaceA(rootPath.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters))
    return 0;
  return static_cast<std::uint64_t>(sectorsPerCluster) * bytesPerSector * freeClusters;
}

void deleteFilesIn(const std::string& folder) {
  std::string base = folder;
  if (base.empty() || (base.back() != '\\' && base.back() != '/')) base += '\\';
  win::WIN32_FIND_DATAA entry{};
  win::HANDLE find = win::FindFirstFileA((base + "*.*").c_str(), &entry);
  if (find == win::INVALID_HANDLE_VALUE) return;
  do {
    if (!(entry.dwFileAttributes & win::FILE_ATTRIBUTE_DIRECTORY)) deleteFile(base + entry.cFileName);
  } while (win::FindNextFileA(find, &entry));
  win::FindClose(find);
}

bool renameFile(const std::string& oldPath, const std::string& newPath, const LibraryServices& services) {
  if (win::MoveFileA(oldPath.c_str(), newPath.c_str())) return true;
  std::string message;
  switch (win::GetLastError()) {
    case win::ERROR_ACCESS_DENIED:
    case win::ERROR_FILE_EXISTS:
    case win::ERROR_ALREADY_EXISTS: message = fillText(services.text(61241), newPath); break;
    case win::ERROR_PATH_NOT_FOUND:
    case win::ERROR_INVALID_NAME:
    case win::ERROR_BAD_PATHNAME:
    case win::ERROR_INVALID_DRIVE:
    case win::ERROR_FILENAME_EXCED_RANGE: message = fillText(services.text(61242), {}); break;
    default: message = fillText(services.text(61240), oldPath); break;
  }
  win::MessageBoxA(nullptr, message.c_str(), kMessageCaption, win::MB_OK | win::MB_ICONERROR);
  return false;
}

std::optional<std::string> browseForFolder(const std::string& title) {
  return win::CurrentInteraction().pickFolder(title);
}

int audioKind(const std::string& path) {
  std::string extension = extensionOf(path);
  if (equalsAsciiNoCase(extension, "mp3")) return 1;
  if (equalsAsciiNoCase(extension, "wma")) return 2;
  return 0;
}

int recordingKind(const std::string& path) {
  std::string extension = extensionOf(path);
  if (equalsAsciiNoCase(extension, "mp3")) return 1;
  if (equalsAsciiNoCase(extension, "rec")) return 2;
  return 0;
}

std::string lyricPathOf(const std::string& path) {
  for (std::size_t i = path.size(); i-- > 0;) {
    if (path[i] == '\\' || path[i] == '/') break;
    if (path[i] == '.') return path.substr(0, i) + ".LRC";
  }
  return path + ".LRC";
}

}  // namespace virelo
