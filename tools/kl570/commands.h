// The subcommands of kl570. Each takes the parsed call (words after the
// subcommand's own name) and returns the process exit code.
#pragma once

#include <string>

#include "tools/kl570/command_line.h"

namespace kl570 {

int RunMachine(const CommandLine& call);   // machine init | show
int RunLibrary(const CommandLine& call);   // library add | remove | show
int RunLst(const CommandLine& call);       // lst dump
int RunM3u(const CommandLine& call);       // m3u read
int RunAttrib(const CommandLine& call);    // attrib
int RunMakeMp3(const CommandLine& call);   // make-mp3
int RunFw(const CommandLine& call);        // fw make-components | probe
int RunVplayer(const CommandLine& call);   // vplayer add | show | set

// Selects the machine named by --machine (else KL570_MACHINE, else the host).
void SelectMachineOf(const CommandLine& call);
// A path as the user gave it (UTF-8): a Windows path ("C:\...", "\\...")
// in the machine's code page, anything else a host path turned into its
// Windows path.
std::string WindowsPathArgument(const std::string& path);
// Prints a message to stderr and returns the exit code 1 (usage 2).
int Fail(const std::string& message);
int Usage(const std::string& message);
// Text of the machine's code page, for the terminal.
std::string ForTerminal(const std::string& ansi);

}  // namespace kl570
