// The settings kept under HKEY_CURRENT_USER\SOFTWARE\VIRELO: the XDATA
// record and the two window placements LIST and PLAYER. Each is read only
// when it exists with its exact length; anything else counts as absent.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/win/types.h"

namespace virelo {

inline constexpr char kSettingsKey[] = "SOFTWARE\\VIRELO";

// The XDATA value: 24 bytes, six little-endian 32-bit words.
struct XData {
  std::uint32_t windowMode = 0;  // low byte of word 0: 0 library window, 1 mini player
  std::uint32_t volumeStep = 8;  // 0..15
  std::uint32_t repeatMode = 0;  // 0, 1, 2
  std::uint32_t shuffle = 0;     // 0, 1
  std::uint32_t autoPlayLyrics = 1;
  std::uint32_t autoDownloadLyrics = 1;
  friend bool operator==(const XData&, const XData&) = default;
};
inline constexpr std::size_t kXDataSize = 24;
static_assert(sizeof(XData) == kXDataSize);

// Stored words outside their range take the default of that word, so that
// a damaged value cannot index past a button's pictures or the volume strip.
std::optional<XData> ReadXData();
bool WriteXData(const XData& data);

enum class PlacementSlot { List, Player };  // values "LIST" and "PLAYER"
inline constexpr std::size_t kPlacementSize = 44;

std::optional<win::WINDOWPLACEMENT> ReadPlacement(PlacementSlot slot);
bool WritePlacement(PlacementSlot slot, const win::WINDOWPLACEMENT& placement);

// The placement as it is stored at shut-down: a minimised window comes back
// maximised when it was maximised before, else restored, so the next start
// never opens minimised.
win::WINDOWPLACEMENT PlacementForStorage(win::WINDOWPLACEMENT placement);

}  // namespace virelo
