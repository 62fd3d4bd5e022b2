// The handle of a SCSI disk's volume ("\\.\X:") or of the whole disk
// ("\\.\PhysicalDriveN"), over the disk's target. What Windows' disk and
// port drivers do for such a handle, done with the disk's own commands:
//
//   IOCTL_SCSI_PASS_THROUGH         the command block to the target; the
//                                   data (at most 64 KiB) and sense at the
//                                   caller's offsets inside its buffer
//   IOCTL_SCSI_GET_ADDRESS          port, path, target, LUN
//   IOCTL_DISK_GET_DRIVE_GEOMETRY   from READ CAPACITY: 64 heads, 32
//                                   sectors per track (1 and 1 below 2048
//                                   sectors), removable medium
//   IOCTL_DISK_GET/SET/DELETE_DRIVE_LAYOUT  the partition table of the
//                                   master boot record (four entries)
//   FSCTL_LOCK/UNLOCK/DISMOUNT_VOLUME       through the target's VolumeControl
//   ReadFile, WriteFile             whole sectors with READ(10)/WRITE(10);
//                                   a volume counts from its partition's
//                                   first sector as the boot record gave it
//                                   when the handle was opened
//
// While another handle holds the volume lock, reads and writes answer
// ERROR_ACCESS_DENIED. A device that vanished answers
// ERROR_DEVICE_NOT_CONNECTED.
#pragma once

#include <memory>
#include <mutex>

#include "platform/devices/scsi_target.h"
#include "platform/devices/volume_control.h"
#include "platform/win/device_object.h"

namespace devices {

constexpr win::DWORD kMaxPassThroughTransfer = 65536;

class DiskHandle : public win::DeviceObject {
 public:
  // `wholeDisk`: a physical-drive handle; otherwise the volume.
  DiskHandle(AttachedTarget target, bool wholeDisk, win::DWORD access, win::DWORD flags);

  win::DeviceAnswer control(win::DWORD code, const std::vector<win::BYTE>& in, win::BYTE* out, win::DWORD outSize,
                            win::DeviceRequest& request) override;
  win::DeviceAnswer read(std::uint64_t offset, win::BYTE* data, win::DWORD size, win::DeviceRequest& request) override;
  win::DeviceAnswer write(std::uint64_t offset, const win::BYTE* data, win::DWORD size,
                          win::DeviceRequest& request) override;
  std::optional<std::uint64_t> endOffset() override;
  void closed() override;

 private:
  struct Capacity {
    std::uint64_t sectors = 0;
    std::uint32_t sectorSize = 0;
  };
  // Runs one command; adds its latency to `latency`.
  ScsiOutcome run(ScsiCommand& command, win::DWORD& latency);
  win::DWORD capacity(Capacity& out, win::DWORD& latency);
  win::DWORD readSectors(std::uint64_t lba, std::uint32_t count, std::uint32_t sectorSize, win::BYTE* data,
                         win::DWORD& latency);
  win::DWORD writeSectors(std::uint64_t lba, std::uint32_t count, std::uint32_t sectorSize, const win::BYTE* data,
                          win::DWORD& latency);
  // The range of the handle on the medium, in sectors.
  win::DWORD extent(Capacity& cap, std::uint64_t& first, std::uint64_t& sectors, win::DWORD& latency);
  win::DeviceAnswer sectorIo(std::uint64_t offset, win::BYTE* in, const win::BYTE* out, win::DWORD size);

  win::DeviceAnswer passThrough(const std::vector<win::BYTE>& in, win::BYTE* out, win::DWORD outSize);
  win::DeviceAnswer geometry(win::BYTE* out, win::DWORD outSize);
  win::DeviceAnswer getLayout(win::BYTE* out, win::DWORD outSize);
  win::DeviceAnswer setLayout(const std::vector<win::BYTE>& in);
  win::DeviceAnswer deleteLayout();
  win::DeviceAnswer lock();
  win::DeviceAnswer unlock();

  AttachedTarget target_;
  VolumeControl* control_;  // of target_.device, or null
  bool wholeDisk_;
  std::uint64_t volumeStart_ = 0;             // sectors
  std::optional<std::uint64_t> volumeSectors_;  // from the boot record; none: to the medium's end
  std::mutex lockMutex_;
  std::unique_ptr<VolumeLock> lock_;
  bool lockedWithoutControl_ = false;
};

}  // namespace devices
