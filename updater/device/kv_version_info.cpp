#include "updater/device/kv_version_info.h"

#include <cwchar>
#include <new>

#include "updater/device/kv_result_codes.h"

namespace pendrel {

CKvVersionInfo::CKvVersionInfo() : CKvBase("CKvVersionInfo") {}

CKvVersionInfo::CKvVersionInfo(std::uint16_t major, std::uint16_t minor, std::uint16_t revision)
    : CKvBase("CKvVersionInfo"), m_major(major), m_minor(minor), m_revision(revision) {}

std::wstring CKvVersionInfo::ToString() const {
  wchar_t text[24];
  std::swprintf(text, sizeof text / sizeof text[0], L"%03d.%03d.%03d", m_major, m_minor, m_revision);
  return text;
}

std::optional<CKvVersionInfo> ParseVersionText(const std::string& text) {
  std::uint32_t parts[3] = {0, 0, 0};
  std::size_t pos = 0;
  for (int i = 0; i < 3; ++i) {
    if (i > 0) {
      if (pos >= text.size() || text[pos] != '.') return std::nullopt;
      ++pos;
    }
    std::size_t start = pos;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
      parts[i] = parts[i] * 10 + static_cast<std::uint32_t>(text[pos] - '0');
      if (parts[i] > 0xFFFF) return std::nullopt;
      ++pos;
    }
    if (pos == start) return std::nullopt;
  }
  if (pos != text.size()) return std::nullopt;
  return CKvVersionInfo(static_cast<std::uint16_t>(parts[0]), static_cast<std::uint16_t>(parts[1]),
                        static_cast<std::uint16_t>(parts[2]));
}

CKvVersionInfoPtrArray::CKvVersionInfoPtrArray(std::uint32_t n) : CKvArray(n, "CKvVersionInfoPtrArray") {
  for (std::uint32_t i = 0; i < GetCount(); ++i) {
    auto* version = new (std::nothrow) CKvVersionInfo;
    if (!version) {
      SetError(kKvOutOfMemory);
      return;
    }
    SetAt(i, version);
  }
}

CKvVersionInfoPtrArray::~CKvVersionInfoPtrArray() {
  for (std::uint32_t i = 0; i < GetCount(); ++i) delete At(i);
}

CKvVersionInfo* CKvVersionInfoPtrArray::At(std::uint32_t index) const {
  void* element = nullptr;
  if (GetAt(index, element) != kKvOk) return nullptr;
  return static_cast<CKvVersionInfo*>(element);
}

}  // namespace pendrel
