// "\\.\PyxaApix": the device object of one driver session, on a 9x
// machine that has the driver installed.
#pragma once

#include <memory>

#include "platform/win/device_namespace.h"

namespace devices {

// The factory for the device name; ERROR_FILE_NOT_FOUND where there is no driver.
std::shared_ptr<win::DeviceObject> OpenPyxaApix(const win::DeviceOpenRequest& request, win::DWORD& error);

}  // namespace devices
