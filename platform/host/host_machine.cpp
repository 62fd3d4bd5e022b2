#include "platform/host/host_machine.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace host {
namespace {

std::string envOr(const char* name, const std::string& fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::string(v) : fallback;
}

std::string homeFolder() { return envOr("HOME", "/tmp"); }

// The language and code page the user's locale asks for.
void applyLocale(win::MachineSettings& s) {
  std::string lang = envOr("LC_ALL", envOr("LC_MESSAGES", envOr("LANG", "")));
  if (lang.rfind("zh", 0) == 0) {
    s.systemLangId = s.userLangId = lang.rfind("zh_TW", 0) == 0 ? 0x0404 : 0x0804;
    s.codePage = 936;
  } else {
    s.systemLangId = s.userLangId = 0x0409;
    s.codePage = 1252;
  }
}

}  // namespace

HostMachine::HostMachine() {
  sim::MachineDescription base;
  applyLocale(base.settings);
  base.settings.administrator = ::geteuid() == 0;
  base.drives.push_back(win::DriveMapping{'Z', "/", win::DRIVE_FIXED, std::nullopt});
  std::string configFolder = envOr("XDG_CONFIG_HOME", homeFolder() + "/.config") + "/kl570";
  description_ = sim::ReadMachineIni(configFolder + "/machine.ini", configFolder, base);
}

std::string HostMachine::registryFolder() const {
  return envOr("XDG_DATA_HOME", homeFolder() + "/.local/share") + "/kl570/registry";
}

std::string HostMachine::runtimeFolder() const {
  return envOr("XDG_RUNTIME_DIR", "/tmp/kl570-" + std::to_string(::getuid())) + "/kl570";
}

}  // namespace host
