#include "platform/win/system.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <thread>

#include "platform/sim/simulated_machine.h"
#include "platform/win/codepage.h"
#include "platform/win/last_error.h"
#include "platform/win/machine.h"
#include "platform/win/paths.h"

extern char** environ;

namespace win {
namespace {

void appendToRuntimeFile(const char* name, const std::string& text) {
  std::string folder = CurrentMachine().runtimeFolder();
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  int fd = ::open((folder + "/" + name).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) return;
  // One write per record keeps lines of several processes apart.
  ssize_t ignored = ::write(fd, text.data(), text.size());
  (void)ignored;
  ::close(fd);
}

std::mutex& sinkMutex() {
  static std::mutex& m = *new std::mutex;
  return m;
}
std::function<void(const std::string&)>& debugSink() {
  static std::function<void(const std::string&)> sink;
  return sink;
}
std::vector<ShellCall>& shellCalls() {
  static std::vector<ShellCall>& calls = *new std::vector<ShellCall>;
  return calls;
}

double timeScale() { return CurrentMachine().settings().timeScale; }

// Splits a command line into arguments at blanks outside double quotes.
std::vector<std::string> splitArguments(const std::string& line) {
  std::vector<std::string> args;
  std::string cur;
  bool quoted = false, any = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (any || !cur.empty()) args.push_back(cur);
      cur.clear();
      any = false;
    } else {
      cur += c;
    }
  }
  if (any || !cur.empty()) args.push_back(cur);
  return args;
}

bool launch(const std::string& binary, const std::string& parameters, const std::string& directory) {
  std::vector<std::string> args{binary};
  for (std::string& a : splitArguments(parameters)) args.push_back(AnsiToUtf8(a));
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  std::string hostDir = directory.empty() ? std::string() : HostPathOf(directory);
  if (!hostDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, hostDir.c_str());
  // The started program runs on the same machine.
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, "KL570_MACHINE=", 14) != 0) env.emplace_back(*e);
  if (auto* s = dynamic_cast<sim::SimulatedMachine*>(&CurrentMachine())) env.push_back("KL570_MACHINE=" + s->folder());
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  pid_t pid = 0;
  int rc = posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
  return true;
}

}  // namespace

BOOL GetVersionExA(OSVERSIONINFOA* info) {
  if (!info || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  const MachineSettings& s = CurrentMachine().settings();
  info->dwMajorVersion = s.osMajor;
  info->dwMinorVersion = s.osMinor;
  info->dwBuildNumber = s.osBuild;
  info->dwPlatformId = s.platformId;
  std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
  return TRUE;
}

BOOL GetVersionExW(OSVERSIONINFOW* info) {
  if (!info || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOW)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  const MachineSettings& s = CurrentMachine().settings();
  info->dwMajorVersion = s.osMajor;
  info->dwMinorVersion = s.osMinor;
  info->dwBuildNumber = s.osBuild;
  info->dwPlatformId = s.platformId;
  std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
  return TRUE;
}

LANGID GetSystemDefaultLangID() { return CurrentMachine().settings().systemLangId; }
LANGID GetUserDefaultLangID() { return CurrentMachine().settings().userLangId; }

int GetSystemMetrics(int nIndex) {
  const MachineSettings& s = CurrentMachine().settings();
  if (nIndex == SM_CXSCREEN) return s.screenWidth;
  if (nIndex == SM_CYSCREEN) return s.screenHeight;
  return 0;
}

void OutputDebugStringA(LPCSTR text) {
  std::string t = text ? text : "";
  appendToRuntimeFile("debug.log", t);
  std::lock_guard lock(sinkMutex());
  if (debugSink()) debugSink()(t);
}

void SetDebugOutputSink(std::function<void(const std::string&)> sink) {
  std::lock_guard lock(sinkMutex());
  debugSink() = std::move(sink);
}

HINSTANCE ShellExecuteA(HWND, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters, LPCSTR lpDirectory,
                        INT nShowCmd) {
  ShellCall call{lpOperation ? lpOperation : "open", lpFile ? lpFile : "", lpParameters ? lpParameters : "",
                 lpDirectory ? lpDirectory : "", nShowCmd};
  {
    std::lock_guard lock(sinkMutex());
    shellCalls().push_back(call);
  }
  appendToRuntimeFile("shell.log", call.operation + "\t" + call.file + "\t" + call.parameters + "\t" +
                                       call.directory + "\t" + std::to_string(call.showCmd) + "\n");
  auto result = [](std::uintptr_t v) { return reinterpret_cast<HINSTANCE>(v); };
  // A file name alone is looked for in the given folder.
  std::string file = call.file;
  if (file.find('\\') == std::string::npos && file.find(':') == std::string::npos && !call.directory.empty())
    file = call.directory + (call.directory.back() == '\\' ? "" : "\\") + file;
  std::string full = FullWindowsPath(file);
  for (const ProgramEntry& p : CurrentMachine().programs()) {
    if (!AnsiEqualNoCase(p.windowsPath, full, GetACP())) continue;
    if (p.hostBinary.empty()) return result(42);
    return launch(p.hostBinary, call.parameters, call.directory) ? result(42) : result(ERROR_FILE_NOT_FOUND);
  }
  std::string host = HostPathOf(full);
  struct stat st {};
  if (host.empty() || ::stat(host.c_str(), &st) != 0) return result(ERROR_FILE_NOT_FOUND);
  return result(42);
}

std::vector<ShellCall> RecordedShellCalls() {
  std::lock_guard lock(sinkMutex());
  return shellCalls();
}

DWORD GetTickCount() {
  static const auto start = std::chrono::steady_clock::now();
  double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  return static_cast<DWORD>(static_cast<std::uint64_t>(ms / timeScale()) & 0xFFFFFFFFu);
}

void Sleep(DWORD dwMilliseconds) {
  std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(dwMilliseconds * timeScale()));
}

void GetLocalTime(SYSTEMTIME* st) {
  if (!st) return;
  auto now = std::chrono::system_clock::now();
  std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm tm {};
  ::localtime_r(&t, &tm);
  st->wYear = static_cast<WORD>(tm.tm_year + 1900);
  st->wMonth = static_cast<WORD>(tm.tm_mon + 1);
  st->wDayOfWeek = static_cast<WORD>(tm.tm_wday);
  st->wDay = static_cast<WORD>(tm.tm_mday);
  st->wHour = static_cast<WORD>(tm.tm_hour);
  st->wMinute = static_cast<WORD>(tm.tm_min);
  st->wSecond = static_cast<WORD>(tm.tm_sec);
  st->wMilliseconds =
      static_cast<WORD>(std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
}

}  // namespace win
