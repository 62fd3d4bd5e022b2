#include "music/core/mp3_association.h"

#include <cstring>

#include "platform/win/registry.h"

namespace virelo {
namespace {

struct AssociationRow {
  const char* key;
  std::string (*data)(const std::string& programPath);
};

const AssociationRow kRows[] = {
    {".mp3", [](const std::string&) { return std::string(kMp3ProgId); }},
    {"Virelo.Mp3File\\DefaultIcon", [](const std::string& path) { return path + ",-128"; }},
    {"Virelo.Mp3File\\shell\\open\\command", Mp3OpenCommand},
    {"Virelo.Mp3File\\shell\\Play with Virelo\\command", Mp3OpenCommand},
};

const char* const kKeysToDelete[] = {
    "Virelo.Mp3File\\DefaultIcon",
    "Virelo.Mp3File\\shell\\open\\command",
    "Virelo.Mp3File\\shell\\open",
    "Virelo.Mp3File\\shell\\Play with Virelo\\command",
    "Virelo.Mp3File\\shell\\Play with Virelo",
    "Virelo.Mp3File\\shell",
    "Virelo.Mp3File",
    "Applications\\Virelo.exe\\shell\\open\\command",
    "Applications\\Virelo.exe\\shell\\open",
    "Applications\\Virelo.exe\\shell\\Play with Virelo\\command",
    "Applications\\Virelo.exe\\shell\\Play with Virelo",
    "Applications\\Virelo.exe\\shell",
    "Applications\\Virelo.exe",
};

}  // namespace

std::string Mp3OpenCommand(const std::string& programPath) { return "\"" + programPath + "\" /open \"%L\""; }

bool RegisterMp3Association(const std::string& programPath) {
  for (const AssociationRow& row : kRows) {
    win::HKEY key = nullptr;
    if (win::RegCreateKeyExA(win::HKEY_CLASSES_ROOT, row.key, 0, nullptr, win::REG_OPTION_NON_VOLATILE,
                             win::KEY_WRITE, nullptr, &key, nullptr) != win::ERROR_SUCCESS)
      return false;
    std::string data = row.data(programPath);
    // A failed write is not reported; only a key that cannot be made stops.
    win::RegSetValueExA(key, nullptr, 0, win::REG_SZ, reinterpret_cast<const win::BYTE*>(data.c_str()),
                        static_cast<win::DWORD>(data.size() + 1));
    win::RegCloseKey(key);
  }
  return true;
}

bool UnregisterMp3Association() {
  win::HKEY key = nullptr;
  if (win::RegOpenKeyExA(win::HKEY_CLASSES_ROOT, ".mp3", 0, win::KEY_SET_VALUE, &key) == win::ERROR_SUCCESS) {
    win::RegDeleteValueA(key, nullptr);
    win::RegCloseKey(key);
  }
  for (const char* name : kKeysToDelete)
    if (win::RegDeleteKeyA(win::HKEY_CLASSES_ROOT, name) != win::ERROR_SUCCESS) return false;
  return true;
}

bool IsMp3Associated() {
  win::HKEY key = nullptr;
  if (win::RegOpenKeyExA(win::HKEY_CLASSES_ROOT, ".mp3", 0, win::KEY_QUERY_VALUE, &key) != win::ERROR_SUCCESS)
    return false;
  char data[64] = {};
  win::DWORD size = sizeof data - 1;  // room for a NUL the stored text may lack
  win::DWORD type = win::REG_NONE;
  win::LONG rc = win::RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<win::BYTE*>(data), &size);
  win::RegCloseKey(key);
  return rc == win::ERROR_SUCCESS && type == win::REG_SZ && std::strcmp(data, kMp3ProgId) == 0;
}

}  // namespace virelo
