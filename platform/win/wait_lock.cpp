#include "platform/win/machine.h"
#include "platform/win/waitable.h"

namespace win {

// Both live until the process is gone: threads that run to the end of the
// process (the ASPI layer's completion thread) may still be waiting on
// them while exit runs the static destructors.
std::mutex& WaitLock() {
  static std::mutex* m = new std::mutex;
  return *m;
}

std::condition_variable& WaitCondition() {
  static std::condition_variable* c = new std::condition_variable;
  return *c;
}

void WakeWaiters() {
  // Taking the lock orders the change before a waiter's next look.
  { std::lock_guard lock(WaitLock()); }
  WaitCondition().notify_all();
}

double HostMilliseconds(DWORD ms) { return ms * CurrentMachine().settings().timeScale; }

}  // namespace win
