#include "music/core/open_request.h"

#include <cstring>

#include "music/core/file_utils.h"
#include "platform/win/types.h"

namespace virelo {
namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

}  // namespace

std::optional<std::string> ParseOpenRequest(std::string_view commandLine) {
  constexpr std::string_view kKeyword = "/open";
  if (commandLine.size() < kKeyword.size() || !equalNoCase(commandLine.substr(0, kKeyword.size()), kKeyword))
    return std::nullopt;
  std::string_view path = commandLine.substr(kKeyword.size());
  while (!path.empty() && (path.front() == ' ' || path.front() == '\t')) path.remove_prefix(1);
  if (!path.empty() && path.front() == '"') path.remove_prefix(1);
  if (!path.empty() && path.back() == '"') path.remove_suffix(1);
  if (path.empty() || path.size() >= win::MAX_PATH) return std::nullopt;
  return std::string(path);
}

std::optional<std::string> OpenRequestFile(std::string_view commandLine) {
  std::optional<std::string> path = ParseOpenRequest(commandLine);
  if (!path || audioKind(*path) == 0) return std::nullopt;
  return path;
}

std::string CommandLineFromCopyData(const void* data, std::size_t size) {
  if (data == nullptr) return std::string();
  const char* text = static_cast<const char*>(data);
  const void* nul = std::memchr(text, '\0', size);
  return std::string(text, nul ? static_cast<const char*>(nul) - text : size);
}

}  // namespace virelo
