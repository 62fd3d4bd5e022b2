#include "music/core/virelo_app.h"

#include <gtest/gtest.h>

#include "music/core/tests/virelo_app_test_machine.h"

namespace virelo {
namespace {

using testing::kProgramFolder;
using testing::kProgramPath;
using testing::VireloMachine;

TEST(VireloApp, TakesTheRunningProgramsFolderAndSystemLanguage) {
  VireloMachine machine(0x0804);
  machine.writeFile(kProgramFolder + "config.ini",
                    "[VIRELO.EXE]\r\nLANG0804=Language\\Chinese.ini\r\nLANGDEFAULT=Language\\English.ini\r\n");
  machine.writeFile(kProgramFolder + "Language\\Chinese.ini", "[STR]\r\n1=zh-ok\r\n");
  machine.writeFile(kProgramFolder + "Language\\English.ini", "[STR]\r\n1=OK\r\n");
  VireloApp app;
  EXPECT_EQ(app.programPath(), kProgramPath);
  EXPECT_EQ(app.programFolder(), kProgramFolder);
  EXPECT_EQ(app.systemLanguage(), 0x0804);
  EXPECT_EQ(app.texts().languageFile(), kProgramFolder + "Language\\Chinese.ini");
  EXPECT_STREQ(app.LanguageText(1), "zh-ok");
  EXPECT_STREQ(app.MenuText(1100), "");
  EXPECT_EQ(app.LanguageText(3), nullptr);
  EXPECT_EQ(app.autoPlayLyrics, 1u);
  EXPECT_EQ(app.autoDownloadLyrics, 1u);
}

TEST(VireloApp, ProgramFolderKeepsItsTrailingBackslash) {
  VireloMachine machine;
  EXPECT_EQ(VireloApp("D:\\Virelo.exe", 0x0409).programFolder(), "D:\\");
  EXPECT_EQ(VireloApp("Virelo.exe", 0x0409).programFolder(), "");
}

TEST(VireloApp, CommandLineMessageId) { EXPECT_EQ(kCommandLineCopyData, 0xB2859u); }

}  // namespace
}  // namespace virelo
