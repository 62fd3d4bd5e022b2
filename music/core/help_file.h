// The help file config.ini names for the system language, and the Help
// command that opens it with the shell.
#pragma once

#include <string>

#include "platform/win/types.h"

namespace virelo {

// Program folder + the [VIRELO.EXE] "HELP%0.4x" (or "HELPDEFAULT") value;
// empty when config.ini names no help file.
std::string HelpFilePath(const std::string& programFolder, win::LANGID systemLanguage);

// Opens the help file with the shell verb "open", its own folder as the
// working folder, default show state, owned by the given window. false
// when no help file is named or the shell fails.
bool ShowHelp(win::HWND owner, const std::string& programFolder, win::LANGID systemLanguage);

}  // namespace virelo
