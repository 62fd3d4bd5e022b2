// Tracing of the Windows 9x mode: records of every SRB the layer handles,
// written into the trace area the driver hands out, under the named mutex
// "PyxaAspiTrcMtx"; the named event "PyxaAspiTrcAvl" is set after each
// record, for a viewer to read it.
#pragma once

#include <cstddef>
#include <vector>

#include "aspi/win9x_device_table.h"
#include "platform/devices/pyxa_apix_protocol.h"

namespace aspi {

class Trace9x {
 public:
  ~Trace9x();
  // Asks the driver for its trace area and switches tracing on; false
  // (tracing off) when the driver has none.
  bool start(win::HANDLE driver);
  bool on() const { return area_ != 0; }

  // Writes one record with a copy of the SRB (its first `length` bytes, at most 80).
  void record(win::WORD kind, win::HANDLE event, win::DWORD slot, const void* srb, std::size_t length,
              win::BYTE status);
  // The same for an SRB known by its address, its bytes taken from `contents` (a copy of it).
  void record(win::WORD kind, win::HANDLE event, win::DWORD slot, win::DWORD srbAddress, const void* contents,
              std::size_t length, win::BYTE status);
  // Writes the device table in 80-byte pieces.
  void deviceTable(const DeviceTable9x& table);
  // What a trace viewer reads: the records still in the area, oldest first.
  std::vector<devices::ApixTraceRecord> records() const;

 private:
  void write(const devices::ApixTraceRecord& record);

  win::HANDLE driver_ = nullptr;
  win::DWORD area_ = 0;
  win::DWORD areaLength_ = 0;
  win::DWORD capacity_ = 0;
  win::HANDLE mutex_ = nullptr;
  win::HANDLE available_ = nullptr;
  bool started_ = false;
  win::DWORD firstTick_ = 0;
};

}  // namespace aspi
