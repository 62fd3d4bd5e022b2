#include "platform/devices/machine_device_names.h"

#include <filesystem>

#include "platform/devices/disk_handle.h"
#include "platform/devices/plain_volume.h"
#include "platform/devices/player_setup.h"
#include "platform/devices/recovery_device.h"
#include "platform/devices/scsi_target.h"
#include "platform/devices/virtual_player.h"
#include "platform/devices/vwin32_device.h"
#include "platform/win/machine.h"

namespace devices {
namespace {

using win::DWORD;

bool ntMachine() { return win::CurrentMachine().settings().platformId == win::VER_PLATFORM_WIN32_NT; }

std::string upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}

// The number after a prefix ("PHYSICALDRIVE12" -> 12); nothing when the
// rest is not 1 or 2 decimal digits.
std::optional<unsigned> numberAfter(const std::string& name, const std::string& prefix) {
  if (name.size() <= prefix.size() || name.size() > prefix.size() + 2 || name.compare(0, prefix.size(), prefix) != 0)
    return std::nullopt;
  unsigned n = 0;
  for (std::size_t i = prefix.size(); i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return std::nullopt;
    n = n * 10 + static_cast<unsigned>(name[i] - '0');
  }
  if (name.size() == prefix.size() + 2 && name[prefix.size()] == '0') return std::nullopt;
  return n;
}

std::vector<AttachedTarget> disks() {
  std::vector<AttachedTarget> out;
  for (AttachedTarget& t : MachineScsiTargets())
    if (t.deviceType == 0) out.push_back(std::move(t));
  return out;
}

std::shared_ptr<VirtualPlayer> recoveringPlayer(unsigned n) {
  for (const std::string& folder : MachinePlayerFolders()) {
    if (std::filesystem::path(folder).filename() != "player" + std::to_string(n)) continue;
    auto player = VirtualPlayer::At(folder);
    if (player->inRecoveryMode()) return player;
  }
  return nullptr;
}

}  // namespace

std::shared_ptr<win::DeviceObject> OpenMachineDevice(const win::DeviceOpenRequest& request, DWORD& error) {
  error = win::ERROR_FILE_NOT_FOUND;
  std::string name = upper(request.name);
  if (name.size() == 2 && name[1] == ':' && name[0] >= 'A' && name[0] <= 'Z') {
    if (!ntMachine()) return nullptr;
    bool mapped = false;
    for (const win::DriveMapping& m : win::CurrentMachine().drives()) mapped = mapped || m.letter == name[0];
    if (!mapped) return nullptr;
    for (AttachedTarget& t : disks())
      if (t.driveLetter == name[0]) return std::make_shared<DiskHandle>(std::move(t), false, request.access, request.flags);
    return std::make_shared<PlainVolume>(request.access, request.flags);
  }
  if (auto n = numberAfter(name, "PHYSICALDRIVE")) {
    if (!ntMachine()) return nullptr;
    std::vector<AttachedTarget> all = disks();
    if (*n >= all.size()) return nullptr;
    return std::make_shared<DiskHandle>(std::move(all[*n]), true, request.access, request.flags);
  }
  if (name == "VWIN32") {
    if (ntMachine()) return nullptr;
    return std::make_shared<Vwin32Device>(request.access, request.flags);
  }
  if (auto n = numberAfter(name, "KVMP3RECDEVICE")) {
    auto player = recoveringPlayer(*n);
    if (!player) return nullptr;
    return RecoveryDevice::Open(player, request, error);
  }
  return nullptr;
}

std::vector<std::pair<std::string, std::string>> MachineDosDeviceNames() {
  std::vector<std::pair<std::string, std::string>> names;
  unsigned volume = 0;
  for (const win::DriveMapping& m : win::CurrentMachine().drives())
    names.emplace_back(std::string(1, m.letter) + ":", "\\Device\\HarddiskVolume" + std::to_string(++volume));
  std::vector<AttachedTarget> all = disks();
  for (std::size_t i = 0; i < all.size(); ++i)
    names.emplace_back("PhysicalDrive" + std::to_string(i),
                       "\\Device\\Harddisk" + std::to_string(i) + "\\DR" + std::to_string(i));
  for (const std::string& folder : MachinePlayerFolders()) {
    std::string base = std::filesystem::path(folder).filename().string();
    if (!VirtualPlayer::At(folder)->inRecoveryMode()) continue;
    std::string number = base.substr(6);
    names.emplace_back("KvMp3RecDevice" + number, "\\Device\\KvMp3RecDevice" + number);
  }
  return names;
}

}  // namespace devices
