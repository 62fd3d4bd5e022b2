// The user-visible side of the ASPI layer's Windows 9x driver PyxaApix,
// as a simulated 9x machine runs it: one driver session per open handle
// of "\\.\PyxaApix" (or its predecessor's name "\\.\pyxacd95"). It keeps a
// chain of device records for the machine's SCSI targets, runs SRBs on
// them (posted ones on its own worker thread, in the order posted), and
// hands out a trace area.
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/devices/pyxa_apix_protocol.h"
#include "platform/devices/scsi_target.h"
#include "platform/win/types.h"

namespace devices {

class PyxaApixDriver {
 public:
  // Takes the machine's SCSI targets as they are now.
  PyxaApixDriver();
  explicit PyxaApixDriver(std::vector<AttachedTarget> targets);
  ~PyxaApixDriver();
  PyxaApixDriver(const PyxaApixDriver&) = delete;
  PyxaApixDriver& operator=(const PyxaApixDriver&) = delete;

  // DeviceIoControl of a handle of this session. FALSE (with the last
  // error set) for an unknown code, a short block or a refused SRB.
  win::BOOL control(win::DWORD code, const void* in, win::DWORD inSize, void* out, win::DWORD outSize,
                    win::DWORD* returned);

  // What the layer told the driver (codes 27 and 29).
  win::DWORD scsiTimeout() const;
  win::DWORD ownerMode() const;

 private:
  struct PostedSrb {
    void* srb = nullptr;
    win::DWORD srbAddress = 0;
    win::DWORD event = 0;
  };

  void buildRecords();
  const AttachedTarget* targetFor(win::BYTE adapter, win::BYTE target, win::BYTE lun) const;
  void* srbOf(const ApixSrbBlock& block) const;
  bool knowsDevice(void* srb) const;
  void runSrb(void* srb);
  bool abortSrb(win::DWORD address);
  win::BOOL post(const ApixSrbBlock& block);
  win::BOOL execute(const ApixSrbBlock& block);
  win::BOOL traceArea(const void* in, win::DWORD inSize, void* out, win::DWORD outSize, win::DWORD* returned);
  static win::DWORD workerMain(void* self);
  void work();

  std::vector<AttachedTarget> targets_;
  std::vector<ApixDeviceRecord> records_;
  std::vector<win::DWORD> recordAddresses_;
  // Adapters as the records name them: (driver name, port) in chain order.
  std::vector<std::pair<std::string, win::BYTE>> adapters_;
  std::vector<win::BYTE> traceArea_;
  win::DWORD traceAddress_ = 0;

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<PostedSrb> queue_;
  bool stopping_ = false;
  win::HANDLE worker_ = nullptr;
  win::DWORD scsiTimeout_ = 0;
  win::DWORD ownerMode_ = 0;
};

}  // namespace devices
