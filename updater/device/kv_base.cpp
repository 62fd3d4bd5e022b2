#include "updater/device/kv_base.h"

#include "platform/win/last_error.h"

namespace pendrel {

CKvBase::CKvBase(const char* name) : m_name(name ? name : "") {}

CKvBase::~CKvBase() = default;

std::int32_t CKvBase::GetLastError() const { return m_lastError; }

std::uint32_t CKvBase::GetSystemError() const { return m_systemError; }

void CKvBase::SetError(std::int32_t code) { SetError(code, win::GetLastError()); }

void CKvBase::SetError(std::int32_t code, std::uint32_t systemError) {
  m_lastError = code;
  m_systemError = systemError;
}

void CKvBase::ClearError() {
  m_lastError = 0;
  m_systemError = 0;
}

}  // namespace pendrel
