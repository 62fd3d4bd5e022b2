// kl570 machine init DIR [--os 95|98|me|nt4|2000|xp] [--lang HEX] [--codepage N]
//                       [--aspi driver|system]
// kl570 machine show [--json]
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "aspi/win9x_aspi.h"
#include "platform/sim/machine_builder.h"
#include "platform/sim/machine_ini.h"
#include "platform/win/machine.h"
#include "platform/win/registry.h"
#include "tools/kl570/commands.h"
#include "tools/kl570/json_writer.h"
#include "tools/kl570/kit_install.h"

namespace kl570 {
namespace {

bool parseNumber(const std::string& text, int base, unsigned long& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  out = std::strtoul(text.c_str(), &end, base);
  return *end == 0;
}

// On a 9x machine the ASPI layer drives the player through its own driver
// unless its settings say to use the system's ASPI manager.
bool chooseSystemAspi(std::string* error) {
  win::HKEY key = nullptr;
  if (win::RegCreateKeyExA(win::HKEY_CURRENT_USER, aspi::kSettings9xKey, 0, nullptr, 0, win::KEY_WRITE, nullptr, &key, nullptr) !=
      win::ERROR_SUCCESS) {
    *error = "cannot write the ASPI settings to the registry";
    return false;
  }
  win::DWORD yes = 1;
  win::LONG r = win::RegSetValueExA(key, "UseSystemASPI", 0, win::REG_DWORD, reinterpret_cast<const win::BYTE*>(&yes),
                                    sizeof yes);
  win::RegCloseKey(key);
  if (r != win::ERROR_SUCCESS) *error = "cannot write the ASPI settings to the registry";
  return r == win::ERROR_SUCCESS;
}

int init(const CommandLine& call) {
  if (call.words().size() != 3) return Usage("machine init takes one folder");
  std::string folder = std::filesystem::absolute(call.words()[2]).string();
  auto settings = sim::SettingsForOs(call.value("os").value_or("xp"));
  if (!settings) return Usage("unknown --os " + *call.value("os") + " (95, 98, me, nt4, 2000 or xp)");
  unsigned long lang = 0x0409;
  if (auto text = call.value("lang")) {
    std::string digits = text->rfind("0x", 0) == 0 ? text->substr(2) : *text;
    if (!parseNumber(digits, 16, lang) || lang > 0xFFFF) return Usage("--lang takes a hexadecimal language id");
  }
  settings->systemLangId = settings->userLangId = static_cast<win::LANGID>(lang);
  // Chinese systems use code page 936 unless told otherwise.
  unsigned long codePage = (lang & 0x3FF) == 0x04 ? 936 : 1252;
  if (auto text = call.value("codepage"))
    if (!parseNumber(*text, 10, codePage) || (codePage != 936 && codePage != 1252))
      return Usage("--codepage takes 936 or 1252");
  settings->codePage = static_cast<win::UINT>(codePage);
  std::string aspi = call.value("aspi").value_or("driver");
  if (aspi != "driver" && aspi != "system") return Usage("--aspi takes driver or system");

  sim::MachineSpec spec;
  spec.settings = *settings;
  AddKitPrograms(spec);
  std::string error;
  if (!sim::CreateSimulatedMachine(folder, spec, &error)) return Fail(error);
  win::SelectMachine(folder);
  if (!InstallVireloFiles(&error) || !InstallPendrelFiles(&error)) return Fail(error);
  if (aspi == "system" && !chooseSystemAspi(&error)) return Fail(error);
  std::printf("machine %s: Windows %s, language %04lx, code page %lu, kit in %s\n", folder.c_str(),
              call.value("os").value_or("xp").c_str(), lang, codePage, kVireloFolder);
  return 0;
}

int show(const CommandLine& call) {
  SelectMachineOf(call);
  win::Machine& m = win::CurrentMachine();
  const win::MachineSettings& s = m.settings();
  std::vector<win::DriveMapping> drives = m.drives();
  if (call.flag("json")) {
    JsonWriter j;
    j.beginObject()
        .key("simulated").value(m.simulated())
        .key("osMajor").value(static_cast<std::int64_t>(s.osMajor))
        .key("osMinor").value(static_cast<std::int64_t>(s.osMinor))
        .key("osBuild").value(static_cast<std::int64_t>(s.osBuild))
        .key("platformId").value(static_cast<std::int64_t>(s.platformId))
        .key("systemLanguage").value(static_cast<std::int64_t>(s.systemLangId))
        .key("userLanguage").value(static_cast<std::int64_t>(s.userLangId))
        .key("codePage").value(static_cast<std::int64_t>(s.codePage))
        .key("screenWidth").value(s.screenWidth)
        .key("screenHeight").value(s.screenHeight)
        .key("administrator").value(s.administrator)
        .key("timeScale").value(s.timeScale)
        .key("drives").beginArray();
    for (const win::DriveMapping& d : drives) {
      j.beginObject()
          .key("letter").value(std::string(1, d.letter))
          .key("folder").value(d.hostFolder)
          .key("type").value(sim::DriveTypeName(d.type));
      if (d.capacity) j.key("capacity").value(static_cast<std::uint64_t>(*d.capacity));
      j.endObject();
    }
    j.endArray().endObject();
    std::printf("%s\n", j.text().c_str());
    return 0;
  }
  std::printf("machine      %s\n", m.simulated() ? "simulated" : "host");
  std::printf("windows      %u.%u build %u, platform %u\n", s.osMajor, s.osMinor, s.osBuild, s.platformId);
  std::printf("languages    system %04x, user %04x\n", s.systemLangId, s.userLangId);
  std::printf("code page    %u\n", s.codePage);
  std::printf("screen       %dx%d\n", s.screenWidth, s.screenHeight);
  std::printf("administrator %s\n", s.administrator ? "yes" : "no");
  std::printf("time scale   %g\n", s.timeScale);
  for (const win::DriveMapping& d : drives) {
    std::printf("%c:  %-9s %s", d.letter, sim::DriveTypeName(d.type), d.hostFolder.c_str());
    if (d.capacity) std::printf("  (%llu bytes)", static_cast<unsigned long long>(*d.capacity));
    std::printf("\n");
  }
  return 0;
}

}  // namespace

int RunMachine(const CommandLine& call) {
  const auto& w = call.words();
  if (w.size() >= 2 && w[1] == "init") return init(call);
  if (w.size() == 2 && w[1] == "show") return show(call);
  return Usage("machine takes init DIR or show");
}

}  // namespace kl570
