// The 32-bit flat addresses of the ASPI world. On 32-bit Windows an SRB,
// the 9x driver and the ASPI manager pass plain pointers in 32-bit fields;
// this 64-bit process gives each pointer it hands through such a field a
// 32-bit address from one table of the process, and whoever receives the
// address looks it up again.
//
// An address knows what it stands for: memory of a given extent (never
// followed further than its owner allowed), an event handle, or a post
// routine; looking it up as something else finds nothing, so an SRB with
// a made-up post field can never have an event called as a routine.
//
// The addresses come from the platform's 32-bit address table
// (platform/win/address32.h), so they never clash with the addresses of a
// DOS IOCTL block. They are never 0 (0 is the null pointer) and stay valid
// until they are released; registering the same pointer again answers the
// same address, unless the extent changed (then the old address is gone).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win/types.h"

namespace devices {

using FlatRoutine = void (*)(void*);

// The address of `pointer` covering `extent` bytes. nullptr gives 0; so does a full table.
std::uint32_t FlatAddressOf(const void* pointer, std::size_t extent);
// The memory behind an address when it covers at least `needed` bytes; nullptr otherwise.
void* FlatAddressTarget(std::uint32_t address, std::size_t needed);

std::uint32_t FlatAddressOfHandle(win::HANDLE handle);
// nullptr when the address is not a handle's.
win::HANDLE FlatHandleTarget(std::uint32_t address);

std::uint32_t FlatAddressOfRoutine(FlatRoutine routine);
// nullptr when the address is not a routine's.
FlatRoutine FlatRoutineTarget(std::uint32_t address);

// Forgets an address (its memory is about to be freed).
void ReleaseFlatAddress(std::uint32_t address);

}  // namespace devices
