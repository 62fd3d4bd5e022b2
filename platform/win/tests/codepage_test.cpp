#include <gtest/gtest.h>

#include "platform/win/codepage.h"

namespace {

TEST(CodePage, RoundTripsBothCodePages) {
  struct Case {
    win::UINT cp;
    std::string ansi;
    std::string utf8;
  } cases[] = {
      {936, "\xD6\xD0\xCE\xC4 abc", "\xE4\xB8\xAD\xE6\x96\x87 abc"},  // 中文
      {1252, "Caf\xE9 \x80", "Caf\xC3\xA9 \xE2\x82\xAC"},             // é and the euro sign
      {1252, "\x81", "\xC2\x81"},                                     // a hole maps to its C1 control
  };
  for (const Case& c : cases) {
    EXPECT_EQ(win::AnsiToUtf8(c.ansi, c.cp), c.utf8);
    EXPECT_EQ(win::Utf8ToAnsi(c.utf8, c.cp), c.ansi);
  }
}

TEST(CodePage, UnrepresentableAndMalformedInputIsReplaced) {
  EXPECT_EQ(win::Utf8ToAnsi("\xE4\xB8\xAD", 1252), "?");
  EXPECT_EQ(win::Utf8ToAnsi("a\xFF" "b", 1252), "a?b");
  EXPECT_EQ(win::AnsiToUtf8("\xD6", 936), "\xEF\xBF\xBD");  // a lead byte without its trail
  EXPECT_EQ(win::Utf8ToAnsi("\xF0\x9F\x8E\xB5x", 936), "?x");
}

TEST(CodePage, CaseFoldingLeavesDoubleByteCharactersAlone) {
  EXPECT_TRUE(win::AnsiEqualNoCase("Song.MP3", "song.mp3", 936));
  EXPECT_TRUE(win::AnsiEqualNoCase("\xC9t\xE9", "\xE9T\xC9", 1252));
  // 0xD6 0x61 is one character in 936: its trail byte is no letter "a".
  EXPECT_FALSE(win::AnsiEqualNoCase("\xD6\x61", "\xD6\x41", 936));
  EXPECT_TRUE(win::AnsiEqualNoCase("\xD6\x61", "\xD6\x41", 1252));
}

}  // namespace
