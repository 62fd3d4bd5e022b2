// The program's own string table, numbers 50 to 70 (names, button texts,
// box titles), held under eight languages.
#pragma once

#include <cstdint>

#include "platform/win/types.h"

namespace pendrel {

constexpr std::uint32_t kFirstOwnString = 50;
constexpr std::uint32_t kLastOwnString = 70;

// The text of a number from 50 to 70 in the table of the language (its
// primary language, Traditional Chinese for 0x0404 only, English for a
// language the program has no table for); null for other numbers.
const wchar_t* OwnString(std::uint32_t id, win::LANGID langid);

}  // namespace pendrel
