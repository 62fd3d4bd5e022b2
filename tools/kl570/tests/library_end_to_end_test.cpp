// kl570 as a user runs it: a machine, MP3 files made by the kit, the PC
// library saved through `kl570 library add`, and its VIRELO.LST read back
// here field by field and checked against ffprobe.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tools/kl570/tests/run_kl570.h"

namespace {

namespace fs = std::filesystem;

using kl570_test::CommandRun;
using kl570_test::ReadAll;
using kl570_test::ShellQuoted;

std::int32_t le32(const std::string& b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
  return static_cast<std::int32_t>(v);
}
int le16(const std::string& b, std::size_t at) {
  return static_cast<std::int16_t>(static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8));
}
std::string cText(const std::string& b, std::size_t at, std::size_t width) {
  std::string s = b.substr(at, width);
  return s.substr(0, s.find('\0'));
}

// The audio bytes of an MP3 file: all but its ID3v2 tag in front and its
// ID3v1 tag at the end.
std::int64_t audioBytes(const std::string& file) {
  std::int64_t size = static_cast<std::int64_t>(file.size());
  std::int64_t front = 0;
  if (file.compare(0, 3, "ID3") == 0) {
    front = 10;
    for (int i = 6; i < 10; ++i) front += static_cast<std::int64_t>(file[static_cast<std::size_t>(i)] & 0x7F) << (7 * (9 - i));
  }
  std::int64_t back = size >= 128 && file.compare(file.size() - 128, 3, "TAG") == 0 ? 128 : 0;
  return size - front - back;
}

class LibraryEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("kl570-e2e-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  CommandRun kl570(const std::string& args) {
    return kl570_test::Run(std::string(KL570_TOOL) + " --machine " + ShellQuoted(folder_.string()) + " " + args);
  }

  fs::path folder_;
};

TEST_F(LibraryEndToEnd, ListFileDecodesToWhatFfprobeReports) {
  ASSERT_EQ(kl570_test::Run(std::string(KL570_TOOL) + " machine init " + ShellQuoted(folder_.string()) + " --os xp").status, 0);
  const std::string longTitle(40, 'T');
  ASSERT_EQ(kl570("make-mp3 'C:\\Music\\a.mp3' --seconds 2 --bitrate 128 --title " + longTitle +
                  " --artist 'Anna Vale' --album First --genre 13")
                .status,
            0);
  ASSERT_EQ(kl570("make-mp3 'C:\\Music\\b.mp3' --seconds 3 --bitrate 64 --rate 22050 --title Second --genre 200")
                .status,
            0);
  std::ofstream(folder_ / "drives/C/Music/a.LRC") << "[00:00.00]la\r\n";
  CommandRun added = kl570("library add 'C:\\Music'");
  ASSERT_EQ(added.status, 0) << added.out;

  std::string lst = ReadAll(folder_ / "drives/C/Program Files/Virelo/DATA/VIRELO.LST");
  ASSERT_GE(lst.size(), 116u + 2 * 386u);
  EXPECT_EQ(lst.substr(0, 4), "LIST");
  EXPECT_EQ(le16(lst, 4), 1);
  EXPECT_EQ(le16(lst, 6), 116);
  EXPECT_EQ(le16(lst, 8), 386);
  EXPECT_EQ(lst.substr(10, 12), std::string("KFZ DEFINED\0", 12));
  ASSERT_EQ(le16(lst, 74), 2);

  for (int i = 0; i < 2; ++i) {
    std::size_t at = 116 + static_cast<std::size_t>(i) * 386;
    std::string path = cText(lst, at, 260);
    ASSERT_TRUE(path == "C:\\Music\\a.mp3" || path == "C:\\Music\\b.mp3") << path;
    bool first = path.back() == '3' && path[path.size() - 5] == 'a';
    fs::path host = folder_ / "drives/C/Music" / (first ? "a.mp3" : "b.mp3");
    std::string file = ReadAll(host);
    EXPECT_EQ(lst[at + 264], 9) << "name offset";
    EXPECT_EQ(le32(lst, at + 260), 0);
    std::int32_t bitRate = le32(lst, at + 369), sampleRate = le32(lst, at + 373);
    CommandRun probe = kl570_test::Run("ffprobe -v error -select_streams a:0 -show_entries stream=bit_rate,sample_rate -of "
                    "default=nw=1:nk=1 " + ShellQuoted(host.string()));
    ASSERT_EQ(probe.status, 0) << probe.out;
    int probedRate = 0;
    long probedBits = 0;
    ASSERT_EQ(std::sscanf(probe.out.c_str(), "%d %ld", &probedRate, &probedBits), 2) << probe.out;
    EXPECT_EQ(sampleRate, probedRate);
    EXPECT_EQ(bitRate, probedBits);
    EXPECT_EQ(le32(lst, at + 377), static_cast<std::int32_t>(file.size()));
    EXPECT_EQ(le32(lst, at + 365), static_cast<std::int32_t>(audioBytes(file) * 1000 / (bitRate / 8)));
    EXPECT_EQ(cText(lst, at + 265, 32), first ? longTitle.substr(0, 30) : "Second");
    EXPECT_EQ(lst[at + 265 + 30], '\0');
    EXPECT_EQ(cText(lst, at + 297, 32), first ? "Anna Vale" : "");
    EXPECT_EQ(cText(lst, at + 329, 32), first ? "First" : "");
    EXPECT_EQ(le32(lst, at + 361), first ? 13 : -1);
    EXPECT_EQ(lst[at + 381], first ? 1 : 0) << "lyrics";
    EXPECT_EQ(lst[at + 385], 0);
  }

  // Adding the same folder again adds nothing; removing a song drops it.
  CommandRun again = kl570("library add 'C:\\Music'");
  EXPECT_NE(again.out.find("0 added"), std::string::npos) << again.out;
  ASSERT_EQ(kl570("library remove 'C:\\Music\\b.mp3'").status, 0);
  lst = ReadAll(folder_ / "drives/C/Program Files/Virelo/DATA/VIRELO.LST");
  EXPECT_EQ(le16(lst, 74), 1);
}

TEST_F(LibraryEndToEnd, ChineseTagsKeepCodePage936Bytes) {
  ASSERT_EQ(kl570_test::Run(std::string(KL570_TOOL) + " machine init " + ShellQuoted(folder_.string()) + " --lang 0804").status, 0);
  CommandRun shown = kl570("machine show --json");
  EXPECT_NE(shown.out.find("\"codePage\":936"), std::string::npos) << shown.out;
  // 中文歌 in UTF-8 on the command line; D6 D0 CE C4 B8 E8 in the tag.
  ASSERT_EQ(kl570("make-mp3 'C:\\音乐\\歌.mp3' --seconds 1 --title 中文歌").status, 0);
  ASSERT_TRUE(fs::exists(folder_ / "drives/C/音乐/歌.mp3"));
  ASSERT_EQ(kl570("library add 'C:\\音乐'").status, 0);
  std::string lst = ReadAll(folder_ / "drives/C/Program Files/Virelo/DATA/VIRELO.LST");
  ASSERT_GE(lst.size(), 116u + 386u);
  EXPECT_EQ(cText(lst, 116, 260), "C:\\\xD2\xF4\xC0\xD6\\\xB8\xE8.mp3");
  EXPECT_EQ(cText(lst, 116 + 265, 32), "\xD6\xD0\xCE\xC4\xB8\xE8");
  CommandRun dump = kl570("lst dump 'C:\\Program Files\\Virelo\\DATA\\VIRELO.LST' --json");
  EXPECT_NE(dump.out.find("\"title\":\"中文歌\""), std::string::npos) << dump.out;
  CommandRun attrib = kl570("attrib 'C:\\音乐\\歌.mp3'");
  EXPECT_EQ(attrib.out, "---A C:\\音乐\\歌.mp3\n");
}

}  // namespace
