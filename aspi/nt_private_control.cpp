// The NT mode's private control interface: drive handles by letter, number
// or SCSI address, and the control codes of PyxaCdNTControl.
#include <algorithm>
#include <cstring>

#include "aspi/nt_aspi.h"
#include "platform/win/ioctl.h"
#include "platform/win/files.h"
#include "platform/win/last_error.h"
#include "platform/win/sync.h"

namespace aspi {
namespace {

constexpr win::DWORD kDriveMask = 0x26010;
constexpr win::DWORD kFirstLockFlag = 0x2601C;
constexpr win::DWORD kSecondLockFlag = 0x26020;
constexpr win::DWORD kSectorSize = 0x26024;
constexpr win::DWORD kNothing = 0x26030;
constexpr win::DWORD kDriveInfo = 0x26034;
constexpr win::DWORD kDriveNumberOfAddress = 0x2603C;
constexpr win::DWORD kDriveInfoLength = 28;

// Runs a volume control on the unit's handle and waits for it.
void volumeControl(win::HANDLE handle, win::DWORD code) {
  win::OVERLAPPED overlapped{};
  overlapped.hEvent = win::CreateEventA(nullptr, win::TRUE, win::FALSE, nullptr);
  if (!overlapped.hEvent) return;
  win::DWORD returned = 0;
  if (!win::DeviceIoControl(handle, code, nullptr, 0, nullptr, 0, &returned, &overlapped) &&
      win::GetLastError() == win::ERROR_IO_PENDING)
    win::GetOverlappedResult(handle, &overlapped, &returned, win::TRUE);
  win::CloseHandle(overlapped.hEvent);
}

}  // namespace

win::HANDLE NtAspi::driveHandleByNumber(win::BYTE number) {
  std::lock_guard lock(mutex_);
  ScsiDeviceNode* node = map_.driveSlot(number);
  return node ? NtDeviceMap::openUnit(*node) : win::INVALID_HANDLE_VALUE;
}

win::HANDLE NtAspi::driveHandleBySCSIAddr(win::BYTE port, win::BYTE target, win::BYTE lun) {
  std::lock_guard lock(mutex_);
  ScsiDeviceNode* node = map_.presentUnit(port, target, lun);
  return node ? NtDeviceMap::openUnit(*node) : win::INVALID_HANDLE_VALUE;
}

// Flag 0 takes a lock of the volume, flag 1 gives one back; the count is
// shared by both flags and never goes below 0.
bool NtAspi::changeLock(ScsiDeviceNode& node, int flag, win::DWORD newFlag) {
  bool wanted = (newFlag & 1) != 0;
  if (node.lockFlag[flag] == wanted) return true;
  if (!wanted) {
    if (node.lockCount == 0) volumeControl(node.handle, win::FSCTL_LOCK_VOLUME);
    ++node.lockCount;
  } else if (node.lockCount > 0) {
    if (node.lockCount == 1) volumeControl(node.handle, win::FSCTL_UNLOCK_VOLUME);
    --node.lockCount;
  }
  node.lockFlag[flag] = wanted;
  return true;
}

win::BOOL NtAspi::control(win::HANDLE handle, win::DWORD code, void* in, win::DWORD inSize, void* out,
                          win::DWORD outSize, win::DWORD* returned) {
  if (returned) *returned = 0;
  auto* input = static_cast<win::BYTE*>(in);
  auto* output = static_cast<win::BYTE*>(out);
  std::lock_guard lock(mutex_);
  switch (code) {
    case kDriveMask: {
      if (!output || outSize < 4) return win::FALSE;
      win::DWORD mask = 0;
      for (int n = 0; n < kDriveSlots; ++n)
        if (map_.driveSlot(n)) mask |= 1u << n;
      std::memcpy(output, &mask, 4);
      if (returned) *returned = 4;
      return win::TRUE;
    }
    case kFirstLockFlag:
    case kSecondLockFlag: {
      ScsiDeviceNode* node = map_.unitByHandle(handle);
      if (!node || !input || inSize < 8) return win::FALSE;
      int flag = code == kFirstLockFlag ? 0 : 1;
      if (output && outSize >= 4) {
        win::DWORD old = node->lockFlag[flag] ? 1 : 0;
        std::memcpy(output, &old, 4);
      }
      win::DWORD newFlag = 0;
      std::memcpy(&newFlag, input + 4, 4);
      return changeLock(*node, flag, newFlag) ? win::TRUE : win::FALSE;
    }
    case kSectorSize: {
      if (!output || outSize < 2) return win::FALSE;
      win::WORD size = 512;
      std::memcpy(output, &size, 2);
      if (returned) *returned = 2;
      return win::TRUE;
    }
    case kNothing:
      return win::TRUE;
    case kDriveInfo: {
      if (!input || inSize < 1 || !output || outSize < kDriveInfoLength) return win::FALSE;
      ScsiDeviceNode* node = map_.driveSlot(input[0]);
      if (!node) return win::FALSE;
      std::memset(output, 0, kDriveInfoLength);
      std::memcpy(output + 8, node->identifier.data(), std::min<std::size_t>(node->identifier.size(), 16));
      output[24] = node->address[0];
      output[25] = node->address[2];
      output[26] = node->address[3];
      if (returned) *returned = kDriveInfoLength;
      return win::TRUE;
    }
    case kDriveNumberOfAddress: {
      if (!input || inSize < 5) return win::FALSE;
      ScsiDeviceNode* node = map_.unit(input[1], 0, input[2], input[3]);
      if (!node) return win::FALSE;
      const std::string& name = node->dosName;
      input[4] = name.size() == 2 && name[1] == ':' ? static_cast<win::BYTE>(name[0] - 'A') : 0xFF;
      if (returned) *returned = 5;
      return win::TRUE;
    }
    case win::IOCTL_SCSI_GET_ADDRESS: {
      ScsiDeviceNode* node = map_.unitByHandle(handle);
      if (!node || !output || outSize < 8) return win::FALSE;
      // In the order of SCSI_ADDRESS: port, path, target, LUN.
      std::memcpy(output + 4, node->address, 4);
      return win::TRUE;
    }
    default:
      return win::FALSE;
  }
}

}  // namespace aspi
