// The four kinds of music collection: the library on the PC, a player that
// keeps its songs under numbers with a list file, a player that keeps them
// loose in its root folder, and the tracks of an audio CD.
#pragma once

#include <cstdint>

namespace virelo {

enum class CollectionKind : std::int32_t {
  PcLibrary = 0,
  DiskPlayer = 1,
  FlashPlayer = 2,
  AudioCd = 3,
};

}  // namespace virelo
