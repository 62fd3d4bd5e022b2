#include "platform/sim/device_volumes.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/sim/machine_ini.h"
#include "platform/win/ini_document.h"

namespace sim {
namespace {

bool readVolume(const std::string& deviceFolder, DeviceVolume& out) {
  std::ifstream in(deviceFolder + "/device.ini", std::ios::binary);
  if (!in) return false;
  std::stringstream ss;
  ss << in.rdbuf();
  win::IniDocument ini;
  ini.parse(ss.str());
  if (!ini.hasSection("Volume")) return false;
  std::string letter = ini.value("Volume", "Letter").value_or("");
  std::string folder = ini.value("Volume", "Folder").value_or("");
  if (letter.size() != 1 || folder.empty() || folder.front() == '/' || folder.find("..") != std::string::npos)
    return false;
  char l = letter[0] >= 'a' && letter[0] <= 'z' ? static_cast<char>(letter[0] - 32) : letter[0];
  if (l < 'A' || l > 'Z') return false;
  out.mapping.letter = l;
  out.mapping.hostFolder = deviceFolder + "/" + folder;
  out.mapping.type = DriveTypeFromName(ini.value("Volume", "Type").value_or("removable"));
  if (auto cap = ini.value("Volume", "Capacity"); cap && !cap->empty())
    out.mapping.capacity = std::strtoull(cap->c_str(), nullptr, 10);
  out.appearsAt = std::strtoll(ini.value("Volume", "AppearsAt").value_or("0").c_str(), nullptr, 10);
  return true;
}

}  // namespace

std::vector<win::DriveMapping> DeviceVolumes::current() {
  std::string devices = folder_ + "/devices";
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(devices.c_str())) {
    while (dirent* e = ::readdir(dir))
      if (e->d_name[0] != '.') names.emplace_back(e->d_name);
    ::closedir(dir);
  }
  std::sort(names.begin(), names.end());
  std::set<std::string> seen(names.begin(), names.end());
  std::erase_if(entries_, [&](const auto& e) { return !seen.count(e.first); });
  std::int64_t now =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
          .count();
  std::vector<win::DriveMapping> out;
  for (const std::string& name : names) {
    std::string deviceFolder = devices + "/" + name;
    struct stat st {};
    Stamp stamp;
    if (::stat((deviceFolder + "/device.ini").c_str(), &st) == 0)
      stamp = Stamp{st.st_mtim.tv_sec, st.st_mtim.tv_nsec, st.st_size, static_cast<long long>(st.st_ino)};
    Entry& entry = entries_[name];
    if (!(entry.stamp == stamp)) {
      entry.stamp = stamp;
      entry.hasVolume = stamp.size >= 0 && readVolume(deviceFolder, entry.volume);
    }
    if (entry.hasVolume && entry.volume.appearsAt <= now) out.push_back(entry.volume.mapping);
  }
  return out;
}

}  // namespace sim
