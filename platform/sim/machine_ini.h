// machine.ini: the description of a machine, shared by the simulated
// machine (its whole description) and the host machine (an optional file
// of overrides and extra drives in the user's configuration folder).
//
//   [Machine]  OsMajor, OsMinor, OsBuild, PlatformId, SystemLanguage,
//              UserLanguage (hexadecimal "0x0804" or decimal), CodePage,
//              ScreenWidth, ScreenHeight, Administrator, TimeScale
//   [Drive C]  Folder (relative to the machine folder or absolute),
//              Type (fixed, removable, cdrom, remote, ramdisk), Capacity (bytes)
//   [Program Virelo]  Path (Windows path), Binary (host executable)
#pragma once

#include <string>
#include <vector>

#include "platform/win/machine.h"

namespace sim {

struct MachineDescription {
  win::MachineSettings settings;
  std::vector<win::DriveMapping> drives;
  std::vector<win::ProgramEntry> programs;
};

// Reads the file; values it lacks keep what `base` has. Relative drive
// folders are taken against `folder`.
MachineDescription ReadMachineIni(const std::string& hostFile, const std::string& folder,
                                  const MachineDescription& base);
std::string FormatMachineIni(const MachineDescription& description);

const char* DriveTypeName(win::UINT type);
win::UINT DriveTypeFromName(const std::string& name);

}  // namespace sim
