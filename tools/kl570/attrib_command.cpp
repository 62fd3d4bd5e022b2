// kl570 attrib WINPATH...: the attributes of each path as the letters R H S A.
#include <cstdio>

#include "platform/win/files.h"
#include "tools/kl570/commands.h"

namespace kl570 {

int RunAttrib(const CommandLine& call) {
  SelectMachineOf(call);
  if (call.words().size() < 2) return Usage("attrib takes one or more paths");
  int rc = 0;
  for (std::size_t i = 1; i < call.words().size(); ++i) {
    std::string path = WindowsPathArgument(call.words()[i]);
    win::DWORD a = win::GetFileAttributesA(path.c_str());
    if (a == win::INVALID_FILE_ATTRIBUTES) {
      std::fprintf(stderr, "kl570: %s: not found\n", ForTerminal(path).c_str());
      rc = 1;
      continue;
    }
    std::printf("%c%c%c%c %s%s\n", a & win::FILE_ATTRIBUTE_READONLY ? 'R' : '-',
                a & win::FILE_ATTRIBUTE_HIDDEN ? 'H' : '-', a & win::FILE_ATTRIBUTE_SYSTEM ? 'S' : '-',
                a & win::FILE_ATTRIBUTE_ARCHIVE ? 'A' : '-', ForTerminal(path).c_str(),
                a & win::FILE_ATTRIBUTE_DIRECTORY ? "\\" : "");
  }
  return rc;
}

}  // namespace kl570
