#include "platform/devices/pyxa_apix_device.h"

#include "platform/devices/pyxa_apix_driver.h"
#include "platform/devices/system_aspi_devices.h"
#include "platform/win/last_error.h"
#include "platform/win/machine.h"

namespace devices {
namespace {

class PyxaApixDevice : public win::DeviceObject {
 public:
  PyxaApixDevice(win::DWORD access, win::DWORD flags) : DeviceObject(access, flags) {}

  win::DeviceAnswer control(win::DWORD code, const std::vector<win::BYTE>& in, win::BYTE* out, win::DWORD outSize,
                            win::DeviceRequest&) override {
    win::DWORD returned = 0;
    if (driver_.control(code, in.data(), static_cast<win::DWORD>(in.size()), out, outSize, &returned))
      return {win::ERROR_SUCCESS, returned, 0};
    win::DWORD error = win::GetLastError();
    return {error ? error : win::ERROR_INVALID_FUNCTION, 0, 0};
  }

 private:
  PyxaApixDriver driver_;
};

}  // namespace

std::shared_ptr<win::DeviceObject> OpenPyxaApix(const win::DeviceOpenRequest& request, win::DWORD& error) {
  if (win::CurrentMachine().settings().platformId != win::VER_PLATFORM_WIN32_WINDOWS || !PyxaApixInstalled()) {
    error = win::ERROR_FILE_NOT_FOUND;
    return nullptr;
  }
  return std::make_shared<PyxaApixDevice>(request.access, request.flags);
}

}  // namespace devices
