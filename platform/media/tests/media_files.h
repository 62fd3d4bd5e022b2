// Media files made at test time with sox and lame in a private host folder.
#pragma once

#include <string>

namespace mediatest {

class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::string path(const std::string& name) const { return folder_ + "/" + name; }
  void write(const std::string& name, const std::string& bytes) const;

 private:
  std::string folder_;
};

// Runs a shell command; true when it exits with 0.
bool RunTool(const std::string& command);

}  // namespace mediatest
