#include "platform/testing/temp_machine.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/win/paths.h"

namespace kltest {
namespace {

std::string makeTempFolder() {
  std::string base = std::filesystem::temp_directory_path().string() + "/kl570-test-XXXXXX";
  if (!::mkdtemp(base.data())) throw std::runtime_error("mkdtemp failed");
  return base;
}

}  // namespace

TempMachine::TempMachine() : TempMachine(sim::MachineSpec{}) {}

TempMachine::TempMachine(const sim::MachineSpec& spec) : folder_(makeTempFolder()) {
  std::string error;
  if (!sim::CreateSimulatedMachine(folder_, spec, &error)) throw std::runtime_error(error);
  win::SelectMachine(folder_);
}

TempMachine::~TempMachine() {
  win::SelectMachine("");
  std::error_code ec;
  std::filesystem::remove_all(folder_, ec);
}

std::string TempMachine::hostPath(const std::string& windowsPath) const { return win::HostPathOf(windowsPath); }

void TempMachine::writeFile(const std::string& windowsPath, const std::string& bytes) const {
  std::filesystem::path host = hostPath(windowsPath);
  std::filesystem::create_directories(host.parent_path());
  std::ofstream out(host, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string TempMachine::readFile(const std::string& windowsPath) const {
  std::ifstream in(hostPath(windowsPath), std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool TempMachine::exists(const std::string& windowsPath) const {
  std::error_code ec;
  return std::filesystem::exists(hostPath(windowsPath), ec);
}

std::string SourceDir() {
  const char* dir = std::getenv("KL570_SOURCE_DIR");
  return dir ? dir : ".";
}

}  // namespace kltest
