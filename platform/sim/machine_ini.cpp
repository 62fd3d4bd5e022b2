#include "platform/sim/machine_ini.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/win/ini_document.h"

namespace sim {
namespace {

long long parseNumber(const std::string& text, long long fallback) {
  if (text.empty()) return fallback;
  char* end = nullptr;
  long long v = std::strtoll(text.c_str(), &end, 0);
  return end == text.c_str() ? fallback : v;
}

std::string hex4(unsigned v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%04x", v);
  return buf;
}

}  // namespace

const char* DriveTypeName(win::UINT type) {
  switch (type) {
    case win::DRIVE_REMOVABLE: return "removable";
    case win::DRIVE_REMOTE: return "remote";
    case win::DRIVE_CDROM: return "cdrom";
    case win::DRIVE_RAMDISK: return "ramdisk";
    default: return "fixed";
  }
}

win::UINT DriveTypeFromName(const std::string& name) {
  if (name == "removable") return win::DRIVE_REMOVABLE;
  if (name == "remote") return win::DRIVE_REMOTE;
  if (name == "cdrom") return win::DRIVE_CDROM;
  if (name == "ramdisk") return win::DRIVE_RAMDISK;
  return win::DRIVE_FIXED;
}

MachineDescription ReadMachineIni(const std::string& hostFile, const std::string& folder,
                                  const MachineDescription& base) {
  MachineDescription d = base;
  std::ifstream in(hostFile, std::ios::binary);
  if (!in) return d;
  std::stringstream ss;
  ss << in.rdbuf();
  win::IniDocument ini;
  ini.parse(ss.str());

  auto num = [&](const char* key, long long fallback) {
    return parseNumber(ini.value("Machine", key).value_or(""), fallback);
  };
  win::MachineSettings& s = d.settings;
  s.osMajor = static_cast<win::DWORD>(num("OsMajor", s.osMajor));
  s.osMinor = static_cast<win::DWORD>(num("OsMinor", s.osMinor));
  s.osBuild = static_cast<win::DWORD>(num("OsBuild", s.osBuild));
  s.platformId = static_cast<win::DWORD>(num("PlatformId", s.platformId));
  s.systemLangId = static_cast<win::LANGID>(num("SystemLanguage", s.systemLangId));
  s.userLangId = static_cast<win::LANGID>(num("UserLanguage", s.userLangId));
  s.codePage = static_cast<win::UINT>(num("CodePage", s.codePage));
  s.screenWidth = static_cast<int>(num("ScreenWidth", s.screenWidth));
  s.screenHeight = static_cast<int>(num("ScreenHeight", s.screenHeight));
  s.administrator = num("Administrator", s.administrator ? 1 : 0) != 0;
  if (auto scale = ini.value("Machine", "TimeScale")) {
    double v = std::strtod(scale->c_str(), nullptr);
    if (v > 0) s.timeScale = v;
  }

  for (const std::string& section : ini.sectionNames()) {
    if (section.size() == 7 && section.compare(0, 6, "Drive ") == 0) {
      char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(section[6])));
      if (letter < 'A' || letter > 'Z') continue;
      win::DriveMapping m;
      m.letter = letter;
      m.hostFolder = ini.value(section, "Folder").value_or("");
      if (m.hostFolder.empty()) continue;
      if (m.hostFolder.front() != '/') m.hostFolder = folder + "/" + m.hostFolder;
      while (m.hostFolder.size() > 1 && m.hostFolder.back() == '/') m.hostFolder.pop_back();
      m.type = DriveTypeFromName(ini.value(section, "Type").value_or("fixed"));
      if (auto cap = ini.value(section, "Capacity"); cap && !cap->empty())
        m.capacity = static_cast<std::uint64_t>(parseNumber(*cap, 0));
      std::erase_if(d.drives, [&](const win::DriveMapping& x) { return x.letter == letter; });
      d.drives.push_back(m);
    } else if (section.compare(0, 8, "Program ") == 0 && section.size() > 8) {
      win::ProgramEntry p;
      p.name = section.substr(8);
      p.windowsPath = ini.value(section, "Path").value_or("");
      p.hostBinary = ini.value(section, "Binary").value_or("");
      std::erase_if(d.programs, [&](const win::ProgramEntry& x) { return x.name == p.name; });
      d.programs.push_back(p);
    }
  }
  std::sort(d.drives.begin(), d.drives.end(),
            [](const win::DriveMapping& a, const win::DriveMapping& b) { return a.letter < b.letter; });
  return d;
}

std::string FormatMachineIni(const MachineDescription& d) {
  const win::MachineSettings& s = d.settings;
  std::ostringstream o;
  o << "[Machine]\r\n"
    << "OsMajor=" << s.osMajor << "\r\n"
    << "OsMinor=" << s.osMinor << "\r\n"
    << "OsBuild=" << s.osBuild << "\r\n"
    << "PlatformId=" << s.platformId << "\r\n"
    << "SystemLanguage=" << hex4(s.systemLangId) << "\r\n"
    << "UserLanguage=" << hex4(s.userLangId) << "\r\n"
    << "CodePage=" << s.codePage << "\r\n"
    << "ScreenWidth=" << s.screenWidth << "\r\n"
    << "ScreenHeight=" << s.screenHeight << "\r\n"
    << "Administrator=" << (s.administrator ? 1 : 0) << "\r\n"
    << "TimeScale=" << s.timeScale << "\r\n";
  for (const win::DriveMapping& m : d.drives) {
    o << "\r\n[Drive " << m.letter << "]\r\nFolder=" << m.hostFolder << "\r\nType=" << DriveTypeName(m.type)
      << "\r\n";
    if (m.capacity) o << "Capacity=" << *m.capacity << "\r\n";
  }
  for (const win::ProgramEntry& p : d.programs) {
    o << "\r\n[Program " << p.name << "]\r\nPath=" << p.windowsPath << "\r\n";
    if (!p.hostBinary.empty()) o << "Binary=" << p.hostBinary << "\r\n";
  }
  return o.str();
}

}  // namespace sim
