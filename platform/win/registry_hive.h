// One registry hive held in memory and kept in a text file of the
// machine. Every change rewrites the file (through a temporary file, so a
// crash leaves the old or the new hive); a change made by another process
// is read again before the next access.
//
// The file: a line "KL570 registry 1", then for each key a line "[path]"
// followed by its values as  "name"=type:hex-bytes  (the default value has
// the empty name).
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win/types.h"

namespace win {

struct RegistryValue {
  std::string name;
  DWORD type = 0;
  std::string data;
};

struct RegistryKey {
  std::string name;
  std::vector<std::unique_ptr<RegistryKey>> children;
  std::vector<RegistryValue> values;

  RegistryKey* child(const std::string& childName) const;
  RegistryValue* value(const std::string& valueName);
};

class RegistryHive {
 public:
  explicit RegistryHive(std::string file) : file_(std::move(file)) {}

  // Runs `work` on the hive's root under the hive's lock, after reading
  // the file again if it changed; saves afterwards when `work` returns true
  // in `changed`.
  template <typename Work>
  LONG access(Work&& work) {
    std::lock_guard lock(mutex_);
    reloadIfChanged();
    bool changed = false;
    LONG result = work(root_, changed);
    if (changed && !save()) return ERROR_WRITE_FAULT;
    return result;
  }

 private:
  void reloadIfChanged();
  bool save();

  std::string file_;
  std::mutex mutex_;
  RegistryKey root_;
  long long stampSec_ = -1, stampNsec_ = -1, size_ = -1, inode_ = -1;
};

// The hive behind a predefined key of the current machine, or nullptr.
RegistryHive* HiveOf(HKEY predefined);

bool RegistryNameEquals(const std::string& a, const std::string& b);

}  // namespace win
