#include "platform/devices/recovery_device.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/win/ioctl.h"
#include "platform/win/sync.h"

namespace devices {
namespace {

// What a download may hold when the player has no USB mass-storage drive
// to put it on.
constexpr std::uint64_t kLooseImageLimit = 4u << 20;

}  // namespace

std::shared_ptr<RecoveryDevice> RecoveryDevice::Open(std::shared_ptr<VirtualPlayer> player,
                                                     const win::DeviceOpenRequest& request, win::DWORD& error) {
  int fd = ::open((player->folder() + "/recovery.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (fd >= 0) ::close(fd);
    error = win::ERROR_ACCESS_DENIED;
    return nullptr;
  }
  return std::make_shared<RecoveryDevice>(std::move(player), fd, request);
}

RecoveryDevice::RecoveryDevice(std::shared_ptr<VirtualPlayer> player, int lockFd,
                               const win::DeviceOpenRequest& request)
    : win::DeviceObject(request.access, request.flags), player_(std::move(player)), lockFd_(lockFd) {}

RecoveryDevice::~RecoveryDevice() {
  if (lockFd_ >= 0) ::close(lockFd_);
}

win::DeviceAnswer RecoveryDevice::write(std::uint64_t, const win::BYTE* data, win::DWORD size,
                                        win::DeviceRequest& request) {
  PlayerDescription d = player_->description();
  win::DWORD latency = d.knobs.delayMs;
  if (d.mode != PlayerMode::Recovery || d.vanished) return {win::ERROR_DEVICE_NOT_CONNECTED, 0, 0};
  if (size > kRecoveryBlockBytes) return {win::ERROR_INVALID_PARAMETER, 0, latency};
  if (d.knobs.recoveryStall) {
    request.waitForCancel(win::INFINITE);
    return {win::ERROR_OPERATION_ABORTED, 0, 0};
  }
  if (d.knobs.writeFail) return {win::ERROR_GEN_FAILURE, 0, latency};
  std::uint64_t limit = player_->recoveryCapacity();
  if (limit == 0) limit = kLooseImageLimit;
  std::lock_guard lock(mutex_);
  if (image_.size() + size > limit) {
    refused_ = true;
    return {win::ERROR_DISK_FULL, 0, latency};
  }
  image_.insert(image_.end(), data, data + size);
  return {win::ERROR_SUCCESS, size, latency};
}

void RecoveryDevice::closed() {
  std::vector<std::uint8_t> image;
  {
    std::lock_guard lock(mutex_);
    if (!refused_) image.swap(image_);
  }
  if (!image.empty()) player_->acceptRecoveryImage(image);
  // The device is free for the next open from here, whoever still holds
  // this object for a moment.
  if (lockFd_ >= 0) ::close(lockFd_);
  lockFd_ = -1;
}

}  // namespace devices
