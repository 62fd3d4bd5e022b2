// Puts the kit on a simulated machine: the music manager's folder under
// C:\Program Files\Virelo\ with config.ini, the language and help files
// and the DATA\ folder, the firmware updater's folder with the ASPI layer
// it loads, and the programs listed in machine.ini.
#pragma once

#include <string>

#include "platform/sim/machine_builder.h"

namespace kl570 {

inline constexpr const char* kVireloFolder = "C:\\Program Files\\Virelo\\";
inline constexpr const char* kPendrelFolder = "C:\\Program Files\\Pendrel\\";

// The programs of the kit as the machine lists them.
void AddKitPrograms(sim::MachineSpec& spec);
// Copies the shipped files into the selected machine. false with a message.
bool InstallVireloFiles(std::string* error);
// Puts SCALINK.DLL (a module line naming the built layer) in the updater's
// folder. false with a message when the layer was not built.
bool InstallPendrelFiles(std::string* error);

}  // namespace kl570
