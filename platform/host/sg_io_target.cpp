#include "platform/host/sg_io_target.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace host {
namespace {

// Host statuses of the SCSI midlayer that mean the device is not there.
constexpr unsigned short kDidNoConnect = 0x01;

class ExclusiveOpen : public devices::VolumeLock {
 public:
  explicit ExclusiveOpen(int fd) : fd_(fd) {}
  ~ExclusiveOpen() override { ::close(fd_); }

 private:
  int fd_;
};

}  // namespace

HostDiskCalls RealHostDiskCalls() {
  HostDiskCalls c;
  c.sgIo = [](int fd, sg_io_hdr_t* request) { return ::ioctl(fd, SG_IO, request); };
  c.open = [](const std::string& node, int flags) { return ::open(node.c_str(), flags | O_CLOEXEC); };
  c.unmount = [](const std::string& point) { return ::umount2(point.c_str(), 0); };
  return c;
}

SgIoTarget::SgIoTarget(std::string node, std::vector<std::string> mountPoints, HostDiskCalls calls)
    : node_(std::move(node)), mountPoints_(std::move(mountPoints)), calls_(std::move(calls)) {}

void SgIoTarget::setMountPoints(std::vector<std::string> mountPoints) {
  std::lock_guard lock(mutex_);
  mountPoints_ = std::move(mountPoints);
}

devices::ScsiOutcome SgIoTarget::execute(devices::ScsiCommand& command) {
  devices::ScsiOutcome outcome;
  if (command.cdb.empty() || command.cdb.size() > 16) {
    outcome.deviceGone = true;  // the host refuses such a block before it reaches the device
    return outcome;
  }
  int fd = calls_.open(node_, O_RDWR | O_NONBLOCK);
  if (fd < 0) {
    outcome.deviceGone = true;
    return outcome;
  }
  std::uint8_t sense[32] = {};
  sg_io_hdr_t h;
  std::memset(&h, 0, sizeof h);
  h.interface_id = 'S';
  h.cmd_len = static_cast<unsigned char>(command.cdb.size());
  h.cmdp = command.cdb.data();
  h.mx_sb_len = sizeof sense;
  h.sbp = sense;
  h.timeout = kSgIoTimeoutMs;
  if (command.direction == devices::DataDirection::None || command.data.empty()) {
    h.dxfer_direction = SG_DXFER_NONE;
  } else {
    h.dxfer_direction = command.direction == devices::DataDirection::In ? SG_DXFER_FROM_DEV : SG_DXFER_TO_DEV;
    h.dxfer_len = static_cast<unsigned>(command.data.size());
    h.dxferp = command.data.data();
  }
  int rc = calls_.sgIo(fd, &h);
  ::close(fd);
  if (rc < 0 || h.host_status == kDidNoConnect) {
    outcome.deviceGone = true;
    return outcome;
  }
  if (h.host_status != 0 && h.status == 0) {
    // The transport failed without a word from the device.
    outcome.deviceGone = true;
    return outcome;
  }
  outcome.status = h.status;
  int resid = h.resid < 0 ? 0 : h.resid;
  outcome.transferred = h.dxfer_len > static_cast<unsigned>(resid) ? h.dxfer_len - static_cast<unsigned>(resid) : 0;
  std::size_t senseBytes = std::min<std::size_t>(h.sb_len_wr, sizeof sense);
  if (outcome.status != devices::kScsiGood) outcome.sense.assign(sense, sense + senseBytes);
  return outcome;
}

win::DWORD SgIoTarget::unmountAll() {
  std::vector<std::string> points;
  {
    std::lock_guard lock(mutex_);
    points = mountPoints_;
  }
  for (const std::string& p : points) {
    if (calls_.unmount(p) == 0 || errno == EINVAL || errno == ENOENT) continue;  // done, or not mounted
    return win::ERROR_ACCESS_DENIED;
  }
  return win::ERROR_SUCCESS;
}

std::unique_ptr<devices::VolumeLock> SgIoTarget::lockVolume(win::DWORD& error) {
  if ((error = unmountAll()) != win::ERROR_SUCCESS) return nullptr;
  int fd = calls_.open(node_, O_RDONLY | O_EXCL);
  if (fd < 0) {
    error = win::ERROR_ACCESS_DENIED;
    return nullptr;
  }
  return std::make_unique<ExclusiveOpen>(fd);
}

bool SgIoTarget::lockedByOther(const devices::VolumeLock*) { return false; }

win::DWORD SgIoTarget::dismountVolume() { return unmountAll(); }

}  // namespace host
