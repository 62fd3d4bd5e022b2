// The NT mode over the machine's own virtual player: the device map the
// machine builds and the volume of the player's letter.
#include <gtest/gtest.h>

#include <cstring>

#include "aspi/scalink_layer.h"
#include "aspi/tests/support/srb_helpers.h"
#include "aspi/tests/support/test_machines.h"
#include "platform/devices/player_setup.h"
#include "platform/devices/scsi_target.h"
#include "platform/sim/machine_builder.h"

namespace scalinktest {
namespace {

TEST(NtVirtualPlayerTest, InquiryAndCapacityReachThePlayer) {
  sim::MachineSpec spec;
  spec.settings = *sim::SettingsForOs("xp");
  spec.settings.timeScale = kTimeScale;
  kltest::TempMachine machine(spec);
  devices::PlayerOptions options;
  options.size = devices::kMinPlayerBytes;
  ASSERT_TRUE(devices::AddVirtualPlayer(options));
  std::vector<devices::AttachedTarget> targets = devices::MachineScsiTargets();
  ASSERT_EQ(targets.size(), 1u);

  aspi::ScalinkLayer layer;
  EXPECT_EQ(layer.GetASPI32SupportInfo() & 0xFF00u, 0x0100u);
  ExecSrb inquiry(InquiryCdb(), win::SRB_DIR_IN | win::SRB_EVENT_NOTIFY, 36, targets[0].port, targets[0].target,
                  targets[0].lun);
  EXPECT_EQ(layer.SendASPI32Command(&inquiry.srb), win::SS_PENDING);
  ASSERT_TRUE(inquiry.waitDone());
  EXPECT_EQ(inquiry.srb.SRB_Status, win::SS_COMP);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&inquiry.buffer[8]), 24), "ORNEX   KL570           ");

  ExecSrb capacity({0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, win::SRB_DIR_IN | win::SRB_EVENT_NOTIFY, 8, targets[0].port,
                   targets[0].target, targets[0].lun);
  layer.SendASPI32Command(&capacity.srb);
  ASSERT_TRUE(capacity.waitDone());
  EXPECT_EQ(capacity.srb.SRB_Status, win::SS_COMP);
  win::DWORD blockLength = (capacity.buffer[4] << 24) | (capacity.buffer[5] << 16) | (capacity.buffer[6] << 8) |
                           capacity.buffer[7];
  EXPECT_EQ(blockLength, 512u);
}

}  // namespace
}  // namespace scalinktest
