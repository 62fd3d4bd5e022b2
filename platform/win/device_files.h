// Inside the layer: ReadFile, WriteFile and SetFilePointer on device
// handles, for files.cpp.
#pragma once

#include <memory>

#include "platform/win/device_object.h"
#include "platform/win/ioctl.h"

namespace win {

BOOL ReadDevice(const std::shared_ptr<DeviceObject>& device, LPVOID buffer, DWORD size, LPDWORD done,
                OVERLAPPED* overlapped);
BOOL WriteDevice(const std::shared_ptr<DeviceObject>& device, LPCVOID buffer, DWORD size, LPDWORD done,
                 OVERLAPPED* overlapped);
DWORD SeekDevice(const std::shared_ptr<DeviceObject>& device, LONG distance, PLONG distanceHigh, DWORD method);

}  // namespace win
