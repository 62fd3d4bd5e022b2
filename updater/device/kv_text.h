// The updater keeps its texts as wide strings; the platform's paths and the
// terminal take byte strings. These are the only conversions.
#pragma once

#include <string>
#include <string_view>

namespace pendrel {

std::string WideToUtf8(std::wstring_view text);
// Invalid sequences become U+FFFD.
std::wstring Utf8ToWide(std::string_view text);
// A path or name for the platform: in the machine's ANSI code page.
std::string WideToAnsi(std::wstring_view text);
std::wstring AnsiToWide(std::string_view text);

}  // namespace pendrel
