// The 9x device table built from a driver's chain of device records and
// the system manager's adapters.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>

#include "aspi/win9x_device_table.h"
#include "platform/devices/pyxa_apix_protocol.h"
#include "platform/devices/system_aspi_flat_addresses.h"

namespace scalinktest {
namespace {

// A chain of records kept at stable addresses.
class Chain {
 public:
  ~Chain() {
    for (auto& r : records_) devices::ReleaseFlatAddress(addressOf(r));
  }
  devices::ApixDeviceRecord& add(const char* name, win::BYTE port, win::BYTE target, win::BYTE lun,
                                 win::DWORD flags = devices::kApixRecordCounts, win::BYTE bus = devices::kApixBusScsi) {
    records_.emplace_back();
    devices::ApixDeviceRecord& r = records_.back();
    std::memset(r.portDriver, ' ', sizeof(r.portDriver));
    std::memcpy(r.portDriver, name, std::min<std::size_t>(std::strlen(name), 8));
    r.hostAdapter = port;
    r.targetId = target;
    r.lun = lun;
    r.deviceFlags = flags;
    r.busType = bus;
    r.physical = addressOf(r);
    if (records_.size() > 1) records_[records_.size() - 2].next = addressOf(r);
    return r;
  }
  win::DWORD first() { return records_.empty() ? 0 : addressOf(records_.front()); }
  static win::DWORD addressOf(devices::ApixDeviceRecord& r) { return devices::FlatAddressOf(&r, sizeof(r)); }

 private:
  std::deque<devices::ApixDeviceRecord> records_;
};

// A system manager with one adapter "usbstor " on port 2: SCSI id 5, 16 targets.
win::DWORD oneAdapter(void* srb) {
  auto* s = static_cast<win::SRB_HAInquiry*>(srb);
  if (s->SRB_HaId != 0) return s->SRB_Status = win::SS_INVALID_HA;
  s->HA_Count = 1;
  s->HA_SCSI_ID = 5;
  std::memcpy(s->HA_Identifier, "usbstor ", 8);
  s->HA_Identifier[8] = 2;
  s->HA_Unique[3] = 16;
  return s->SRB_Status = win::SS_COMP;
}
win::DWORD noAdapters(void*) { return win::SS_FAILED_INIT; }

TEST(Win9xDeviceTableTest, AdaptersByNameAndPortWithWhatTheSystemSays) {
  Chain chain;
  chain.add("usbstor", 2, 0, 0);
  chain.add("usbstor", 2, 1, 0);
  chain.add("ESDI_506", 0, 0, 0);
  chain.add("usbstor", 3, 0, 0);
  chain.add("skipped", 4, 0, 0, 0);                                   // does not count
  chain.add("skipped", 4, 0, 0, devices::kApixRecordCounts, 2);       // not a SCSI bus
  aspi::DeviceTable9x table;
  aspi::BuildDeviceTable9x(table, chain.first(), &oneAdapter);
  ASSERT_EQ(+table.adapterCount, 3u);
  EXPECT_STREQ(table.adapters[0].driverName, "usbstor");
  EXPECT_EQ(table.adapters[0].port, 2);
  EXPECT_EQ(table.initiatorId[0], 5);
  EXPECT_EQ(table.maxTargets[0], 16);
  EXPECT_STREQ(table.adapters[1].driverName, "ESDI_506");
  EXPECT_EQ(table.initiatorId[1], 7);
  EXPECT_EQ(table.maxTargets[1], 8);
  EXPECT_EQ(table.initiatorId[2], 7) << "no system adapter on port 3: defaults";
  EXPECT_EQ(table.maxTargets[2], 0);
  ASSERT_EQ(+table.deviceCount, 4u);
  EXPECT_EQ(table.devices[1].adapter, 0);
  EXPECT_EQ(table.devices[1].target, 1);
  EXPECT_EQ(table.devices[3].adapter, 2);
  EXPECT_NE(aspi::FindDevice9x(table, 0, 1, 0), nullptr);
  EXPECT_EQ(aspi::FindDevice9x(table, 0, 2, 0), nullptr);
}

TEST(Win9xDeviceTableTest, LimitsAndABrokenChain) {
  Chain chain;
  for (int port = 0; port < 10; ++port) chain.add("usbstor", static_cast<win::BYTE>(port), 0, 0);
  for (int target = 1; target < 30; ++target) chain.add("usbstor", 0, static_cast<win::BYTE>(target), 0);
  // The last record points back to the first: the walk must still end.
  devices::ApixDeviceRecord& last = chain.add("usbstor", 0, 31, 0);
  last.next = chain.first();
  aspi::DeviceTable9x table;
  aspi::BuildDeviceTable9x(table, chain.first(), &noAdapters);
  EXPECT_EQ(+table.adapterCount, 8u);
  EXPECT_EQ(+table.deviceCount, 26u);
  for (win::DWORD i = 0; i < table.deviceCount; ++i) EXPECT_LT(table.devices[i].adapter, 8);

  aspi::DeviceTable9x unknown;
  aspi::BuildDeviceTable9x(unknown, 0xDEAD0000u, &noAdapters);
  EXPECT_EQ(+unknown.adapterCount, 0u);
  EXPECT_EQ(+unknown.deviceCount, 0u);
}

}  // namespace
}  // namespace scalinktest
