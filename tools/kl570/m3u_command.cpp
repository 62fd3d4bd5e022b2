// kl570 m3u read FILE: the paths an M3U list names, one a line.
#include <cstdio>

#include "music/core/m3u.h"
#include "tools/kl570/commands.h"

namespace kl570 {

int RunM3u(const CommandLine& call) {
  SelectMachineOf(call);
  if (call.words().size() != 3 || call.words()[1] != "read") return Usage("m3u takes read FILE");
  std::vector<std::string> paths;
  if (!virelo::readM3u(WindowsPathArgument(call.words()[2]), paths)) return Fail("cannot read " + call.words()[2]);
  for (const std::string& p : paths) std::printf("%s\n", ForTerminal(p).c_str());
  return 0;
}

}  // namespace kl570
