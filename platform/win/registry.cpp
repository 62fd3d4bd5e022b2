#include "platform/win/registry.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/win/codepage.h"
#include "platform/win/kernel_object.h"
#include "platform/win/machine.h"
#include "platform/win/registry_hive.h"

namespace win {
namespace {

class KeyObject : public KernelObject {
 public:
  HKEY root;
  std::vector<std::string> path;
};

bool isPredefined(HKEY k) { return HiveOf(k) != nullptr; }

// The root and path that a key handle stands for.
bool keyLocation(HKEY hKey, HKEY& root, std::vector<std::string>& path) {
  if (isPredefined(hKey)) {
    root = hKey;
    path.clear();
    return true;
  }
  auto key = HandleAs<KeyObject>(reinterpret_cast<HANDLE>(hKey));
  if (!key) return false;
  root = key->root;
  path = key->path;
  return true;
}

// Appends the components of a sub-key text; false for a malformed one.
bool appendSubKey(std::vector<std::string>& path, LPCSTR subKey) {
  if (!subKey) return true;
  std::string s = subKey;
  if (!s.empty() && s[0] == '\\') return false;
  std::size_t start = 0;
  while (start <= s.size()) {
    std::size_t end = s.find('\\', start);
    if (end == std::string::npos) end = s.size();
    if (end > start) {
      if (end - start > 255) return false;
      path.push_back(s.substr(start, end - start));
    }
    start = end + 1;
  }
  return true;
}

RegistryKey* walk(RegistryKey& root, const std::vector<std::string>& path, std::size_t count) {
  RegistryKey* key = &root;
  for (std::size_t i = 0; i < count && key; ++i) key = key->child(path[i]);
  return key;
}

HKEY newKeyHandle(HKEY root, std::vector<std::string> path) {
  auto key = std::make_shared<KeyObject>();
  key->root = root;
  key->path = std::move(path);
  return reinterpret_cast<HKEY>(RegisterHandle(key));
}

// Runs `work` on the key that hKey stands for.
template <typename Work>
LONG onKey(HKEY hKey, Work&& work) {
  HKEY root;
  std::vector<std::string> path;
  if (!keyLocation(hKey, root, path)) return ERROR_INVALID_HANDLE;
  return HiveOf(root)->access([&](RegistryKey& top, bool& changed) -> LONG {
    RegistryKey* key = walk(top, path, path.size());
    if (!key) return ERROR_KEY_DELETED;
    return work(*key, changed);
  });
}

LONG copyData(const RegistryValue& v, LPDWORD lpType, BYTE* lpData, LPDWORD lpcbData) {
  if (lpType) *lpType = v.type;
  if (!lpcbData) return lpData ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
  DWORD size = static_cast<DWORD>(v.data.size());
  if (!lpData) {
    *lpcbData = size;
    return ERROR_SUCCESS;
  }
  if (*lpcbData < size) {
    *lpcbData = size;
    return ERROR_MORE_DATA;
  }
  std::memcpy(lpData, v.data.data(), size);
  *lpcbData = size;
  return ERROR_SUCCESS;
}

bool deletesRecursively() { return CurrentMachine().settings().platformId == VER_PLATFORM_WIN32_WINDOWS; }

}  // namespace

LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD, REGSAM, void*, PHKEY phkResult,
                     LPDWORD lpdwDisposition) {
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  HKEY root;
  std::vector<std::string> path;
  if (!keyLocation(hKey, root, path)) return ERROR_INVALID_HANDLE;
  std::size_t base = path.size();
  if (!appendSubKey(path, lpSubKey)) return ERROR_BAD_PATHNAME;
  DWORD disposition = REG_OPENED_EXISTING_KEY;
  LONG rc = HiveOf(root)->access([&](RegistryKey& top, bool& changed) -> LONG {
    RegistryKey* key = walk(top, path, base);
    if (!key) return ERROR_KEY_DELETED;
    for (std::size_t i = base; i < path.size(); ++i) {
      RegistryKey* next = key->child(path[i]);
      if (!next) {
        key->children.push_back(std::make_unique<RegistryKey>());
        next = key->children.back().get();
        next->name = path[i];
        disposition = REG_CREATED_NEW_KEY;
        changed = true;
      }
      key = next;
    }
    return ERROR_SUCCESS;
  });
  if (rc != ERROR_SUCCESS) return rc;
  if (lpdwDisposition) *lpdwDisposition = disposition;
  *phkResult = newKeyHandle(root, std::move(path));
  return ERROR_SUCCESS;
}

LONG RegCreateKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
  return RegCreateKeyExA(hKey, lpSubKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, phkResult, nullptr);
}

LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM, PHKEY phkResult) {
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  HKEY root;
  std::vector<std::string> path;
  if (!keyLocation(hKey, root, path)) return ERROR_INVALID_HANDLE;
  if (!appendSubKey(path, lpSubKey)) return ERROR_BAD_PATHNAME;
  LONG rc = HiveOf(root)->access([&](RegistryKey& top, bool&) -> LONG {
    return walk(top, path, path.size()) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
  });
  if (rc != ERROR_SUCCESS) return rc;
  *phkResult = newKeyHandle(root, std::move(path));
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY hKey) {
  if (isPredefined(hKey)) return ERROR_SUCCESS;
  if (!HandleAs<KeyObject>(reinterpret_cast<HANDLE>(hKey))) return ERROR_INVALID_HANDLE;
  ReleaseHandle(reinterpret_cast<HANDLE>(hKey));
  return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD, LPDWORD lpType, BYTE* lpData, LPDWORD lpcbData) {
  std::string name = lpValueName ? lpValueName : "";
  return onKey(hKey, [&](RegistryKey& key, bool&) -> LONG {
    RegistryValue* v = key.value(name);
    if (!v) return ERROR_FILE_NOT_FOUND;
    return copyData(*v, lpType, lpData, lpcbData);
  });
}

LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData) {
  if (!lpData && cbData) return ERROR_INVALID_PARAMETER;
  std::string name = lpValueName ? lpValueName : "";
  std::string data(reinterpret_cast<const char*>(lpData), lpData ? cbData : 0);
  return onKey(hKey, [&](RegistryKey& key, bool& changed) -> LONG {
    if (RegistryValue* v = key.value(name)) {
      v->type = dwType;
      v->data = data;
    } else {
      key.values.push_back(RegistryValue{name, dwType, data});
    }
    changed = true;
    return ERROR_SUCCESS;
  });
}

LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
  std::string name = lpValueName ? lpValueName : "";
  return onKey(hKey, [&](RegistryKey& key, bool& changed) -> LONG {
    auto it = std::find_if(key.values.begin(), key.values.end(),
                           [&](const RegistryValue& v) { return RegistryNameEquals(v.name, name); });
    if (it == key.values.end()) return ERROR_FILE_NOT_FOUND;
    key.values.erase(it);
    changed = true;
    return ERROR_SUCCESS;
  });
}

LONG RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
  std::vector<std::string> sub;
  if (!lpSubKey || !*lpSubKey || !appendSubKey(sub, lpSubKey) || sub.empty()) return ERROR_BAD_PATHNAME;
  bool recursive = deletesRecursively();
  return onKey(hKey, [&](RegistryKey& key, bool& changed) -> LONG {
    RegistryKey* parent = &key;
    for (std::size_t i = 0; i + 1 < sub.size() && parent; ++i) parent = parent->child(sub[i]);
    if (!parent) return ERROR_FILE_NOT_FOUND;
    auto it = std::find_if(parent->children.begin(), parent->children.end(),
                           [&](const auto& c) { return RegistryNameEquals(c->name, sub.back()); });
    if (it == parent->children.end()) return ERROR_FILE_NOT_FOUND;
    if (!(*it)->children.empty() && !recursive) return ERROR_ACCESS_DENIED;
    parent->children.erase(it);
    changed = true;
    return ERROR_SUCCESS;
  });
}

LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD, LPSTR lpClass,
                   LPDWORD lpcchClass, FILETIME* lpftLastWriteTime) {
  if (!lpName || !lpcchName) return ERROR_INVALID_PARAMETER;
  return onKey(hKey, [&](RegistryKey& key, bool&) -> LONG {
    std::vector<const RegistryKey*> sorted;
    for (const auto& c : key.children) sorted.push_back(c.get());
    UINT cp = GetACP();
    std::sort(sorted.begin(), sorted.end(), [cp](const RegistryKey* a, const RegistryKey* b) {
      std::size_t n = std::min(a->name.size(), b->name.size());
      for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(AnsiToUpper(a->name[i], cp));
        unsigned char y = static_cast<unsigned char>(AnsiToUpper(b->name[i], cp));
        if (x != y) return x < y;
      }
      return a->name.size() < b->name.size();
    });
    if (dwIndex >= sorted.size()) return ERROR_NO_MORE_ITEMS;
    const std::string& name = sorted[dwIndex]->name;
    if (*lpcchName <= name.size()) return ERROR_MORE_DATA;
    std::memcpy(lpName, name.c_str(), name.size() + 1);
    *lpcchName = static_cast<DWORD>(name.size());
    if (lpClass && lpcchClass && *lpcchClass) {
      lpClass[0] = 0;
      *lpcchClass = 0;
    }
    if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME{0, 0};
    return ERROR_SUCCESS;
  });
}

LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName, LPDWORD, LPDWORD lpType,
                   BYTE* lpData, LPDWORD lpcbData) {
  if (!lpValueName || !lpcchValueName) return ERROR_INVALID_PARAMETER;
  return onKey(hKey, [&](RegistryKey& key, bool&) -> LONG {
    if (dwIndex >= key.values.size()) return ERROR_NO_MORE_ITEMS;
    const RegistryValue& v = key.values[dwIndex];
    if (*lpcchValueName <= v.name.size()) return ERROR_MORE_DATA;
    std::memcpy(lpValueName, v.name.c_str(), v.name.size() + 1);
    *lpcchValueName = static_cast<DWORD>(v.name.size());
    return copyData(v, lpType, lpData, lpcbData);
  });
}

LONG RegSetValueA(HKEY hKey, LPCSTR lpSubKey, DWORD dwType, LPCSTR lpData, DWORD) {
  if (dwType != REG_SZ || !lpData) return ERROR_INVALID_PARAMETER;
  HKEY key = nullptr;
  LONG rc = RegCreateKeyA(hKey, lpSubKey, &key);
  if (rc != ERROR_SUCCESS) return rc;
  rc = RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(lpData),
                      static_cast<DWORD>(std::strlen(lpData) + 1));
  RegCloseKey(key);
  return rc;
}

LONG RegQueryValueA(HKEY hKey, LPCSTR lpSubKey, LPSTR lpData, LONG* lpcbData) {
  HKEY key = nullptr;
  LONG rc = RegOpenKeyExA(hKey, lpSubKey, 0, KEY_READ, &key);
  if (rc != ERROR_SUCCESS) return rc;
  DWORD size = lpcbData ? static_cast<DWORD>(*lpcbData) : 0;
  DWORD type = 0;
  rc = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(lpData), lpcbData ? &size : nullptr);
  if (rc == ERROR_FILE_NOT_FOUND) {
    // A key without a default value reads as an empty text.
    size = 1;
    rc = lpData && lpcbData && *lpcbData >= 1 ? (lpData[0] = 0, ERROR_SUCCESS) : ERROR_SUCCESS;
  }
  if (lpcbData) *lpcbData = static_cast<LONG>(size);
  RegCloseKey(key);
  return rc;
}

}  // namespace win
