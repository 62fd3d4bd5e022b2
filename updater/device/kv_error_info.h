// The detail of the last failure: which object failed, with which code and
// system error, the component it concerned and an optional message. Owned
// by the updater facade; every device-layer failure leaves its details here.
#pragma once

#include <cstdint>
#include <string>

#include "updater/device/kv_base.h"

namespace pendrel {

class CKvErrorInfo {
 public:
  static constexpr std::uint8_t kNoExtra = 255;

  // Copies the object's class name, last error and system error.
  void Record(const CKvBase& object);
  // Sets the extra code (the component index for -11) first.
  void Record(const CKvBase& object, std::uint8_t extra);
  // Sets the message first.
  void Record(const std::wstring& message, const CKvBase& object);
  // For the application's own failures: only code and system error.
  void Set(std::int32_t error, std::uint32_t systemError);

  const std::string& objectName() const { return m_objectName; }
  std::int32_t errorCode() const { return m_errorCode; }
  std::uint32_t systemError() const { return m_systemError; }
  std::uint8_t extraCode() const { return m_extraCode; }
  const std::wstring& message() const { return m_message; }

 private:
  std::string m_objectName;
  std::int32_t m_errorCode = 0;
  std::uint32_t m_systemError = 0;
  std::uint8_t m_extraCode = kNoExtra;
  std::wstring m_message;
};

}  // namespace pendrel
