#include <gtest/gtest.h>

#include <cstring>

#include "music/core/list_file.h"
#include "music/core/music_collection.h"
#include "music/core/tests/music_collection_test_support.h"
#include "music/core/tests/record_builder_files.h"
#include "platform/win/files.h"

namespace virelo {
namespace {

using collectiontest::PlayerMachine;
using collectiontest::Song;
using collectiontest::TestServices;

constexpr win::DWORD kHiddenSystem = win::FILE_ATTRIBUTE_HIDDEN | win::FILE_ATTRIBUTE_SYSTEM;
const std::string kMusic = "E:\\SYSTEM\\MP3\\";

std::vector<std::string> namesOf(const GroupChain& chain) {
  std::vector<std::string> names;
  for (const auto& g : chain) names.emplace_back(g->name());
  return names;
}
std::string bytesOf(const SongRecord& r) { return std::string(reinterpret_cast<const char*>(&r), sizeof r); }
bool hiddenSystem(const std::string& path) {
  win::DWORD a = win::GetFileAttributesA(path.c_str());
  return a != win::INVALID_FILE_ATTRIBUTES && (a & kHiddenSystem) == kHiddenSystem;
}

class DiskPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override { player_.setup(CollectionKind::DiskPlayer, 'e'); }

  SongRecord source(const std::string& name, const std::string& title = "T", const std::string& artist = "A",
                    const std::string& album = "B", int genre = 1, const char* lyrics = nullptr) {
    std::string path = "C:\\Music\\" + name;
    machine_.writeFile(path, "audio of " + name);
    if (lyrics) machine_.writeFile(path.substr(0, path.rfind('.')) + ".LRC", lyrics);
    return Song(path, title, artist, album, genre);
  }

  PlayerMachine machine_;
  TestServices services_;
  MusicCollection player_{services_};
};

TEST_F(DiskPlayerTest, SetupMakesTheSystemFoldersHiddenAndTheRecordingsFolderPlain) {
  EXPECT_EQ(player_.listFilePath(), "E:\\SYSTEM\\VIRELO.LST");
  EXPECT_EQ(player_.musicFolder(), kMusic);
  EXPECT_EQ(player_.recordingsFolder(), "E:\\REC\\");
  EXPECT_TRUE(hiddenSystem("E:\\SYSTEM"));
  EXPECT_TRUE(hiddenSystem("E:\\SYSTEM\\MP3"));
  EXPECT_EQ(win::GetFileAttributesA("E:\\REC") & kHiddenSystem, 0u);
}

TEST_F(DiskPlayerTest, CopiesUnderTheSmallestFreeNumberAndReusesNumbers) {
  SongRecord* one = player_.addSong(source("one.mp3"), nullptr, true);
  SongRecord* two = player_.addSong(source("two.mp3"), nullptr, true);
  SongRecord* three = player_.addSong(source("three.mp3"), nullptr, true);
  ASSERT_TRUE(one && two && three);
  EXPECT_EQ(+one->fileNumber, 1);
  EXPECT_EQ(+three->fileNumber, 3);
  EXPECT_STREQ(two->path, "E:\\SYSTEM\\MP3\\two.mp3");
  EXPECT_EQ(two->nameOffset, kMusic.size());
  EXPECT_EQ(machine_.readFile(kMusic + "2"), "audio of two.mp3");
  EXPECT_TRUE(hiddenSystem(kMusic + "2"));

  ASSERT_TRUE(player_.removeSong(two));
  EXPECT_FALSE(machine_.exists(kMusic + "2"));
  SongRecord* four = player_.addSong(source("four.mp3"), nullptr, true);
  EXPECT_EQ(+four->fileNumber, 2);
  EXPECT_EQ(machine_.readFile(kMusic + "2"), "audio of four.mp3");
  EXPECT_EQ(player_.addSong(source("five.mp3"), nullptr, true)->fileNumber, 4);
}

TEST_F(DiskPlayerTest, RefusesSongsWithANumberOrAlreadyOnThePlayer) {
  SongRecord numbered = source("n.mp3");
  numbered.fileNumber = 7;
  SongRecord onPlayer = Song("E:\\Music\\x.mp3");
  machine_.writeFile("E:\\Music\\x.mp3", "x");
  SongRecord onPlayerLowerCase = Song("e:\\Music\\x.mp3");
  SongRecord missing = Song("C:\\Music\\missing.mp3");
  for (const SongRecord* refused : {&numbered, &onPlayer, &onPlayerLowerCase, &missing})
    EXPECT_EQ(player_.addSong(*refused, nullptr, true), nullptr) << refused->path;
  EXPECT_EQ(player_.songCount(), 0);
  EXPECT_TRUE(player_.chain(GroupKind::Title).empty());
  EXPECT_FALSE(machine_.exists(kMusic + "1"));
  // Not copying, a numbered song is taken as it is (the list file's way).
  EXPECT_NE(player_.addSong(numbered, nullptr, false), nullptr);
}

TEST_F(DiskPlayerTest, CopiesANonEmptyLyricFileWhenTheSettingIsOn) {
  player_.addSong(source("a.mp3", "T", "A", "B", 1, "[00:01]la"), nullptr, true);
  EXPECT_EQ(machine_.readFile(kMusic + "1.LRC"), "[00:01]la");
  EXPECT_TRUE(hiddenSystem(kMusic + "1.LRC"));
  player_.addSong(source("b.mp3", "T", "A", "B", 1, ""), nullptr, true);
  EXPECT_FALSE(machine_.exists(kMusic + "2.LRC"));
  services_.autoLyrics = false;
  player_.addSong(source("c.mp3", "T", "A", "B", 1, "words"), nullptr, true);
  EXPECT_FALSE(machine_.exists(kMusic + "3.LRC"));
}

TEST_F(DiskPlayerTest, RemovingTheSongThatPlaysStopsPlaybackAndDeletesItsLyrics) {
  SongRecord* a = player_.addSong(source("a.mp3", "T", "A", "B", 1, "words"), nullptr, true);
  services_.nowPlaying = "e:\\system\\mp3\\1";
  ASSERT_TRUE(player_.removeSong(a));
  EXPECT_EQ(services_.stops, 1);
  EXPECT_FALSE(machine_.exists(kMusic + "1"));
  EXPECT_FALSE(machine_.exists(kMusic + "1.LRC"));
  EXPECT_TRUE(machine_.exists("C:\\Music\\a.mp3"));
}

TEST_F(DiskPlayerTest, TheListFileBringsBackSongsListsAndGroups) {
  SongRecord* a = player_.addSong(source("a.mp3", "Ta", "Ar", "Al", 17), nullptr, true);
  SongRecord* b = player_.addSong(source("b.mp3", "Tb", "ar", "", -1), nullptr, true);
  SongRecord* c = player_.addSong(source("c.mp3", "Tc", "Other", "Al", 17), nullptr, true);
  SongGroup* road = player_.addList("Road");
  road->add(c);
  road->add(a);
  player_.addList("Empty");
  player_.addToList("Road", b);
  ASSERT_TRUE(player_.save());
  EXPECT_TRUE(hiddenSystem("E:\\SYSTEM\\VIRELO.LST"));

  RecordingTreeSink tree;
  MusicCollection loaded(services_);
  loaded.bindTree(&tree);
  loaded.setup(CollectionKind::DiskPlayer, 'E');
  loaded.load("KL570");
  ASSERT_EQ(loaded.songCount(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(bytesOf(*loaded.songAt(i)), bytesOf(*player_.songAt(i))) << i;
  EXPECT_EQ(+loaded.songAt(2)->fileNumber, 3);
  EXPECT_EQ(namesOf(loaded.userLists()), (std::vector<std::string>{"Road", "Empty"}));
  EXPECT_EQ(loaded.userLists()[0]->members(),
            (std::vector<SongRecord*>{loaded.songAt(2), loaded.songAt(0), loaded.songAt(1)}));
  EXPECT_EQ(namesOf(loaded.chain(GroupKind::Artist)), (std::vector<std::string>{"Ar", "Other"}));
  EXPECT_EQ(namesOf(loaded.chain(GroupKind::Album)), (std::vector<std::string>{"Al", ""}));
  EXPECT_EQ(tree.outline(),
            "+KL570\n"
            "  All songs\n"
            "    Title\n      Ta\n      Tb\n      Tc\n"
            "    Artist\n      Ar\n      Other\n"
            "    Album\n      Al\n      NULL\n"
            "    Genre\n      Rock\n      NULL\n"
            "  Recordings\n"
            "  Lists\n    Road\n    Empty\n");
  // The numbers in use come back too.
  EXPECT_EQ(loaded.addSong(source("d.mp3"), nullptr, true)->fileNumber, 4);
}

TEST_F(DiskPlayerTest, RemoveAllSongsDeletesFilesListsAndGroupsButKeepsRecordings) {
  RecordingTreeSink tree;
  player_.bindTree(&tree);
  player_.load("KL570");
  SongRecord* a = player_.addSong(source("a.mp3", "T", "A", "B", 1, "words"), nullptr, true);
  player_.addSong(source("b.mp3"), nullptr, true);
  player_.addList("L")->add(a);
  machine_.writeFile("E:\\REC\\v.rec", "voice");
  player_.addRecording(Song("E:\\REC\\v.rec"));

  ASSERT_TRUE(player_.removeAllSongs());
  EXPECT_EQ(player_.songCount(), 0);
  EXPECT_TRUE(player_.userLists().empty());
  EXPECT_TRUE(player_.chain(GroupKind::Genre).empty());
  EXPECT_FALSE(machine_.exists(kMusic + "1"));
  EXPECT_FALSE(machine_.exists(kMusic + "1.LRC"));
  EXPECT_FALSE(machine_.exists(kMusic + "2"));
  EXPECT_EQ(player_.recordings().size(), 1u);
  EXPECT_EQ(tree.outline(), "+KL570\n  All songs\n    Title\n    Artist\n    Album\n    Genre\n  Recordings\n  Lists\n");
  EXPECT_EQ(player_.addSong(source("c.mp3"), nullptr, true)->fileNumber, 1);
}

TEST_F(DiskPlayerTest, RecordingsComeFromTheRecordingsFolder) {
  std::string mp3 = recordtest::LameMp3("-b 128 --cbr");
  ASSERT_FALSE(mp3.empty());
  machine_.writeFile("E:\\REC\\voice1.MP3", mp3);
  machine_.writeFile("E:\\REC\\notes.txt", "x");
  machine_.writeFile("E:\\REC\\empty.mp3", "");
  machine_.writeFile("E:\\REC\\folder.mp3\\inner.mp3", mp3);
  machine_.writeFile("E:\\REC\\voice1.LRC", "words");
  player_.load("KL570");
  ASSERT_EQ(player_.recordings().size(), 1u);
  SongRecord* voice = player_.recordings().members()[0];
  EXPECT_STREQ(voice->path, "E:\\REC\\voice1.MP3");
  EXPECT_GT(+voice->durationMs, 1900);

  services_.nowPlaying = "E:\\REC\\VOICE1.mp3";
  ASSERT_TRUE(player_.removeRecording(voice));
  EXPECT_EQ(services_.stops, 1);
  EXPECT_FALSE(machine_.exists("E:\\REC\\voice1.MP3"));
  EXPECT_FALSE(machine_.exists("E:\\REC\\voice1.LRC"));
  EXPECT_TRUE(player_.recordings().empty());
}

class FlashPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override { player_.setup(CollectionKind::FlashPlayer, 'E'); }
  PlayerMachine machine_;
  TestServices services_;
  MusicCollection player_{services_};
};

TEST_F(FlashPlayerTest, CopiesUnderItsOwnNameWithItsLyricsAndOverwrites) {
  machine_.writeFile("C:\\Music\\song.mp3", "new");
  machine_.writeFile("C:\\Music\\song.lrc", "words");
  machine_.writeFile("E:\\song.mp3", "old");
  SongRecord* song = player_.addSong(Song("C:\\Music\\song.mp3", "T"), nullptr, true);
  ASSERT_NE(song, nullptr);
  EXPECT_STREQ(song->path, "E:\\song.mp3");
  EXPECT_EQ(song->nameOffset, 3);
  EXPECT_EQ(+song->fileNumber, 0);
  EXPECT_EQ(machine_.readFile("E:\\song.mp3"), "new");
  EXPECT_EQ(machine_.readFile("E:\\song.LRC"), "words");
  EXPECT_EQ(win::GetFileAttributesA("E:\\song.mp3") & kHiddenSystem, 0u);
  EXPECT_EQ(player_.addSong(*song, nullptr, true), nullptr);  // already on the player

  services_.nowPlaying = "E:\\SONG.MP3";
  ASSERT_TRUE(player_.removeSong(song));
  EXPECT_EQ(services_.stops, 1);
  EXPECT_FALSE(machine_.exists("E:\\song.mp3"));
  EXPECT_FALSE(machine_.exists("E:\\song.LRC"));
}

TEST_F(FlashPlayerTest, RefusesListsAndWritesNoListFile) {
  EXPECT_EQ(player_.addList("Road"), nullptr);
  machine_.writeFile("C:\\Music\\a.mp3", "a");
  player_.addSong(Song("C:\\Music\\a.mp3"), nullptr, true);
  EXPECT_TRUE(player_.save());
  EXPECT_FALSE(machine_.exists("E:\\VIRELO.LST"));
  EXPECT_FALSE(machine_.exists("E:\\SYSTEM"));
}

TEST_F(FlashPlayerTest, LoadFindsTheMp3FilesOfTheWholeDrive) {
  std::string mp3 = recordtest::LameMp3("-b 128 --cbr --tt Tone --ta Maker");
  ASSERT_FALSE(mp3.empty());
  machine_.writeFile("E:\\a.mp3", mp3);
  machine_.writeFile("E:\\deep\\er\\b.MP3", mp3);
  machine_.writeFile("E:\\c.wav", "RIFF");
  machine_.writeFile("E:\\broken.mp3", "not audio");
  RecordingTreeSink tree;
  player_.bindTree(&tree);
  player_.load("Flash");
  ASSERT_EQ(player_.songCount(), 2);
  EXPECT_EQ(namesOf(player_.chain(GroupKind::Artist)), std::vector<std::string>{"Maker"});
  EXPECT_EQ(player_.chain(GroupKind::Artist)[0]->size(), 2u);
  EXPECT_EQ(tree.children(player_.rootItem()).size(), 1u);  // all songs only: no lists, no recordings
}

TEST(AudioCdCollection, TheRootAloneCarriesTheTracks) {
  PlayerMachine machine;
  TestServices services;
  RecordingTreeSink tree;
  MusicCollection cd(services);
  cd.bindTree(&tree);
  cd.setup(CollectionKind::AudioCd, 0);
  cd.load("Audio CD");
  SongRecord track = Song("Track 1", "", "", "Disc");
  track.fileNumber = -1;
  track.cdTrack = 1;
  cd.addCdTrack(track);
  EXPECT_EQ(tree.outline(), "+Audio CD\n");
  EXPECT_EQ(tree.group(cd.rootItem()), &cd.allSongs());
  EXPECT_EQ(cd.songCount(), 1);
  EXPECT_TRUE(cd.chain(GroupKind::Album).empty());
  EXPECT_EQ(cd.addList("x"), nullptr);
}

}  // namespace
}  // namespace virelo
