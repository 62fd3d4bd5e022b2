// The player's fault knobs, seen as the updater sees them.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/devices/tests/player_fixture.h"
#include "platform/devices/virtual_player.h"
#include "platform/win/files.h"
#include "platform/win/ioctl.h"
#include "platform/win/last_error.h"
#include "platform/win/volumes.h"

namespace {

using kltest::PassThrough;
using kltest::VendorCdb;
using Bytes = std::vector<std::uint8_t>;

int vendorCode(const kltest::PassThroughResult& r) {
  if (r.sense.size() < 14 || r.sense[2] != 0x09) return -1;
  return (r.sense[12] << 8) | r.sense[13];
}

class PlayerKnobs : public ::testing::Test {
 protected:
  kltest::PlayerMachine player;
  win::HANDLE volume = player.openVolume();
  void SetUp() override { ASSERT_NE(volume, win::INVALID_HANDLE_VALUE); }
  void TearDown() override { win::CloseHandle(volume); }
};

TEST_F(PlayerKnobs, UnreadableTableAndUnusableMedia) {
  player.knob("table-unreadable", "1");
  auto table = PassThrough(volume, VendorCdb({0xC0, 0x05, 10}), 112);
  ASSERT_TRUE(table.ok);
  EXPECT_EQ(table.status, 2);
  EXPECT_EQ(vendorCode(table), devices::kVendorTableUnreadable);
  player.knob("media-unusable", "1");
  auto usable = PassThrough(volume, VendorCdb({0xC0, 0x02, 9}), 1);
  ASSERT_EQ(usable.data.size(), 1u);
  EXPECT_EQ(usable.data[0], 0);
  player.knob("table-unreadable", "0");
  EXPECT_EQ(PassThrough(volume, VendorCdb({0xC0, 0x05, 10}), 112).status, 0);
}

TEST_F(PlayerKnobs, VendorSenseForAllOrOneCommand) {
  player.knob("vendor-sense", "0x0401");
  auto chip = PassThrough(volume, VendorCdb({0xC0, 0x30}), 2);
  EXPECT_EQ(vendorCode(chip), 0x0401);
  EXPECT_EQ(PassThrough(volume, {0x12, 0, 0, 0, 0x60, 0}, 96).status, 0);  // standard commands go on
  player.knob("vendor-sense", "0x0812:0x23");
  EXPECT_EQ(PassThrough(volume, VendorCdb({0xC0, 0x30}), 2).status, 0);
  auto write = PassThrough(volume, VendorCdb({0xC1, 0x23, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}), 0, Bytes(2048, 1));
  EXPECT_EQ(vendorCode(write), 0x0812);
  player.knob("vendor-sense", "off");
  EXPECT_EQ(PassThrough(volume, VendorCdb({0xC0, 0x30}), 2).status, 0);
}

TEST_F(PlayerKnobs, WriteFailuresLeaveTheImageAlone) {
  std::string before = kltest::ReadHostFile(player.imageOf(0));
  player.knob("write-fail", "1");
  auto w = PassThrough(volume, VendorCdb({0xC1, 0x23, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}), 0, Bytes(2048, 0x77));
  EXPECT_EQ(w.status, 2);
  ASSERT_GE(w.sense.size(), 13u);
  EXPECT_EQ(w.sense[2], 0x03);
  EXPECT_EQ(w.sense[12], 0x0C);
  EXPECT_EQ(kltest::ReadHostFile(player.imageOf(0)), before);
  Bytes sector(512, 0x11);
  win::DWORD done = 0;
  EXPECT_FALSE(win::WriteFile(volume, sector.data(), 512, &done, nullptr));
  EXPECT_EQ(win::GetLastError(), win::ERROR_WRITE_FAULT);
}

TEST_F(PlayerKnobs, CorruptedReadBack) {
  player.knob("corrupt-readback", "1");
  auto r = PassThrough(volume, {0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0}, 512);
  std::string image = kltest::ReadHostFile(player.imageOf(1));
  ASSERT_EQ(r.data.size(), 512u);
  EXPECT_EQ(r.data[0], static_cast<std::uint8_t>(image[0]) ^ 1);
  EXPECT_EQ(std::memcmp(r.data.data() + 1, image.data() + 1, 511), 0);
}

TEST_F(PlayerKnobs, SlowPlayerReportsItsLatency) {
  player.knob("delay-ms", "250");
  devices::ScsiCommand c;
  c.cdb = {0, 0, 0, 0, 0, 0};
  devices::ScsiOutcome o = devices::VirtualPlayer::At(player.playerFolder())->execute(c);
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.latencyMs, 250u);
}

TEST_F(PlayerKnobs, VanishingInTheMiddleAndComingBack) {
  char letter = player.letter();
  player.knob("vanish-after", "2");
  EXPECT_TRUE(PassThrough(volume, {0, 0, 0, 0, 0, 0}, 0).ok);
  EXPECT_TRUE(PassThrough(volume, {0, 0, 0, 0, 0, 0}, 0).ok);
  auto gone = PassThrough(volume, {0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0}, 512);
  EXPECT_FALSE(gone.ok);
  EXPECT_EQ(gone.error, win::ERROR_DEVICE_NOT_CONNECTED);
  EXPECT_FALSE(win::GetLogicalDrives() & (1u << (letter - 'A')));
  EXPECT_EQ(player.openVolume(), win::INVALID_HANDLE_VALUE);
  player.knob("vanished", "0");
  EXPECT_TRUE(win::GetLogicalDrives() & (1u << (letter - 'A')));
  EXPECT_TRUE(PassThrough(volume, {0, 0, 0, 0, 0, 0}, 0).ok);  // the old handle works again
}

TEST_F(PlayerKnobs, RefusedLock) {
  player.knob("lock-fail", "1");
  win::DWORD returned = 0;
  EXPECT_FALSE(win::DeviceIoControl(volume, win::FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr));
  EXPECT_EQ(win::GetLastError(), win::ERROR_ACCESS_DENIED);
}

TEST(PlayerKnobValues, BadValuesAreRefusedAndGoodOnesRoundTrip) {
  struct Case {
    const char* name;
    const char* value;
    bool ok;
  };
  const Case cases[] = {
      {"write-fail", "2", false},         {"write-fail", "on", true},        {"vendor-sense", "0x10000", false},
      {"vendor-sense", "0x12:0x100", false}, {"vendor-sense", "0x1234:0x13", true}, {"delay-ms", "-1", false},
      {"delay-ms", "9999999", false},     {"vanish-after", "x", false},       {"vanish-after", "0", true},
      {"no-such-knob", "1", false},       {"recovery-delay", "100", true},
  };
  for (const Case& c : cases) {
    devices::PlayerKnobs k;
    std::string error;
    EXPECT_EQ(devices::SetKnob(k, c.name, c.value, &error), c.ok) << c.name << " " << c.value;
    if (!c.ok) {
      EXPECT_FALSE(error.empty());
      continue;
    }
    devices::PlayerKnobs again;
    for (const auto& [name, value] : devices::KnobValues(k)) ASSERT_TRUE(devices::SetKnob(again, name, value, nullptr));
    EXPECT_EQ(devices::KnobValues(again), devices::KnobValues(k)) << c.name;
  }
}

}  // namespace
