#include "aspi/system_aspi_link.h"

#include <string>

#include "aspi/aspi_srb.h"
#include "platform/win/interaction.h"
#include "platform/win/modules.h"
#include "platform/win/paths.h"

namespace aspi {
namespace {

win::DWORD refusedSend(void*) { return win::SS_FAILED_INIT; }
win::DWORD refusedSupportInfo() { return win::DWORD{win::SS_FAILED_INIT} << 8; }
win::DWORD refusedDllVersion() { return 0; }

}  // namespace

void SystemAspiLink::load() {
  char folder[win::MAX_PATH] = {};
  win::UINT length = win::GetSystemDirectoryA(folder, sizeof(folder));
  if (length > 0 && length < sizeof(folder)) {
    std::string path = std::string(folder, length) + "\\Scalink.dll";
    module = win::LoadLibraryA(path.c_str());
  }
  if (module) {
    send = reinterpret_cast<win::SendASPI32CommandProc>(win::GetProcAddress(module, "SendASPI32Command"));
    supportInfo = reinterpret_cast<win::GetASPI32SupportInfoProc>(win::GetProcAddress(module, "GetASPI32SupportInfo"));
    dllVersion = reinterpret_cast<win::GetASPI32DLLVersionProc>(win::GetProcAddress(module, "GetASPI32DLLVersion"));
    // All three are called later: a manager without one of them is no use.
    accepted = send && supportInfo && dllVersion && dllVersion() != kScalinkDllVersion;
  }
  if (accepted) return;
  send = &refusedSend;
  supportInfo = &refusedSupportInfo;
  dllVersion = &refusedDllVersion;
  if (module) win::FreeLibrary(module);
  module = nullptr;
  win::MessageBoxA(nullptr, "Need WINDOWS original SCALINK.DLL", "Bad or missing system .DLL", win::MB_OK);
}

}  // namespace aspi
