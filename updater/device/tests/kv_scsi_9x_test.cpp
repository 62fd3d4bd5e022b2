// The Windows 9x transport: loading the SCSI layer, the SRB it posts for a
// command, the vwin32 locks with both categories, the geometry, and the
// search for the player's adapter and drive letter.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/testing/temp_machine.h"
#include "platform/win/registry.h"
#include "updater/device/kv_drive_commands.h"
#include "updater/device/kv_media_commands.h"
#include "updater/device/kv_result_codes.h"
#include "updater/device/kv_scsi_9x.h"
#include "updater/device/kv_standard_commands.h"
#include "updater/device/tests/fake_9x.h"
#include "updater/device/tests/updater_kit.h"

namespace pendrel {
namespace {

using test::Bytes;
using test::FakeAspi;

sim::MachineSpec machineOf(const char* os) {
  sim::MachineSpec spec;
  spec.settings = *sim::SettingsForOs(os);
  spec.settings.timeScale = 0.01;
  for (char letter : {'E', 'F'}) spec.drives.push_back({letter, win::DRIVE_REMOVABLE, std::nullopt, ""});
  spec.drives.push_back({'G', win::DRIVE_FIXED, std::nullopt, ""});
  return spec;
}

class Scsi9xTest : public ::testing::Test {
 protected:
  Scsi9xTest() : machine(machineOf("98")) {
    FakeAspi::instance().reset();
    FakeAspi::instance().adapters.push_back(player);
    FakeAspi::instance().int13Units.push_back(0x80);
    FakeAspi::provide();
  }
  ~Scsi9xTest() override {
    FakeAspi::instance().reset();
    devices::ProvideSystemAspiModule();
  }
  std::unique_ptr<CKvScsi_9x> makeTransport() { return std::make_unique<CKvScsi_9x>(&kit.updater); }
  // A transport that has found the player on adapter 0 as E: (BIOS unit 0x80).
  std::unique_ptr<CKvScsi_9x> foundTransport() {
    dos->answer = [](const test::DosCall& c, win::BYTE* block, std::size_t size) {
      if (c.minor != 0x6F || !block || size < 16) return false;
      block[3] = c.drive == 5 ? 0x80 : 0x00;
      return true;
    };
    auto transport = makeTransport();
    EXPECT_EQ(transport->FindDevice(), kKvOk);
    EXPECT_EQ(transport->GetDriveLetter(), L'E');
    dos->calls.clear();
    FakeAspi::instance().executed.clear();
    player->commands = 0;
    return transport;
  }

  kltest::TempMachine machine;
  test::UpdaterKit kit;
  std::shared_ptr<test::PlayerTarget> player = std::make_shared<test::PlayerTarget>();
  std::shared_ptr<test::Vwin32State> dos = std::make_shared<test::Vwin32State>();
  std::unique_ptr<test::RegisteredDevice> vwin32 = test::RegisterVwin32(dos);
};

TEST_F(Scsi9xTest, SupportInfoDecidesWhetherAspiServes) {
  struct Case {
    win::DWORD info;
    std::int32_t result;
  };
  const Case cases[] = {{0x0100, kKvOk},         {0x0101, kKvOk},         {0x01FF, kKvOk},
                        {0xABCD0103, kKvOk},     {0x0000, kKvAspiNoAdapter}, {0x0201, kKvAspiNoAdapter},
                        {0x00FF, kKvAspiNoAdapter}, {0xE800, kKvAspiNoAdapter}};
  for (const Case& c : cases) {
    FakeAspi::instance().supportInfo = c.info;
    EXPECT_EQ(makeTransport()->GetLastError(), c.result) << std::hex << c.info;
  }
}

TEST_F(Scsi9xTest, MissingEntryPointsAndMissingLayer) {
  FakeAspi::provide(true, false);
  EXPECT_EQ(makeTransport()->GetLastError(), kKvAspiEntryMissing);
  FakeAspi::provide(false, true);
  auto transport = makeTransport();
  EXPECT_EQ(transport->GetLastError(), kKvAspiEntryMissing);
  EXPECT_EQ(transport->FindDevice(), kKvAspiNoAdapter);
}

TEST(Scsi9xLoadTest, NoScsiLayerOnTheMachine) {
  kltest::TempMachine nt4(machineOf("nt4"));  // the 9x transport, but nothing in system32
  test::UpdaterKit kit;
  CKvScsi_9x transport(&kit.updater);
  EXPECT_EQ(transport.GetLastError(), kKvAspiNotLoaded);
}

TEST_F(Scsi9xTest, CommandTravelsInAnSrbWithItsEvent) {
  auto transport = foundTransport();
  player->other = [](devices::ScsiCommand& c) {
    return test::PlayerTarget::give(c, {0, 1, 0, 2, 0, 3});
  };
  CKvGetLogicalDriveInfo info(5, 8);
  ASSERT_EQ(transport->SendCommand(info), kKvOk);
  CKvVersionInfo version;
  EXPECT_EQ(info.DecodeProductVersion(version), kKvOk);
  EXPECT_EQ(version, CKvVersionInfo(1, 2, 3));
  ASSERT_EQ(FakeAspi::instance().executed.size(), 1u);
  const win::SRB_ExecSCSICmd& srb = FakeAspi::instance().executed[0];
  EXPECT_EQ(srb.SRB_Cmd, win::SC_EXEC_SCSI_CMD);
  EXPECT_EQ(srb.SRB_HaId, 0);
  EXPECT_EQ(srb.SRB_Flags, win::SRB_EVENT_NOTIFY | win::SRB_DIR_IN);
  EXPECT_EQ(srb.SRB_Target, 0);
  EXPECT_EQ(srb.SRB_Lun, 0);
  EXPECT_EQ(srb.SRB_BufLen, 48u);
  EXPECT_EQ(srb.SRB_SenseLen, 14);
  EXPECT_EQ(srb.SRB_CDBLen, 16);
  EXPECT_EQ(Bytes(srb.CDBByte, srb.CDBByte + 4), Bytes({0xC0, 0x12, 5, 8}));
  EXPECT_NE(srb.SRB_PostProc, 0u);
  // The layer's view of the buffer is gone with the command.
  EXPECT_EQ(aspi::TokenPointer(srb.SRB_BufPointer, 1), nullptr);
}

TEST_F(Scsi9xTest, WritesGoOutWithTheirPayload) {
  auto transport = foundTransport();
  Bytes received;
  player->other = [&received](devices::ScsiCommand& c) {
    received = c.data;
    return devices::ScsiOutcome{};
  };
  CKvWriteLogicalDriveSector write(2, 7, 1, 512);
  CKvByteArray data(512);
  data.SetAt(0, 0xA5);
  data.SetAt(511, 0x5A);
  ASSERT_EQ(write.SetPayload(data), kKvOk);
  FakeAspi::instance().pending = false;  // finished before the post returns
  ASSERT_EQ(transport->SendCommand(write), kKvOk);
  EXPECT_EQ(FakeAspi::instance().executed[0].SRB_Flags, win::SRB_EVENT_NOTIFY | win::SRB_DIR_OUT);
  EXPECT_EQ(received, Bytes(data.Data(), data.Data() + 512));
}

TEST_F(Scsi9xTest, FailedSrbKeepsTheAspiStatusAndSense) {
  auto transport = foundTransport();
  Bytes sense(18, 0);
  sense[0] = 0x70;
  sense[2] = 9;
  sense[12] = 0x04;
  sense[13] = 0x01;
  sense[15] = 0xEE;  // beyond the 14 bytes ASPI returns
  player->other = [sense](devices::ScsiCommand&) { return test::PlayerTarget::checkCondition(sense); };
  CKvEraseLogicalDrive erase(1);
  EXPECT_EQ(transport->SendCommand(erase), kKvCheckCondition);
  EXPECT_EQ(kit.errors().systemError(), win::SS_ERR);
  EXPECT_EQ(kit.errors().message(), L"The player reported status 0x0401.");
  ASSERT_NE(transport->GetSense(), nullptr);
  EXPECT_EQ(transport->GetSense()->GetCount(), 14u);
  EXPECT_EQ(transport->GetLastError(), 0);
}

TEST_F(Scsi9xTest, PostRefusedAtOnceIsAFailure) {
  auto transport = makeTransport();  // no adapter searched: 255 does not exist
  CKvScsiInquiry inquiry;
  EXPECT_EQ(transport->SendCommand(inquiry), kKvCheckCondition);
  EXPECT_EQ(kit.errors().systemError(), win::SS_INVALID_HA);
}

TEST_F(Scsi9xTest, WindowKeepsPaintingWhileAnSrbIsPending) {
  auto transport = foundTransport();
  std::atomic<int>& idle = kit.progress.idleSteps;
  FakeAspi::instance().beforeCompletion = [&idle] {
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (idle.load() < 3 && std::chrono::steady_clock::now() < until) std::this_thread::yield();
  };
  CKvScsiInquiry inquiry;
  ASSERT_EQ(transport->SendCommand(inquiry), kKvOk);
  EXPECT_GE(idle.load(), 3);
}

class Vwin32Test : public Scsi9xTest {
 protected:
  Vwin32Test() {
    transport = makeTransport();
    transport->SetDriveLetter(L'E');
    EXPECT_EQ(transport->Open(), kKvOk);
  }
  std::vector<test::DosCall> calls() { return dos->calls; }
  std::unique_ptr<CKvScsi_9x> transport;
};

TEST_F(Vwin32Test, LockTriesCategory48ThenCategory08) {
  dos->answer = [](const test::DosCall& c, win::BYTE*, std::size_t) { return c.category == 0x08; };
  EXPECT_EQ(transport->Lock(0), kKvOk);
  ASSERT_EQ(calls().size(), 2u);
  EXPECT_EQ(calls()[0].category, 0x48u);
  EXPECT_EQ(calls()[0].minor, 0x4Au);
  EXPECT_EQ(calls()[0].drive, 5u);  // E: is drive 5
  EXPECT_EQ(calls()[0].edx, 0u);
  EXPECT_EQ(calls()[1].category, 0x08u);

  dos->calls.clear();
  EXPECT_EQ(transport->LockForFormat(1), kKvOk);
  EXPECT_EQ(calls()[0].minor, 0x4Bu);
  EXPECT_EQ(calls()[0].edx, 4u);  // permissions of a format
}

TEST_F(Vwin32Test, LockAndUnlockFailOnlyWhenBothCategoriesFail) {
  dos->answer = [](const test::DosCall&, win::BYTE*, std::size_t) { return false; };
  EXPECT_EQ(transport->Lock(1), kKvLockFailed);
  EXPECT_EQ(kit.errors().errorCode(), kKvLockFailed);
  EXPECT_EQ(transport->Unlock(0), kKvUnlockFailed);
  EXPECT_EQ(transport->EndFormatAccess(1), kKvUnlockFailed);
  std::vector<std::pair<win::DWORD, win::DWORD>> seen;
  for (const test::DosCall& c : calls()) seen.push_back({c.category, c.minor});
  const std::vector<std::pair<win::DWORD, win::DWORD>> expected = {
      {0x48, 0x4B}, {0x08, 0x4B}, {0x48, 0x6A}, {0x08, 0x6A}, {0x48, 0x6B}, {0x08, 0x6B}};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(transport->Dismount(), kKvOk);
}

TEST_F(Vwin32Test, GeometryComesFromTheDeviceParameters) {
  dos->answer = [](const test::DosCall& c, win::BYTE* block, std::size_t size) {
    if (c.category != 0x08 || c.minor != 0x60 || !block || size < 24 || block[0] != 0) return false;
    block[4] = 0xF4;  // 500 cylinders
    block[5] = 0x01;
    block[6] = 0xF8;
    block[7] = 0x00;  // 2048 bytes per sector
    block[8] = 0x08;
    block[20] = 63;
    block[22] = 0x10;  // 16 heads
    return true;
  };
  KvDriveGeometry g{};
  ASSERT_EQ(transport->GetGeometry(g), kKvOk);
  EXPECT_EQ(g.Cylinders, 500);
  EXPECT_EQ(g.MediaType, 0xF8u);
  EXPECT_EQ(g.BytesPerSector, 2048u);
  EXPECT_EQ(g.SectorsPerTrack, 63u);
  EXPECT_EQ(g.TracksPerCylinder, 16u);
  ASSERT_EQ(calls().size(), 1u);  // category 08 only
  dos->answer = nullptr;
  EXPECT_EQ(transport->GetGeometry(g), kKvIoctlFailed);
}

class Find9xTest : public Scsi9xTest {
 protected:
  Find9xTest() {
    stranger->product = "CD-ROM DRIVE    ";
    FakeAspi::instance().adapters = {stranger, player};
    FakeAspi::instance().int13Units = {0x80, 0x81};
    // Drive map: E: is BIOS unit 0x81; F: is a protected-mode-only removable drive.
    dos->answer = [this](const test::DosCall& c, win::BYTE* block, std::size_t size) {
      if (c.minor != 0x6F || !block || size < 16 || block[0] != 16) return false;
      ++driveMaps;
      if (c.category != mapCategory) return false;
      block[2] = 0x03;
      block[3] = 0x00;
      if (c.drive == 5) block[3] = unitOfE;
      if (c.drive == 6) {
        block[2] = 0x0F;
        block[3] = 0xFF;
      }
      return true;
    };
  }
  void enumEntry(const std::string& device, const char* lun, const char* letter) {
    std::string key = "ENUM\\SCSI\\ORNEX___KL570___________1\\" + device;
    win::HKEY h = nullptr;
    ASSERT_EQ(win::RegCreateKeyExA(win::HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, win::KEY_ALL_ACCESS,
                                   nullptr, &h, nullptr),
              win::ERROR_SUCCESS);
    win::RegSetValueExA(h, "SCSILUN", 0, win::REG_SZ, reinterpret_cast<const win::BYTE*>(lun),
                        static_cast<win::DWORD>(std::strlen(lun) + 1));
    win::RegSetValueExA(h, "CurrentDriveLetterAssignment", 0, win::REG_SZ,
                        reinterpret_cast<const win::BYTE*>(letter), static_cast<win::DWORD>(std::strlen(letter) + 1));
    win::RegCloseKey(h);
  }

  std::shared_ptr<test::PlayerTarget> stranger = std::make_shared<test::PlayerTarget>();
  win::DWORD mapCategory = 0x08;
  win::BYTE unitOfE = 0x81;
  int driveMaps = 0;
};

TEST_F(Find9xTest, BiosUnitOfThePlayersDiskNamesTheLetter) {
  auto transport = makeTransport();
  ASSERT_EQ(transport->FindDevice(), kKvOk);
  EXPECT_EQ(transport->GetDriveLetter(), L'E');
  EXPECT_EQ(transport->GetAdapter(), 1);
  EXPECT_EQ(transport->GetFoundFlag(), 1);
  EXPECT_EQ(stranger->commands, 1);
}

TEST_F(Find9xTest, RegistryNamesTheLetterWhenTheBiosUnitDoesNot) {
  unitOfE = 0x00;  // no letter has the unit
  enumEntry("DEVICE0", "0", "F");
  auto transport = makeTransport();
  ASSERT_EQ(transport->FindDevice(), kKvOk);
  EXPECT_EQ(transport->GetDriveLetter(), L'F');
  EXPECT_EQ(transport->GetFoundFlag(), 1);
}

TEST_F(Find9xTest, DiskWithoutBiosUnitGoesToTheRegistry) {
  FakeAspi::instance().int13Units = {0x80, 0x00};
  enumEntry("DEVICE0", "0", "F");
  auto transport = makeTransport();
  ASSERT_EQ(transport->FindDevice(), kKvOk);
  EXPECT_EQ(transport->GetDriveLetter(), L'F');
  EXPECT_EQ(driveMaps, 0);  // a single candidate needs no drive map
}

TEST_F(Find9xTest, OfSeveralCandidatesTheProtectedModeDriveWins) {
  FakeAspi::instance().int13Units = {0x80, 0x00};
  mapCategory = 0x48;
  enumEntry("DEVICE0", "0", "E");
  enumEntry("DEVICE1", "0", "F");
  enumEntry("DEVICE2", "1", "E");  // another LUN
  enumEntry("DEVICE3", "0", "G");  // a fixed drive
  auto transport = makeTransport();
  ASSERT_EQ(transport->FindDevice(), kKvOk);
  EXPECT_EQ(transport->GetDriveLetter(), L'F');
}

TEST_F(Find9xTest, RegistrySearchFailures) {
  FakeAspi::instance().int13Units = {0x80, 0x00};
  auto transport = makeTransport();
  EXPECT_EQ(transport->FindDevice(), kKvNoEnumKey);
  enumEntry("DEVICE0", "1", "E");
  enumEntry("DEVICE1", "0", "G");
  EXPECT_EQ(transport->FindDevice(), kKvNoRegistryLetter);
  enumEntry("DEVICE2", "0", "E");
  enumEntry("DEVICE3", "0", "F");
  mapCategory = 0x99;  // no drive map answers: nothing proves either candidate
  EXPECT_EQ(transport->FindDevice(), kKvNoRegistryLetter);
}

TEST_F(Find9xTest, NoAdapterAnswersAsThePlayer) {
  player->usable = 0;
  auto transport = makeTransport();
  EXPECT_EQ(transport->FindDevice(), kKvPlayerNotFound);
  EXPECT_EQ(transport->GetAdapter(), CKvScsi_9x::kNoAdapter);
  FakeAspi::instance().adapters.clear();
  EXPECT_EQ(transport->FindDevice(), kKvPlayerNotFound);
  FakeAspi::instance().adapterInquiryStatus = win::SS_ERR;
  EXPECT_EQ(transport->FindDevice(), kKvCheckCondition);
}

}  // namespace
}  // namespace pendrel
