// The application object of the music manager, apart from its windows: the
// program's place, the system language, the language texts and the two
// lyric settings. One per process, made before anything else.
#pragma once

#include <cstdint>
#include <string>

#include "music/core/language_text.h"
#include "platform/win/types.h"

namespace virelo {

// dwData of the WM_COPYDATA a second copy sends the running one with its
// command line (NUL included in cbData).
inline constexpr std::uintptr_t kCommandLineCopyData = 731225;

class VireloApp {
 public:
  // The running program (GetModuleFileNameA) and the system default language.
  VireloApp();
  // programPath is the program's full Windows path.
  VireloApp(const std::string& programPath, win::LANGID systemLanguage);

  const std::string& programPath() const { return programPath_; }
  // With its trailing backslash.
  const std::string& programFolder() const { return programFolder_; }
  win::LANGID systemLanguage() const { return systemLanguage_; }

  const LanguageTexts& texts() const { return texts_; }
  const char* LanguageText(int number) const { return texts_.LanguageText(number); }
  const char* MenuText(int number) const { return texts_.MenuText(number); }

  // Load and show a song's lyric file when it starts playing.
  std::uint32_t autoPlayLyrics = 1;
  // Copy a song's lyric file with it to the player.
  std::uint32_t autoDownloadLyrics = 1;

 private:
  std::string programPath_;
  std::string programFolder_;
  win::LANGID systemLanguage_;
  LanguageTexts texts_;
};

}  // namespace virelo
