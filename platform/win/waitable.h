// Inside the layer: what the wait functions wait on. Every waitable object
// changes state under one lock of the process and wakes the waiters after
// a change; a waiter looks at its objects again each time it wakes.
#pragma once

#include <condition_variable>
#include <mutex>

#include "platform/win/kernel_object.h"

namespace win {

enum class Acquired { No, Yes, Abandoned };

class Waitable : public KernelObject {
 public:
  // With WaitLock() held: takes the object for the thread when it is
  // signalled (resets an auto-reset event, makes the thread a mutex's owner).
  virtual Acquired tryAcquire(DWORD threadId) = 0;
  // Gives back what tryAcquire took, for a wait on all objects that could
  // not take every one of them.
  virtual void giveBack(DWORD threadId) = 0;
  // True when the object can become signalled without this process being
  // told (a named mutex held by another process): its waiters poll it.
  virtual bool polled() const { return false; }
};

std::mutex& WaitLock();
std::condition_variable& WaitCondition();
// Wakes every waiter of the process; call after a change of a waitable's
// state or of a thread's completion queue.
void WakeWaiters();

// The time a wait of `ms` milliseconds of machine time takes on the host.
double HostMilliseconds(DWORD ms);

}  // namespace win
