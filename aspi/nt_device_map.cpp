#include "aspi/nt_device_map.h"

#include <cctype>
#include <functional>
#include <vector>

#include "platform/devices/device_maps.h"
#include "platform/win/dos_devices.h"
#include "platform/win/files.h"
#include "platform/win/interaction.h"
#include "platform/win/ioctl.h"
#include "platform/win/last_error.h"
#include "platform/win/machine.h"
#include "platform/win/registry.h"
#include "platform/win/sync.h"
#include "platform/win/system.h"

namespace aspi {
namespace {

constexpr win::DWORD kAddressWaitMs = 2000;
constexpr win::DWORD kFirstDosListSize = 8192;
constexpr win::DWORD kLargestDosListSize = 1u << 22;

// Calls `each` with every sub-key name of `key`. An enumeration error
// other than the end is shown and the next index tried, unless the key
// itself has gone (then every further index would fail too).
void forEachSubkey(win::HKEY key, const std::function<void(const std::string&)>& each) {
  for (win::DWORD index = 0;; ++index) {
    char name[257] = {};
    win::DWORD length = sizeof(name);
    win::LONG result = win::RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (result == win::ERROR_NO_MORE_ITEMS) return;
    if (result != win::ERROR_SUCCESS) {
      win::MessageBoxA(nullptr, "Error in RegEnumKeyEx", "Registry", win::MB_OK);
      if (result == win::ERROR_INVALID_HANDLE || result == win::ERROR_KEY_DELETED) return;
      continue;
    }
    each(std::string(name, length < sizeof(name) ? length : sizeof(name) - 1));
  }
}

std::string readString(win::HKEY key, const char* value) {
  char data[256] = {};
  win::DWORD type = 0, size = sizeof(data) - 1;
  if (win::RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<win::BYTE*>(data), &size) !=
      win::ERROR_SUCCESS)
    return {};
  if (type != win::REG_SZ && type != win::REG_EXPAND_SZ) return {};
  std::string text(data, size < sizeof(data) ? size : sizeof(data) - 1);
  std::size_t end = text.find('\0');
  return end == std::string::npos ? text : text.substr(0, end);
}

template <typename Fn>
void withSubkey(win::HKEY parent, const std::string& name, Fn&& fn) {
  win::HKEY key = nullptr;
  if (win::RegOpenKeyExA(parent, name.c_str(), 0, win::KEY_READ, &key) != win::ERROR_SUCCESS) return;
  fn(key);
  win::RegCloseKey(key);
}

bool startsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// The DOS device names, read into a buffer that doubles while the list fills it.
std::vector<std::string> dosDeviceNames() {
  for (win::DWORD size = kFirstDosListSize; size <= kLargestDosListSize; size *= 2) {
    std::vector<char> buffer(size, 0);
    win::DWORD length = win::QueryDosDeviceA(nullptr, buffer.data(), size);
    if (length == 0 && win::GetLastError() != win::ERROR_INSUFFICIENT_BUFFER) return {};
    if (length == 0 || length >= size) continue;
    std::vector<std::string> names;
    for (win::DWORD i = 0; i < length && buffer[i] != '\0';) {
      std::string name(&buffer[i]);
      i += static_cast<win::DWORD>(name.size()) + 1;
      names.push_back(name);
    }
    return names;
  }
  return {};
}

bool isDriveName(const std::string& name) {
  return name.size() == 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0]));
}

// Asks a volume for its SCSI address; false when it does not answer in
// time or answers an unset byte.
bool askAddress(win::HANDLE volume, win::BYTE address[4]) {
  win::SCSI_ADDRESS scsi{sizeof(win::SCSI_ADDRESS), 0xFF, 0xFF, 0xFF, 0xFF};
  win::OVERLAPPED overlapped{};
  overlapped.hEvent = win::CreateEventA(nullptr, win::TRUE, win::FALSE, nullptr);
  if (!overlapped.hEvent) return false;
  win::DWORD returned = 0;
  bool answered = win::DeviceIoControl(volume, win::IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &scsi, sizeof(scsi),
                                       &returned, &overlapped) != win::FALSE;
  if (!answered && win::GetLastError() == win::ERROR_IO_PENDING) {
    if (win::WaitForSingleObject(overlapped.hEvent, kAddressWaitMs) == win::WAIT_OBJECT_0) {
      answered = win::GetOverlappedResult(volume, &overlapped, &returned, win::FALSE) != win::FALSE;
    } else {
      // The request must be over before `scsi` goes out of scope.
      win::CancelIo(volume);
      win::GetOverlappedResult(volume, &overlapped, &returned, win::TRUE);
      answered = false;
    }
  }
  win::CloseHandle(overlapped.hEvent);
  if (!answered) return false;
  address[0] = scsi.PortNumber;
  address[1] = scsi.PathId;
  address[2] = scsi.TargetId;
  address[3] = scsi.Lun;
  return address[0] != 0xFF && address[1] != 0xFF && address[2] != 0xFF && address[3] != 0xFF;
}

win::HANDLE openVolume(const std::string& dosName) {
  std::string path = "\\\\.\\" + dosName;
  return win::CreateFileA(path.c_str(), NtDeviceMap::volumeAccess(), win::FILE_SHARE_READ | win::FILE_SHARE_WRITE,
                          nullptr, win::OPEN_EXISTING, win::FILE_FLAG_OVERLAPPED, nullptr);
}

}  // namespace

int KeyNumber(const std::string& name) {
  std::size_t start = 0;
  while (start < name.size() && !std::isdigit(static_cast<unsigned char>(name[start]))) ++start;
  if (start == name.size()) return -1;
  long value = 0;
  for (std::size_t i = start; i < name.size() && std::isdigit(static_cast<unsigned char>(name[i])); ++i) {
    value = value * 10 + (name[i] - '0');
    if (value > 0xFFFF) return 0xFFFF;  // too large for any level either way
  }
  return static_cast<int>(value);
}

bool NtDeviceMap::build() {
  // Windows keeps this map itself; on this computer nobody does, so it is
  // written from sysfs first (a simulated machine keeps its own up to date).
  if (!win::CurrentMachine().simulated()) devices::UpdateDeviceMaps();
  win::HKEY scsi = nullptr;
  if (win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, "Hardware\\DeviceMap\\Scsi", 0, win::KEY_READ, &scsi) !=
      win::ERROR_SUCCESS)
    return false;
  readPorts(scsi);
  win::RegCloseKey(scsi);
  passDriveLetters();
  return true;
}

void NtDeviceMap::readPorts(win::HKEY scsi) {
  forEachSubkey(scsi, [&](const std::string& name) {
    ++portCount_;
    int number = KeyNumber(name);
    if (number < 0 || number >= kMaxPorts || ports_[number]) return;
    withSubkey(scsi, name, [&](win::HKEY portKey) {
      auto port = std::make_unique<ScsiPortNode>();
      port->driver = readString(portKey, "Driver");
      readBuses(portKey, *port);
      ports_[number] = std::move(port);
    });
  });
}

void NtDeviceMap::readBuses(win::HKEY portKey, ScsiPortNode& port) {
  forEachSubkey(portKey, [&](const std::string& name) {
    int number = KeyNumber(name);
    if (number < 0 || number >= kMaxBuses || port.buses[number]) return;
    withSubkey(portKey, name, [&](win::HKEY busKey) {
      auto bus = std::make_unique<ScsiBusNode>();
      readTargets(busKey, *bus);
      port.buses[number] = std::move(bus);
    });
  });
}

void NtDeviceMap::readTargets(win::HKEY busKey, ScsiBusNode& bus) {
  forEachSubkey(busKey, [&](const std::string& name) {
    int number = KeyNumber(name);
    if (startsWith(name, "Initiator Id")) {
      if (number >= 0 && number <= 0xFF) bus.initiatorId = static_cast<win::BYTE>(number);
      return;
    }
    if (number < 0 || number >= kMaxTargets) return;
    withSubkey(busKey, name, [&](win::HKEY targetKey) { readUnits(targetKey, bus, number); });
  });
}

void NtDeviceMap::readUnits(win::HKEY targetKey, ScsiBusNode& bus, int target) {
  forEachSubkey(targetKey, [&](const std::string& name) {
    int number = KeyNumber(name);
    if (number < 0 || number >= kMaxLuns || bus.units[target][number]) return;
    withSubkey(targetKey, name, [&](win::HKEY unitKey) {
      auto unit = std::make_unique<ScsiDeviceNode>();
      unit->type = readString(unitKey, "Type");
      unit->identifier = readString(unitKey, "Identifier");
      bus.units[target][number] = std::move(unit);
    });
  });
}

void NtDeviceMap::passDriveLetters() {
  for (const std::string& name : dosDeviceNames()) {
    if (!isDriveName(name)) continue;
    char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    if (letter == 'A' || letter == 'B') continue;
    std::string dosName{letter, ':'};
    win::HANDLE volume = openVolume(dosName);
    if (volume == win::INVALID_HANDLE_VALUE) continue;
    win::BYTE address[4];
    if (askAddress(volume, address)) {
      attach(dosName, volume, address);
    } else {
      win::CloseHandle(volume);
    }
  }
  lettersPassed_ = true;
}

void NtDeviceMap::attach(const std::string& dosName, win::HANDLE handle, const win::BYTE address[4]) {
  ScsiDeviceNode* node = unit(address[0], address[1], address[2], address[3]);
  if (!node) {
    win::CloseHandle(handle);
    return;
  }
  if (node->handle && node->handle != win::INVALID_HANDLE_VALUE) win::CloseHandle(node->handle);
  node->dosName = dosName;
  node->handle = handle;
  node->timeToLive = kHandleTimeToLive;
  for (int i = 0; i < 4; ++i) node->address[i] = address[i];
  driveSlots_[dosName[0] - 'A'] = node;
}

const ScsiPortNode* NtDeviceMap::port(int number) const {
  return number >= 0 && number < kMaxPorts ? ports_[number].get() : nullptr;
}

ScsiDeviceNode* NtDeviceMap::unit(int portNumber, int bus, int target, int lun) const {
  const ScsiPortNode* p = port(portNumber);
  if (!p || bus < 0 || bus >= kMaxBuses || !p->buses[bus]) return nullptr;
  if (target < 0 || target >= kMaxTargets || lun < 0 || lun >= kMaxLuns) return nullptr;
  return p->buses[bus]->units[target][lun].get();
}

ScsiDeviceNode* NtDeviceMap::presentUnit(int portNumber, int target, int lun) const {
  ScsiDeviceNode* node = unit(portNumber, 0, target, lun);
  if (!node || (lettersPassed_ && node->dosName.empty())) return nullptr;
  return node;
}

ScsiDeviceNode* NtDeviceMap::driveSlot(int number) const {
  return number >= 0 && number < kDriveSlots ? driveSlots_[number] : nullptr;
}

void NtDeviceMap::forEachUnit(const std::function<void(ScsiDeviceNode&)>& each) const {
  for (const auto& p : ports_) {
    if (!p) continue;
    for (const auto& bus : p->buses) {
      if (!bus) continue;
      for (const auto& target : bus->units)
        for (const auto& u : target)
          if (u) each(*u);
    }
  }
}

ScsiDeviceNode* NtDeviceMap::unitByHandle(win::HANDLE handle) const {
  ScsiDeviceNode* found = nullptr;
  if (!handle || handle == win::INVALID_HANDLE_VALUE) return nullptr;
  forEachUnit([&](ScsiDeviceNode& node) {
    if (!found && node.handle == handle) found = &node;
  });
  return found;
}

win::DWORD NtDeviceMap::volumeAccess() {
  win::OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof(version);
  win::GetVersionExA(&version);
  return version.dwMajorVersion < 5 ? win::GENERIC_READ : win::GENERIC_READ | win::GENERIC_WRITE;
}

win::HANDLE NtDeviceMap::openUnit(ScsiDeviceNode& node) {
  if (node.handle == win::INVALID_HANDLE_VALUE && !node.dosName.empty()) node.handle = openVolume(node.dosName);
  node.timeToLive = kHandleTimeToLive;
  return node.handle;
}

}  // namespace aspi
