#include "platform/win/registry_hive.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/win/codepage.h"
#include "platform/win/machine.h"
#include "platform/win/registry.h"

namespace win {

bool RegistryNameEquals(const std::string& a, const std::string& b) { return AnsiEqualNoCase(a, b, GetACP()); }

RegistryKey* RegistryKey::child(const std::string& childName) const {
  for (const auto& c : children)
    if (RegistryNameEquals(c->name, childName)) return c.get();
  return nullptr;
}

RegistryValue* RegistryKey::value(const std::string& valueName) {
  for (RegistryValue& v : values)
    if (RegistryNameEquals(v.name, valueName)) return &v;
  return nullptr;
}

namespace {

const char kHeader[] = "KL570 registry 1";

// Names keep every byte but these, which are written as %XX.
std::string escape(const std::string& s) {
  std::string out;
  for (unsigned char c : s) {
    if (c == '%' || c == '\\' || c == '"' || c == '[' || c == ']' || c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "%%%02x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string unescape(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && hexDigit(s[i + 1]) >= 0 && hexDigit(s[i + 2]) >= 0) {
      out += static_cast<char>(hexDigit(s[i + 1]) * 16 + hexDigit(s[i + 2]));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

void writeKey(std::ostream& o, const RegistryKey& key, const std::string& path) {
  if (!path.empty() && (!key.values.empty() || key.children.empty())) {
    o << "[" << path << "]\n";
    for (const RegistryValue& v : key.values) {
      o << "\"" << escape(v.name) << "\"=" << v.type << ":";
      static const char* digits = "0123456789abcdef";
      for (unsigned char c : v.data) o << digits[c >> 4] << digits[c & 15];
      o << "\n";
    }
  }
  std::vector<const RegistryKey*> sorted;
  for (const auto& c : key.children) sorted.push_back(c.get());
  for (const RegistryKey* c : sorted) writeKey(o, *c, path.empty() ? escape(c->name) : path + "\\" + escape(c->name));
}

RegistryKey* makePath(RegistryKey& root, const std::string& escapedPath) {
  RegistryKey* key = &root;
  std::size_t start = 0;
  while (start <= escapedPath.size()) {
    std::size_t end = escapedPath.find('\\', start);
    if (end == std::string::npos) end = escapedPath.size();
    std::string name = unescape(escapedPath.substr(start, end - start));
    if (!name.empty()) {
      RegistryKey* next = key->child(name);
      if (!next) {
        key->children.push_back(std::make_unique<RegistryKey>());
        next = key->children.back().get();
        next->name = name;
      }
      key = next;
    }
    start = end + 1;
  }
  return key;
}

}  // namespace

void RegistryHive::reloadIfChanged() {
  struct stat st {};
  if (::stat(file_.c_str(), &st) != 0) {
    if (size_ != -1) root_ = RegistryKey{};
    size_ = -1;
    return;
  }
  if (st.st_mtim.tv_sec == stampSec_ && st.st_mtim.tv_nsec == stampNsec_ && st.st_size == size_ &&
      static_cast<long long>(st.st_ino) == inode_)
    return;
  inode_ = static_cast<long long>(st.st_ino);
  stampSec_ = st.st_mtim.tv_sec;
  stampNsec_ = st.st_mtim.tv_nsec;
  size_ = st.st_size;
  root_ = RegistryKey{};
  std::ifstream in(file_, std::ios::binary);
  std::string line;
  if (!std::getline(in, line) || line != kHeader) return;
  RegistryKey* key = nullptr;
  while (std::getline(in, line)) {
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      key = makePath(root_, line.substr(1, line.size() - 2));
      continue;
    }
    if (!key || line.size() < 4 || line.front() != '"') continue;
    std::size_t close = line.find("\"=", 1);
    std::size_t colon = close == std::string::npos ? close : line.find(':', close + 2);
    if (colon == std::string::npos) continue;
    RegistryValue v;
    v.name = unescape(line.substr(1, close - 1));
    v.type = static_cast<DWORD>(std::strtoul(line.substr(close + 2, colon - close - 2).c_str(), nullptr, 10));
    for (std::size_t i = colon + 1; i + 1 < line.size(); i += 2) {
      int hi = hexDigit(line[i]), lo = hexDigit(line[i + 1]);
      if (hi < 0 || lo < 0) break;
      v.data += static_cast<char>(hi * 16 + lo);
    }
    if (RegistryValue* old = key->value(v.name))
      *old = v;
    else
      key->values.push_back(v);
  }
}

bool RegistryHive::save() {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(file_).parent_path(), ec);
  std::string temp = file_ + ".new." + std::to_string(::getpid());
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << kHeader << "\n";
    writeKey(out, root_, "");
    out.flush();
    if (!out) {
      ::unlink(temp.c_str());
      return false;
    }
  }
  if (::rename(temp.c_str(), file_.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  struct stat st {};
  if (::stat(file_.c_str(), &st) == 0) {
    inode_ = static_cast<long long>(st.st_ino);
    stampSec_ = st.st_mtim.tv_sec;
    stampNsec_ = st.st_mtim.tv_nsec;
    size_ = st.st_size;
  }
  return true;
}

RegistryHive* HiveOf(HKEY predefined) {
  const char* name = predefined == HKEY_CLASSES_ROOT    ? "HKCR"
                     : predefined == HKEY_CURRENT_USER  ? "HKCU"
                     : predefined == HKEY_LOCAL_MACHINE ? "HKLM"
                                                        : nullptr;
  if (!name) return nullptr;
  std::string file = CurrentMachine().registryFolder() + "/" + name + ".reg";
  static std::mutex& mutex = *new std::mutex;
  static std::map<std::string, std::unique_ptr<RegistryHive>> hives;
  std::lock_guard lock(mutex);
  auto& hive = hives[file];
  if (!hive) hive = std::make_unique<RegistryHive>(file);
  return hive.get();
}

}  // namespace win
