// The Windows 9x mode of the layer: SRBs go to the layer's own driver
// PyxaApix or, in system mode, to the system folder's ASPI manager.
// Posted SRBs take a request slot; one completion thread finishes them.
#pragma once

#include <atomic>

#include "aspi/system_aspi_link.h"
#include "aspi/win9x_device_table.h"
#include "aspi/win9x_request_slots.h"
#include "aspi/win9x_trace.h"

namespace aspi {

// Where the 9x layer keeps its settings (HKEY_CURRENT_USER).
inline constexpr char kSettings9xKey[] = "Software\\Lumea\\Pyxa - Quorvel\\PyxaAspi";

struct Settings9x {
  bool useSystemAspi = false;
  win::DWORD scsiTimeout = 0;
};
// Reads HKCU "Software\Lumea\Pyxa - Quorvel\PyxaAspi"; 0 for what is missing.
Settings9x ReadSettings9x();

class Win9xAspi {
 public:
  Win9xAspi() = default;
  ~Win9xAspi();
  Win9xAspi(const Win9xAspi&) = delete;
  Win9xAspi& operator=(const Win9xAspi&) = delete;

  // Initialises the mode. false when the completion thread cannot be
  // created (GetLastError tells why).
  bool start();

  win::DWORD supportInfo() const;
  win::DWORD send(void* srb);
  win::DWORD dllVersion() const;

  bool systemMode() const { return systemMode_; }
  bool tracing() const { return trace_.on(); }
  const DeviceTable9x& deviceTable() const { return table_; }
  const Trace9x& trace() const { return trace_; }

 private:
  bool openDriver();
  bool addressKnown(const win::SRB_Header& header) const;
  win::DWORD post(void* srb);
  win::DWORD postToSystem(void* srb);
  win::DWORD haInquiry(win::SRB_HAInquiry& srb);
  win::DWORD getDevType(win::SRB_GDEVBlock& srb);
  win::DWORD runSynchronously(void* srb, std::size_t length);
  bool inquiry(win::BYTE adapter, win::BYTE target, win::BYTE lun, win::BYTE* firstByte);
  bool control(win::DWORD code, const void* in, win::DWORD inSize, void* out = nullptr, win::DWORD outSize = 0);
  // A slot's SRB as it was finished.
  struct Settled {
    void* srb = nullptr;
    std::size_t length = 0;
    win::BYTE flags = 0;
    win::DWORD post = 0;
    win::DWORD address = 0;
    bool pending = false;  // the copy had no status of its own
    bool notify = true;
    win::BYTE finished[80] = {};
  };
  static win::DWORD completionMain(void* self);
  void completeSlots();
  void finishSlot(int number);
  Settled settleSlot(int number, win::BYTE fallback);
  void finishSettled(int number, const Settled& settled);

  RequestSlots slots_;
  DeviceTable9x table_{};
  Settings9x settings_;
  SystemAspiLink system_;
  Trace9x trace_;
  win::HANDLE driver_ = win::INVALID_HANDLE_VALUE;
  bool systemMode_ = false;
  win::HANDLE completionThread_ = nullptr;
  std::atomic<bool> stopping_{false};
};

}  // namespace aspi
