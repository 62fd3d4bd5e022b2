#include "music/core/record_builder.h"

#include <id3/misc_support.h>
#include <id3/tag.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>

#include "music/core/file_utils.h"
#include "music/core/genre_names.h"
#include "music/core/media_duration.h"
#include "music/core/record_builder_reader.h"
#include "platform/win/files.h"
#include "platform/win/last_error.h"

namespace virelo {

namespace {

constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

// The size of a file; nullopt when the path is missing or a folder.
std::optional<std::uint64_t> SizeOfFile(const std::string& path) {
  win::DWORD attributes = win::GetFileAttributesA(path.c_str());
  if (attributes == win::INVALID_FILE_ATTRIBUTES || (attributes & win::FILE_ATTRIBUTE_DIRECTORY)) {
    return std::nullopt;
  }
  win::HANDLE file = win::CreateFileA(path.c_str(), win::GENERIC_READ, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE,
                                      nullptr, win::OPEN_EXISTING, win::FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == win::INVALID_HANDLE_VALUE) return std::nullopt;
  win::DWORD high = 0;
  win::DWORD low = win::GetFileSize(file, &high);
  bool failed = low == win::INVALID_FILE_SIZE && win::GetLastError() != win::ERROR_SUCCESS;
  win::CloseHandle(file);
  if (failed) return std::nullopt;
  return (static_cast<std::uint64_t>(high) << 32) | low;
}

// Keeps the first 30 bytes of a tag text; the field stays NUL-terminated.
void PutTagText(char (&field)[32], std::unique_ptr<char[]> text) {
  if (!text) return;
  std::size_t length = strnlen(text.get(), kTagTextLimit);
  std::memcpy(field, text.get(), length);
  field[length] = '\0';
}

// The tag's genre number ("(17)", as id3lib gives an ID3v1 genre); a tag
// that names its genre only by text ("Rock", as LAME and later taggers
// write it) gets the number of that name.
std::int32_t GenreOf(const ID3_Tag& tag) {
  std::size_t number = ID3_GetGenreNum(&tag);
  if (number < static_cast<std::size_t>(kGenreCount) && GenreName(static_cast<std::int32_t>(number))) {
    return static_cast<std::int32_t>(number);
  }
  std::unique_ptr<char[]> text(ID3_GetGenre(&tag));
  return text ? GenreNumberOf(text.get()) : -1;
}

// Header information and tags of an MP3 file; false without a readable
// MPEG header.
bool ReadMp3(const std::string& path, std::uint64_t fileSize, SongRecord& record) {
  Id3FileReader reader(path);
  if (!reader.isOpen()) return false;
  ID3_Tag tag;
  tag.Link(reader, ID3TT_ALL);
  const Mp3_Headerinfo* header = tag.GetMp3HeaderInfo();
  if (!header) return false;

  // A Xing header's average speaks for the whole file; the first frame's
  // rate does only for a constant bit rate.
  std::int64_t bitRate = header->vbr_bitrate > 0 ? static_cast<std::int64_t>(header->vbr_bitrate)
                                                 : static_cast<std::int64_t>(header->bitrate);
  std::int64_t bytesPerSecond = bitRate / 8;
  if (bytesPerSecond <= 0 || bitRate > kInt32Max || header->frequency == 0 || header->frequency > kInt32Max) {
    return false;
  }
  std::uint64_t tagBytes = static_cast<std::uint64_t>(tag.GetPrependedBytes()) + tag.GetAppendedBytes();
  std::int64_t audioBytes = fileSize > tagBytes ? static_cast<std::int64_t>(fileSize - tagBytes) : 0;
  // 64 bits: audio bytes x 1000 leaves 32 bits from about 2 MiB on.
  std::int64_t durationMs = audioBytes * 1000 / bytesPerSecond;

  record.bitRate = static_cast<std::int32_t>(bitRate);
  record.sampleRate = static_cast<std::int32_t>(header->frequency);
  record.durationMs = static_cast<std::int32_t>(std::min(durationMs, kInt32Max));
  PutTagText(record.artist, std::unique_ptr<char[]>(ID3_GetArtist(&tag)));
  PutTagText(record.album, std::unique_ptr<char[]>(ID3_GetAlbum(&tag)));
  PutTagText(record.title, std::unique_ptr<char[]>(ID3_GetTitle(&tag)));
  record.genre = GenreOf(tag);
  return true;
}

}  // namespace

bool BuildSongRecord(const std::string& path, SongRecord& record) {
  std::memset(&record, 0, sizeof record);
  if (path.empty() || path.size() >= sizeof record.path) return false;
  std::size_t lastBackslash = path.rfind('\\');
  std::size_t nameOffset = lastBackslash == std::string::npos ? 0 : lastBackslash + 1;
  if (nameOffset > std::numeric_limits<std::uint8_t>::max()) return false;
  std::memcpy(record.path, path.data(), path.size());
  record.nameOffset = static_cast<std::uint8_t>(nameOffset);

  std::optional<std::uint64_t> size = SizeOfFile(path);
  if (!size || *size == 0 || *size > static_cast<std::uint64_t>(kInt32Max)) return false;
  record.fileSize = static_cast<std::int32_t>(*size);

  record.genre = -1;
  if (path.back() == '3') {
    if (!ReadMp3(path, *size, record)) return false;
  } else {
    std::optional<std::int32_t> durationMs = mediaDurationMs(path);
    if (!durationMs) return false;
    record.durationMs = *durationMs;
  }

  record.hasLyrics = fileSizeOf(lyricPathOf(path)) > 0 ? 1 : 0;
  return true;
}

}  // namespace virelo
