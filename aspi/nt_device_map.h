// The device map of the Windows NT mode: the SCSI ports, buses, targets
// and logical units the registry lists under HKLM Hardware\DeviceMap\Scsi,
// tied to the DOS drive names whose volumes report their SCSI address.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/win/types.h"

namespace aspi {

constexpr int kMaxPorts = 8;
constexpr int kMaxBuses = 4;
constexpr int kMaxTargets = 32;
constexpr int kMaxLuns = 32;
constexpr int kDriveSlots = 26;
// Uses (seconds of the watchdog) an idle handle survives.
constexpr int kHandleTimeToLive = 5;

// A logical unit. Its counters are guarded by the owner's mutex.
struct ScsiDeviceNode {
  std::string type;
  std::string identifier;
  std::string dosName;           // "E:", empty until the drive-letter pass finds it
  win::HANDLE handle = nullptr;  // nullptr until first opened, INVALID_HANDLE_VALUE once closed
  int lockCount = 0;
  int busy = 0;  // requests in flight
  int timeToLive = 0;
  std::uint32_t issued = 0;     // sequence number the next request gets
  std::uint32_t completed = 0;  // sequence number of the next request to complete
  win::BYTE address[4] = {};    // port, path, target, LUN as the volume reported them
  bool lockFlag[2] = {};        // the two lock flags of the private control interface
};

struct ScsiBusNode {
  win::BYTE initiatorId = 0;
  std::array<std::array<std::unique_ptr<ScsiDeviceNode>, kMaxLuns>, kMaxTargets> units;
};

struct ScsiPortNode {
  std::string driver;
  std::array<std::unique_ptr<ScsiBusNode>, kMaxBuses> buses;
};

class NtDeviceMap {
 public:
  // Reads the registry, then runs the drive-letter pass. false when the
  // registry key cannot be opened (the map stays empty).
  bool build();

  int portCount() const { return portCount_; }
  const ScsiPortNode* port(int number) const;
  // The unit at (port, bus, target, LUN), listed or not; nullptr when absent.
  ScsiDeviceNode* unit(int port, int bus, int target, int lun) const;
  // A unit that counts as present: listed and, once the drive-letter pass
  // is done, with a DOS name. Always on bus 0.
  ScsiDeviceNode* presentUnit(int port, int target, int lun) const;
  ScsiDeviceNode* driveSlot(int number) const;
  ScsiDeviceNode* unitByHandle(win::HANDLE handle) const;
  void forEachUnit(const std::function<void(ScsiDeviceNode&)>& each) const;

  // Opens the unit's volume when its handle is closed, and renews its time
  // to live. The caller holds the owner's mutex.
  static win::HANDLE openUnit(ScsiDeviceNode& node);
  // How volumes are opened: read only on NT 4, read/write later.
  static win::DWORD volumeAccess();

 private:
  void readPorts(win::HKEY scsi);
  void readBuses(win::HKEY portKey, ScsiPortNode& port);
  void readTargets(win::HKEY busKey, ScsiBusNode& bus);
  void readUnits(win::HKEY targetKey, ScsiBusNode& bus, int target);
  void passDriveLetters();
  void attach(const std::string& dosName, win::HANDLE handle, const win::BYTE address[4]);

  int portCount_ = 0;
  std::array<std::unique_ptr<ScsiPortNode>, kMaxPorts> ports_;
  std::array<ScsiDeviceNode*, kDriveSlots> driveSlots_{};
  bool lettersPassed_ = false;
};

// The number in a key name: its first run of decimal digits; -1 without one.
int KeyNumber(const std::string& name);

}  // namespace aspi
