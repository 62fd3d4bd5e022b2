#include "platform/devices/player_description.h"


#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/win/ini_document.h"

namespace devices {
namespace {

std::optional<std::uint64_t> number(const win::IniDocument& ini, const std::string& section, const char* key) {
  auto text = ini.value(section, key);
  if (!text || text->empty() || (*text)[0] == '-') return std::nullopt;
  char* end = nullptr;
  errno = 0;
  unsigned long long v = std::strtoull(text->c_str(), &end, 0);
  if (errno || *end) return std::nullopt;
  return v;
}

bool plainFileName(const std::string& name) {
  if (name.empty() || name == "." || name == ".." || name.size() > 64) return false;
  for (char c : name)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
          c == '_'))
      return false;
  return true;
}

std::optional<LogicalDrive> readDrive(const win::IniDocument& ini, const std::string& section) {
  LogicalDrive d;
  auto num = number(ini, section, "Number");
  auto type = number(ini, section, "Type");
  auto tag = number(ini, section, "Tag");
  auto size = number(ini, section, "Size");
  auto sector = number(ini, section, "SectorSize");
  if (!num || !type || !tag || !size || !sector || *num > 255 || *type > 255 || *tag > 255) return std::nullopt;
  if (*sector < 512 || *sector > 65536 || (*sector & (*sector - 1)) || *size % *sector) return std::nullopt;
  d.number = static_cast<std::uint8_t>(*num);
  d.type = static_cast<std::uint8_t>(*type);
  d.tag = static_cast<std::uint8_t>(*tag);
  d.size = *size;
  d.sectorSize = static_cast<std::uint32_t>(*sector);
  d.componentVersion = ParseVersion(ini.value(section, "ComponentVersion").value_or("")).value_or(DriveVersion{});
  d.productVersion = ParseVersion(ini.value(section, "ProductVersion").value_or("")).value_or(DriveVersion{});
  d.file = ini.value(section, "File").value_or("");
  if (!plainFileName(d.file)) return std::nullopt;
  return d;
}

std::string hex(unsigned v, int digits) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%0*x", digits, v);
  return buf;
}

}  // namespace

std::string FormatVersion(const DriveVersion& v) {
  return std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.revision);
}

std::string FormatVersionPadded(const DriveVersion& v) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%03u.%03u.%03u", v.major, v.minor, v.revision);
  return buf;
}

std::optional<DriveVersion> ParseVersion(const std::string& text) {
  unsigned long parts[3] = {0, 0, 0};
  std::size_t at = 0;
  for (int i = 0; i < 3; ++i) {
    if (at >= text.size() || text[at] < '0' || text[at] > '9') return std::nullopt;
    std::size_t end = at;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9' && end - at < 6) ++end;
    parts[i] = std::stoul(text.substr(at, end - at));
    if (parts[i] > 0xFFFF) return std::nullopt;
    at = end;
    if (i < 2) {
      if (at >= text.size() || text[at] != '.') return std::nullopt;
      ++at;
    }
  }
  if (at != text.size()) return std::nullopt;
  return DriveVersion{static_cast<std::uint16_t>(parts[0]), static_cast<std::uint16_t>(parts[1]),
                      static_cast<std::uint16_t>(parts[2])};
}

bool ReadPlayerDescription(const std::string& folder, PlayerDescription& out, std::string* error) {
  std::ifstream in(folder + "/device.ini", std::ios::binary);
  if (!in) {
    if (error) *error = "no device.ini in " + folder;
    return false;
  }
  std::stringstream ss;
  ss << in.rdbuf();
  win::IniDocument ini;
  ini.parse(ss.str());
  if (ini.value("Device", "Kind").value_or("") != "player") {
    if (error) *error = folder + " is not a player";
    return false;
  }
  PlayerDescription d;
  d.mode = ini.value("Device", "Mode").value_or("msc") == "recovery" ? PlayerMode::Recovery : PlayerMode::MassStorage;
  d.vendor = ini.value("Device", "Vendor").value_or(d.vendor);
  d.product = ini.value("Device", "Product").value_or(d.product);
  d.revision = ini.value("Device", "Revision").value_or(d.revision);
  d.chipRevision = static_cast<std::uint16_t>(number(ini, "Device", "ChipRevision").value_or(d.chipRevision));
  d.capacity = number(ini, "Device", "Capacity").value_or(0);
  std::string letter = ini.value("Device", "Letter").value_or("");
  if (letter.size() == 1 && letter[0] >= 'A' && letter[0] <= 'Z') d.letter = letter[0];
  if (letter.size() == 1 && letter[0] >= 'a' && letter[0] <= 'z') d.letter = static_cast<char>(letter[0] - 32);
  d.vanished = number(ini, "Device", "Vanished").value_or(0) != 0;
  d.appearsAt = static_cast<std::int64_t>(number(ini, "Device", "AppearsAt").value_or(0) & 0x7FFFFFFFFFFFFFFFull);
  for (const std::string& name : KnobNames())
    if (auto v = ini.value("Knobs", name)) SetKnob(d.knobs, name, *v, nullptr);
  for (std::size_t i = 0; i < kMaxLogicalDrives; ++i) {
    std::string section = "Drive " + std::to_string(i);
    if (!ini.hasSection(section)) break;
    if (auto drive = readDrive(ini, section)) d.drives.push_back(*drive);
  }
  out = std::move(d);
  return true;
}

bool WritePlayerDescription(const std::string& folder, const PlayerDescription& d) {
  std::ostringstream o;
  o << "[Device]\r\nKind=player\r\nMode=" << (d.mode == PlayerMode::Recovery ? "recovery" : "msc")
    << "\r\nVendor=" << d.vendor << "\r\nProduct=" << d.product << "\r\nRevision=" << d.revision
    << "\r\nChipRevision=" << hex(d.chipRevision, 4) << "\r\nCapacity=" << d.capacity
    << "\r\nLetter=" << (d.letter ? std::string(1, d.letter) : std::string()) << "\r\nVanished=" << (d.vanished ? 1 : 0)
    << "\r\nAppearsAt=" << d.appearsAt << "\r\n";
  if (d.mode == PlayerMode::MassStorage && !d.vanished && d.letter) {
    const LogicalDrive* data = DataDrive(d);
    o << "\r\n[Volume]\r\nLetter=" << d.letter << "\r\nFolder=" << kPlayerDataFolder
      << "\r\nType=removable\r\nCapacity=" << (data ? data->size : 0) << "\r\nAppearsAt=" << d.appearsAt << "\r\n";
  }
  o << "\r\n[Knobs]\r\n";
  for (const auto& [name, value] : KnobValues(d.knobs)) o << name << "=" << value << "\r\n";
  for (std::size_t i = 0; i < d.drives.size() && i < kMaxLogicalDrives; ++i) {
    const LogicalDrive& v = d.drives[i];
    o << "\r\n[Drive " << i << "]\r\nNumber=" << unsigned(v.number) << "\r\nType=" << unsigned(v.type)
      << "\r\nTag=" << hex(v.tag, 2) << "\r\nSize=" << v.size << "\r\nSectorSize=" << v.sectorSize
      << "\r\nComponentVersion=" << FormatVersion(v.componentVersion)
      << "\r\nProductVersion=" << FormatVersion(v.productVersion) << "\r\nFile=" << v.file << "\r\n";
  }
  std::string file = folder + "/device.ini";
  std::string temp = file + ".new";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << o.str();
    out.flush();
    if (!out) return false;
  }
  return std::rename(temp.c_str(), file.c_str()) == 0;
}

const LogicalDrive* DriveNumbered(const PlayerDescription& d, std::uint8_t number) {
  for (const LogicalDrive& v : d.drives)
    if (v.number == number) return &v;
  return nullptr;
}

const LogicalDrive* DataDrive(const PlayerDescription& d) {
  for (const LogicalDrive& v : d.drives)
    if (v.type == kDataDriveType) return &v;
  return nullptr;
}

std::int64_t HostClockMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace devices
