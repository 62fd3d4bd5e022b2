// File-name patterns as FindFirstFile takes them: "*" any run, "?" one
// character, letters without regard to case, and "*.*" for every name.
#pragma once

#include <string_view>

#include "platform/win/types.h"

namespace win {

bool MatchesFilePattern(std::string_view name, std::string_view pattern, UINT codePage);

}  // namespace win
