// Version, languages, debugger output, the shell and time.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/win/types.h"

namespace win {

BOOL GetVersionExA(OSVERSIONINFOA* lpVersionInformation);
BOOL GetVersionExW(OSVERSIONINFOW* lpVersionInformation);
LANGID GetSystemDefaultLangID();
LANGID GetUserDefaultLangID();
int GetSystemMetrics(int nIndex);
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;

// Debugger output: appended to debug.log in the machine's runtime folder
// and handed to the sink of this process, when one is set.
void OutputDebugStringA(LPCSTR lpOutputString);
void SetDebugOutputSink(std::function<void(const std::string&)> sink);

// Starts the program that the file names (a program the machine lists, or
// a document it opens) and records the call. Results above 32 are success;
// ERROR_FILE_NOT_FOUND when the file does not exist.
HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters, LPCSTR lpDirectory,
                        INT nShowCmd);
struct ShellCall {
  std::string operation, file, parameters, directory;
  int showCmd = 0;
};
// The calls this process has made, oldest first.
std::vector<ShellCall> RecordedShellCalls();

// Time, through the machine's time scale: a simulated machine at scale
// 0.05 sleeps 1/20 of the asked time and its tick count runs 20 times
// faster, so waits keep their order and counts at any scale.
DWORD GetTickCount();
void Sleep(DWORD dwMilliseconds);
void GetLocalTime(SYSTEMTIME* lpSystemTime);

}  // namespace win
