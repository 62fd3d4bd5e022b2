// The Windows 2000/XP transport over fake volumes: the pass-through
// request block, sense handling, volume control with its retries, sector
// I/O, layouts, and the search for the player's drive letter.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/testing/temp_machine.h"
#include "platform/win/system.h"
#include "updater/device/kv_drive_commands.h"
#include "updater/device/kv_media_commands.h"
#include "updater/device/kv_result_codes.h"
#include "updater/device/kv_scsi_nt.h"
#include "updater/device/kv_standard_commands.h"
#include "updater/device/tests/fake_devices.h"
#include "updater/device/tests/updater_kit.h"

namespace pendrel {
namespace {

using test::Bytes;

sim::MachineSpec xpWithRemovables() {
  sim::MachineSpec spec;
  spec.settings = *sim::SettingsForOs("xp");
  spec.settings.timeScale = 0.01;
  spec.drives.push_back({'A', win::DRIVE_REMOVABLE, std::nullopt, ""});
  spec.drives.push_back({'D', win::DRIVE_CDROM, std::nullopt, ""});
  for (char letter : {'E', 'F', 'G'}) spec.drives.push_back({letter, win::DRIVE_REMOVABLE, std::nullopt, ""});
  return spec;
}

std::uint32_t dword(const Bytes& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

Bytes vendorSense(std::uint8_t key, std::uint16_t code) {
  Bytes sense(18, 0);
  sense[0] = 0x70;
  sense[2] = key;
  sense[7] = 10;
  sense[12] = code >> 8;
  sense[13] = code & 0xFF;
  return sense;
}

class ScsiNtTest : public ::testing::Test {
 protected:
  ScsiNtTest() : machine(xpWithRemovables()) {
    volume->target = player;
    transport.SetDriveLetter(L'G');
  }
  CKvScsi_Nt& nt() { return transport; }

  kltest::TempMachine machine;
  test::UpdaterKit kit;
  std::shared_ptr<test::PlayerTarget> player = std::make_shared<test::PlayerTarget>();
  std::shared_ptr<test::VolumeState> volume = std::make_shared<test::VolumeState>();
  std::unique_ptr<test::RegisteredDevice> registered = test::RegisterVolume("G:", volume);
  CKvScsi_Nt transport{&kit.updater};
};

TEST_F(ScsiNtTest, RequestBlockOfADataInCommand) {
  CKvGetLogicalDriveInfo info(4, 7);
  ASSERT_EQ(transport.SendCommand(info), kKvOk);
  const Bytes& b = volume->lastBlock;
  ASSERT_EQ(b.size(), 48u + 71u);
  win::SCSI_PASS_THROUGH h{};
  std::memcpy(&h, b.data(), sizeof h);
  EXPECT_EQ(h.Length, 44);
  EXPECT_EQ(h.PathId, 0);
  EXPECT_EQ(h.TargetId, 0);
  EXPECT_EQ(h.Lun, 0);
  EXPECT_EQ(h.CdbLength, 16);
  EXPECT_EQ(h.SenseInfoLength, 18);
  EXPECT_EQ(h.DataIn, 1);
  EXPECT_EQ(h.DataTransferLength, 48u);
  EXPECT_EQ(h.TimeOutValue, 120u);
  EXPECT_EQ(h.DataBufferOffset, 70u);
  EXPECT_EQ(h.SenseInfoOffset, 52u);
  EXPECT_EQ(dword(b, 44), 119u);  // the block's own length
  EXPECT_EQ(dword(b, 48), 0u);
  EXPECT_EQ(Bytes(h.Cdb, h.Cdb + 16), Bytes({0xC0, 0x12, 4, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Bytes(b.begin() + 52, b.end()), Bytes(b.size() - 52, 0));
}

TEST_F(ScsiNtTest, WriteCarriesItsPayloadAndADataLengthOfThePayload) {
  CKvWrite write(0x12345, 2, 512);
  CKvByteArray data(1024);
  for (std::uint32_t i = 0; i < 1024; ++i) data.SetAt(i, static_cast<std::uint8_t>(i ^ 0x5A));
  ASSERT_EQ(write.SetPayload(data), kKvOk);
  ASSERT_EQ(transport.SendCommand(write), kKvOk);
  const Bytes& b = volume->lastBlock;
  ASSERT_EQ(b.size(), 1024u + 71u);
  win::SCSI_PASS_THROUGH h{};
  std::memcpy(&h, b.data(), sizeof h);
  EXPECT_EQ(h.DataIn, 0);
  EXPECT_EQ(h.DataTransferLength, 1024u);
  EXPECT_EQ(h.CdbLength, 10);
  EXPECT_EQ(Bytes(h.Cdb, h.Cdb + 10), Bytes({0x2A, 0, 0x00, 0x01, 0x23, 0x45, 0, 0x00, 0x02, 0}));
  EXPECT_EQ(Bytes(b.begin() + 70, b.begin() + 70 + 1024), Bytes(data.Data(), data.Data() + 1024));
}

TEST_F(ScsiNtTest, CommandWithoutDataStillRunsAsDataIn) {
  CKvGetLogicalDriveInfo nothing(1, 11, 0);
  ASSERT_EQ(transport.SendCommand(nothing), kKvOk);
  ASSERT_EQ(volume->lastBlock.size(), 71u);
  win::SCSI_PASS_THROUGH h{};
  std::memcpy(&h, volume->lastBlock.data(), sizeof h);
  EXPECT_EQ(h.DataIn, 1);
  EXPECT_EQ(h.DataTransferLength, 0u);
  EXPECT_EQ(player->commands, 1);
}

TEST_F(ScsiNtTest, AnswersOfEverySizeFillOnlyTheResponse) {
  player->other = [](devices::ScsiCommand& c) {
    return test::PlayerTarget::give(c, Bytes(500, 0xAB));  // far more than asked
  };
  CKvGetChipMajorRevId chip;
  ASSERT_EQ(transport.SendCommand(chip), kKvOk);
  std::uint16_t revision = 0;
  chip.Decode(revision);
  EXPECT_EQ(revision, 0xABAB);
  player->other = [](devices::ScsiCommand& c) { return test::PlayerTarget::give(c, {0x07}); };  // short
  ASSERT_EQ(transport.SendCommand(chip), kKvOk);
  chip.Decode(revision);
  EXPECT_EQ(revision, 0x0700);
}

TEST_F(ScsiNtTest, VendorSenseLooksUpThePlayersStatus) {
  struct Case {
    Bytes sense;
    std::wstring message;
  };
  const Case cases[] = {
      {vendorSense(9, 0x0101), L"The player reported status 0x0101."},
      {vendorSense(9, 0x1234),
       L"\n0x70, 0x0, 0x9, 0x0, 0x0, 0x0, 0x0, 0xa, 0x0, 0x0, 0x0, 0x0, 0x12, 0x34, 0x0, 0x0, 0x0, 0x0"},
      {vendorSense(0x29, 0x0101),
       L"0x70, 0x0, 0x29, 0x0, 0x0, 0x0, 0x0, 0xa, 0x0, 0x0, 0x0, 0x0, 0x1, 0x1, 0x0, 0x0, 0x0, 0x0"},
      {vendorSense(5, 0x0101),
       L"0x70, 0x0, 0x5, 0x0, 0x0, 0x0, 0x0, 0xa, 0x0, 0x0, 0x0, 0x0, 0x1, 0x1, 0x0, 0x0, 0x0, 0x0"},
      {Bytes{0x70, 0, 9}, L"0x70, 0x0, 0x9"},  // a vendor key without its code bytes
      {Bytes{}, L""},
      {Bytes(40, 0xFF), L"0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, "
                        L"0xff, 0xff, 0xff"},
  };
  for (const Case& c : cases) {
    Bytes sense = c.sense;
    player->other = [sense](devices::ScsiCommand&) { return test::PlayerTarget::checkCondition(sense); };
    CKvGetChipMajorRevId chip;
    EXPECT_EQ(transport.SendCommand(chip), kKvCheckCondition);
    EXPECT_EQ(kit.errors().errorCode(), kKvCheckCondition);
    EXPECT_EQ(kit.errors().objectName(), "CKvScsi_Nt");
    EXPECT_EQ(kit.errors().message(), c.message);
    ASSERT_NE(transport.GetSense(), nullptr);
    EXPECT_EQ(transport.GetSense()->GetCount(), std::min<std::size_t>(c.sense.size(), 18));
    EXPECT_EQ(transport.GetLastError(), 0);
    EXPECT_EQ(transport.GetSystemError(), 0u);
  }
}

TEST_F(ScsiNtTest, VanishedDeviceFailsTheControlRequest) {
  volume->gone = true;
  CKvScsiInquiry inquiry;
  EXPECT_EQ(transport.SendCommand(inquiry), kKvIoctlFailed);
  EXPECT_EQ(kit.errors().errorCode(), kKvIoctlFailed);
  EXPECT_EQ(kit.errors().systemError(), win::ERROR_DEVICE_NOT_CONNECTED);
  EXPECT_EQ(transport.GetLastError(), 0);
}

TEST_F(ScsiNtTest, WindowKeepsPaintingWhileACommandIsOut) {
  std::atomic<int>& idle = kit.progress.idleSteps;
  volume->beforeAnswer = [&idle] {
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (idle.load() < 3 && std::chrono::steady_clock::now() < until) std::this_thread::yield();
  };
  CKvScsiInquiry inquiry;
  ASSERT_EQ(transport.SendCommand(inquiry), kKvOk);
  EXPECT_GE(idle.load(), 3);
  EXPECT_EQ(kit.progress.steps, 0);
}

TEST_F(ScsiNtTest, NoProgressSinkIsNoProblem) {
  kit.updater.m_progress = nullptr;
  CKvScsiInquiry inquiry;
  EXPECT_EQ(transport.SendCommand(inquiry), kKvOk);
}

TEST_F(ScsiNtTest, VolumeControlRetriesTenTimesAHundredMillisecondsApart) {
  ASSERT_EQ(transport.Open(), kKvOk);
  volume->lockFailures = 1000;
  win::DWORD before = win::GetTickCount();
  EXPECT_EQ(transport.Lock(0), kKvLockFailed);
  EXPECT_GE(win::GetTickCount() - before, 900u);
  EXPECT_EQ(volume->lockAttempts, 10);
  EXPECT_EQ(kit.errors().errorCode(), kKvLockFailed);
  EXPECT_EQ(transport.GetLastError(), 0);

  volume->unlockFailures = 4;
  EXPECT_EQ(transport.Unlock(1), kKvOk);
  EXPECT_EQ(volume->unlockAttempts, 5);
  volume->dismountFailures = 10;
  EXPECT_EQ(transport.Dismount(), kKvDismountFailed);
  EXPECT_EQ(volume->dismountAttempts, 10);
  EXPECT_EQ(transport.EndFormatAccess(0), kKvOk);  // the eleventh dismount succeeds
  EXPECT_EQ(transport.LockForFormat(1), kKvOk);
  EXPECT_EQ(volume->lockAttempts, 10);
}

TEST_F(ScsiNtTest, OpeningAMissingVolumeIsNotRecorded) {
  transport.SetDriveLetter(L'Q');
  EXPECT_EQ(transport.Open(), kKvOpenFailed);
  CKvScsiInquiry inquiry;
  EXPECT_EQ(transport.SendCommand(inquiry), kKvOpenFailed);
  EXPECT_EQ(kit.errors().errorCode(), 0);
  transport.SetDriveLetter(0);
  EXPECT_EQ(transport.Open(), kKvOpenFailed);
}

TEST_F(ScsiNtTest, SectorsAreReadAndWrittenAtTheirByteOffset) {
  volume->sectors.assign(8 * 512, 0);
  ASSERT_EQ(transport.Open(), kKvOk);
  CKvByteArray data(1024);
  for (std::uint32_t i = 0; i < 1024; ++i) data.SetAt(i, static_cast<std::uint8_t>(i * 3));
  ASSERT_EQ(transport.WriteSectors(data, 2, 3, 512), kKvOk);
  EXPECT_EQ(volume->lastOffset, 3u * 512);
  EXPECT_EQ(Bytes(volume->sectors.begin() + 1536, volume->sectors.begin() + 2560), Bytes(data.Data(), data.Data() + 1024));
  CKvByteArray back(1024);
  ASSERT_EQ(transport.ReadSectors(back, 2, 3, 512), kKvOk);
  EXPECT_TRUE(back.Equals(data));

  CKvByteArray shortData(100);
  EXPECT_EQ(transport.WriteSectors(shortData, 1, 0, 512), kKvSectorWrite);
  EXPECT_EQ(volume->sectors[0], 0);
  EXPECT_EQ(transport.ReadSectors(back, 2, 7, 512), kKvSectorRead);
  EXPECT_EQ(kit.errors().errorCode(), kKvSectorRead);
  EXPECT_EQ(transport.WriteSectors(data, 2, 7, 512), kKvSectorWrite);
}

TEST_F(ScsiNtTest, SectorsBeyondFourGigabytesKeepTheirOffset) {
  ASSERT_EQ(transport.Open(), kKvOk);
  CKvByteArray data(512);
  EXPECT_EQ(transport.ReadSectors(data, 1, 0x00900000, 512), kKvSectorRead);  // the fake holds nothing there
  EXPECT_EQ(volume->lastOffset, 0x120000000ull);
  EXPECT_EQ(transport.WriteSectors(data, 1, 0x00900000, 512), kKvSectorWrite);
  EXPECT_EQ(volume->lastOffset, 0x120000000ull);
}

TEST_F(ScsiNtTest, GeometryAndLayoutRequests) {
  Bytes layoutSent;
  volume->otherControl = [&layoutSent](win::DWORD code, const std::vector<win::BYTE>& in, win::BYTE* out,
                                       win::DWORD outSize) -> win::DeviceAnswer {
    if (code == win::IOCTL_DISK_GET_DRIVE_GEOMETRY && outSize >= 24) {
      win::DISK_GEOMETRY g{100, win::RemovableMedia, 4, 32, 512};
      std::memcpy(out, &g, sizeof g);
      return {win::ERROR_SUCCESS, 24, 0};
    }
    if (code == win::IOCTL_DISK_GET_DRIVE_LAYOUT) {
      std::memset(out, 0x11, outSize);
      return {win::ERROR_SUCCESS, outSize, 0};
    }
    if (code == win::IOCTL_DISK_DELETE_DRIVE_LAYOUT) return {win::ERROR_ACCESS_DENIED, 0, 0};
    if (code == win::IOCTL_DISK_SET_DRIVE_LAYOUT) {
      layoutSent = in;
      return {};
    }
    return {win::ERROR_INVALID_FUNCTION, 0, 0};
  };
  ASSERT_EQ(transport.Open(), kKvOk);
  KvDriveGeometry g{};
  ASSERT_EQ(transport.GetGeometry(g), kKvOk);
  EXPECT_EQ(g.Cylinders, 100);
  EXPECT_EQ(g.BytesPerSector, 512u);
  CKvByteArray layout;
  ASSERT_EQ(transport.GetDriveLayout(layout), kKvOk);
  EXPECT_EQ(layout.GetCount(), 168u);
  EXPECT_EQ(layout.Data()[167], 0x11);

  ASSERT_EQ(transport.SetDriveLayout(g, 32), kKvOk);  // the failed delete is of no account
  ASSERT_EQ(layoutSent.size(), 136u);
  win::DWORD count = dword(layoutSent, 0);
  EXPECT_EQ(count, 4u);
  win::PARTITION_INFORMATION p[4];
  std::memcpy(p, layoutSent.data() + 8, sizeof p);
  EXPECT_EQ(p[0].StartingOffset, 32 * 512);
  EXPECT_EQ(p[0].PartitionLength, 100LL * 4 * 32 * 512 - 32 * 512);
  EXPECT_EQ(p[0].HiddenSectors, 32u);
  EXPECT_EQ(p[0].PartitionNumber, 1u);
  EXPECT_EQ(p[0].PartitionType, 6);
  EXPECT_EQ(p[0].BootIndicator, 0);
  EXPECT_EQ(p[0].RecognizedPartition, 1);
  EXPECT_EQ(p[0].RewritePartition, 1);
  for (int i = 1; i < 4; ++i) {
    EXPECT_EQ(p[i].PartitionNumber, static_cast<win::DWORD>(i + 1));
    EXPECT_EQ(p[i].RewritePartition, 1);
    EXPECT_EQ(p[i].StartingOffset, 0);
    EXPECT_EQ(p[i].PartitionType, 0);
  }
  const std::vector<win::DWORD>& codes = volume->controlCodes;
  ASSERT_GE(codes.size(), 2u);
  EXPECT_EQ(codes[codes.size() - 2], win::IOCTL_DISK_DELETE_DRIVE_LAYOUT);
  EXPECT_EQ(codes.back(), win::IOCTL_DISK_SET_DRIVE_LAYOUT);

  volume->otherControl = nullptr;
  EXPECT_EQ(transport.GetGeometry(g), kKvIoctlFailed);
  EXPECT_EQ(transport.SetDriveLayout(g, 32), kKvIoctlFailed);
}

class FindDeviceNtTest : public ScsiNtTest {
 protected:
  FindDeviceNtTest() {
    wrongProduct->product = "KL580           ";
    unusable->usable = 0;
    floppy->lockFailures = 0;
    volumeE->target = wrongProduct;
    volumeF->target = unusable;
    floppy->target = player;
  }
  std::shared_ptr<test::PlayerTarget> wrongProduct = std::make_shared<test::PlayerTarget>();
  std::shared_ptr<test::PlayerTarget> unusable = std::make_shared<test::PlayerTarget>();
  std::shared_ptr<test::VolumeState> volumeE = std::make_shared<test::VolumeState>();
  std::shared_ptr<test::VolumeState> volumeF = std::make_shared<test::VolumeState>();
  std::shared_ptr<test::VolumeState> floppy = std::make_shared<test::VolumeState>();
  std::unique_ptr<test::RegisteredDevice> e = test::RegisterVolume("E:", volumeE);
  std::unique_ptr<test::RegisteredDevice> f = test::RegisterVolume("F:", volumeF);
  std::unique_ptr<test::RegisteredDevice> a = test::RegisterVolume("A:", floppy);
};

TEST_F(FindDeviceNtTest, OnlyARemovablePlayerWithAUsableMediumIsTaken) {
  transport.SetDriveLetter(0);
  ASSERT_EQ(transport.FindDevice(), kKvOk);
  EXPECT_EQ(transport.GetDriveLetter(), L'G');
  EXPECT_EQ(transport.GetHandle(), win::INVALID_HANDLE_VALUE);
  EXPECT_EQ(wrongProduct->commands, 1);  // the inquiry only
  EXPECT_EQ(unusable->commands, 2);      // inquiry and media information
  EXPECT_TRUE(floppy->lastBlock.empty());
}

TEST_F(FindDeviceNtTest, IdentificationComparesWithoutRegardToCase) {
  wrongProduct->product = "kl570           ";
  wrongProduct->vendor = "Ornex   ";
  ASSERT_EQ(transport.FindDevice(), kKvOk);
  EXPECT_EQ(transport.GetDriveLetter(), L'E');
}

TEST_F(FindDeviceNtTest, NoPlayerAnswersMinus22) {
  player->usable = 0;
  EXPECT_EQ(transport.FindDevice(), kKvPlayerNotFound);
  EXPECT_EQ(transport.GetDriveLetter(), 0);
  volume->gone = true;
  EXPECT_EQ(transport.FindDevice(), kKvPlayerNotFound);
}

TEST_F(FindDeviceNtTest, PhysicalDriveOfThePlayerStaysOpen) {
  auto other = std::make_shared<test::VolumeState>();
  other->target = wrongProduct;
  auto disk = std::make_shared<test::VolumeState>();
  disk->target = unusable;  // no media check for the physical drive
  auto d0 = test::RegisterVolume("PhysicalDrive0", other);
  auto d2 = test::RegisterVolume("PhysicalDrive2", disk);
  ASSERT_EQ(transport.FindPhysicalDrive(), kKvOk);
  EXPECT_NE(transport.GetHandle(), win::INVALID_HANDLE_VALUE);
  EXPECT_EQ(unusable->commands, 1);
  transport.Close();
  d2.reset();
  EXPECT_EQ(transport.FindPhysicalDrive(), kKvPlayerNotFound);
  EXPECT_EQ(transport.GetHandle(), win::INVALID_HANDLE_VALUE);
}

}  // namespace
}  // namespace pendrel
