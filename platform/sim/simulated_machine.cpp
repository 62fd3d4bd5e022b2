#include "platform/sim/simulated_machine.h"

#include <sys/stat.h>

namespace sim {

SimulatedMachine::SimulatedMachine(std::string folder) : folder_(std::move(folder)) {
  while (folder_.size() > 1 && folder_.back() == '/') folder_.pop_back();
  refresh();
}

void SimulatedMachine::refresh() const {
  std::string file = folder_ + "/machine.ini";
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return;
  if (st.st_mtim.tv_sec == stamp_.tv_sec && st.st_mtim.tv_nsec == stamp_.tv_nsec && st.st_size == size_) return;
  stamp_ = st.st_mtim;
  size_ = st.st_size;
  MachineDescription base;
  description_ = ReadMachineIni(file, folder_, base);
}

const win::MachineSettings& SimulatedMachine::settings() const {
  std::lock_guard lock(mutex_);
  refresh();
  return description_.settings;
}

std::vector<win::DriveMapping> SimulatedMachine::drives() const {
  std::lock_guard lock(mutex_);
  refresh();
  return description_.drives;
}

std::vector<win::ProgramEntry> SimulatedMachine::programs() const {
  std::lock_guard lock(mutex_);
  refresh();
  return description_.programs;
}

}  // namespace sim
