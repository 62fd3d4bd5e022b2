#include "music/core/record_builder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "music/core/tests/record_builder_files.h"
#include "platform/media/fake_backend.h"
#include "platform/testing/temp_machine.h"

namespace {

using recordtest::Id3v1Tag;
using recordtest::Id3v2Tag;
using recordtest::Id3v2Size;
using recordtest::LameMp3;
using virelo::BuildSongRecord;
using virelo::SongRecord;

// The record is packed: its int32 fields are read by value (+record.x),
// never bound to a reference.

// Two seconds at 128 kbit/s, 44100 Hz: plain frames, no tag, no Xing header.
const char* const kPlainCbr = "-b 128 --cbr -t";

std::int64_t CbrDurationMs(std::int64_t audioBytes, std::int64_t bitRate) { return audioBytes * 1000 / (bitRate / 8); }

class RecordBuilderTest : public testing::Test {
 protected:
  // Writes a file and builds its record; the build must succeed.
  SongRecord built(const std::string& path, const std::string& bytes) {
    machine.writeFile(path, bytes);
    SongRecord record;
    std::memset(&record, 0x5A, sizeof record);
    EXPECT_TRUE(BuildSongRecord(path, record)) << path;
    return record;
  }

  kltest::TempMachine machine;
};

TEST_F(RecordBuilderTest, ReadsTheHeaderAndTagsOfAFileTaggedByLame) {
  std::string bytes = LameMp3("-b 128 --cbr --tt Title --ta Artist --tl Album --tg Rock");
  ASSERT_GT(bytes.size(), 20000u);
  ASSERT_EQ(bytes.compare(bytes.size() - 128, 3, "TAG"), 0);  // lame writes both tags
  SongRecord record = built("C:\\Music\\song.mp3", bytes);

  EXPECT_STREQ(record.path, "C:\\Music\\song.mp3");
  EXPECT_EQ(record.nameOffset, 9);
  EXPECT_EQ(+record.fileNumber, 0);
  EXPECT_STREQ(record.title, "Title");
  EXPECT_STREQ(record.artist, "Artist");
  EXPECT_STREQ(record.album, "Album");
  EXPECT_EQ(+record.genre, 17);  // LAME names the genre; "Rock" is number 17
  EXPECT_EQ(+record.bitRate, 128000);
  EXPECT_EQ(+record.sampleRate, 44100);
  EXPECT_EQ(+record.fileSize, static_cast<std::int32_t>(bytes.size()));
  std::int64_t audioBytes = static_cast<std::int64_t>(bytes.size() - Id3v2Size(bytes) - 128);
  EXPECT_EQ(+record.durationMs, CbrDurationMs(audioBytes, 128000));
  EXPECT_EQ(record.hasLyrics, 0);
  EXPECT_EQ(record.cdTrack, 0);
  const std::uint8_t zero[3] = {};
  EXPECT_EQ(std::memcmp(record.reserved, zero, 3), 0);
  for (std::size_t i = std::strlen(record.path); i < sizeof record.path; ++i) ASSERT_EQ(record.path[i], 0) << i;
}

TEST_F(RecordBuilderTest, TakesTheArtistFromLeadArtistElseBandConductorOrComposer) {
  struct Case {
    std::vector<std::pair<std::string, std::string>> frames;
    const char* artist;
  };
  const Case cases[] = {
      {{{"TPE1", "Lead"}, {"TPE2", "Band"}, {"TCOM", "Composer"}}, "Lead"},
      {{{"TCOM", "Composer"}, {"TPE2", "Band"}}, "Band"},
      {{{"TCOM", "Composer"}, {"TPE3", "Conductor"}}, "Conductor"},
      {{{"TCOM", "Composer"}}, "Composer"},
      {{{"TIT2", "Only a title"}}, ""},
  };
  for (const Case& c : cases) {
    SongRecord record = built("C:\\Music\\artist.mp3", Id3v2Tag(c.frames) + LameMp3(kPlainCbr));
    EXPECT_STREQ(record.artist, c.artist);
  }
}

TEST_F(RecordBuilderTest, KeepsAGenreOnlyWhenItIsAListedNumber) {
  struct Case {
    std::string tag;
    bool atEnd;  // an ID3v1 tag goes after the audio
    std::int32_t genre;
  };
  const Case cases[] = {
      {Id3v2Tag({{"TCON", "(0)"}}), false, 0},
      {Id3v2Tag({{"TCON", "(147)"}}), false, 147},
      {Id3v2Tag({{"TCON", "(148)"}}), false, -1},
      {Id3v2Tag({{"TCON", "(255)"}}), false, -1},
      {Id3v2Tag({{"TCON", "(99999999999)"}}), false, -1},
      {Id3v2Tag({{"TCON", "Synthpop"}}), false, 147},
      {Id3v2Tag({{"TCON", "Garage Noise"}}), false, -1},
      {Id3v2Tag({{"TIT2", "No genre"}}), false, -1},
      {Id3v1Tag("t", "a", "l", 8), true, 8},
      {Id3v1Tag("t", "a", "l", 200), true, -1},
      {Id3v1Tag("t", "a", "l", 255), true, -1},
  };
  for (const Case& c : cases) {
    std::string audio = LameMp3(kPlainCbr);
    SongRecord record = built("C:\\Music\\genre.mp3", c.atEnd ? audio + c.tag : c.tag + audio);
    EXPECT_EQ(+record.genre, c.genre) << &c - cases;
  }
}

TEST_F(RecordBuilderTest, CutsTagTextsAtThirtyBytes) {
  std::string title40 = "0123456789abcdefghijABCDEFGHIJklmnopqrst";
  SongRecord record = built("C:\\Music\\long.mp3", Id3v2Tag({{"TIT2", title40}}) + LameMp3(kPlainCbr));
  EXPECT_STREQ(record.title, title40.substr(0, 30).c_str());
}

TEST_F(RecordBuilderTest, KeepsEachLongFieldInsideItsOwnBytes) {
  std::string tag = Id3v2Tag({{"TIT2", std::string(255, 'T')},
                              {"TPE1", std::string(255, 'A')},
                              {"TALB", std::string(255, 'L')},
                              {"TCON", "(9)"}});
  SongRecord record = built("C:\\Music\\wide.mp3", tag + LameMp3(kPlainCbr));
  const std::pair<const char*, char> fields[] = {{record.title, 'T'}, {record.artist, 'A'}, {record.album, 'L'}};
  for (const auto& [field, letter] : fields) {
    EXPECT_EQ(std::string(field, 30), std::string(30, letter));
    EXPECT_EQ(field[30], 0);
    EXPECT_EQ(field[31], 0);
  }
  EXPECT_EQ(+record.genre, 9);
  EXPECT_EQ(+record.bitRate, 128000);
}

TEST_F(RecordBuilderTest, AgreesWithFfprobeOnBitRateAndSampleRate) {
  const char* const encodings[] = {
      "-b 192 --cbr --resample 48 -t",          // MPEG-1
      "-b 64 --cbr --resample 22.05 -t",        // MPEG-2
      "-b 32 --cbr --resample 8 -m m -t",       // MPEG-2.5
      "-b 320 --cbr -t --tt x --ta y --tl z",   // with tags before and after
  };
  for (const char* options : encodings) {
    SongRecord record = built("C:\\Music\\probe.mp3", LameMp3(options));
    auto probed = recordtest::Ffprobe(machine.hostPath("C:\\Music\\probe.mp3"));
    ASSERT_TRUE(probed.has_value()) << options;
    EXPECT_EQ(+record.bitRate, probed->bitRate) << options;
    EXPECT_EQ(+record.sampleRate, probed->sampleRate) << options;
    EXPECT_NEAR(+record.durationMs, probed->durationSeconds * 1000, 0.02 * +record.durationMs) << options;
  }
}

TEST_F(RecordBuilderTest, TimesAVbrFileByItsXingAverage) {
  std::string bytes = LameMp3("-V 2");
  SongRecord record = built("C:\\Music\\vbr.mp3", bytes);
  auto probed = recordtest::Ffprobe(machine.hostPath("C:\\Music\\vbr.mp3"));
  ASSERT_TRUE(probed.has_value());
  // The first frame's rate (the Xing frame's) would be far off.
  EXPECT_NEAR(+record.durationMs, probed->durationSeconds * 1000, 0.03 * +record.durationMs);
  EXPECT_NEAR(+record.bitRate, probed->bitRate, 0.03 * probed->bitRate);
  EXPECT_EQ(+record.durationMs, CbrDurationMs(static_cast<std::int64_t>(bytes.size()), +record.bitRate));
}

TEST_F(RecordBuilderTest, TimesAFileOfSeveralMegabytesWithoutOverflow) {
  std::string frames = LameMp3(kPlainCbr);
  std::string bytes;
  while (bytes.size() < 5u * 1024 * 1024) bytes += frames;
  SongRecord record = built("C:\\Music\\long play.mp3", bytes);
  EXPECT_EQ(+record.fileSize, static_cast<std::int32_t>(bytes.size()));
  EXPECT_EQ(+record.durationMs, CbrDurationMs(static_cast<std::int64_t>(bytes.size()), 128000));
}

TEST_F(RecordBuilderTest, ReadsPastATagLargerThanTheReadBlocks) {
  std::string tag = Id3v2Tag({{"TIT2", "Big"}, {"TIT3", std::string(100000, 's')}, {"TPE1", "After"}});
  std::string audio = LameMp3(kPlainCbr);
  SongRecord record = built("C:\\Music\\big tag.mp3", tag + audio);
  EXPECT_STREQ(record.title, "Big");
  EXPECT_STREQ(record.artist, "After");
  EXPECT_EQ(+record.bitRate, 128000);
  EXPECT_EQ(+record.durationMs, CbrDurationMs(static_cast<std::int64_t>(audio.size()), 128000));
}

TEST_F(RecordBuilderTest, SurvivesMalformedTags) {
  std::string audio = LameMp3(kPlainCbr);
  std::string hugeSize = std::string("ID3\x03\x00\x00\x7F\x7F\x7F\x7F", 10) + "TIT2";
  std::string frameTooLong = Id3v2Tag({{"TIT2", "short"}});
  frameTooLong[14] = '\x7F';  // the frame claims more than its tag holds
  std::string v1Only = std::string(100, '\0') + "TAG";
  const std::string inputs[] = {hugeSize + audio, frameTooLong + audio, std::string("ID3\x04", 4),
                                audio.substr(0, 3) + std::string(5000, '\xFF'), v1Only};
  for (const std::string& bytes : inputs) {
    machine.writeFile("C:\\Music\\bad.mp3", bytes);
    SongRecord record;
    if (BuildSongRecord("C:\\Music\\bad.mp3", record)) {
      EXPECT_LE(std::strlen(record.title), 30u);
      EXPECT_LE(std::strlen(record.artist), 30u);
      EXPECT_LE(std::strlen(record.album), 30u);
      EXPECT_GE(+record.durationMs, 0);
    }
  }
}

TEST_F(RecordBuilderTest, RefusesFilesItCannotDescribe) {
  machine.writeFile("C:\\Music\\empty.mp3", "");
  machine.writeFile("C:\\Music\\text.mp3", std::string(4000, 'x'));
  machine.writeFile("C:\\Music\\tag only.mp3", Id3v2Tag({{"TIT2", "Nothing after me"}}));
  machine.writeFile("C:\\Music\\cut.mp3", "\xFF\xFB\x90");
  machine.writeFile("C:\\Music\\d.mp3\\e.mp3", LameMp3(kPlainCbr));
  // 259 bytes in all, the file name starting at byte 257: past a uint8 offset.
  std::string farName = "C:\\" + std::string(200, 'a') + "\\" + std::string(52, 'b') + "\\x3";
  ASSERT_EQ(farName.size(), 259u);
  machine.writeFile(farName, LameMp3(kPlainCbr));
  std::string tooLong = "C:\\" + std::string(200, 'a') + "\\" + std::string(52, 'b') + "\\xy.mp3";
  machine.writeFile(tooLong, LameMp3(kPlainCbr));

  for (const std::string& path : {std::string("C:\\Music\\empty.mp3"), std::string("C:\\Music\\text.mp3"),
                                  std::string("C:\\Music\\tag only.mp3"), std::string("C:\\Music\\cut.mp3"),
                                  std::string("C:\\Music\\d.mp3"), std::string("C:\\Music\\missing.mp3"),
                                  std::string("Q:\\x.mp3"), std::string(""), farName, tooLong}) {
    SongRecord record;
    EXPECT_FALSE(BuildSongRecord(path, record)) << path;
  }
}

TEST_F(RecordBuilderTest, AskTheMediaLayerForOtherMedia) {
  media::FakeMediaBackend fake;
  media::ScopedMediaBackend select(fake);
  machine.writeFile("C:\\Music\\b.wma", "not rendered");
  fake.setDuration(machine.hostPath("C:\\Music\\b.wma"), std::nullopt);
  machine.writeFile("C:\\Music\\unknown.wma", "unknown");
  machine.writeFile("C:\\Music\\a.wma", std::string(1000, 'w'));
  fake.setDuration(machine.hostPath("C:\\Music\\a.wma"), 12.3456);

  SongRecord record = built("C:\\Music\\a.wma", std::string(1000, 'w'));
  EXPECT_EQ(+record.durationMs, 12345);
  EXPECT_EQ(+record.fileSize, 1000);
  EXPECT_EQ(+record.bitRate, 0);
  EXPECT_EQ(+record.sampleRate, 0);
  EXPECT_STREQ(record.title, "");
  EXPECT_STREQ(record.artist, "");
  EXPECT_STREQ(record.album, "");
  EXPECT_EQ(+record.genre, -1);

  for (const char* path : {"C:\\Music\\b.wma", "C:\\Music\\unknown.wma"}) {
    EXPECT_FALSE(BuildSongRecord(path, record)) << path;
  }
}

TEST_F(RecordBuilderTest, MeasuresARealWaveFileThroughGstreamer) {
  machine.writeFile("C:\\Music\\tone.wav", "");
  std::string host = machine.hostPath("C:\\Music\\tone.wav");
  ASSERT_EQ(std::system(("sox -r 44100 -n -c 2 -b 16 '" + host + "' synth 66150s sine 440 >/dev/null 2>&1").c_str()), 0);
  SongRecord record;
  ASSERT_TRUE(BuildSongRecord("c:\\music\\TONE.WAV", record));
  EXPECT_EQ(+record.durationMs, 1500);
  EXPECT_STREQ(record.path, "c:\\music\\TONE.WAV");
}

TEST_F(RecordBuilderTest, SeesALyricFileOnlyWhenItHoldsSomething) {
  struct Case {
    std::optional<std::string> lyrics;
    std::uint8_t hasLyrics;
  };
  const Case cases[] = {{"[00:01.00]la", 1}, {"", 0}, {std::nullopt, 0}};
  for (const Case& c : cases) {
    machine.writeFile("C:\\Lyrics\\song.mp3", LameMp3(kPlainCbr));
    if (c.lyrics) machine.writeFile("C:\\Lyrics\\song.LRC", *c.lyrics);
    SongRecord record;
    ASSERT_TRUE(BuildSongRecord("C:\\Lyrics\\song.mp3", record));
    EXPECT_EQ(record.hasLyrics, c.hasLyrics) << c.lyrics.value_or("(none)");
    std::remove(machine.hostPath("C:\\Lyrics\\song.LRC").c_str());
  }
}

}  // namespace
