// The open request: "/open <file>" on the command line or in the text a
// second copy of the program sends to the running one.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace virelo {

// The file path of an open request: the first five characters are "/open"
// in any case; then blanks are skipped and one leading and one trailing
// double quote dropped. Nothing for another keyword, an empty path or a
// path too long for a song record (259 characters at most).
std::optional<std::string> ParseOpenRequest(std::string_view commandLine);

// The file of an open request when it has the extension mp3 or wma; the
// caller then reads its song information, adds it to the library and
// plays it.
std::optional<std::string> OpenRequestFile(std::string_view commandLine);

// The command line carried by WM_COPYDATA: the bytes up to the first NUL
// within the sent length, so that a missing terminator cannot be read past.
std::string CommandLineFromCopyData(const void* data, std::size_t size);

}  // namespace virelo
