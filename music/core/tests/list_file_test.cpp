#include "music/core/list_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "music/core/music_collection.h"
#include "music/core/tests/music_collection_test_support.h"
#include "platform/win/files.h"

namespace virelo {
namespace {

using collectiontest::kPcListFile;
using collectiontest::PlayerMachine;
using collectiontest::Song;
using collectiontest::TestServices;

constexpr win::DWORD kHiddenSystem = win::FILE_ATTRIBUTE_HIDDEN | win::FILE_ATTRIBUTE_SYSTEM;

int le16(const std::string& b, std::size_t at) {
  return static_cast<std::int16_t>(static_cast<unsigned char>(b.at(at)) | static_cast<unsigned char>(b.at(at + 1)) << 8);
}
std::int32_t le32(const std::string& b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b.at(at + static_cast<std::size_t>(i)));
  return static_cast<std::int32_t>(v);
}
void put16(std::string& b, int v) {
  b += static_cast<char>(v & 0xFF);
  b += static_cast<char>((v >> 8) & 0xFF);
}
void set16(std::string& b, std::size_t at, int v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void set32(std::string& b, std::size_t at, std::int32_t v) {
  for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
}
std::string bytesOf(const SongRecord& r) { return std::string(reinterpret_cast<const char*>(&r), sizeof r); }

// A list file written the plain way: every member index found by a linear
// search of the songs, each section after the one before.
std::string linearListFile(const MusicCollection& c) {
  std::string out;
  out += "LIST";
  put16(out, 1);
  put16(out, 116);
  put16(out, 386);
  out += std::string("KFZ DEFINED\0", 12);
  out += std::string(52, '\0');
  put16(out, c.songCount());
  out += std::string(116 - out.size(), '\0');
  for (int i = 0; i < c.songCount(); ++i) out += bytesOf(*c.songAt(i));
  const GroupKind kinds[5] = {GroupKind::UserList, GroupKind::Title, GroupKind::Artist, GroupKind::Album,
                              GroupKind::Genre};
  for (int s = 0; s < 5; ++s) {
    set32(out, 80 + 8 * static_cast<std::size_t>(s), static_cast<std::int32_t>(out.size()));
    set16(out, 76 + 8 * static_cast<std::size_t>(s), static_cast<int>(c.chain(kinds[s]).size()));
    for (const auto& group : c.chain(kinds[s])) {
      std::string indexes;
      int count = 0;
      for (const SongRecord* member : group->members()) {
        for (int i = 0; i < c.songCount(); ++i) {
          if (c.songAt(i) != member) continue;
          put16(indexes, i);
          ++count;
          break;
        }
      }
      put16(out, s + 1);
      out.append(group->nameBytes(), kGroupNameBytes);
      put16(out, count);
      out += indexes;
    }
  }
  return out;
}

class ListFileTest : public ::testing::Test {
 protected:
  void SetUp() override { pc_.setup(CollectionKind::PcLibrary, 'C'); }

  // Songs that exist on C:, so that the PC library keeps them on load.
  SongRecord pcSong(const std::string& name, const std::string& title, const std::string& artist,
                    const std::string& album, int genre) {
    std::string path = "C:\\Music\\" + name;
    machine_.writeFile(path, "data of " + name);
    return Song(path, title, artist, album, genre, 1000 + static_cast<int>(name.size()), 9 + static_cast<int>(name.size()));
  }

  PlayerMachine machine_;
  TestServices services_;
  MusicCollection pc_{services_};
};

TEST_F(ListFileTest, HeaderRecordsAndSectionsLieWhereTheFormatSays) {
  SongRecord* a = pc_.addSong(pcSong("a.mp3", "Ta", "Ar", "Al", 17), nullptr, false);
  SongRecord* b = pc_.addSong(pcSong("b.mp3", "Tb", "Ar", "Al", 17), nullptr, false);
  SongGroup* list = pc_.addList("Mine");
  list->add(b);
  list->add(a);
  pc_.addList("Empty");
  ASSERT_TRUE(pc_.save());
  std::string f = machine_.readFile(kPcListFile);

  EXPECT_EQ(f.substr(0, 4), "LIST");
  EXPECT_EQ(le16(f, 4), 1);
  EXPECT_EQ(le16(f, 6), 116);
  EXPECT_EQ(le16(f, 8), 386);
  EXPECT_EQ(f.substr(10, 12), std::string("KFZ DEFINED\0", 12));
  EXPECT_EQ(f.substr(22, 52), std::string(52, '\0'));
  EXPECT_EQ(le16(f, 74), 2);
  EXPECT_EQ(f.substr(116, 386), bytesOf(*a));
  EXPECT_EQ(f.substr(116 + 386, 386), bytesOf(*b));

  // Sections: 2 lists, titles Ta and Tb, one artist, one album, one genre.
  const int counts[5] = {2, 2, 1, 1, 1};
  std::size_t pos = 116 + 2 * 386;
  for (int s = 0; s < 5; ++s) {
    std::size_t at = 76 + 8 * static_cast<std::size_t>(s);
    EXPECT_EQ(le16(f, at), counts[s]) << s;
    EXPECT_EQ(le16(f, at + 2), 0) << s;
    EXPECT_EQ(le32(f, at + 4), static_cast<std::int32_t>(pos)) << s;
    for (int g = 0; g < counts[s]; ++g) {
      EXPECT_EQ(le16(f, pos), s + 1);
      pos += 2 + 64;
      pos += 2 + 2 * static_cast<std::size_t>(le16(f, pos));
    }
  }
  EXPECT_EQ(pos, f.size());

  std::size_t lists = static_cast<std::size_t>(le32(f, 80));
  EXPECT_EQ(f.substr(lists + 2, 64), std::string("Mine") + std::string(60, '\0'));
  EXPECT_EQ(le16(f, lists + 66), 2);
  EXPECT_EQ(le16(f, lists + 68), 1);  // b first: member order
  EXPECT_EQ(le16(f, lists + 70), 0);
  EXPECT_EQ(f.substr(lists + 72 + 2, 64), std::string("Empty") + std::string(59, '\0'));
  EXPECT_EQ(le16(f, lists + 72 + 66), 0);

  std::size_t genres = static_cast<std::size_t>(le32(f, 112));
  EXPECT_EQ(le16(f, genres), 5);
  EXPECT_EQ(f.substr(genres + 2, 64), std::string("\x11\0\0\0", 4) + std::string(60, '\0'));
  EXPECT_EQ(le16(f, genres + 66), 2);
}

TEST_F(ListFileTest, IndexedWriterMatchesTheLinearOneByteForByte) {
  std::mt19937 random(570);
  const char* titles[] = {"Intro", "intro", "Song", "", "Outro", "\xE9t\xE9", "\xC9T\xC9"};
  const char* artists[] = {"Band", "BAND", "Solo", ""};
  std::vector<SongRecord*> songs;
  for (int i = 0; i < 60; ++i) {
    std::string name = "s" + std::to_string(i) + ".mp3";
    songs.push_back(pc_.addSong(pcSong(name, titles[random() % 7], artists[random() % 4],
                                       "Album " + std::to_string(random() % 5), static_cast<int>(random() % 4) - 1),
                                nullptr, false));
  }
  for (int l = 0; l < 6; ++l) {
    SongGroup* list = pc_.addList("List " + std::to_string(l));
    for (int m = 0; m < 25; ++m) list->add(songs[random() % songs.size()]);
  }
  for (int i = 0; i < 60; i += 7) pc_.removeSong(songs[static_cast<std::size_t>(i)]);
  pc_.deleteList("list 2");
  SongRecord moved = *songs[1];
  std::strcpy(moved.album, "Other");
  pc_.updateSong(songs[1], moved);

  ASSERT_TRUE(pc_.save());
  std::string expected = linearListFile(pc_);
  EXPECT_EQ(machine_.readFile(kPcListFile), expected);
  // Read back and written again, the file stays the same.
  MusicCollection again(services_);
  again.setup(CollectionKind::PcLibrary, 'C');
  again.load("PC");
  ASSERT_TRUE(again.save());
  EXPECT_EQ(machine_.readFile(kPcListFile), linearListFile(again));
  EXPECT_EQ(again.songCount(), pc_.songCount());
  EXPECT_EQ(again.userLists().size(), pc_.userLists().size());
  for (std::size_t g = 0; g < pc_.userLists().size(); ++g)
    EXPECT_EQ(again.userLists()[g]->name(), pc_.userLists()[g]->name());
}

// The list file parsed from bytes, for the tolerance cases.
struct Parsed {
  bool ok;
  ListFileContents contents;
};
Parsed parse(const std::string& bytes) {
  Parsed p;
  p.ok = parseListFile(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), p.contents);
  return p;
}

TEST_F(ListFileTest, AFileThatEndsEarlyGivesItsCompleteParts) {
  SongRecord* a = pc_.addSong(pcSong("a.mp3", "T", "A", "B", 1), nullptr, false);
  SongRecord* b = pc_.addSong(pcSong("b.mp3", "T", "A", "B", 1), nullptr, false);
  pc_.addList("one")->add(b);
  SongGroup* two = pc_.addList("two");
  two->add(a);
  two->add(b);
  std::string full = linearListFile(pc_);
  std::size_t lists = static_cast<std::size_t>(le32(full, 80));

  struct Case {
    std::size_t length;
    std::size_t songs;
    std::vector<std::vector<std::uint16_t>> lists;
  } cases[] = {
      {115, 0, {}},
      {116, 0, {}},
      {116 + 385, 0, {}},
      {116 + 386, 1, {}},
      {lists, 2, {}},
      {lists + 67, 2, {}},
      {lists + 68, 2, {{}}},
      {lists + 70, 2, {{1}}},
      {lists + 70 + 68 + 3, 2, {{1}, {0}}},
      {full.size(), 2, {{1}, {0, 1}}},
  };
  for (const Case& c : cases) {
    Parsed p = parse(full.substr(0, c.length));
    EXPECT_EQ(p.ok, c.length >= 116) << c.length;
    EXPECT_EQ(p.contents.songs.size(), c.songs) << c.length;
    ASSERT_EQ(p.contents.userLists.size(), c.lists.size()) << c.length;
    for (std::size_t l = 0; l < c.lists.size(); ++l) EXPECT_EQ(p.contents.userLists[l].members, c.lists[l]);
  }
}

TEST_F(ListFileTest, OnlyMagicVersionAndRecordSizeAreChecked) {
  pc_.addSong(pcSong("a.mp3", "T", "A", "B", 1), nullptr, false);
  std::string good = linearListFile(pc_);
  struct Case {
    std::size_t at;
    const char* bytes;
    std::size_t length;
    bool accepted;
  } cases[] = {
      {0, "LIST", 4, true},  {0, "list", 4, false},      {4, "\x02\x00", 2, false}, {8, "\x81\x01", 2, false},
      {6, "\x00\x00", 2, true}, {10, "GARBAGE!!!!!", 12, true}, {22, "\x01", 1, true},
  };
  for (const Case& c : cases) {
    std::string bytes = good;
    bytes.replace(c.at, c.length, c.bytes, c.length);
    Parsed p = parse(bytes);
    EXPECT_EQ(p.ok, c.accepted) << c.at;
    EXPECT_EQ(p.contents.songs.size(), c.accepted ? 1u : 0u) << c.at;
  }
  EXPECT_FALSE(parse("").ok);
  EXPECT_FALSE(parse(std::string(4096, '\xFF')).ok);
}

TEST_F(ListFileTest, CountsBeyondTheFileAndIndexesOutOfRangeAreSkipped) {
  SongRecord* a = pc_.addSong(pcSong("a.mp3", "T", "A", "B", 1), nullptr, false);
  pc_.addSong(pcSong("b.mp3", "T", "A", "B", 1), nullptr, false);
  pc_.addList("one")->add(a);
  std::string bytes = linearListFile(pc_);
  std::size_t lists = static_cast<std::size_t>(le32(bytes, 80));
  set16(bytes, 74, -1);           // 65535 songs claimed
  set16(bytes, 76, 40000);        // lists claimed
  set16(bytes, lists + 66, 3);    // three members, then...
  bytes.insert(lists + 70, "\x07\x00\xFF\xFF", 4);  // ...indexes 7 and 65535, out of range
  bytes.resize(lists + 74);
  machine_.writeFile(kPcListFile, bytes);

  MusicCollection loaded(services_);
  loaded.setup(CollectionKind::PcLibrary, 'C');
  loaded.load("PC");
  EXPECT_EQ(loaded.songCount(), 2);
  ASSERT_EQ(loaded.userLists().size(), 1u);
  EXPECT_EQ(loaded.userLists()[0]->members(), std::vector<SongRecord*>{loaded.songAt(0)});

  for (std::int32_t offset : {-5, 1 << 30}) {
    set32(bytes, 80, offset);
    Parsed p = parse(bytes);
    EXPECT_TRUE(p.ok);
    EXPECT_TRUE(p.contents.userLists.empty()) << offset;
  }
}

TEST_F(ListFileTest, AListNameWithoutItsNulIsCutTo63Bytes) {
  pc_.addList("x");
  std::string bytes = linearListFile(pc_);
  std::size_t lists = static_cast<std::size_t>(le32(bytes, 80));
  bytes.replace(lists + 2, 64, std::string(64, 'N'));
  Parsed p = parse(bytes);
  ASSERT_EQ(p.contents.userLists.size(), 1u);
  EXPECT_EQ(p.contents.userLists[0].name, std::string(63, 'N'));
}

TEST_F(ListFileTest, ASaveThatCannotReplaceTheFileKeepsTheOldOne) {
  pc_.addSong(pcSong("a.mp3", "T", "A", "B", 1), nullptr, false);
  ASSERT_TRUE(pc_.save());
  std::string old = machine_.readFile(kPcListFile);
  pc_.addSong(pcSong("b.mp3", "T", "A", "B", 1), nullptr, false);

  win::SetFileAttributesA(kPcListFile.c_str(), win::FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(pc_.save());
  EXPECT_EQ(machine_.readFile(kPcListFile), old);
  EXPECT_FALSE(machine_.exists(listFileTempPath(kPcListFile)));
  EXPECT_EQ(win::GetFileAttributesA(kPcListFile.c_str()) & win::FILE_ATTRIBUTE_READONLY, win::FILE_ATTRIBUTE_READONLY);

  // A folder in the way of the temporary file.
  win::SetFileAttributesA(kPcListFile.c_str(), win::FILE_ATTRIBUTE_NORMAL);
  ASSERT_TRUE(win::CreateDirectoryA(listFileTempPath(kPcListFile).c_str(), nullptr));
  EXPECT_FALSE(pc_.save());
  EXPECT_EQ(machine_.readFile(kPcListFile), old);
  win::RemoveDirectoryA(listFileTempPath(kPcListFile).c_str());

  // A stale temporary file of an interrupted save is replaced.
  machine_.writeFile(listFileTempPath(kPcListFile), "stale");
  EXPECT_TRUE(pc_.save());
  EXPECT_FALSE(machine_.exists(listFileTempPath(kPcListFile)));
  EXPECT_EQ(machine_.readFile(kPcListFile), linearListFile(pc_));
}

TEST(ListFileSave, AFullPlayerKeepsItsOldListFileHiddenAndSystem) {
  sim::MachineSpec spec = collectiontest::PlayerMachineSpec();
  spec.drives[1].capacity = 256 * 1024;
  PlayerMachine machine(spec);
  TestServices services;
  MusicCollection player(services);
  player.setup(CollectionKind::DiskPlayer, 'E');
  auto numbered = [](int n) {
    SongRecord r = Song("E:\\SYSTEM\\MP3\\song" + std::to_string(n) + ".mp3", "t", "a", "b", 2);
    r.fileNumber = n;
    return r;
  };
  player.addSong(numbered(1), nullptr, false);
  ASSERT_TRUE(player.save());
  const std::string list = "E:\\SYSTEM\\VIRELO.LST";
  std::string old = machine.readFile(list);
  EXPECT_EQ(win::GetFileAttributesA(list.c_str()) & kHiddenSystem, kHiddenSystem);

  // About 300 KiB of records cannot be written beside the old file.
  for (int n = 2; n < 800; ++n) player.addSong(numbered(n), nullptr, false);
  EXPECT_FALSE(player.save());
  EXPECT_EQ(machine.readFile(list), old);
  EXPECT_FALSE(machine.exists(listFileTempPath(list)));
  EXPECT_EQ(win::GetFileAttributesA(list.c_str()) & kHiddenSystem, kHiddenSystem);

  MusicCollection reread(services);
  reread.setup(CollectionKind::DiskPlayer, 'E');
  reread.load("Player");
  EXPECT_EQ(reread.songCount(), 1);
}

}  // namespace
}  // namespace virelo
