// Feeds arbitrary bytes to the music manager as its language file (on a
// code page 936 machine, where double-byte characters take part in the
// name comparison) and checks every text it then hands out.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "music/core/language_text.h"
#include "music/core/language_text_numbers.h"
#include "platform/testing/temp_machine.h"

namespace {

const std::string kProgramFolder = "C:\\Virelo\\";

constexpr unsigned kTurns = 64;

sim::MachineSpec chineseMachine() {
  sim::MachineSpec spec;
  spec.settings.codePage = 936;
  spec.settings.systemLangId = 0x0804;
  return spec;
}

// config.ini names one language file per language 0x0000..0x003f and the
// languages take turns: each file is rewritten only every 64th input, so
// the profile cache, which goes by time stamp and size, sees every input.
const kltest::TempMachine& machine() {
  static const kltest::TempMachine m(chineseMachine());
  static const bool configured = [] {
    std::string config = "[VIRELO.EXE]\r\n";
    for (unsigned i = 0; i < kTurns; ++i) {
      char line[64];
      std::snprintf(line, sizeof line, "LANG%.4x=Language\\fuzz%u.ini\r\n", i, i);
      config += line;
    }
    m.writeFile(kProgramFolder + "config.ini", config);
    return true;
  }();
  (void)configured;
  return m;
}

void checkText(const char* text) {
  if (text == nullptr) std::abort();
  if (std::strlen(text) > 259) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const kltest::TempMachine& m = machine();
  static unsigned turn = 0;
  const unsigned language = turn++ % kTurns;
  m.writeFile(kProgramFolder + "Language\\fuzz" + std::to_string(language) + ".ini",
              std::string(reinterpret_cast<const char*>(data), size));

  virelo::LanguageTexts texts;
  texts.load(kProgramFolder, static_cast<win::LANGID>(language));
  if (texts.languageFile() != kProgramFolder + "Language\\fuzz" + std::to_string(language) + ".ini") std::abort();
  for (int n : virelo::kLanguageTextNumbers) checkText(texts.LanguageText(n));
  for (int n : virelo::kMenuTextNumbers) checkText(texts.MenuText(n));
  if (texts.LanguageText(3) != nullptr || texts.MenuText(1) != nullptr) std::abort();
  return 0;
}
