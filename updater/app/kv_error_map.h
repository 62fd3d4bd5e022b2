// The two maps of the text service: result codes to string numbers, and the
// player's 16-bit status codes to string numbers.
#pragma once

#include <cstdint>
#include <unordered_map>

namespace pendrel {

// The string for an unknown player status.
constexpr std::uint32_t kUnknownStatusString = 621;

// Code 0 and -1 to -59.
std::unordered_map<std::int32_t, std::uint32_t> BuildErrorMap();
// 199 player status codes.
std::unordered_map<std::uint16_t, std::uint32_t> BuildDeviceStatusMap();

}  // namespace pendrel
