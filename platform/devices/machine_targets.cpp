// MachineScsiTargets: the devices of a simulated machine's devices/ folder
// (the players in mass-storage mode; a CD drive joins here as its own kind
// of folder), or the host's SCSI devices.
#include <algorithm>
#include <filesystem>

#include "platform/devices/player_setup.h"
#include "platform/devices/scsi_target.h"
#include "platform/devices/virtual_player.h"
#include "platform/host/host_scsi_targets.h"
#include "platform/win/machine.h"

namespace devices {
namespace {

std::string padded(const std::string& text, std::size_t width) {
  std::string s = text.substr(0, width);
  s.resize(width, ' ');
  return s;
}

}  // namespace

std::vector<AttachedTarget> MachineScsiTargets() {
  win::Machine& machine = win::CurrentMachine();
  if (!machine.simulated()) return host::HostScsiTargets();
  std::vector<win::DriveMapping> drives = machine.drives();
  std::vector<AttachedTarget> out;
  std::uint8_t port = 0;
  for (const std::string& folder : MachinePlayerFolders()) {
    auto player = VirtualPlayer::At(folder);
    if (!player->present()) continue;
    PlayerDescription d = player->description();
    AttachedTarget t;
    t.port = port++;
    std::string data = (std::filesystem::path(folder) / kPlayerDataFolder).string();
    // The letter counts only where the machine shows this player's folder.
    if (std::any_of(drives.begin(), drives.end(),
                    [&](const win::DriveMapping& m) { return m.letter == d.letter && m.hostFolder == data; }))
      t.driveLetter = d.letter;
    t.deviceType = 0;
    t.identifier = padded(d.vendor, 8) + padded(d.product, 16) + padded(d.revision, 4);
    t.portDriver = "usbstor";
    t.device = player;
    out.push_back(std::move(t));
  }
  return out;
}

}  // namespace devices
