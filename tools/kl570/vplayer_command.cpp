// kl570 vplayer add | show | set: the virtual player of a simulated machine.
#include <filesystem>

#include "platform/devices/player_setup.h"
#include "tools/kl570/commands.h"
#include "tools/kl570/vplayer_commands.h"

namespace kl570 {

std::optional<std::string> ChosenPlayerFolder(const CommandLine& call) {
  std::string wanted = "player" + call.value("player").value_or("0");
  for (const std::string& folder : devices::MachinePlayerFolders())
    if (std::filesystem::path(folder).filename() == wanted) return folder;
  Fail("the machine has no " + wanted + " (kl570 vplayer add puts one in)");
  return std::nullopt;
}

int RunVplayer(const CommandLine& call) {
  const std::string what = call.words().size() > 1 ? call.words()[1] : "";
  if (what == "add") return VplayerAdd(call);
  if (what == "show") return VplayerShow(call);
  if (what == "set") return VplayerSet(call);
  return Usage("vplayer takes add, show or set");
}

}  // namespace kl570
