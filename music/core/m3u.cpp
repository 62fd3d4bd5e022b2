#include "music/core/m3u.h"

#include <cstring>

#include "music/core/song_group.h"
#include "platform/win/crt.h"
#include "platform/win/system.h"

namespace virelo {
namespace {

bool isWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

bool startsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// One line of the file without its line end, read in pieces through the
// runtime's 260-byte buffer. `tooLong` is set when more than the limit
// remains once trailing white space is removed; only the first
// kM3uLineLimit bytes are kept, so a long line costs no memory. A NUL byte
// ends the line's text, as it would for any C string, but not the line.
bool readLine(win::crt::FILE* file, std::string& line, bool& tooLong) {
  line.clear();
  tooLong = false;
  bool any = false;
  bool cut = false;
  char buffer[kM3uLineLimit + 1];
  for (;;) {
    // fgets leaves the bytes after its terminator alone, and a '\n' can only
    // be the last byte it stores: the terminator is the last byte that is
    // not a '\n' of the filling.
    std::memset(buffer, '\n', sizeof buffer);
    if (!win::crt::fgets(buffer, sizeof buffer, file)) break;
    any = true;
    std::size_t n = sizeof buffer - 1;
    while (n > 0 && buffer[n] == '\n') --n;
    bool ended = n > 0 && buffer[n - 1] == '\n';
    for (std::size_t i = 0; i < n && !cut; ++i) {
      if (buffer[i] == '\0') {
        cut = true;
      } else if (line.size() < kM3uLineLimit) {
        line += buffer[i];
      } else if (!isWhiteSpace(buffer[i])) {
        tooLong = true;
      }
    }
    if (ended) break;
  }
  return any;
}

}  // namespace

bool readM3u(const std::string& path, std::vector<std::string>& paths) {
  paths.clear();
  win::crt::FILE* file = win::crt::fopen(path.c_str(), "r");
  if (!file) return false;
  std::size_t cut = path.find_last_of('\\');
  std::string base = cut == std::string::npos ? std::string{} : path.substr(0, cut + 1);

  std::string line;
  bool tooLong = false;
  while (readLine(file, line, tooLong)) {
    if (tooLong) continue;
    if (startsWith(line, "#") || startsWith(line, "http://") || startsWith(line, "rtp://") ||
        startsWith(line, "file://"))
      continue;
    while (!line.empty() && isWhiteSpace(line.back())) line.pop_back();
    if (line.empty()) continue;
    bool relative = true;
    if (startsWith(line, "..")) {
      relative = true;
    } else if (line.size() >= 3 && line[1] == ':' && line[2] == '\\') {
      relative = false;
    } else if (line[0] == '\\') {
      relative = false;
    }
    paths.push_back(relative ? base + line : line);
  }
  win::crt::fclose(file);
  return true;
}

bool writeM3u(const SongGroup& group, const std::string& path) {
  win::crt::FILE* file = win::crt::fopen(path.c_str(), "wb");
  if (!file) return false;
  win::SYSTEMTIME now{};
  win::GetLocalTime(&now);
  bool ok = win::crt::fprintf(file, "#Build by Virelo %i-%i-%i %02i:%02i\r\n\r\n", now.wYear, now.wMonth, now.wDay,
                              now.wHour, now.wMinute) >= 0;
  for (const SongRecord* song : group.members()) {
    if (!ok) break;
    ok = win::crt::fprintf(file, "%s\r\n", std::string(song->path, ::strnlen(song->path, sizeof song->path)).c_str()) >= 0;
  }
  ok = win::crt::fflush(file) == 0 && ok;
  ok = win::crt::fclose(file) == 0 && ok;
  return ok;
}

}  // namespace virelo
