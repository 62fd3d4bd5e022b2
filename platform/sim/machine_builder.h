// Lays out a new simulated machine in a folder: machine.ini, one host
// folder per drive, an empty registry. Used by `kl570 machine init` and by
// the test fixture.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/win/machine.h"

namespace sim {

struct DriveSpec {
  char letter = 'C';
  win::UINT type = win::DRIVE_FIXED;
  std::optional<std::uint64_t> capacity;
  std::string folder;  // relative to the machine folder; default "drives/<letter>"
};

struct MachineSpec {
  win::MachineSettings settings;
  std::vector<DriveSpec> drives{DriveSpec{}};
  std::vector<win::ProgramEntry> programs;
};

// The settings of a named Windows version: "95", "98", "me", "nt4", "2000", "xp".
std::optional<win::MachineSettings> SettingsForOs(const std::string& os);

// Writes machine.ini and creates the drive folders. false with a message
// when the folder cannot be written.
bool CreateSimulatedMachine(const std::string& folder, const MachineSpec& spec, std::string* error = nullptr);

}  // namespace sim
