#include "tools/kl570/command_line.h"

namespace kl570 {

CommandLine::CommandLine(int argc, char** argv, const std::set<std::string>& valued) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--") {
      for (++i; i < argc; ++i) words_.push_back(argv[i]);
      break;
    }
    if (a.rfind("--", 0) == 0 && a.size() > 2) {
      std::string name = a.substr(2);
      std::size_t eq = name.find('=');
      if (eq != std::string::npos) {
        values_[name.substr(0, eq)] = name.substr(eq + 1);
      } else if (valued.count(name)) {
        if (i + 1 >= argc) {
          error_ = "option --" + name + " needs a value";
          continue;
        }
        values_[name] = argv[++i];
      } else {
        flags_.insert(name);
      }
      continue;
    }
    words_.push_back(a);
  }
}

std::optional<std::string> CommandLine::value(const std::string& name) const {
  auto it = values_.find(name);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

}  // namespace kl570
