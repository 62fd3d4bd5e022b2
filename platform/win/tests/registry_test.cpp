#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "platform/testing/temp_machine.h"
#include "platform/win/registry.h"

namespace {

using namespace win;

TEST(Registry, ValuesOfEveryKindSurviveAFreshReader) {
  kltest::TempMachine machine;
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\VIRELO", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  const BYTE blob[5] = {0, 1, '\n', 0xFF, '"'};
  DWORD number = 0x12345678;
  ASSERT_EQ(RegSetValueExA(key, "XDATA", 0, REG_BINARY, blob, sizeof blob), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, "Count", 0, REG_DWORD, reinterpret_cast<BYTE*>(&number), 4), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>("text"), 5), ERROR_SUCCESS);
  RegCloseKey(key);

  // Another machine object reads the hive from its file.
  win::SelectMachine(machine.folder());
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software\\virelo", 0, KEY_READ, &key), ERROR_SUCCESS);
  BYTE data[16];
  DWORD type = 0, size = sizeof data;
  ASSERT_EQ(RegQueryValueExA(key, "xdata", nullptr, &type, data, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_BINARY);
  ASSERT_EQ(size, 5u);
  EXPECT_EQ(std::memcmp(data, blob, 5), 0);
  size = 2;
  EXPECT_EQ(RegQueryValueExA(key, "XDATA", nullptr, &type, data, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 5u);
  size = sizeof data;
  ASSERT_EQ(RegQueryValueExA(key, "Count", nullptr, &type, data, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(std::memcmp(data, &number, 4), 0);
  size = sizeof data;
  ASSERT_EQ(RegQueryValueExA(key, "", nullptr, &type, data, &size), ERROR_SUCCESS);
  EXPECT_STREQ(reinterpret_cast<char*>(data), "text");
  EXPECT_EQ(RegQueryValueExA(key, "missing", nullptr, &type, data, &size), ERROR_FILE_NOT_FOUND);

  char name[32];
  DWORD len = sizeof name;
  std::vector<std::string> names;
  for (DWORD i = 0; len = sizeof name, size = sizeof data,
             RegEnumValueA(key, i, name, &len, nullptr, &type, data, &size) == ERROR_SUCCESS;
       ++i)
    names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{"XDATA", "Count", ""}));
  EXPECT_EQ(RegDeleteValueA(key, "count"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(key, "count"), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\VIRELO", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

TEST(Registry, KeysEnumerateInOrderAndDeleteOnlyWhenEmptyOnNt) {
  kltest::TempMachine machine;
  HKEY key;
  for (const char* sub : {"Virelo.Mp3File\\shell\\open\\command", "Virelo.Mp3File\\DefaultIcon", ".mp3"}) {
    ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, sub, &key), ERROR_SUCCESS);
    RegCloseKey(key);
  }
  std::vector<std::string> names;
  char name[64];
  DWORD len;
  for (DWORD i = 0; len = sizeof name, RegEnumKeyExA(HKEY_CLASSES_ROOT, i, name, &len, nullptr, nullptr, nullptr,
                                                     nullptr) == ERROR_SUCCESS;
       ++i)
    names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{".mp3", "Virelo.Mp3File"}));
  EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "Virelo.Mp3File\\shell"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "Virelo.Mp3File\\shell\\open\\command"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "Virelo.Mp3File\\shell\\open\\command"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "Applications\\Virelo.exe"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, "\\bad", &key), ERROR_BAD_PATHNAME);
}

TEST(Registry, NinetyEightDeletesWholeTrees) {
  sim::MachineSpec spec;
  spec.settings = *sim::SettingsForOs("98");
  kltest::TempMachine machine(spec);
  HKEY key;
  ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "A\\B\\C", &key), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "A"), ERROR_SUCCESS);
  // The open handle now names a deleted key.
  EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1), ERROR_KEY_DELETED);
  RegCloseKey(key);
}

}  // namespace
