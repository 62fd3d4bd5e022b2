// The Windows 9x mode: the own driver PyxaApix and the system's ASPI
// manager, both over the machine's virtual player.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "aspi/scalink_layer.h"
#include "aspi/tests/support/srb_helpers.h"
#include "aspi/tests/support/test_machines.h"
#include "platform/devices/player_setup.h"
#include "platform/devices/scsi_target.h"
#include "platform/devices/system_aspi_devices.h"
#include "platform/devices/system_aspi_manager.h"
#include "platform/win/modules.h"
#include "platform/win/files.h"
#include "platform/win/sync.h"

namespace scalinktest {
namespace {

class Win9xModeTest : public ::testing::Test {
 protected:
  void addPlayer() {
    devices::PlayerOptions options;
    options.size = devices::kMinPlayerBytes;
    std::string error;
    ASSERT_TRUE(devices::AddVirtualPlayer(options, &error)) << error;
  }
  std::vector<win::AskedQuestion> boxes() { return machine.interaction->asked(); }

  Win9xTestMachine machine;
};

void expectPlayerInquiry(aspi::ScalinkLayer& layer, win::BYTE flags) {
  ExecSrb exec(InquiryCdb(), win::SRB_DIR_IN | flags, 36, 0);
  win::DWORD sent = layer.SendASPI32Command(&exec.srb);
  EXPECT_TRUE(sent == win::SS_PENDING || sent == win::SS_COMP) << sent;
  ASSERT_TRUE(exec.waitDone());
  EXPECT_EQ(exec.srb.SRB_Status, win::SS_COMP);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&exec.buffer[8]), 8), "ORNEX   ");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&exec.buffer[16]), 16), "KL570           ");
}

TEST_F(Win9xModeTest, OwnDriverReachesThePlayer) {
  addPlayer();
  aspi::ScalinkLayer layer;
  EXPECT_EQ(layer.GetASPI32SupportInfo(), 0x0101u);
  ASSERT_NE(layer.win9x(), nullptr);
  EXPECT_FALSE(layer.win9x()->systemMode());
  EXPECT_EQ(layer.GetASPI32DLLVersion(), 0xAF010002u);
  EXPECT_TRUE(boxes().empty());
  expectPlayerInquiry(layer, win::SRB_EVENT_NOTIFY);
}

TEST_F(Win9xModeTest, OwnDriverHaInquiryDescribesTheAdapter) {
  addPlayer();
  aspi::ScalinkLayer layer;
  layer.GetASPI32SupportInfo();
  std::vector<devices::AttachedTarget> targets = devices::MachineScsiTargets();
  ASSERT_EQ(targets.size(), 1u);
  win::SRB_HAInquiry inquiry{};
  inquiry.SRB_Cmd = win::SC_HA_INQUIRY;
  EXPECT_EQ(layer.SendASPI32Command(&inquiry), win::SS_COMP);
  EXPECT_EQ(inquiry.HA_Count, 1);
  EXPECT_EQ(inquiry.HA_SCSI_ID, 7);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(inquiry.HA_ManagerId)), "PYXA ASPI32");
  std::string name = targets[0].portDriver.substr(0, 8);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(inquiry.HA_Identifier)), name);
  win::DWORD maxTransfer = 0;
  std::memcpy(&maxTransfer, inquiry.HA_Unique + 4, 4);
  EXPECT_EQ(maxTransfer, 0x10000u);
  EXPECT_EQ(inquiry.HA_Unique[3], 8) << "maximum targets as the system's manager reports them";
  EXPECT_EQ(inquiry.HA_Unique[2] & 0x02, 0x02) << "residual byte count";

  win::SRB_HAInquiry missing{};
  missing.SRB_Cmd = win::SC_HA_INQUIRY;
  missing.SRB_HaId = 1;
  EXPECT_EQ(layer.SendASPI32Command(&missing), win::SS_NO_DEVICE);
}

TEST_F(Win9xModeTest, OwnDriverDeviceTypeDiskInfoAndUnknownDevices) {
  addPlayer();
  aspi::ScalinkLayer layer;
  layer.GetASPI32SupportInfo();
  win::SRB_GDEVBlock type{};
  type.SRB_Cmd = win::SC_GET_DEV_TYPE;
  type.SRB_DeviceType = 0x55;
  EXPECT_EQ(layer.SendASPI32Command(&type), win::SS_COMP);
  EXPECT_EQ(type.SRB_DeviceType, 0);

  win::SRB_GetDiskInfo disk{};
  disk.SRB_Cmd = win::SC_GET_DISK_INFO;
  disk.SRB_Int13HDriveInfo = 0x80;
  EXPECT_EQ(layer.SendASPI32Command(&disk), win::SS_COMP);
  EXPECT_LT(disk.SRB_Int13HDriveInfo, 0x80) << "the player has no BIOS unit";

  ExecSrb elsewhere(InquiryCdb(), win::SRB_DIR_IN | win::SRB_EVENT_NOTIFY, 36, 0, 3, 0);
  EXPECT_EQ(layer.SendASPI32Command(&elsewhere.srb), win::SS_NO_DEVICE);
  EXPECT_EQ(elsewhere.srb.SRB_Status, win::SS_NO_DEVICE);
  win::SRB_Header unknown{};
  unknown.SRB_Cmd = 0x05;
  EXPECT_EQ(layer.SendASPI32Command(&unknown), win::SS_NO_DEVICE);
}

win::HANDLE gPosted = nullptr;
void* gPostedSrb = nullptr;
void onPosted(void* srb) {
  gPostedSrb = srb;
  win::SetEvent(gPosted);
}

TEST_F(Win9xModeTest, OwnDriverPostRoutineRunsWithTheSrb) {
  addPlayer();
  aspi::ScalinkLayer layer;
  layer.GetASPI32SupportInfo();
  gPosted = win::CreateEventA(nullptr, win::TRUE, win::FALSE, nullptr);
  gPostedSrb = nullptr;
  ExecSrb exec(InquiryCdb(), win::SRB_DIR_IN | win::SRB_POSTING, 36, 0);
  exec.srb.SRB_PostProc = aspi::PostRoutineToken(&onPosted);
  layer.SendASPI32Command(&exec.srb);
  ASSERT_EQ(win::WaitForSingleObject(gPosted, 20000), win::WAIT_OBJECT_0);
  EXPECT_EQ(gPostedSrb, &exec.srb);
  EXPECT_EQ(exec.srb.SRB_Status, win::SS_COMP);
  EXPECT_EQ(exec.srb.SRB_Flags, win::SRB_DIR_IN | win::SRB_POSTING) << "the caller's flags stay";
  win::CloseHandle(gPosted);
}

TEST_F(Win9xModeTest, OwnDriverTracesTheDeviceTableAndEverySrb) {
  addPlayer();
  aspi::ScalinkLayer layer;
  layer.GetASPI32SupportInfo();
  ASSERT_TRUE(layer.win9x()->tracing());
  expectPlayerInquiry(layer, win::SRB_EVENT_NOTIFY);
  std::vector<devices::ApixTraceRecord> records = layer.win9x()->trace().records();
  std::vector<int> kinds;
  for (const auto& r : records) kinds.push_back(r.header.kind);
  std::vector<int> expected = {9, 10, 10, 10, 1, 2};
  EXPECT_EQ(kinds, expected);
  ASSERT_EQ(records.size(), expected.size());
  EXPECT_EQ(std::memcmp(records[0].srb, &layer.win9x()->deviceTable(), 80), 0);
  EXPECT_EQ(+records[5].header.status, win::SS_COMP);
  EXPECT_EQ(records[5].srb[0], win::SC_EXEC_SCSI_CMD);
  EXPECT_NE(+records[5].header.slot, 0u);
}

TEST_F(Win9xModeTest, SystemModeBySettingForwardsToTheSystemManager) {
  addPlayer();
  machine.setSetting("UseSystemASPI", 1);
  aspi::ScalinkLayer layer;
  EXPECT_EQ(layer.GetASPI32SupportInfo(), 0x0101u);
  EXPECT_TRUE(layer.win9x()->systemMode());
  EXPECT_EQ(layer.GetASPI32DLLVersion(), devices::kSystemAspiDllVersion);
  // The driver is there, so tracing is on and the SRB goes through a slot's copy.
  EXPECT_TRUE(layer.win9x()->tracing());
  expectPlayerInquiry(layer, win::SRB_EVENT_NOTIFY);
  EXPECT_TRUE(boxes().empty());
}

TEST_F(Win9xModeTest, SystemModeAnswerIsFinalWhenTheCallReturns) {
  addPlayer();
  machine.setSetting("UseSystemASPI", 1);
  aspi::ScalinkLayer layer;
  layer.GetASPI32SupportInfo();
  ASSERT_TRUE(layer.win9x()->tracing());
  // No event, no routine: a caller that takes the answer it is given.
  ExecSrb exec(InquiryCdb(), win::SRB_DIR_IN, 36, 0);
  EXPECT_EQ(layer.SendASPI32Command(&exec.srb), win::SS_COMP);
  EXPECT_EQ(exec.srb.SRB_Status, win::SS_COMP);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&exec.buffer[8]), 8), "ORNEX   ");
  std::vector<devices::ApixTraceRecord> records = layer.win9x()->trace().records();
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records.back().header.kind, devices::kTraceSrbCompleted);
}

TEST_F(Win9xModeTest, MissingDriverSwitchesToSystemModeWithAMessage) {
  addPlayer();
  devices::SetPyxaApixInstalled(false);
  aspi::ScalinkLayer layer;
  EXPECT_EQ(layer.GetASPI32SupportInfo(), 0x0101u);
  EXPECT_TRUE(layer.win9x()->systemMode());
  EXPECT_FALSE(layer.win9x()->tracing());
  std::vector<win::AskedQuestion> asked = boxes();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].text, "Could not open driver. Trying system aspi.");
  EXPECT_EQ(asked[0].caption, "PyxaApix");
  expectPlayerInquiry(layer, win::SRB_EVENT_NOTIFY);
}

win::DWORD copyVersion() { return 0xAF010002u; }
win::DWORD copySupport() { return 0x0101u; }
win::DWORD copySend(void*) { return win::SS_COMP; }

TEST_F(Win9xModeTest, SystemManagerAnsweringThisLayersVersionIsRefused) {
  addPlayer();
  machine.setSetting("UseSystemASPI", 1);
  devices::SetUpAspiDevices();
  win::ProvidedModule copy;
  copy.exports["GetASPI32DLLVersion"] = reinterpret_cast<win::FARPROC>(&copyVersion);
  copy.exports["GetASPI32SupportInfo"] = reinterpret_cast<win::FARPROC>(&copySupport);
  copy.exports["SendASPI32Command"] = reinterpret_cast<win::FARPROC>(&copySend);
  win::ProvideModule(devices::SystemAspiModulePath(), copy);

  aspi::ScalinkLayer layer;
  EXPECT_EQ(layer.GetASPI32SupportInfo(), 0xE400u);
  std::vector<win::AskedQuestion> asked = boxes();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].text, "Need WINDOWS original SCALINK.DLL");
  EXPECT_EQ(asked[0].caption, "Bad or missing system .DLL");
  ExecSrb exec(InquiryCdb(), win::SRB_DIR_IN | win::SRB_EVENT_NOTIFY, 36, 0);
  EXPECT_EQ(layer.SendASPI32Command(&exec.srb), win::SS_FAILED_INIT);
  EXPECT_EQ(layer.GetASPI32DLLVersion(), 0u);
}

TEST_F(Win9xModeTest, MissingSystemManagerIsToldEvenWhenTheDriverServes) {
  addPlayer();
  devices::SetUpAspiDevices();
  win::ProvideModule(devices::SystemAspiModulePath(), win::ProvidedModule{});
  aspi::ScalinkLayer layer;
  EXPECT_EQ(layer.GetASPI32SupportInfo(), 0x0101u);
  EXPECT_FALSE(layer.win9x()->systemMode());
  std::vector<win::AskedQuestion> asked = boxes();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].caption, "Bad or missing system .DLL");
  // Without the system's adapters the table keeps its defaults.
  EXPECT_EQ(layer.win9x()->deviceTable().maxTargets[0], 0);
  expectPlayerInquiry(layer, win::SRB_EVENT_NOTIFY);
}

TEST_F(Win9xModeTest, SettingsComeFromTheMakersKey) {
  EXPECT_FALSE(aspi::ReadSettings9x().useSystemAspi);
  EXPECT_EQ(aspi::ReadSettings9x().scsiTimeout, 0u);
  machine.setSetting("UseSystemASPI", 0x100);
  machine.setSetting("SCSI_Timeout", 45);
  EXPECT_TRUE(aspi::ReadSettings9x().useSystemAspi);
  EXPECT_EQ(aspi::ReadSettings9x().scsiTimeout, 45u);
}

}  // namespace
}  // namespace scalinktest
