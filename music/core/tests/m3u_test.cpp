#include "music/core/m3u.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "music/core/song_group.h"
#include "music/core/tests/music_collection_test_support.h"
#include "platform/win/files.h"
#include "platform/win/system.h"

namespace virelo {
namespace {

using collectiontest::PlayerMachine;
using collectiontest::Song;

const std::string kM3u = "C:\\Lists\\my.m3u";

std::vector<std::string> read(PlayerMachine& machine, const std::string& text) {
  machine.writeFile(kM3u, text);
  std::vector<std::string> paths;
  EXPECT_TRUE(readM3u(kM3u, paths));
  return paths;
}

TEST(ReadM3u, ResolvesRelativeLinesAgainstItsFolderAndSkipsTheRest) {
  PlayerMachine machine;
  std::string text =
      "#EXTM3U\r\n"
      "#EXTINF:123,Artist - Title\r\n"
      "..\\a.mp3\r\n"
      "b.mp3\r\n"
      "C:\\x.mp3\r\n"
      "\\x.mp3\r\n"
      "http://radio.example/stream\r\n"
      "rtp://239.0.0.1:5004\r\n"
      "file://C:/y.mp3\r\n"
      "     \r\n"
      "\r\n"
      "sub\\c.mp3  \t\r\n"
      "D:/d.mp3\r\n"
      "  lead.mp3\n"
      "last.mp3";
  EXPECT_EQ(read(machine, text), (std::vector<std::string>{
                                     "C:\\Lists\\..\\a.mp3",
                                     "C:\\Lists\\b.mp3",
                                     "C:\\x.mp3",
                                     "\\x.mp3",
                                     "C:\\Lists\\sub\\c.mp3",
                                     "C:\\Lists\\D:/d.mp3",
                                     "C:\\Lists\\  lead.mp3",
                                     "C:\\Lists\\last.mp3",
                                 }));
}

TEST(ReadM3u, ALineTooLongForThePathLimitIsSkippedWhole) {
  PlayerMachine machine;
  std::string longest(259, 'x');
  std::string tooLong(300, 'y');
  std::string text = tooLong + "\r\n" + "C:\\" + longest.substr(3) + "      \r\n" + "after.mp3\r\n" + "C:\\" +
                     std::string(256, 'z') + "\r\n";
  EXPECT_EQ(read(machine, text), (std::vector<std::string>{
                                     "C:\\" + longest.substr(3),
                                     "C:\\Lists\\after.mp3",
                                     "C:\\" + std::string(256, 'z'),
                                 }));
}

TEST(ReadM3u, ANulByteEndsTheTextButNotTheLine) {
  PlayerMachine machine;
  EXPECT_EQ(read(machine, std::string("ab\0cd\r\nef\r\n", 11)),
            (std::vector<std::string>{"C:\\Lists\\ab", "C:\\Lists\\ef"}));
}

TEST(ReadM3u, FailsWhenTheFileCannotBeOpened) {
  PlayerMachine machine;
  std::vector<std::string> paths{"left over"};
  EXPECT_FALSE(readM3u("C:\\Lists\\none.m3u", paths));
  EXPECT_TRUE(paths.empty());
}

std::string header(const win::SYSTEMTIME& t) {
  char text[64];
  std::snprintf(text, sizeof text, "#Build by Virelo %i-%i-%i %02i:%02i\r\n\r\n", t.wYear, t.wMonth, t.wDay, t.wHour,
                t.wMinute);
  return text;
}

TEST(WriteM3u, WritesTheHeaderThenOnePathPerMemberWithCrLf) {
  PlayerMachine machine;
  SongRecord a = Song("C:\\Music\\a.mp3");
  SongRecord b = Song("E:\\SYSTEM\\MP3\\b b.mp3");
  SongGroup group(CollectionKind::PcLibrary, GroupKind::UserList, "Mix");
  group.add(&b);
  group.add(&a);
  machine.writeFile("C:\\Lists\\out.m3u", std::string(1000, 'o'));

  win::SYSTEMTIME before{}, after{};
  win::GetLocalTime(&before);
  ASSERT_TRUE(writeM3u(group, "C:\\Lists\\out.m3u"));
  win::GetLocalTime(&after);
  std::string body = "E:\\SYSTEM\\MP3\\b b.mp3\r\nC:\\Music\\a.mp3\r\n";
  std::string written = machine.readFile("C:\\Lists\\out.m3u");
  EXPECT_TRUE(written == header(before) + body || written == header(after) + body) << written;

  // What it writes reads back as the same paths.
  std::vector<std::string> paths;
  ASSERT_TRUE(readM3u("C:\\Lists\\out.m3u", paths));
  EXPECT_EQ(paths, (std::vector<std::string>{"E:\\SYSTEM\\MP3\\b b.mp3", "C:\\Music\\a.mp3"}));
  EXPECT_FALSE(writeM3u(group, "C:\\No\\Such\\out.m3u"));
}

}  // namespace
}  // namespace virelo
