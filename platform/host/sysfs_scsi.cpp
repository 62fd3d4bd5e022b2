#include "platform/host/sysfs_scsi.h"

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

namespace host {
namespace {

namespace fs = std::filesystem;

std::string firstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

std::string unescape(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '3' && s[i + 2] >= '0' &&
        s[i + 2] <= '7' && s[i + 3] >= '0' && s[i + 3] <= '7') {
      out += static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0'));
      i += 3;
    } else {
      out += s[i];
    }
  }
  return out;
}

}  // namespace

std::vector<SysfsScsiDevice> ScanSysfsScsi(const std::string& sysfsRoot) {
  std::vector<SysfsScsiDevice> out;
  std::error_code ec;
  fs::path devices = fs::path(sysfsRoot) / "class" / "scsi_device";
  for (const auto& entry : fs::directory_iterator(devices, ec)) {
    SysfsScsiDevice d;
    std::string name = entry.path().filename().string();
    if (std::sscanf(name.c_str(), "%u:%u:%u:%u", &d.host, &d.channel, &d.target, &d.lun) != 4) continue;
    fs::path dev = entry.path() / "device";
    std::string type = firstLine(dev / "type");
    d.type = static_cast<unsigned>(std::strtoul(type.c_str(), nullptr, 10));
    d.vendor = firstLine(dev / "vendor");
    d.model = firstLine(dev / "model");
    d.rev = firstLine(dev / "rev");
    std::error_code blockError;
    for (const auto& block : fs::directory_iterator(dev / "block", blockError)) {
      d.blockName = block.path().filename().string();
      break;
    }
    d.driver = firstLine(fs::path(sysfsRoot) / "class" / "scsi_host" / ("host" + std::to_string(d.host)) / "proc_name");
    out.push_back(std::move(d));
  }
  std::sort(out.begin(), out.end(), [](const SysfsScsiDevice& a, const SysfsScsiDevice& b) {
    return std::tie(a.host, a.channel, a.target, a.lun) < std::tie(b.host, b.channel, b.target, b.lun);
  });
  return out;
}

std::string WholeDiskOf(const std::string& sysfsRoot, const std::string& blockName) {
  std::error_code ec;
  fs::path link = fs::path(sysfsRoot) / "class" / "block" / blockName;
  if (!fs::exists(link / "partition", ec)) return blockName;
  fs::path real = fs::canonical(link, ec);
  if (ec) return blockName;
  return real.parent_path().filename().string();
}

std::vector<MountEntry> ReadMountInfo(const std::string& file) {
  std::vector<MountEntry> out;
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    // id parent major:minor root mount-point options [optional...] - type source super-options
    std::istringstream fields(line);
    std::vector<std::string> f;
    for (std::string w; fields >> w;) f.push_back(w);
    auto dash = std::find(f.begin(), f.end(), "-");
    if (f.size() < 5 || dash == f.end() || std::distance(dash, f.end()) < 3) continue;
    out.push_back(MountEntry{unescape(*(dash + 2)), unescape(f[4])});
  }
  return out;
}

}  // namespace host
