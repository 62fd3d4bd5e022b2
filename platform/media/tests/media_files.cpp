#include "platform/media/tests/media_files.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace mediatest {

ScratchFolder::ScratchFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "kl570-media-XXXXXX").string();
  folder_ = mkdtemp(pattern.data()) ? pattern : std::string();
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
}

void ScratchFolder::write(const std::string& name, const std::string& bytes) const {
  std::ofstream(path(name), std::ios::binary) << bytes;
}

bool RunTool(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

}  // namespace mediatest
