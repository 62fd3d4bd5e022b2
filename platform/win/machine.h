// The machine a program runs on: the real Linux computer or a simulated
// Windows-like machine kept in a folder. Every win:: function asks it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/win/types.h"

namespace win {

struct DriveMapping {
  char letter = 'C';                     // upper case
  std::string hostFolder;                // UTF-8 host path, no trailing slash (except "/")
  UINT type = DRIVE_FIXED;               // DRIVE_* constant
  std::optional<std::uint64_t> capacity; // bytes; the volume reports this size instead of the host's
};

struct MachineSettings {
  DWORD osMajor = 5;
  DWORD osMinor = 1;
  DWORD osBuild = 2600;
  DWORD platformId = VER_PLATFORM_WIN32_NT;
  LANGID systemLangId = 0x0409;
  LANGID userLangId = 0x0409;
  UINT codePage = 1252;
  int screenWidth = 1024;
  int screenHeight = 768;
  bool administrator = true;
  double timeScale = 1.0;  // 0.05 runs every wait and timer twenty times faster
};

// A program known to the machine: its Windows path and, where it can be
// started, the host executable behind it.
struct ProgramEntry {
  std::string name;         // "Virelo", "Agent", ...
  std::string windowsPath;  // C:\Program Files\Virelo\Virelo.exe
  std::string hostBinary;   // may be empty: the program cannot be launched
};

class Machine {
 public:
  virtual ~Machine() = default;

  virtual bool simulated() const = 0;
  virtual const MachineSettings& settings() const = 0;
  // Drive letters in alphabetical order.
  virtual std::vector<DriveMapping> drives() const = 0;
  // Host folder where the registry hives are kept.
  virtual std::string registryFolder() const = 0;
  // Host folder for what the machine's processes share at run time
  // (debugger output, shell log).
  virtual std::string runtimeFolder() const = 0;
  virtual std::vector<ProgramEntry> programs() const = 0;
};

// The machine of this process: KL570_MACHINE names a simulated machine's
// folder; without it the host machine. Chosen once, at first use.
Machine& CurrentMachine();

// Replaces the machine of this process (tests, --machine options).
// An empty folder selects the host machine.
void SelectMachine(const std::string& simulatedFolder);
// Counts the selections, so that what a process keeps of a machine
// (its current folder, open registry keys) can tell a new one.
unsigned MachineGeneration();

// Names the program this process is (for GetModuleFileName and the program
// folder): "Virelo", "Drivon", ... A program the machine does not list is
// taken from the running executable's host path.
void SetProgramIdentity(const std::string& programName);
const std::string& ProgramIdentity();

}  // namespace win
