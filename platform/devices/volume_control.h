// What a disk's volume handle needs of the disk beyond its commands: the
// volume lock that FSCTL_LOCK_VOLUME and the 9x DOS lock take, and the
// dismount. A ScsiTarget may implement it; a target without it has no lock
// of its own (every lock is granted).
#pragma once

#include <memory>

#include "platform/win/types.h"

namespace devices {

// Held while it lives.
class VolumeLock {
 public:
  virtual ~VolumeLock() = default;
};

class VolumeControl {
 public:
  virtual ~VolumeControl() = default;
  // The lock, for one holder; null with a Win32 error when another holder
  // (in any process of the machine) has it or the device refuses.
  virtual std::unique_ptr<VolumeLock> lockVolume(win::DWORD& error) = 0;
  // True when a holder other than `mine` (null: none) has the volume locked.
  virtual bool lockedByOther(const VolumeLock* mine) = 0;
  // ERROR_SUCCESS or the reason.
  virtual win::DWORD dismountVolume() = 0;
};

}  // namespace devices
