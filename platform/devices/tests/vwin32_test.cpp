// The DOS IOCTLs of "\\.\vwin32" on a 9x machine, with the register
// blocks the updater's 9x transport builds.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/devices/tests/player_fixture.h"
#include "platform/win/address32.h"
#include "platform/win/files.h"
#include "platform/win/ioctl.h"
#include "platform/win/last_error.h"

namespace {

struct DosCall {
  bool ok;           // DeviceIoControl and no carry
  win::DWORD ax;     // AX afterwards
};

DosCall dos(win::HANDLE v, char letter, win::DWORD ecx, win::DWORD edx = 0, win::DWORD edxPermissions = 0) {
  win::DIOC_REGISTERS r{};
  r.reg_EAX = 0x440D;
  r.reg_EBX = static_cast<win::DWORD>(letter - 64);
  r.reg_ECX = ecx;
  r.reg_EDX = edx ? edx : edxPermissions;
  r.reg_Flags = win::CARRY_FLAG;  // as a caller may leave it
  win::DWORD returned = 0;
  bool io = win::DeviceIoControl(v, win::VWIN32_DIOC_DOS_IOCTL, &r, sizeof r, &r, sizeof r, &returned, nullptr);
  return {io && !(r.reg_Flags & win::CARRY_FLAG), r.reg_EAX & 0xFFFF};
}

class Vwin32 : public ::testing::Test {
 protected:
  kltest::PlayerMachine player{"98"};
  win::HANDLE vwin32 =
      win::CreateFileA("\\\\.\\vwin32", 0, 0, nullptr, 0, win::FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  void SetUp() override { ASSERT_NE(vwin32, win::INVALID_HANDLE_VALUE); }
  void TearDown() override { win::CloseHandle(vwin32); }
};

TEST_F(Vwin32, DriveMapInfoTellsThePlayerFromTheFixedDrive) {
  std::uint8_t map[16] = {16};
  win::Address32 block(map, sizeof map);
  ASSERT_TRUE(dos(vwin32, player.letter(), 0x486F, block.value()).ok);
  EXPECT_EQ(map[2], 0x0F);
  EXPECT_EQ(map[3], 0xFF);
  std::memset(map, 0, sizeof map);
  map[0] = 16;
  ASSERT_TRUE(dos(vwin32, 'C', 0x086F, block.value()).ok);
  EXPECT_EQ(map[3], 0x80);
  // A letter the machine does not have, a block too small, an unknown minor code.
  EXPECT_EQ(dos(vwin32, 'Q', 0x486F, block.value()).ax, 0x0F);
  std::uint8_t small[8] = {8};
  win::Address32 smallBlock(small, sizeof small);
  EXPECT_FALSE(dos(vwin32, 'C', 0x486F, smallBlock.value()).ok);
  EXPECT_FALSE(dos(vwin32, 'C', 0x4899, block.value()).ok);
  EXPECT_FALSE(dos(vwin32, 'C', 0x486F, 0x12345).ok);  // an address nobody handed out
}

TEST_F(Vwin32, DeviceParametersOfThePlayer) {
  std::uint8_t params[64] = {};
  win::Address32 block(params, sizeof params);
  ASSERT_TRUE(dos(vwin32, player.letter(), 0x0860, block.value()).ok);
  std::uint64_t sectors = devices::kMinPlayerBytes / 512;  // at least the data drive's
  EXPECT_EQ(params[7] | (params[8] << 8), 512);
  EXPECT_EQ(params[20] | (params[21] << 8), 32);
  EXPECT_EQ(params[22] | (params[23] << 8), 64);
  EXPECT_GT(params[4] | (params[5] << 8), 0);
  EXPECT_LT(static_cast<std::uint64_t>(params[4] | (params[5] << 8)), sectors / 2048);
  EXPECT_FALSE(dos(vwin32, player.letter(), 0x4860, block.value()).ok);  // category 08h only
}

TEST_F(Vwin32, LocksCountAndKeepOtherHolderOut) {
  ASSERT_TRUE(dos(vwin32, player.letter(), 0x484B, 0, 0).ok);
  ASSERT_TRUE(dos(vwin32, player.letter(), 0x084A, 0, 4).ok);
  win::HANDLE other = win::CreateFileA("\\\\.\\vwin32", 0, 0, nullptr, 0, 0, nullptr);
  EXPECT_EQ(dos(other, player.letter(), 0x484A).ax, 0x05);
  EXPECT_TRUE(dos(vwin32, player.letter(), 0x486B).ok);
  EXPECT_FALSE(dos(other, player.letter(), 0x484A).ok);  // still held once
  EXPECT_TRUE(dos(vwin32, player.letter(), 0x486A).ok);
  EXPECT_FALSE(dos(vwin32, player.letter(), 0x486A).ok);  // nothing left to unlock
  EXPECT_TRUE(dos(other, player.letter(), 0x484A).ok);
  win::CloseHandle(other);
  player.knob("lock-fail", "1");
  EXPECT_FALSE(dos(vwin32, player.letter(), 0x484A).ok);
  EXPECT_FALSE(dos(vwin32, player.letter(), 0x084A).ok);
}

}  // namespace
