// The update facade's members: the one door from the application into the
// device layer. Every device, drive, transport and component object keeps
// a pointer to it and reaches through it the configuration, the texts, the
// command line, the current progress sink and the error record.
#pragma once

#include "updater/device/kv_base.h"
#include "updater/device/kv_device.h"
#include "updater/device/kv_error_info.h"
#include "updater/device/kv_progress.h"

namespace pendrel {

class CKvBaseToCmdLineProcessor;
class CKvConfigInfo;
class CKvResource;
class CKvRecoveryDev;

class CKvUpdater : public CKvBase {
 public:
  explicit CKvUpdater(CKvConfigInfo* config);
  ~CKvUpdater() override;
  CKvUpdater(const CKvUpdater&) = delete;
  CKvUpdater& operator=(const CKvUpdater&) = delete;

  CKvBaseToCmdLineProcessor* m_cmdline = nullptr;  // set once by the application
  CKvResource* m_resource = nullptr;               // set once by the application
  CKvConfigInfo* m_config;
  CKvDevice* m_device = nullptr;                   // the mass-storage device, kept once made
  CKvRecoveryDev* m_recoveryDevice = nullptr;      // only for one recovery download
  CKvProgress* m_progress = nullptr;               // the sink of the window showing progress
  CKvErrorInfo* m_errorInfo = nullptr;             // owned
};

}  // namespace pendrel
