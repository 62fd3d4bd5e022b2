// The registry's device maps that the machine builds from its devices,
// read the way the ASPI layer (NT) and the updater (9x) read them.
#include <gtest/gtest.h>

#include "platform/devices/tests/player_fixture.h"
#include "platform/devices/virtual_player.h"
#include "platform/win/registry.h"

namespace {

std::string text(const char* key, const char* value) {
  win::HKEY k = nullptr;
  if (win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, key, 0, win::KEY_READ, &k) != win::ERROR_SUCCESS) return "<no key>";
  char buf[256] = {};
  win::DWORD size = sizeof buf, type = 0;
  win::LONG rc = win::RegQueryValueExA(k, value, nullptr, &type, reinterpret_cast<win::BYTE*>(buf), &size);
  win::RegCloseKey(k);
  return rc == win::ERROR_SUCCESS && type == win::REG_SZ ? std::string(buf) : "<no value>";
}

std::vector<std::string> subkeys(const char* key) {
  std::vector<std::string> out;
  win::HKEY k = nullptr;
  if (win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, key, 0, win::KEY_READ, &k) != win::ERROR_SUCCESS) return out;
  for (win::DWORD i = 0;; ++i) {
    char name[260];
    win::DWORD size = sizeof name;
    if (win::RegEnumKeyExA(k, i, name, &size, nullptr, nullptr, nullptr, nullptr) != win::ERROR_SUCCESS) break;
    out.emplace_back(name);
  }
  win::RegCloseKey(k);
  return out;
}

TEST(DeviceMaps, NtDeviceMapFollowsThePlayer) {
  kltest::PlayerMachine player("xp");
  const char* unit = "Hardware\\DeviceMap\\Scsi\\Scsi Port 0\\Scsi Bus 0\\Target Id 0\\Logical Unit Id 0";
  EXPECT_EQ(text("Hardware\\DeviceMap\\Scsi\\Scsi Port 0", "Driver"), "usbstor");
  EXPECT_EQ(text(unit, "Identifier"), "ORNEX   KL570           1.00");
  EXPECT_EQ(text(unit, "Type"), "DiskPeripheral");
  EXPECT_EQ(subkeys("Hardware\\DeviceMap\\Scsi\\Scsi Port 0\\Scsi Bus 0"),
            (std::vector<std::string>{"Initiator Id 255", "Target Id 0"}));
  // A second player takes the next port; the first one unplugged leaves
  // only the second, now on port 0.
  std::string error;
  auto second = devices::AddVirtualPlayer(kltest::SmallPlayer(), &error);
  ASSERT_TRUE(second) << error;
  EXPECT_EQ(subkeys("Hardware\\DeviceMap\\Scsi").size(), 2u);
  player.knob("vanished", "1");
  EXPECT_EQ(subkeys("Hardware\\DeviceMap\\Scsi"), std::vector<std::string>{"Scsi Port 0"});
  devices::VirtualPlayer::At(*second)->update([](devices::PlayerDescription& d) { d.vanished = true; });
  EXPECT_TRUE(subkeys("Hardware\\DeviceMap\\Scsi").empty());
  EXPECT_EQ(text("Hardware\\DeviceMap\\Scsi", "x"), "<no value>");  // the key stays, empty
  EXPECT_TRUE(subkeys("Enum\\SCSI").empty());
}

TEST(DeviceMaps, NineXEnumNamesTheDriveLetter) {
  kltest::PlayerMachine player("98");
  std::vector<std::string> players = subkeys("Enum\\SCSI");
  ASSERT_EQ(players, std::vector<std::string>{"ORNEX___KL570___________1"});
  std::vector<std::string> instances = subkeys("Enum\\SCSI\\ORNEX___KL570___________1");
  ASSERT_EQ(instances.size(), 1u);
  std::string key = "Enum\\SCSI\\ORNEX___KL570___________1\\" + instances[0];
  EXPECT_EQ(text(key.c_str(), "SCSILUN"), "0");
  EXPECT_EQ(text(key.c_str(), "CurrentDriveLetterAssignment"), std::string(1, player.letter()));
  EXPECT_EQ(text(key.c_str(), "Class"), "DiskDrive");
  // In recovery mode the player is no SCSI device.
  devices::VirtualPlayer::At(player.playerFolder())->update([](devices::PlayerDescription& d) {
    d.mode = devices::PlayerMode::Recovery;
  });
  EXPECT_TRUE(subkeys("Enum\\SCSI").empty());
  EXPECT_TRUE(subkeys("Hardware\\DeviceMap\\Scsi").empty());
}

}  // namespace
