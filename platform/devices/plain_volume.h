// The volume handle of a drive letter that no SCSI disk stands behind (a
// drive of machine.ini): it opens, so that a program may try it, answers
// the volume lock, unlock and dismount, and refuses everything else
// (ERROR_INVALID_FUNCTION), as a volume without a SCSI port does.
#pragma once

#include <atomic>

#include "platform/win/device_object.h"

namespace devices {

class PlainVolume : public win::DeviceObject {
 public:
  using win::DeviceObject::DeviceObject;
  win::DeviceAnswer control(win::DWORD code, const std::vector<win::BYTE>& in, win::BYTE* out, win::DWORD outSize,
                            win::DeviceRequest& request) override;

 private:
  std::atomic<bool> locked_{false};
};

}  // namespace devices
