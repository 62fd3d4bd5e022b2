// "\\.\KvMp3RecDeviceN": the recovery-mode driver's device of player N
// while the player waits in recovery mode for its USB mass-storage
// firmware. One handle at a time may have it open (another open answers
// ERROR_ACCESS_DENIED, in any process of the machine). It takes the image
// as a stream of writes of at most 4096 bytes (the offset is not used);
// when the handle is closed after at least one write, the player takes
// the image (VirtualPlayer::acceptRecoveryImage) and comes back as a disk
// after its recovery delay. A write beyond the USB mass-storage drive's
// size answers ERROR_DISK_FULL and the download is not taken.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "platform/devices/virtual_player.h"
#include "platform/win/device_namespace.h"

namespace devices {

constexpr win::DWORD kRecoveryBlockBytes = 4096;

class RecoveryDevice : public win::DeviceObject {
 public:
  static std::shared_ptr<RecoveryDevice> Open(std::shared_ptr<VirtualPlayer> player,
                                              const win::DeviceOpenRequest& request, win::DWORD& error);
  RecoveryDevice(std::shared_ptr<VirtualPlayer> player, int lockFd, const win::DeviceOpenRequest& request);
  ~RecoveryDevice() override;

  win::DeviceAnswer write(std::uint64_t offset, const win::BYTE* data, win::DWORD size,
                          win::DeviceRequest& request) override;
  void closed() override;

 private:
  std::shared_ptr<VirtualPlayer> player_;
  int lockFd_;
  std::mutex mutex_;
  std::vector<std::uint8_t> image_;
  bool refused_ = false;
};

}  // namespace devices
