// The virtual player as its folder keeps it (devices/playerN/ of the
// machine):
//
//   device.ini   the description below, plain text
//   driveN.img   one plain file per logical drive: its sectors in order
//                (the data drive's image is a disk with a master boot
//                record, ready for fsck.fat or mtools at img@@OFFSET)
//   data/        the folder that the data drive's letter shows: what the
//                music manager reads and writes. The sector image beside it
//                is what SCSI touches; a format of the data drive (erasing
//                it or the media, or writing a new boot record) empties it.
//
// device.ini:
//   [Device]  Kind=player, Mode=msc|recovery, Vendor, Product, Revision,
//             ChipRevision, Capacity (bytes of flash the table shares out),
//             Letter (the drive letter it takes), Vanished=0|1,
//             AppearsAt (host clock in ms since 1970: a player back from
//             recovery shows up then; 0 at once)
//   [Volume]  written from the rest for the machine's drive map
//             (platform/sim/device_volumes.h)
//   [Knobs]   the fault knobs (player_knobs.h)
//   [Drive N] one per entry of the logical media table, N = 0, 1, ... in
//             table order: Number, Type (0 data, 1 system), Tag, Size
//             (bytes), SectorSize, ComponentVersion, ProductVersion
//             ("1.0.0"), File (a plain file name in the folder)
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/devices/player_knobs.h"

namespace devices {

struct DriveVersion {
  std::uint16_t major = 0, minor = 0, revision = 0;
  bool operator==(const DriveVersion&) const = default;
};
std::string FormatVersion(const DriveVersion& v);          // "1.0.0"
std::string FormatVersionPadded(const DriveVersion& v);    // "001.000.000"
std::optional<DriveVersion> ParseVersion(const std::string& text);

constexpr std::uint8_t kDataDriveType = 0;
constexpr std::uint8_t kSystemDriveType = 1;
constexpr std::size_t kMaxLogicalDrives = 10;

struct LogicalDrive {
  std::uint8_t number = 0;
  std::uint8_t type = kSystemDriveType;
  std::uint8_t tag = 0;
  std::uint64_t size = 0;  // bytes, a whole number of sectors
  std::uint32_t sectorSize = 2048;
  DriveVersion componentVersion, productVersion;
  std::string file;  // name in the player's folder
};

enum class PlayerMode { MassStorage, Recovery };

struct PlayerDescription {
  PlayerMode mode = PlayerMode::MassStorage;
  std::string vendor = "ORNEX";
  std::string product = "KL570";
  std::string revision = "1.00";
  std::uint16_t chipRevision = 0x0003;
  std::uint64_t capacity = 0;
  char letter = 0;
  bool vanished = false;
  std::int64_t appearsAt = 0;
  std::vector<LogicalDrive> drives;
  PlayerKnobs knobs;
};

constexpr const char* kPlayerDataFolder = "data";

// Reads device.ini of a player folder; false with a message when it is
// missing or not a player. Drive sections that make no sense (a file name
// with a folder in it, a sector size that is not a power of two from 512
// to 65536, a size that is not whole sectors) are left out.
bool ReadPlayerDescription(const std::string& folder, PlayerDescription& out, std::string* error = nullptr);
// Writes device.ini through a temporary file, so that a reader sees the
// old or the new description.
bool WritePlayerDescription(const std::string& folder, const PlayerDescription& description);

// The drive with that number, or null.
const LogicalDrive* DriveNumbered(const PlayerDescription& d, std::uint8_t number);
// The first data drive, or null.
const LogicalDrive* DataDrive(const PlayerDescription& d);

// Host clock in ms since 1970, the clock of AppearsAt.
std::int64_t HostClockMs();

}  // namespace devices
