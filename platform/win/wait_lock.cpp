#include "platform/win/machine.h"
#include "platform/win/waitable.h"

namespace win {

std::mutex& WaitLock() {
  static std::mutex m;
  return m;
}

std::condition_variable& WaitCondition() {
  static std::condition_variable c;
  return c;
}

void WakeWaiters() {
  // Taking the lock orders the change before a waiter's next look.
  { std::lock_guard lock(WaitLock()); }
  WaitCondition().notify_all();
}

double HostMilliseconds(DWORD ms) { return ms * CurrentMachine().settings().timeScale; }

}  // namespace win
