#include "platform/devices/pyxa_apix_driver.h"

#include <algorithm>
#include <cstring>

#include "platform/devices/system_aspi_flat_addresses.h"
#include "platform/devices/system_aspi_srb.h"
#include "platform/devices/system_aspi_srb_execution.h"
#include "platform/win/files.h"
#include "platform/win/last_error.h"
#include "platform/win/sync.h"

namespace devices {
namespace {

constexpr win::DWORD kMaxTransfer = 0x10000;
constexpr win::DWORD kTraceRecords = 256;

std::string paddedName(const std::string& name) {
  std::string padded = name.substr(0, 8);
  padded.resize(8, ' ');
  return padded;
}

win::BOOL fail(win::DWORD error) {
  win::SetLastError(error);
  return win::FALSE;
}

void putDword(void* out, win::DWORD* returned, win::DWORD value) {
  std::memcpy(out, &value, sizeof(value));
  if (returned) *returned = sizeof(value);
}

}  // namespace

PyxaApixDriver::PyxaApixDriver() : PyxaApixDriver(MachineScsiTargets()) {}

PyxaApixDriver::PyxaApixDriver(std::vector<AttachedTarget> targets) : targets_(std::move(targets)) { buildRecords(); }

PyxaApixDriver::~PyxaApixDriver() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (worker_) {
    win::WaitForSingleObject(worker_, win::INFINITE);
    win::CloseHandle(worker_);
  }
  for (win::DWORD address : recordAddresses_) ReleaseFlatAddress(address);
  if (traceAddress_) ReleaseFlatAddress(traceAddress_);
}

void PyxaApixDriver::buildRecords() {
  std::vector<const AttachedTarget*> counted;
  for (const AttachedTarget& t : targets_)
    if (t.path == 0 && t.device) counted.push_back(&t);
  records_.assign(counted.size(), ApixDeviceRecord{});
  recordAddresses_.assign(counted.size(), 0);
  for (std::size_t i = 0; i < counted.size(); ++i)
    recordAddresses_[i] = FlatAddressOf(&records_[i], sizeof(ApixDeviceRecord));
  for (std::size_t i = 0; i < counted.size(); ++i) {
    ApixDeviceRecord& r = records_[i];
    const AttachedTarget& t = *counted[i];
    r.physical = recordAddresses_[i];
    r.next = i + 1 < counted.size() ? recordAddresses_[i + 1] : 0;
    r.deviceFlags = kApixRecordCounts;
    r.maxTransfer = kMaxTransfer;
    r.busType = kApixBusScsi;
    r.targetId = t.target;
    r.lun = t.lun;
    r.hostAdapter = t.port;
    std::string name = paddedName(t.portDriver);
    std::memcpy(r.portDriver, name.data(), sizeof(r.portDriver));
    std::pair<std::string, win::BYTE> adapter{name, t.port};
    if (std::find(adapters_.begin(), adapters_.end(), adapter) == adapters_.end()) adapters_.push_back(adapter);
  }
}

const AttachedTarget* PyxaApixDriver::targetFor(win::BYTE adapter, win::BYTE target, win::BYTE lun) const {
  if (adapter >= adapters_.size()) return nullptr;
  const auto& [name, port] = adapters_[adapter];
  for (const AttachedTarget& t : targets_)
    if (t.path == 0 && t.device && t.port == port && paddedName(t.portDriver) == name && t.target == target &&
        t.lun == lun)
      return &t;
  return nullptr;
}

void* PyxaApixDriver::srbOf(const ApixSrbBlock& block) const {
  void* srb = FlatAddressTarget(block.srb, sizeof(win::SRB_Header));
  if (!srb) return nullptr;
  std::size_t length = win::SrbLength(static_cast<win::SRB_Header*>(srb)->SRB_Cmd);
  if (length == 0 || block.srbLength < length) return nullptr;
  // The address must cover the whole record of its command.
  return FlatAddressTarget(block.srb, length);
}

bool PyxaApixDriver::knowsDevice(void* srb) const {
  auto* header = static_cast<win::SRB_Header*>(srb);
  win::BYTE target = 0, lun = 0;
  switch (header->SRB_Cmd) {
    case win::SC_EXEC_SCSI_CMD: {
      auto* s = static_cast<win::SRB_ExecSCSICmd*>(srb);
      target = s->SRB_Target;
      lun = s->SRB_Lun;
      break;
    }
    case win::SC_RESET_DEV: {
      auto* s = static_cast<win::SRB_BusDeviceReset*>(srb);
      target = s->SRB_Target;
      lun = s->SRB_Lun;
      break;
    }
    case win::SC_GET_DISK_INFO: {
      auto* s = static_cast<win::SRB_GetDiskInfo*>(srb);
      target = s->SRB_Target;
      lun = s->SRB_Lun;
      break;
    }
    case win::SC_GET_DEV_TYPE: {
      auto* s = static_cast<win::SRB_GDEVBlock*>(srb);
      target = s->SRB_Target;
      lun = s->SRB_Lun;
      break;
    }
    case win::SC_ABORT_SRB:
      return header->SRB_HaId < adapters_.size();
    default:
      return false;
  }
  return targetFor(header->SRB_HaId, target, lun) != nullptr;
}

// Runs an SRB whose device is known.
void PyxaApixDriver::runSrb(void* srb) {
  auto* header = static_cast<win::SRB_Header*>(srb);
  switch (header->SRB_Cmd) {
    case win::SC_EXEC_SCSI_CMD: {
      auto* s = static_cast<win::SRB_ExecSCSICmd*>(srb);
      ExecuteSrbOnTarget(*s, *targetFor(s->SRB_HaId, s->SRB_Target, s->SRB_Lun)->device);
      break;
    }
    case win::SC_RESET_DEV: {
      auto* s = static_cast<win::SRB_BusDeviceReset*>(srb);
      s->SRB_HaStat = win::HASTAT_OK;
      s->SRB_TargStat = kScsiGood;
      s->SRB_Status = win::SS_COMP;
      break;
    }
    case win::SC_GET_DISK_INFO: {
      // The player's disk has no BIOS unit.
      auto* s = static_cast<win::SRB_GetDiskInfo*>(srb);
      s->SRB_DriveFlags = 0;
      s->SRB_Int13HDriveInfo = 0;
      s->SRB_Heads = 0;
      s->SRB_Sectors = 0;
      s->SRB_Status = win::SS_COMP;
      break;
    }
    case win::SC_GET_DEV_TYPE: {
      auto* s = static_cast<win::SRB_GDEVBlock*>(srb);
      s->SRB_DeviceType = targetFor(s->SRB_HaId, s->SRB_Target, s->SRB_Lun)->deviceType;
      s->SRB_Status = win::SS_COMP;
      break;
    }
    case win::SC_ABORT_SRB: {
      auto* s = static_cast<win::SRB_Abort*>(srb);
      s->SRB_Status = abortSrb(s->SRB_ToAbort) ? win::SS_COMP : win::SS_ABORT_FAIL;
      break;
    }
    default:
      break;
  }
}

// Takes a posted SRB off the queue before it starts.
bool PyxaApixDriver::abortSrb(win::DWORD address) {
  PostedSrb aborted;
  {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(queue_.begin(), queue_.end(), [&](const PostedSrb& p) { return p.srbAddress == address; });
    if (it == queue_.end()) return false;
    aborted = *it;
    queue_.erase(it);
  }
  static_cast<win::SRB_Header*>(aborted.srb)->SRB_Status = win::SS_ABORTED;
  if (win::HANDLE event = FlatHandleTarget(aborted.event)) win::SetEvent(event);
  return true;
}

win::BOOL PyxaApixDriver::post(const ApixSrbBlock& block) {
  void* srb = srbOf(block);
  if (!srb || !knowsDevice(srb)) return fail(win::ERROR_INVALID_PARAMETER);
  win::BYTE command = static_cast<win::SRB_Header*>(srb)->SRB_Cmd;
  if (command != win::SC_EXEC_SCSI_CMD && command != win::SC_RESET_DEV) return fail(win::ERROR_INVALID_PARAMETER);
  static_cast<win::SRB_Header*>(srb)->SRB_Status = win::SS_PENDING;
  {
    std::lock_guard lock(mutex_);
    if (!worker_) {
      worker_ = win::CreateThread(nullptr, 0, &PyxaApixDriver::workerMain, this, 0, nullptr);
      if (!worker_) return fail(win::ERROR_NOT_ENOUGH_MEMORY);
    }
    queue_.push_back(PostedSrb{srb, block.srb, block.event});
  }
  wake_.notify_one();
  return win::TRUE;
}

win::BOOL PyxaApixDriver::execute(const ApixSrbBlock& block) {
  void* srb = srbOf(block);
  if (!srb || !knowsDevice(srb)) return fail(win::ERROR_INVALID_PARAMETER);
  runSrb(srb);
  return win::TRUE;
}

win::DWORD PyxaApixDriver::workerMain(void* self) {
  static_cast<PyxaApixDriver*>(self)->work();
  return 0;
}

void PyxaApixDriver::work() {
  for (;;) {
    PostedSrb next;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
      if (queue_.empty()) return;  // stopping, nothing left
      next = queue_.front();
      queue_.pop_front();
    }
    runSrb(next.srb);
    if (win::HANDLE event = FlatHandleTarget(next.event)) win::SetEvent(event);
  }
}

win::BOOL PyxaApixDriver::traceArea(const void* in, win::DWORD inSize, void* out, win::DWORD outSize,
                                    win::DWORD* returned) {
  ApixTraceBlock block{};
  if (!in || inSize < sizeof(block) || !out || outSize < sizeof(block)) return fail(win::ERROR_INVALID_PARAMETER);
  std::memcpy(&block, in, sizeof(block));
  if (block.magic != kApixTraceMagic) return fail(win::ERROR_INVALID_PARAMETER);
  std::lock_guard lock(mutex_);
  if (block.enable && traceArea_.empty()) {
    traceArea_.assign(sizeof(ApixTraceAreaHeader) + kTraceRecords * sizeof(ApixTraceRecord), 0);
    ApixTraceAreaHeader header{0, kTraceRecords};
    std::memcpy(traceArea_.data(), &header, sizeof(header));
    traceAddress_ = FlatAddressOf(traceArea_.data(), traceArea_.size());
  }
  block.area = traceAddress_;
  block.areaLength = static_cast<win::DWORD>(traceArea_.size());
  block.recordLength = sizeof(ApixTraceRecord);
  block.recordCapacity = traceArea_.empty() ? 0 : kTraceRecords;
  std::memcpy(out, &block, sizeof(block));
  if (returned) *returned = sizeof(block);
  return win::TRUE;
}

win::BOOL PyxaApixDriver::control(win::DWORD code, const void* in, win::DWORD inSize, void* out, win::DWORD outSize,
                                  win::DWORD* returned) {
  if (returned) *returned = 0;
  switch (code) {
    case kApixPostSrb:
    case kApixExecuteSrb: {
      ApixSrbBlock block{};
      if (!in || inSize < sizeof(block)) return fail(win::ERROR_INVALID_PARAMETER);
      std::memcpy(&block, in, sizeof(block));
      return code == kApixPostSrb ? post(block) : execute(block);
    }
    case kApixTraceArea:
      return traceArea(in, inSize, out, outSize, returned);
    case kApixIdentify:
      if (!out || outSize < 4) return fail(win::ERROR_INVALID_PARAMETER);
      putDword(out, returned, kApixIdentity);
      return win::TRUE;
    case kApixDeviceList:
      if (!out || outSize < 4) return fail(win::ERROR_INVALID_PARAMETER);
      putDword(out, returned, recordAddresses_.empty() ? 0 : recordAddresses_.front());
      return win::TRUE;
    case kApixSetTimeout:
    case kApixSetOwnerMode: {
      win::DWORD value = 0;
      if (!in || inSize < sizeof(value)) return fail(win::ERROR_INVALID_PARAMETER);
      std::memcpy(&value, in, sizeof(value));
      std::lock_guard lock(mutex_);
      (code == kApixSetTimeout ? scsiTimeout_ : ownerMode_) = value;
      return win::TRUE;
    }
    default:
      return fail(win::ERROR_INVALID_FUNCTION);
  }
}

win::DWORD PyxaApixDriver::scsiTimeout() const {
  std::lock_guard lock(mutex_);
  return scsiTimeout_;
}

win::DWORD PyxaApixDriver::ownerMode() const {
  std::lock_guard lock(mutex_);
  return ownerMode_;
}

}  // namespace devices
