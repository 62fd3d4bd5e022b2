#include "updater/device/kv_updater.h"

#include <new>

#include "updater/device/kv_recovery_dev.h"
#include "updater/device/kv_result_codes.h"

namespace pendrel {

CKvUpdater::CKvUpdater(CKvConfigInfo* config) : CKvBase("CKvUpdater"), m_config(config) {
  m_errorInfo = new (std::nothrow) CKvErrorInfo;
  if (!m_errorInfo) SetError(kKvOutOfMemory);
}

CKvUpdater::~CKvUpdater() {
  delete m_errorInfo;
  delete m_device;
  delete m_recoveryDevice;
}

}  // namespace pendrel
