#include "platform/devices/device_maps.h"

#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/devices/scsi_target.h"
#include "platform/win/machine.h"
#include "platform/win/registry.h"

namespace devices {
namespace {

using win::DWORD;
using win::HKEY;

struct RegValue {
  std::string name;
  DWORD type = win::REG_SZ;
  std::string data;
  bool operator==(const RegValue&) const = default;
};

struct RegNode {
  std::string name;
  std::vector<RegValue> values;
  std::vector<RegNode> children;
  bool operator==(const RegNode&) const = default;

  RegNode& child(const std::string& n) {
    for (RegNode& c : children)
      if (c.name == n) return c;
    children.push_back(RegNode{n, {}, {}});
    return children.back();
  }
  void text(const std::string& n, const std::string& v) { values.push_back(RegValue{n, win::REG_SZ, v + '\0'}); }
};

std::string trimmed(const std::string& s) {
  std::size_t end = s.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : s.substr(0, end + 1);
}

RegNode ntDeviceMap(const std::vector<AttachedTarget>& targets) {
  RegNode scsi{"Scsi", {}, {}};
  for (const AttachedTarget& t : targets) {
    RegNode& port = scsi.child("Scsi Port " + std::to_string(t.port));
    if (port.values.empty()) port.text("Driver", t.portDriver);
    RegNode& bus = port.child("Scsi Bus " + std::to_string(t.path));
    bus.child("Initiator Id 255");
    RegNode& unit = bus.child("Target Id " + std::to_string(t.target)).child("Logical Unit Id " + std::to_string(t.lun));
    unit.text("Identifier", t.identifier);
    unit.text("Type", t.deviceType == 0 ? "DiskPeripheral" : t.deviceType == 5 ? "CdRomPeripheral" : "OtherPeripheral");
  }
  return scsi;
}

RegNode nineXEnum(const std::vector<AttachedTarget>& targets) {
  RegNode scsi{"SCSI", {}, {}};
  for (const AttachedTarget& t : targets) {
    std::string name = t.identifier.substr(0, 25);
    for (char& c : name)
      if (c == ' ') c = '_';
    char instance[32];
    std::snprintf(instance, sizeof instance, "USBSTOR&%04u", t.port);
    RegNode& unit = scsi.child(name).child(instance);
    unit.text("Class", t.deviceType == 5 ? "CDROM" : "DiskDrive");
    unit.text("DeviceDesc", trimmed(t.identifier.substr(0, 8)) + " " + trimmed(t.identifier.substr(8, 16)));
    unit.text("SCSITargetID", std::to_string(t.target));
    unit.text("SCSILUN", std::to_string(t.lun));
    if (t.driveLetter) unit.text("CurrentDriveLetterAssignment", std::string(1, t.driveLetter));
    unit.values.push_back(RegValue{"Removable", win::REG_BINARY, std::string(1, '\x01')});
  }
  return scsi;
}

std::optional<RegNode> readTree(HKEY parent, const std::string& name) {
  RegNode node{name, {}, {}};
  HKEY key = nullptr;
  if (win::RegOpenKeyExA(parent, name.c_str(), 0, win::KEY_READ, &key) != win::ERROR_SUCCESS) return std::nullopt;
  for (DWORD i = 0;; ++i) {
    char valueName[256];
    DWORD nameSize = sizeof valueName, type = 0;
    win::BYTE data[1024];
    DWORD dataSize = sizeof data;
    if (win::RegEnumValueA(key, i, valueName, &nameSize, nullptr, &type, data, &dataSize) != win::ERROR_SUCCESS) break;
    node.values.push_back(RegValue{valueName, type, std::string(reinterpret_cast<char*>(data), dataSize)});
  }
  std::vector<std::string> names;
  for (DWORD i = 0;; ++i) {
    char sub[256];
    DWORD size = sizeof sub;
    if (win::RegEnumKeyExA(key, i, sub, &size, nullptr, nullptr, nullptr, nullptr) != win::ERROR_SUCCESS) break;
    names.emplace_back(sub);
  }
  for (const std::string& sub : names)
    if (auto child = readTree(key, sub)) node.children.push_back(std::move(*child));
  win::RegCloseKey(key);
  return node;
}

bool deleteTree(HKEY parent, const std::string& name) {
  HKEY key = nullptr;
  if (win::RegOpenKeyExA(parent, name.c_str(), 0, win::KEY_ALL_ACCESS, &key) != win::ERROR_SUCCESS) return true;
  bool ok = true;
  while (ok) {
    char sub[256];
    DWORD size = sizeof sub;
    if (win::RegEnumKeyExA(key, 0, sub, &size, nullptr, nullptr, nullptr, nullptr) != win::ERROR_SUCCESS) break;
    ok = deleteTree(key, sub);
  }
  win::RegCloseKey(key);
  return ok && win::RegDeleteKeyA(parent, name.c_str()) == win::ERROR_SUCCESS;
}

void writeTree(HKEY parent, const RegNode& node) {
  HKEY key = nullptr;
  if (win::RegCreateKeyExA(parent, node.name.c_str(), 0, nullptr, win::REG_OPTION_NON_VOLATILE, win::KEY_ALL_ACCESS,
                           nullptr, &key, nullptr) != win::ERROR_SUCCESS)
    return;
  for (const RegValue& v : node.values)
    win::RegSetValueExA(key, v.name.c_str(), 0, v.type, reinterpret_cast<const win::BYTE*>(v.data.data()),
                        static_cast<DWORD>(v.data.size()));
  for (const RegNode& c : node.children) writeTree(key, c);
  win::RegCloseKey(key);
}

}  // namespace

void UpdateDeviceMaps() {
  std::vector<AttachedTarget> targets = MachineScsiTargets();
  bool nt = win::CurrentMachine().settings().platformId == win::VER_PLATFORM_WIN32_NT;
  const char* parentPath = nt ? "Hardware\\DeviceMap" : "Enum";
  RegNode wanted = nt ? ntDeviceMap(targets) : nineXEnum(targets);
  HKEY parent = nullptr;
  if (win::RegCreateKeyExA(win::HKEY_LOCAL_MACHINE, parentPath, 0, nullptr, win::REG_OPTION_NON_VOLATILE,
                           win::KEY_ALL_ACCESS, nullptr, &parent, nullptr) != win::ERROR_SUCCESS)
    return;
  auto current = readTree(parent, wanted.name);
  if (!current || !(*current == wanted)) {
    deleteTree(parent, wanted.name);
    writeTree(parent, wanted);
  }
  win::RegCloseKey(parent);
}

}  // namespace devices
