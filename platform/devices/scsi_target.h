// A SCSI device of the machine as the layers above see it: a target that
// executes one command block at a time with its data and answers a status
// byte and sense bytes. The virtual player and CD drives are targets; the
// pass-through of a volume handle, the 9x driver and the system's ASPI
// manager all reach the same targets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace devices {

enum class DataDirection { None, In, Out };

struct ScsiCommand {
  std::vector<std::uint8_t> cdb;
  DataDirection direction = DataDirection::None;
  // In: the bytes wanted (the target may answer fewer). Out: the bytes sent.
  std::vector<std::uint8_t> data;
};

constexpr std::uint8_t kScsiGood = 0x00;
constexpr std::uint8_t kScsiCheckCondition = 0x02;
constexpr std::uint8_t kScsiBusy = 0x08;

struct ScsiOutcome {
  std::uint8_t status = kScsiGood;
  std::size_t transferred = 0;      // data bytes moved
  std::vector<std::uint8_t> sense;  // fixed-format sense data after a check condition
  bool deviceGone = false;          // the device vanished: the transport fails, no status
  // Machine time the answer takes (a slow device): a transport waits it
  // (win::Sleep, or later completion of an overlapped request) before it
  // reports the outcome. The target itself never sleeps.
  std::uint32_t latencyMs = 0;
};

class ScsiTarget {
 public:
  virtual ~ScsiTarget() = default;
  // Executes a command; for DataDirection::In the answer is left in command.data.
  virtual ScsiOutcome execute(ScsiCommand& command) = 0;
};

// Where a target sits on the machine.
struct AttachedTarget {
  std::uint8_t port = 0, path = 0, target = 0, lun = 0;
  char driveLetter = 0;       // its volume's letter, 0 when it has none
  std::uint8_t deviceType = 0;  // peripheral device type (0 disk, 5 CD-ROM)
  std::string identifier;     // vendor, product and revision as INQUIRY gives them (28 characters)
  std::string portDriver;     // the miniport's name, e.g. "usbstor"
  std::shared_ptr<ScsiTarget> device;
};

// The SCSI targets of the current machine, in port/target order. A
// simulated machine has one port per device of its devices/ folder that is
// present (the player in mass-storage mode, a CD drive), numbered from 0
// in the order of the folders' names; the host machine lists the SCSI
// devices of sysfs. A target that also controls its volume (locks,
// dismount) implements VolumeControl (platform/devices/volume_control.h).
std::vector<AttachedTarget> MachineScsiTargets();

}  // namespace devices
