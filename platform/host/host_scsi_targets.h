// The host computer's SCSI devices as targets of the machine: every SCSI
// device of sysfs with a block device, on ports numbered from 0 in the
// order of the host's SCSI hosts, path = channel, and the drive letter of
// the host machine's drive whose folder is a mount point of the device (or
// of one of its partitions).
#pragma once

#include <string>
#include <vector>

#include "platform/devices/scsi_target.h"
#include "platform/host/sg_io_target.h"
#include "platform/win/machine.h"

namespace host {

struct HostScsiSources {
  std::string sysfsRoot = "/sys";
  std::string mountInfo = "/proc/self/mountinfo";
  std::string devFolder = "/dev";
};

std::vector<devices::AttachedTarget> HostScsiTargets(const HostScsiSources& sources,
                                                     const std::vector<win::DriveMapping>& drives,
                                                     const HostDiskCalls& calls);
// This computer's, over the host machine's drive map; one target object
// per device node for the life of the process.
std::vector<devices::AttachedTarget> HostScsiTargets();

}  // namespace host
