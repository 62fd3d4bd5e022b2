#include "aspi/win9x_device_table.h"

#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/devices/pyxa_apix_protocol.h"
#include "platform/devices/system_aspi_flat_addresses.h"

namespace aspi {
namespace {

constexpr win::BYTE kDefaultInitiator = 7;
// A chain longer than this is a broken driver's, not a machine's.
constexpr int kLongestChain = 4096;

std::vector<win::SRB_HAInquiry> systemAdapters(win::SendASPI32CommandProc systemSend) {
  std::vector<win::SRB_HAInquiry> answered;
  if (!systemSend) return answered;
  int count = 1;
  for (int i = 0; i < count && i < kMaxAdapters9x; ++i) {
    win::SRB_HAInquiry inquiry{};
    inquiry.SRB_Cmd = win::SC_HA_INQUIRY;
    inquiry.SRB_HaId = static_cast<win::BYTE>(i);
    if ((systemSend(&inquiry) & 0xFF) != win::SS_COMP) break;
    answered.push_back(inquiry);
    count = inquiry.HA_Count;
  }
  return answered;
}

// The record's name up to its first blank or control byte.
std::string recordName(const devices::ApixDeviceRecord& record) {
  std::string name;
  for (char c : record.portDriver) {
    if (static_cast<unsigned char>(c) <= 0x20) break;
    name += c;
  }
  return name;
}

bool identifierMatches(const win::SRB_HAInquiry& adapter, const devices::ApixDeviceRecord& record) {
  std::size_t length = 0;
  while (length < sizeof(record.portDriver) && record.portDriver[length] != '\0') ++length;
  return std::memcmp(adapter.HA_Identifier, record.portDriver, length) == 0 &&
         adapter.HA_Identifier[8] == record.hostAdapter;
}

}  // namespace

void BuildDeviceTable9x(DeviceTable9x& table, win::DWORD firstRecord, win::SendASPI32CommandProc systemSend) {
  std::memset(&table, 0, sizeof(table));
  std::memset(table.initiatorId, kDefaultInitiator, sizeof(table.initiatorId));
  std::vector<win::SRB_HAInquiry> system = systemAdapters(systemSend);
  std::unordered_set<win::DWORD> seen;
  win::DWORD address = firstRecord;
  for (int walked = 0; address != 0 && walked < kLongestChain && seen.insert(address).second; ++walked) {
    auto* record = static_cast<const devices::ApixDeviceRecord*>(
        devices::FlatAddressTarget(address, sizeof(devices::ApixDeviceRecord)));
    if (!record) break;
    win::DWORD current = address;
    address = record->next;
    if (!(record->deviceFlags & devices::kApixRecordCounts) || record->busType != devices::kApixBusScsi) continue;
    std::string name = recordName(*record);
    win::DWORD adapter = 0;
    while (adapter < table.adapterCount &&
           !(name == table.adapters[adapter].driverName && table.adapters[adapter].port == record->hostAdapter))
      ++adapter;
    if (adapter == table.adapterCount) {
      if (table.adapterCount == kMaxAdapters9x) continue;
      AdapterEntry9x& entry = table.adapters[adapter];
      std::memcpy(entry.driverName, name.data(), name.size());
      entry.port = record->hostAdapter;
      if (name == "ESDI_506") {
        table.initiatorId[adapter] = 7;
        table.maxTargets[adapter] = 8;
      } else {
        for (const win::SRB_HAInquiry& s : system)
          if (identifierMatches(s, *record)) {
            table.initiatorId[adapter] = s.HA_SCSI_ID;
            table.maxTargets[adapter] = s.HA_Unique[3];
            break;
          }
      }
      ++table.adapterCount;
    }
    if (table.deviceCount == kMaxDevices9x) continue;
    table.devices[table.deviceCount++] =
        DeviceEntry9x{static_cast<win::BYTE>(adapter), record->targetId, record->lun, current};
  }
}

const DeviceEntry9x* FindDevice9x(const DeviceTable9x& table, win::BYTE adapter, win::BYTE target, win::BYTE lun) {
  for (win::DWORD i = 0; i < table.deviceCount && i < kMaxDevices9x; ++i) {
    const DeviceEntry9x& d = table.devices[i];
    if (d.adapter == adapter && d.target == target && d.lun == lun) return &d;
  }
  return nullptr;
}

}  // namespace aspi
