#include "aspi/win9x_aspi.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "aspi/aspi_srb.h"
#include "platform/devices/pyxa_apix_protocol.h"
#include "platform/devices/system_aspi_devices.h"
#include "platform/devices/system_aspi_srb_execution.h"
#include "platform/win/files.h"
#include "platform/win/interaction.h"
#include "platform/win/modules.h"
#include "platform/win/ioctl.h"
#include "platform/win/last_error.h"
#include "platform/win/registry.h"
#include "platform/win/sync.h"

namespace aspi {
namespace {

constexpr char kManagerId[] = "PYXA ASPI32";
constexpr win::BYTE kInquiry = 0x12;
constexpr win::BYTE kResidualSupported = 0x02;

// A registry value's bytes (at most 256).
std::string readValue(win::HKEY key, const char* name) {
  win::BYTE data[256] = {};
  win::DWORD type = 0, size = sizeof(data);
  if (win::RegQueryValueExA(key, name, nullptr, &type, data, &size) != win::ERROR_SUCCESS) return {};
  return std::string(reinterpret_cast<char*>(data), std::min<win::DWORD>(size, sizeof(data)));
}

void fillText(win::BYTE* field, std::size_t size, const char* text) {
  std::memset(field, 0, size);
  std::memcpy(field, text, std::min(size, std::strlen(text)));
}

// Target and LUN of the SRBs that carry them.
bool deviceAddress(const win::SRB_Header& header, win::BYTE* target, win::BYTE* lun) {
  switch (header.SRB_Cmd) {
    case win::SC_GET_DEV_TYPE: {
      auto& s = reinterpret_cast<const win::SRB_GDEVBlock&>(header);
      *target = s.SRB_Target, *lun = s.SRB_Lun;
      return true;
    }
    case win::SC_EXEC_SCSI_CMD: {
      auto& s = reinterpret_cast<const win::SRB_ExecSCSICmd&>(header);
      *target = s.SRB_Target, *lun = s.SRB_Lun;
      return true;
    }
    case win::SC_RESET_DEV: {
      auto& s = reinterpret_cast<const win::SRB_BusDeviceReset&>(header);
      *target = s.SRB_Target, *lun = s.SRB_Lun;
      return true;
    }
    case win::SC_GET_DISK_INFO: {
      auto& s = reinterpret_cast<const win::SRB_GetDiskInfo&>(header);
      *target = s.SRB_Target, *lun = s.SRB_Lun;
      return true;
    }
    default:
      return false;
  }
}

// The post field of the SRBs that are posted (SC_EXEC_SCSI_CMD, SC_RESET_DEV: both at byte 24).
win::DWORD& postField(void* srb) { return static_cast<win::SRB_ExecSCSICmd*>(srb)->SRB_PostProc; }

}  // namespace

Settings9x ReadSettings9x() {
  Settings9x settings;
  win::HKEY key = nullptr;
  if (win::RegOpenKeyExA(win::HKEY_CURRENT_USER, kSettings9xKey, 0, win::KEY_READ, &key) != win::ERROR_SUCCESS)
    return settings;
  std::string useSystem = readValue(key, "UseSystemASPI");
  settings.useSystemAspi = std::any_of(useSystem.begin(), useSystem.end(), [](char c) { return c != 0; });
  std::string timeout = readValue(key, "SCSI_Timeout");
  std::memcpy(&settings.scsiTimeout, timeout.data(), std::min(timeout.size(), sizeof(settings.scsiTimeout)));
  win::RegCloseKey(key);
  return settings;
}

Win9xAspi::~Win9xAspi() {
  stopping_ = true;
  if (completionThread_) {
    win::SetEvent(slots_.events()[0]);
    win::WaitForSingleObject(completionThread_, win::INFINITE);
    win::CloseHandle(completionThread_);
  }
  if (driver_ != win::INVALID_HANDLE_VALUE) win::CloseHandle(driver_);
  if (system_.module) win::FreeLibrary(system_.module);
}

bool Win9xAspi::start() {
  if (!slots_.create()) return false;
  completionThread_ = win::CreateThread(nullptr, 0, &Win9xAspi::completionMain, this, 0, nullptr);
  if (!completionThread_) return false;
  win::SetThreadPriority(completionThread_, win::THREAD_PRIORITY_TIME_CRITICAL);
  settings_ = ReadSettings9x();
  systemMode_ = settings_.useSystemAspi;
  // The machine's driver and system manager are set up before the first look for them.
  devices::SetUpAspiDevices();
  system_.load();
  // Events reach the driver as their flat addresses: the machine's driver
  // shares this process's handles, so no ring-0 handle is made for them.
  if (!openDriver()) {
    win::MessageBoxA(nullptr, "Could not open driver. Trying system aspi.", "PyxaApix", win::MB_OK);
    systemMode_ = true;
    return true;
  }
  if (!systemMode_) {
    win::DWORD owner = 1;
    control(devices::kApixSetOwnerMode, &owner, sizeof(owner));
  }
  trace_.start(driver_);
  control(devices::kApixSetTimeout, &settings_.scsiTimeout, sizeof(settings_.scsiTimeout));
  win::DWORD first = 0;
  if (!control(devices::kApixDeviceList, nullptr, 0, &first, sizeof(first))) first = 0;
  BuildDeviceTable9x(table_, first, system_.send);
  trace_.deviceTable(table_);
  return true;
}

bool Win9xAspi::openDriver() {
  for (const char* name : {devices::kPyxaCd95DeviceName, devices::kPyxaApixDeviceName}) {
    std::string path = std::string("\\\\.\\") + name;
    win::HANDLE handle =
        win::CreateFileA(path.c_str(), 0, 0, nullptr, win::OPEN_EXISTING, win::FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == win::INVALID_HANDLE_VALUE) continue;
    win::DWORD identity = 0, returned = 0;
    if (win::DeviceIoControl(handle, devices::kApixIdentify, nullptr, 0, &identity, sizeof(identity), &returned,
                             nullptr)) {
      driver_ = handle;
      return true;
    }
    win::CloseHandle(handle);
  }
  return false;
}

bool Win9xAspi::control(win::DWORD code, const void* in, win::DWORD inSize, void* out, win::DWORD outSize) {
  win::DWORD returned = 0;
  return win::DeviceIoControl(driver_, code, const_cast<void*>(in), inSize, out, outSize, &returned, nullptr) !=
         win::FALSE;
}

win::DWORD Win9xAspi::supportInfo() const {
  if (systemMode_) return system_.supportInfo();
  return (win::DWORD{win::SS_COMP} << 8) | std::min<win::DWORD>(table_.adapterCount, 255);
}

win::DWORD Win9xAspi::dllVersion() const { return systemMode_ ? system_.dllVersion() : kScalinkDllVersion; }

bool Win9xAspi::addressKnown(const win::SRB_Header& header) const {
  if (header.SRB_Cmd == win::SC_HA_INQUIRY || header.SRB_Cmd == win::SC_ABORT_SRB)
    return header.SRB_HaId < table_.adapterCount;
  win::BYTE target = 0, lun = 0;
  return deviceAddress(header, &target, &lun) && FindDevice9x(table_, header.SRB_HaId, target, lun);
}

win::DWORD Win9xAspi::send(void* srb) {
  if (!srb) return win::SS_INVALID_SRB;
  auto& header = *static_cast<win::SRB_Header*>(srb);
  if (systemMode_) {
    if (trace_.on() && (header.SRB_Cmd == win::SC_EXEC_SCSI_CMD || header.SRB_Cmd == win::SC_RESET_DEV))
      return postToSystem(srb);
    return system_.send(srb);
  }
  if (!addressKnown(header)) {
    header.SRB_Status = win::SS_NO_DEVICE;
    trace_.record(devices::kTraceSrbRefused, nullptr, 0, srb, std::max<std::size_t>(win::SrbLength(header.SRB_Cmd), 8),
                  win::SS_NO_DEVICE);
    return win::SS_NO_DEVICE;
  }
  switch (header.SRB_Cmd) {
    case win::SC_EXEC_SCSI_CMD:
    case win::SC_RESET_DEV:
      return post(srb);
    case win::SC_HA_INQUIRY:
      return haInquiry(*static_cast<win::SRB_HAInquiry*>(srb));
    case win::SC_GET_DEV_TYPE:
      return getDevType(*static_cast<win::SRB_GDEVBlock*>(srb));
    default:
      return runSynchronously(srb, win::SrbLength(header.SRB_Cmd));
  }
}

// A posted SRB that takes a slot goes to the driver as the slot's private
// copy, and its results come back into the caller's SRB with the status
// last: a caller polling the status may reuse its SRB the moment it changes.
win::DWORD Win9xAspi::post(void* srb) {
  auto& header = *static_cast<win::SRB_Header*>(srb);
  std::size_t length = win::SrbLength(header.SRB_Cmd);
  if (header.SRB_Cmd == win::SC_EXEC_SCSI_CMD) {
    auto* exec = static_cast<win::SRB_ExecSCSICmd*>(srb);
    std::memset(exec->SenseArea, 0, sizeof(exec->SenseArea));
  }
  devices::ApixSrbBlock block{};
  block.srbLength = static_cast<win::DWORD>(length);
  block.flags = header.SRB_Flags;
  void* sent = srb;
  int slot = 0;
  win::HANDLE event = nullptr;
  if ((header.SRB_Flags & win::SRB_POSTING) || trace_.on()) {
    slot = slots_.take(srb);
    if (slot == 0) return header.SRB_Status = win::SS_ASPI_IS_BUSY;
    RequestSlot& s = slots_.slot(slot);
    {
      std::lock_guard lock(slots_.mutex());
      s.srbAddress = PointerToken(srb, length);
      std::memcpy(s.copy, srb, length);
    }
    sent = s.copy;
    event = s.event;
    block.event = HandleToken(event);
    block.flags = (header.SRB_Flags & ~win::SRB_POSTING) | win::SRB_EVENT_NOTIFY;
    block.slot = static_cast<win::BYTE>(slot);
    header.SRB_Status = win::SS_PENDING;
  } else if (header.SRB_Flags & win::SRB_EVENT_NOTIFY) {
    event = TokenHandle(postField(srb));
    if (event) win::ResetEvent(event);
    block.event = postField(srb);
  }
  block.srb = PointerToken(sent, length);
  trace_.record(devices::kTraceSrbPosted, event, slot, srb, length, header.SRB_Status);
  if (!control(devices::kApixPostSrb, &block, sizeof(block))) {
    bool inquiry = header.SRB_Cmd == win::SC_EXEC_SCSI_CMD &&
                   static_cast<win::SRB_ExecSCSICmd*>(srb)->CDBByte[0] == kInquiry;
    win::BYTE status = inquiry ? win::SS_NO_DEVICE : win::SS_ERR;
    if (slot) {
      std::lock_guard lock(slots_.mutex());
      slots_.slot(slot).srb = nullptr;
    }
    header.SRB_Status = status;
    trace_.record(devices::kTraceSrbRefused, event, slot, srb, length, status);
    return status;
  }
  // Taken: the SRB is the driver's (or the slot's) until it completes.
  return win::SS_PENDING;
}

win::DWORD Win9xAspi::postToSystem(void* srb) {
  auto& header = *static_cast<win::SRB_Header*>(srb);
  std::size_t length = win::SrbLength(header.SRB_Cmd);
  int number = slots_.take(srb);
  if (number == 0) return header.SRB_Status = win::SS_ASPI_IS_BUSY;
  RequestSlot& slot = slots_.slot(number);
  std::uint32_t serial = 0;
  {
    std::lock_guard lock(slots_.mutex());
    serial = slot.serial;
    slot.srbAddress = PointerToken(srb, length);
    std::memcpy(slot.copy, srb, length);
    auto& copy = *reinterpret_cast<win::SRB_Header*>(slot.copy);
    copy.SRB_Flags = (copy.SRB_Flags & ~win::SRB_POSTING) | win::SRB_EVENT_NOTIFY;
    postField(slot.copy) = HandleToken(slot.event);
  }
  header.SRB_Status = win::SS_PENDING;
  trace_.record(devices::kTraceSrbPosted, slot.event, number, srb, length, header.SRB_Status);
  win::DWORD answer = system_.send(slot.copy);
  if ((answer & 0xFF) == win::SS_PENDING) return answer;
  // The manager has finished (or refused) the SRB already: the caller
  // takes the answer as final, so the slot is settled before it returns.
  // The caller hears of it as well when the manager signalled the copy.
  Settled settled;
  {
    std::lock_guard lock(slots_.mutex());
    if (slot.srb != srb || slot.serial != serial) return answer;  // the completion thread was quicker
    bool signalled = win::WaitForSingleObject(slot.event, 0) == win::WAIT_OBJECT_0;
    settled = settleSlot(number, static_cast<win::BYTE>(answer));
    settled.notify = signalled;
  }
  finishSettled(number, settled);
  return answer;
}

win::DWORD Win9xAspi::haInquiry(win::SRB_HAInquiry& srb) {
  win::BYTE adapter = srb.SRB_HaId;
  trace_.record(devices::kTraceSyncStarted, nullptr, 0, &srb, sizeof(srb), srb.SRB_Status);
  srb.HA_Count = static_cast<win::BYTE>(table_.adapterCount);
  srb.HA_SCSI_ID = table_.initiatorId[adapter];
  fillText(srb.HA_ManagerId, sizeof(srb.HA_ManagerId), kManagerId);
  fillText(srb.HA_Identifier, sizeof(srb.HA_Identifier), table_.adapters[adapter].driverName);
  std::memset(srb.HA_Unique, 0, sizeof(srb.HA_Unique));
  for (win::DWORD i = 0; i < table_.deviceCount && i < kMaxDevices9x; ++i) {
    const DeviceEntry9x& device = table_.devices[i];
    auto* record = static_cast<const devices::ApixDeviceRecord*>(
        TokenPointer(device.record, sizeof(devices::ApixDeviceRecord)));
    auto* physical = record ? static_cast<const devices::ApixDeviceRecord*>(
                                  TokenPointer(record->physical, sizeof(devices::ApixDeviceRecord)))
                            : nullptr;
    if (!physical || physical->hostAdapter != adapter) continue;
    std::memcpy(srb.HA_Unique + 4, &physical->maxTransfer, sizeof(physical->maxTransfer));
    if (inquiry(device.adapter, device.target, device.lun, nullptr)) srb.HA_Unique[2] |= kResidualSupported;
    break;
  }
  srb.HA_Unique[3] = table_.maxTargets[adapter];
  srb.SRB_Status = win::SS_COMP;
  trace_.record(devices::kTraceSyncFinished, nullptr, 0, &srb, sizeof(srb), srb.SRB_Status);
  return win::SS_COMP;
}

bool Win9xAspi::inquiry(win::BYTE adapter, win::BYTE target, win::BYTE lun, win::BYTE* firstByte) {
  win::BYTE answer[8] = {};
  win::SRB_ExecSCSICmd srb{};
  srb.SRB_Cmd = win::SC_EXEC_SCSI_CMD;
  srb.SRB_HaId = adapter;
  srb.SRB_Flags = win::SRB_DIR_IN;
  srb.SRB_Target = target;
  srb.SRB_Lun = lun;
  srb.SRB_BufLen = sizeof(answer);
  srb.SRB_BufPointer = PointerToken(answer, sizeof(answer));
  srb.SRB_SenseLen = sizeof(srb.SenseArea);
  srb.SRB_CDBLen = 6;
  const win::BYTE cdb[6] = {kInquiry, static_cast<win::BYTE>(lun << 5), 0, 0, 4, 0};
  std::memcpy(srb.CDBByte, cdb, sizeof(cdb));
  devices::ApixSrbBlock block{};
  block.srb = PointerToken(&srb, sizeof(srb));
  block.srbLength = sizeof(srb);
  block.flags = srb.SRB_Flags;
  bool ok = control(devices::kApixExecuteSrb, &block, sizeof(block)) && srb.SRB_Status == win::SS_COMP;
  ReleaseToken(block.srb);
  ReleaseToken(srb.SRB_BufPointer);
  if (firstByte) *firstByte = answer[0];
  return ok;
}

win::DWORD Win9xAspi::getDevType(win::SRB_GDEVBlock& srb) {
  trace_.record(devices::kTraceSyncStarted, nullptr, 0, &srb, sizeof(srb), srb.SRB_Status);
  win::BYTE type = 0;
  inquiry(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun, &type);
  srb.SRB_DeviceType = type;
  srb.SRB_Status = win::SS_COMP;
  trace_.record(devices::kTraceSyncFinished, nullptr, 0, &srb, sizeof(srb), srb.SRB_Status);
  return win::SS_COMP;
}

win::DWORD Win9xAspi::runSynchronously(void* srb, std::size_t length) {
  auto& header = *static_cast<win::SRB_Header*>(srb);
  trace_.record(devices::kTraceSyncStarted, nullptr, 0, srb, length, header.SRB_Status);
  devices::ApixSrbBlock block{};
  block.srb = PointerToken(srb, length);
  block.srbLength = static_cast<win::DWORD>(length);
  block.flags = header.SRB_Flags;
  if (!control(devices::kApixExecuteSrb, &block, sizeof(block))) header.SRB_Status = win::SS_ERR;
  // None of these SRBs has a post field: the caller reads the status on return.
  trace_.record(devices::kTraceSyncFinished, nullptr, 0, srb, length, header.SRB_Status);
  return header.SRB_Status;
}

win::DWORD Win9xAspi::completionMain(void* self) {
  static_cast<Win9xAspi*>(self)->completeSlots();
  return 0;
}

void Win9xAspi::completeSlots() {
  for (;;) {
    win::DWORD fired = win::WaitForMultipleObjects(kRequestSlots, slots_.events(), win::FALSE, win::INFINITE);
    if (stopping_) return;
    if (fired >= win::WAIT_OBJECT_0 + kRequestSlots) continue;
    finishSlot(static_cast<int>(fired - win::WAIT_OBJECT_0) + 1);
  }
}

// With the slot mutex held: the results of the slot's copy go into the
// caller's SRB, the status last, and the slot is free again. `fallback`
// is the status for a copy that has none yet.
Win9xAspi::Settled Win9xAspi::settleSlot(int number, win::BYTE fallback) {
  RequestSlot& slot = slots_.slot(number);
  Settled settled;
  win::ResetEvent(slot.event);
  settled.srb = slot.srb;
  if (!settled.srb) return settled;
  // The caller's SRB is still in flight: its own flags and post field decide how it is told.
  auto& header = *static_cast<win::SRB_Header*>(settled.srb);
  settled.length = win::SrbLength(header.SRB_Cmd);
  settled.flags = header.SRB_Flags;
  settled.post = postField(settled.srb);
  settled.address = slot.srbAddress;
  auto& copy = *reinterpret_cast<win::SRB_Header*>(slot.copy);
  settled.pending = copy.SRB_Status == win::SS_PENDING;
  if (settled.pending) copy.SRB_Status = fallback;
  if (header.SRB_Cmd == win::SC_EXEC_SCSI_CMD) {
    auto& from = *reinterpret_cast<win::SRB_ExecSCSICmd*>(slot.copy);
    auto& to = *static_cast<win::SRB_ExecSCSICmd*>(settled.srb);
    to.SRB_BufLen = from.SRB_BufLen;
    to.SRB_HaStat = from.SRB_HaStat;
    to.SRB_TargStat = from.SRB_TargStat;
    std::memcpy(to.SenseArea, from.SenseArea, sizeof(to.SenseArea));
  } else {
    auto& from = *reinterpret_cast<win::SRB_BusDeviceReset*>(slot.copy);
    auto& to = *static_cast<win::SRB_BusDeviceReset*>(settled.srb);
    to.SRB_HaStat = from.SRB_HaStat;
    to.SRB_TargStat = from.SRB_TargStat;
  }
  std::memcpy(settled.finished, slot.copy, settled.length);
  std::atomic_ref<win::BYTE>(header.SRB_Status).store(copy.SRB_Status, std::memory_order_release);
  slot.srb = nullptr;
  return settled;
}

// Without the mutex: the trace and the caller's notification. Only the
// copy is read: the caller may have its SRB back already.
void Win9xAspi::finishSettled(int number, const Settled& settled) {
  win::HANDLE event = slots_.slot(number).event;
  if (settled.pending)
    trace_.record(devices::kTraceSlotWithoutStatus, event, number, settled.address, settled.finished, settled.length,
                  win::SS_PENDING);
  win::BYTE status = reinterpret_cast<const win::SRB_Header*>(settled.finished)->SRB_Status;
  trace_.record(devices::kTraceSrbCompleted, event, number, settled.address, settled.finished, settled.length, status);
  if (settled.notify) devices::NotifySrbOwner(settled.flags, settled.post, settled.srb);
}

void Win9xAspi::finishSlot(int number) {
  Settled settled;
  {
    std::lock_guard lock(slots_.mutex());
    // A slot settled by its sender, and perhaps taken again, since the wait saw its event.
    if (win::WaitForSingleObject(slots_.slot(number).event, 0) != win::WAIT_OBJECT_0) return;
    settled = settleSlot(number, win::SS_COMP);
  }
  if (!settled.srb) {
    trace_.record(devices::kTraceSlotWithoutSrb, slots_.slot(number).event, number, 0, nullptr, 0, 0);
    return;
  }
  finishSettled(number, settled);
}

}  // namespace aspi
