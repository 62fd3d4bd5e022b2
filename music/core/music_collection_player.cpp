// What a collection does with the files of a player: copying songs onto
// it, numbering them on a disk player, and deleting them.
#include <algorithm>
#include <cctype>
#include <string>

#include "music/core/file_utils.h"
#include "music/core/library_services.h"
#include "music/core/music_collection.h"
#include "music/core/music_collection_text.h"
#include "platform/win/codepage.h"
#include "platform/win/files.h"

namespace virelo {
namespace {

std::string namePartOfPath(const std::string& path) {
  std::size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace

bool MusicCollection::copyToPlayer(SongRecord& record) {
  std::string source = pathOf(record);
  if (!source.empty() && std::toupper(static_cast<unsigned char>(source[0])) == driveLetter_) return false;
  std::string name = fileNamePartOf(record);
  std::string lyrics = lyricPathOf(source);
  bool withLyrics = services_.autoDownloadLyrics() && fileSizeOf(lyrics) > 0;
  if (kind_ == CollectionKind::DiskPlayer) {
    if (record.fileNumber != 0) return false;
    int number = smallestUnusedNumber();
    std::string target = musicFolder_ + std::to_string(number);
    if (!copyFile(target, source, true)) return false;
    record.fileNumber = number;
    if (withLyrics) copyFile(target + ".LRC", lyrics, true);
  } else {
    if (!copyFile(musicFolder_ + name, source, false)) return false;
    if (withLyrics) copyFile(musicFolder_ + namePartOfPath(lyrics), lyrics, false);
  }
  setPath(record, musicFolder_ + name);
  record.nameOffset = static_cast<std::uint8_t>(musicFolder_.size());
  return true;
}

int MusicCollection::smallestUnusedNumber() const {
  std::size_t n = std::max<std::size_t>(lowestFreeNumber_, 1);
  while (n < numberUse_.size() && numberUse_[n] != 0) ++n;
  lowestFreeNumber_ = n;
  return static_cast<int>(n);
}

void MusicCollection::useNumber(std::int32_t number, int delta) {
  if (kind_ != CollectionKind::DiskPlayer || number < 1 || static_cast<std::size_t>(number) >= numberUse_.size())
    return;
  std::uint32_t& uses = numberUse_[static_cast<std::size_t>(number)];
  if (delta > 0) {
    ++uses;
  } else if (uses > 0 && --uses == 0 && static_cast<std::size_t>(number) < lowestFreeNumber_) {
    lowestFreeNumber_ = static_cast<std::size_t>(number);
  }
}

void MusicCollection::deleteSongFiles(const SongRecord& record) {
  if (kind_ == CollectionKind::DiskPlayer) {
    if (record.fileNumber == 0) return;
    deleteFileAndLyrics(musicFolder_ + std::to_string(record.fileNumber));
  } else if (kind_ == CollectionKind::FlashPlayer) {
    deleteFileAndLyrics(pathOf(record));
  }
}

// Playback lets go of the file first when it is the one playing.
void MusicCollection::deleteFileAndLyrics(const std::string& path) {
  std::string playing = services_.nowPlayingPath();
  if (!playing.empty() && win::AnsiEqualNoCase(playing, path, codePage_)) services_.stopPlayback();
  std::string lyrics = lyricPathOf(path);
  if (win::GetFileAttributesA(lyrics.c_str()) != win::INVALID_FILE_ATTRIBUTES) deleteFile(lyrics);
  deleteFile(path);
}

}  // namespace virelo
