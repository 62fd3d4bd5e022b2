// Events. A named event is one object per process: a second CreateEventA
// of the name opens it and sets ERROR_ALREADY_EXISTS.
#include <map>
#include <memory>
#include <string>

#include "platform/win/last_error.h"
#include "platform/win/sync.h"
#include "platform/win/waitable.h"

namespace win {
namespace {

class EventObject : public Waitable {
 public:
  EventObject(bool manual, bool signalled) : manual_(manual), signalled_(signalled) {}

  Acquired tryAcquire(DWORD) override {
    if (!signalled_) return Acquired::No;
    if (!manual_) signalled_ = false;
    return Acquired::Yes;
  }
  void giveBack(DWORD) override {
    if (!manual_) signalled_ = true;
  }
  void set(bool on) {
    {
      std::lock_guard lock(WaitLock());
      signalled_ = on;
    }
    if (on) WaitCondition().notify_all();
  }

 private:
  bool manual_;
  bool signalled_;  // under WaitLock()
};

std::mutex& namesMutex() {
  static std::mutex& m = *new std::mutex;
  return m;
}
std::map<std::string, std::weak_ptr<EventObject>>& namedEvents() {
  static std::map<std::string, std::weak_ptr<EventObject>> m;
  return m;
}

std::shared_ptr<EventObject> eventOf(HANDLE h) {
  auto e = HandleAs<EventObject>(h);
  if (!e) SetLastError(ERROR_INVALID_HANDLE);
  return e;
}

}  // namespace

HANDLE CreateEventA(void*, BOOL bManualReset, BOOL bInitialState, LPCSTR lpName) {
  if (!lpName || !*lpName) {
    SetLastError(ERROR_SUCCESS);
    return RegisterHandle(std::make_shared<EventObject>(bManualReset, bInitialState));
  }
  std::lock_guard lock(namesMutex());
  auto& slot = namedEvents()[lpName];
  if (auto existing = slot.lock()) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return RegisterHandle(existing);
  }
  auto event = std::make_shared<EventObject>(bManualReset, bInitialState);
  slot = event;
  SetLastError(ERROR_SUCCESS);
  return RegisterHandle(event);
}

BOOL SetEvent(HANDLE hEvent) {
  auto e = eventOf(hEvent);
  if (!e) return FALSE;
  e->set(true);
  return TRUE;
}

BOOL ResetEvent(HANDLE hEvent) {
  auto e = eventOf(hEvent);
  if (!e) return FALSE;
  e->set(false);
  return TRUE;
}

}  // namespace win
