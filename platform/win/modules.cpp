// Modules. A name with a folder in it is taken as it stands; a bare name
// is looked for in the program folder, the system folder, the Windows
// folder and then the current folder. A name without an extension gets
// ".DLL". At each place a module the machine provides in-process comes
// before a file; a file is loaded when it is a shared object of the host
// or a "KL570-MODULE <host path>" line naming one. Loading a module again
// answers the same handle and counts; FreeLibrary lets it go at zero.
#include "platform/win/modules.h"

#include <dlfcn.h>

#include <fstream>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/win/codepage.h"
#include "platform/win/kernel_object.h"
#include "platform/win/last_error.h"
#include "platform/win/machine.h"
#include "platform/win/paths.h"

namespace win {
namespace {

class ModuleObject : public KernelObject {
 public:
  ~ModuleObject() override {
    if (library) ::dlclose(library);
  }
  std::string key;              // machine and upper-case Windows path it was found at
  void* library = nullptr;      // dlopen handle, or
  const ProvidedModule* provided = nullptr;
  unsigned references = 0;
  HMODULE handle = nullptr;
};

struct ModuleTable {
  std::mutex mutex;
  std::map<std::string, ProvidedModule> provided;  // by upper-case Windows path
  std::map<std::string, std::shared_ptr<ModuleObject>> loaded;
};

ModuleTable& table() {
  static ModuleTable& t = *new ModuleTable;
  return t;
}

std::string upper(const std::string& path) {
  std::string s;
  for (char c : path) s += AnsiToUpper(c, GetACP());
  return s;
}

std::string folderOf(const std::string& path) {
  std::size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

std::vector<std::string> candidates(const std::string& name) {
  if (name.find('\\') != std::string::npos || name.find('/') != std::string::npos ||
      name.find(':') != std::string::npos)
    return {FullWindowsPath(name)};
  std::vector<std::string> folders;
  char buf[MAX_PATH + 1];
  if (DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf); n > 0 && n < sizeof buf) folders.push_back(folderOf(buf));
  if (UINT n = GetSystemDirectoryA(buf, sizeof buf); n > 0 && n < sizeof buf) folders.push_back(buf);
  if (UINT n = GetWindowsDirectoryA(buf, sizeof buf); n > 0 && n < sizeof buf) folders.push_back(buf);
  if (DWORD n = GetCurrentDirectoryA(sizeof buf, buf); n > 0 && n < sizeof buf) folders.push_back(buf);
  std::vector<std::string> paths;
  for (const std::string& f : folders) paths.push_back(FullWindowsPath(join(f, name)));
  return paths;
}

// What a file on the machine holds: the host shared object to load, or
// empty with the error when it is none.
std::string sharedObjectOf(const std::string& hostPath, DWORD& error) {
  std::ifstream in(hostPath, std::ios::binary);
  if (!in) {
    error = ERROR_MOD_NOT_FOUND;
    return {};
  }
  char magic[4] = {};
  in.read(magic, 4);
  if (in.gcount() == 4 && magic[0] == 0x7F && magic[1] == 'E' && magic[2] == 'L' && magic[3] == 'F') return hostPath;
  in.clear();
  in.seekg(0);
  std::string line;
  std::getline(in, line);
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
  const std::string marker = "KL570-MODULE ";
  if (line.rfind(marker, 0) == 0 && line.size() > marker.size()) return line.substr(marker.size());
  error = ERROR_BAD_EXE_FORMAT;
  return {};
}

HMODULE keep(ModuleTable& t, std::shared_ptr<ModuleObject> module) {
  module->references = 1;
  module->handle = RegisterHandle(module);
  t.loaded[module->key] = module;
  SetLastError(ERROR_SUCCESS);
  return module->handle;
}

}  // namespace

void ProvideModule(const std::string& windowsPath, ProvidedModule module) {
  ModuleTable& t = table();
  std::lock_guard lock(t.mutex);
  t.provided[upper(FullWindowsPath(windowsPath))] = std::move(module);
}

HMODULE LoadLibraryA(LPCSTR lpLibFileName) {
  if (!lpLibFileName || !*lpLibFileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::string name = lpLibFileName;
  std::size_t slash = name.find_last_of("\\/");
  std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
  if (!base.empty() && base.back() == '.')
    name.pop_back();  // a trailing dot: no extension at all
  else if (base.find('.') == std::string::npos)
    name += ".DLL";
  ModuleTable& t = table();
  std::lock_guard lock(t.mutex);
  DWORD error = ERROR_MOD_NOT_FOUND;
  for (const std::string& path : candidates(name)) {
    if (path.empty()) continue;
    // What a process loaded on one machine is not what another machine has there.
    std::string key = std::to_string(MachineGeneration()) + ":" + upper(path);
    if (auto it = t.loaded.find(key); it != t.loaded.end()) {
      ++it->second->references;
      SetLastError(ERROR_SUCCESS);
      return it->second->handle;
    }
    if (auto it = t.provided.find(upper(path)); it != t.provided.end()) {
      auto module = std::make_shared<ModuleObject>();
      module->key = key;
      module->provided = &it->second;
      return keep(t, module);
    }
    std::string host = HostPathOf(path);
    if (host.empty()) continue;
    DWORD fileError = ERROR_MOD_NOT_FOUND;
    std::string object = sharedObjectOf(host, fileError);
    if (object.empty()) {
      if (fileError != ERROR_MOD_NOT_FOUND) error = fileError;
      continue;
    }
    void* library = ::dlopen(object.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
      error = ERROR_BAD_EXE_FORMAT;
      continue;
    }
    auto module = std::make_shared<ModuleObject>();
    module->key = key;
    module->library = library;
    return keep(t, module);
  }
  SetLastError(error);
  return nullptr;
}

FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
  auto module = HandleAs<ModuleObject>(hModule);
  if (!module) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  // Exports by ordinal (a number in place of the name) are not kept.
  if (reinterpret_cast<std::uintptr_t>(lpProcName) < 0x10000) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  FARPROC proc = nullptr;
  if (module->provided) {
    std::lock_guard lock(table().mutex);
    auto it = module->provided->exports.find(lpProcName);
    if (it != module->provided->exports.end()) proc = it->second;
  } else {
    proc = reinterpret_cast<FARPROC>(::dlsym(module->library, lpProcName));
  }
  SetLastError(proc ? ERROR_SUCCESS : ERROR_PROC_NOT_FOUND);
  return proc;
}

BOOL FreeLibrary(HMODULE hLibModule) {
  auto module = HandleAs<ModuleObject>(hLibModule);
  if (!module) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  ModuleTable& t = table();
  std::lock_guard lock(t.mutex);
  if (module->references > 0 && --module->references == 0) {
    t.loaded.erase(module->key);
    ReleaseHandle(hLibModule);
  }
  return TRUE;
}

}  // namespace win
