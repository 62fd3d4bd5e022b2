// Walking a folder tree for music files, depth first, in the order the
// file system lists each folder.
#pragma once

#include <atomic>
#include <string>
#include <vector>

namespace virelo {

// What a walk tells the dialog that shows it.
class WalkProgress {
 public:
  virtual ~WalkProgress() = default;
  // A sub-folder as it is entered: its full path with a trailing backslash.
  virtual void folderEntered(const std::string& folderPath) = 0;
  // Each file's name as it is looked at, accepted or not.
  virtual void fileSeen(const std::string& fileName) = 0;
};

struct WalkResult {
  std::vector<std::string> paths;  // full paths of the accepted files, in walk order
  bool completed = false;          // false when cancelled (or out of memory)
};

// Walks startFolder (a trailing backslash is optional). acceptedExtensions
// lists texts such as ".mp3", compared without regard to case with the
// text from the last dot of a file name; nullptr accepts every file.
// cancel is read before each entry and may be set from another thread.
// progress may be nullptr.
WalkResult WalkFolder(const std::string& startFolder, const std::vector<std::string>* acceptedExtensions,
                      const std::atomic<bool>& cancel, WalkProgress* progress);

}  // namespace virelo
