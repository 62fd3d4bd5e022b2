#include "platform/sim/simulated_machine.h"

#include <sys/stat.h>

#include <algorithm>

namespace sim {

namespace {

std::string withoutTrailingSlash(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

}  // namespace

SimulatedMachine::SimulatedMachine(std::string folder)
    : folder_(withoutTrailingSlash(std::move(folder))), deviceVolumes_(folder_) {
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
  std::vector<win::DriveMapping> drives = description_.drives;
  for (win::DriveMapping& v : deviceVolumes_.current()) {
    bool taken = false;
    for (const win::DriveMapping& d : drives) taken = taken || d.letter == v.letter;
    if (!taken) drives.push_back(std::move(v));
  }
  std::sort(drives.begin(), drives.end(),
            [](const win::DriveMapping& a, const win::DriveMapping& b) { return a.letter < b.letter; });
  return drives;
}

std::vector<win::ProgramEntry> SimulatedMachine::programs() const {
  std::lock_guard lock(mutex_);
  refresh();
  return description_.programs;
}

}  // namespace sim
