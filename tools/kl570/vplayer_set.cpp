// kl570 vplayer set KNOB VALUE [--player N]: a fault knob (player_knobs.h),
// or the player's state: mode msc|recovery, vanished 0|1.
#include <cstdio>

#include "platform/devices/player_knobs.h"
#include "platform/devices/virtual_player.h"
#include "tools/kl570/commands.h"
#include "tools/kl570/vplayer_commands.h"

namespace kl570 {

int VplayerSet(const CommandLine& call) {
  if (call.words().size() != 4) return Usage("vplayer set takes a knob and its value");
  SelectMachineOf(call);
  const std::string& name = call.words()[2];
  const std::string& value = call.words()[3];
  // Checked before anything is written.
  devices::PlayerKnobs probe;
  std::string error;
  if (name == "mode") {
    if (value != "msc" && value != "recovery") return Usage("mode takes msc or recovery");
  } else if (name == "vanished") {
    if (value != "0" && value != "1") return Usage("vanished takes 0 or 1");
  } else if (!devices::SetKnob(probe, name, value, &error)) {
    std::string known;
    for (const std::string& k : devices::KnobNames()) known += " " + k;
    return Usage(error + " (knobs:" + known + ", mode, vanished)");
  }
  auto folder = ChosenPlayerFolder(call);
  if (!folder) return 1;
  bool ok = devices::VirtualPlayer::At(*folder)->update([&](devices::PlayerDescription& d) {
    if (name == "mode") {
      d.mode = value == "recovery" ? devices::PlayerMode::Recovery : devices::PlayerMode::MassStorage;
      d.appearsAt = 0;
    } else if (name == "vanished") {
      d.vanished = value == "1";
    } else {
      devices::SetKnob(d.knobs, name, value, nullptr);
    }
  });
  if (!ok) return Fail("cannot write the description in " + *folder);
  std::printf("%s: %s %s\n", folder->c_str(), name.c_str(), value.c_str());
  return 0;
}

}  // namespace kl570
