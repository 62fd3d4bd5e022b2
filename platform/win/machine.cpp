#include "platform/win/machine.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "platform/host/host_machine.h"
#include "platform/sim/simulated_machine.h"

namespace win {
namespace {

std::mutex& selectionMutex() {
  static std::mutex& m = *new std::mutex;
  return m;
}

std::unique_ptr<Machine>& selected() {
  static std::unique_ptr<Machine>& machine = *new std::unique_ptr<Machine>;
  return machine;
}

// A machine that was replaced stays: a thread of the process may still be
// using it (a device's worker, the ASPI layer's completion thread).
std::vector<std::unique_ptr<Machine>>& replaced() {
  static std::vector<std::unique_ptr<Machine>>& machines = *new std::vector<std::unique_ptr<Machine>>;
  return machines;
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
  static std::string& name = *new std::string;
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
  if (selected()) replaced().push_back(std::move(selected()));
  selected() = makeMachine(simulatedFolder);
  ++generation();
}

unsigned MachineGeneration() { return generation(); }

void SetProgramIdentity(const std::string& programName) { identity() = programName; }
const std::string& ProgramIdentity() { return identity(); }

}  // namespace win
