// The language tables built into the program from lang/*.txt.
#pragma once

#include <cstddef>

namespace pendrel {

struct KvLanguageData {
  const char* fileName;  // the library's name, "kvrx0409.dll"
  const unsigned char* bytes;
  std::size_t size;
};

extern const KvLanguageData kLanguageData[];
extern const std::size_t kLanguageDataCount;

}  // namespace pendrel
