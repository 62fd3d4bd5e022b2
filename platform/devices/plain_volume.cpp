#include "platform/devices/plain_volume.h"

#include "platform/win/ioctl.h"

namespace devices {

win::DeviceAnswer PlainVolume::control(win::DWORD code, const std::vector<win::BYTE>&, win::BYTE*, win::DWORD,
                                       win::DeviceRequest&) {
  constexpr win::DWORD ERROR_NOT_LOCKED = 158;
  switch (code) {
    case win::FSCTL_LOCK_VOLUME: locked_ = true; return {};
    case win::FSCTL_UNLOCK_VOLUME: return {locked_.exchange(false) ? win::ERROR_SUCCESS : ERROR_NOT_LOCKED, 0, 0};
    case win::FSCTL_DISMOUNT_VOLUME: return {};
    default: return {win::ERROR_INVALID_FUNCTION, 0, 0};
  }
}

}  // namespace devices
