// The 64 request slots of the Windows 9x mode, numbered 1 to 64. A slot
// carries one SRB in flight, the private copy of it that was sent, and the
// event its completion sets.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>

#include "platform/win/types.h"

namespace aspi {

constexpr int kRequestSlots = 64;

struct RequestSlot {
  win::HANDLE event = nullptr;   // manual reset
  void* srb = nullptr;           // the caller's SRB; nullptr while the slot is free
  std::uint32_t serial = 0;      // changes with every use
  std::uint32_t srbAddress = 0;  // the caller's SRB's address, for the trace
  alignas(4) win::BYTE copy[80] = {};
};

class RequestSlots {
 public:
  ~RequestSlots();
  // Creates the events of all slots; false when one cannot be had.
  bool create();
  // Takes the first free slot for `srb`; 0 when all are in use.
  int take(void* srb);
  RequestSlot& slot(int number) { return slots_[number - 1]; }
  std::mutex& mutex() { return mutex_; }
  // The events of slots 1 to 64, in order, for one wait.
  const win::HANDLE* events() const { return events_.data(); }

 private:
  std::mutex mutex_;
  std::array<RequestSlot, kRequestSlots> slots_;
  std::array<win::HANDLE, kRequestSlots> events_{};
  std::uint32_t serial_ = 0;
};

}  // namespace aspi
