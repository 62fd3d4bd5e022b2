// The auto-start entry of Agent, the tray helper: value "Virelo Agent" of
// HKEY_LOCAL_MACHINE\SOFTWARE\MICROSOFT\WINDOWS\CURRENTVERSION\RUN.
#pragma once

#include <string>

namespace virelo {

inline constexpr char kAgentFileName[] = "Agent.exe";

// Program folder (trailing backslash) + "Agent.exe".
std::string AgentPath(const std::string& programFolder);

// true when the Run value exists.
bool ReadAgentAutoStart();
// Stores the full path, its terminating NUL counted in the stored length.
bool WriteAgentAutoStart(const std::string& agentPath);
bool DeleteAgentAutoStart();

}  // namespace virelo
