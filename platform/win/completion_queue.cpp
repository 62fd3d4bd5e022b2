#include "platform/win/completion_queue.h"

#include <deque>
#include <map>

#include "platform/win/sync.h"
#include "platform/win/waitable.h"

namespace win {
namespace {

// Routines by thread, under WaitLock().
std::map<DWORD, std::deque<std::function<void()>>>& queues() {
  static std::map<DWORD, std::deque<std::function<void()>>> q;
  return q;
}

// Drops what is left for a thread when it ends: nobody can run it any more.
struct QueueOwner {
  DWORD threadId = 0;
  ~QueueOwner() {
    if (!threadId) return;
    std::lock_guard lock(WaitLock());
    queues().erase(threadId);
  }
};
thread_local QueueOwner owner;

}  // namespace

void PrepareCompletionQueue() { owner.threadId = GetCurrentThreadId(); }

void QueueCompletionRoutine(DWORD threadId, std::function<void()> routine) {
  {
    std::lock_guard lock(WaitLock());
    queues()[threadId].push_back(std::move(routine));
  }
  WaitCondition().notify_all();
}

bool HasCompletionRoutines(DWORD threadId) {
  auto it = queues().find(threadId);
  return it != queues().end() && !it->second.empty();
}

bool RunCompletionRoutines() {
  DWORD self = GetCurrentThreadId();
  bool ran = false;
  for (;;) {
    std::function<void()> routine;
    {
      std::lock_guard lock(WaitLock());
      auto it = queues().find(self);
      if (it == queues().end() || it->second.empty()) break;
      routine = std::move(it->second.front());
      it->second.pop_front();
    }
    routine();
    ran = true;
  }
  return ran;
}

}  // namespace win
