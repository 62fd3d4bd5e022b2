// The list file VIRELO.LST of the PC library and of a disk player: a
// 116-byte header, the 386-byte song records, then the user lists and the
// title, artist, album and genre groups with the record indexes of their
// members. Little-endian and packed.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "music/core/song_group.h"
#include "music/core/song_record.h"

namespace virelo {

static_assert(std::endian::native == std::endian::little, "the list file is little-endian");

#pragma pack(push, 1)
// One group section of the header: how many groups and where the first begins.
struct ListFileSection {
  std::int16_t count;
  std::uint8_t zero[2];
  std::int32_t offset;
};

struct ListFileHeader {
  char magic[4];             // "LIST"
  std::uint16_t version;     // 1
  std::uint16_t headerSize;  // 116
  std::uint16_t recordSize;  // 386
  char marker[12];           // "KFZ DEFINED"
  std::uint8_t zero[52];
  std::int16_t songCount;
  // User lists, then the title, artist, album and genre groups.
  ListFileSection sections[5];
};

// Followed by `count` 16-bit member indexes.
struct ListGroupRecord {
  std::int16_t kind;
  char name[kGroupNameBytes];
  std::int16_t count;
};
#pragma pack(pop)

static_assert(sizeof(ListFileSection) == 8);
static_assert(sizeof(ListFileHeader) == 116);
static_assert(offsetof(ListFileHeader, version) == 4);
static_assert(offsetof(ListFileHeader, headerSize) == 6);
static_assert(offsetof(ListFileHeader, recordSize) == 8);
static_assert(offsetof(ListFileHeader, marker) == 10);
static_assert(offsetof(ListFileHeader, zero) == 22);
static_assert(offsetof(ListFileHeader, songCount) == 74);
static_assert(offsetof(ListFileHeader, sections) == 76);
static_assert(sizeof(ListGroupRecord) == 68);
static_assert(offsetof(ListGroupRecord, name) == 2);
static_assert(offsetof(ListGroupRecord, count) == 66);

inline constexpr char kListFileName[] = "VIRELO.LST";
inline constexpr std::uint16_t kListFileVersion = 1;
inline constexpr std::uint16_t kListFileHeaderSize = 116;
inline constexpr std::uint16_t kListFileRecordSize = 386;
inline constexpr int kListFileSections = 5;

// Counts and indexes are 16-bit, and a negative count would read back as
// nothing: a list file holds at most this many songs, groups per section
// and members per group.
inline constexpr int kListFileLimit = 32767;

// A user list as the file has it.
struct ListFileList {
  std::string name;
  std::vector<std::uint16_t> members;  // indexes into the song records
};

struct ListFileContents {
  std::vector<SongRecord> songs;
  std::vector<ListFileList> userLists;
};

// Decodes list-file bytes. false (and nothing) when the header check fails
// ("LIST", version 1, record size 386); a file that ends early gives what
// its complete records and group records hold. Counts and indexes are read
// as unsigned 16-bit values. Only the user lists are taken of the groups.
bool parseListFile(const std::uint8_t* data, std::size_t size, ListFileContents& out);

// Reads and decodes the file; false when it cannot be read or fails the check.
bool readListFile(const std::string& path, ListFileContents& out);

// The bytes of a list file: the members of allSongs as the records, then
// the five chains (user lists, title, artist, album, genre) in order, each
// member as its index in allSongs. Members that are not in allSongs, or
// beyond the limit, are left out and not counted.
std::string buildListFile(const SongGroup& allSongs, const GroupChain* const (&sections)[kListFileSections]);

// Replaces the file at path with bytes so that it holds either its old
// contents or all of the new ones: written beside it under a temporary name,
// checked, then moved over it. With hiddenSystem the old file is made normal
// first and the new one hidden and system. On failure the temporary file
// is deleted, the old file keeps its attributes, and the result is false.
bool saveListFile(const std::string& path, const std::string& bytes, bool hiddenSystem);

// The temporary name a save writes first.
std::string listFileTempPath(const std::string& path);

}  // namespace virelo
