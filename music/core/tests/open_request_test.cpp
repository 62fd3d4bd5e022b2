#include "music/core/open_request.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace virelo {
namespace {

TEST(OpenRequest, ParseAndCheckTable) {
  struct Case {
    std::string commandLine;
    std::optional<std::string> parsed;  // ParseOpenRequest
    bool songFile;                      // OpenRequestFile gives the same path
  };
  const Case cases[] = {
      {"/open \"C:\\My Music\\a song.mp3\"", "C:\\My Music\\a song.mp3", true},
      {"/OPEN \"C:\\My Music\\a song.mp3\"", "C:\\My Music\\a song.mp3", true},
      {"/Open C:\\Music\\b.WMA", "C:\\Music\\b.WMA", true},
      {"/open    \t\"C:\\x.Mp3\"", "C:\\x.Mp3", true},
      {"/open\"C:\\x.mp3\"", "C:\\x.mp3", true},
      {"/open \"C:\\x.mp3", "C:\\x.mp3", true},
      {"/open C:\\x.mp3\"", "C:\\x.mp3", true},
      {"/open \"\"C:\\x.mp3\"\"", "\"C:\\x.mp3\"", false},  // only one quote goes at each end
      {"/open \"C:\\My Music\\a.wav\"", "C:\\My Music\\a.wav", false},
      {"/open C:\\a.mp3x", "C:\\a.mp3x", false},
      {"/open C:\\a.mp3\\song", "C:\\a.mp3\\song", false},
      {"/open C:\\mp3", "C:\\mp3", false},
      {"/play \"C:\\a.mp3\"", std::nullopt, false},
      {"open \"C:\\a.mp3\"", std::nullopt, false},
      {"\"C:\\a.mp3\"", std::nullopt, false},
      {"/ope", std::nullopt, false},
      {"/open", std::nullopt, false},
      {"/open   ", std::nullopt, false},
      {"/open \"\"", std::nullopt, false},
      {"", std::nullopt, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseOpenRequest(c.commandLine), c.parsed) << c.commandLine;
    EXPECT_EQ(OpenRequestFile(c.commandLine), c.songFile ? c.parsed : std::nullopt) << c.commandLine;
  }
}

TEST(OpenRequest, PathsLongerThanASongRecordHoldsAreRefused) {
  const std::string fits = "C:\\" + std::string(252, 'a') + ".mp3";  // 259 characters
  ASSERT_EQ(fits.size(), 259u);
  EXPECT_EQ(OpenRequestFile("/open \"" + fits + "\""), fits);
  std::string tooLong = "C:\\" + std::string(253, 'a') + ".mp3";
  EXPECT_EQ(OpenRequestFile("/open \"" + tooLong + "\""), std::nullopt);
  EXPECT_EQ(OpenRequestFile("/open " + std::string(100000, 'x') + ".mp3"), std::nullopt);
}

TEST(OpenRequest, CopyDataTextEndsAtItsNulOrItsLength) {
  const char withNul[] = "/open C:\\a.mp3\0junk";
  EXPECT_EQ(CommandLineFromCopyData(withNul, sizeof withNul), "/open C:\\a.mp3");
  const char noNul[5] = {'/', 'o', 'p', 'e', 'n'};
  EXPECT_EQ(CommandLineFromCopyData(noNul, sizeof noNul), "/open");
  EXPECT_EQ(CommandLineFromCopyData(nullptr, 10), "");
  EXPECT_EQ(CommandLineFromCopyData(withNul, 0), "");
}

}  // namespace
}  // namespace virelo
