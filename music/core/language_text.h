// Every user-visible text of the music manager, looked up by number in the
// language file that config.ini names for the system language.
#pragma once

#include <string>
#include <unordered_map>

#include "platform/win/types.h"

namespace virelo {

class LanguageTexts {
 public:
  // Every listed number starts with an empty text.
  LanguageTexts();

  // Reads config.ini of the program folder ("C:\...\Virelo\", trailing
  // backslash) for the language file, then every listed number of it.
  // Without a language file every listed number has an empty text.
  void load(const std::string& programFolder, win::LANGID systemLanguage);
  // Reads every listed number from the given language file (Windows path).
  void loadFile(const std::string& languageFile);

  // The "STR" text of a listed number ("" when the file lacks it);
  // nullptr for a number outside the list.
  const char* LanguageText(int number) const;
  // The same for the "MENU" list.
  const char* MenuText(int number) const;

  // The language file in use (Windows path); empty before load and when
  // config.ini names none.
  const std::string& languageFile() const { return languageFile_; }

 private:
  std::string languageFile_;
  std::unordered_map<int, std::string> strings_;
  std::unordered_map<int, std::string> menus_;
};

}  // namespace virelo
