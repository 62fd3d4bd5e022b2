#include "music/core/agent_auto_start.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/testing/temp_machine.h"
#include "platform/win/registry.h"

namespace virelo {
namespace {

constexpr char kRunKey[] = "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN";

TEST(AgentAutoStart, AgentLivesInTheProgramFolder) {
  EXPECT_EQ(AgentPath("C:\\Program Files\\Virelo\\"), "C:\\Program Files\\Virelo\\Agent.exe");
}

TEST(AgentAutoStart, WriteStoresTheFullPathWithItsNul) {
  kltest::TempMachine machine;
  EXPECT_FALSE(ReadAgentAutoStart());
  const std::string path = "C:\\Program Files\\Virelo\\Agent.exe";
  ASSERT_TRUE(WriteAgentAutoStart(path));
  EXPECT_TRUE(ReadAgentAutoStart());

  win::HKEY key = nullptr;
  ASSERT_EQ(win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, kRunKey, 0, win::KEY_READ, &key), win::ERROR_SUCCESS);
  char data[300];
  win::DWORD size = sizeof data;
  win::DWORD type = 0;
  ASSERT_EQ(win::RegQueryValueExA(key, "Virelo Agent", nullptr, &type, reinterpret_cast<win::BYTE*>(data), &size),
            win::ERROR_SUCCESS);
  win::RegCloseKey(key);
  EXPECT_EQ(type, win::REG_SZ);
  EXPECT_EQ(std::string(data, size), path + '\0');
}

TEST(AgentAutoStart, DeleteRemovesOnlyTheAgentValue) {
  kltest::TempMachine machine;
  win::HKEY key = nullptr;
  ASSERT_EQ(win::RegCreateKeyExA(win::HKEY_LOCAL_MACHINE, kRunKey, 0, nullptr, 0, win::KEY_WRITE, nullptr, &key,
                                 nullptr),
            win::ERROR_SUCCESS);
  const char other[] = "C:\\other.exe";
  win::RegSetValueExA(key, "Other", 0, win::REG_SZ, reinterpret_cast<const win::BYTE*>(other), sizeof other);
  win::RegCloseKey(key);

  EXPECT_FALSE(DeleteAgentAutoStart());  // nothing to delete yet
  ASSERT_TRUE(WriteAgentAutoStart("C:\\Program Files\\Virelo\\Agent.exe"));
  EXPECT_TRUE(DeleteAgentAutoStart());
  EXPECT_FALSE(ReadAgentAutoStart());
  ASSERT_EQ(win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, kRunKey, 0, win::KEY_READ, &key), win::ERROR_SUCCESS);
  EXPECT_EQ(win::RegQueryValueExA(key, "Other", nullptr, nullptr, nullptr, nullptr), win::ERROR_SUCCESS);
  win::RegCloseKey(key);
}

}  // namespace
}  // namespace virelo
