// The language resource libraries: one string table per language, found by
// the library's file name ("kvrx0409.dll"). The tables are kept as UTF-8
// text, one "number<TAB>text" line per string, with \n, \t and \\ escapes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/win/types.h"

namespace pendrel {

class KvStringTable {
 public:
  // Null when a line is malformed.
  static std::unique_ptr<KvStringTable> Parse(std::string_view text);

  const std::wstring* Find(std::uint32_t id) const;

 private:
  std::unordered_map<std::uint32_t, std::wstring> m_strings;
};

// The library for a language identifier: by its primary language, with
// Traditional Chinese only for 0x0404 and English for any language without one.
std::string LanguageLibraryName(win::LANGID langid);

// Loads the library of that file name; null when there is none or it is unreadable.
std::shared_ptr<const KvStringTable> LoadLanguageLibrary(const std::string& fileName);

}  // namespace pendrel
