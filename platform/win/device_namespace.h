// The device names that CreateFileA opens as "\\.\NAME".
//
// The machine's own devices answer by themselves (platform/devices/
// machine_device_names.h): the volumes "X:" of its drive letters,
// "PhysicalDriveN" for its disks, "vwin32" on a 9x machine and
// "KvMp3RecDeviceN" for a player in recovery mode.
//
// Other platform code adds names with RegisterDeviceName: from then on the
// factory answers every CreateFileA of "\\.\<name>" (compared without
// regard to case), on every machine, before the machine's own names. It
// checks for itself whether its device exists on the current machine, and
// answers null with the error CreateFileA is to report when it does not.
// A device opened this way is a DeviceObject (platform/win/device_object.h)
// and receives DeviceIoControl, ReadFile, WriteFile and WriteFileEx.
//
// Register at run time, before the first open: in the function that sets
// the device up, or in a test. A registrar object at namespace scope in a
// file of the static platform library is no good: the linker drops a file
// of which nothing else is used.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/win/device_object.h"

namespace win {

struct DeviceOpenRequest {
  std::string name;  // as the caller wrote it after "\\.\"
  DWORD access = 0;  // GENERIC_READ, GENERIC_WRITE
  DWORD share = 0;   // FILE_SHARE_*
  DWORD flags = 0;   // FILE_FLAG_* and attributes of the call
};

using DeviceFactory = std::function<std::shared_ptr<DeviceObject>(const DeviceOpenRequest& request, DWORD& error)>;

// A later registration of the same name replaces the factory.
void RegisterDeviceName(const std::string& name, DeviceFactory factory);
void UnregisterDeviceName(const std::string& name);

// CreateFileA of "\\.\" + request.name.
HANDLE OpenDeviceName(const DeviceOpenRequest& request);

}  // namespace win
