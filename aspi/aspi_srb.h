// ASPI for Win32 as a caller of SCALINK.DLL sees it: the SRB records,
// command, status and flag codes (win::SRB_ExecSCSICmd, win::SC_*,
// win::SS_*, win::SRB_*), and the helpers that fill their 32-bit pointer
// fields.
//
// The records keep the layout of 32-bit Windows byte for byte, so the
// fields that hold a pointer there (SRB_BufPointer, SRB_PostProc,
// SRB_ToAbort) are 32 bits wide. This process is 64-bit: a caller puts a
// 32-bit token of its pointer into such a field, and the layer turns the
// token back into the pointer. One token table serves the whole process
// (the caller, SCALINK.DLL and the machine's ASPI drivers):
//
//   std::vector<BYTE> data(36);
//   HANDLE done = win::CreateEventA(nullptr, TRUE, FALSE, nullptr);
//   win::SRB_ExecSCSICmd srb{};
//   srb.SRB_Cmd = win::SC_EXEC_SCSI_CMD;
//   srb.SRB_Flags = win::SRB_DIR_IN | win::SRB_EVENT_NOTIFY;
//   srb.SRB_BufLen = data.size();
//   srb.SRB_BufPointer = aspi::PointerToken(data.data(), data.size());
//   srb.SRB_PostProc = aspi::HandleToken(done);
//   ...
//   send(&srb);  // SendASPI32Command
//   ... wait for `done`, read the answer ...
//   aspi::ReleaseToken(srb.SRB_BufPointer);  // before `data` goes away
//
// A buffer token carries the size it was registered with: the layer never
// reads or writes past it, and an SRB whose SRB_BufLen is larger than its
// buffer's token fails with SS_INVALID_SRB. A post routine (SRB_POSTING)
// is a win::ASPI_POSTPROC, given with PostRoutineToken, and runs on the
// layer's completion thread with the SRB's own address. A token knows its
// kind: a buffer's token is never taken for an event or a routine.
//
// The status is written last: once SRB_Status is no longer SS_PENDING the
// SRB and its buffer are the caller's again (the event is set, or the
// routine called, just after).
//
// Tokens stay valid until released; registering the same pointer again
// with the same size gives the same token. Release a buffer's token
// before freeing the buffer; event and routine tokens may be kept.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/devices/system_aspi_flat_addresses.h"
#include "platform/devices/system_aspi_srb.h"

namespace aspi {

// The token of a buffer of `size` bytes (0 for nullptr).
inline std::uint32_t PointerToken(void* pointer, std::size_t size) { return devices::FlatAddressOf(pointer, size); }
// The buffer behind a token when it holds at least `size` bytes; nullptr otherwise.
inline void* TokenPointer(std::uint32_t token, std::size_t size) { return devices::FlatAddressTarget(token, size); }

// The token of an event handle (for SRB_EVENT_NOTIFY) and back.
inline std::uint32_t HandleToken(win::HANDLE handle) { return devices::FlatAddressOfHandle(handle); }
inline win::HANDLE TokenHandle(std::uint32_t token) { return devices::FlatHandleTarget(token); }

// The token of a post routine (for SRB_POSTING) and back.
inline std::uint32_t PostRoutineToken(win::ASPI_POSTPROC routine) {
  return devices::FlatAddressOfRoutine(routine);
}
inline win::ASPI_POSTPROC TokenPostRoutine(std::uint32_t token) {
  return devices::FlatRoutineTarget(token);
}

inline void ReleaseToken(std::uint32_t token) { devices::ReleaseFlatAddress(token); }

// The constant this layer answers to GetASPI32DLLVersion.
constexpr win::DWORD kScalinkDllVersion = 0xAF010002u;

}  // namespace aspi
