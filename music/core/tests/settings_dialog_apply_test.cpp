#include "music/core/settings_dialog_apply.h"

#include <gtest/gtest.h>

#include "music/core/agent_auto_start.h"
#include "music/core/mp3_association.h"
#include "music/core/tests/virelo_app_test_machine.h"
#include "platform/win/registry.h"
#include "platform/win/system.h"

namespace virelo {
namespace {

using testing::kProgramFolder;
using testing::kProgramPath;
using testing::VireloMachine;

TEST(SettingsDialogApply, InitialStatesComeFromMemoryAndRegistry) {
  VireloMachine machine;
  VireloApp app;
  app.autoDownloadLyrics = 0;
  EXPECT_EQ(InitialSettingsChoices(app), (SettingsChoices{false, false, true, false}));
  ASSERT_TRUE(RegisterMp3Association(kProgramPath));
  ASSERT_TRUE(WriteAgentAutoStart(AgentPath(kProgramFolder)));
  app.autoPlayLyrics = 0;
  app.autoDownloadLyrics = 1;
  EXPECT_EQ(InitialSettingsChoices(app), (SettingsChoices{true, true, false, true}));
}

TEST(SettingsDialogApply, CheckedBoxesStartAgentAndRegisterTheAssociation) {
  VireloMachine machine;
  VireloApp app;
  app.autoPlayLyrics = 0;
  std::size_t before = win::RecordedShellCalls().size();
  ApplySettingsChoices(app, SettingsChoices{true, true, true, false}, nullptr);
  EXPECT_EQ(app.autoPlayLyrics, 1u);
  EXPECT_EQ(app.autoDownloadLyrics, 0u);
  auto calls = win::RecordedShellCalls();
  ASSERT_EQ(calls.size(), before + 1);
  EXPECT_EQ(calls.back().operation, "open");
  EXPECT_EQ(calls.back().file, kProgramFolder + "Agent.exe");
  EXPECT_EQ(calls.back().showCmd, win::SW_SHOWNORMAL);
  EXPECT_TRUE(ReadAgentAutoStart());
  EXPECT_TRUE(IsMp3Associated());
  EXPECT_EQ(InitialSettingsChoices(app), (SettingsChoices{true, true, true, false}));
}

TEST(SettingsDialogApply, ClearedBoxesDeleteTheEntryAndUnregister) {
  VireloMachine machine;
  VireloApp app;
  ApplySettingsChoices(app, SettingsChoices{true, true, true, true}, nullptr);
  std::size_t before = win::RecordedShellCalls().size();
  ApplySettingsChoices(app, SettingsChoices{false, false, false, false}, nullptr);
  EXPECT_EQ(win::RecordedShellCalls().size(), before);  // Agent is not started
  EXPECT_FALSE(ReadAgentAutoStart());
  EXPECT_FALSE(IsMp3Associated());
  win::HKEY key = nullptr;
  EXPECT_NE(win::RegOpenKeyExA(win::HKEY_CLASSES_ROOT, "Virelo.Mp3File", 0, win::KEY_READ, &key), win::ERROR_SUCCESS);
  EXPECT_EQ(InitialSettingsChoices(app), (SettingsChoices{false, false, false, false}));
}

TEST(SettingsDialogApply, AnotherProgramsAssociationIsLeftAloneWhenUnchecked) {
  VireloMachine machine;
  win::HKEY key = nullptr;
  ASSERT_EQ(win::RegCreateKeyExA(win::HKEY_CLASSES_ROOT, ".mp3", 0, nullptr, 0, win::KEY_WRITE, nullptr, &key, nullptr),
            win::ERROR_SUCCESS);
  const char other[] = "WMP.Mp3File";
  win::RegSetValueExA(key, nullptr, 0, win::REG_SZ, reinterpret_cast<const win::BYTE*>(other), sizeof other);
  win::RegCloseKey(key);
  VireloApp app;
  ApplySettingsChoices(app, SettingsChoices{false, false, true, true}, nullptr);
  ASSERT_EQ(win::RegOpenKeyExA(win::HKEY_CLASSES_ROOT, ".mp3", 0, win::KEY_READ, &key), win::ERROR_SUCCESS);
  char data[32] = {};
  win::DWORD size = sizeof data;
  EXPECT_EQ(win::RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<win::BYTE*>(data), &size),
            win::ERROR_SUCCESS);
  win::RegCloseKey(key);
  EXPECT_STREQ(data, other);
}

}  // namespace
}  // namespace virelo
