// Simulated machines for the layer's tests, on a fast clock (1/50).
//
// NtTestMachine: Windows XP whose SCSI device map the test writes itself
// and whose removable letters are FakeScsiVolumes.
// Win9xTestMachine: Windows 98; the ASPI driver and the system's manager
// answer over the machine's own SCSI targets.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "aspi/tests/support/fake_scsi_volume.h"
#include "platform/testing/temp_machine.h"
#include "platform/win/interaction.h"

namespace scalinktest {

constexpr double kTimeScale = 0.02;

class NtTestMachine {
 public:
  NtTestMachine();
  ~NtTestMachine();

  // Keys of HKLM\Hardware\DeviceMap\Scsi.
  void addPort(const std::string& keyName, const std::string& driver);
  void addBus(const std::string& port, const std::string& bus, int initiatorId);
  void addUnit(const std::string& port, const std::string& bus, int target, int lun, const std::string& type,
               const std::string& identifier);
  // The one-port, one-player map most tests use: port 1 ("usbstor"), bus 0, target 0, LUN 0 on E:.
  std::shared_ptr<VolumeScript> addPlayer();
  // A volume on `letter` (one of E, F, G) reporting the address.
  std::shared_ptr<VolumeScript> volume(char letter, win::BYTE port, win::BYTE path, win::BYTE target, win::BYTE lun);

  std::shared_ptr<win::ScriptedInteraction> interaction = std::make_shared<win::ScriptedInteraction>();

 private:
  kltest::TempMachine machine_;
  std::vector<char> registered_;
};

class Win9xTestMachine {
 public:
  Win9xTestMachine();
  ~Win9xTestMachine();
  // Writes a value of HKCU "Software\Lumea\Pyxa - Quorvel\PyxaAspi".
  void setSetting(const std::string& name, win::DWORD value);
  const kltest::TempMachine& machine() const { return machine_; }

  std::shared_ptr<win::ScriptedInteraction> interaction = std::make_shared<win::ScriptedInteraction>();

 private:
  kltest::TempMachine machine_;
};

}  // namespace scalinktest
