// Buffer addresses in 32-bit fields. The records of 32-bit Windows carry
// addresses in 32-bit fields (the EDX of a DOS IOCTL register block, the
// SRB address handed to a 9x driver, the links of a driver's device
// records); a host pointer does not fit there. A buffer is therefore
// registered for as long as it is handed out, and the 32-bit value stands
// for it; the receiving side resolves the value together with the size
// that was registered, so that it never reaches past the buffer.
#pragma once

#include <cstddef>

#include "platform/win/types.h"

namespace win {

class Address32 {
 public:
  Address32(void* buffer, std::size_t size);
  ~Address32();
  Address32(const Address32&) = delete;
  Address32& operator=(const Address32&) = delete;
  // Never 0; 0 stands for no buffer.
  DWORD value() const { return value_; }

 private:
  DWORD value_;
};

struct Resolved32 {
  void* buffer = nullptr;  // null when the value stands for nothing
  std::size_t size = 0;
};
Resolved32 ResolveAddress32(DWORD value);

}  // namespace win
