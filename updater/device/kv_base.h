// The root of every updater object: its class name, the result code of its
// last failure and the system error captured with it.
#pragma once

#include <cstdint>
#include <string>

namespace pendrel {

class CKvBase {
 public:
  explicit CKvBase(const char* name);
  CKvBase(const CKvBase&) = default;
  CKvBase& operator=(const CKvBase&) = default;
  virtual ~CKvBase();

  virtual std::int32_t GetLastError() const;
  virtual std::uint32_t GetSystemError() const;
  std::string GetObjName() const { return m_name; }

 protected:
  // Keeps a failure together with the platform's last error of this moment.
  void SetError(std::int32_t code);
  void SetError(std::int32_t code, std::uint32_t systemError);
  void ClearError();

  std::string m_name;
  std::int32_t m_lastError = 0;
  std::uint32_t m_systemError = 0;
};

}  // namespace pendrel
