#include "music/core/help_file.h"

#include <gtest/gtest.h>

#include "music/core/tests/virelo_app_test_machine.h"
#include "platform/win/system.h"

namespace virelo {
namespace {

using testing::kProgramFolder;
using testing::VireloMachine;

TEST(HelpFile, HelpOpensTheLanguagesFileInItsOwnFolder) {
  VireloMachine machine(0x0804);
  machine.writeFile(kProgramFolder + "config.ini",
                    "[VIRELO.EXE]\r\nHELP0804=Help\\Chinese.htm\r\nHELPDEFAULT=Help\\English.htm\r\n");
  machine.writeFile(kProgramFolder + "Help\\Chinese.htm", "<html></html>");
  std::size_t before = win::RecordedShellCalls().size();
  EXPECT_TRUE(ShowHelp(nullptr, kProgramFolder, 0x0804));
  auto calls = win::RecordedShellCalls();
  ASSERT_EQ(calls.size(), before + 1);
  EXPECT_EQ(calls.back().operation, "open");
  EXPECT_EQ(calls.back().file, "Chinese.htm");
  EXPECT_EQ(calls.back().parameters, "");
  EXPECT_EQ(calls.back().directory, "C:\\Program Files\\Virelo\\Help");
  EXPECT_EQ(calls.back().showCmd, win::SW_SHOWDEFAULT);
}

TEST(HelpFile, OtherLanguagesUseTheDefaultHelp) {
  VireloMachine machine(0x0c04);
  machine.writeFile(kProgramFolder + "config.ini",
                    "[VIRELO.EXE]\r\nHELP0804=Help\\Chinese.htm\r\nHELP0c04=\r\nHELPDEFAULT=English.htm\r\n");
  EXPECT_EQ(HelpFilePath(kProgramFolder, 0x0c04), kProgramFolder + "English.htm");
  // The file is missing: the shell's own failure.
  EXPECT_FALSE(ShowHelp(nullptr, kProgramFolder, 0x0c04));
  EXPECT_EQ(win::RecordedShellCalls().back().directory, "C:\\Program Files\\Virelo");
}

TEST(HelpFile, NoHelpNamedOpensNothing) {
  VireloMachine machine;
  machine.writeFile(kProgramFolder + "config.ini", "[VIRELO.EXE]\r\nLANGDEFAULT=en.ini\r\n");
  std::size_t before = win::RecordedShellCalls().size();
  EXPECT_EQ(HelpFilePath(kProgramFolder, 0x0409), "");
  EXPECT_FALSE(ShowHelp(nullptr, kProgramFolder, 0x0409));
  EXPECT_EQ(win::RecordedShellCalls().size(), before);
}

}  // namespace
}  // namespace virelo
