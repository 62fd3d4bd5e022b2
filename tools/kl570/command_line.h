// The words of one kl570 call: positional words, and options of the form
// "--name" or "--name VALUE".
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kl570 {

class CommandLine {
 public:
  // `valued` names the options that take a value; any other "--x" is a flag.
  CommandLine(int argc, char** argv, const std::set<std::string>& valued);

  const std::vector<std::string>& words() const { return words_; }
  bool flag(const std::string& name) const { return flags_.count(name) != 0; }
  std::optional<std::string> value(const std::string& name) const;
  // An option given without its value, or an empty text.
  const std::string& error() const { return error_; }

 private:
  std::vector<std::string> words_;
  std::set<std::string> flags_;
  std::map<std::string, std::string> values_;
  std::string error_;
};

}  // namespace kl570
