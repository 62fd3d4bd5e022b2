// kl570 vplayer show [--json] [--player N]
#include <cstdio>
#include <filesystem>

#include "platform/devices/player_setup.h"
#include "platform/devices/virtual_player.h"
#include "tools/kl570/commands.h"
#include "tools/kl570/json_writer.h"
#include "tools/kl570/vplayer_commands.h"

namespace kl570 {

int VplayerShow(const CommandLine& call) {
  if (call.words().size() != 2) return Usage("vplayer show takes only options");
  SelectMachineOf(call);
  auto folder = ChosenPlayerFolder(call);
  if (!folder) return 1;
  auto player = devices::VirtualPlayer::At(*folder);
  devices::PlayerDescription d = player->description();
  bool present = player->present();
  const char* mode = d.mode == devices::PlayerMode::Recovery ? "recovery" : "msc";
  std::string letter = d.letter ? std::string(1, d.letter) : std::string();
  std::string data = (std::filesystem::path(*folder) / devices::kPlayerDataFolder).string();
  auto fileOf = [&](const devices::LogicalDrive& v) { return (std::filesystem::path(*folder) / v.file).string(); };
  if (call.flag("json")) {
    JsonWriter j;
    j.beginObject()
        .key("folder").value(*folder)
        .key("mode").value(mode)
        .key("letter").value(letter)
        .key("present").value(present)
        .key("vanished").value(d.vanished)
        .key("chipRevision").value(static_cast<std::int64_t>(d.chipRevision))
        .key("capacity").value(static_cast<std::uint64_t>(d.capacity))
        .key("dataFolder").value(data)
        .key("drives").beginArray();
    for (const devices::LogicalDrive& v : d.drives) {
      j.beginObject()
          .key("number").value(static_cast<std::int64_t>(v.number))
          .key("type").value(static_cast<std::int64_t>(v.type))
          .key("tag").value(static_cast<std::int64_t>(v.tag))
          .key("size").value(static_cast<std::uint64_t>(v.size))
          .key("sectorSize").value(static_cast<std::int64_t>(v.sectorSize))
          .key("componentVersion").value(devices::FormatVersionPadded(v.componentVersion))
          .key("productVersion").value(devices::FormatVersionPadded(v.productVersion))
          .key("file").value(fileOf(v))
          .endObject();
    }
    j.endArray().key("knobs").beginObject();
    for (const auto& [name, value] : devices::KnobValues(d.knobs)) j.key(name).value(value);
    j.endObject().endObject();
    std::printf("%s\n", j.text().c_str());
    return 0;
  }
  std::printf("%s\n  mode %s, drive %s, %s, chip revision 0x%04x, %llu bytes of flash\n  data folder %s\n",
              folder->c_str(), mode, letter.empty() ? "none" : (letter + ":").c_str(),
              present ? "present" : d.vanished ? "unplugged" : "not a disk now", d.chipRevision,
              static_cast<unsigned long long>(d.capacity), data.c_str());
  std::printf("  number type tag  size        sector component   product     file\n");
  for (const devices::LogicalDrive& v : d.drives)
    std::printf("  %-6u %-4u 0x%02x %-11llu %-6u %s %s %s\n", v.number, v.type, v.tag,
                static_cast<unsigned long long>(v.size), v.sectorSize,
                devices::FormatVersionPadded(v.componentVersion).c_str(),
                devices::FormatVersionPadded(v.productVersion).c_str(), fileOf(v).c_str());
  std::printf("  knobs:");
  for (const auto& [name, value] : devices::KnobValues(d.knobs)) std::printf(" %s=%s", name.c_str(), value.c_str());
  std::printf("\n");
  return 0;
}

}  // namespace kl570
