#include "platform/devices/system_aspi_srb_execution.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/devices/system_aspi_flat_addresses.h"
#include "platform/win/sync.h"

namespace devices {

void ExecuteSrbOnTarget(win::SRB_ExecSCSICmd& srb, ScsiTarget& target) {
  srb.SRB_HaStat = win::HASTAT_OK;
  srb.SRB_TargStat = kScsiGood;
  if (srb.SRB_CDBLen == 0 || srb.SRB_CDBLen > sizeof(srb.CDBByte)) {
    srb.SRB_Status = win::SS_INVALID_SRB;
    return;
  }
  auto* buffer = static_cast<std::uint8_t*>(FlatAddressTarget(srb.SRB_BufPointer, srb.SRB_BufLen));
  if (srb.SRB_BufLen > 0 && !buffer) {
    srb.SRB_Status = win::SS_INVALID_SRB;
    return;
  }
  ScsiCommand command;
  command.cdb.assign(srb.CDBByte, srb.CDBByte + srb.SRB_CDBLen);
  // Without a buffer nothing moves, whatever the flags say.
  bool any = srb.SRB_BufLen > 0;
  bool in = any && (srb.SRB_Flags & win::SRB_DIR_IN) != 0, out = any && (srb.SRB_Flags & win::SRB_DIR_OUT) != 0;
  if (in && !out) {
    command.direction = DataDirection::In;
    command.data.assign(srb.SRB_BufLen, 0);
  } else if (out && !in) {
    command.direction = DataDirection::Out;
    command.data.assign(buffer, buffer + srb.SRB_BufLen);
  }
  ScsiOutcome outcome = target.execute(command);
  if (outcome.deviceGone) {
    srb.SRB_HaStat = win::HASTAT_SEL_TO;
    srb.SRB_Status = win::SS_ERR;
    return;
  }
  std::size_t moved = std::min<std::size_t>(outcome.transferred, srb.SRB_BufLen);
  if (command.direction == DataDirection::In) {
    moved = std::min(moved, command.data.size());
    if (moved > 0) std::memcpy(buffer, command.data.data(), moved);
  }
  if (srb.SRB_Flags & win::SRB_ENABLE_RESIDUAL_COUNT) srb.SRB_BufLen = static_cast<win::DWORD>(moved);
  srb.SRB_TargStat = outcome.status;
  if (outcome.status != kScsiGood) {
    std::size_t senseLength = std::min({static_cast<std::size_t>(srb.SRB_SenseLen), sizeof(srb.SenseArea),
                                        outcome.sense.size()});
    std::memset(srb.SenseArea, 0, std::min<std::size_t>(srb.SRB_SenseLen, sizeof(srb.SenseArea)));
    if (senseLength > 0) std::memcpy(srb.SenseArea, outcome.sense.data(), senseLength);
  }
  // The status goes last: a caller that polls it may take the SRB back at once.
  std::atomic_ref<win::BYTE>(srb.SRB_Status)
      .store(outcome.status == kScsiGood ? win::SS_COMP : win::SS_ERR, std::memory_order_release);
}

void NotifySrbOwner(win::BYTE flags, std::uint32_t postProc, void* srb) {
  if (flags & win::SRB_EVENT_NOTIFY) {
    if (win::HANDLE event = FlatHandleTarget(postProc)) win::SetEvent(event);
  } else if (flags & win::SRB_POSTING) {
    if (FlatRoutine routine = FlatRoutineTarget(postProc)) routine(srb);
  }
}

std::vector<std::uint8_t> AspiAdapterPorts(const std::vector<AttachedTarget>& targets) {
  std::vector<std::uint8_t> ports;
  for (const AttachedTarget& t : targets)
    if (std::find(ports.begin(), ports.end(), t.port) == ports.end()) ports.push_back(t.port);
  std::sort(ports.begin(), ports.end());
  return ports;
}

const AttachedTarget* FindAspiTarget(const std::vector<AttachedTarget>& targets, std::uint8_t adapter,
                                     std::uint8_t target, std::uint8_t lun) {
  std::vector<std::uint8_t> ports = AspiAdapterPorts(targets);
  if (adapter >= ports.size()) return nullptr;
  for (const AttachedTarget& t : targets)
    if (t.port == ports[adapter] && t.path == 0 && t.target == target && t.lun == lun && t.device) return &t;
  return nullptr;
}

}  // namespace devices
