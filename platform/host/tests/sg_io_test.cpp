// The host's SCSI path: IOCTL_SCSI_PASS_THROUGH on a disk handle carried
// by SG_IO, over a stand-in for the kernel's ioctl; the lock and dismount
// over stand-ins for open and umount.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "platform/devices/disk_handle.h"
#include "platform/host/sg_io_target.h"
#include "platform/testing/temp_machine.h"
#include "platform/win/files.h"
#include "platform/win/ioctl.h"
#include "platform/win/last_error.h"

namespace {

// What the fake kernel saw and what it answers.
struct FakeKernel {
  std::vector<std::uint8_t> cdb;
  int direction = 0;
  unsigned length = 0;
  std::vector<std::uint8_t> sent;
  // The answer.
  std::vector<std::uint8_t> data;
  unsigned char status = 0;
  std::vector<std::uint8_t> sense;
  unsigned short hostStatus = 0;
  int result = 0;
  std::vector<std::string> opens, unmounts;
  int unmountErrno = 0;
  int openErrno = 0;

  host::HostDiskCalls calls() {
    host::HostDiskCalls c;
    c.sgIo = [this](int, sg_io_hdr_t* h) {
      EXPECT_EQ(h->interface_id, 'S');
      EXPECT_EQ(h->timeout, host::kSgIoTimeoutMs);
      cdb.assign(h->cmdp, h->cmdp + h->cmd_len);
      direction = h->dxfer_direction;
      length = h->dxfer_len;
      auto* buffer = static_cast<std::uint8_t*>(h->dxferp);
      if (direction == SG_DXFER_TO_DEV) sent.assign(buffer, buffer + length);
      if (direction == SG_DXFER_FROM_DEV) {
        std::size_t n = std::min<std::size_t>(data.size(), length);
        if (n) std::memcpy(buffer, data.data(), n);
        h->resid = static_cast<int>(length - n);
      }
      h->status = status;
      h->host_status = hostStatus;
      std::size_t s = std::min<std::size_t>(sense.size(), h->mx_sb_len);
      if (s) std::memcpy(h->sbp, sense.data(), s);
      h->sb_len_wr = static_cast<unsigned char>(s);
      return result;
    };
    c.open = [this](const std::string& node, int flags) {
      opens.push_back(node + ((flags & O_EXCL) ? " excl" : ""));
      if (openErrno) {
        errno = openErrno;
        return -1;
      }
      return ::open("/dev/null", O_RDWR | O_CLOEXEC);
    };
    c.unmount = [this](const std::string& point) {
      unmounts.push_back(point);
      if (unmountErrno) {
        errno = unmountErrno;
        return -1;
      }
      return 0;
    };
    return c;
  }
};

class HostPassThrough : public ::testing::Test {
 protected:
  kltest::TempMachine machine;
  FakeKernel kernel;
  std::shared_ptr<host::SgIoTarget> target =
      std::make_shared<host::SgIoTarget>("/dev/sdq", std::vector<std::string>{"/media/u/KL570"}, kernel.calls());
  win::HANDLE handle = nullptr;

  void SetUp() override {
    devices::AttachedTarget t;
    t.port = 2;
    t.target = 0;
    t.driveLetter = 'F';
    t.device = target;
    handle = win::RegisterHandle(std::make_shared<devices::DiskHandle>(t, true, win::GENERIC_READ | win::GENERIC_WRITE, 0));
  }
  void TearDown() override { win::CloseHandle(handle); }

  // A pass-through with the updater's block layout.
  bool send(std::vector<std::uint8_t> cdb, std::size_t in, const std::vector<std::uint8_t>& out,
            win::SCSI_PASS_THROUGH& h, std::vector<std::uint8_t>& block) {
    std::size_t length = std::max(in, out.size());
    block.assign(length + 71, 0);
    h = {};
    h.Length = sizeof h;
    h.CdbLength = static_cast<win::BYTE>(cdb.size());
    h.SenseInfoLength = 18;
    h.DataIn = out.empty() ? 1 : 0;
    h.DataTransferLength = static_cast<win::DWORD>(length);
    h.DataBufferOffset = 70;
    h.SenseInfoOffset = 52;
    std::memcpy(h.Cdb, cdb.data(), cdb.size());
    std::memcpy(block.data(), &h, sizeof h);
    if (!out.empty()) std::memcpy(block.data() + 70, out.data(), out.size());
    win::DWORD returned = 0;
    bool ok = win::DeviceIoControl(handle, win::IOCTL_SCSI_PASS_THROUGH, block.data(),
                                   static_cast<win::DWORD>(block.size()), block.data(),
                                   static_cast<win::DWORD>(block.size()), &returned, nullptr);
    std::memcpy(&h, block.data(), sizeof h);
    return ok;
  }
};

TEST_F(HostPassThrough, DataInCommandReachesTheKernelAndComesBack) {
  kernel.data.assign(36, 0);
  std::memcpy(kernel.data.data() + 8, "ORNEX   KL570           ", 24);
  win::SCSI_PASS_THROUGH h;
  std::vector<std::uint8_t> block;
  ASSERT_TRUE(send({0x12, 0, 0, 0, 0x60, 0}, 96, {}, h, block));
  EXPECT_EQ(kernel.cdb, (std::vector<std::uint8_t>{0x12, 0, 0, 0, 0x60, 0}));
  EXPECT_EQ(kernel.direction, SG_DXFER_FROM_DEV);
  EXPECT_EQ(kernel.length, 96u);
  EXPECT_EQ(h.ScsiStatus, 0);
  EXPECT_EQ(h.DataTransferLength, 36u);  // the short answer, as the device gave it
  EXPECT_EQ(std::string(block.begin() + 78, block.begin() + 83), "ORNEX");
  EXPECT_EQ(kernel.opens, std::vector<std::string>{"/dev/sdq"});
}

TEST_F(HostPassThrough, DataOutAndNoData) {
  std::vector<std::uint8_t> payload(1024, 0x6B);
  win::SCSI_PASS_THROUGH h;
  std::vector<std::uint8_t> block;
  ASSERT_TRUE(send({0x2A, 0, 0, 1, 0x23, 0x45, 0, 0, 2, 0}, 0, payload, h, block));
  EXPECT_EQ(kernel.direction, SG_DXFER_TO_DEV);
  EXPECT_EQ(kernel.sent, payload);
  ASSERT_TRUE(send({0, 0, 0, 0, 0, 0}, 0, {}, h, block));
  EXPECT_EQ(kernel.direction, SG_DXFER_NONE);
}

TEST_F(HostPassThrough, CheckConditionCarriesTheSense) {
  kernel.status = 0x02;
  kernel.sense = {0x70, 0, 0x09, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x12, 0x34, 0, 0, 0, 0};
  win::SCSI_PASS_THROUGH h;
  std::vector<std::uint8_t> block;
  ASSERT_TRUE(send({0xC0, 0x30, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 2, {}, h, block));
  EXPECT_EQ(h.ScsiStatus, 0x02);
  EXPECT_EQ(h.SenseInfoLength, 18);
  EXPECT_EQ(block[52 + 2], 0x09);
  EXPECT_EQ(block[52 + 12], 0x12);
  EXPECT_EQ(block[52 + 13], 0x34);
}

TEST_F(HostPassThrough, TransportFailuresAreNotDeviceAnswers) {
  struct Case {
    const char* what;
    int result;
    unsigned short hostStatus;
    int openErrno;
  };
  const Case cases[] = {{"ioctl fails", -1, 0, 0}, {"no connection", 0, 0x01, 0}, {"host error", 0, 0x03, 0},
                        {"node gone", 0, 0, ENOENT}};
  for (const Case& c : cases) {
    kernel.result = c.result;
    kernel.hostStatus = c.hostStatus;
    kernel.openErrno = c.openErrno;
    win::SCSI_PASS_THROUGH h;
    std::vector<std::uint8_t> block;
    EXPECT_FALSE(send({0, 0, 0, 0, 0, 0}, 0, {}, h, block)) << c.what;
    EXPECT_EQ(win::GetLastError(), win::ERROR_DEVICE_NOT_CONNECTED) << c.what;
  }
}

TEST_F(HostPassThrough, LockUnmountsAndOpensExclusivelyDismountUnmounts) {
  win::DWORD returned = 0;
  ASSERT_TRUE(win::DeviceIoControl(handle, win::FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr));
  EXPECT_EQ(kernel.unmounts, std::vector<std::string>{"/media/u/KL570"});
  EXPECT_EQ(kernel.opens, std::vector<std::string>{"/dev/sdq excl"});
  ASSERT_TRUE(win::DeviceIoControl(handle, win::FSCTL_UNLOCK_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr));
  // A busy file system keeps the lock from being taken, and the dismount too.
  kernel.unmountErrno = EBUSY;
  EXPECT_FALSE(win::DeviceIoControl(handle, win::FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr));
  EXPECT_EQ(win::GetLastError(), win::ERROR_ACCESS_DENIED);
  EXPECT_FALSE(win::DeviceIoControl(handle, win::FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr));
  // Not mounted at all is fine.
  kernel.unmountErrno = EINVAL;
  EXPECT_TRUE(win::DeviceIoControl(handle, win::FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr));
}

}  // namespace
