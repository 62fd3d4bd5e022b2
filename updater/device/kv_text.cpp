#include "updater/device/kv_text.h"

#include <cstdint>

#include "platform/win/codepage.h"

namespace pendrel {

std::string WideToUtf8(std::wstring_view text) {
  std::string out;
  for (wchar_t wc : text) win::AppendUtf8(out, static_cast<char32_t>(static_cast<std::uint32_t>(wc)));
  return out;
}

std::wstring Utf8ToWide(std::string_view text) {
  std::wstring out;
  for (std::size_t i = 0; i < text.size();) out += static_cast<wchar_t>(win::NextUtf8(text, i));
  return out;
}

std::string WideToAnsi(std::wstring_view text) { return win::Utf8ToAnsi(WideToUtf8(text)); }

std::wstring AnsiToWide(std::string_view text) { return Utf8ToWide(win::AnsiToUtf8(text)); }

}  // namespace pendrel
