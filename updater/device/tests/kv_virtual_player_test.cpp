// The device layer against the machine's virtual player: discovery and
// vendor commands through the pass-through of an XP machine and through
// the system's ASPI manager of a 98 machine, and a recovery download that
// brings a player in recovery mode back as a disk.
#include <gtest/gtest.h>

#include "platform/devices/player_description.h"
#include "platform/devices/player_setup.h"
#include "platform/devices/system_aspi_devices.h"
#include "platform/testing/temp_machine.h"
#include "platform/win/paths.h"
#include "updater/device/kv_drive_commands.h"
#include "updater/device/kv_media_commands.h"
#include "updater/device/kv_recovery_dev.h"
#include "updater/device/kv_result_codes.h"
#include "updater/device/kv_scsi_create.h"
#include "updater/device/tests/updater_kit.h"

namespace pendrel {
namespace {

sim::MachineSpec machineOf(const char* os) {
  sim::MachineSpec spec;
  spec.settings = *sim::SettingsForOs(os);
  spec.settings.timeScale = 0.01;
  return spec;
}

devices::PlayerDescription addPlayer(devices::PlayerMode mode) {
  devices::PlayerOptions options;
  options.mode = mode;
  std::string error;
  auto folder = devices::AddVirtualPlayer(options, &error);
  EXPECT_TRUE(folder) << error;
  devices::PlayerDescription d;
  if (folder) {
    EXPECT_TRUE(devices::ReadPlayerDescription(*folder, d, &error)) << error;
  }
  return d;
}

// Finds the player, then reads its table and versions and writes a stamp.
void exercisePlayer(const char* os) {
  kltest::TempMachine machine(machineOf(os));
  devices::PlayerDescription player = addPlayer(devices::PlayerMode::MassStorage);
  if (std::string(os) == "98") devices::SetUpAspiDevices();
  test::UpdaterKit kit;
  std::unique_ptr<CKvScsi> transport;
  ASSERT_EQ(CreateTransport(&kit.updater, GetOsKind(), transport), kKvOk);
  ASSERT_EQ(transport->FindDevice(), kKvOk) << kit.errors().errorCode();
  EXPECT_EQ(transport->GetDriveLetter(), static_cast<wchar_t>(player.letter));

  CKvGetLogicalTable get(KvMediaTable::kCapacity);
  ASSERT_EQ(transport->SendCommand(get), kKvOk);
  KvMediaTable table{};
  get.Decode(table);
  std::uint16_t count = table.count;
  ASSERT_EQ(count, player.drives.size());
  for (std::size_t i = 0; i < player.drives.size(); ++i) {
    KvMediaEntry e = table.entries[i];
    std::uint64_t size = e.size;
    EXPECT_EQ(e.driveNumber, player.drives[i].number);
    EXPECT_EQ(e.type, player.drives[i].type);
    EXPECT_EQ(e.tag, player.drives[i].tag);
    EXPECT_EQ(size, player.drives[i].size);
  }

  std::uint8_t drive = player.drives[2].number;  // a system drive
  CKvSetLogicalDriveInfo set(drive, kDriveInfoComponentVersion, CKvVersionInfo(2, 3, 4));
  ASSERT_EQ(transport->SendCommand(set), kKvOk);
  CKvGetLogicalDriveInfo back(drive, kDriveInfoComponentVersion);
  ASSERT_EQ(transport->SendCommand(back), kKvOk);
  CKvVersionInfo version;
  ASSERT_EQ(back.DecodeComponentVersion(version), kKvOk);
  EXPECT_EQ(version, CKvVersionInfo(2, 3, 4));

  CKvGetLogicalDriveInfo sectorSize(drive, kDriveInfoSectorSize);
  ASSERT_EQ(transport->SendCommand(sectorSize), kKvOk);
  std::uint32_t bytes = 0;
  ASSERT_EQ(sectorSize.DecodeSectorSize(bytes), kKvOk);
  EXPECT_EQ(bytes, player.drives[2].sectorSize);
  CKvWriteLogicalDriveSector write(drive, 1, 2, bytes);
  CKvByteArray data(2 * bytes);
  for (std::uint32_t i = 0; i < data.GetCount(); ++i) data.SetAt(i, static_cast<std::uint8_t>(i * 13 + 1));
  ASSERT_EQ(write.SetPayload(data), kKvOk);
  ASSERT_EQ(transport->SendCommand(write), kKvOk);
  CKvReadLogicalDriveSector read(drive, 1, 2, bytes);
  ASSERT_EQ(transport->SendCommand(read), kKvOk);
  CKvByteArray readBack(2 * bytes);
  ASSERT_EQ(read.Decode(readBack), kKvOk);
  EXPECT_TRUE(readBack.Equals(data));
  transport->Close();
}

TEST(VirtualPlayerTest, XpFindsAndCommandsThePlayerThroughPassThrough) { exercisePlayer("xp"); }

TEST(VirtualPlayerTest, Win98FindsAndCommandsThePlayerThroughAspi) { exercisePlayer("98"); }

TEST(VirtualPlayerTest, PlayerInRecoveryModeIsNoDiskButTakesTheRecoveryImage) {
  kltest::TempMachine machine(machineOf("xp"));
  std::string image(300000, '\0');
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>(i * 7);
  machine.writeFile("C:\\fw\\usbmsc.sb",
                    "Product Version: 1.1.0\nComponent Version: 1.1.0\n" + std::string("\x1AKVRX", 5) + image);
  win::SetCurrentDirectoryA("C:\\fw");
  addPlayer(devices::PlayerMode::Recovery);
  test::UpdaterKit kit;
  std::unique_ptr<CKvScsi> transport;
  ASSERT_EQ(CreateTransport(&kit.updater, GetOsKind(), transport), kKvOk);
  EXPECT_EQ(transport->FindDevice(), kKvPlayerNotFound);

  CKvRecoveryDev recovery(&kit.updater);
  ASSERT_EQ(recovery.Open(), kKvOk);
  ASSERT_EQ(recovery.Download(&kit.progress), kKvOk);
  EXPECT_EQ(kit.progress.steps, 74);  // 300000 bytes in 4096-byte blocks
  auto folders = devices::MachinePlayerFolders();
  ASSERT_EQ(folders.size(), 1u);
  devices::PlayerDescription after;
  ASSERT_TRUE(devices::ReadPlayerDescription(folders[0], after));
  EXPECT_EQ(after.mode, devices::PlayerMode::MassStorage);
}

}  // namespace
}  // namespace pendrel
