// "\\.\vwin32" of a 9x machine: DeviceIoControl code VWIN32_DIOC_DOS_IOCTL
// with a DIOC_REGISTERS block in and out runs the DOS IOCTL of interrupt
// 21h function 440Dh (generic block device request) that the registers
// name: BL the drive (1 = A:), CH the category (08h or 48h), CL the minor
// code:
//
//   4Ah / 4Bh  lock the logical / physical volume (the disk's volume lock,
//              held by this handle, counted)
//   6Ah / 6Bh  unlock it
//   60h        get device parameters into the block at EDX: device type
//              (byte 1), attributes (word 2), cylinders (word 4), media
//              type (byte 6), then the BPB from byte 7: bytes per sector
//              (7), sectors per track (20), heads (22), hidden sectors
//              (24), total sectors (28)
//   6Fh        get drive map info into the block at EDX (first byte its
//              length, at least 16): flags (byte 2) and Int 13h unit
//              (byte 3): a SCSI disk's letter 0Fh / FFh (protected mode
//              only), a fixed drive 03h / 80h + its place among the fixed
//              drives, another removable drive 03h / 00h
//
// EDX carries the block as a win::Address32 value (platform/win/address32.h).
// Success clears the carry flag; a failure sets it and puts the DOS error
// in AX (01h invalid function, 05h access denied, 0Fh invalid drive).
#pragma once

#include <map>
#include <memory>
#include <mutex>

#include "platform/devices/volume_control.h"
#include "platform/win/device_object.h"
#include "platform/win/ioctl.h"

namespace devices {

class Vwin32Device : public win::DeviceObject {
 public:
  using win::DeviceObject::DeviceObject;
  win::DeviceAnswer control(win::DWORD code, const std::vector<win::BYTE>& in, win::BYTE* out, win::DWORD outSize,
                            win::DeviceRequest& request) override;
  void closed() override;

 private:
  // The DOS error, 0 for success.
  win::DWORD dosIoctl(win::DIOC_REGISTERS& r, win::DWORD& latency);
  win::DWORD lockDrive(char letter);
  win::DWORD unlockDrive(char letter);
  win::DWORD deviceParameters(char letter, win::DWORD block, win::DWORD& latency);
  win::DWORD driveMapInfo(char letter, win::DWORD block);

  struct HeldLock {
    unsigned count = 0;
    std::unique_ptr<VolumeLock> lock;
  };
  std::mutex mutex_;
  std::map<char, HeldLock> locks_;
};

}  // namespace devices
