#include "aspi/tests/support/test_machines.h"

#include "platform/devices/system_aspi_devices.h"
#include "platform/sim/machine_builder.h"
#include "platform/win/device_namespace.h"
#include "platform/win/registry.h"

namespace scalinktest {
namespace {

sim::MachineSpec specFor(const char* os) {
  sim::MachineSpec spec;
  spec.settings = *sim::SettingsForOs(os);
  spec.settings.timeScale = kTimeScale;
  spec.drives = {sim::DriveSpec{'C', win::DRIVE_FIXED, {}, {}}};
  if (std::string(os) == "xp")
    for (char letter : {'E', 'F', 'G'}) spec.drives.push_back(sim::DriveSpec{letter, win::DRIVE_REMOVABLE, {}, {}});
  return spec;
}

void writeKey(win::HKEY root, const std::string& path, const char* value = nullptr, const std::string& text = {}) {
  win::HKEY key = nullptr;
  win::RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, win::KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (value)
    win::RegSetValueExA(key, value, 0, win::REG_SZ, reinterpret_cast<const win::BYTE*>(text.c_str()),
                        static_cast<win::DWORD>(text.size() + 1));
  win::RegCloseKey(key);
}

const std::string kMap = "Hardware\\DeviceMap\\Scsi\\";

}  // namespace

NtTestMachine::NtTestMachine() : machine_(specFor("xp")) { win::SetInteraction(interaction); }

NtTestMachine::~NtTestMachine() {
  for (char letter : registered_) win::UnregisterDeviceName(std::string{letter, ':'});
}

void NtTestMachine::addPort(const std::string& keyName, const std::string& driver) {
  writeKey(win::HKEY_LOCAL_MACHINE, kMap + keyName, "Driver", driver);
}

void NtTestMachine::addBus(const std::string& port, const std::string& bus, int initiatorId) {
  writeKey(win::HKEY_LOCAL_MACHINE, kMap + port + "\\" + bus + "\\Initiator Id " + std::to_string(initiatorId));
}

void NtTestMachine::addUnit(const std::string& port, const std::string& bus, int target, int lun,
                            const std::string& type, const std::string& identifier) {
  std::string path = kMap + port + "\\" + bus + "\\Target Id " + std::to_string(target) + "\\Logical Unit Id " +
                     std::to_string(lun);
  writeKey(win::HKEY_LOCAL_MACHINE, path, "Type", type);
  writeKey(win::HKEY_LOCAL_MACHINE, path, "Identifier", identifier);
}

std::shared_ptr<VolumeScript> NtTestMachine::addPlayer() {
  addPort("Scsi Port 1", "usbstor");
  addBus("Scsi Port 1", "Scsi Bus 0", 7);
  addUnit("Scsi Port 1", "Scsi Bus 0", 0, 0, "DiskPeripheral", "ORNEX   KL570           1.00");
  return volume('E', 1, 0, 0, 0);
}

std::shared_ptr<VolumeScript> NtTestMachine::volume(char letter, win::BYTE port, win::BYTE path, win::BYTE target,
                                                    win::BYTE lun) {
  auto script = std::make_shared<VolumeScript>();
  script->address[0] = port;
  script->address[1] = path;
  script->address[2] = target;
  script->address[3] = lun;
  RegisterFakeVolume(letter, script);
  registered_.push_back(letter);
  return script;
}

Win9xTestMachine::Win9xTestMachine() : machine_(specFor("98")) {
  win::SetInteraction(interaction);
  devices::SetPyxaApixInstalled(true);
}

Win9xTestMachine::~Win9xTestMachine() { devices::SetPyxaApixInstalled(true); }

void Win9xTestMachine::setSetting(const std::string& name, win::DWORD value) {
  win::HKEY key = nullptr;
  win::RegCreateKeyExA(win::HKEY_CURRENT_USER, "Software\\Lumea\\Pyxa - Quorvel\\PyxaAspi", 0, nullptr, 0,
                       win::KEY_ALL_ACCESS, nullptr, &key, nullptr);
  win::RegSetValueExA(key, name.c_str(), 0, win::REG_DWORD, reinterpret_cast<const win::BYTE*>(&value), sizeof(value));
  win::RegCloseKey(key);
}

}  // namespace scalinktest
