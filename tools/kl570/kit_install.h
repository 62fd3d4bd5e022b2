// Puts the kit on a simulated machine: the music manager's folder under
// C:\Program Files\Virelo\ with config.ini, the language and help files
// and the DATA\ folder, and the programs listed in machine.ini.
#pragma once

#include <string>

#include "platform/sim/machine_builder.h"

namespace kl570 {

inline constexpr const char* kVireloFolder = "C:\\Program Files\\Virelo\\";

// The programs of the kit as the machine lists them.
void AddKitPrograms(sim::MachineSpec& spec);
// Copies the shipped files into the selected machine. false with a message.
bool InstallVireloFiles(std::string* error);

}  // namespace kl570
