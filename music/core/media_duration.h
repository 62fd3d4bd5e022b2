// The playing time of a medium that is not measured from its MPEG header
// (WMA files, the player's recordings), through the platform media layer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace virelo {

// Renders the file at a Windows path without playing it and reads its
// duration: whole milliseconds, cut (never rounded up). nullopt when the
// medium cannot be rendered or tells no duration that fits an int32.
std::optional<std::int32_t> mediaDurationMs(const std::string& path);

}  // namespace virelo
