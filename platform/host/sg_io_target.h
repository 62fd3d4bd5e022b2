// A SCSI device of the host, reached with the SG_IO ioctl on its block
// device node (/dev/sdb), and its volume lock and dismount. The lock
// unmounts the disk's file systems and opens the disk exclusively
// (O_EXCL), as a Windows volume lock shuts the file system out; it fails
// (ERROR_ACCESS_DENIED) while a file system stays busy or the disk is held
// elsewhere. Dismount unmounts. The host does not keep other openers out
// while the lock is held. The system calls go through HostDiskCalls, so
// that tests can stand in for the kernel.
#pragma once

#include <scsi/sg.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/devices/scsi_target.h"
#include "platform/devices/volume_control.h"

namespace host {

struct HostDiskCalls {
  std::function<int(int fd, sg_io_hdr_t* request)> sgIo;         // ioctl(fd, SG_IO, request)
  std::function<int(const std::string& node, int flags)> open;   // open(2); -1 with errno
  std::function<int(const std::string& mountPoint)> unmount;     // umount2(2); -1 with errno
};
HostDiskCalls RealHostDiskCalls();

// Time the host allows one command.
constexpr unsigned kSgIoTimeoutMs = 120000;

class SgIoTarget : public devices::ScsiTarget, public devices::VolumeControl {
 public:
  SgIoTarget(std::string node, std::vector<std::string> mountPoints, HostDiskCalls calls);

  devices::ScsiOutcome execute(devices::ScsiCommand& command) override;
  std::unique_ptr<devices::VolumeLock> lockVolume(win::DWORD& error) override;
  bool lockedByOther(const devices::VolumeLock* mine) override;
  win::DWORD dismountVolume() override;

  const std::string& node() const { return node_; }
  void setMountPoints(std::vector<std::string> mountPoints);

 private:
  win::DWORD unmountAll();

  std::string node_;
  std::mutex mutex_;
  std::vector<std::string> mountPoints_;
  HostDiskCalls calls_;
};

}  // namespace host
