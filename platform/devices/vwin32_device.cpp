#include "platform/devices/vwin32_device.h"

#include <cstring>
#include <optional>

#include "platform/devices/big_endian.h"
#include "platform/devices/disk_geometry.h"
#include "platform/devices/scsi_target.h"
#include "platform/win/address32.h"
#include "platform/win/machine.h"

namespace devices {
namespace {

using win::DWORD;

constexpr DWORD kDosInvalidFunction = 0x01;
constexpr DWORD kDosAccessDenied = 0x05;
constexpr DWORD kDosInvalidDrive = 0x0F;

std::optional<win::DriveMapping> driveOf(char letter) {
  for (const win::DriveMapping& m : win::CurrentMachine().drives())
    if (m.letter == letter) return m;
  return std::nullopt;
}

std::optional<AttachedTarget> diskOf(char letter) {
  for (AttachedTarget& t : MachineScsiTargets())
    if (t.driveLetter == letter && t.deviceType == 0) return t;
  return std::nullopt;
}

}  // namespace

win::DeviceAnswer Vwin32Device::control(DWORD code, const std::vector<win::BYTE>& in, win::BYTE* out, DWORD outSize,
                                        win::DeviceRequest&) {
  if (code != win::VWIN32_DIOC_DOS_IOCTL) return {win::ERROR_INVALID_FUNCTION, 0, 0};
  if (in.size() < sizeof(win::DIOC_REGISTERS) || outSize < sizeof(win::DIOC_REGISTERS))
    return {win::ERROR_INVALID_PARAMETER, 0, 0};
  win::DIOC_REGISTERS r;
  std::memcpy(&r, in.data(), sizeof r);
  DWORD latency = 0;
  DWORD dosError = dosIoctl(r, latency);
  if (dosError) {
    r.reg_Flags |= win::CARRY_FLAG;
    r.reg_EAX = (r.reg_EAX & 0xFFFF0000u) | dosError;
  } else {
    r.reg_Flags &= ~win::CARRY_FLAG;
  }
  std::memcpy(out, &r, sizeof r);
  return {win::ERROR_SUCCESS, sizeof r, latency};
}

DWORD Vwin32Device::dosIoctl(win::DIOC_REGISTERS& r, DWORD& latency) {
  if ((r.reg_EAX & 0xFFFF) != 0x440D) return kDosInvalidFunction;
  DWORD drive = r.reg_EBX & 0xFF;
  DWORD category = (r.reg_ECX >> 8) & 0xFF;
  DWORD minor = r.reg_ECX & 0xFF;
  if (category != 0x08 && category != 0x48) return kDosInvalidFunction;
  if (drive < 1 || drive > 26) return kDosInvalidDrive;
  char letter = static_cast<char>('A' + drive - 1);
  if (!driveOf(letter)) return kDosInvalidDrive;
  switch (minor) {
    case 0x4A:
    case 0x4B: return lockDrive(letter);
    case 0x6A:
    case 0x6B: return unlockDrive(letter);
    case 0x60: return category == 0x08 ? deviceParameters(letter, r.reg_EDX, latency) : kDosInvalidFunction;
    case 0x6F: return driveMapInfo(letter, r.reg_EDX);
    default: return kDosInvalidFunction;
  }
}

DWORD Vwin32Device::lockDrive(char letter) {
  std::lock_guard guard(mutex_);
  HeldLock& held = locks_[letter];
  if (held.count == 0) {
    if (auto disk = diskOf(letter)) {
      if (auto* control = dynamic_cast<VolumeControl*>(disk->device.get())) {
        DWORD error = 0;
        held.lock = control->lockVolume(error);
        if (!held.lock) {
          locks_.erase(letter);
          return kDosAccessDenied;
        }
      }
    }
  }
  ++held.count;
  return 0;
}

DWORD Vwin32Device::unlockDrive(char letter) {
  std::lock_guard guard(mutex_);
  auto it = locks_.find(letter);
  if (it == locks_.end() || it->second.count == 0) return kDosInvalidFunction;
  if (--it->second.count == 0) locks_.erase(it);
  return 0;
}

DWORD Vwin32Device::deviceParameters(char letter, DWORD block, DWORD& latency) {
  win::Resolved32 target = win::ResolveAddress32(block);
  if (!target.buffer || target.size < 32) return kDosInvalidFunction;
  auto disk = diskOf(letter);
  if (!disk) return kDosInvalidFunction;
  ScsiCommand c;
  c.cdb.assign(10, 0);
  c.cdb[0] = 0x25;
  c.direction = DataDirection::In;
  c.data.assign(8, 0);
  ScsiOutcome o = disk->device->execute(c);
  latency += o.latencyMs;
  if (o.deviceGone || o.status != kScsiGood || o.transferred < 8) return kDosInvalidDrive;
  std::uint64_t sectors = ReadBigEndian(c.data.data(), 4) + 1;
  auto sectorSize = static_cast<std::uint32_t>(ReadBigEndian(c.data.data() + 4, 4));
  DiskGeometry g = GeometryOf(sectors);
  auto* p = static_cast<std::uint8_t*>(target.buffer);
  std::memset(p + 1, 0, 31);  // byte 0 is the caller's (special functions)
  p[1] = 0x05;                // fixed disk class; attributes 0: removable
  WriteLittle(p + 4, 2, std::min<std::uint64_t>(g.cylinders, 0xFFFF));
  WriteLittle(p + 7, 2, sectorSize);
  WriteLittle(p + 20, 2, g.sectorsPerTrack);
  WriteLittle(p + 22, 2, g.heads);
  WriteLittle(p + 28, 4, std::min<std::uint64_t>(sectors, 0xFFFFFFFFu));
  return 0;
}

DWORD Vwin32Device::driveMapInfo(char letter, DWORD block) {
  win::Resolved32 target = win::ResolveAddress32(block);
  if (!target.buffer || target.size < 16 || static_cast<std::uint8_t*>(target.buffer)[0] < 16)
    return kDosInvalidFunction;
  std::optional<win::DriveMapping> drive = driveOf(letter);
  std::uint8_t flags = 0, unit = 0;
  if (diskOf(letter)) {
    flags = 0x0F;
    unit = 0xFF;
  } else if (drive->type == win::DRIVE_FIXED) {
    std::uint8_t place = 0;
    for (const win::DriveMapping& m : win::CurrentMachine().drives())
      if (m.letter < letter && m.type == win::DRIVE_FIXED) ++place;
    flags = 0x03;
    unit = static_cast<std::uint8_t>(0x80 + place);
  } else if (drive->type == win::DRIVE_REMOVABLE) {
    flags = 0x03;
    unit = 0x00;
  } else {
    return kDosInvalidDrive;
  }
  auto* p = static_cast<std::uint8_t*>(target.buffer);
  std::memset(p + 1, 0, 15);
  p[1] = 16;
  p[2] = flags;
  p[3] = unit;
  WriteLittle(p + 4, 4, 1u << (letter - 'A'));
  return 0;
}

void Vwin32Device::closed() {
  std::lock_guard guard(mutex_);
  locks_.clear();
}

}  // namespace devices
