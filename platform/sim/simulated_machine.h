// A simulated machine: a folder holding machine.ini, the drive folders,
// the registry hives and the runtime folder. machine.ini is read again
// whenever it changes, so that another process (a device being plugged in)
// can change the drive map while a program runs. The letters of the
// machine's devices (sim/device_volumes.h) join the drive map while the
// devices are there; a letter machine.ini already uses stays its own.
#pragma once

#include <ctime>
#include <mutex>

#include "platform/sim/device_volumes.h"
#include "platform/sim/machine_ini.h"

namespace sim {

class SimulatedMachine : public win::Machine {
 public:
  explicit SimulatedMachine(std::string folder);

  bool simulated() const override { return true; }
  const win::MachineSettings& settings() const override;
  std::vector<win::DriveMapping> drives() const override;
  std::string registryFolder() const override { return folder_ + "/registry"; }
  std::string runtimeFolder() const override { return folder_ + "/runtime"; }
  std::vector<win::ProgramEntry> programs() const override;

  const std::string& folder() const { return folder_; }

 private:
  void refresh() const;

  std::string folder_;
  mutable std::mutex mutex_;
  mutable MachineDescription description_;
  mutable std::timespec stamp_{};
  mutable long long size_ = -1;
  mutable DeviceVolumes deviceVolumes_;
};

}  // namespace sim
