// A simulated machine with the music manager installed in
// C:\Program Files\Virelo\, for the tests of the application's settings.
#pragma once

#include <string>

#include "platform/testing/temp_machine.h"
#include "platform/win/machine.h"

namespace virelo::testing {

inline const std::string kProgramFolder = "C:\\Program Files\\Virelo\\";
inline const std::string kProgramPath = kProgramFolder + "Virelo.exe";

inline sim::MachineSpec VireloMachineSpec(win::LANGID systemLanguage = 0x0409, win::UINT codePage = 1252) {
  sim::MachineSpec spec;
  spec.settings.systemLangId = systemLanguage;
  spec.settings.userLangId = systemLanguage;
  spec.settings.codePage = codePage;
  spec.programs.push_back({"Virelo", kProgramPath, ""});
  spec.programs.push_back({"Agent", kProgramFolder + "Agent.exe", ""});
  return spec;
}

// The machine, with this process being the music manager on it.
class VireloMachine : public kltest::TempMachine {
 public:
  explicit VireloMachine(win::LANGID systemLanguage = 0x0409, win::UINT codePage = 1252)
      : kltest::TempMachine(VireloMachineSpec(systemLanguage, codePage)) {
    win::SetProgramIdentity("Virelo");
  }
  ~VireloMachine() { win::SetProgramIdentity(""); }
};

}  // namespace virelo::testing
