// A device that CreateFileA opens by a "\\.\NAME" name, and the requests
// that DeviceIoControl, ReadFile, WriteFile and WriteFileEx hand it.
//
// An implementation answers one request at a time with a Win32 error code
// and a byte count; it must be safe to call from any thread. The layer does
// the rest: a request that comes with an OVERLAPPED on a handle opened with
// FILE_FLAG_OVERLAPPED is queued and run in issue order on a worker thread
// of the handle, and completes through the OVERLAPPED (Internal = the error
// code, InternalHigh = the bytes), its event, or the caller's completion
// routine; every other request runs on the caller's thread. CancelIo
// cancels what the calling thread has queued or running on the handle,
// CloseHandle everything; a running request sees it in DeviceRequest.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/win/kernel_object.h"

namespace win {

// The request in flight.
class DeviceRequest {
 public:
  explicit DeviceRequest(DWORD threadId) : threadId_(threadId) {}
  DWORD threadId() const { return threadId_; }
  bool cancelled() const { return cancelled_.load(); }
  // Waits up to `ms` milliseconds of machine time (INFINITE: without end)
  // for the request to be cancelled; true when it was.
  bool waitForCancel(DWORD ms) const;
  void cancel();

 private:
  DWORD threadId_;
  std::atomic<bool> cancelled_{false};
  mutable std::mutex mutex_;
  mutable std::condition_variable cancelledCondition_;
};

struct DeviceAnswer {
  DWORD error = ERROR_SUCCESS;
  DWORD bytes = 0;       // bytes left in the output (control, read) or taken (write)
  DWORD latencyMs = 0;   // machine time the device takes to report the answer
};

class DeviceObject : public KernelObject, public std::enable_shared_from_this<DeviceObject> {
 public:
  // `access` and `flags` as CreateFileA got them.
  DeviceObject(DWORD access, DWORD flags) : access_(access), flags_(flags) {}

  // DeviceIoControl: `in` is a copy of the caller's input; the answer goes
  // to `out` (at most outSize bytes). Default: ERROR_INVALID_FUNCTION.
  virtual DeviceAnswer control(DWORD code, const std::vector<BYTE>& in, BYTE* out, DWORD outSize,
                               DeviceRequest& request);
  // ReadFile and WriteFile at a byte offset. Default: ERROR_INVALID_FUNCTION.
  virtual DeviceAnswer read(std::uint64_t offset, BYTE* data, DWORD size, DeviceRequest& request);
  virtual DeviceAnswer write(std::uint64_t offset, const BYTE* data, DWORD size, DeviceRequest& request);
  // The size SetFilePointer's FILE_END counts from; nothing when the
  // device has none.
  virtual std::optional<std::uint64_t> endOffset();
  // The handle was closed; nothing of it is queued or running any more.
  virtual void closed() {}

  DWORD access() const { return access_; }
  bool overlapped() const;

  // The layer's part.
  using Work = std::function<DeviceAnswer(DeviceRequest&)>;
  using Completion = std::function<void(const DeviceAnswer&)>;
  // Queues work for the handle's worker thread; `complete` runs once it
  // is answered (after the device's latency).
  void submit(Work work, Completion complete);
  // Runs work on the calling thread, after the device's latency.
  DeviceAnswer runNow(const Work& work);
  // Cancels the requests of one thread (0: of every thread).
  void cancel(DWORD threadId);
  void handleClosed() override;

  std::atomic<std::uint64_t> position{0};  // the file pointer

 private:
  struct Pending {
    Work work;
    Completion complete;
    std::shared_ptr<DeviceRequest> request;
  };
  void drain();

  DWORD access_;
  DWORD flags_;
  std::mutex queueMutex_;
  std::condition_variable drained_;
  std::deque<Pending> queue_;
  std::vector<std::shared_ptr<DeviceRequest>> active_;  // queued or running
  bool workerRunning_ = false;
  std::mutex syncMutex_;  // requests on the caller's thread, one at a time
};

}  // namespace win
