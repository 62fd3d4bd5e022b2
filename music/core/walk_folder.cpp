#include "music/core/walk_folder.h"

#include <cstring>
#include <new>

#include "platform/win/codepage.h"
#include "platform/win/files.h"

namespace virelo {

namespace {

class FindHandle {
 public:
  explicit FindHandle(win::HANDLE handle) : handle_(handle) {}
  ~FindHandle() {
    if (valid()) win::FindClose(handle_);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  bool valid() const { return handle_ != win::INVALID_HANDLE_VALUE; }
  win::HANDLE get() const { return handle_; }

 private:
  win::HANDLE handle_;
};

class Walk {
 public:
  Walk(const std::vector<std::string>* extensions, const std::atomic<bool>& cancel, WalkProgress* progress)
      : extensions_(extensions), cancel_(cancel), progress_(progress) {}

  // folder ends with a backslash. Returns false when the walk must stop.
  bool walk(const std::string& folder) {
    std::string pattern = folder + "*.*";
    // Windows cannot list a folder whose pattern does not fit MAX_PATH;
    // this also bounds the depth of the walk.
    if (pattern.size() >= win::MAX_PATH) return true;
    win::WIN32_FIND_DATAA entry{};
    FindHandle find(win::FindFirstFileA(pattern.c_str(), &entry));
    if (!find.valid()) return true;
    do {
      if (cancel_.load()) return false;
      if (!visit(folder, entry)) return false;
      entry = {};
    } while (win::FindNextFileA(find.get(), &entry));
    return true;
  }

  std::vector<std::string>& paths() { return paths_; }

 private:
  bool visit(const std::string& folder, const win::WIN32_FIND_DATAA& entry) {
    std::string name(entry.cFileName, strnlen(entry.cFileName, sizeof entry.cFileName));
    if (name.empty() || name == "." || name == "..") return true;
    if (entry.dwFileAttributes & win::FILE_ATTRIBUTE_DIRECTORY) {
      std::string subFolder = folder + name + "\\";
      if (progress_) progress_->folderEntered(subFolder);
      return walk(subFolder);
    }
    if (progress_) progress_->fileSeen(name);
    if (accepts(name)) paths_.push_back(folder + name);
    return true;
  }

  bool accepts(const std::string& name) const {
    if (!extensions_) return true;
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    std::string_view extension(name.data() + dot, name.size() - dot);
    for (const std::string& accepted : *extensions_) {
      if (win::AnsiEqualNoCase(extension, accepted)) return true;
    }
    return false;
  }

  const std::vector<std::string>* extensions_;
  const std::atomic<bool>& cancel_;
  WalkProgress* progress_;
  std::vector<std::string> paths_;
};

}  // namespace

WalkResult WalkFolder(const std::string& startFolder, const std::vector<std::string>* acceptedExtensions,
                      const std::atomic<bool>& cancel, WalkProgress* progress) {
  WalkResult result;
  Walk walk(acceptedExtensions, cancel, progress);
  try {
    if (startFolder.empty()) {
      result.completed = true;
      return result;
    }
    std::string folder = startFolder;
    if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
    result.completed = walk.walk(folder);
  } catch (const std::bad_alloc&) {
    // A list that cannot grow ends the walk as a cancel does.
    result.completed = false;
  }
  result.paths = std::move(walk.paths());
  return result;
}

}  // namespace virelo
