// The objects behind HANDLEs. A handle is looked up in one table, so that
// a stale or made-up handle fails with ERROR_INVALID_HANDLE instead of
// being followed.
#pragma once

#include <memory>

#include "platform/win/types.h"

namespace win {

class KernelObject {
 public:
  virtual ~KernelObject() = default;
  // CloseHandle took this handle away (a device ends its requests here).
  virtual void handleClosed() {}
};

HANDLE RegisterHandle(std::shared_ptr<KernelObject> object);
std::shared_ptr<KernelObject> LookUpHandle(HANDLE handle);
// Removes the handle from the table; false when it was not there.
bool ReleaseHandle(HANDLE handle);

template <typename T>
std::shared_ptr<T> HandleAs(HANDLE handle) {
  return std::dynamic_pointer_cast<T>(LookUpHandle(handle));
}

}  // namespace win
