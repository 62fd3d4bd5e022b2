// config.ini beside the program: per program section, the language file
// and the help file for each system language, with a default for the rest.
#pragma once

#include <string>

#include "platform/win/types.h"

namespace virelo {

inline constexpr char kVireloConfigSection[] = "VIRELO.EXE";

// The program folder keeps its trailing backslash: "C:\...\Virelo\".
std::string ConfigIniPath(const std::string& programFolder);

// [section] "<prefix>%0.4x" for the language (four lower-case hex digits),
// or "<prefix>DEFAULT" when that is missing or empty; "" when neither names
// anything. prefix is "LANG" or "HELP".
std::string ReadConfigForLanguage(const std::string& configIniPath, const char* section, const char* prefix,
                                  win::LANGID language);

}  // namespace virelo
