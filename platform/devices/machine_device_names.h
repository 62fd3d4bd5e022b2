// The devices a machine brings by itself, as CreateFileA opens them by
// their "\\.\" names and QueryDosDeviceA lists them:
//
//   "X:"               the volume of a drive letter. A letter of a SCSI disk
//                      (the player) is its disk's volume: pass-through,
//                      address, geometry, layout, lock, dismount, sector
//                      I/O from the partition's first sector. Any other
//                      letter opens as a plain volume that answers lock,
//                      unlock and dismount and nothing else. NT machines only.
//   "PhysicalDriveN"   the N-th SCSI disk of MachineScsiTargets(), sector I/O
//                      from the medium's first sector. NT machines only.
//   "vwin32"           the DOS IOCTL interface of a 9x machine.
//   "KvMp3RecDeviceN"  the recovery-mode device of player N (devices/playerN)
//                      while it is in recovery mode.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/win/device_namespace.h"

namespace devices {

// Null with the error to report (ERROR_FILE_NOT_FOUND for a name the
// machine does not have).
std::shared_ptr<win::DeviceObject> OpenMachineDevice(const win::DeviceOpenRequest& request, win::DWORD& error);

// The DOS device names of the machine and their targets, drive letters
// first ("C:" -> "\Device\HarddiskVolume1").
std::vector<std::pair<std::string, std::string>> MachineDosDeviceNames();

}  // namespace devices
