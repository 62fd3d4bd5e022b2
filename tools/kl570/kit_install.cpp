#include "tools/kl570/kit_install.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/win/paths.h"

namespace kl570 {
namespace {

std::string kitDataFolder() {
  const char* env = std::getenv("KL570_KIT_DATA");
  return env && *env ? env : KL570_KIT_DATA_DIR;
}

// The built program beside this tool, when there is one.
std::string builtBinary(const std::string& relative) {
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  std::filesystem::path candidate = self.parent_path().parent_path().parent_path() / relative;
  return std::filesystem::exists(candidate, ec) ? candidate.string() : std::string();
}

}  // namespace

void AddKitPrograms(sim::MachineSpec& spec) {
  std::string folder = kVireloFolder;
  spec.programs.push_back({"Virelo", folder + "Virelo.exe", builtBinary("music/Virelo")});
  spec.programs.push_back({"Agent", folder + "Agent.exe", builtBinary("components/agent/Agent")});
  spec.programs.push_back({"Update", folder + "Update.exe", builtBinary("update/Update")});
  spec.programs.push_back({"Drivon", folder + "Drivon.exe", builtBinary("diskcheck/Drivon")});
  spec.programs.push_back({"Versopad", folder + "Versopad.exe", builtBinary("components/versopad/Versopad")});
  spec.programs.push_back({"Pendrel", std::string(kPendrelFolder) + "Pendrel.exe", builtBinary("updater/Pendrel")});
}

bool InstallVireloFiles(std::string* error) {
  namespace fs = std::filesystem;
  fs::path source = kitDataFolder();
  fs::path target = win::HostPathOf(kVireloFolder);
  std::error_code ec;
  fs::create_directories(target / "DATA", ec);
  if (!ec) fs::copy_file(source / "config.ini", target / "config.ini", fs::copy_options::overwrite_existing, ec);
  for (const char* sub : {"Language", "Help"}) {
    if (ec) break;
    fs::create_directories(target / sub, ec);
    if (!ec)
      fs::copy(source / sub, target / sub, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
  }
  if (ec) {
    if (error) *error = "cannot install the kit from " + source.string() + ": " + ec.message();
    return false;
  }
  return true;
}

bool InstallPendrelFiles(std::string* error) {
  namespace fs = std::filesystem;
  std::string layer = builtBinary("aspi/libscalink.so");
  if (layer.empty()) {
    if (error) *error = "the ASPI layer (aspi/libscalink.so) is not built beside kl570";
    return false;
  }
  fs::path target = win::HostPathOf(kPendrelFolder);
  std::error_code ec;
  fs::create_directories(target, ec);
  std::ofstream out(target / "SCALINK.DLL", std::ios::binary | std::ios::trunc);
  out << "KL570-MODULE " << layer << "\r\n";
  if (ec || !out.flush()) {
    if (error) *error = "cannot write " + (target / "SCALINK.DLL").string();
    return false;
  }
  return true;
}

}  // namespace kl570
