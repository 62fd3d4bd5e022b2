// The transport for the kind of Windows: the pass-through on 2000 and XP,
// ASPI on 95, 98, ME and NT 4, none elsewhere.
#pragma once

#include <cstdint>
#include <memory>

#include "updater/device/kv_scsi.h"
#include "updater/device/os_kind.h"

namespace pendrel {

// Answers the new transport's last error (0, -19, -20 or -21; the transport
// is made even then), or -27 without a transport.
std::int32_t CreateTransport(CKvUpdater* owner, OsKind kind, std::unique_ptr<CKvScsi>& transport);

}  // namespace pendrel
