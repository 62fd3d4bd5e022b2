// The exports of SCALINK.DLL. ELF has no decorated names: the NT mode's
// private functions are exported under their plain names.
#include <cctype>

#include "aspi/scalink_layer.h"

#define SCALINK_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

aspi::NtAspi* ntMode() { return aspi::ProcessLayer().nt(); }

}  // namespace

SCALINK_EXPORT win::DWORD GetASPI32SupportInfo() { return aspi::ProcessLayer().GetASPI32SupportInfo(); }

SCALINK_EXPORT win::DWORD SendASPI32Command(void* srb) { return aspi::ProcessLayer().SendASPI32Command(srb); }

SCALINK_EXPORT win::DWORD GetASPI32DLLVersion() { return aspi::ProcessLayer().GetASPI32DLLVersion(); }

SCALINK_EXPORT win::HANDLE PyxaCdNTOpenDriver() { return win::INVALID_HANDLE_VALUE; }

SCALINK_EXPORT win::HANDLE PyxaCdNTGetDriveHandleByDriveNo(win::BYTE number) {
  aspi::NtAspi* nt = ntMode();
  return nt ? nt->driveHandleByNumber(number) : win::INVALID_HANDLE_VALUE;
}

SCALINK_EXPORT win::HANDLE PyxaCdNTGetDriveHandleByDriveLetter(win::BYTE letter) {
  return PyxaCdNTGetDriveHandleByDriveNo(static_cast<win::BYTE>(std::toupper(letter) - 'A'));
}

SCALINK_EXPORT win::HANDLE PyxaCdNTGetDriveHandleBySCSIAddr(win::BYTE port, win::BYTE target, win::BYTE lun) {
  aspi::NtAspi* nt = ntMode();
  return nt ? nt->driveHandleBySCSIAddr(port, target, lun) : win::INVALID_HANDLE_VALUE;
}

SCALINK_EXPORT win::BOOL PyxaCdNTControl(win::HANDLE handle, win::DWORD code, void* in, win::DWORD inSize, void* out,
                                         win::DWORD outSize, win::DWORD* returned, void* overlapped) {
  (void)overlapped;  // every code completes before the call returns
  if (returned) *returned = 0;
  aspi::NtAspi* nt = ntMode();
  return nt ? nt->control(handle, code, in, inSize, out, outSize, returned) : win::FALSE;
}
