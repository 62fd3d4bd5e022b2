#include "platform/win/machine.h"

#include <atomic>
#include <cstdlib>
#include <mutex>

#include "platform/host/host_machine.h"
#include "platform/sim/simulated_machine.h"

namespace win {
namespace {

std::mutex& selectionMutex() {
  static std::mutex m;
  return m;
}

std::unique_ptr<Machine>& selected() {
  static std::unique_ptr<Machine> machine;
  return machine;
}

std::unique_ptr<Machine> makeMachine(const std::string& simulatedFolder) {
  if (simulatedFolder.empty()) return std::make_unique<host::HostMachine>();
  return std::make_unique<sim::SimulatedMachine>(simulatedFolder);
}

std::atomic<unsigned>& generation() {
  static std::atomic<unsigned> g{1};
  return g;
}

std::string& identity() {
  static std::string name;
  return name;
}

}  // namespace

Machine& CurrentMachine() {
  std::lock_guard lock(selectionMutex());
  auto& machine = selected();
  if (!machine) {
    const char* folder = std::getenv("KL570_MACHINE");
    machine = makeMachine(folder ? folder : "");
  }
  return *machine;
}

void SelectMachine(const std::string& simulatedFolder) {
  std::lock_guard lock(selectionMutex());
  selected() = makeMachine(simulatedFolder);
  ++generation();
}

unsigned MachineGeneration() { return generation(); }

void SetProgramIdentity(const std::string& programName) { identity() = programName; }
const std::string& ProgramIdentity() { return identity(); }

}  // namespace win
