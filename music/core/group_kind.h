// What a group of songs gathers; the numbers are those stored in the list
// file's group records.
#pragma once

#include <cstdint>

namespace virelo {

enum class GroupKind : std::int32_t {
  AllSongs = 0,
  UserList = 1,
  Title = 2,
  Artist = 3,
  Album = 4,
  Genre = 5,
  Recordings = 6,
};

}  // namespace virelo
