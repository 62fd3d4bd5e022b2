// Running one SRB_ExecSCSICmd against a SCSI target of the machine, and
// telling the SRB's owner that it is done: what the system's ASPI manager
// and the ASPI layer's 9x driver both do once they know the target.
#pragma once

#include <vector>

#include "platform/devices/scsi_target.h"
#include "platform/devices/system_aspi_srb.h"

namespace devices {

// Executes the command of `srb` on `target`; the status is written last,
// so a caller polling it may reuse the SRB as soon as it changes. The data buffer is looked up
// through its flat address and must cover SRB_BufLen bytes, else the SRB
// fails with SS_INVALID_SRB; so does a CDB length of 0 or above 16. At
// most the SRB's sense area is filled, whatever SRB_SenseLen says. Sets
// status, host and target status (and, with SRB_ENABLE_RESIDUAL_COUNT,
// the buffer length to the bytes moved); does not notify.
void ExecuteSrbOnTarget(win::SRB_ExecSCSICmd& srb, ScsiTarget& target);

// Notifies the owner of a finished SRB: SRB_EVENT_NOTIFY sets the event,
// else SRB_POSTING calls the post routine with the SRB. `flags` and
// `postProc` (flat address of the event or routine) are the SRB's, read
// before its status was set: the SRB itself is not read again.
void NotifySrbOwner(win::BYTE flags, std::uint32_t postProc, void* srb);

// The adapters of the machine as ASPI numbers them: its distinct SCSI
// ports in ascending order.
std::vector<std::uint8_t> AspiAdapterPorts(const std::vector<AttachedTarget>& targets);

// The target at (adapter, target, LUN) of that numbering, bus 0; nullptr
// when there is none.
const AttachedTarget* FindAspiTarget(const std::vector<AttachedTarget>& targets, std::uint8_t adapter,
                                     std::uint8_t target, std::uint8_t lun);

}  // namespace devices
