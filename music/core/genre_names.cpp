#include "music/core/genre_names.h"

#include <id3/globals.h>

namespace virelo {

static_assert(ID3_NR_OF_V1_GENRES == kGenreCount);

namespace {

std::string_view WithoutTrailingSpaces(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

}  // namespace

const char* GenreName(std::int32_t genre) {
  if (genre < 0 || genre >= kGenreCount) return nullptr;
  return ID3_v1_genre_description[genre];
}

std::int32_t GenreNumberOf(std::string_view name) {
  name = WithoutTrailingSpaces(name);
  if (name.empty()) return -1;
  for (std::int32_t genre = 0; genre < kGenreCount; ++genre) {
    if (SameName(name, WithoutTrailingSpaces(ID3_v1_genre_description[genre]))) return genre;
  }
  return -1;
}

}  // namespace virelo
