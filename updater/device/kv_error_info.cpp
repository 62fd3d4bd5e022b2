#include "updater/device/kv_error_info.h"

namespace pendrel {

void CKvErrorInfo::Record(const CKvBase& object) {
  m_objectName = object.GetObjName();
  m_errorCode = object.GetLastError();
  m_systemError = object.GetSystemError();
}

void CKvErrorInfo::Record(const CKvBase& object, std::uint8_t extra) {
  m_extraCode = extra;
  Record(object);
}

void CKvErrorInfo::Record(const std::wstring& message, const CKvBase& object) {
  m_message = message;
  Record(object);
}

void CKvErrorInfo::Set(std::int32_t error, std::uint32_t systemError) {
  m_errorCode = error;
  m_systemError = systemError;
}

}  // namespace pendrel
