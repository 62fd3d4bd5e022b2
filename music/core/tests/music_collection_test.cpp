#include "music/core/music_collection.h"

#include <gtest/gtest.h>

#include <cstring>

#include "music/core/file_utils.h"
#include "music/core/list_file.h"
#include "music/core/tests/music_collection_test_support.h"
#include "platform/win/files.h"

namespace virelo {
namespace {

using collectiontest::kPcListFile;
using collectiontest::PlayerMachine;
using collectiontest::Song;
using collectiontest::TestServices;

std::vector<std::string> namesOf(const GroupChain& chain) {
  std::vector<std::string> names;
  for (const auto& g : chain) names.emplace_back(g->name());
  return names;
}

class PcLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override { pc_.setup(CollectionKind::PcLibrary, 'C'); }

  SongRecord file(const std::string& name, const std::string& title = "T", const std::string& artist = "A",
                  const std::string& album = "B", int genre = 1) {
    std::string path = "C:\\Music\\" + name;
    machine_.writeFile(path, "audio of " + name);
    return Song(path, title, artist, album, genre);
  }

  PlayerMachine machine_;
  TestServices services_;
  MusicCollection pc_{services_};
};

TEST_F(PcLibraryTest, SetupMakesTheDataFolderBesideTheProgram) {
  EXPECT_EQ(pc_.listFilePath(), kPcListFile);
  EXPECT_TRUE(machine_.exists(collectiontest::kProgramFolder + "DATA"));
}

TEST_F(PcLibraryTest, ASongWhoseFileIsGoneIsDroppedOnLoadAndByTheNextSave) {
  SongRecord* a = pc_.addSong(file("a.mp3", "Ta", "Gone"), nullptr, false);
  SongRecord* b = pc_.addSong(file("b.mp3"), nullptr, false);
  SongRecord* c = pc_.addSong(file("c.mp3"), nullptr, false);
  SongGroup* list = pc_.addList("Mix");
  list->add(c);
  list->add(a);
  list->add(b);
  ASSERT_TRUE(pc_.save());
  win::DeleteFileA("C:\\Music\\a.mp3");
  machine_.writeFile("C:\\Music\\b.mp3", "");  // an empty file counts as gone

  MusicCollection loaded(services_);
  loaded.setup(CollectionKind::PcLibrary, 'C');
  loaded.load("PC");
  ASSERT_EQ(loaded.songCount(), 1);
  EXPECT_STREQ(loaded.songAt(0)->path, "C:\\Music\\c.mp3");
  ASSERT_EQ(loaded.userLists().size(), 1u);
  EXPECT_EQ(loaded.userLists()[0]->members(), std::vector<SongRecord*>{loaded.songAt(0)});
  EXPECT_EQ(namesOf(loaded.chain(GroupKind::Title)), std::vector<std::string>{"T"});
  EXPECT_EQ(namesOf(loaded.chain(GroupKind::Artist)), std::vector<std::string>{"A"});

  ASSERT_TRUE(loaded.save());
  ListFileContents saved;
  ASSERT_TRUE(readListFile(kPcListFile, saved));
  ASSERT_EQ(saved.songs.size(), 1u);
  EXPECT_STREQ(saved.songs[0].path, "C:\\Music\\c.mp3");
  ASSERT_EQ(saved.userLists.size(), 1u);
  EXPECT_EQ(saved.userLists[0].members, std::vector<std::uint16_t>{0});
}

TEST_F(PcLibraryTest, DroppingManySongsAtOnceEndsAsRemovingEachDoes) {
  const char* albums[] = {"Kept", "Lost", "Mixed", ""};
  std::vector<SongRecord*> songs;
  for (int i = 0; i < 40; ++i)
    songs.push_back(pc_.addSong(file("s" + std::to_string(i) + ".mp3", "T" + std::to_string(i % 9),
                                     i % 2 ? "Band" : "BAND", albums[i % 4], i % 5 - 1),
                                nullptr, false));
  for (int l = 0; l < 3; ++l) {
    SongGroup* list = pc_.addList("L" + std::to_string(l));
    for (int m = 0; m < 40; m += l + 2) list->add(songs[static_cast<std::size_t>((m * 7 + l) % 40)]);
  }
  ASSERT_TRUE(pc_.save());
  std::string stored = machine_.readFile(kPcListFile);
  for (int i = 0; i < 40; ++i)
    if (i % 4 == 1 || i % 3 == 0) win::DeleteFileA(("C:\\Music\\s" + std::to_string(i) + ".mp3").c_str());

  RecordingTreeSink bulkTree;
  MusicCollection bulk(services_);
  bulk.bindTree(&bulkTree);
  bulk.setup(CollectionKind::PcLibrary, 'C');
  bulk.load("PC");
  ASSERT_TRUE(bulk.save());
  std::string bulkFile = machine_.readFile(kPcListFile);

  // The same list file taken in by hand, then each song removed on its own.
  RecordingTreeSink oneByOneTree;
  MusicCollection oneByOne(services_);
  oneByOne.bindTree(&oneByOneTree);
  oneByOne.setup(CollectionKind::PcLibrary, 'C');
  win::DeleteFileA(kPcListFile.c_str());
  oneByOne.load("PC");
  ListFileContents contents;
  ASSERT_TRUE(parseListFile(reinterpret_cast<const std::uint8_t*>(stored.data()), stored.size(), contents));
  for (const SongRecord& r : contents.songs) oneByOne.addSong(r, nullptr, false);
  for (const ListFileList& l : contents.userLists) {
    SongGroup* list = oneByOne.addList(l.name);
    for (std::uint16_t index : l.members) list->add(oneByOne.songAt(index));
  }
  std::vector<SongRecord*> all = oneByOne.allSongs().members();
  for (SongRecord* song : all) {
    if (fileSizeOf(song->path) == 0) {
      ASSERT_TRUE(oneByOne.removeSong(song));
    }
  }
  ASSERT_TRUE(oneByOne.save());

  EXPECT_LT(bulk.songCount(), 40);
  EXPECT_EQ(bulkFile, machine_.readFile(kPcListFile));
  EXPECT_EQ(bulkTree.outline(), oneByOneTree.outline());
  EXPECT_EQ(namesOf(bulk.chain(GroupKind::Album)), (std::vector<std::string>{"Kept", "Mixed", ""}));
}

TEST_F(PcLibraryTest, ArtistsDifferingOnlyInLetterCaseShareOneGroup) {
  SongRecord* a = pc_.addSong(file("a.mp3", "x", "The Band"), nullptr, false);
  SongRecord* b = pc_.addSong(file("b.mp3", "y", "THE band"), nullptr, false);
  ASSERT_EQ(pc_.chain(GroupKind::Artist).size(), 1u);
  EXPECT_EQ(pc_.chain(GroupKind::Artist)[0]->name(), "The Band");
  EXPECT_EQ(pc_.chain(GroupKind::Artist)[0]->members(), (std::vector<SongRecord*>{a, b}));
  EXPECT_EQ(pc_.chain(GroupKind::Title).size(), 2u);
}

TEST(CollectionCodePage, DoubleByteCharactersCompareAsTheyAre) {
  // In code page 936 "\xB0\x61" and "\xB0\x41" are two characters whose
  // trail bytes happen to be letters; single-byte letters still fold.
  PlayerMachine machine(collectiontest::PlayerMachineSpec(936));
  TestServices services;
  MusicCollection pc(services);
  pc.setup(CollectionKind::PcLibrary, 'C');
  pc.addSong(Song("C:\\1.mp3", "t", "\xB0\x61x"), nullptr, false);
  pc.addSong(Song("C:\\2.mp3", "t", "\xB0\x41x"), nullptr, false);
  pc.addSong(Song("C:\\3.mp3", "t", "\xB0\x61X"), nullptr, false);
  EXPECT_EQ(namesOf(pc.chain(GroupKind::Artist)), (std::vector<std::string>{"\xB0\x61x", "\xB0\x41x"}));
  EXPECT_EQ(pc.chain(GroupKind::Artist)[0]->size(), 2u);
}

TEST_F(PcLibraryTest, RemovingTheLastSongOfAnAlbumRemovesTheGroupAndItsTreeItem) {
  RecordingTreeSink tree;
  pc_.bindTree(&tree);
  pc_.load("PC");
  SongRecord* a = pc_.addSong(file("a.mp3", "Ta", "Ar", "Lonely"), nullptr, false);
  SongRecord* b = pc_.addSong(file("b.mp3", "Tb", "Ar", "Shared"), nullptr, false);
  SongRecord* c = pc_.addSong(file("c.mp3", "Tc", "Ar", "Shared"), nullptr, false);
  SongGroup* list = pc_.addList("Mix");
  list->add(a);
  list->add(b);
  list->add(c);
  TreeItem lonely = pc_.chain(GroupKind::Album)[0]->treeItem();
  ASSERT_TRUE(tree.exists(lonely));

  EXPECT_TRUE(pc_.removeSong(a));
  EXPECT_FALSE(tree.exists(lonely));
  EXPECT_EQ(namesOf(pc_.chain(GroupKind::Album)), std::vector<std::string>{"Shared"});
  EXPECT_EQ(namesOf(pc_.chain(GroupKind::Title)), (std::vector<std::string>{"Tb", "Tc"}));
  EXPECT_EQ(list->members(), (std::vector<SongRecord*>{b, c}));
  EXPECT_EQ(pc_.chain(GroupKind::Artist)[0]->members(), (std::vector<SongRecord*>{b, c}));
  EXPECT_EQ(tree.outline(),
            "+PC\n  All songs\n    Title\n      Tb\n      Tc\n    Artist\n      Ar\n    Album\n      Shared\n"
            "    Genre\n      Classic Rock\n  Lists\n    Mix\n");
  EXPECT_FALSE(pc_.removeSong(a));
  SongRecord stranger = Song("C:\\x.mp3");
  EXPECT_FALSE(pc_.removeSong(&stranger));
}

TEST_F(PcLibraryTest, ListNamesMustBeNewNonEmptyAndShorterThan64Bytes) {
  pc_.addList("Party");
  struct Case {
    std::string name;
    bool valid;
  } cases[] = {
      {"", false},          {"Party", false},          {"PARTY", false},         {"party ", true},
      {"Party2", true},     {std::string(63, 'x'), true}, {std::string(64, 'x'), false},
      {std::string(200, 'x'), false},
  };
  for (const Case& c : cases) EXPECT_EQ(pc_.isValidListName(c.name), c.valid) << c.name;
}

TEST_F(PcLibraryTest, UserListsAreFoundAndDeletedByNameInAnyCase) {
  SongRecord* a = pc_.addSong(file("a.mp3"), nullptr, false);
  SongGroup* first = pc_.addList("Road");
  SongGroup* second = pc_.addList("Home");
  EXPECT_EQ(pc_.findList("ROAD"), first);
  EXPECT_TRUE(pc_.addToList("home", a));
  EXPECT_FALSE(pc_.addToList("home", a));  // already a member
  EXPECT_FALSE(pc_.addToList("nowhere", a));
  EXPECT_EQ(second->members(), std::vector<SongRecord*>{a});
  EXPECT_TRUE(pc_.deleteList("rOaD"));
  EXPECT_EQ(namesOf(pc_.userLists()), std::vector<std::string>{"Home"});
  EXPECT_EQ(pc_.songCount(), 1);  // the songs stay
  EXPECT_TRUE(pc_.renameList(*second, "Away"));
  EXPECT_EQ(pc_.findList("away"), second);
  pc_.deleteAllLists();
  EXPECT_TRUE(pc_.userLists().empty());
}

TEST_F(PcLibraryTest, ATitleOfFortyBytesIsKeptAsItsFirstThirty) {
  const std::string forty = "0123456789abcdefghijklmnopqrstuvwxyzABCD";
  SongRecord record = Song("C:\\Music\\long.mp3");
  std::memcpy(record.title, forty.data(), sizeof record.title);  // no NUL in the field
  SongRecord* song = pc_.addSong(record, nullptr, false);
  EXPECT_EQ(std::string(song->title), forty.substr(0, 30));
  EXPECT_EQ(pc_.chain(GroupKind::Title)[0]->name(), forty.substr(0, 30));
}

TEST_F(PcLibraryTest, APathWithoutItsNulEndsWithinTheField) {
  SongRecord record{};
  std::memset(record.path, 'p', sizeof record.path);
  SongRecord* song = pc_.addSong(record, nullptr, false);
  EXPECT_EQ(std::strlen(song->path), sizeof record.path - 1);
}

TEST_F(PcLibraryTest, FindDuplicateComparesDurationAndTheFullPathInAnyCase) {
  SongRecord* a = pc_.addSong(Song("C:\\Music\\Song.mp3", "", "", "", -1, 5000), nullptr, false);
  EXPECT_EQ(pc_.findDuplicate(Song("c:\\music\\SONG.MP3", "", "", "", -1, 5000), true), a);
  EXPECT_EQ(pc_.findDuplicate(Song("C:\\Music\\Song.mp3", "", "", "", -1, 5001), true), nullptr);
  EXPECT_EQ(pc_.findDuplicate(Song("D:\\Other\\song.mp3", "", "", "", -1, 5000), true), nullptr);
  EXPECT_EQ(pc_.findDuplicate(Song("D:\\Other\\song.mp3", "", "", "", -1, 5000), false), a);
}

TEST_F(PcLibraryTest, StatisticsSumBeyond32Bits) {
  SongRecord big = Song("C:\\a.wav", "a", "", "", -1, 2000000000, 2000000000);
  pc_.addSong(big, nullptr, false);
  std::strcpy(big.path, "C:\\b.wav");
  std::strcpy(big.title, "b");
  pc_.addSong(big, nullptr, false);
  GroupStatistics all = MusicCollection::statistics(pc_.allSongs());
  EXPECT_EQ(all.count, 2);
  EXPECT_EQ(all.bytes, 4000000000ll);
  EXPECT_EQ(all.durationMs, 4000000000ll);
  GroupStatistics titles = MusicCollection::statistics(pc_.chain(GroupKind::Title));
  EXPECT_EQ(titles.count, 2);
  EXPECT_EQ(titles.bytes, 4000000000ll);
}

TEST_F(PcLibraryTest, EditingAnAlbumMovesTheSongToItsNewGroup) {
  SongRecord* a = pc_.addSong(file("a.mp3", "T", "A", "Old"), nullptr, false);
  SongRecord* b = pc_.addSong(file("b.mp3", "T", "A", "New"), nullptr, false);
  SongRecord edited = *a;
  std::strcpy(edited.album, "NEW");
  std::strcpy(edited.title, "t");  // only the letter case: the same title group
  ASSERT_TRUE(pc_.updateSong(a, edited));
  EXPECT_EQ(namesOf(pc_.chain(GroupKind::Album)), std::vector<std::string>{"New"});
  EXPECT_EQ(pc_.chain(GroupKind::Album)[0]->members(), (std::vector<SongRecord*>{b, a}));
  EXPECT_EQ(pc_.chain(GroupKind::Title)[0]->members(), (std::vector<SongRecord*>{a, b}));
  EXPECT_STREQ(a->album, "NEW");
}

TEST_F(PcLibraryTest, ListFileKindsStopAtTheSixteenBitLimit) {
  SongRecord record = Song("C:\\s.mp3", "t", "a", "b", 3);
  for (int i = 0; i < MusicCollection::kMaxListFileSongs; ++i) ASSERT_NE(pc_.addSong(record, nullptr, false), nullptr);
  EXPECT_EQ(pc_.addSong(record, nullptr, false), nullptr);
  EXPECT_EQ(pc_.songCount(), MusicCollection::kMaxListFileSongs);
  ASSERT_TRUE(pc_.save());
  ListFileContents saved;
  ASSERT_TRUE(readListFile(kPcListFile, saved));
  EXPECT_EQ(saved.songs.size(), static_cast<std::size_t>(MusicCollection::kMaxListFileSongs));
}

TEST_F(PcLibraryTest, ClearDeletesTheBranchOnlyWhenAsked) {
  RecordingTreeSink tree;
  pc_.bindTree(&tree);
  pc_.addSong(file("a.mp3"), nullptr, false);
  pc_.save();
  pc_.load("PC");
  ASSERT_EQ(pc_.songCount(), 1);
  pc_.clear(false);
  EXPECT_EQ(pc_.songCount(), 0);
  EXPECT_EQ(tree.children(kNoTreeItem).size(), 1u);
  pc_.load("PC");
  EXPECT_EQ(tree.children(kNoTreeItem).size(), 2u);
  pc_.clear(true);
  EXPECT_EQ(tree.children(kNoTreeItem).size(), 1u);
  EXPECT_EQ(pc_.rootItem(), kNoTreeItem);
}

}  // namespace
}  // namespace virelo
