// Windows paths of the current machine and the host paths behind them.
#pragma once

#include <optional>
#include <string>

#include "platform/win/types.h"

namespace win {

// Makes a Windows path absolute (drive letter, backslashes, "." and ".."
// folded) against the process's current folder. Forward slashes count as
// backslashes. Empty when the path cannot be absolute (no such drive).
std::string FullWindowsPath(const std::string& path);

// The host path (UTF-8) of a Windows path: its drive's host folder, then
// each component matched without regard to case against what exists, and
// the components that do not exist yet converted as they stand. Empty when
// the drive is not mapped or the path is malformed.
std::string HostPathOf(const std::string& windowsPath);

// The Windows path of a host path (UTF-8): under the drive with the
// longest matching host folder, else under Z: when it is the host root.
std::string WindowsPathOf(const std::string& hostPath);

DWORD GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer);
BOOL SetCurrentDirectoryA(LPCSTR lpPathName);
// The Windows path of the running program (see SetProgramIdentity).
DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize);
UINT GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize);
UINT GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize);

}  // namespace win
