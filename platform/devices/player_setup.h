// Putting a new virtual player into the current simulated machine, as
// `kl570 vplayer add` does: the folder devices/playerN with its
// description, one image per logical drive and the data folder.
//
// The layout of a new player, in table order (drive numbers 0 to 4):
//
//   0  system  tag 0x50  boot manager         128 KiB  2048-byte sectors
//   1  data    tag 0x0A  the user's storage   the rest  512-byte sectors
//   2  system  tag 0x01  USB mass storage     512 KiB  2048-byte sectors
//   3  system  tag 0x00  player firmware        2 MiB  2048-byte sectors
//   4  system  tag 0x02  resources              4 MiB  2048-byte sectors
//
// This is the table the updater builds itself (boot manager first, then
// the data drive, then the other components), so a firmware whose four
// images fit those sizes is written without re-partitioning. Every system
// drive carries the component and product version `firmware` (1.0.0
// unless asked otherwise); the data drive 0.0.0. The data drive holds a
// fresh FAT16 file system (fat_image.h) labelled "KL570".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/devices/player_description.h"

namespace devices {

constexpr std::uint64_t kBootManagerDriveBytes = 128u << 10;
constexpr std::uint64_t kUsbMassStorageDriveBytes = 512u << 10;
constexpr std::uint64_t kPlayerFirmwareDriveBytes = 2u << 20;
constexpr std::uint64_t kResourceDriveBytes = 4u << 20;
constexpr std::uint64_t kDefaultPlayerBytes = 64u << 20;
// The flash sizes a new player may have: its system drives and a data
// drive the fresh file system fits.
constexpr std::uint64_t kMinPlayerBytes = 16u << 20;
constexpr std::uint64_t kMaxPlayerBytes = 2000u << 20;

struct PlayerOptions {
  std::uint64_t size = kDefaultPlayerBytes;  // bytes of flash
  PlayerMode mode = PlayerMode::MassStorage;
  char letter = 0;  // 0: the first free letter from D:
  DriveVersion firmware{1, 0, 0};
};

// The new player's folder; nothing with a message when the machine is not
// simulated, the size is out of range, the letter is taken or the folder
// cannot be written.
std::optional<std::string> AddVirtualPlayer(const PlayerOptions& options, std::string* error = nullptr);

// The player folders of the current simulated machine (devices/player*),
// in order; empty for the host machine.
std::vector<std::string> MachinePlayerFolders();

}  // namespace devices
