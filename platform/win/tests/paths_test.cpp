#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/testing/temp_machine.h"
#include "platform/win/paths.h"

namespace {

TEST(FullWindowsPath, FoldsAgainstTheCurrentFolder) {
  kltest::TempMachine machine;
  ASSERT_TRUE(std::filesystem::create_directories(machine.hostPath("C:\\") + "/Work/Sub"));
  ASSERT_TRUE(win::SetCurrentDirectoryA("C:\\Work"));
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"a.mp3", "C:\\Work\\a.mp3"},
      {"..\\b.mp3", "C:\\b.mp3"},
      {"Sub\\.\\..\\c", "C:\\Work\\c"},
      {"\\x\\y", "C:\\x\\y"},
      {"c:/Music//Song.MP3", "C:\\Music\\Song.MP3"},
      {"C:\\..\\..", "C:\\"},
      {"D:\\DATA\\", "D:\\DATA\\"},
  };
  for (const Case& c : cases) EXPECT_EQ(win::FullWindowsPath(c.in), c.out) << c.in;
  char buf[win::MAX_PATH];
  EXPECT_EQ(win::GetCurrentDirectoryA(sizeof buf, buf), 7u);
  EXPECT_STREQ(buf, "C:\\Work");
}

TEST(HostPathOf, MatchesExistingComponentsWithoutRegardToCase) {
  kltest::TempMachine machine;
  std::string root = machine.hostPath("C:\\");
  std::filesystem::create_directories(root + "/Program Files/Virelo");
  std::ofstream(root + "/Program Files/Virelo/config.ini") << "x";
  EXPECT_EQ(win::HostPathOf("c:\\PROGRAM FILES\\virelo\\CONFIG.INI"), root + "/Program Files/Virelo/config.ini");
  // What does not exist yet keeps the case the program gave.
  EXPECT_EQ(win::HostPathOf("C:\\program files\\Virelo\\New\\File.txt"),
            root + "/Program Files/Virelo/New/File.txt");
  EXPECT_EQ(win::HostPathOf("Q:\\nothing"), "");
}

TEST(HostPathOf, ConvertsNamesThroughTheCodePage) {
  sim::MachineSpec spec;
  spec.settings.codePage = 936;
  kltest::TempMachine machine(spec);
  // "音乐" in code page 936 is D2 F4 C0 D6.
  std::string name = "C:\\\xD2\xF4\xC0\xD6.mp3";
  EXPECT_EQ(win::HostPathOf(name), machine.hostPath("C:\\") + "/\xE9\x9F\xB3\xE4\xB9\x90.mp3");
  EXPECT_EQ(win::WindowsPathOf(machine.hostPath("C:\\") + "/\xE9\x9F\xB3\xE4\xB9\x90.mp3"), name);
}

TEST(WindowsPathOf, PrefersTheLongestDriveFolderAndFallsBackToZ) {
  sim::MachineSpec spec;
  spec.drives.push_back(sim::DriveSpec{'E', win::DRIVE_REMOVABLE, std::nullopt, "drives/C/player"});
  kltest::TempMachine machine(spec);
  std::string c = machine.hostPath("C:\\");
  EXPECT_EQ(win::WindowsPathOf(c + "/player/SYSTEM/x"), "E:\\SYSTEM\\x");
  EXPECT_EQ(win::WindowsPathOf(c + "/other"), "C:\\other");
  EXPECT_EQ(win::WindowsPathOf("/usr/share/../lib"), "Z:\\usr\\lib");
}

TEST(GetModuleFileName, NamesTheProgramTheMachineLists) {
  sim::MachineSpec spec;
  spec.programs.push_back(win::ProgramEntry{"Virelo", "C:\\Program Files\\Virelo\\Virelo.exe", ""});
  kltest::TempMachine machine(spec);
  win::SetProgramIdentity("Virelo");
  char buf[win::MAX_PATH];
  EXPECT_EQ(win::GetModuleFileNameA(nullptr, buf, sizeof buf), 34u);
  EXPECT_STREQ(buf, "C:\\Program Files\\Virelo\\Virelo.exe");
  char small[8];
  EXPECT_EQ(win::GetModuleFileNameA(nullptr, small, sizeof small), 7u);
  EXPECT_STREQ(small, "C:\\Prog");
  win::SetProgramIdentity("");
}

}  // namespace
