#include "platform/win/device_object.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/win/ioctl.h"
#include "platform/win/sync.h"
#include "platform/win/system.h"
#include "platform/win/waitable.h"

namespace win {

bool DeviceRequest::waitForCancel(DWORD ms) const {
  std::unique_lock lock(mutex_);
  if (ms == INFINITE) {
    cancelledCondition_.wait(lock, [&] { return cancelled_.load(); });
    return true;
  }
  auto span = std::chrono::duration<double, std::milli>(HostMilliseconds(ms));
  return cancelledCondition_.wait_for(lock, span, [&] { return cancelled_.load(); });
}

void DeviceRequest::cancel() {
  {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
  }
  cancelledCondition_.notify_all();
}

DeviceAnswer DeviceObject::control(DWORD, const std::vector<BYTE>&, BYTE*, DWORD, DeviceRequest&) {
  return {ERROR_INVALID_FUNCTION, 0, 0};
}

DeviceAnswer DeviceObject::read(std::uint64_t, BYTE*, DWORD, DeviceRequest&) { return {ERROR_INVALID_FUNCTION, 0, 0}; }

DeviceAnswer DeviceObject::write(std::uint64_t, const BYTE*, DWORD, DeviceRequest&) {
  return {ERROR_INVALID_FUNCTION, 0, 0};
}

std::optional<std::uint64_t> DeviceObject::endOffset() { return std::nullopt; }

bool DeviceObject::overlapped() const { return (flags_ & FILE_FLAG_OVERLAPPED) != 0; }

void DeviceObject::submit(Work work, Completion complete) {
  auto request = std::make_shared<DeviceRequest>(GetCurrentThreadId());
  bool start = false;
  {
    std::lock_guard lock(queueMutex_);
    queue_.push_back(Pending{std::move(work), std::move(complete), request});
    active_.push_back(request);
    if (!workerRunning_) start = workerRunning_ = true;
  }
  if (start) std::thread([self = shared_from_this()] { self->drain(); }).detach();
}

void DeviceObject::drain() {
  for (;;) {
    Pending next;
    {
      std::lock_guard lock(queueMutex_);
      if (queue_.empty()) {
        workerRunning_ = false;
        drained_.notify_all();
        return;
      }
      next = std::move(queue_.front());
      queue_.pop_front();
    }
    DeviceAnswer answer;
    if (next.request->cancelled())
      answer.error = ERROR_OPERATION_ABORTED;
    else
      answer = next.work(*next.request);
    {
      std::lock_guard lock(queueMutex_);
      std::erase(active_, next.request);
    }
    if (answer.latencyMs == 0) {
      next.complete(answer);
    } else {
      // The next request goes on while this answer is on its way.
      std::thread([answer, complete = std::move(next.complete)] {
        Sleep(answer.latencyMs);
        complete(answer);
      }).detach();
    }
  }
}

DeviceAnswer DeviceObject::runNow(const Work& work) {
  DeviceAnswer answer;
  {
    std::lock_guard lock(syncMutex_);
    DeviceRequest request(GetCurrentThreadId());
    answer = work(request);
  }
  if (answer.latencyMs) Sleep(answer.latencyMs);
  return answer;
}

void DeviceObject::cancel(DWORD threadId) {
  std::lock_guard lock(queueMutex_);
  for (auto& r : active_)
    if (threadId == 0 || r->threadId() == threadId) r->cancel();
}

void DeviceObject::handleClosed() {
  cancel(0);
  {
    std::unique_lock lock(queueMutex_);
    drained_.wait(lock, [&] { return !workerRunning_; });
  }
  closed();
}

}  // namespace win
