// The Windows NT mode: SRBs over the registry's device map and the
// volumes' pass-through.
#include <gtest/gtest.h>

#include <cstring>
#include <mutex>

#include "aspi/scalink_layer.h"
#include "aspi/tests/support/srb_helpers.h"
#include "aspi/tests/support/test_machines.h"
#include "platform/win/files.h"
#include "platform/win/sync.h"
#include "platform/win/system.h"

namespace scalinktest {
namespace {

class NtModeTest : public ::testing::Test {
 protected:
  NtTestMachine machine;
};

TEST_F(NtModeTest, SupportInfoCountsEveryPortKeyAndAPortNumberedNineHasNoEntry) {
  auto player = machine.addPlayer();
  machine.addPort("Scsi Port 9", "atapi");
  aspi::ScalinkLayer layer;
  EXPECT_EQ(layer.GetASPI32SupportInfo(), 0x0102u);

  win::SRB_GDEVBlock type{};
  type.SRB_Cmd = win::SC_GET_DEV_TYPE;
  type.SRB_HaId = 9;
  EXPECT_EQ(layer.SendASPI32Command(&type), win::SS_INVALID_HA);
  ExecSrb exec(InquiryCdb(), win::SRB_DIR_IN | win::SRB_EVENT_NOTIFY, 36, 9);
  EXPECT_EQ(layer.SendASPI32Command(&exec.srb), win::SS_NO_DEVICE);
  EXPECT_TRUE(player->headers().empty());
}

TEST_F(NtModeTest, SupportInfoWithoutDeviceMapIsCompleteWithNoAdapters) {
  aspi::ScalinkLayer layer;
  EXPECT_EQ(layer.GetASPI32SupportInfo(), 0x0100u);
}

TEST_F(NtModeTest, HaInquiryFillsThePortsFieldsAndLeavesAnUnknownAdapterAlone) {
  machine.addPlayer();
  aspi::ScalinkLayer layer;
  layer.GetASPI32SupportInfo();

  win::SRB_HAInquiry inquiry{};
  inquiry.SRB_Cmd = win::SC_HA_INQUIRY;
  inquiry.SRB_HaId = 1;
  std::memset(inquiry.HA_Unique, 0xAB, sizeof(inquiry.HA_Unique));
  EXPECT_EQ(layer.SendASPI32Command(&inquiry), win::SS_COMP);
  EXPECT_EQ(inquiry.SRB_Status, win::SS_COMP);
  EXPECT_EQ(inquiry.HA_Count, 1);
  EXPECT_EQ(inquiry.HA_SCSI_ID, 7);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(inquiry.HA_ManagerId)), "PYXA ASPI32");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(inquiry.HA_Identifier)), "usbstor");
  EXPECT_EQ(inquiry.HA_Unique[0], 0xAB) << "HA_Unique is not filled";

  win::SRB_HAInquiry unknown{};
  unknown.SRB_Cmd = win::SC_HA_INQUIRY;
  unknown.SRB_HaId = 5;
  unknown.SRB_Status = 0x77;
  win::SRB_HAInquiry before = unknown;
  EXPECT_EQ(layer.SendASPI32Command(&unknown), win::SS_COMP);
  EXPECT_EQ(std::memcmp(&before, &unknown, sizeof(unknown)), 0);
}

TEST_F(NtModeTest, ResetAndDiskInfoAnswerErrorAndLeaveTheSrbUntouched) {
  machine.addPlayer();
  aspi::ScalinkLayer layer;
  layer.GetASPI32SupportInfo();
  win::SRB_BusDeviceReset reset{};
  reset.SRB_Cmd = win::SC_RESET_DEV;
  reset.SRB_HaId = 1;
  reset.SRB_Status = 0x5A;
  win::SRB_GetDiskInfo disk{};
  disk.SRB_Cmd = win::SC_GET_DISK_INFO;
  disk.SRB_HaId = 1;
  disk.SRB_Int13HDriveInfo = 0x33;
  win::SRB_BusDeviceReset resetBefore = reset;
  win::SRB_GetDiskInfo diskBefore = disk;
  EXPECT_EQ(layer.SendASPI32Command(&reset), win::SS_ERR);
  EXPECT_EQ(layer.SendASPI32Command(&disk), win::SS_ERR);
  EXPECT_EQ(std::memcmp(&resetBefore, &reset, sizeof(reset)), 0);
  EXPECT_EQ(std::memcmp(&diskBefore, &disk, sizeof(disk)), 0);
}

TEST_F(NtModeTest, InquiryReachesTheDeviceAndCompletesThroughTheEvent) {
  auto player = machine.addPlayer();
  aspi::ScalinkLayer layer;
  layer.GetASPI32SupportInfo();
  ExecSrb exec(InquiryCdb(), win::SRB_DIR_IN | win::SRB_EVENT_NOTIFY, 36);
  exec.srb.SRB_Status = 0x66;  // whatever the caller left: the layer makes it pending
  EXPECT_EQ(layer.SendASPI32Command(&exec.srb), win::SS_PENDING);
  ASSERT_TRUE(exec.waitDone());
  EXPECT_EQ(exec.srb.SRB_Status, win::SS_COMP);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&exec.buffer[8]), 8), "ORNEX   ");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&exec.buffer[16]), 5), "KL570");

  std::vector<win::SCSI_PASS_THROUGH> headers = player->headers();
  ASSERT_EQ(headers.size(), 1u);
  const win::SCSI_PASS_THROUGH& header = headers[0];
  EXPECT_EQ(header.Length, 44);
  EXPECT_EQ(header.PathId, 1);
  EXPECT_EQ(header.CdbLength, 6);
  EXPECT_EQ(header.SenseInfoLength, win::SENSE_LEN);
  EXPECT_EQ(header.SenseInfoOffset, 44u);
  EXPECT_EQ(header.DataBufferOffset, 76u);
  EXPECT_EQ(header.DataTransferLength, 36u);
  EXPECT_EQ(header.TimeOutValue, 50000u);
}

TEST_F(NtModeTest, DirectionFlagsChooseTheDataDirection) {
  struct Case {
    win::BYTE flags;
    win::BYTE dataIn;
  };
  for (Case c : {Case{win::SRB_DIR_IN, 1}, Case{win::SRB_DIR_OUT, 0}, Case{0, 2}}) {
    auto player = machine.addPlayer();
    aspi::ScalinkLayer layer;
    layer.GetASPI32SupportInfo();
    ExecSrb exec({0x2A, 0, 0, 0, 0, 0, 0, 0, 1, 0}, c.flags | win::SRB_EVENT_NOTIFY, 16);
    std::memset(exec.buffer.data(), 0x5C, exec.buffer.size());
    layer.SendASPI32Command(&exec.srb);
    ASSERT_TRUE(exec.waitDone());
    ASSERT_EQ(player->headers().size(), 1u);
    EXPECT_EQ(player->headers()[0].DataIn, c.dataIn) << int(c.flags);
    auto commands = player->target->commands();
    ASSERT_EQ(commands.size(), 1u);
    if (c.dataIn == 0) {
      EXPECT_EQ(commands[0].data, std::vector<std::uint8_t>(16, 0x5C));
    }
  }
}

// Two SRBs to one device: the first takes long, the second answers at
// once; the second's post routine still runs after the first's.
std::mutex gPostedMutex;
std::vector<void*> gPosted;
win::HANDLE gBothPosted = nullptr;
void recordPost(void* srb) {
  std::lock_guard lock(gPostedMutex);
  gPosted.push_back(srb);
  if (gPosted.size() == 2) win::SetEvent(gBothPosted);
}

TEST_F(NtModeTest, SrbsToOneDeviceCompleteInPostOrderEvenWhenTheSecondFinishesFirst) {
  auto player = machine.addPlayer();
  player->queueLatency(3000);
  player->queueLatency(0);
  gPosted.clear();
  gBothPosted = win::CreateEventA(nullptr, win::TRUE, win::FALSE, nullptr);
  aspi::ScalinkLayer layer;
  layer.GetASPI32SupportInfo();
  ExecSrb first(InquiryCdb(), win::SRB_DIR_IN | win::SRB_POSTING, 36);
  ExecSrb second({0x00, 0, 0, 0, 0, 0}, win::SRB_POSTING, 0);
  first.srb.SRB_PostProc = second.srb.SRB_PostProc = aspi::PostRoutineToken(&recordPost);
  EXPECT_EQ(layer.SendASPI32Command(&first.srb), win::SS_PENDING);
  EXPECT_EQ(layer.SendASPI32Command(&second.srb), win::SS_PENDING);
  // The second is done on the device long before the first; the layer holds it.
  win::Sleep(1000);
  EXPECT_EQ(second.srb.SRB_Status, win::SS_PENDING);
  ASSERT_EQ(win::WaitForSingleObject(gBothPosted, 20000), win::WAIT_OBJECT_0);
  ASSERT_EQ(gPosted.size(), 2u);
  EXPECT_EQ(gPosted[0], &first.srb);
  EXPECT_EQ(gPosted[1], &second.srb);
  EXPECT_EQ(first.srb.SRB_Status, win::SS_COMP);
  EXPECT_EQ(second.srb.SRB_Status, win::SS_COMP);
  win::CloseHandle(gBothPosted);
}

TEST_F(NtModeTest, ScsiStatusMapsToSrbAndTargetStatus) {
  struct Case {
    std::uint8_t scsi;
    win::BYTE srb, target;
  };
  for (Case c : {Case{0x08, win::SS_ASPI_IS_BUSY, 0x08}, Case{0x22, win::SS_ABORT_FAIL, 0},
                 Case{0x28, win::SS_ASPI_IS_BUSY, 0}, Case{0x02, win::SS_ERR, 0x02}, Case{0x18, win::SS_ERR, 0x02}}) {
    auto player = machine.addPlayer();
    std::vector<std::uint8_t> sense(18, 0);
    sense[0] = 0x70;
    sense[2] = 0x09;
    sense[12] = 0x12;
    sense[13] = 0x34;
    sense[17] = 0xEE;  // past the SRB's 14 sense bytes
    player->target->answer(c.scsi, {}, sense);
    aspi::ScalinkLayer layer;
    layer.GetASPI32SupportInfo();
    ExecSrb exec({0xC0, 0x30, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, win::SRB_DIR_IN | win::SRB_EVENT_NOTIFY, 2);
    exec.srb.SenseArea[15] = 0x99;
    layer.SendASPI32Command(&exec.srb);
    ASSERT_TRUE(exec.waitDone());
    EXPECT_EQ(exec.srb.SRB_Status, c.srb) << int(c.scsi);
    EXPECT_EQ(exec.srb.SRB_TargStat, c.target) << int(c.scsi);
    EXPECT_EQ(exec.srb.SRB_HaStat, 0);
    EXPECT_EQ(exec.srb.SenseArea[2], 0x09);
    EXPECT_EQ(exec.srb.SenseArea[12], 0x12);
    EXPECT_EQ(exec.srb.SenseArea[13], 0x34);
    EXPECT_EQ(exec.srb.SenseArea[15], 0x99) << "only SRB_SenseLen bytes are copied";
  }
}

TEST_F(NtModeTest, ResidualCountGivesTheBytesMoved) {
  auto player = machine.addPlayer();
  aspi::ScalinkLayer layer;
  layer.GetASPI32SupportInfo();
  ExecSrb exec(InquiryCdb(), win::SRB_DIR_IN | win::SRB_EVENT_NOTIFY | win::SRB_ENABLE_RESIDUAL_COUNT, 200);
  layer.SendASPI32Command(&exec.srb);
  ASSERT_TRUE(exec.waitDone());
  EXPECT_EQ(+exec.srb.SRB_BufLen, 36u);
}

TEST_F(NtModeTest, UnitWithoutDosNameAnswersNoDevice) {
  auto player = machine.addPlayer();
  machine.addUnit("Scsi Port 1", "Scsi Bus 0", 1, 0, "DiskPeripheral", "OTHER   DISK            1.00");
  aspi::ScalinkLayer layer;
  layer.GetASPI32SupportInfo();
  ExecSrb exec(InquiryCdb(), win::SRB_DIR_IN | win::SRB_EVENT_NOTIFY, 36, 1, 1, 0);
  EXPECT_EQ(layer.SendASPI32Command(&exec.srb), win::SS_NO_DEVICE);
  win::SRB_GDEVBlock type{};
  type.SRB_Cmd = win::SC_GET_DEV_TYPE;
  type.SRB_HaId = 1;
  type.SRB_Target = 1;
  EXPECT_EQ(layer.SendASPI32Command(&type), win::SS_NO_DEVICE);
  type.SRB_Target = 0;
  EXPECT_EQ(layer.SendASPI32Command(&type), win::SS_COMP);
}

TEST_F(NtModeTest, VolumeThatGivesNoFullAddressIsNotAttached) {
  machine.addPlayer();
  machine.addUnit("Scsi Port 1", "Scsi Bus 0", 1, 0, "DiskPeripheral", "A");
  machine.addUnit("Scsi Port 1", "Scsi Bus 0", 2, 0, "DiskPeripheral", "B");
  auto unset = machine.volume('F', 1, 0xFF, 1, 0);
  auto silent = machine.volume('G', 1, 0, 2, 0);
  silent->answersAddress = false;
  aspi::ScalinkLayer layer;
  layer.GetASPI32SupportInfo();
  for (win::BYTE target : {1, 2}) {
    ExecSrb exec(InquiryCdb(), win::SRB_DIR_IN | win::SRB_EVENT_NOTIFY, 36, 1, target, 0);
    EXPECT_EQ(layer.SendASPI32Command(&exec.srb), win::SS_NO_DEVICE) << int(target);
  }
  EXPECT_EQ(unset->closeCount(), 1);
  EXPECT_EQ(silent->closeCount(), 1);
}

TEST_F(NtModeTest, IdleHandleClosesAfterAboutFiveSecondsAndTheNextRequestReopensIt) {
  auto player = machine.addPlayer();
  aspi::ScalinkLayer layer;
  layer.GetASPI32SupportInfo();
  ExecSrb first(InquiryCdb(), win::SRB_DIR_IN | win::SRB_EVENT_NOTIFY, 36);
  layer.SendASPI32Command(&first.srb);
  ASSERT_TRUE(first.waitDone());
  win::DWORD used = win::GetTickCount();
  ASSERT_EQ(player->openCount(), 1);
  win::HANDLE opened = layer.nt()->unitHandle(1, 0, 0);
  ASSERT_NE(opened, win::INVALID_HANDLE_VALUE);

  while (layer.nt()->unitHandle(1, 0, 0) != win::INVALID_HANDLE_VALUE && win::GetTickCount() - used < 60000)
    win::Sleep(100);
  win::DWORD idle = win::GetTickCount() - used;
  ASSERT_EQ(layer.nt()->unitHandle(1, 0, 0), win::INVALID_HANDLE_VALUE);
  EXPECT_GE(idle, 4000u) << "closed before the handle had been idle for 4 of the watchdog's seconds";
  EXPECT_EQ(player->closeCount(), 1);

  ExecSrb second(InquiryCdb(), win::SRB_DIR_IN | win::SRB_EVENT_NOTIFY, 36);
  layer.SendASPI32Command(&second.srb);
  ASSERT_TRUE(second.waitDone());
  EXPECT_EQ(second.srb.SRB_Status, win::SS_COMP);
  EXPECT_EQ(player->openCount(), 2);
}

TEST_F(NtModeTest, HostileLengthsAreRefusedBeforeAnythingIsSent) {
  auto player = machine.addPlayer();
  aspi::ScalinkLayer layer;
  layer.GetASPI32SupportInfo();
  struct Case {
    win::DWORD bufferLength;
    win::BYTE cdbLength;
    win::BYTE status;
  };
  for (Case c : {Case{37, 6, win::SS_INVALID_SRB}, Case{65533, 6, win::SS_BUFFER_TO_BIG},
                 Case{0xFFFFFFFF, 6, win::SS_BUFFER_TO_BIG}, Case{36, 0, win::SS_INVALID_SRB},
                 Case{36, 17, win::SS_INVALID_SRB}}) {
    ExecSrb exec(InquiryCdb(), win::SRB_DIR_IN | win::SRB_EVENT_NOTIFY, 36);
    exec.srb.SRB_BufLen = c.bufferLength;
    exec.srb.SRB_CDBLen = c.cdbLength;
    EXPECT_EQ(layer.SendASPI32Command(&exec.srb), c.status) << c.bufferLength << "/" << int(c.cdbLength);
  }
  ExecSrb unknownBuffer(InquiryCdb(), win::SRB_DIR_IN | win::SRB_EVENT_NOTIFY, 36);
  unknownBuffer.srb.SRB_BufPointer = 0x12345678;
  EXPECT_EQ(layer.SendASPI32Command(&unknownBuffer.srb), win::SS_INVALID_SRB);
  EXPECT_TRUE(player->headers().empty());
}

TEST_F(NtModeTest, DeviceGoneMidCommandFailsTheSrb) {
  auto player = machine.addPlayer();
  player->target->vanish();
  aspi::ScalinkLayer layer;
  layer.GetASPI32SupportInfo();
  ExecSrb exec(InquiryCdb(), win::SRB_DIR_IN | win::SRB_EVENT_NOTIFY, 36);
  layer.SendASPI32Command(&exec.srb);
  ASSERT_TRUE(exec.waitDone());
  EXPECT_EQ(exec.srb.SRB_Status, win::SS_ERR);
  EXPECT_EQ(exec.srb.SRB_HaStat, win::HASTAT_SEL_TO);
}

TEST_F(NtModeTest, DllVersionIsTheLayersOwn) {
  aspi::ScalinkLayer layer;
  EXPECT_EQ(layer.GetASPI32DLLVersion(), 0xAF010002u);
  layer.GetASPI32SupportInfo();
  EXPECT_EQ(layer.GetASPI32DLLVersion(), 0xAF010002u);
}

TEST_F(NtModeTest, SendBeforeInitialisationTouchesNothing) {
  aspi::ScalinkLayer layer;
  ExecSrb exec(InquiryCdb(), win::SRB_DIR_IN | win::SRB_EVENT_NOTIFY, 36);
  win::SRB_ExecSCSICmd before = exec.srb;
  EXPECT_EQ(layer.SendASPI32Command(&exec.srb), win::SS_NO_ASPI);
  EXPECT_EQ(std::memcmp(&before, &exec.srb, sizeof(before)), 0);
}

}  // namespace
}  // namespace scalinktest
