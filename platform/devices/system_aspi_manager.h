// The operating system's own ASPI manager of a simulated Windows 9x
// machine: the system folder's Scalink.dll. It answers SRBs over the
// machine's SCSI targets, one adapter per SCSI port, synchronously (an
// SC_EXEC_SCSI_CMD SRB is finished, and its owner notified, before
// SendASPI32Command returns).
#pragma once

#include <string>

#include "platform/devices/system_aspi_srb.h"

namespace devices {

// What its GetASPI32DLLVersion answers (version 4.60).
constexpr win::DWORD kSystemAspiDllVersion = 0x0000043Cu;
// The manager name in HA_ManagerId.
constexpr char kSystemAspiManagerId[] = "ASPI for WIN32";

win::DWORD SystemAspiGetSupportInfo();
win::DWORD SystemAspiSendCommand(void* srb);
win::DWORD SystemAspiGetDllVersion();

// Registers the manager as the module "<system folder>\Scalink.dll" of the
// current machine (a 9x machine has one; so may any, for tests).
void ProvideSystemAspiModule();
// The Windows path it is registered under.
std::string SystemAspiModulePath();

}  // namespace devices
