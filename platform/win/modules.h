// Modules: LoadLibraryA looks for a name as Windows does (the program
// folder, the system folder, the Windows folder, then the path) and maps
// what it finds to a shared object of the host or to a module the machine
// provides in-process (a virtual driver's user side, the system's own ASPI
// manager).
#pragma once

#include <map>
#include <string>

#include "platform/win/types.h"

namespace win {

using FARPROC = void (*)();

constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
constexpr DWORD ERROR_PROC_NOT_FOUND = 127;
constexpr DWORD ERROR_BAD_EXE_FORMAT = 193;

HMODULE LoadLibraryA(LPCSTR lpLibFileName);
FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
BOOL FreeLibrary(HMODULE hLibModule);

// An in-process module: its exported entry points by name. A machine
// registers these under a Windows path (for example the system folder's
// Scalink.dll); LoadLibraryA finds them there before looking on disk.
struct ProvidedModule {
  std::map<std::string, FARPROC> exports;
};
void ProvideModule(const std::string& windowsPath, ProvidedModule module);

// Our own shared libraries installed on a machine as a Windows file (for
// example C:\Program Files\Pendrel\SCALINK.DLL): the file at that path may
// hold the line "KL570-MODULE <host path of the .so>", which LoadLibraryA
// follows; a real ELF shared object there is loaded as it is.

}  // namespace win
