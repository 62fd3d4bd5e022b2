// The NT mode's private control interface over the device map.
#include <gtest/gtest.h>

#include <cstring>

#include "aspi/scalink_layer.h"
#include "aspi/tests/support/test_machines.h"
#include "platform/win/ioctl.h"
#include "platform/win/system.h"

namespace scalinktest {
namespace {

class NtPrivateControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    player = machine.addPlayer();
    layer.GetASPI32SupportInfo();
    nt = layer.nt();
    ASSERT_NE(nt, nullptr);
  }
  NtTestMachine machine;
  std::shared_ptr<VolumeScript> player;
  aspi::ScalinkLayer layer;
  aspi::NtAspi* nt = nullptr;
};

TEST_F(NtPrivateControlTest, DriveHandlesByNumberAndAddress) {
  win::HANDLE byNumber = nt->driveHandleByNumber(4);  // E
  EXPECT_NE(byNumber, win::INVALID_HANDLE_VALUE);
  EXPECT_EQ(nt->driveHandleBySCSIAddr(1, 0, 0), byNumber);
  EXPECT_EQ(nt->driveHandleByNumber(5), win::INVALID_HANDLE_VALUE);
  EXPECT_EQ(nt->driveHandleByNumber(26), win::INVALID_HANDLE_VALUE);
  EXPECT_EQ(nt->driveHandleBySCSIAddr(1, 3, 0), win::INVALID_HANDLE_VALUE);
}

TEST_F(NtPrivateControlTest, DriveMaskSectorSizeAndDriveInformation) {
  win::DWORD mask = 0, returned = 99;
  ASSERT_TRUE(nt->control(nullptr, 0x26010, nullptr, 0, &mask, sizeof(mask), &returned));
  EXPECT_EQ(mask, 1u << 4);
  EXPECT_EQ(returned, 4u);

  win::WORD sector = 0;
  ASSERT_TRUE(nt->control(nullptr, 0x26024, nullptr, 0, &sector, sizeof(sector), &returned));
  EXPECT_EQ(sector, 512);
  EXPECT_EQ(returned, 2u);

  win::BYTE drive = 4;
  win::BYTE info[28];
  std::memset(info, 0xCC, sizeof(info));
  ASSERT_TRUE(nt->control(nullptr, 0x26034, &drive, 1, info, sizeof(info), &returned));
  EXPECT_EQ(returned, 28u);
  EXPECT_EQ(info[0], 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(info + 8), 16), "ORNEX   KL570   ");
  EXPECT_EQ(info[24], 1);
  EXPECT_EQ(info[25], 0);
  EXPECT_EQ(info[26], 0);
  drive = 26;
  EXPECT_FALSE(nt->control(nullptr, 0x26034, &drive, 1, info, sizeof(info), &returned));
  EXPECT_EQ(returned, 0u);

  win::BYTE address[5] = {0, 1, 0, 0, 0xCC};
  ASSERT_TRUE(nt->control(nullptr, 0x2603C, address, sizeof(address), nullptr, 0, &returned));
  EXPECT_EQ(address[4], 4);
  EXPECT_EQ(returned, 5u);
  win::BYTE missing[5] = {0, 1, 7, 0, 0xCC};
  EXPECT_FALSE(nt->control(nullptr, 0x2603C, missing, sizeof(missing), nullptr, 0, &returned));
}

TEST_F(NtPrivateControlTest, ScsiAddressByHandle) {
  win::HANDLE handle = nt->driveHandleByNumber(4);
  win::SCSI_ADDRESS address{};
  win::DWORD returned = 0;
  ASSERT_TRUE(nt->control(handle, win::IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address, sizeof(address), &returned));
  EXPECT_EQ(address.PortNumber, 1);
  EXPECT_EQ(address.PathId, 0);
  EXPECT_EQ(address.TargetId, 0);
  EXPECT_EQ(address.Lun, 0);
  EXPECT_FALSE(nt->control(reinterpret_cast<win::HANDLE>(0x4444), win::IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address,
                           sizeof(address), &returned));
  EXPECT_FALSE(nt->control(handle, 0x12345, nullptr, 0, nullptr, 0, &returned));
  EXPECT_TRUE(nt->control(handle, 0x26030, nullptr, 0, nullptr, 0, &returned));
}

TEST_F(NtPrivateControlTest, LockFlagsShareOneCountAndKeepTheWatchdogAway) {
  win::HANDLE handle = nt->driveHandleByNumber(4);
  win::DWORD request[2] = {0, 1};
  win::DWORD old = 7, returned = 0;
  // Flag 0 -> 1 gives back a lock that was never taken: the count stays at 0.
  ASSERT_TRUE(nt->control(handle, 0x2601C, request, sizeof(request), &old, sizeof(old), &returned));
  EXPECT_EQ(old, 0u);
  request[1] = 0;  // back to 0: takes a lock
  ASSERT_TRUE(nt->control(handle, 0x2601C, request, sizeof(request), &old, sizeof(old), &returned));
  EXPECT_EQ(old, 1u);
  // A locked unit is never closed by the watchdog.
  win::Sleep(7000);
  EXPECT_EQ(nt->unitHandle(1, 0, 0), handle);
}

}  // namespace
}  // namespace scalinktest
