#include "aspi/win9x_request_slots.h"

#include "platform/win/files.h"
#include "platform/win/sync.h"

namespace aspi {

RequestSlots::~RequestSlots() {
  for (win::HANDLE event : events_)
    if (event) win::CloseHandle(event);
}

bool RequestSlots::create() {
  for (int i = 0; i < kRequestSlots; ++i) {
    events_[i] = win::CreateEventA(nullptr, win::TRUE, win::FALSE, nullptr);
    if (!events_[i]) return false;
    slots_[i].event = events_[i];
  }
  return true;
}

int RequestSlots::take(void* srb) {
  std::lock_guard lock(mutex_);
  for (int i = 0; i < kRequestSlots; ++i) {
    RequestSlot& s = slots_[i];
    if (s.srb) continue;
    s.srb = srb;
    s.serial = ++serial_;
    win::ResetEvent(s.event);
    return i + 1;
  }
  return 0;
}

}  // namespace aspi
