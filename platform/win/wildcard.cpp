#include "platform/win/wildcard.h"

#include "platform/win/codepage.h"

namespace win {

bool MatchesFilePattern(std::string_view name, std::string_view pattern, UINT codePage) {
  if (pattern == "*.*" || pattern == "*") return true;
  // Iterative matching with one backtrack point for the last "*".
  std::size_t n = 0, p = 0, star = std::string_view::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (p < pattern.size() &&
               (pattern[p] == '?' || AnsiToUpper(pattern[p], codePage) == AnsiToUpper(name[n], codePage))) {
      ++p;
      ++n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  // "name.*" also matches a name without a dot, as on Windows.
  if (p + 2 == pattern.size() && pattern[p] == '.' && pattern[p + 1] == '*') return true;
  return p == pattern.size();
}

}  // namespace win
