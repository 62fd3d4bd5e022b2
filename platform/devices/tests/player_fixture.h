// A simulated machine with one virtual player, and the pass-through call
// as the firmware updater makes it: one block holding the 44-byte header,
// eight private bytes, 18 sense bytes at 52 and the data from 70.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/devices/player_setup.h"
#include "platform/testing/temp_machine.h"
#include "platform/win/types.h"

namespace kltest {

struct PassThroughResult {
  bool ok = false;          // DeviceIoControl's answer
  win::DWORD error = 0;     // GetLastError when it failed
  std::uint8_t status = 0;  // SCSI status
  std::vector<std::uint8_t> sense;
  std::vector<std::uint8_t> data;  // DataTransferLength bytes from the data area
};

// `dataIn`: the bytes wanted; `dataOut`: the payload (one of them empty).
PassThroughResult PassThrough(win::HANDLE device, const std::vector<std::uint8_t>& cdb, std::size_t dataIn,
                              const std::vector<std::uint8_t>& dataOut = {});

// A 16-byte vendor command block from its first bytes.
std::vector<std::uint8_t> VendorCdb(std::initializer_list<std::uint8_t> head);

inline devices::PlayerOptions SmallPlayer() {
  devices::PlayerOptions o;
  o.size = devices::kMinPlayerBytes;
  return o;
}

sim::MachineSpec MachineFor(const std::string& os, double timeScale = 0.02);

class PlayerMachine {
 public:
  // A small player (16 MiB) unless the options say otherwise.
  explicit PlayerMachine(const std::string& os = "xp", devices::PlayerOptions options = SmallPlayer());
  ~PlayerMachine();
  const std::string& playerFolder() const { return player_; }
  std::string imageOf(int drive) const { return player_ + "/drive" + std::to_string(drive) + ".img"; }
  // Sets a knob as `kl570 vplayer set` does.
  void knob(const std::string& name, const std::string& value) const;
  // "\\.\E:" opened for reading and writing, shared.
  win::HANDLE openVolume() const;
  char letter() const { return letter_; }
  TempMachine& machine() { return *machine_; }

 private:
  std::unique_ptr<TempMachine> machine_;
  std::string player_;
  char letter_ = 0;
};

std::string ReadHostFile(const std::string& path);

}  // namespace kltest
