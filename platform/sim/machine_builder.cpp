#include "platform/sim/machine_builder.h"

#include <filesystem>
#include <fstream>

#include "platform/sim/machine_ini.h"

namespace sim {

std::optional<win::MachineSettings> SettingsForOs(const std::string& os) {
  struct Row {
    const char* name;
    win::DWORD major, minor, build, platform;
  };
  static const Row rows[] = {
      {"95", 4, 0, 950, win::VER_PLATFORM_WIN32_WINDOWS},   {"98", 4, 10, 1998, win::VER_PLATFORM_WIN32_WINDOWS},
      {"me", 4, 90, 3000, win::VER_PLATFORM_WIN32_WINDOWS}, {"nt4", 4, 0, 1381, win::VER_PLATFORM_WIN32_NT},
      {"2000", 5, 0, 2195, win::VER_PLATFORM_WIN32_NT},     {"xp", 5, 1, 2600, win::VER_PLATFORM_WIN32_NT},
  };
  for (const Row& r : rows) {
    if (os != r.name) continue;
    win::MachineSettings s;
    s.osMajor = r.major;
    s.osMinor = r.minor;
    s.osBuild = r.build;
    s.platformId = r.platform;
    return s;
  }
  return std::nullopt;
}

bool CreateSimulatedMachine(const std::string& folder, const MachineSpec& spec, std::string* error) {
  namespace fs = std::filesystem;
  std::error_code ec;
  MachineDescription d;
  d.settings = spec.settings;
  d.programs = spec.programs;
  fs::create_directories(folder, ec);
  for (const char* sub : {"registry", "runtime"}) fs::create_directories(fs::path(folder) / sub, ec);
  for (const DriveSpec& drive : spec.drives) {
    std::string rel = drive.folder.empty() ? std::string("drives/") + drive.letter : drive.folder;
    fs::create_directories(fs::path(folder) / rel, ec);
    if (ec) {
      if (error) *error = "cannot create " + (fs::path(folder) / rel).string() + ": " + ec.message();
      return false;
    }
    d.drives.push_back(win::DriveMapping{drive.letter, rel, drive.type, drive.capacity});
  }
  std::ofstream out(fs::path(folder) / "machine.ini", std::ios::binary | std::ios::trunc);
  out << FormatMachineIni(d);
  out.flush();
  if (!out) {
    if (error) *error = "cannot write " + (fs::path(folder) / "machine.ini").string();
    return false;
  }
  return true;
}

}  // namespace sim
