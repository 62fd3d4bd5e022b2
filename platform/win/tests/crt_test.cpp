#include <gtest/gtest.h>

#include "platform/testing/temp_machine.h"
#include "platform/win/crt.h"

namespace {

namespace crt = win::crt;

TEST(Crt, TextModeWritesCrLfAndDoublesAnExplicitCr) {
  kltest::TempMachine machine;
  crt::FILE* f = crt::fopen("C:\\PLAYERINFO", "a");
  ASSERT_NE(f, nullptr);
  crt::fprintf(f, "VID=0x%.4x\r\nNAME=\"%s\"\n", 0x1b3f, "KL570");
  crt::fclose(f);
  EXPECT_EQ(machine.readFile("C:\\PLAYERINFO"), "VID=0x1b3f\r\r\nNAME=\"KL570\"\r\n");
  f = crt::fopen("C:\\PLAYERINFO", "a");
  crt::fputs("more\n", f);
  crt::fclose(f);
  EXPECT_EQ(machine.readFile("C:\\PLAYERINFO"), "VID=0x1b3f\r\r\nNAME=\"KL570\"\r\nmore\r\n");
}

TEST(Crt, TextModeReadsCrLfAsLfAndStopsAtCtrlZ) {
  kltest::TempMachine machine;
  machine.writeFile("C:\\t.txt", std::string("one\r\ntwo\r\r\nthree\x1A" "after", 22));
  crt::FILE* f = crt::fopen("C:\\t.txt", "r");
  ASSERT_NE(f, nullptr);
  char line[8];
  std::vector<std::string> lines;
  while (crt::fgets(line, sizeof line, f)) lines.push_back(line);
  EXPECT_TRUE(crt::feof(f));
  crt::fclose(f);
  EXPECT_EQ(lines, (std::vector<std::string>{"one\n", "two\r\n", "three"}));

  f = crt::fopen("C:\\t.txt", "rb");
  char all[32];
  EXPECT_EQ(crt::fread(all, 1, sizeof all, f), 22u);
  crt::fclose(f);
}

TEST(Crt, FgetsSplitsLinesLongerThanTheBuffer) {
  kltest::TempMachine machine;
  machine.writeFile("C:\\long.txt", std::string(10, 'x') + "\n");
  crt::FILE* f = crt::fopen("C:\\long.txt", "r");
  char part[4];
  std::vector<std::string> parts;
  while (crt::fgets(part, sizeof part, f)) parts.push_back(part);
  crt::fclose(f);
  EXPECT_EQ(parts, (std::vector<std::string>{"xxx", "xxx", "xxx", "x\n"}));
  EXPECT_EQ(crt::fopen("C:\\missing.txt", "r"), nullptr);
}

}  // namespace
