// A simulated machine in a temporary folder, selected for this process
// while the object lives and removed afterwards.
#pragma once

#include <string>

#include "platform/sim/machine_builder.h"

namespace kltest {

class TempMachine {
 public:
  // Default: Windows XP, code page 1252, language 0x0409, drive C: only.
  TempMachine();
  explicit TempMachine(const sim::MachineSpec& spec);
  ~TempMachine();
  TempMachine(const TempMachine&) = delete;
  TempMachine& operator=(const TempMachine&) = delete;

  const std::string& folder() const { return folder_; }
  // Host path (UTF-8) behind a Windows path of this machine.
  std::string hostPath(const std::string& windowsPath) const;
  // Writes a file (creating its folders) at a Windows path.
  void writeFile(const std::string& windowsPath, const std::string& bytes) const;
  // The bytes of a file at a Windows path ("" when missing).
  std::string readFile(const std::string& windowsPath) const;
  bool exists(const std::string& windowsPath) const;

 private:
  std::string folder_;
};

// The source tree (for shipped data such as resources/), from KL570_SOURCE_DIR.
std::string SourceDir();

}  // namespace kltest
