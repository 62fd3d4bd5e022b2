#include "music/core/song_group.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace virelo {
namespace {

std::vector<SongRecord> records(std::size_t n) { return std::vector<SongRecord>(n, SongRecord{}); }

TEST(SongGroup, RefusesARecordThatIsAlreadyAMember) {
  // Sizes on both sides of the point where the group starts to index.
  for (std::size_t size : {3u, 40u}) {
    auto songs = records(size);
    SongGroup group(CollectionKind::PcLibrary, GroupKind::UserList, "list");
    for (SongRecord& s : songs) EXPECT_TRUE(group.add(&s));
    for (SongRecord& s : songs) EXPECT_FALSE(group.add(&s));
    EXPECT_EQ(group.size(), size);
    EXPECT_FALSE(group.add(nullptr));
  }
}

TEST(SongGroup, KeepsMemberOrderAndPositionsThroughRemovals) {
  for (std::size_t size : {5u, 50u}) {
    auto songs = records(size);
    SongGroup group(CollectionKind::DiskPlayer, GroupKind::UserList, "list");
    std::vector<SongRecord*> expected;
    for (SongRecord& s : songs) {
      group.add(&s);
      expected.push_back(&s);
    }
    EXPECT_EQ(group.indexOf(&songs[size - 1]), static_cast<int>(size - 1));
    // Remove every third record, then look the rest up and add one back.
    for (std::size_t i = 0; i < size; i += 3) {
      EXPECT_TRUE(group.remove(&songs[i]));
      EXPECT_FALSE(group.remove(&songs[i]));
      std::erase(expected, &songs[i]);
    }
    EXPECT_EQ(group.members(), expected);
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(group.indexOf(expected[i]), static_cast<int>(i));
    EXPECT_EQ(group.indexOf(&songs[0]), -1);
    EXPECT_FALSE(group.contains(&songs[0]));
    EXPECT_TRUE(group.add(&songs[0]));
    EXPECT_EQ(group.indexOf(&songs[0]), static_cast<int>(expected.size()));
    EXPECT_TRUE(group.contains(&songs[0]));
  }
}

TEST(SongGroup, NamesAreCutTo63BytesAndZeroFilled) {
  std::string longName(80, 'n');
  SongGroup group(CollectionKind::PcLibrary, GroupKind::UserList, longName);
  EXPECT_EQ(group.name(), std::string(63, 'n'));
  EXPECT_EQ(group.nameBytes()[63], '\0');

  SongGroup shortName(CollectionKind::PcLibrary, GroupKind::Title, "ab");
  char expected[kGroupNameBytes] = {'a', 'b'};
  EXPECT_EQ(std::memcmp(shortName.nameBytes(), expected, kGroupNameBytes), 0);
}

TEST(SongGroup, GenreGroupsKeepTheNumberInTheFirstFourNameBytes) {
  SongGroup rock = SongGroup::forGenre(CollectionKind::PcLibrary, 17);
  const unsigned char expected[8] = {17, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(rock.nameBytes(), expected, sizeof expected), 0);
  EXPECT_EQ(rock.genre(), 17);
  SongGroup unknown = SongGroup::forGenre(CollectionKind::PcLibrary, -1);
  const unsigned char minusOne[5] = {0xFF, 0xFF, 0xFF, 0xFF, 0};
  EXPECT_EQ(std::memcmp(unknown.nameBytes(), minusOne, sizeof minusOne), 0);
  EXPECT_EQ(unknown.genre(), -1);
  EXPECT_EQ(unknown.kind(), GroupKind::Genre);
}

}  // namespace
}  // namespace virelo
