#include <gtest/gtest.h>

#include <cstring>

#include "platform/testing/temp_machine.h"
#include "platform/win/profile.h"

namespace {

using namespace win;

const char kIni[] =
    "; comment\r\n"
    "[VIRELO.EXE]\r\n"
    "  LANG0804 = Language\\Chinese.ini  \r\n"
    "LANGDEFAULT=\"quoted value\"\r\n"
    "lang0409=first\r\n"
    "LANG0409=second\r\n"
    "\r\n"
    "[Other]\n"
    "key=v\n";

TEST(Profile, ReadsWithWindowsSemantics) {
  kltest::TempMachine machine;
  machine.writeFile("C:\\cfg\\config.ini", kIni);
  char buf[64];
  struct Case {
    const char* section;
    const char* key;
    const char* def;
    const char* expected;
  } cases[] = {
      {"virelo.exe", "lang0804", "", "Language\\Chinese.ini"},
      {"VIRELO.EXE", "LANGDEFAULT", "", "quoted value"},
      {"VIRELO.EXE", "LANG0409", "", "first"},
      {"VIRELO.EXE", "LANG0c04", "fallback  ", "fallback"},
      {"Missing", "key", nullptr, ""},
      {"other", "KEY", "", "v"},
  };
  for (const Case& c : cases) {
    GetPrivateProfileStringA(c.section, c.key, c.def, buf, sizeof buf, "C:\\cfg\\config.ini");
    EXPECT_STREQ(buf, c.expected) << c.section << "/" << c.key;
  }
  // Cut to the buffer: nSize - 1 characters.
  EXPECT_EQ(GetPrivateProfileStringA("VIRELO.EXE", "LANG0804", "", buf, 9, "C:\\cfg\\config.ini"), 8u);
  EXPECT_STREQ(buf, "Language");
  EXPECT_EQ(GetPrivateProfileStringA("X", "Y", "default", buf, sizeof buf, "C:\\nofile.ini"), 7u);
  EXPECT_STREQ(buf, "default");
}

TEST(Profile, ListsSectionsAndKeysDoubleNulTerminated) {
  kltest::TempMachine machine;
  machine.writeFile("C:\\c.ini", kIni);
  char buf[128];
  DWORD n = GetPrivateProfileStringA(nullptr, nullptr, nullptr, buf, sizeof buf, "C:\\c.ini");
  EXPECT_EQ(n, 17u);
  EXPECT_EQ(std::string(buf, n + 1), std::string("VIRELO.EXE\0Other\0\0", 18));
  n = GetPrivateProfileStringA(nullptr, nullptr, nullptr, buf, 8, "C:\\c.ini");
  EXPECT_EQ(n, 6u);
  EXPECT_EQ(buf[6], 0);
  EXPECT_EQ(buf[7], 0);
  n = GetPrivateProfileStringA("other", nullptr, nullptr, buf, sizeof buf, "C:\\c.ini");
  EXPECT_EQ(std::string(buf, n + 1), std::string("key\0\0", 5));
}

TEST(Profile, WritesKeepOtherLinesAndCreateTheFile) {
  kltest::TempMachine machine;
  machine.writeFile("C:\\c.ini", "; keep me\r\n[A]\r\nx=1\r\n");
  ASSERT_TRUE(WritePrivateProfileStringA("a", "X", "2", "C:\\c.ini"));
  ASSERT_TRUE(WritePrivateProfileStringA("A", "y", "3", "C:\\c.ini"));
  ASSERT_TRUE(WritePrivateProfileStringA("B", "z", "4", "C:\\c.ini"));
  EXPECT_EQ(machine.readFile("C:\\c.ini"), "; keep me\r\n[A]\r\nX=2\r\ny=3\r\n\r\n[B]\r\nz=4\r\n");
  ASSERT_TRUE(WritePrivateProfileStringA("A", "X", nullptr, "C:\\c.ini"));
  ASSERT_TRUE(WritePrivateProfileStringA("B", nullptr, nullptr, "C:\\c.ini"));
  EXPECT_EQ(machine.readFile("C:\\c.ini"), "; keep me\r\n[A]\r\ny=3\r\n\r\n");
  EXPECT_EQ(GetPrivateProfileIntA("A", "y", 7, "C:\\c.ini"), 3u);
  EXPECT_EQ(GetPrivateProfileIntA("A", "none", 7, "C:\\c.ini"), 7u);
  ASSERT_TRUE(WritePrivateProfileStringA("S", "k", "v", "C:\\fresh.ini"));
  EXPECT_EQ(machine.readFile("C:\\fresh.ini"), "[S]\r\nk=v\r\n");
}

}  // namespace
