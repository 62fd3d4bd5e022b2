// The system folder's own ASPI manager (<system folder>\Scalink.dll), as
// the Windows 9x mode reaches it. A missing manager, one lacking an entry
// point, or a copy of this layer is refused: its entry points are then
// replacements that answer SS_FAILED_INIT.
#pragma once

#include "platform/devices/system_aspi_srb.h"

namespace aspi {

struct SystemAspiLink {
  win::SendASPI32CommandProc send = nullptr;
  win::GetASPI32SupportInfoProc supportInfo = nullptr;
  win::GetASPI32DLLVersionProc dllVersion = nullptr;
  win::HMODULE module = nullptr;
  bool accepted = false;

  // Loads the manager; tells the user when it is refused.
  void load();
};

}  // namespace aspi
