// Feeds arbitrary bytes to the M3U reader and checks what it returns.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "music/core/m3u.h"
#include "platform/testing/temp_machine.h"

namespace {

const std::string kM3u = "C:\\Lists\\fuzz.m3u";

const kltest::TempMachine& machine() {
  static const kltest::TempMachine m;
  return m;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  machine().writeFile(kM3u, size ? std::string(reinterpret_cast<const char*>(data), size) : std::string());
  std::vector<std::string> paths;
  if (!virelo::readM3u(kM3u, paths)) std::abort();
  for (const std::string& path : paths) {
    // Never empty, never longer than the base folder and one line, never
    // with trailing white space or a line end.
    if (path.empty() || path.size() > std::string("C:\\Lists\\").size() + virelo::kM3uLineLimit) std::abort();
    char last = path.back();
    if (last == ' ' || last == '\t' || last == '\r' || last == '\n') std::abort();
  }
  return 0;
}
