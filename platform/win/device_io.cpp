// DeviceIoControl, overlapped results, WriteFileEx and CancelIo, and
// ReadFile/WriteFile on device handles.
#include <atomic>
#include <cstdint>
#include <cstring>

#include "platform/win/completion_queue.h"
#include "platform/win/device_files.h"
#include "platform/win/files.h"
#include "platform/win/last_error.h"
#include "platform/win/sync.h"
#include "platform/win/waitable.h"

namespace win {
namespace {

// OVERLAPPED.Internal while the request is under way.
constexpr std::uintptr_t kStatusPending = 0x103;

std::shared_ptr<DeviceObject> deviceOf(HANDLE h) {
  auto d = HandleAs<DeviceObject>(h);
  if (!d) SetLastError(LookUpHandle(h) ? ERROR_INVALID_FUNCTION : ERROR_INVALID_HANDLE);
  return d;
}

std::uint64_t offsetOf(const OVERLAPPED* ov) {
  return (static_cast<std::uint64_t>(ov->OffsetHigh) << 32) | ov->Offset;
}

void markPending(OVERLAPPED* ov) {
  ov->InternalHigh = 0;
  std::atomic_ref<std::uintptr_t>(ov->Internal).store(kStatusPending, std::memory_order_release);
  if (ov->hEvent) ResetEvent(ov->hEvent);
}

void markDone(OVERLAPPED* ov, const DeviceAnswer& answer) {
  ov->InternalHigh = answer.bytes;
  std::atomic_ref<std::uintptr_t>(ov->Internal).store(answer.error, std::memory_order_release);
}

// Runs work as the handle and the OVERLAPPED ask: queued and reported
// through the OVERLAPPED, or at once on this thread.
BOOL issue(const std::shared_ptr<DeviceObject>& device, DeviceObject::Work work, LPDWORD done, OVERLAPPED* ov,
           bool advancePointer) {
  if (ov && device->overlapped()) {
    markPending(ov);
    device->submit(std::move(work), [ov](const DeviceAnswer& answer) {
      markDone(ov, answer);
      // The event is the caller's; it may be gone by now, and then there
      // is nobody left to tell.
      if (ov->hEvent) SetEvent(ov->hEvent);
      WakeWaiters();
    });
    SetLastError(ERROR_IO_PENDING);
    return FALSE;
  }
  DeviceAnswer answer = device->runNow(work);
  if (done) *done = answer.bytes;
  if (advancePointer) device->position += answer.bytes;
  if (ov) {
    markDone(ov, answer);
    if (ov->hEvent) SetEvent(ov->hEvent);
  }
  SetLastError(answer.error);
  return answer.error == ERROR_SUCCESS;
}

}  // namespace

BOOL DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer, DWORD nInBufferSize,
                     LPVOID lpOutBuffer, DWORD nOutBufferSize, LPDWORD lpBytesReturned, OVERLAPPED* lpOverlapped) {
  auto device = deviceOf(hDevice);
  // An overlapped request reports its count later, through the OVERLAPPED.
  if (lpBytesReturned && !(lpOverlapped && device && device->overlapped())) *lpBytesReturned = 0;
  if (!device) return FALSE;
  if ((nInBufferSize && !lpInBuffer) || (nOutBufferSize && !lpOutBuffer)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const BYTE* in = static_cast<const BYTE*>(lpInBuffer);
  std::vector<BYTE> input(in, in + nInBufferSize);
  BYTE* out = static_cast<BYTE*>(lpOutBuffer);
  DeviceObject::Work work = [device, dwIoControlCode, input = std::move(input), out,
                             nOutBufferSize](DeviceRequest& request) {
    return device->control(dwIoControlCode, input, out, nOutBufferSize, request);
  };
  return issue(device, std::move(work), lpBytesReturned, lpOverlapped, false);
}

BOOL GetOverlappedResult(HANDLE hFile, OVERLAPPED* lpOverlapped, LPDWORD lpNumberOfBytesTransferred, BOOL bWait) {
  if (!LookUpHandle(hFile)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!lpOverlapped) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::atomic_ref<std::uintptr_t> internal(lpOverlapped->Internal);
  if (internal.load(std::memory_order_acquire) == kStatusPending) {
    if (!bWait) {
      SetLastError(ERROR_IO_INCOMPLETE);
      return FALSE;
    }
    std::unique_lock lock(WaitLock());
    WaitCondition().wait(lock, [&] { return internal.load(std::memory_order_acquire) != kStatusPending; });
  }
  DWORD error = static_cast<DWORD>(internal.load(std::memory_order_acquire));
  if (lpNumberOfBytesTransferred) *lpNumberOfBytesTransferred = static_cast<DWORD>(lpOverlapped->InternalHigh);
  SetLastError(error);
  return error == ERROR_SUCCESS;
}

BOOL CancelIo(HANDLE hFile) {
  auto object = LookUpHandle(hFile);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (auto device = std::dynamic_pointer_cast<DeviceObject>(object)) device->cancel(GetCurrentThreadId());
  return TRUE;
}

BOOL WriteFileEx(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, OVERLAPPED* lpOverlapped,
                 LPOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine) {
  auto device = deviceOf(hFile);
  if (!device) return FALSE;
  if (!lpOverlapped || !lpCompletionRoutine || !device->overlapped() || (nNumberOfBytesToWrite && !lpBuffer)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!(device->access() & GENERIC_WRITE)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  const BYTE* bytes = static_cast<const BYTE*>(lpBuffer);
  std::vector<BYTE> data(bytes, bytes + nNumberOfBytesToWrite);
  std::uint64_t offset = offsetOf(lpOverlapped);
  // hEvent belongs to the caller here: the routine is the only report.
  lpOverlapped->InternalHigh = 0;
  std::atomic_ref<std::uintptr_t>(lpOverlapped->Internal).store(kStatusPending, std::memory_order_release);
  PrepareCompletionQueue();
  DWORD thread = GetCurrentThreadId();
  device->submit(
      [device, offset, data = std::move(data)](DeviceRequest& request) {
        return device->write(offset, data.data(), static_cast<DWORD>(data.size()), request);
      },
      [thread, lpOverlapped, lpCompletionRoutine](const DeviceAnswer& answer) {
        markDone(lpOverlapped, answer);
        QueueCompletionRoutine(thread, [lpCompletionRoutine, answer, lpOverlapped] {
          lpCompletionRoutine(answer.error, answer.bytes, lpOverlapped);
        });
      });
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL ReadDevice(const std::shared_ptr<DeviceObject>& device, LPVOID buffer, DWORD size, LPDWORD done,
                OVERLAPPED* ov) {
  if (done && !(ov && device->overlapped())) *done = 0;
  if (!(device->access() & GENERIC_READ)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (size && !buffer) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::uint64_t offset = ov ? offsetOf(ov) : device->position.load();
  BYTE* data = static_cast<BYTE*>(buffer);
  DeviceObject::Work work = [device, offset, data, size](DeviceRequest& request) {
    return device->read(offset, data, size, request);
  };
  return issue(device, std::move(work), done, ov, ov == nullptr);
}

BOOL WriteDevice(const std::shared_ptr<DeviceObject>& device, LPCVOID buffer, DWORD size, LPDWORD done,
                 OVERLAPPED* ov) {
  if (done && !(ov && device->overlapped())) *done = 0;
  if (!(device->access() & GENERIC_WRITE)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (size && !buffer) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::uint64_t offset = ov ? offsetOf(ov) : device->position.load();
  const BYTE* bytes = static_cast<const BYTE*>(buffer);
  std::vector<BYTE> data(bytes, bytes + size);
  DeviceObject::Work work = [device, offset, data = std::move(data)](DeviceRequest& request) {
    return device->write(offset, data.data(), static_cast<DWORD>(data.size()), request);
  };
  return issue(device, std::move(work), done, ov, ov == nullptr);
}

DWORD SeekDevice(const std::shared_ptr<DeviceObject>& device, LONG distance, PLONG distanceHigh, DWORD method) {
  std::int64_t move = distanceHigh ? static_cast<std::int64_t>(
                                         (static_cast<std::uint64_t>(static_cast<std::uint32_t>(*distanceHigh)) << 32) |
                                         static_cast<std::uint32_t>(distance))
                                   : distance;
  std::int64_t base = 0;
  if (method == FILE_CURRENT) {
    base = static_cast<std::int64_t>(device->position.load());
  } else if (method == FILE_END) {
    auto end = device->endOffset();
    if (!end) {
      SetLastError(ERROR_INVALID_FUNCTION);
      return INVALID_SET_FILE_POINTER;
    }
    base = static_cast<std::int64_t>(*end);
  } else if (method != FILE_BEGIN) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  if ((move < 0 && base < -move) || (move > 0 && base > INT64_MAX - move)) {
    SetLastError(ERROR_NEGATIVE_SEEK);
    return INVALID_SET_FILE_POINTER;
  }
  auto pos = static_cast<std::uint64_t>(base + move);
  device->position = pos;
  if (distanceHigh) *distanceHigh = static_cast<LONG>(pos >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(pos & 0xFFFFFFFFu);
}

}  // namespace win
