// The vendor commands C0 (answers data) and C1 (changes the player) over
// the logical media table.
#include <algorithm>
#include <cstring>
#include <filesystem>

#include "platform/devices/big_endian.h"
#include "platform/devices/drive_image.h"
#include "platform/devices/scsi_sense.h"
#include "platform/devices/virtual_player.h"

namespace devices {
namespace {

constexpr std::uint32_t kSystemSectorSize = 2048;
constexpr std::uint32_t kDataSectorSize = 512;
constexpr std::uint32_t kEraseBlockBytes = 131072;

ScsiOutcome answer(ScsiCommand& c, const std::uint8_t* bytes, std::size_t size) {
  std::size_t n = c.direction == DataDirection::In ? std::min(size, c.data.size()) : 0;
  if (n) std::memcpy(c.data.data(), bytes, n);
  ScsiOutcome o;
  o.transferred = n;
  return o;
}

ScsiOutcome answerNumber(ScsiCommand& c, std::size_t width, std::uint64_t value) {
  std::uint8_t b[8] = {};
  WriteBigEndian(b, width, value);
  return answer(c, b, width);
}

// A text answer of the caller's length, zero-padded.
ScsiOutcome answerText(ScsiCommand& c, const std::string& text) {
  std::vector<std::uint8_t> b(std::max(c.data.size(), text.size()), 0);
  std::memcpy(b.data(), text.data(), text.size());
  return answer(c, b.data(), c.data.size());
}

ScsiOutcome answerVersion(ScsiCommand& c, const DriveVersion& v) {
  std::uint8_t b[48] = {};
  WriteBigEndian(b, 2, v.major);
  WriteBigEndian(b + 2, 2, v.minor);
  WriteBigEndian(b + 4, 2, v.revision);
  return answer(c, b, sizeof b);
}

const char* driveName(const LogicalDrive& d) {
  if (d.type == kDataDriveType) return "DATA";
  switch (d.tag) {
    case 0x50: return "BOOTMANAGER";
    case 0x01: return "USBMSC";
    case 0x00: return "PLAYER";
    case 0x02: return "RESOURCE";
    default: return "SYSTEM";
  }
}

std::uint64_t roundUp(std::uint64_t v, std::uint64_t unit) { return (v + unit - 1) / unit * unit; }

}  // namespace

ScsiOutcome VirtualPlayer::vendorCommand(ScsiCommand& c, const std::uint8_t* cdb) {
  const PlayerKnobs& k = d_.knobs;
  if (k.vendorSense && (!k.vendorSenseCommand || *k.vendorSenseCommand == cdb[1]))
    return CheckCondition(VendorSense(*k.vendorSense));
  if (cdb[0] == 0xC0) {
    switch (cdb[1]) {
      case 0x30: return answerNumber(c, 2, d_.chipRevision);
      case 0x02: return mediaInfo(c, cdb[2]);
      case 0x05: return logicalTable(c, cdb[2]);
      case 0x12: return driveInfo(c, cdb[2], cdb[3]);
      case 0x13: return driveSectors(c, cdb, false);
      default: return IllegalRequest(kAscInvalidFieldInCdb);
    }
  }
  switch (cdb[1]) {
    case 0x06: return allocate(c, cdb[2]);
    case 0x07: return eraseMedia();
    case 0x20: return setDriveInfo(cdb[2], cdb[3], cdb + 4);
    case 0x2F: return eraseDrive(cdb[2]);
    case 0x23: return driveSectors(c, cdb, true);
    default: return IllegalRequest(kAscInvalidFieldInCdb);
  }
}

ScsiOutcome VirtualPlayer::mediaInfo(ScsiCommand& c, std::uint8_t type) {
  switch (type) {
    case 0: return answerNumber(c, 2, d_.drives.size());
    case 1: return answerNumber(c, 8, d_.capacity);
    case 5: return answerNumber(c, 1, 1);
    case 6: return answerNumber(c, 4, kEraseBlockBytes);
    case 7: return answerNumber(c, 2, kSystemSectorSize);
    case 8: return answerText(c, d_.vendor + " " + d_.product + " FLASH");
    case 9: return answerNumber(c, 1, d_.knobs.mediaUnusable ? 0 : 1);
    default: return IllegalRequest(kAscInvalidFieldInCdb);
  }
}

ScsiOutcome VirtualPlayer::logicalTable(ScsiCommand& c, std::uint8_t capacity) {
  if (d_.knobs.tableUnreadable) return CheckCondition(VendorSense(kVendorTableUnreadable));
  std::size_t entries = std::min<std::size_t>(d_.drives.size(), capacity);
  std::vector<std::uint8_t> b(2 + 11 * entries, 0);
  WriteBigEndian(b.data(), 2, d_.drives.size());
  for (std::size_t i = 0; i < entries; ++i) {
    std::uint8_t* e = b.data() + 2 + 11 * i;
    e[0] = d_.drives[i].number;
    e[1] = d_.drives[i].type;
    e[2] = d_.drives[i].tag;
    WriteBigEndian(e + 3, 8, d_.drives[i].size);
  }
  return answer(c, b.data(), b.size());
}

ScsiOutcome VirtualPlayer::allocate(ScsiCommand& c, std::uint8_t count) {
  if (count == 0 || count > kMaxLogicalDrives) return CheckCondition(VendorSense(kVendorBadAllocation));
  // The entries are 10 bytes apart (type, tag, size); the payload may be longer.
  if (c.direction != DataDirection::Out || c.data.size() < 10u * count)
    return IllegalRequest(kAscInvalidFieldInCdb);
  if (!d_.drives.empty()) return CheckCondition(VendorSense(kVendorAlreadyAllocated));
  std::vector<LogicalDrive> drives;
  std::uint64_t systemBytes = 0;
  int dataDrives = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* e = c.data.data() + 10 * i;
    LogicalDrive d;
    d.number = static_cast<std::uint8_t>(i);
    d.type = e[0];
    d.tag = e[1];
    std::uint64_t wanted = ReadBigEndian(e + 2, 8);
    if (d.type == kDataDriveType) {
      ++dataDrives;
      d.sectorSize = kDataSectorSize;
      d.size = wanted;  // settled below, when the system drives are known
    } else if (d.type == kSystemDriveType) {
      d.sectorSize = kSystemSectorSize;
      if (wanted > d_.capacity) return CheckCondition(VendorSense(kVendorAllocationTooLarge));
      d.size = std::max<std::uint64_t>(roundUp(wanted, kSystemSectorSize), kSystemSectorSize);
      systemBytes += d.size;
    } else {
      return CheckCondition(VendorSense(kVendorBadAllocation));
    }
    d.file = "drive" + std::to_string(i) + ".img";
    drives.push_back(d);
  }
  if (dataDrives > 1) return CheckCondition(VendorSense(kVendorBadAllocation));
  if (systemBytes > d_.capacity) return CheckCondition(VendorSense(kVendorAllocationTooLarge));
  std::uint64_t rest = (d_.capacity - systemBytes) / kDataSectorSize * kDataSectorSize;
  for (LogicalDrive& d : drives) {
    if (d.type != kDataDriveType) continue;
    if (d.size > rest || rest == 0) return CheckCondition(VendorSense(kVendorAllocationTooLarge));
    d.size = rest;
  }
  for (const LogicalDrive& d : drives)
    if (!CreateBlankImage(imagePath(d), d.size)) return CheckCondition(FixedSense(kSenseMediumError, kAscWriteError, 0));
  modify([&](PlayerDescription& d) { d.drives = drives; });
  emptyDataFolder();
  return {};
}

ScsiOutcome VirtualPlayer::eraseMedia() {
  std::vector<LogicalDrive> old = d_.drives;
  modify([](PlayerDescription& d) { d.drives.clear(); });
  std::error_code ec;
  for (const LogicalDrive& d : old) std::filesystem::remove(imagePath(d), ec);
  emptyDataFolder();
  return {};
}

ScsiOutcome VirtualPlayer::driveInfo(ScsiCommand& c, std::uint8_t number, std::uint8_t type) {
  if (type > 11) return IllegalRequest(kAscInvalidFieldInCdb);
  const LogicalDrive* d = DriveNumbered(d_, number);
  if (!d) return CheckCondition(VendorSense(kVendorNoSuchDrive));
  std::uint64_t offset = 0;
  for (const LogicalDrive& other : d_.drives) {
    if (&other == d) break;
    offset += other.size;
  }
  switch (type) {
    case 0: return answerNumber(c, 4, d->sectorSize);
    case 1: return answerNumber(c, 4, std::min<std::uint64_t>(d->size / d->sectorSize, 0xFFFFFFFFu));
    case 2: return answerNumber(c, 8, d->size);
    case 3: return answerNumber(c, 4, kEraseBlockBytes / d->sectorSize);
    case 4: return answerNumber(c, 8, offset);
    case 5: return answerNumber(c, 4, (std::uint32_t{d->type} << 24) | (std::uint32_t{d->tag} << 16));
    case 6: return answerNumber(c, 1, d->type);
    case 7: return answerVersion(c, d->componentVersion);
    case 8: return answerVersion(c, d->productVersion);
    case 9: return answerNumber(c, 1, d->tag);
    case 10: return answerNumber(c, 2, d->number);
    default: return answerText(c, driveName(*d));
  }
}

ScsiOutcome VirtualPlayer::setDriveInfo(std::uint8_t number, std::uint8_t type, const std::uint8_t* value) {
  if (type != 7 && type != 8) return IllegalRequest(kAscInvalidFieldInCdb);
  if (!DriveNumbered(d_, number)) return CheckCondition(VendorSense(kVendorNoSuchDrive));
  DriveVersion v{static_cast<std::uint16_t>(ReadBigEndian(value, 2)), static_cast<std::uint16_t>(ReadBigEndian(value + 2, 2)),
                 static_cast<std::uint16_t>(ReadBigEndian(value + 4, 2))};
  modify([&](PlayerDescription& d) {
    for (LogicalDrive& drive : d.drives) {
      if (drive.number != number) continue;
      (type == 7 ? drive.componentVersion : drive.productVersion) = v;
      break;
    }
  });
  return {};
}

ScsiOutcome VirtualPlayer::eraseDrive(std::uint8_t number) {
  const LogicalDrive* d = DriveNumbered(d_, number);
  if (!d) return CheckCondition(VendorSense(kVendorNoSuchDrive));
  if (!CreateBlankImage(imagePath(*d), d->size)) return CheckCondition(FixedSense(kSenseMediumError, kAscWriteError, 0));
  if (d->type == kDataDriveType) emptyDataFolder();
  return {};
}

ScsiOutcome VirtualPlayer::driveSectors(ScsiCommand& c, const std::uint8_t* cdb, bool write) {
  const LogicalDrive* d = DriveNumbered(d_, cdb[2]);
  if (!d) return CheckCondition(VendorSense(kVendorNoSuchDrive));
  LogicalDrive drive = *d;
  std::uint64_t first = ReadBigEndian(cdb + 3, 8);
  std::uint64_t count = ReadBigEndian(cdb + 11, 4);
  return write ? writeSectors(c, drive, first, count) : readSectors(c, drive, first, count);
}

}  // namespace devices
