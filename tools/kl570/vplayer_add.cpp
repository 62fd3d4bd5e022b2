// kl570 vplayer add [--size 64M] [--mode msc|recovery] [--letter E] [--firmware 1.0.0]
#include <cstdio>
#include <cstdlib>

#include "platform/devices/player_setup.h"
#include "platform/win/machine.h"
#include "tools/kl570/commands.h"
#include "tools/kl570/vplayer_commands.h"

namespace kl570 {
namespace {

// "64M", "1G", "512K" or plain bytes.
std::optional<std::uint64_t> parseSize(const std::string& text) {
  if (text.empty() || text[0] < '0' || text[0] > '9') return std::nullopt;
  char* end = nullptr;
  unsigned long long v = std::strtoull(text.c_str(), &end, 10);
  std::string unit = end;
  std::uint64_t scale = unit.empty() ? 1 : unit == "K" || unit == "k" ? 1ull << 10
                                         : unit == "M" || unit == "m" ? 1ull << 20
                                         : unit == "G" || unit == "g" ? 1ull << 30
                                                                      : 0;
  if (!scale || v > (1ull << 40) / scale) return std::nullopt;
  return v * scale;
}

}  // namespace

int VplayerAdd(const CommandLine& call) {
  if (call.words().size() != 2) return Usage("vplayer add takes only options");
  SelectMachineOf(call);
  devices::PlayerOptions options;
  if (auto size = call.value("size")) {
    auto bytes = parseSize(*size);
    if (!bytes) return Usage("--size takes a size such as 64M");
    options.size = *bytes;
  }
  std::string mode = call.value("mode").value_or("msc");
  if (mode != "msc" && mode != "recovery") return Usage("--mode takes msc or recovery");
  options.mode = mode == "recovery" ? devices::PlayerMode::Recovery : devices::PlayerMode::MassStorage;
  if (auto letter = call.value("letter")) {
    std::string l = *letter;
    if (l.size() == 2 && l[1] == ':') l.pop_back();
    if (l.size() != 1) return Usage("--letter takes a drive letter such as E");
    options.letter = l[0];
  }
  if (auto firmware = call.value("firmware")) {
    auto v = devices::ParseVersion(*firmware);
    if (!v) return Usage("--firmware takes a version such as 1.0.0");
    options.firmware = *v;
  }
  std::string error;
  auto folder = devices::AddVirtualPlayer(options, &error);
  if (!folder) return Fail(error);
  devices::PlayerDescription d;
  devices::ReadPlayerDescription(*folder, d);
  std::printf("%s: %llu bytes, mode %s, drive %c:, firmware %s\n", folder->c_str(),
              static_cast<unsigned long long>(d.capacity), mode.c_str(), d.letter,
              devices::FormatVersion(options.firmware).c_str());
  return 0;
}

}  // namespace kl570
