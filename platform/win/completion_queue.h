// Inside the layer: the completion routines waiting for their thread.
// A routine queued for a thread runs only when that thread enters an
// alertable wait (SleepEx, WaitForSingleObjectEx with bAlertable), as the
// asynchronous procedure calls of Windows do.
#pragma once

#include <functional>

#include "platform/win/types.h"

namespace win {

// Called on the thread that starts an operation with a routine, so that
// what is left for it is dropped when it ends.
void PrepareCompletionQueue();
void QueueCompletionRoutine(DWORD threadId, std::function<void()> routine);
// With WaitLock() held: true when routines wait for the thread.
bool HasCompletionRoutines(DWORD threadId);
// Runs the routines queued for the calling thread (without WaitLock()
// held); true when at least one ran.
bool RunCompletionRoutines();

}  // namespace win
