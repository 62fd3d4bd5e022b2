// A player in recovery mode: the device "\\.\KvMp3RecDevice0" takes the
// USB mass-storage image in overlapped writes of at most 4096 bytes (each
// waited for in an alertable wait, as the updater does), and after the
// handle is closed the player comes back as a disk on the machine's time
// scale.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/devices/tests/player_fixture.h"
#include "platform/devices/virtual_player.h"
#include "platform/win/files.h"
#include "platform/win/ioctl.h"
#include "platform/win/last_error.h"
#include "platform/win/sync.h"
#include "platform/win/system.h"
#include "platform/win/volumes.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

devices::PlayerOptions recoveryPlayer() {
  devices::PlayerOptions o = kltest::SmallPlayer();
  o.mode = devices::PlayerMode::Recovery;
  return o;
}

win::HANDLE openRecovery(int n) {
  std::string name = "\\\\.\\KvMp3RecDevice" + std::to_string(n);
  return win::CreateFileA(name.c_str(), win::GENERIC_READ | win::GENERIC_WRITE, win::FILE_SHARE_READ, nullptr,
                          win::OPEN_EXISTING, win::FILE_FLAG_OVERLAPPED, nullptr);
}

// One write as the updater's recovery device makes it: the routine keeps
// the count and signals the shared event.
struct RecoveryWrite {
  static win::HANDLE event;
  static win::DWORD error, count;
  static void done(win::DWORD e, win::DWORD n, win::OVERLAPPED*) {
    error = e;
    count = n;
    win::SetEvent(event);
  }
};
win::HANDLE RecoveryWrite::event = nullptr;
win::DWORD RecoveryWrite::error = 0, RecoveryWrite::count = 0;

// WAIT_* of the wait; error and count of the routine in RecoveryWrite.
// Writes that are meant to complete are waited for without a time-out, so
// that a busy host cannot turn them into time-outs.
win::DWORD writeBlock(win::HANDLE device, const std::uint8_t* data, win::DWORD size, win::DWORD waitMs = win::INFINITE) {
  win::OVERLAPPED ov{};
  ov.hEvent = reinterpret_cast<win::HANDLE>(static_cast<std::uintptr_t>(size));  // the updater keeps the length here
  win::ResetEvent(RecoveryWrite::event);
  RecoveryWrite::error = RecoveryWrite::count = 0xFFFFFFFFu;
  if (!win::WriteFileEx(device, data, size, &ov, &RecoveryWrite::done)) return win::WAIT_FAILED;
  win::DWORD w = win::WaitForSingleObjectEx(RecoveryWrite::event, waitMs, win::TRUE);
  if (w == win::WAIT_TIMEOUT) {
    win::CancelIo(device);
    // The routine still comes, with the cancel, in the next alertable wait.
    EXPECT_EQ(win::WaitForSingleObjectEx(RecoveryWrite::event, win::INFINITE, win::TRUE), win::WAIT_IO_COMPLETION);
  }
  return w;
}

class PlayerRecovery : public ::testing::Test {
 protected:
  void SetUp() override { RecoveryWrite::event = win::CreateEventA(nullptr, win::TRUE, win::FALSE, nullptr); }
  void TearDown() override { win::CloseHandle(RecoveryWrite::event); }
};

TEST_F(PlayerRecovery, TheDownloadComesBackAsADisk) {
  kltest::PlayerMachine player("xp", recoveryPlayer());
  char letter = player.letter();
  const win::DWORD bit = 1u << (letter - 'A');
  EXPECT_FALSE(win::GetLogicalDrives() & bit);
  EXPECT_EQ(player.openVolume(), win::INVALID_HANDLE_VALUE);
  player.knob("recovery-delay", "100");

  win::HANDLE device = openRecovery(0);
  ASSERT_NE(device, win::INVALID_HANDLE_VALUE);
  EXPECT_EQ(openRecovery(0), win::INVALID_HANDLE_VALUE);  // busy
  EXPECT_EQ(win::GetLastError(), win::ERROR_ACCESS_DENIED);
  EXPECT_EQ(openRecovery(1), win::INVALID_HANDLE_VALUE);

  Bytes image(4097);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 13);
  EXPECT_EQ(writeBlock(device, image.data(), 4096), win::WAIT_IO_COMPLETION);
  EXPECT_EQ(RecoveryWrite::error, 0u);
  EXPECT_EQ(RecoveryWrite::count, 4096u);
  EXPECT_EQ(writeBlock(device, image.data() + 4096, 1), win::WAIT_IO_COMPLETION);
  EXPECT_EQ(RecoveryWrite::count, 1u);
  win::CloseHandle(device);

  // The image went to the USB mass-storage drive (tag 0x01), 0xFF behind it.
  std::string drive = kltest::ReadHostFile(player.imageOf(2));
  ASSERT_EQ(drive.size(), devices::kUsbMassStorageDriveBytes);
  EXPECT_EQ(std::memcmp(drive.data(), image.data(), image.size()), 0);
  EXPECT_EQ(drive.find_first_not_of('\xFF', image.size()), std::string::npos);
  EXPECT_EQ(openRecovery(0), win::INVALID_HANDLE_VALUE);

  // The player shows up after its delay of machine time.
  for (int i = 0; i < 4000 && !(win::GetLogicalDrives() & bit); ++i) win::Sleep(50);
  ASSERT_TRUE(win::GetLogicalDrives() & bit);
  EXPECT_EQ(win::GetDriveTypeA((std::string(1, letter) + ":\\").c_str()), win::DRIVE_REMOVABLE);
  win::HANDLE volume = player.openVolume();
  ASSERT_NE(volume, win::INVALID_HANDLE_VALUE);
  EXPECT_EQ(kltest::PassThrough(volume, {0x12, 0, 0, 0, 0x60, 0}, 96).status, 0);
  win::CloseHandle(volume);
}

TEST_F(PlayerRecovery, TheDiskWaitsForTheDelay) {
  kltest::PlayerMachine player("xp", recoveryPlayer());
  player.knob("recovery-delay", "3600000");  // an hour of machine time: 72 s on this scale
  win::HANDLE device = openRecovery(0);
  ASSERT_NE(device, win::INVALID_HANDLE_VALUE);
  Bytes block(4096, 0x42);
  EXPECT_EQ(writeBlock(device, block.data(), 4096), win::WAIT_IO_COMPLETION);
  win::CloseHandle(device);
  EXPECT_FALSE(win::GetLogicalDrives() & (1u << (player.letter() - 'A')));
  EXPECT_FALSE(devices::VirtualPlayer::At(player.playerFolder())->present());
  EXPECT_FALSE(devices::VirtualPlayer::At(player.playerFolder())->inRecoveryMode());
}

TEST_F(PlayerRecovery, StalledWriteTimesOutAndIsCancelled) {
  kltest::PlayerMachine player("xp", recoveryPlayer());
  player.knob("recovery-stall", "1");
  win::HANDLE device = openRecovery(0);
  ASSERT_NE(device, win::INVALID_HANDLE_VALUE);
  Bytes block(4096, 1);
  EXPECT_EQ(writeBlock(device, block.data(), 4096, 1000), win::WAIT_TIMEOUT);
  EXPECT_EQ(RecoveryWrite::error, win::ERROR_OPERATION_ABORTED);
  EXPECT_EQ(RecoveryWrite::count, 0u);
  win::CloseHandle(device);
  // Nothing was taken: the player still waits in recovery mode.
  EXPECT_TRUE(devices::VirtualPlayer::At(player.playerFolder())->inRecoveryMode());
}

TEST_F(PlayerRecovery, RefusedWrites) {
  kltest::PlayerMachine player("xp", recoveryPlayer());
  win::HANDLE device = openRecovery(0);
  ASSERT_NE(device, win::INVALID_HANDLE_VALUE);
  Bytes big(4097, 1);
  EXPECT_EQ(writeBlock(device, big.data(), 4097), win::WAIT_IO_COMPLETION);
  EXPECT_EQ(RecoveryWrite::error, win::ERROR_INVALID_PARAMETER);
  player.knob("write-fail", "1");
  EXPECT_EQ(writeBlock(device, big.data(), 4096), win::WAIT_IO_COMPLETION);
  EXPECT_EQ(RecoveryWrite::error, win::ERROR_GEN_FAILURE);
  player.knob("write-fail", "0");
  // An image larger than the USB mass-storage drive is not taken.
  Bytes block(4096, 2);
  for (std::uint64_t done = 0; done < devices::kUsbMassStorageDriveBytes; done += 4096) {
    ASSERT_EQ(writeBlock(device, block.data(), 4096), win::WAIT_IO_COMPLETION);
    ASSERT_EQ(RecoveryWrite::error, 0u);
  }
  EXPECT_EQ(writeBlock(device, block.data(), 1), win::WAIT_IO_COMPLETION);
  EXPECT_EQ(RecoveryWrite::error, win::ERROR_DISK_FULL);
  win::CloseHandle(device);
  EXPECT_TRUE(devices::VirtualPlayer::At(player.playerFolder())->inRecoveryMode());
  // Without FILE_FLAG_OVERLAPPED there is no WriteFileEx.
  win::HANDLE plain = win::CreateFileA("\\\\.\\KvMp3RecDevice0", win::GENERIC_WRITE, 0, nullptr, win::OPEN_EXISTING,
                                       0, nullptr);
  ASSERT_NE(plain, win::INVALID_HANDLE_VALUE);
  win::OVERLAPPED ov{};
  EXPECT_FALSE(win::WriteFileEx(plain, block.data(), 16, &ov, &RecoveryWrite::done));
  EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_PARAMETER);
  win::CloseHandle(plain);
}

TEST_F(PlayerRecovery, TheSecondPlayerIsTakenWhenTheFirstIsBusy) {
  kltest::PlayerMachine player("xp", recoveryPlayer());
  std::string error;
  ASSERT_TRUE(devices::AddVirtualPlayer(recoveryPlayer(), &error)) << error;
  win::HANDLE first = openRecovery(0);
  ASSERT_NE(first, win::INVALID_HANDLE_VALUE);
  int opened = -1;
  for (int d = 0; d < 100 && opened < 0; ++d) {
    win::HANDLE h = openRecovery(d);
    if (h == win::INVALID_HANDLE_VALUE) continue;
    opened = d;
    win::CloseHandle(h);
  }
  EXPECT_EQ(opened, 1);
  win::CloseHandle(first);
}

}  // namespace
