#include "platform/win/device_namespace.h"

#include <map>
#include <mutex>

#include "platform/devices/machine_device_names.h"
#include "platform/win/last_error.h"

namespace win {
namespace {

std::string upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}

std::mutex& namesMutex() {
  static std::mutex& m = *new std::mutex;
  return m;
}
std::map<std::string, DeviceFactory>& registered() {
  static std::map<std::string, DeviceFactory>& names = *new std::map<std::string, DeviceFactory>;
  return names;
}

}  // namespace

void RegisterDeviceName(const std::string& name, DeviceFactory factory) {
  std::lock_guard lock(namesMutex());
  registered()[upper(name)] = std::move(factory);
}

void UnregisterDeviceName(const std::string& name) {
  std::lock_guard lock(namesMutex());
  registered().erase(upper(name));
}

HANDLE OpenDeviceName(const DeviceOpenRequest& request) {
  DeviceFactory factory;
  {
    std::lock_guard lock(namesMutex());
    auto it = registered().find(upper(request.name));
    if (it != registered().end()) factory = it->second;
  }
  DWORD error = ERROR_FILE_NOT_FOUND;
  std::shared_ptr<DeviceObject> device =
      factory ? factory(request, error) : devices::OpenMachineDevice(request, error);
  if (!device) {
    SetLastError(error ? error : ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  SetLastError(ERROR_SUCCESS);
  return RegisterHandle(device);
}

}  // namespace win
