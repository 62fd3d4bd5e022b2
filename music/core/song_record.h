// One music item as the list file stores it: 386 bytes, packed,
// little-endian, copied whole whenever a record is duplicated.
#pragma once

#include <cstddef>
#include <cstdint>

namespace virelo {

#pragma pack(push, 1)
struct SongRecord {
  char path[260];          // full path; a CD track keeps its title here
  std::int32_t fileNumber; // n of X:\SYSTEM\MP3\n on a disk player; 0 none; -1 CD track
  std::uint8_t nameOffset; // offset of the file-name part inside path
  char title[32];          // at most 30 bytes kept
  char artist[32];
  char album[32];
  std::int32_t genre;      // ID3v1 genre 0..147, -1 unknown
  std::int32_t durationMs;
  std::int32_t bitRate;    // bit/s, MP3 only
  std::int32_t sampleRate; // Hz, MP3 only
  std::int32_t fileSize;   // bytes; a CD track: its length in bytes of CD audio
  std::uint8_t hasLyrics;
  std::uint8_t reserved[3];
  std::uint8_t cdTrack;    // 1..99 for a CD track, 0 for files
};
#pragma pack(pop)

static_assert(sizeof(SongRecord) == 386);
static_assert(offsetof(SongRecord, path) == 0);
static_assert(offsetof(SongRecord, fileNumber) == 260);
static_assert(offsetof(SongRecord, nameOffset) == 264);
static_assert(offsetof(SongRecord, title) == 265);
static_assert(offsetof(SongRecord, artist) == 297);
static_assert(offsetof(SongRecord, album) == 329);
static_assert(offsetof(SongRecord, genre) == 361);
static_assert(offsetof(SongRecord, durationMs) == 365);
static_assert(offsetof(SongRecord, bitRate) == 369);
static_assert(offsetof(SongRecord, sampleRate) == 373);
static_assert(offsetof(SongRecord, fileSize) == 377);
static_assert(offsetof(SongRecord, hasLyrics) == 381);
static_assert(offsetof(SongRecord, reserved) == 382);
static_assert(offsetof(SongRecord, cdTrack) == 385);

// Tags keep at most this many bytes (a plain byte cut).
constexpr std::size_t kTagTextLimit = 30;

}  // namespace virelo
