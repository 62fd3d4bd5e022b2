#include "music/core/settings_store.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/testing/temp_machine.h"
#include "platform/win/registry.h"

namespace virelo {
namespace {

void putValue(const char* name, const std::vector<win::BYTE>& bytes) {
  win::HKEY key = nullptr;
  ASSERT_EQ(win::RegCreateKeyExA(win::HKEY_CURRENT_USER, "SOFTWARE\\VIRELO", 0, nullptr, 0, win::KEY_WRITE, nullptr,
                                 &key, nullptr),
            win::ERROR_SUCCESS);
  ASSERT_EQ(win::RegSetValueExA(key, name, 0, win::REG_BINARY, bytes.data(), static_cast<win::DWORD>(bytes.size())),
            win::ERROR_SUCCESS);
  win::RegCloseKey(key);
}

std::vector<win::BYTE> getValue(const char* name, win::DWORD* type = nullptr) {
  win::HKEY key = nullptr;
  if (win::RegOpenKeyExA(win::HKEY_CURRENT_USER, "SOFTWARE\\VIRELO", 0, win::KEY_READ, &key) != win::ERROR_SUCCESS)
    return {};
  std::vector<win::BYTE> bytes(256);
  win::DWORD size = static_cast<win::DWORD>(bytes.size());
  win::LONG rc = win::RegQueryValueExA(key, name, nullptr, type, bytes.data(), &size);
  win::RegCloseKey(key);
  if (rc != win::ERROR_SUCCESS) return {};
  bytes.resize(size);
  return bytes;
}

std::vector<win::BYTE> words(std::initializer_list<std::uint32_t> values) {
  std::vector<win::BYTE> bytes;
  for (std::uint32_t v : values)
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<win::BYTE>(v >> (8 * i)));
  return bytes;
}

TEST(SettingsStore, AbsentValuesAreNotRead) {
  kltest::TempMachine machine;
  EXPECT_FALSE(ReadXData());
  EXPECT_FALSE(ReadPlacement(PlacementSlot::List));
  EXPECT_FALSE(ReadPlacement(PlacementSlot::Player));
}

TEST(SettingsStore, DefaultsAreLibraryWindowVolume8NoRepeatNoShuffleLyricsOn) {
  EXPECT_EQ(XData{}, (XData{0, 8, 0, 0, 1, 1}));
}

TEST(SettingsStore, XDataOfAnyOtherLengthThan24IsAbsent) {
  std::vector<win::BYTE> valid = words({1, 3, 2, 1, 0, 0});
  for (std::size_t length : {0u, 4u, 23u, 25u, 28u, 44u}) {
    kltest::TempMachine machine;
    std::vector<win::BYTE> bytes = valid;
    bytes.resize(length, 0);
    putValue("XDATA", bytes);
    EXPECT_FALSE(ReadXData()) << length;
  }
  kltest::TempMachine machine;
  putValue("XDATA", valid);
  EXPECT_EQ(ReadXData(), (XData{1, 3, 2, 1, 0, 0}));
}

TEST(SettingsStore, XDataIsWrittenAsSixLittleEndianWords) {
  kltest::TempMachine machine;
  ASSERT_TRUE(WriteXData(XData{1, 15, 2, 1, 0, 1}));
  win::DWORD type = 0;
  EXPECT_EQ(getValue("XDATA", &type), words({1, 15, 2, 1, 0, 1}));
  EXPECT_EQ(type, win::REG_BINARY);
}

TEST(SettingsStore, WindowModeIsTheLowByteOfWordZero) {
  kltest::TempMachine machine;
  putValue("XDATA", words({0xABCDEF01u, 8, 0, 0, 1, 1}));
  ASSERT_TRUE(ReadXData());
  EXPECT_EQ(ReadXData()->windowMode, 1u);
}

TEST(SettingsStore, StoredWordsOutOfRangeTakeTheirDefault) {
  kltest::TempMachine machine;
  putValue("XDATA", words({2, 16, 3, 2, 7, 0xFFFFFFFFu}));
  EXPECT_EQ(ReadXData(), XData{});
  putValue("XDATA", words({1, 0, 0, 0, 0, 0}));
  EXPECT_EQ(ReadXData(), (XData{1, 0, 0, 0, 0, 0}));
}

win::WINDOWPLACEMENT samplePlacement() {
  win::WINDOWPLACEMENT wp{};
  wp.length = 44;
  wp.flags = win::WPF_RESTORETOMAXIMIZED;
  wp.showCmd = 3;
  wp.ptMinPosition = {-1, -32000};
  wp.ptMaxPosition = {-4, -4};
  wp.rcNormalPosition = {100, 120, 900, 720};
  return wp;
}

bool samePlacement(const win::WINDOWPLACEMENT& a, const win::WINDOWPLACEMENT& b) {
  return a.length == b.length && a.flags == b.flags && a.showCmd == b.showCmd &&
         a.ptMinPosition.x == b.ptMinPosition.x && a.ptMinPosition.y == b.ptMinPosition.y &&
         a.ptMaxPosition.x == b.ptMaxPosition.x && a.ptMaxPosition.y == b.ptMaxPosition.y &&
         a.rcNormalPosition.left == b.rcNormalPosition.left && a.rcNormalPosition.top == b.rcNormalPosition.top &&
         a.rcNormalPosition.right == b.rcNormalPosition.right &&
         a.rcNormalPosition.bottom == b.rcNormalPosition.bottom;
}

TEST(SettingsStore, PlacementsAreStoredAs44BytesUnderTheirOwnNames) {
  kltest::TempMachine machine;
  win::WINDOWPLACEMENT list = samplePlacement();
  ASSERT_TRUE(WritePlacement(PlacementSlot::List, list));
  EXPECT_EQ(getValue("LIST"), words({44, 2, 3, 0xFFFFFFFFu, static_cast<std::uint32_t>(-32000), 0xFFFFFFFCu,
                                     0xFFFFFFFCu, 100, 120, 900, 720}));
  EXPECT_FALSE(ReadPlacement(PlacementSlot::Player));
  auto read = ReadPlacement(PlacementSlot::List);
  ASSERT_TRUE(read);
  EXPECT_TRUE(samePlacement(*read, list));

  win::WINDOWPLACEMENT player = list;
  player.showCmd = 1;
  player.rcNormalPosition = {10, 10, 325, 74};
  ASSERT_TRUE(WritePlacement(PlacementSlot::Player, player));
  EXPECT_TRUE(samePlacement(*ReadPlacement(PlacementSlot::Player), player));
  EXPECT_TRUE(samePlacement(*ReadPlacement(PlacementSlot::List), list));
}

TEST(SettingsStore, PlacementOfAnyOtherLengthThan44IsAbsent) {
  for (std::size_t length : {24u, 43u, 45u}) {
    kltest::TempMachine machine;
    putValue("PLAYER", std::vector<win::BYTE>(length, 1));
    EXPECT_FALSE(ReadPlacement(PlacementSlot::Player)) << length;
  }
}

TEST(SettingsStore, MinimisedPlacementIsStoredRestoredOrMaximised) {
  struct Case {
    win::UINT flags, showCmd, stored;
  };
  const Case cases[] = {
      {0, 2, 9}, {win::WPF_RESTORETOMAXIMIZED, 2, 3}, {0x3, 2, 3}, {0, 1, 1}, {win::WPF_RESTORETOMAXIMIZED, 3, 3},
      {0, 3, 3}, {win::WPF_RESTORETOMAXIMIZED, 1, 1},
  };
  for (const Case& c : cases) {
    win::WINDOWPLACEMENT wp = samplePlacement();
    wp.flags = c.flags;
    wp.showCmd = c.showCmd;
    win::WINDOWPLACEMENT stored = PlacementForStorage(wp);
    EXPECT_EQ(stored.showCmd, c.stored) << c.flags << " " << c.showCmd;
    wp.showCmd = c.stored;
    EXPECT_TRUE(samePlacement(stored, wp));
  }
}

}  // namespace
}  // namespace virelo
