// The drive letters that a simulated machine's devices bring with them.
// Each folder under devices/ of the machine may hold a device.ini whose
// [Volume] section gives the letter the device shows:
//
//   Letter     the drive letter
//   Folder     the host folder behind it, relative to the device's folder
//   Type       as in machine.ini (removable, cdrom, ...)
//   Capacity   bytes the volume reports
//   AppearsAt  host clock in ms since 1970 from which the letter shows
//              (0: at once), for a device that is still arriving
//
// A device without the section (a player in recovery mode or unplugged)
// brings no letter. The files are read again when they change.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/win/machine.h"

namespace sim {

struct DeviceVolume {
  win::DriveMapping mapping;
  std::int64_t appearsAt = 0;
};

class DeviceVolumes {
 public:
  explicit DeviceVolumes(std::string machineFolder) : folder_(std::move(machineFolder)) {}
  // The letters showing now, in the order of the device folders.
  std::vector<win::DriveMapping> current();

 private:
  struct Stamp {
    long long sec = -1, nsec = -1, size = -1, inode = -1;
    bool operator==(const Stamp&) const = default;
  };
  struct Entry {
    Stamp stamp;
    bool hasVolume = false;
    DeviceVolume volume;
  };
  std::string folder_;
  std::map<std::string, Entry> entries_;  // by device folder name
};

}  // namespace sim
