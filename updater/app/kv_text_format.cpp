#include "updater/app/kv_text_format.h"

namespace pendrel {

std::wstring FormatText(const std::wstring& format, std::initializer_list<std::wstring> args) {
  std::wstring out;
  auto next = args.begin();
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] == L'%' && i + 1 < format.size()) {
      if (format[i + 1] == L's') {
        if (next != args.end()) out += *next++;
        ++i;
        continue;
      }
      if (format[i + 1] == L'%') {
        out += L'%';
        ++i;
        continue;
      }
    }
    out += format[i];
  }
  return out;
}

}  // namespace pendrel
