// Feeds arbitrary bytes to the private-profile reader as an INI file and
// asks it for sections, keys and values with buffers of every awkward size.
// The buffers are exactly their stated size, so any write past them is seen.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/testing/temp_machine.h"
#include "platform/win/profile.h"

namespace {

const kltest::TempMachine& machine() {
  static const kltest::TempMachine m;
  return m;
}

// Checks what Windows promises: the count fits, and the text ends in NUL
// within the buffer.
void checkResult(const std::vector<char>& buffer, win::DWORD count) {
  if (buffer.empty()) {
    if (count != 0) std::abort();
    return;
  }
  if (count >= buffer.size()) std::abort();
  if (buffer[count] != '\0') std::abort();
}

// The names of a NUL-separated list ended by a second NUL.
std::vector<std::string> splitList(const std::vector<char>& buffer, win::DWORD count) {
  std::vector<std::string> names;
  std::size_t start = 0;
  for (std::size_t i = 0; i < count; ++i)
    if (buffer[i] == '\0') {
      names.emplace_back(buffer.data() + start, i - start);
      start = i + 1;
    }
  return names;
}

win::DWORD ask(const char* section, const char* key, const char* file, std::size_t size, std::vector<char>& out) {
  out.assign(size, '\x7f');
  win::DWORD n = win::GetPrivateProfileStringA(section, key, "default", size ? out.data() : nullptr,
                                               static_cast<win::DWORD>(size), file);
  checkResult(out, n);
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const kltest::TempMachine& m = machine();
  // Names take turns: each file is rewritten only every 64th input, so the
  // profile cache, which goes by time stamp and size, sees every input.
  static unsigned turn = 0;
  const std::string file = "C:\\fuzz" + std::to_string(turn++ % 64) + ".ini";
  m.writeFile(file, std::string(reinterpret_cast<const char*>(data), size));

  const std::size_t sizes[] = {0, 1, 2, 3, 8, 260, 65536};
  std::vector<char> out;
  for (std::size_t s : sizes) ask(nullptr, nullptr, file.c_str(), s, out);
  win::DWORD n = ask(nullptr, nullptr, file.c_str(), 65536, out);
  std::vector<std::string> sections = splitList(out, n);
  if (sections.size() > 16) sections.resize(16);
  sections.push_back("VIRELO.EXE");
  sections.push_back("STR");

  for (const std::string& section : sections) {
    for (std::size_t s : sizes) ask(section.c_str(), nullptr, file.c_str(), s, out);
    n = ask(section.c_str(), nullptr, file.c_str(), 65536, out);
    std::vector<std::string> keys = splitList(out, n);
    if (keys.size() > 16) keys.resize(16);
    keys.push_back("LANGDEFAULT");
    keys.push_back("1");
    for (const std::string& key : keys)
      for (std::size_t s : sizes) ask(section.c_str(), key.c_str(), file.c_str(), s, out);
    win::GetPrivateProfileIntA(section.c_str(), keys.front().c_str(), -1, file.c_str());
  }
  return 0;
}
