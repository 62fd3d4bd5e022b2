#include "music/core/mp3_association.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/testing/temp_machine.h"
#include "platform/win/registry.h"

namespace virelo {
namespace {

const std::string kProgram = "C:\\Program Files\\Virelo\\Virelo.exe";

bool keyExists(const char* path) {
  win::HKEY key = nullptr;
  if (win::RegOpenKeyExA(win::HKEY_CLASSES_ROOT, path, 0, win::KEY_READ, &key) != win::ERROR_SUCCESS) return false;
  win::RegCloseKey(key);
  return true;
}

// The default value of a key as stored (its terminating NUL kept), or nothing.
std::optional<std::string> defaultValue(const char* path, win::DWORD* type = nullptr) {
  win::HKEY key = nullptr;
  if (win::RegOpenKeyExA(win::HKEY_CLASSES_ROOT, path, 0, win::KEY_READ, &key) != win::ERROR_SUCCESS)
    return std::nullopt;
  char data[512];
  win::DWORD size = sizeof data;
  win::LONG rc = win::RegQueryValueExA(key, nullptr, nullptr, type, reinterpret_cast<win::BYTE*>(data), &size);
  win::RegCloseKey(key);
  if (rc != win::ERROR_SUCCESS) return std::nullopt;
  return std::string(data, size);
}

void setDefault(const char* path, const std::string& text) {
  win::HKEY key = nullptr;
  ASSERT_EQ(win::RegCreateKeyExA(win::HKEY_CLASSES_ROOT, path, 0, nullptr, 0, win::KEY_WRITE, nullptr, &key, nullptr),
            win::ERROR_SUCCESS);
  win::RegSetValueExA(key, nullptr, 0, win::REG_SZ, reinterpret_cast<const win::BYTE*>(text.c_str()),
                      static_cast<win::DWORD>(text.size() + 1));
  win::RegCloseKey(key);
}

TEST(Mp3Association, OpenCommandQuotesTheProgramAndKeepsPercentL) {
  EXPECT_EQ(Mp3OpenCommand(kProgram), "\"C:\\Program Files\\Virelo\\Virelo.exe\" /open \"%L\"");
}

TEST(Mp3Association, RegisterWritesTheFourDefaultValues) {
  kltest::TempMachine machine;
  ASSERT_TRUE(RegisterMp3Association(kProgram));
  const std::string command = std::string("\"") + kProgram + "\" /open \"%L\"" + '\0';
  win::DWORD type = 0;
  EXPECT_EQ(defaultValue(".mp3", &type), std::string("Virelo.Mp3File") + '\0');
  EXPECT_EQ(type, win::REG_SZ);
  EXPECT_EQ(defaultValue("Virelo.Mp3File\\DefaultIcon"), kProgram + ",-128" + '\0');
  EXPECT_EQ(defaultValue("Virelo.Mp3File\\shell\\open\\command"), command);
  EXPECT_EQ(defaultValue("Virelo.Mp3File\\shell\\Play with Virelo\\command"), command);
  EXPECT_TRUE(IsMp3Associated());
}

TEST(Mp3Association, AssociatedOnlyWhenMp3NamesVireloExactly) {
  struct Case {
    std::optional<std::string> value;
    bool associated;
  };
  const Case cases[] = {
      {std::nullopt, false},       {"Virelo.Mp3File", true},      {"virelo.mp3file", false},
      {"Virelo.Mp3File ", false},  {"Virelo.Mp3", false},          {"WMP.Mp3File", false},
      {"", false},                 {std::string(300, 'V'), false},
  };
  for (const Case& c : cases) {
    kltest::TempMachine machine;
    if (c.value) setDefault(".mp3", *c.value);
    EXPECT_EQ(IsMp3Associated(), c.associated) << (c.value ? *c.value : "(none)");
  }
}

TEST(Mp3Association, UnregisterWithoutApplicationsKeysRemovesOwnKeysAndFails) {
  kltest::TempMachine machine;
  ASSERT_TRUE(RegisterMp3Association(kProgram));
  EXPECT_FALSE(UnregisterMp3Association());
  EXPECT_FALSE(IsMp3Associated());
  EXPECT_FALSE(defaultValue(".mp3"));
  EXPECT_TRUE(keyExists(".mp3"));  // only its default value goes
  EXPECT_FALSE(keyExists("Virelo.Mp3File"));
}

TEST(Mp3Association, UnregisterRemovesApplicationsKeysWhenTheyExist) {
  kltest::TempMachine machine;
  ASSERT_TRUE(RegisterMp3Association(kProgram));
  setDefault("Applications\\Virelo.exe\\shell\\open\\command", Mp3OpenCommand(kProgram));
  setDefault("Applications\\Virelo.exe\\shell\\Play with Virelo\\command", Mp3OpenCommand(kProgram));
  EXPECT_TRUE(UnregisterMp3Association());
  EXPECT_FALSE(keyExists("Virelo.Mp3File"));
  EXPECT_FALSE(keyExists("Applications\\Virelo.exe"));
  EXPECT_TRUE(keyExists("Applications"));
}

TEST(Mp3Association, UnregisterStopsAtTheFirstKeyThatCannotBeDeleted) {
  kltest::TempMachine machine;
  ASSERT_TRUE(RegisterMp3Association(kProgram));
  // open\command is missing, so nothing after it is touched.
  setDefault("Applications\\Virelo.exe\\shell\\Play with Virelo\\command", Mp3OpenCommand(kProgram));
  EXPECT_FALSE(UnregisterMp3Association());
  EXPECT_FALSE(keyExists("Virelo.Mp3File"));
  EXPECT_TRUE(keyExists("Applications\\Virelo.exe\\shell\\Play with Virelo\\command"));
}

}  // namespace
}  // namespace virelo
