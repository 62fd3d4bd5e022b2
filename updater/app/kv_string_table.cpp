#include "updater/app/kv_string_table.h"

#include <cstring>

#include "updater/app/kv_language_data.h"
#include "updater/device/kv_text.h"

namespace pendrel {
namespace {

bool unescape(std::string_view in, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < in.size(); ++i) {
    if (in[i] != '\\') {
      out += in[i];
      continue;
    }
    if (++i >= in.size()) return false;
    switch (in[i]) {
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case '\\': out += '\\'; break;
      default: return false;
    }
  }
  return true;
}

}  // namespace

std::unique_ptr<KvStringTable> KvStringTable::Parse(std::string_view text) {
  auto table = std::make_unique<KvStringTable>();
  std::string value;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line[0] == '#') continue;
    std::size_t tab = line.find('\t');
    if (tab == 0 || tab == std::string_view::npos || tab > 5) return nullptr;
    std::uint32_t id = 0;
    for (char c : line.substr(0, tab)) {
      if (c < '0' || c > '9') return nullptr;
      id = id * 10 + static_cast<std::uint32_t>(c - '0');
    }
    if (!unescape(line.substr(tab + 1), value)) return nullptr;
    if (!table->m_strings.emplace(id, Utf8ToWide(value)).second) return nullptr;
  }
  return table;
}

const std::wstring* KvStringTable::Find(std::uint32_t id) const {
  auto it = m_strings.find(id);
  return it == m_strings.end() ? nullptr : &it->second;
}

std::string LanguageLibraryName(win::LANGID langid) {
  switch (langid & 0x3FF) {
    case 0x04: return (langid >> 10) == 1 ? "kvrx0404.dll" : "kvrx0804.dll";
    case 0x07: return "kvrx0407.dll";
    case 0x0A: return "kvrx040a.dll";
    case 0x0C: return "kvrx040c.dll";
    case 0x11: return "kvrx0411.dll";
    case 0x12: return "kvrx0412.dll";
    default: return "kvrx0409.dll";
  }
}

std::shared_ptr<const KvStringTable> LoadLanguageLibrary(const std::string& fileName) {
  for (std::size_t i = 0; i < kLanguageDataCount; ++i) {
    const KvLanguageData& data = kLanguageData[i];
    if (fileName == data.fileName)
      return KvStringTable::Parse(std::string_view(reinterpret_cast<const char*>(data.bytes), data.size));
  }
  return nullptr;
}

}  // namespace pendrel
