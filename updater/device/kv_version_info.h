// A firmware version: major, minor and revision, shown as "001.002.003".
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "updater/device/kv_array.h"
#include "updater/device/kv_base.h"

namespace pendrel {

class CKvVersionInfo : public CKvBase {
 public:
  CKvVersionInfo();
  CKvVersionInfo(std::uint16_t major, std::uint16_t minor, std::uint16_t revision);
  // Copies the three numbers and the error fields.
  CKvVersionInfo(const CKvVersionInfo&) = default;
  CKvVersionInfo& operator=(const CKvVersionInfo&) = default;

  // "%03d.%03d.%03d"
  std::wstring ToString() const;
  bool operator==(const CKvVersionInfo& other) const {
    return m_major == other.m_major && m_minor == other.m_minor && m_revision == other.m_revision;
  }

  std::uint16_t m_major = 0;
  std::uint16_t m_minor = 0;
  std::uint16_t m_revision = 0;
};

// "1.2.3" as typed by a person: three numbers of 0 to 65535 separated by dots.
std::optional<CKvVersionInfo> ParseVersionText(const std::string& text);

// n versions, owned.
class CKvVersionInfoPtrArray : public CKvArray {
 public:
  explicit CKvVersionInfoPtrArray(std::uint32_t n);
  ~CKvVersionInfoPtrArray() override;

  // The version at index, null when out of range.
  CKvVersionInfo* At(std::uint32_t index) const;
};

}  // namespace pendrel
