// Waits on events, mutexes and threads, on the machine's time scale. An
// alertable wait first runs the completion routines queued for its thread
// and then answers WAIT_IO_COMPLETION.
#include <chrono>
#include <vector>

#include "platform/win/completion_queue.h"
#include "platform/win/last_error.h"
#include "platform/win/sync.h"
#include "platform/win/system.h"
#include "platform/win/waitable.h"

namespace win {
namespace {

using Clock = std::chrono::steady_clock;

// How often a wait looks again at objects that change without notice.
constexpr auto kPollInterval = std::chrono::milliseconds(2);

DWORD waitFor(const HANDLE* handles, DWORD count, bool all, DWORD ms, bool alertable) {
  if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || !handles) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  std::vector<std::shared_ptr<Waitable>> objects;
  bool polled = false;
  for (DWORD i = 0; i < count; ++i) {
    auto w = HandleAs<Waitable>(handles[i]);
    if (!w) {
      SetLastError(ERROR_INVALID_HANDLE);
      return WAIT_FAILED;
    }
    polled = polled || w->polled();
    objects.push_back(std::move(w));
  }
  const DWORD self = GetCurrentThreadId();
  const bool forever = ms == INFINITE;
  const auto deadline =
      Clock::now() + std::chrono::duration_cast<Clock::duration>(
                         std::chrono::duration<double, std::milli>(forever ? 0 : HostMilliseconds(ms)));
  std::unique_lock lock(WaitLock());
  for (;;) {
    if (alertable && HasCompletionRoutines(self)) {
      lock.unlock();
      RunCompletionRoutines();
      return WAIT_IO_COMPLETION;
    }
    if (!all) {
      for (DWORD i = 0; i < count; ++i) {
        Acquired a = objects[i]->tryAcquire(self);
        if (a == Acquired::Yes) return WAIT_OBJECT_0 + i;
        if (a == Acquired::Abandoned) return WAIT_ABANDONED + i;
      }
    } else {
      bool abandoned = false;
      DWORD taken = 0;
      for (; taken < count; ++taken) {
        Acquired a = objects[taken]->tryAcquire(self);
        if (a == Acquired::No) break;
        abandoned = abandoned || a == Acquired::Abandoned;
      }
      if (taken == count) return abandoned ? WAIT_ABANDONED : WAIT_OBJECT_0;
      while (taken > 0) objects[--taken]->giveBack(self);
    }
    auto now = Clock::now();
    if (!forever && now >= deadline) return WAIT_TIMEOUT;
    auto until = forever ? now + std::chrono::hours(1) : deadline;
    if (polled) until = std::min(until, now + kPollInterval);
    WaitCondition().wait_until(lock, until);
  }
}

}  // namespace

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
  return waitFor(&hHandle, 1, false, dwMilliseconds, false);
}

DWORD WaitForSingleObjectEx(HANDLE hHandle, DWORD dwMilliseconds, BOOL bAlertable) {
  return waitFor(&hHandle, 1, false, dwMilliseconds, bAlertable);
}

DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll, DWORD dwMilliseconds) {
  return waitFor(lpHandles, nCount, bWaitAll, dwMilliseconds, false);
}

DWORD SleepEx(DWORD dwMilliseconds, BOOL bAlertable) {
  if (!bAlertable) {
    Sleep(dwMilliseconds);
    return 0;
  }
  const DWORD self = GetCurrentThreadId();
  const bool forever = dwMilliseconds == INFINITE;
  const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(
                                           forever ? 0 : HostMilliseconds(dwMilliseconds)));
  std::unique_lock lock(WaitLock());
  for (;;) {
    if (HasCompletionRoutines(self)) {
      lock.unlock();
      RunCompletionRoutines();
      return WAIT_IO_COMPLETION;
    }
    if (!forever && Clock::now() >= deadline) return 0;
    if (forever)
      WaitCondition().wait(lock);
    else
      WaitCondition().wait_until(lock, deadline);
  }
}

}  // namespace win
