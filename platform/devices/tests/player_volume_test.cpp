// The player's volume and physical drive as the firmware updater's NT
// transport and formatter use them: lock, unlock, dismount, geometry,
// partition layout and sector reads and writes.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "platform/devices/fat_image.h"
#include "platform/devices/tests/player_fixture.h"
#include "platform/win/dos_devices.h"
#include "platform/win/files.h"
#include "platform/win/ioctl.h"
#include "platform/win/last_error.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

bool control(win::HANDLE h, win::DWORD code, void* in = nullptr, win::DWORD inSize = 0, void* out = nullptr,
             win::DWORD outSize = 0) {
  win::DWORD returned = 0;
  return win::DeviceIoControl(h, code, in, inSize, out, outSize, &returned, nullptr);
}

win::HANDLE openName(const std::string& name, win::DWORD access = win::GENERIC_READ | win::GENERIC_WRITE) {
  return win::CreateFileA(name.c_str(), access, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, nullptr,
                          win::OPEN_EXISTING, 0, nullptr);
}

int run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

TEST(PlayerVolume, FreshDataDriveIsACheckableFatDisk) {
  kltest::PlayerMachine player;
  std::string image = player.imageOf(1);
  std::string offset = std::to_string(devices::kFreshPartitionStart * 512);
  EXPECT_EQ(run("minfo -i '" + image + "@@" + offset + "' ::"), 0);
  EXPECT_EQ(run("mdir -i '" + image + "@@" + offset + "' ::"), 0);
  std::string part = player.machine().folder() + "/part.img";
  ASSERT_EQ(run("dd if='" + image + "' of='" + part + "' bs=512 skip=" + std::to_string(devices::kFreshPartitionStart)),
            0);
  EXPECT_EQ(run("fsck.fat -n '" + part + "'"), 0);
}

TEST(PlayerVolume, LockIsExclusiveAcrossHandlesAndProcesses) {
  kltest::PlayerMachine player;
  win::HANDLE a = player.openVolume();
  win::HANDLE b = player.openVolume();
  ASSERT_NE(a, win::INVALID_HANDLE_VALUE);
  ASSERT_NE(b, win::INVALID_HANDLE_VALUE);
  EXPECT_FALSE(control(a, win::FSCTL_UNLOCK_VOLUME));  // nothing to unlock yet
  ASSERT_TRUE(control(a, win::FSCTL_LOCK_VOLUME));
  EXPECT_FALSE(control(b, win::FSCTL_LOCK_VOLUME));
  EXPECT_EQ(win::GetLastError(), win::ERROR_ACCESS_DENIED);
  // The other handle cannot read or write the locked volume; the holder can.
  Bytes sector(512);
  win::DWORD done = 0;
  EXPECT_FALSE(win::ReadFile(b, sector.data(), 512, &done, nullptr));
  EXPECT_EQ(win::GetLastError(), win::ERROR_ACCESS_DENIED);
  EXPECT_TRUE(win::ReadFile(a, sector.data(), 512, &done, nullptr));
  // Another process of the machine is kept out as well.
  pid_t child = ::fork();
  if (child == 0) {
    win::HANDLE c = player.openVolume();
    ::_exit(control(c, win::FSCTL_LOCK_VOLUME) ? 1 : 0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_TRUE(control(a, win::FSCTL_DISMOUNT_VOLUME));
  EXPECT_TRUE(control(a, win::FSCTL_UNLOCK_VOLUME));
  EXPECT_TRUE(control(b, win::FSCTL_LOCK_VOLUME));
  // Closing the handle gives the lock up.
  win::CloseHandle(b);
  EXPECT_TRUE(control(a, win::FSCTL_LOCK_VOLUME));
  win::CloseHandle(a);
}

TEST(PlayerVolume, SectorsOfTheVolumeStartAtThePartition) {
  kltest::PlayerMachine player;
  win::HANDLE v = player.openVolume();
  ASSERT_NE(v, win::INVALID_HANDLE_VALUE);
  // Volume sector 0 is the partition's boot sector.
  Bytes boot(512);
  win::DWORD done = 0;
  ASSERT_TRUE(win::ReadFile(v, boot.data(), 512, &done, nullptr));
  EXPECT_EQ(done, 512u);
  EXPECT_EQ(std::string(boot.begin() + 54, boot.begin() + 62), "FAT16   ");
  // A write at volume sector 5 lands in the image at partition start + 5.
  Bytes data(1024, 0xA5);
  ASSERT_EQ(win::SetFilePointer(v, 5 * 512, nullptr, win::FILE_BEGIN), 5u * 512);
  ASSERT_TRUE(win::WriteFile(v, data.data(), 1024, &done, nullptr));
  EXPECT_EQ(done, 1024u);
  std::string image = kltest::ReadHostFile(player.imageOf(1));
  std::size_t at = (devices::kFreshPartitionStart + 5) * 512;
  EXPECT_EQ(std::memcmp(image.data() + at, data.data(), data.size()), 0);
  // Part-sector I/O is refused, as on a raw volume.
  ASSERT_EQ(win::SetFilePointer(v, 100, nullptr, win::FILE_BEGIN), 100u);
  EXPECT_FALSE(win::ReadFile(v, boot.data(), 512, &done, nullptr));
  EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_PARAMETER);
  win::CloseHandle(v);

  // The physical drive starts at the medium's first sector: the boot record.
  win::HANDLE disk = openName("\\\\.\\PhysicalDrive0");
  ASSERT_NE(disk, win::INVALID_HANDLE_VALUE);
  Bytes mbr(512);
  ASSERT_TRUE(win::ReadFile(disk, mbr.data(), 512, &done, nullptr));
  EXPECT_EQ(std::memcmp(mbr.data(), image.data(), 512), 0);
  win::CloseHandle(disk);
  EXPECT_EQ(openName("\\\\.\\PhysicalDrive1"), win::INVALID_HANDLE_VALUE);
  EXPECT_EQ(win::GetLastError(), win::ERROR_FILE_NOT_FOUND);
}

TEST(PlayerVolume, GeometryAndAddress) {
  kltest::PlayerMachine player;
  win::HANDLE v = player.openVolume();
  win::DISK_GEOMETRY g{};
  ASSERT_TRUE(control(v, win::IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &g, sizeof g));
  std::uint64_t sectors = std::filesystem::file_size(player.imageOf(1)) / 512;
  EXPECT_EQ(g.BytesPerSector, 512u);
  EXPECT_EQ(g.TracksPerCylinder, 64u);
  EXPECT_EQ(g.SectorsPerTrack, 32u);
  EXPECT_EQ(static_cast<std::uint64_t>(g.Cylinders), sectors / 2048);
  EXPECT_EQ(g.MediaType, win::RemovableMedia);
  win::SCSI_ADDRESS a{};
  a.PortNumber = a.PathId = a.TargetId = a.Lun = 0xFF;
  ASSERT_TRUE(control(v, win::IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &a, sizeof a));
  EXPECT_EQ(a.Length, 8u);
  EXPECT_EQ(a.PortNumber, 0);
  EXPECT_EQ(a.TargetId, 0);
  // Too small an answer buffer is refused without writing.
  std::uint8_t small[4] = {1, 2, 3, 4};
  EXPECT_FALSE(control(v, win::IOCTL_SCSI_GET_ADDRESS, nullptr, 0, small, sizeof small));
  EXPECT_EQ(win::GetLastError(), win::ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(small[0], 1);
  win::CloseHandle(v);
}

TEST(PlayerVolume, LayoutIsTheBootRecordsPartitionTable) {
  kltest::PlayerMachine player;
  win::HANDLE disk = openName("\\\\.\\PhysicalDrive0");
  ASSERT_NE(disk, win::INVALID_HANDLE_VALUE);
  std::uint8_t buffer[168] = {};
  ASSERT_TRUE(control(disk, win::IOCTL_DISK_GET_DRIVE_LAYOUT, nullptr, 0, buffer, sizeof buffer));
  win::DRIVE_LAYOUT_INFORMATION layout;
  std::memcpy(&layout, buffer, sizeof layout);
  EXPECT_EQ(layout.PartitionCount, 4u);
  EXPECT_EQ(layout.PartitionEntry[0].PartitionType, 0x04);  // FAT16 below 32 MiB
  EXPECT_EQ(layout.PartitionEntry[0].HiddenSectors, devices::kFreshPartitionStart);
  EXPECT_EQ(layout.PartitionEntry[0].StartingOffset, devices::kFreshPartitionStart * 512);
  EXPECT_EQ(layout.PartitionEntry[0].PartitionNumber, 1u);

  // The updater's layout: one FAT16 partition after 63 hidden sectors.
  std::uint8_t set[136] = {};
  win::DWORD four = 4;
  std::memcpy(set, &four, 4);
  for (int i = 0; i < 4; ++i) {
    win::PARTITION_INFORMATION p{};
    p.PartitionNumber = static_cast<win::DWORD>(i + 1);
    p.RewritePartition = 1;
    if (i == 0) {
      p.StartingOffset = 63 * 512;
      p.PartitionLength = 4096 * 512;
      p.HiddenSectors = 63;
      p.PartitionType = 6;
      p.RecognizedPartition = 1;
    }
    std::memcpy(set + 8 + 32 * i, &p, sizeof p);
  }
  control(disk, win::IOCTL_DISK_DELETE_DRIVE_LAYOUT);
  std::string image = kltest::ReadHostFile(player.imageOf(1));
  EXPECT_EQ(image[510], 0);  // the boot signature went with the table
  ASSERT_TRUE(control(disk, win::IOCTL_DISK_SET_DRIVE_LAYOUT, set, sizeof set));
  image = kltest::ReadHostFile(player.imageOf(1));
  const auto* e = reinterpret_cast<const std::uint8_t*>(image.data()) + 446;
  EXPECT_EQ(e[4], 0x06);
  EXPECT_EQ(e[8] | (e[9] << 8), 63);
  EXPECT_EQ(e[12] | (e[13] << 8) | (e[14] << 16), 4096);
  EXPECT_EQ(static_cast<std::uint8_t>(image[510]), 0x55);
  EXPECT_EQ(static_cast<std::uint8_t>(image[511]), 0xAA);
  EXPECT_EQ(std::count(image.begin() + 462, image.begin() + 510, 0), 48);
  // Too small a layout buffer is refused.
  EXPECT_FALSE(control(disk, win::IOCTL_DISK_GET_DRIVE_LAYOUT, nullptr, 0, buffer, 100));
  EXPECT_EQ(win::GetLastError(), win::ERROR_INSUFFICIENT_BUFFER);
  win::CloseHandle(disk);

  // A volume opened now starts at the new partition.
  win::HANDLE v = player.openVolume();
  std::vector<std::uint8_t> data(512, 0x3C);
  win::DWORD done = 0;
  ASSERT_TRUE(win::WriteFile(v, data.data(), 512, &done, nullptr));
  image = kltest::ReadHostFile(player.imageOf(1));
  EXPECT_EQ(static_cast<std::uint8_t>(image[63 * 512]), 0x3C);
  EXPECT_EQ(win::SetFilePointer(v, 0, nullptr, win::FILE_END), 4096u * 512);
  win::CloseHandle(v);
}

TEST(PlayerVolume, NamesOfTheMachine) {
  kltest::PlayerMachine player;
  std::vector<char> buffer(4096);
  win::DWORD n = win::QueryDosDeviceA(nullptr, buffer.data(), static_cast<win::DWORD>(buffer.size()));
  ASSERT_GT(n, 0u);
  std::vector<std::string> names;
  for (const char* p = buffer.data(); *p; p += std::strlen(p) + 1) names.emplace_back(p);
  std::string letter = std::string(1, player.letter()) + ":";
  EXPECT_NE(std::find(names.begin(), names.end(), "C:"), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), letter), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), "PhysicalDrive0"), names.end());
  char small[4];
  EXPECT_EQ(win::QueryDosDeviceA(nullptr, small, sizeof small), 0u);
  EXPECT_EQ(win::GetLastError(), win::ERROR_INSUFFICIENT_BUFFER);
  char target[64];
  ASSERT_GT(win::QueryDosDeviceA("physicaldrive0", target, sizeof target), 0u);
  EXPECT_STREQ(target, "\\Device\\Harddisk0\\DR0");

  // A drive of machine.ini opens as a volume without a SCSI port.
  win::HANDLE c = openName("\\\\.\\C:");
  ASSERT_NE(c, win::INVALID_HANDLE_VALUE);
  win::SCSI_ADDRESS a{};
  EXPECT_FALSE(control(c, win::IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &a, sizeof a));
  EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_FUNCTION);
  EXPECT_TRUE(control(c, win::FSCTL_LOCK_VOLUME));
  EXPECT_TRUE(control(c, win::FSCTL_UNLOCK_VOLUME));
  win::CloseHandle(c);
  EXPECT_EQ(openName("\\\\.\\Q:"), win::INVALID_HANDLE_VALUE);
  EXPECT_EQ(openName("\\\\.\\vwin32"), win::INVALID_HANDLE_VALUE);  // not on an NT machine
}

TEST(PlayerVolume, NineXMachineHasNoVolumeNames) {
  kltest::PlayerMachine player("98");
  EXPECT_EQ(player.openVolume(), win::INVALID_HANDLE_VALUE);
  EXPECT_EQ(openName("\\\\.\\PhysicalDrive0"), win::INVALID_HANDLE_VALUE);
  win::HANDLE v = openName("\\\\.\\vwin32", 0);
  EXPECT_NE(v, win::INVALID_HANDLE_VALUE);
  win::CloseHandle(v);
}

}  // namespace
