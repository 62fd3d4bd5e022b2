// The player in recovery mode: a device of the recovery-mode driver,
// "\\.\KvMp3RecDevice0" to 99, that takes the USB mass-storage firmware in
// 4096-byte overlapped writes; the player then comes back as a disk.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/win/ioctl.h"
#include "updater/device/kv_device.h"
#include "updater/device/kv_fw_component.h"

namespace pendrel {

class CKvProgress;

class CKvRecoveryDev : public CKvDevice {
 public:
  static constexpr std::uint32_t kBlockSize = 4096;
  static constexpr int kDeviceNumbers = 100;
  static constexpr win::DWORD kWriteTimeoutMs = 1000;

  explicit CKvRecoveryDev(CKvUpdater* owner);
  ~CKvRecoveryDev() override;
  CKvRecoveryDev(const CKvRecoveryDev&) = delete;
  CKvRecoveryDev& operator=(const CKvRecoveryDev&) = delete;

  // Opens the first recovery device and loads the recovery component.
  std::int32_t Open();
  // Sends the component's image in blocks, reporting them to progress.
  std::int32_t Download(CKvProgress* progress);
  void Close();

  const std::wstring& GetDeviceName() const { return m_deviceName; }

 private:
  // The write in progress; the completion routine finds the device through it.
  struct PendingWrite {
    win::OVERLAPPED overlapped;
    CKvRecoveryDev* device;
  };

  static void WriteDone(win::DWORD errorCode, win::DWORD transferred, win::OVERLAPPED* overlapped);
  std::int32_t writeBlock(const std::uint8_t* data, std::uint32_t length);
  std::int32_t fail(std::int32_t code, win::DWORD systemError);

  win::HANDLE m_device = win::INVALID_HANDLE_VALUE;
  std::unique_ptr<CKvFwComponent> m_component;
  PendingWrite m_write{};
  std::wstring m_deviceName;
  win::HANDLE m_event = nullptr;  // manual reset, signalled by the completion routine
  win::DWORD m_written = 0;       // what the completion routine found written
};

}  // namespace pendrel
