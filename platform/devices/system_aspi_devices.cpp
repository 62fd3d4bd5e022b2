#include "platform/devices/system_aspi_devices.h"

#include <atomic>
#include <mutex>

#include "platform/devices/pyxa_apix_device.h"
#include "platform/devices/pyxa_apix_protocol.h"
#include "platform/devices/system_aspi_manager.h"
#include "platform/win/machine.h"

namespace devices {
namespace {

std::atomic<bool>& installed() {
  static std::atomic<bool> flag{true};
  return flag;
}

}  // namespace

void SetPyxaApixInstalled(bool value) { installed() = value; }
bool PyxaApixInstalled() { return installed(); }

void SetUpAspiDevices() {
  // Once per machine: what a test or a tool put in place afterwards stays.
  static std::mutex& mutex = *new std::mutex;
  static unsigned doneFor = 0;
  std::lock_guard lock(mutex);
  if (doneFor == win::MachineGeneration()) return;
  doneFor = win::MachineGeneration();
  win::RegisterDeviceName(kPyxaApixDeviceName, &OpenPyxaApix);
  if (win::CurrentMachine().settings().platformId == win::VER_PLATFORM_WIN32_WINDOWS) ProvideSystemAspiModule();
}

}  // namespace devices
