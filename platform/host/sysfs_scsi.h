// The host's SCSI devices as sysfs lists them, and the mounts that say
// which folder a disk's file system shows. Both readers take their root,
// so that tests can hand them a made-up tree.
//
//   <sysfs>/class/scsi_device/H:C:T:L/device/{type,vendor,model,rev}
//   <sysfs>/class/scsi_device/H:C:T:L/device/block/<name>   (disks, CD drives)
//   <sysfs>/class/scsi_host/hostH/proc_name                (the host's driver)
//   <sysfs>/class/block/<name>/partition                   (a partition; its
//                                                           folder's parent is the disk)
#pragma once

#include <string>
#include <vector>

namespace host {

struct SysfsScsiDevice {
  unsigned host = 0, channel = 0, target = 0, lun = 0;
  unsigned type = 0;                  // peripheral device type (0 disk, 5 CD-ROM)
  std::string vendor, model, rev;     // as sysfs has them (trailing blanks kept)
  std::string blockName;              // "sdb", empty when it has no block device
  std::string driver;                 // "usb-storage"
};

// In host, channel, target, LUN order.
std::vector<SysfsScsiDevice> ScanSysfsScsi(const std::string& sysfsRoot);

// The disk a block device belongs to: "sdb" for "sdb1", the name itself
// for a whole disk.
std::string WholeDiskOf(const std::string& sysfsRoot, const std::string& blockName);

struct MountEntry {
  std::string source;      // "/dev/sdb1"
  std::string mountPoint;  // "/media/user/KL570"
};
// /proc/self/mountinfo as it stands (octal escapes undone).
std::vector<MountEntry> ReadMountInfo(const std::string& file);

}  // namespace host
