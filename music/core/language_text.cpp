#include "music/core/language_text.h"

#include <cstdio>

#include "music/core/language_config.h"
#include "music/core/language_text_numbers.h"
#include "platform/win/profile.h"

namespace virelo {
namespace {

// Each text is read with a limit of 259 characters.
constexpr win::DWORD kTextLimit = 259;

template <std::size_t N>
void readSection(const char* section, const std::array<int, N>& numbers, const std::string& file,
                 std::unordered_map<int, std::string>& texts) {
  texts.clear();
  for (int number : numbers) {
    char key[16];
    char text[kTextLimit + 1] = {};
    std::snprintf(key, sizeof key, "%d", number);
    if (!file.empty()) {
      win::GetPrivateProfileStringA(section, key, "", text, sizeof text, file.c_str());
      text[kTextLimit] = '\0';
    }
    texts[number] = text;
  }
}

const char* find(const std::unordered_map<int, std::string>& texts, int number) {
  auto it = texts.find(number);
  return it == texts.end() ? nullptr : it->second.c_str();
}

}  // namespace

LanguageTexts::LanguageTexts() { loadFile(std::string()); }

void LanguageTexts::load(const std::string& programFolder, win::LANGID systemLanguage) {
  std::string name = ReadConfigForLanguage(ConfigIniPath(programFolder), kVireloConfigSection, "LANG", systemLanguage);
  // With no name the program folder itself would be "the file": read nothing.
  loadFile(name.empty() ? std::string() : programFolder + name);
}

void LanguageTexts::loadFile(const std::string& languageFile) {
  languageFile_ = languageFile;
  readSection("MENU", kMenuTextNumbers, languageFile_, menus_);
  readSection("STR", kLanguageTextNumbers, languageFile_, strings_);
}

const char* LanguageTexts::LanguageText(int number) const { return find(strings_, number); }

const char* LanguageTexts::MenuText(int number) const { return find(menus_, number); }

}  // namespace virelo
