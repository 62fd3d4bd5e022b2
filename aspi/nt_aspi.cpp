#include "aspi/nt_aspi.h"

#include <algorithm>
#include <cstring>

#include "aspi/aspi_srb.h"
#include "platform/devices/system_aspi_srb_execution.h"
#include "platform/win/files.h"
#include "platform/win/last_error.h"
#include "platform/win/sync.h"

namespace aspi {
namespace {

constexpr char kManagerId[] = "PYXA ASPI32";
constexpr win::DWORD kPassThroughTimeout = 50000;
constexpr win::DWORD kWatchdogTickMs = 1000;

// SCSI status bytes the completion maps.
constexpr win::BYTE kStatusGood = 0x00;
constexpr win::BYTE kStatusCheckCondition = 0x02;
constexpr win::BYTE kStatusBusy = 0x08;
constexpr win::BYTE kStatusCommandTerminated = 0x22;
constexpr win::BYTE kStatusQueueFull = 0x28;

void fillText(win::BYTE* field, std::size_t size, const std::string& text) {
  std::memset(field, 0, size);
  std::memcpy(field, text.data(), std::min(size, text.size()));
}

}  // namespace

NtAspi::~NtAspi() {
  stopping_ = true;
  if (stopEvent_) win::SetEvent(stopEvent_);
  if (completionEvent_) win::SetEvent(completionEvent_);
  for (win::HANDLE thread : {completionThread_, watchdogThread_}) {
    if (!thread) continue;
    win::WaitForSingleObject(thread, win::INFINITE);
    win::CloseHandle(thread);
  }
  // What the device still holds must be over before its block goes.
  for (PassThroughRequest* request : inFlight_) {
    win::DWORD bytes = 0;
    win::CancelIo(request->handle);
    win::GetOverlappedResult(request->handle, &request->overlapped, &bytes, win::TRUE);
  }
  map_.forEachUnit([](ScsiDeviceNode& node) {
    if (node.handle && node.handle != win::INVALID_HANDLE_VALUE) win::CloseHandle(node.handle);
  });
  for (win::HANDLE h : {completionEvent_, stopEvent_, scalinkMutex_})
    if (h) win::CloseHandle(h);
}

bool NtAspi::start() {
  mapBuilt_ = map_.build();
  completionEvent_ = win::CreateEventA(nullptr, win::FALSE, win::FALSE, nullptr);
  stopEvent_ = win::CreateEventA(nullptr, win::TRUE, win::FALSE, nullptr);
  if (!completionEvent_ || !stopEvent_) return false;
  completionThread_ = win::CreateThread(nullptr, 0, &NtAspi::completionMain, this, 0, nullptr);
  if (!completionThread_) return false;
  win::SetThreadPriority(completionThread_, win::THREAD_PRIORITY_TIME_CRITICAL);
  watchdogThread_ = win::CreateThread(nullptr, 0, &NtAspi::watchdogMain, this, 0, nullptr);
  scalinkMutex_ = win::CreateMutexA(nullptr, win::FALSE, "SCALINK");
  return true;
}

win::DWORD NtAspi::supportInfo() const {
  if (!mapBuilt_) return win::DWORD{win::SS_COMP} << 8;
  return (win::DWORD{win::SS_COMP} << 8) | static_cast<win::DWORD>(std::min(map_.portCount(), 255));
}

win::DWORD NtAspi::send(void* srbPointer) {
  if (!srbPointer) return win::SS_INVALID_SRB;
  switch (static_cast<win::SRB_Header*>(srbPointer)->SRB_Cmd) {
    case win::SC_HA_INQUIRY: return haInquiry(*static_cast<win::SRB_HAInquiry*>(srbPointer));
    case win::SC_GET_DEV_TYPE: return getDevType(*static_cast<win::SRB_GDEVBlock*>(srbPointer));
    case win::SC_EXEC_SCSI_CMD: return execute(*static_cast<win::SRB_ExecSCSICmd*>(srbPointer));
    default: return win::SS_ERR;
  }
}

win::DWORD NtAspi::haInquiry(win::SRB_HAInquiry& srb) const {
  if (const ScsiPortNode* port = map_.port(srb.SRB_HaId)) {
    srb.HA_Count = static_cast<win::BYTE>(std::min(map_.portCount(), 255));
    srb.HA_SCSI_ID = port->buses[0] ? port->buses[0]->initiatorId : 0;
    fillText(srb.HA_ManagerId, sizeof(srb.HA_ManagerId), kManagerId);
    fillText(srb.HA_Identifier, sizeof(srb.HA_Identifier), port->driver);
    srb.SRB_Status = win::SS_COMP;
  }
  return win::SS_COMP;
}

win::DWORD NtAspi::getDevType(win::SRB_GDEVBlock& srb) const {
  if (!map_.port(srb.SRB_HaId)) return srb.SRB_Status = win::SS_INVALID_HA;
  srb.SRB_Status = map_.presentUnit(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun) ? win::SS_COMP : win::SS_NO_DEVICE;
  return srb.SRB_Status;
}

win::DWORD NtAspi::execute(win::SRB_ExecSCSICmd& srb) {
  std::lock_guard lock(mutex_);
  ScsiDeviceNode* node = map_.presentUnit(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun);
  if (!node) return srb.SRB_Status = win::SS_NO_DEVICE;
  // The block's data area bounds the transfer; the buffer's token bounds what we touch.
  if (srb.SRB_CDBLen == 0 || srb.SRB_CDBLen > sizeof(srb.CDBByte)) return srb.SRB_Status = win::SS_INVALID_SRB;
  if (srb.SRB_BufLen > kDataCapacity) return srb.SRB_Status = win::SS_BUFFER_TO_BIG;
  auto* buffer = static_cast<win::BYTE*>(TokenPointer(srb.SRB_BufPointer, srb.SRB_BufLen));
  if (srb.SRB_BufLen > 0 && !buffer) return srb.SRB_Status = win::SS_INVALID_SRB;
  PassThroughRequest* request = pool_.take();
  if (!request) return srb.SRB_Status = win::SS_ASPI_IS_BUSY;

  RequestBlock& block = request->block;
  win::SCSI_PASS_THROUGH& header = block.header;
  header.Length = sizeof(win::SCSI_PASS_THROUGH);
  header.ScsiStatus = 0;
  header.PathId = srb.SRB_HaId;
  header.TargetId = srb.SRB_Target;
  header.Lun = srb.SRB_Lun;
  header.CdbLength = srb.SRB_CDBLen;
  std::memset(header.Cdb, 0, sizeof(header.Cdb));
  std::memcpy(header.Cdb, srb.CDBByte, srb.SRB_CDBLen);
  header.SenseInfoLength = static_cast<win::BYTE>(std::min<std::size_t>(srb.SRB_SenseLen, kSenseCapacity));
  header.SenseInfoOffset = kSenseOffset;
  std::memset(block.sense, 0, sizeof(block.sense));
  header.DataBufferOffset = kDataOffset;
  header.DataTransferLength = srb.SRB_BufLen;
  header.TimeOutValue = kPassThroughTimeout;
  bool in = srb.SRB_Flags & win::SRB_DIR_IN, out = srb.SRB_Flags & win::SRB_DIR_OUT;
  std::memset(block.data, 0, srb.SRB_BufLen);
  if (in && !out) {
    header.DataIn = win::SCSI_IOCTL_DATA_IN;
  } else if (out && !in) {
    header.DataIn = win::SCSI_IOCTL_DATA_OUT;
    if (srb.SRB_BufLen > 0) std::memcpy(block.data, buffer, srb.SRB_BufLen);
  } else {
    // Neither flag (or both): the command decides; we move nothing for it.
    header.DataIn = win::SCSI_IOCTL_DATA_UNSPECIFIED;
  }

  win::HANDLE handle = NtDeviceMap::openUnit(*node);
  request->srb = &srb;
  request->callerBuffer = buffer;
  request->bufferLength = srb.SRB_BufLen;
  request->node = node;
  request->handle = handle;
  request->sequence = node->issued++;
  ++node->busy;
  request->overlapped = win::OVERLAPPED{};
  request->overlapped.hEvent = completionEvent_;
  // Pending from here on, whatever the caller left in the field.
  srb.SRB_Status = win::SS_PENDING;
  win::DWORD returned = 0;
  if (!win::DeviceIoControl(handle, win::IOCTL_SCSI_PASS_THROUGH, &header, kPassThroughLength, &header,
                            kPassThroughLength, &returned, &request->overlapped) &&
      win::GetLastError() != win::ERROR_IO_PENDING) {
    // Never started: its sequence number goes back, so the device's later requests are not held up.
    --node->issued;
    --node->busy;
    pool_.giveBack(request);
    return srb.SRB_Status = win::SS_INVALID_CMD;
  }
  inFlight_.push_back(request);
  // A request that finished at once, or one whose event the next issue reset, is seen on this wake.
  win::SetEvent(completionEvent_);
  return srb.SRB_Status;
}

win::DWORD NtAspi::completionMain(void* self) {
  static_cast<NtAspi*>(self)->completeRequests();
  return 0;
}

void NtAspi::completeRequests() {
  for (;;) {
    win::WaitForSingleObject(completionEvent_, win::INFINITE);
    if (stopping_) return;
    std::vector<std::pair<PassThroughRequest*, bool>> done;
    {
      std::lock_guard lock(mutex_);
      for (bool progress = true; progress;) {
        progress = false;
        for (auto it = inFlight_.begin(); it != inFlight_.end(); ++it) {
          PassThroughRequest* request = *it;
          if (request->sequence != request->node->completed) continue;
          win::DWORD bytes = 0;
          bool ok = win::GetOverlappedResult(request->handle, &request->overlapped, &bytes, win::FALSE);
          if (!ok && win::GetLastError() == win::ERROR_IO_INCOMPLETE) continue;
          ++request->node->completed;
          done.emplace_back(request, !ok);
          inFlight_.erase(it);
          progress = true;
          break;
        }
      }
    }
    // Callers are told outside the lock: a post routine may send the next SRB.
    for (auto& [request, failed] : done) {
      finish(*request, failed);
      std::lock_guard lock(mutex_);
      --request->node->busy;
      request->node->timeToLive = kHandleTimeToLive;
      pool_.giveBack(request);
    }
  }
}

void NtAspi::finish(PassThroughRequest& request, bool ioFailed) {
  win::SRB_ExecSCSICmd& srb = *request.srb;
  const win::SCSI_PASS_THROUGH& header = request.block.header;
  // Read before the status is set: from then on the SRB is the caller's again.
  win::BYTE flags = srb.SRB_Flags;
  win::DWORD post = srb.SRB_PostProc;
  win::BYTE status = win::SS_ERR, targetStatus = 0, hostStatus = win::HASTAT_OK;
  if (ioFailed) {
    hostStatus = win::HASTAT_SEL_TO;
  } else {
    std::size_t moved = std::min<std::size_t>(header.DataTransferLength, request.bufferLength);
    if (flags & win::SRB_ENABLE_RESIDUAL_COUNT) srb.SRB_BufLen = static_cast<win::DWORD>(moved);
    switch (header.ScsiStatus) {
      case kStatusGood: status = win::SS_COMP; break;
      case kStatusBusy: status = win::SS_ASPI_IS_BUSY; targetStatus = kStatusBusy; break;
      case kStatusCommandTerminated: status = win::SS_ABORT_FAIL; break;
      case kStatusQueueFull: status = win::SS_ASPI_IS_BUSY; break;
      default: status = win::SS_ERR; targetStatus = kStatusCheckCondition; break;
    }
    if (header.DataIn == win::SCSI_IOCTL_DATA_IN && request.callerBuffer && moved > 0)
      std::memcpy(request.callerBuffer, request.block.data, moved);
    std::size_t sense = std::min({static_cast<std::size_t>(srb.SRB_SenseLen), sizeof(srb.SenseArea),
                                  static_cast<std::size_t>(header.SenseInfoLength)});
    if (sense > 0) std::memcpy(srb.SenseArea, request.block.sense, sense);
  }
  srb.SRB_HaStat = hostStatus;
  srb.SRB_TargStat = targetStatus;
  // The status goes last: a caller that polls it may take the SRB back at once.
  std::atomic_ref<win::BYTE>(srb.SRB_Status).store(status, std::memory_order_release);
  devices::NotifySrbOwner(flags, post, &srb);
}

win::DWORD NtAspi::watchdogMain(void* self) {
  static_cast<NtAspi*>(self)->watchHandles();
  return 0;
}

void NtAspi::watchHandles() {
  while (win::WaitForSingleObject(stopEvent_, kWatchdogTickMs) == win::WAIT_TIMEOUT) {
    std::lock_guard lock(mutex_);
    map_.forEachUnit([](ScsiDeviceNode& node) {
      if (!node.handle || node.handle == win::INVALID_HANDLE_VALUE || node.busy > 0 || node.lockCount > 0) return;
      if (--node.timeToLive > 0) return;
      win::CloseHandle(node.handle);
      node.handle = win::INVALID_HANDLE_VALUE;
    });
  }
}

win::HANDLE NtAspi::unitHandle(win::BYTE port, win::BYTE target, win::BYTE lun) {
  std::lock_guard lock(mutex_);
  ScsiDeviceNode* node = map_.unit(port, 0, target, lun);
  return node ? node->handle : nullptr;
}

}  // namespace aspi
