// The virtual KL570 player of a simulated machine, over its folder
// (player_description.h). In mass-storage mode it is a SCSI target:
//
//   12 INQUIRY             "ORNEX   " "KL570           " "1.00", removable disk
//   00 TEST UNIT READY
//   25 READ CAPACITY       of the data drive
//   28 READ(10), 2A WRITE(10)  sectors of the data drive's image
//   C0/C1                  the vendor commands over the logical media table:
//     C0 30              chip revision (16-bit)
//     C0 02 type         media information: 0 entry count (2 bytes),
//                        1 flash capacity (8), 5 flash kind (1, always 1),
//                        6 erase block size (4), 7 page size (2), 8 the
//                        medium's name text (the caller's length), 9 usable
//                        (1 byte, 1); 2, 3, 4 and above 9 are refused
//     C0 05 capacity     the table: count (2), then per entry number, type,
//                        tag, size (8); as many entries as the capacity holds
//     C1 06 count        allocate: count entries of 10 bytes (type, tag,
//                        size) in the payload; the table must be empty;
//                        numbers are given in payload order from 0; a
//                        system drive gets its size rounded up to whole
//                        2048-byte sectors, the data drive (512-byte
//                        sectors) everything that is left of the capacity
//     C1 07              erase the media: the table becomes empty
//     C0 12 drive type   drive information: 0 sector size (4), 1 sector
//                        count (4), 2 size (8), 3 sectors per erase block (4),
//                        4 offset on the flash (8), 5 type and tag (4),
//                        6 type (1), 7 component version (48: major, minor,
//                        revision), 8 product version (48), 9 tag (1),
//                        10 number (2), 11 the drive's name text (the
//                        caller's length); above 11 refused
//     C1 20 drive type v(6)  set the component (7) or product (8) version
//     C1 2F drive        erase a drive (zeros)
//     C0 13 / C1 23 drive start(8) count(4)  read / write drive sectors
//
// Refusals answer a check condition: a malformed command block ILLEGAL
// REQUEST (05/20 opcode, 05/24 field, 05/21 range), a missing data drive
// NOT READY (02/3A), and the player's own vendor codes with sense key 9:
//   0x0101 no logical drive has that number
//   0x0102 an allocation with a bad count, type or a second data drive
//   0x0201 the media table cannot be read (knob table-unreadable)
//   0x0203 the media is allocated already (erase it first)
//   0x0204 the allocation does not fit the flash
// In recovery mode, or unplugged, every command finds the device gone.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/devices/player_description.h"
#include "platform/devices/scsi_target.h"
#include "platform/devices/volume_control.h"

namespace devices {

constexpr std::uint16_t kVendorNoSuchDrive = 0x0101;
constexpr std::uint16_t kVendorBadAllocation = 0x0102;
constexpr std::uint16_t kVendorTableUnreadable = 0x0201;
constexpr std::uint16_t kVendorAlreadyAllocated = 0x0203;
constexpr std::uint16_t kVendorAllocationTooLarge = 0x0204;

class VirtualPlayer : public ScsiTarget, public VolumeControl {
 public:
  // The one object of this process for a player folder.
  static std::shared_ptr<VirtualPlayer> At(const std::string& folder);

  explicit VirtualPlayer(std::string folder);

  ScsiOutcome execute(ScsiCommand& command) override;

  std::unique_ptr<VolumeLock> lockVolume(win::DWORD& error) override;
  bool lockedByOther(const VolumeLock* mine) override;
  win::DWORD dismountVolume() override;

  const std::string& folder() const { return folder_; }
  // The description as it stands now.
  PlayerDescription description();
  // In mass-storage mode, plugged in and arrived.
  bool present();
  bool inRecoveryMode();

  // Changes the description (read fresh under the player's lock, written
  // back after `change`) and rebuilds the machine's device maps; false
  // when the description cannot be read or written.
  bool update(const std::function<void(PlayerDescription&)>& change);

  // Recovery mode: the most a download may hold (the size of the USB
  // mass-storage drive, tag 0x01), and taking a finished download: the
  // image goes to that drive, and the player shows up as a disk after the
  // recovery delay, on its letter or the first free one.
  std::uint64_t recoveryCapacity();
  bool acceptRecoveryImage(const std::vector<std::uint8_t>& image);

 private:
  void refresh();
  bool presentLocked() const;
  bool modify(const std::function<void(PlayerDescription&)>& change);
  std::string imagePath(const LogicalDrive& drive) const { return folder_ + "/" + drive.file; }
  void emptyDataFolder();

  ScsiOutcome dispatch(ScsiCommand& c);
  ScsiOutcome inquiry(ScsiCommand& c);
  ScsiOutcome readCapacity(ScsiCommand& c);
  ScsiOutcome readWrite10(ScsiCommand& c, bool write);
  ScsiOutcome vendorCommand(ScsiCommand& c, const std::uint8_t* cdb);
  ScsiOutcome mediaInfo(ScsiCommand& c, std::uint8_t type);
  ScsiOutcome logicalTable(ScsiCommand& c, std::uint8_t capacity);
  ScsiOutcome allocate(ScsiCommand& c, std::uint8_t count);
  ScsiOutcome eraseMedia();
  ScsiOutcome driveInfo(ScsiCommand& c, std::uint8_t number, std::uint8_t type);
  ScsiOutcome setDriveInfo(std::uint8_t number, std::uint8_t type, const std::uint8_t* value);
  ScsiOutcome eraseDrive(std::uint8_t number);
  ScsiOutcome driveSectors(ScsiCommand& c, const std::uint8_t* cdb, bool write);
  // Sector I/O on a drive's image with the knobs applied.
  ScsiOutcome readSectors(ScsiCommand& c, const LogicalDrive& drive, std::uint64_t first, std::uint64_t count);
  ScsiOutcome writeSectors(ScsiCommand& c, const LogicalDrive& drive, std::uint64_t first, std::uint64_t count);

  std::string folder_;
  std::mutex mutex_;
  PlayerDescription d_;
  bool loaded_ = false;
  long long stampSec_ = -1, stampNsec_ = -1, stampSize_ = -1, stampInode_ = -1;
  std::optional<std::uint32_t> vanishKnob_;     // the knob value the count started from
  std::optional<std::uint32_t> vanishCounter_;  // commands left before the player goes
};

}  // namespace devices
