#include "platform/devices/system_aspi_manager.h"

#include <algorithm>
#include <cstring>

#include "platform/devices/system_aspi_srb_execution.h"
#include "platform/win/modules.h"
#include "platform/win/paths.h"

namespace devices {
namespace {

constexpr win::BYTE kInitiatorId = 7;
constexpr win::BYTE kMaxTargets = 8;
constexpr win::DWORD kMaxTransfer = 0x10000;

void fillText(win::BYTE* field, std::size_t size, const std::string& text) {
  std::memset(field, 0, size);
  std::memcpy(field, text.data(), std::min(size, text.size()));
}

win::BYTE haInquiry(win::SRB_HAInquiry& srb, const std::vector<AttachedTarget>& targets) {
  std::vector<std::uint8_t> ports = AspiAdapterPorts(targets);
  srb.HA_Count = static_cast<win::BYTE>(ports.size());
  if (srb.SRB_HaId >= ports.size()) return srb.SRB_Status = win::SS_INVALID_HA;
  srb.HA_SCSI_ID = kInitiatorId;
  fillText(srb.HA_ManagerId, sizeof(srb.HA_ManagerId), kSystemAspiManagerId);
  // The miniport's name blank-padded to 8 characters, then its port number:
  // how a 9x port driver names its adapter.
  std::string name;
  for (const AttachedTarget& t : targets)
    if (t.port == ports[srb.SRB_HaId]) {
      name = t.portDriver;
      break;
    }
  name.resize(8, ' ');
  fillText(srb.HA_Identifier, sizeof(srb.HA_Identifier), name);
  srb.HA_Identifier[8] = ports[srb.SRB_HaId];
  std::memset(srb.HA_Unique, 0, sizeof(srb.HA_Unique));
  srb.HA_Unique[3] = kMaxTargets;
  std::memcpy(srb.HA_Unique + 4, &kMaxTransfer, sizeof(kMaxTransfer));
  return srb.SRB_Status = win::SS_COMP;
}

}  // namespace

win::DWORD SystemAspiGetSupportInfo() {
  std::size_t count = AspiAdapterPorts(MachineScsiTargets()).size();
  if (count == 0) return win::DWORD{win::SS_NO_ADAPTERS} << 8;
  return (win::DWORD{win::SS_COMP} << 8) | static_cast<win::DWORD>(std::min<std::size_t>(count, 255));
}

win::DWORD SystemAspiSendCommand(void* srbPointer) {
  if (!srbPointer) return win::SS_INVALID_SRB;
  auto* header = static_cast<win::SRB_Header*>(srbPointer);
  std::vector<AttachedTarget> targets = MachineScsiTargets();
  std::size_t adapters = AspiAdapterPorts(targets).size();
  switch (header->SRB_Cmd) {
    case win::SC_HA_INQUIRY:
      return haInquiry(*static_cast<win::SRB_HAInquiry*>(srbPointer), targets);
    case win::SC_GET_DEV_TYPE: {
      auto& srb = *static_cast<win::SRB_GDEVBlock*>(srbPointer);
      if (srb.SRB_HaId >= adapters) return srb.SRB_Status = win::SS_INVALID_HA;
      const AttachedTarget* t = FindAspiTarget(targets, srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun);
      if (!t) return srb.SRB_Status = win::SS_NO_DEVICE;
      srb.SRB_DeviceType = t->deviceType;
      return srb.SRB_Status = win::SS_COMP;
    }
    case win::SC_EXEC_SCSI_CMD: {
      auto& srb = *static_cast<win::SRB_ExecSCSICmd*>(srbPointer);
      if (srb.SRB_HaId >= adapters) return srb.SRB_Status = win::SS_INVALID_HA;
      const AttachedTarget* t = FindAspiTarget(targets, srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun);
      if (!t) return srb.SRB_Status = win::SS_NO_DEVICE;
      // What notifying takes is read first: once the status is set the SRB is the caller's again.
      win::BYTE flags = srb.SRB_Flags;
      win::DWORD post = srb.SRB_PostProc;
      ExecuteSrbOnTarget(srb, *t->device);
      win::BYTE status = srb.SRB_Status;
      NotifySrbOwner(flags, post, &srb);
      return status;
    }
    case win::SC_ABORT_SRB: {
      auto& srb = *static_cast<win::SRB_Abort*>(srbPointer);
      if (srb.SRB_HaId >= adapters) return srb.SRB_Status = win::SS_INVALID_HA;
      // Nothing is ever in flight here: every SRB finished before its send returned.
      return srb.SRB_Status = win::SS_COMP;
    }
    case win::SC_RESET_DEV: {
      auto& srb = *static_cast<win::SRB_BusDeviceReset*>(srbPointer);
      if (srb.SRB_HaId >= adapters) return srb.SRB_Status = win::SS_INVALID_HA;
      if (!FindAspiTarget(targets, srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun)) return srb.SRB_Status = win::SS_NO_DEVICE;
      win::BYTE flags = srb.SRB_Flags;
      win::DWORD post = srb.SRB_PostProc;
      srb.SRB_HaStat = win::HASTAT_OK;
      srb.SRB_TargStat = kScsiGood;
      srb.SRB_Status = win::SS_COMP;
      NotifySrbOwner(flags, post, &srb);
      return win::SS_COMP;
    }
    case win::SC_GET_DISK_INFO: {
      auto& srb = *static_cast<win::SRB_GetDiskInfo*>(srbPointer);
      if (srb.SRB_HaId >= adapters) return srb.SRB_Status = win::SS_INVALID_HA;
      if (!FindAspiTarget(targets, srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun)) return srb.SRB_Status = win::SS_NO_DEVICE;
      // A SCSI disk of a 9x machine has no BIOS unit: no Int 13h access.
      srb.SRB_DriveFlags = 0;
      srb.SRB_Int13HDriveInfo = 0;
      srb.SRB_Heads = 0;
      srb.SRB_Sectors = 0;
      return srb.SRB_Status = win::SS_COMP;
    }
    default:
      return header->SRB_Status = win::SS_INVALID_CMD;
  }
}

win::DWORD SystemAspiGetDllVersion() { return kSystemAspiDllVersion; }

std::string SystemAspiModulePath() {
  char folder[win::MAX_PATH] = {};
  win::UINT length = win::GetSystemDirectoryA(folder, sizeof(folder));
  if (length == 0 || length >= sizeof(folder)) return {};
  return std::string(folder, length) + "\\Scalink.dll";
}

void ProvideSystemAspiModule() {
  std::string path = SystemAspiModulePath();
  if (path.empty()) return;
  win::ProvidedModule module;
  module.exports["GetASPI32SupportInfo"] = reinterpret_cast<win::FARPROC>(&SystemAspiGetSupportInfo);
  module.exports["SendASPI32Command"] = reinterpret_cast<win::FARPROC>(&SystemAspiSendCommand);
  module.exports["GetASPI32DLLVersion"] = reinterpret_cast<win::FARPROC>(&SystemAspiGetDllVersion);
  win::ProvideModule(path, std::move(module));
}

}  // namespace devices
