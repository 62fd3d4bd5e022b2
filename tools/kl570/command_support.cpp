#include <cstdio>
#include <filesystem>

#include "platform/win/codepage.h"
#include "platform/win/machine.h"
#include "platform/win/paths.h"
#include "tools/kl570/commands.h"

namespace kl570 {

void SelectMachineOf(const CommandLine& call) {
  if (auto folder = call.value("machine")) win::SelectMachine(std::filesystem::absolute(*folder).string());
}

std::string WindowsPathArgument(const std::string& path) {
  bool windows = (path.size() >= 2 && path[1] == ':') || path.rfind("\\", 0) == 0;
  // The terminal speaks UTF-8; Windows paths are the machine's code page.
  if (windows) return win::FullWindowsPath(win::Utf8ToAnsi(path));
  return win::WindowsPathOf(std::filesystem::absolute(path).lexically_normal().string());
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "kl570: %s\n", message.c_str());
  return 1;
}

int Usage(const std::string& message) {
  std::fprintf(stderr, "kl570: %s\n(see kl570 help)\n", message.c_str());
  return 2;
}

std::string ForTerminal(const std::string& ansi) { return win::AnsiToUtf8(ansi); }

}  // namespace kl570
