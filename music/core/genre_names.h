// The ID3v1 genre list with its Winamp extensions (0 "Blues" ... 147
// "Synthpop"), as id3lib provides it: names for genre groups, numbers for
// tags that give only a name.
#pragma once

#include <cstdint>
#include <string_view>

namespace virelo {

constexpr std::int32_t kGenreCount = 148;

// The name of a genre number; nullptr outside 0..147.
const char* GenreName(std::int32_t genre);

// The number whose name equals the text, ignoring letter case and trailing
// spaces; -1 when no genre has that name.
std::int32_t GenreNumberOf(std::string_view name);

}  // namespace virelo
