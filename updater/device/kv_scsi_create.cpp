#include "updater/device/kv_scsi_create.h"

#include "updater/device/kv_result_codes.h"
#include "updater/device/kv_scsi_9x.h"
#include "updater/device/kv_scsi_nt.h"

namespace pendrel {

std::int32_t CreateTransport(CKvUpdater* owner, OsKind kind, std::unique_ptr<CKvScsi>& transport) {
  switch (kind) {
    case kOsWin2000:
    case kOsWinXp: transport = std::make_unique<CKvScsi_Nt>(owner); break;
    case kOsWin9x:
    case kOsWinMe: transport = std::make_unique<CKvScsi_9x>(owner); break;
    default: transport.reset(); return kKvNoTransport;
  }
  return transport->GetLastError();
}

}  // namespace pendrel
