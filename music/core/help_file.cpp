#include "music/core/help_file.h"

#include "music/core/language_config.h"
#include "platform/win/system.h"

namespace virelo {

std::string HelpFilePath(const std::string& programFolder, win::LANGID systemLanguage) {
  std::string name = ReadConfigForLanguage(ConfigIniPath(programFolder), kVireloConfigSection, "HELP", systemLanguage);
  return name.empty() ? std::string() : programFolder + name;
}

bool ShowHelp(win::HWND owner, const std::string& programFolder, win::LANGID systemLanguage) {
  std::string path = HelpFilePath(programFolder, systemLanguage);
  std::size_t cut = path.find_last_of('\\');
  if (path.empty() || cut == std::string::npos || cut + 1 == path.size()) return false;
  std::string folder = path.substr(0, cut);
  std::string file = path.substr(cut + 1);
  win::HINSTANCE result =
      win::ShellExecuteA(owner, "open", file.c_str(), nullptr, folder.c_str(), win::SW_SHOWDEFAULT);
  return reinterpret_cast<std::intptr_t>(result) > 32;
}

}  // namespace virelo
