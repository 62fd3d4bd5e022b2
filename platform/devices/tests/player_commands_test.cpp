// The player's commands as the firmware updater sends them: through
// CreateFileA("\\.\E:") and IOCTL_SCSI_PASS_THROUGH, CDB bytes as the
// updater builds them, answers checked against the player's files.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "platform/devices/player_description.h"
#include "platform/devices/tests/player_fixture.h"
#include "platform/devices/virtual_player.h"
#include "platform/win/files.h"
#include "platform/win/ioctl.h"
#include "platform/win/last_error.h"

namespace {

using kltest::PassThrough;
using kltest::VendorCdb;
using Bytes = std::vector<std::uint8_t>;

std::uint64_t be(const Bytes& b, std::size_t at, std::size_t n) {
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < n; ++i) v = (v << 8) | b.at(at + i);
  return v;
}

struct SenseCode {
  int key, asc, ascq;
};
SenseCode senseOf(const kltest::PassThroughResult& r) {
  if (r.sense.size() < 14) return {-1, -1, -1};
  return {r.sense[2], r.sense[12], r.sense[13]};
}

class PlayerCommands : public ::testing::Test {
 protected:
  kltest::PlayerMachine player{"xp", devices::PlayerOptions{}};  // 64 MiB
  win::HANDLE volume = player.openVolume();
  void SetUp() override { ASSERT_NE(volume, win::INVALID_HANDLE_VALUE); }
  void TearDown() override { win::CloseHandle(volume); }
  devices::PlayerDescription description() {
    devices::PlayerDescription d;
    EXPECT_TRUE(devices::ReadPlayerDescription(player.playerFolder(), d));
    return d;
  }
};

TEST_F(PlayerCommands, InquiryNamesTheRemovablePlayer) {
  auto r = PassThrough(volume, {0x12, 0x00, 0x00, 0x00, 0x60, 0x00}, 96);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.status, 0);
  ASSERT_EQ(r.data.size(), 36u);
  EXPECT_EQ(r.data[0], 0x00);
  EXPECT_EQ(r.data[1], 0x80);
  EXPECT_EQ(std::string(r.data.begin() + 8, r.data.begin() + 16), "ORNEX   ");
  EXPECT_EQ(std::string(r.data.begin() + 16, r.data.begin() + 32), "KL570           ");
  EXPECT_EQ(r.data[32], '1');
}

TEST_F(PlayerCommands, CapacityAndSectorsOfTheDataDrive) {
  auto ready = PassThrough(volume, {0, 0, 0, 0, 0, 0}, 0);
  ASSERT_TRUE(ready.ok);
  EXPECT_EQ(ready.status, 0);

  auto cap = PassThrough(volume, {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 8);
  ASSERT_TRUE(cap.ok);
  devices::PlayerDescription d = description();
  const devices::LogicalDrive* data = devices::DataDrive(d);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(be(cap.data, 0, 4), data->size / 512 - 1);
  EXPECT_EQ(be(cap.data, 4, 4), 512u);

  // WRITE(10) of 2 sectors at LBA 0x12345 lands in the data drive's file.
  Bytes payload(1024);
  for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<std::uint8_t>(i * 7 + 3);
  auto w = PassThrough(volume, {0x2A, 0x00, 0x00, 0x01, 0x23, 0x45, 0x00, 0x00, 0x02, 0x00}, 0, payload);
  ASSERT_TRUE(w.ok);
  EXPECT_EQ(w.status, 0);
  std::string image = kltest::ReadHostFile(player.imageOf(1));
  ASSERT_GE(image.size(), 0x12345u * 512 + 1024);
  EXPECT_EQ(std::memcmp(image.data() + 0x12345 * 512, payload.data(), payload.size()), 0);

  auto r = PassThrough(volume, {0x28, 0x00, 0x00, 0x01, 0x23, 0x45, 0x00, 0x00, 0x02, 0x00}, 1024);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.data, payload);
  // A fresh player's data drive starts with its boot record.
  auto mbr = PassThrough(volume, {0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0}, 512);
  ASSERT_TRUE(mbr.ok);
  EXPECT_EQ(mbr.data[510], 0x55);
  EXPECT_EQ(mbr.data[511], 0xAA);
}

TEST_F(PlayerCommands, RefusedCommandsAnswerSense) {
  struct Case {
    const char* what;
    Bytes cdb;
    std::size_t in;
    SenseCode sense;
  };
  const Case cases[] = {
      {"unknown opcode", {0x5A, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0, {0x05, 0x20, 0}},
      {"read past the end", {0x28, 0, 0x7F, 0xFF, 0xFF, 0xFF, 0, 0, 1, 0}, 512, {0x05, 0x21, 0}},
      {"media info type 3", VendorCdb({0xC0, 0x02, 3}), 8, {0x05, 0x24, 0}},
      {"media info type 10", VendorCdb({0xC0, 0x02, 10}), 8, {0x05, 0x24, 0}},
      {"drive info type 12", VendorCdb({0xC0, 0x12, 0, 12}), 8, {0x05, 0x24, 0}},
      {"no drive 0x33", VendorCdb({0xC0, 0x12, 0x33, 0}), 4, {0x09, 0x01, 0x01}},
      {"unknown vendor sub-command", VendorCdb({0xC1, 0x77}), 0, {0x05, 0x24, 0}},
      {"sectors past a drive's end", VendorCdb({0xC0, 0x13, 0, 0, 0, 0, 0, 0, 0, 0, 64, 0, 0, 0, 1}), 2048,
       {0x05, 0x21, 0}},
  };
  for (const Case& c : cases) {
    auto r = PassThrough(volume, c.cdb, c.in);
    ASSERT_TRUE(r.ok) << c.what;
    EXPECT_EQ(r.status, 0x02) << c.what;
    SenseCode s = senseOf(r);
    EXPECT_EQ(s.key, c.sense.key) << c.what;
    EXPECT_EQ(s.asc, c.sense.asc) << c.what;
    EXPECT_EQ(s.ascq, c.sense.ascq) << c.what;
  }
}

TEST_F(PlayerCommands, ChipRevisionMediaInfoAndTable) {
  auto chip = PassThrough(volume, VendorCdb({0xC0, 0x30}), 2);
  ASSERT_TRUE(chip.ok);
  EXPECT_EQ(be(chip.data, 0, 2), description().chipRevision);

  auto usable = PassThrough(volume, VendorCdb({0xC0, 0x02, 9}), 1);
  ASSERT_TRUE(usable.ok);
  ASSERT_EQ(usable.data.size(), 1u);
  EXPECT_EQ(usable.data[0], 1);

  auto table = PassThrough(volume, VendorCdb({0xC0, 0x05, 10}), 2 + 11 * 10);
  ASSERT_TRUE(table.ok);
  devices::PlayerDescription d = description();
  ASSERT_EQ(be(table.data, 0, 2), 5u);
  const std::uint8_t types[] = {1, 0, 1, 1, 1};
  const std::uint8_t tags[] = {0x50, 0x0A, 0x01, 0x00, 0x02};
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(table.data[2 + 11 * i], d.drives[i].number);
    EXPECT_EQ(table.data[3 + 11 * i], types[i]);
    EXPECT_EQ(table.data[4 + 11 * i], tags[i]);
    EXPECT_EQ(be(table.data, 5 + 11 * i, 8), d.drives[i].size);
  }
  // A table asked with room for two entries still says how many there are.
  auto small = PassThrough(volume, VendorCdb({0xC0, 0x05, 2}), 2 + 11 * 2);
  ASSERT_TRUE(small.ok);
  EXPECT_EQ(be(small.data, 0, 2), 5u);
  EXPECT_EQ(small.data.size(), 24u);
}

TEST_F(PlayerCommands, DriveInfoAndVersionStamps) {
  auto systemSector = PassThrough(volume, VendorCdb({0xC0, 0x12, 0, 0}), 4);
  auto dataSector = PassThrough(volume, VendorCdb({0xC0, 0x12, 1, 0}), 4);
  ASSERT_TRUE(systemSector.ok && dataSector.ok);
  EXPECT_EQ(be(systemSector.data, 0, 4), 2048u);
  EXPECT_EQ(be(dataSector.data, 0, 4), 512u);

  auto component = PassThrough(volume, VendorCdb({0xC0, 0x12, 3, 7}), 48);
  ASSERT_TRUE(component.ok);
  ASSERT_EQ(component.data.size(), 48u);
  EXPECT_EQ(be(component.data, 0, 6), 0x000100000000u);  // 1.0.0

  // Setting version 1.2.3 as drive info type 8 for drive 4.
  Bytes set = {0xC1, 0x20, 0x04, 0x08, 0x00, 0x01, 0x00, 0x02, 0x00, 0x03, 0, 0, 0, 0, 0, 0};
  auto r = PassThrough(volume, set, 0, {});
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.status, 0);
  auto product = PassThrough(volume, VendorCdb({0xC0, 0x12, 4, 8}), 48);
  EXPECT_EQ(be(product.data, 0, 6), 0x000100020003u);
  devices::PlayerDescription d = description();
  EXPECT_EQ(devices::FormatVersion(d.drives[4].productVersion), "1.2.3");
  EXPECT_EQ(devices::FormatVersion(d.drives[4].componentVersion), "1.0.0");
  EXPECT_NE(kltest::ReadHostFile(player.playerFolder() + "/device.ini").find("ProductVersion=1.2.3"), std::string::npos);
}

TEST_F(PlayerCommands, LogicalDriveSectorsLandInTheDrivesFile) {
  Bytes payload(4096);
  for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<std::uint8_t>(i ^ 0x5A);
  // C1 23 drive 3, first sector 1, two sectors.
  auto w = PassThrough(volume, VendorCdb({0xC1, 0x23, 3, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 2}), 0, payload);
  ASSERT_TRUE(w.ok);
  EXPECT_EQ(w.status, 0);
  std::string image = kltest::ReadHostFile(player.imageOf(3));
  ASSERT_EQ(image.size(), devices::kPlayerFirmwareDriveBytes);
  EXPECT_EQ(std::memcmp(image.data() + 2048, payload.data(), payload.size()), 0);
  auto r = PassThrough(volume, VendorCdb({0xC0, 0x13, 3, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 2}), 4096);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.data, payload);
}

TEST_F(PlayerCommands, EraseAndAllocateRebuildTheTable) {
  ASSERT_TRUE(std::filesystem::exists(player.playerFolder() + "/data"));
  player.machine().writeFile(std::string(1, player.letter()) + ":\\SYSTEM\\VIRELO.LST", "list");
  auto erase = PassThrough(volume, VendorCdb({0xC1, 0x07}), 0, {});
  ASSERT_TRUE(erase.ok);
  EXPECT_EQ(erase.status, 0);
  EXPECT_TRUE(std::filesystem::is_empty(player.playerFolder() + "/data"));
  auto empty = PassThrough(volume, VendorCdb({0xC0, 0x05, 10}), 112);
  EXPECT_EQ(be(empty.data, 0, 2), 0u);
  auto notReady = PassThrough(volume, {0, 0, 0, 0, 0, 0}, 0);
  EXPECT_EQ(senseOf(notReady).key, 0x02);

  // Three entries as the updater sends them: 10 bytes apart in a
  // payload of 11 bytes per entry.
  Bytes payload(33, 0);
  auto entry = [&](std::size_t i, std::uint8_t type, std::uint8_t tag, std::uint64_t size) {
    payload[10 * i] = type;
    payload[10 * i + 1] = tag;
    for (int b = 0; b < 8; ++b) payload[10 * i + 2 + b] = static_cast<std::uint8_t>(size >> (56 - 8 * b));
  };
  entry(0, 1, 0x50, 10000);
  entry(1, 0, 0x0A, 0);
  entry(2, 1, 0x01, 5000);
  auto alloc = PassThrough(volume, VendorCdb({0xC1, 0x06, 3}), 0, payload);
  ASSERT_TRUE(alloc.ok);
  EXPECT_EQ(alloc.status, 0);
  devices::PlayerDescription d = description();
  ASSERT_EQ(d.drives.size(), 3u);
  EXPECT_EQ(d.drives[0].size, 10240u);
  EXPECT_EQ(d.drives[2].size, 6144u);
  EXPECT_EQ(d.drives[1].size, d.capacity - 10240 - 6144);
  EXPECT_EQ(d.drives[1].type, 0);
  EXPECT_EQ(d.drives[2].tag, 0x01);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(d.drives[i].number, i);
    EXPECT_EQ(std::filesystem::file_size(player.playerFolder() + "/" + d.drives[i].file), d.drives[i].size);
  }
  // Allocating again without an erase is refused with the player's code.
  auto again = PassThrough(volume, VendorCdb({0xC1, 0x06, 3}), 0, payload);
  SenseCode s = senseOf(again);
  EXPECT_EQ(s.key, 0x09);
  EXPECT_EQ((s.asc << 8) | s.ascq, devices::kVendorAlreadyAllocated);
}

TEST_F(PlayerCommands, ErasingTheDataDriveEmptiesItsFolder) {
  player.machine().writeFile(std::string(1, player.letter()) + ":\\SYSTEM\\MP3\\1", "song");
  player.machine().writeFile(std::string(1, player.letter()) + ":\\keep.txt", "x");
  // Erasing a system drive leaves the user's files alone.
  ASSERT_TRUE(PassThrough(volume, VendorCdb({0xC1, 0x2F, 2}), 0, {}).ok);
  EXPECT_TRUE(player.machine().exists(std::string(1, player.letter()) + ":\\keep.txt"));
  auto erase = PassThrough(volume, VendorCdb({0xC1, 0x2F, 1}), 0, {});
  ASSERT_TRUE(erase.ok);
  EXPECT_EQ(erase.status, 0);
  EXPECT_TRUE(std::filesystem::is_empty(player.playerFolder() + "/data"));
  std::string image = kltest::ReadHostFile(player.imageOf(1));
  EXPECT_EQ(image.find_first_not_of('\0'), std::string::npos);
}

TEST_F(PlayerCommands, MalformedPassThroughBlocksAreRefused) {
  struct Case {
    const char* what;
    void (*spoil)(win::SCSI_PASS_THROUGH&);
  };
  const Case cases[] = {
      {"header length", [](win::SCSI_PASS_THROUGH& h) { h.Length = 40; }},
      {"no CDB", [](win::SCSI_PASS_THROUGH& h) { h.CdbLength = 0; }},
      {"CDB too long", [](win::SCSI_PASS_THROUGH& h) { h.CdbLength = 17; }},
      {"data beyond the block", [](win::SCSI_PASS_THROUGH& h) { h.DataBufferOffset = 200; }},
      {"data inside the header", [](win::SCSI_PASS_THROUGH& h) { h.DataBufferOffset = 8; }},
      {"sense beyond the block", [](win::SCSI_PASS_THROUGH& h) { h.SenseInfoOffset = 0xFFFFFFF0u; }},
      {"transfer too long", [](win::SCSI_PASS_THROUGH& h) { h.DataTransferLength = 65537; }},
      {"direction", [](win::SCSI_PASS_THROUGH& h) { h.DataIn = 3; }},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> block(70 + 96, 0xEE);
    win::SCSI_PASS_THROUGH h{};
    h.Length = sizeof h;
    h.CdbLength = 6;
    h.SenseInfoLength = 18;
    h.DataIn = 1;
    h.DataTransferLength = 96;
    h.DataBufferOffset = 70;
    h.SenseInfoOffset = 52;
    h.Cdb[0] = 0x12;
    h.Cdb[4] = 0x60;
    c.spoil(h);
    std::memcpy(block.data(), &h, sizeof h);
    std::vector<std::uint8_t> before = block;
    win::DWORD returned = 0;
    EXPECT_FALSE(win::DeviceIoControl(volume, win::IOCTL_SCSI_PASS_THROUGH, block.data(),
                                      static_cast<win::DWORD>(block.size()), block.data(),
                                      static_cast<win::DWORD>(block.size()), &returned, nullptr))
        << c.what;
    EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_PARAMETER) << c.what;
    EXPECT_EQ(block, before) << c.what;
  }
}

}  // namespace
