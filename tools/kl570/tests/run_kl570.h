// What the kl570 tool tests share: running a command line as a user would
// (output and errors together, the exit status), reading a file whole and
// picking values out of the tool's JSON.
#pragma once

#include <stdlib.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace kl570_test {

struct CommandRun {
  int status;  // the exit status, or -1 when the command did not exit
  std::string out;
};

inline CommandRun Run(const std::string& command) {
  CommandRun r{0, {}};
  FILE* p = ::popen((command + " 2>&1").c_str(), "r");
  if (!p) return {-1, {}};
  std::array<char, 4096> buf;
  std::size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
  int status = ::pclose(p);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

inline std::string ShellQuoted(const std::string& s) { return "'" + s + "'"; }

inline std::string ReadAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// The values of "key" (a number, "text", true, false or null) in the order they stand.
inline std::vector<std::string> JsonValues(const std::string& json, const std::string& key) {
  std::vector<std::string> found;
  std::regex re("\"" + key + "\":\\s*(\"([^\"]*)\"|-?[0-9]+|true|false|null)");
  for (auto it = std::sregex_iterator(json.begin(), json.end(), re); it != std::sregex_iterator(); ++it)
    found.push_back((*it)[2].matched ? (*it)[2].str() : (*it)[1].str());
  return found;
}

}  // namespace kl570_test
