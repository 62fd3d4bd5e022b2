#include <gtest/gtest.h>

#include <fstream>

#include "platform/testing/temp_machine.h"
#include "platform/win/interaction.h"
#include "platform/win/system.h"

namespace {

using namespace win;

TEST(System, VersionAndLanguagesComeFromTheMachine) {
  sim::MachineSpec spec;
  spec.settings = *sim::SettingsForOs("98");
  spec.settings.systemLangId = 0x0804;
  spec.settings.userLangId = 0x0c04;
  kltest::TempMachine machine(spec);
  OSVERSIONINFOA v{};
  v.dwOSVersionInfoSize = sizeof v;
  ASSERT_TRUE(GetVersionExA(&v));
  EXPECT_EQ(v.dwMajorVersion, 4u);
  EXPECT_EQ(v.dwMinorVersion, 10u);
  EXPECT_EQ(v.dwPlatformId, VER_PLATFORM_WIN32_WINDOWS);
  v.dwOSVersionInfoSize = 10;
  EXPECT_FALSE(GetVersionExA(&v));
  EXPECT_EQ(GetSystemDefaultLangID(), 0x0804);
  EXPECT_EQ(GetUserDefaultLangID(), 0x0c04);
}

TEST(System, DebugOutputReachesTheSinkAndTheMachineLog) {
  kltest::TempMachine machine;
  std::string seen;
  SetDebugOutputSink([&](const std::string& text) { seen += text; });
  OutputDebugStringA("RegisterInf: 1\n");
  SetDebugOutputSink(nullptr);
  EXPECT_EQ(seen, "RegisterInf: 1\n");
  std::ifstream log(machine.folder() + "/runtime/debug.log");
  std::string line;
  std::getline(log, line);
  EXPECT_EQ(line, "RegisterInf: 1");
}

TEST(System, ShellExecuteRecordsAndFindsTheFile) {
  kltest::TempMachine machine;
  machine.writeFile("C:\\Help\\virelo.htm", "<html></html>");
  std::size_t before = RecordedShellCalls().size();
  EXPECT_GT(reinterpret_cast<std::uintptr_t>(
                ShellExecuteA(nullptr, "open", "virelo.htm", nullptr, "C:\\Help", SW_SHOWDEFAULT)),
            32u);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(ShellExecuteA(nullptr, "open", "C:\\none.exe", nullptr, nullptr, 1)),
            ERROR_FILE_NOT_FOUND);
  std::vector<ShellCall> calls = RecordedShellCalls();
  ASSERT_EQ(calls.size(), before + 2);
  EXPECT_EQ(calls[before].file, "virelo.htm");
  EXPECT_EQ(calls[before].directory, "C:\\Help");
  EXPECT_EQ(calls[before].showCmd, SW_SHOWDEFAULT);
}

TEST(Interaction, ScriptedAnswersInOrderThenDefaults) {
  auto scripted = std::make_shared<ScriptedInteraction>();
  SetInteraction(scripted);
  scripted->queueAnswer(IDYES);
  EXPECT_EQ(MessageBoxA(nullptr, "Replace?", "Virelo", MB_YESNO), IDYES);
  EXPECT_EQ(MessageBoxA(nullptr, "Again?", "Virelo", MB_YESNO), IDNO);
  EXPECT_EQ(MessageBoxA(nullptr, "Failed", "Virelo", MB_OK), IDOK);
  scripted->setStandingAnswer(IDYES);
  EXPECT_EQ(MessageBoxA(nullptr, "Third?", "Virelo", MB_YESNO), IDYES);
  ASSERT_EQ(scripted->asked().size(), 4u);
  EXPECT_EQ(scripted->asked()[0].text, "Replace?");
  SetInteraction(nullptr);
}

}  // namespace
