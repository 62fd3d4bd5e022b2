#include "aspi/win9x_trace.h"

#include <algorithm>
#include <cstring>

#include "aspi/aspi_srb.h"
#include "platform/win/files.h"
#include "platform/win/ioctl.h"
#include "platform/win/sync.h"
#include "platform/win/system.h"

namespace aspi {

Trace9x::~Trace9x() {
  for (win::HANDLE h : {mutex_, available_})
    if (h) win::CloseHandle(h);
}

bool Trace9x::start(win::HANDLE driver) {
  devices::ApixTraceBlock block{};
  block.magic = devices::kApixTraceMagic;
  block.enable = 1;
  win::DWORD returned = 0;
  if (!win::DeviceIoControl(driver, devices::kApixTraceArea, &block, sizeof(block), &block, sizeof(block), &returned,
                            nullptr))
    return false;
  std::size_t needed = sizeof(devices::ApixTraceAreaHeader) + std::size_t{block.recordCapacity} * sizeof(devices::ApixTraceRecord);
  if (block.recordLength != sizeof(devices::ApixTraceRecord) || block.recordCapacity == 0 ||
      block.areaLength < needed || !TokenPointer(block.area, needed))
    return false;
  mutex_ = win::CreateMutexA(nullptr, win::FALSE, "PyxaAspiTrcMtx");
  available_ = win::CreateEventA(nullptr, win::FALSE, win::FALSE, "PyxaAspiTrcAvl");
  if (!mutex_ || !available_) return false;
  driver_ = driver;
  capacity_ = block.recordCapacity;
  areaLength_ = static_cast<win::DWORD>(needed);
  area_ = block.area;
  return true;
}

void Trace9x::record(win::WORD kind, win::HANDLE event, win::DWORD slot, const void* srb, std::size_t length,
                     win::BYTE status) {
  if (!on()) return;
  record(kind, event, slot, srb ? PointerToken(const_cast<void*>(srb), length) : 0, srb, length, status);
}

void Trace9x::record(win::WORD kind, win::HANDLE event, win::DWORD slot, win::DWORD srbAddress, const void* contents,
                     std::size_t length, win::BYTE status) {
  if (!on()) return;
  devices::ApixTraceRecord record{};
  record.header.processId = win::GetCurrentProcessId();
  record.header.kind = kind;
  record.header.event = event ? HandleToken(event) : 0;
  record.header.driverHandle = HandleToken(driver_);
  record.header.slot = slot;
  record.header.srb = srbAddress;
  record.header.status = status;
  if (contents) std::memcpy(record.srb, contents, std::min(length, sizeof(record.srb)));
  write(record);
}

void Trace9x::deviceTable(const DeviceTable9x& table) {
  if (!on()) return;
  const auto* bytes = reinterpret_cast<const win::BYTE*>(&table);
  for (std::size_t offset = 0; offset < sizeof(table); offset += 80) {
    devices::ApixTraceRecord record{};
    record.header.processId = win::GetCurrentProcessId();
    record.header.kind = offset == 0 ? devices::kTraceDeviceTable : devices::kTraceDeviceTableMore;
    record.header.driverHandle = HandleToken(driver_);
    std::memcpy(record.srb, bytes + offset, std::min<std::size_t>(80, sizeof(table) - offset));
    write(record);
  }
}

void Trace9x::write(const devices::ApixTraceRecord& record) {
  auto* area = static_cast<win::BYTE*>(TokenPointer(area_, areaLength_));
  if (!area) return;
  win::WaitForSingleObject(mutex_, win::INFINITE);
  win::DWORD now = win::GetTickCount();
  if (!started_) {
    started_ = true;
    firstTick_ = now;
  }
  devices::ApixTraceAreaHeader header;
  std::memcpy(&header, area, sizeof(header));
  devices::ApixTraceRecord stamped = record;
  stamped.header.milliseconds = now - firstTick_;
  std::size_t at = sizeof(header) + std::size_t{header.written % capacity_} * sizeof(stamped);
  std::memcpy(area + at, &stamped, sizeof(stamped));
  ++header.written;
  std::memcpy(area, &header, sizeof(header));
  win::ReleaseMutex(mutex_);
  win::SetEvent(available_);
}

}  // namespace aspi

namespace aspi {

std::vector<devices::ApixTraceRecord> Trace9x::records() const {
  std::vector<devices::ApixTraceRecord> out;
  auto* area = static_cast<const win::BYTE*>(TokenPointer(area_, areaLength_));
  if (!area) return out;
  win::WaitForSingleObject(mutex_, win::INFINITE);
  devices::ApixTraceAreaHeader header;
  std::memcpy(&header, area, sizeof(header));
  win::DWORD first = header.written > capacity_ ? header.written - capacity_ : 0;
  for (win::DWORD i = first; i < header.written; ++i) {
    devices::ApixTraceRecord record;
    std::memcpy(&record, area + sizeof(header) + std::size_t{i % capacity_} * sizeof(record), sizeof(record));
    out.push_back(record);
  }
  win::ReleaseMutex(mutex_);
  return out;
}

}  // namespace aspi
