#include "music/core/music_collection_text.h"

#include <algorithm>
#include <cstring>

#include "platform/win/codepage.h"

namespace virelo {

void terminateTexts(SongRecord& record) {
  if (::strnlen(record.path, sizeof record.path) == sizeof record.path) record.path[sizeof record.path - 1] = 0;
  for (char* field : {record.title, record.artist, record.album})
    if (::strnlen(field, kTagTextLimit + 1) > kTagTextLimit) field[kTagTextLimit] = 0;
}

std::string_view tagText(const char (&field)[32]) { return std::string_view(field, ::strnlen(field, kTagTextLimit)); }

std::string pathOf(const SongRecord& record) {
  return std::string(record.path, ::strnlen(record.path, sizeof record.path));
}

std::string fileNamePartOf(const SongRecord& record) {
  std::string path = pathOf(record);
  return path.substr(std::min<std::size_t>(record.nameOffset, path.size()));
}

std::string foldedName(std::string_view name, unsigned codePage) {
  bool doubleByte = codePage == 936;
  std::string key(name);
  for (std::size_t i = 0; i < key.size(); ++i) {
    if (doubleByte && static_cast<unsigned char>(key[i]) >= 0x81 && i + 1 < key.size()) {
      ++i;
      continue;
    }
    key[i] = win::AnsiToUpper(key[i], codePage);
  }
  return key;
}

void setPath(SongRecord& record, const std::string& path) {
  std::size_t n = std::min(path.size(), sizeof record.path - 1);
  std::memcpy(record.path, path.data(), n);
  record.path[n] = 0;
}

}  // namespace virelo
