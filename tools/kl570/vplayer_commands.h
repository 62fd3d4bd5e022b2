// The parts of `kl570 vplayer`, each in its own file.
#pragma once

#include <optional>
#include <string>

#include "tools/kl570/command_line.h"

namespace kl570 {

int VplayerAdd(const CommandLine& call);   // vplayer add
int VplayerShow(const CommandLine& call);  // vplayer show
int VplayerSet(const CommandLine& call);   // vplayer set

// The folder of the player that --player N names (0 by default), or
// nothing with the message printed.
std::optional<std::string> ChosenPlayerFolder(const CommandLine& call);

}  // namespace kl570
