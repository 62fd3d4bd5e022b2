// Threads. A thread handle is signalled once its routine has returned; the
// priority is kept for GetThreadPriority (the host schedules as it likes).
// The stack size and the creation flags are not used: a thread starts at once.
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <system_error>
#include <thread>

#include "platform/win/last_error.h"
#include "platform/win/sync.h"
#include "platform/win/waitable.h"

namespace win {
namespace {

HANDLE const kCurrentThread = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-2));

class ThreadObject : public Waitable {
 public:
  Acquired tryAcquire(DWORD) override { return ended ? Acquired::Yes : Acquired::No; }
  void giveBack(DWORD) override {}

  bool ended = false;            // under WaitLock()
  DWORD exitCode = STILL_ACTIVE;  // under WaitLock()
  std::atomic<DWORD> threadId{0};
};

// Priorities by thread id, also for threads this layer did not start.
std::map<DWORD, int>& priorities() {
  static std::map<DWORD, int>& p = *new std::map<DWORD, int>;
  return p;
}

bool validPriority(int p) { return (p >= -2 && p <= 2) || p == 15 || p == -15; }

// The thread id a handle names; 0 when it names none.
DWORD threadIdOf(HANDLE h) {
  if (h == kCurrentThread) return GetCurrentThreadId();
  auto t = HandleAs<ThreadObject>(h);
  if (!t) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return t->threadId.load();
}

}  // namespace

HANDLE CreateThread(void*, std::size_t, LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter, DWORD,
                    LPDWORD lpThreadId) {
  if (!lpStartAddress) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto object = std::make_shared<ThreadObject>();
  try {
    std::thread([object, lpStartAddress, lpParameter] {
      object->threadId = GetCurrentThreadId();
      object->threadId.notify_all();
      DWORD code = lpStartAddress(lpParameter);
      {
        std::lock_guard lock(WaitLock());
        object->exitCode = code;
        object->ended = true;
        priorities().erase(object->threadId);
      }
      WaitCondition().notify_all();
    }).detach();
  } catch (const std::system_error&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  object->threadId.wait(0);
  if (lpThreadId) *lpThreadId = object->threadId.load();
  SetLastError(ERROR_SUCCESS);
  return RegisterHandle(object);
}

BOOL GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode) {
  auto t = HandleAs<ThreadObject>(hThread);
  if (!t || !lpExitCode) {
    SetLastError(t ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard lock(WaitLock());
  *lpExitCode = t->exitCode;
  return TRUE;
}

BOOL SetThreadPriority(HANDLE hThread, int nPriority) {
  if (!validPriority(nPriority)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD id = threadIdOf(hThread);
  if (!id) return FALSE;
  std::lock_guard lock(WaitLock());
  priorities()[id] = nPriority;
  return TRUE;
}

int GetThreadPriority(HANDLE hThread) {
  DWORD id = threadIdOf(hThread);
  if (!id) return 0x7FFFFFFF;  // THREAD_PRIORITY_ERROR_RETURN
  std::lock_guard lock(WaitLock());
  auto it = priorities().find(id);
  return it == priorities().end() ? THREAD_PRIORITY_NORMAL : it->second;
}

HANDLE GetCurrentThread() { return kCurrentThread; }

DWORD GetCurrentThreadId() { return static_cast<DWORD>(::syscall(SYS_gettid)); }

DWORD GetCurrentProcessId() { return static_cast<DWORD>(::getpid()); }

}  // namespace win
