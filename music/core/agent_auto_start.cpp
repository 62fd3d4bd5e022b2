#include "music/core/agent_auto_start.h"

#include "platform/win/registry.h"

namespace virelo {
namespace {

constexpr char kRunKey[] = "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN";
constexpr char kRunValue[] = "Virelo Agent";

}  // namespace

std::string AgentPath(const std::string& programFolder) { return programFolder + kAgentFileName; }

bool ReadAgentAutoStart() {
  win::HKEY key = nullptr;
  if (win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, kRunKey, 0, win::KEY_QUERY_VALUE, &key) != win::ERROR_SUCCESS)
    return false;
  win::LONG rc = win::RegQueryValueExA(key, kRunValue, nullptr, nullptr, nullptr, nullptr);
  win::RegCloseKey(key);
  return rc == win::ERROR_SUCCESS;
}

bool WriteAgentAutoStart(const std::string& agentPath) {
  win::HKEY key = nullptr;
  if (win::RegCreateKeyExA(win::HKEY_LOCAL_MACHINE, kRunKey, 0, nullptr, win::REG_OPTION_NON_VOLATILE, win::KEY_WRITE,
                           nullptr, &key, nullptr) != win::ERROR_SUCCESS)
    return false;
  win::LONG rc = win::RegSetValueExA(key, kRunValue, 0, win::REG_SZ, reinterpret_cast<const win::BYTE*>(agentPath.c_str()),
                                     static_cast<win::DWORD>(agentPath.size() + 1));
  win::RegCloseKey(key);
  return rc == win::ERROR_SUCCESS;
}

bool DeleteAgentAutoStart() {
  win::HKEY key = nullptr;
  if (win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, kRunKey, 0, win::KEY_SET_VALUE, &key) != win::ERROR_SUCCESS)
    return false;
  win::LONG rc = win::RegDeleteValueA(key, kRunValue);
  win::RegCloseKey(key);
  return rc == win::ERROR_SUCCESS;
}

}  // namespace virelo
