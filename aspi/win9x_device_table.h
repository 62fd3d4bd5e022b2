// The device table of the Windows 9x mode (286 bytes): the adapters and
// devices the layer's driver reports, with what the system's own ASPI
// manager says about each adapter.
#pragma once

#include <cstdint>

#include "platform/devices/system_aspi_srb.h"

namespace aspi {

constexpr int kMaxAdapters9x = 8;
constexpr int kMaxDevices9x = 26;

#pragma pack(push, 1)
struct AdapterEntry9x {
  char driverName[9];  // zero-terminated
  win::BYTE port;
};
static_assert(sizeof(AdapterEntry9x) == 10);

struct DeviceEntry9x {
  win::BYTE adapter;
  win::BYTE target;
  win::BYTE lun;
  win::DWORD record;  // address of the driver's device record
};
static_assert(sizeof(DeviceEntry9x) == 7);

struct DeviceTable9x {
  AdapterEntry9x adapters[kMaxAdapters9x];
  win::DWORD adapterCount;
  win::BYTE initiatorId[kMaxAdapters9x];
  win::BYTE maxTargets[kMaxAdapters9x];
  DeviceEntry9x devices[kMaxDevices9x];
  win::DWORD deviceCount;
};
static_assert(sizeof(DeviceTable9x) == 286);
#pragma pack(pop)

// Fills the table from the driver's chain of device records (starting at
// `firstRecord`) and the system ASPI manager's adapters (asked through
// `systemSend`).
void BuildDeviceTable9x(DeviceTable9x& table, win::DWORD firstRecord, win::SendASPI32CommandProc systemSend);

// The device entry of (adapter, target, LUN); nullptr when unknown.
const DeviceEntry9x* FindDevice9x(const DeviceTable9x& table, win::BYTE adapter, win::BYTE target, win::BYTE lun);

}  // namespace aspi
