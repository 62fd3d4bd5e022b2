// The machine's ANSI code page at the host boundary. Program code keeps
// byte strings in the ANSI code page; only names and texts that leave for
// the host are converted, and only here.
#pragma once

#include <string>
#include <string_view>

#include "platform/win/types.h"

namespace win {

// The active ANSI code page of the current machine (936, 1252, ...).
UINT GetACP();

// ANSI bytes of the given code page to UTF-8. Bytes the code page does not
// define come out as U+FFFD.
std::string AnsiToUtf8(std::string_view ansi, UINT codePage);
// UTF-8 to ANSI bytes of the code page; characters it cannot hold become '?'.
std::string Utf8ToAnsi(std::string_view utf8, UINT codePage);

// One character as UTF-8; surrogates and values past Unicode as U+FFFD.
void AppendUtf8(std::string& out, char32_t c);
// Decodes the character at s[i] and steps past it; a malformed sequence
// gives U+FFFD and a step of one byte.
char32_t NextUtf8(std::string_view s, std::size_t& i);

inline std::string AnsiToUtf8(std::string_view ansi) { return AnsiToUtf8(ansi, GetACP()); }
inline std::string Utf8ToAnsi(std::string_view utf8) { return Utf8ToAnsi(utf8, GetACP()); }

// Case folding as Windows file names compare: ASCII letters, and the
// single-byte letters of code page 1252; double-byte characters of code
// page 936 compare as they are.
char AnsiToUpper(char c, UINT codePage);
bool AnsiEqualNoCase(std::string_view a, std::string_view b, UINT codePage);
inline bool AnsiEqualNoCase(std::string_view a, std::string_view b) { return AnsiEqualNoCase(a, b, GetACP()); }
int lstrcmpiA(LPCSTR a, LPCSTR b);

}  // namespace win
