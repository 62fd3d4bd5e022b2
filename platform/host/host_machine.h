// The real Linux computer: Z: is the root folder, the user's
// $XDG_CONFIG_HOME/kl570/machine.ini may add drives and settings, the
// registry lives in $XDG_DATA_HOME/kl570/registry.
#pragma once

#include "platform/sim/machine_ini.h"

namespace host {

class HostMachine : public win::Machine {
 public:
  HostMachine();

  bool simulated() const override { return false; }
  const win::MachineSettings& settings() const override { return description_.settings; }
  std::vector<win::DriveMapping> drives() const override { return description_.drives; }
  std::string registryFolder() const override;
  std::string runtimeFolder() const override;
  std::vector<win::ProgramEntry> programs() const override { return description_.programs; }

 private:
  sim::MachineDescription description_;
};

}  // namespace host
