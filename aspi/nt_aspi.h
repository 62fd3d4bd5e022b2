// The Windows NT mode of the layer: SRBs become SCSI pass-through requests
// on the volume handles of the device map. A completion thread finishes
// requests strictly in each device's issue order; a watchdog closes
// device handles that have been idle for about 5 seconds.
#pragma once

#include <atomic>
#include <mutex>
#include <vector>

#include "aspi/nt_device_map.h"
#include "aspi/nt_request_pool.h"

namespace aspi {

class NtAspi {
 public:
  NtAspi() = default;
  ~NtAspi();
  NtAspi(const NtAspi&) = delete;
  NtAspi& operator=(const NtAspi&) = delete;

  // Builds the device map and starts both threads. false when the
  // completion thread cannot be created (GetLastError tells why).
  bool start();

  win::DWORD supportInfo() const;
  win::DWORD send(void* srb);

  // The private control interface.
  win::HANDLE driveHandleByNumber(win::BYTE number);
  win::HANDLE driveHandleBySCSIAddr(win::BYTE port, win::BYTE target, win::BYTE lun);
  win::BOOL control(win::HANDLE handle, win::DWORD code, void* in, win::DWORD inSize, void* out, win::DWORD outSize,
                    win::DWORD* returned);

  // The unit's current handle (nullptr, INVALID_HANDLE_VALUE or open); for checks.
  win::HANDLE unitHandle(win::BYTE port, win::BYTE target, win::BYTE lun);

 private:
  win::DWORD haInquiry(win::SRB_HAInquiry& srb) const;
  win::DWORD getDevType(win::SRB_GDEVBlock& srb) const;
  win::DWORD execute(win::SRB_ExecSCSICmd& srb);
  void finish(PassThroughRequest& request, bool ioFailed);
  bool changeLock(ScsiDeviceNode& node, int flag, win::DWORD newFlag);
  static win::DWORD completionMain(void* self);
  static win::DWORD watchdogMain(void* self);
  void completeRequests();
  void watchHandles();

  NtDeviceMap map_;
  bool mapBuilt_ = false;
  std::mutex mutex_;  // the pool mutex: pool, requests in flight, the units' handles and counters
  RequestPool pool_;
  std::vector<PassThroughRequest*> inFlight_;
  win::HANDLE completionEvent_ = nullptr;
  win::HANDLE stopEvent_ = nullptr;
  win::HANDLE completionThread_ = nullptr;
  win::HANDLE watchdogThread_ = nullptr;
  win::HANDLE scalinkMutex_ = nullptr;
  std::atomic<bool> stopping_{false};
};

}  // namespace aspi
