#include "platform/devices/disk_handle.h"

#include <algorithm>
#include <cstring>

#include "platform/devices/big_endian.h"
#include "platform/devices/disk_geometry.h"
#include "platform/devices/scsi_sense.h"
#include "platform/win/ioctl.h"

namespace devices {
namespace {

using win::BYTE;
using win::DWORD;

constexpr DWORD ERROR_NOT_LOCKED = 158;
constexpr DWORD ERROR_WRITE_PROTECT = 19;
constexpr std::uint32_t kSectorsPerCommand = 128;

win::DeviceAnswer failed(DWORD error, DWORD latency = 0) { return {error, 0, latency}; }

// The Win32 error for a command that did not end well.
DWORD errorOf(const ScsiOutcome& o, bool writing) {
  if (o.deviceGone) return win::ERROR_DEVICE_NOT_CONNECTED;
  if (o.status == kScsiGood) return win::ERROR_SUCCESS;
  std::uint8_t key = o.sense.size() > 2 ? o.sense[2] & 0x0F : 0;
  std::uint8_t asc = o.sense.size() > 12 ? o.sense[12] : 0;
  if (key == kSenseNotReady) return win::ERROR_NOT_READY;
  if (key == kSenseMediumError) return writing ? win::ERROR_WRITE_FAULT : win::ERROR_CRC;
  if (key == kSenseIllegalRequest && asc == kAscLbaOutOfRange) return win::ERROR_SECTOR_NOT_FOUND;
  if (key == 0x07) return ERROR_WRITE_PROTECT;
  return win::ERROR_IO_DEVICE;
}

ScsiCommand readCommand(std::uint64_t lba, std::uint32_t count, std::uint32_t sectorSize) {
  ScsiCommand c;
  c.cdb.assign(10, 0);
  c.cdb[0] = 0x28;
  WriteBigEndian(c.cdb.data() + 2, 4, lba);
  WriteBigEndian(c.cdb.data() + 7, 2, count);
  c.direction = DataDirection::In;
  c.data.assign(std::size_t{count} * sectorSize, 0);
  return c;
}

}  // namespace

DiskHandle::DiskHandle(AttachedTarget target, bool wholeDisk, DWORD access, DWORD flags)
    : win::DeviceObject(access, flags),
      target_(std::move(target)),
      control_(dynamic_cast<VolumeControl*>(target_.device.get())),
      wholeDisk_(wholeDisk) {
  if (wholeDisk_) return;
  // The volume starts where the boot record's first partition does.
  DWORD latency = 0;
  Capacity cap;
  if (capacity(cap, latency) != win::ERROR_SUCCESS || cap.sectorSize < 512) return;
  std::vector<BYTE> mbr(cap.sectorSize);
  if (readSectors(0, 1, cap.sectorSize, mbr.data(), latency) != win::ERROR_SUCCESS) return;
  const BYTE* e = mbr.data() + 446;
  if (mbr[510] != 0x55 || mbr[511] != 0xAA || e[4] == 0) return;
  std::uint64_t start = ReadLittle32(e + 8), length = ReadLittle32(e + 12);
  if (start >= cap.sectors) return;
  volumeStart_ = start;
  volumeSectors_ = std::min(length, cap.sectors - start);
}

ScsiOutcome DiskHandle::run(ScsiCommand& command, DWORD& latency) {
  ScsiOutcome o = target_.device->execute(command);
  latency += o.latencyMs;
  return o;
}

DWORD DiskHandle::capacity(Capacity& out, DWORD& latency) {
  ScsiCommand c;
  c.cdb.assign(10, 0);
  c.cdb[0] = 0x25;
  c.direction = DataDirection::In;
  c.data.assign(8, 0);
  ScsiOutcome o = run(c, latency);
  if (DWORD e = errorOf(o, false)) return e;
  if (o.transferred < 8) return win::ERROR_IO_DEVICE;
  out.sectors = ReadBigEndian(c.data.data(), 4) + 1;
  out.sectorSize = static_cast<std::uint32_t>(ReadBigEndian(c.data.data() + 4, 4));
  return out.sectorSize ? win::ERROR_SUCCESS : win::ERROR_IO_DEVICE;
}

DWORD DiskHandle::readSectors(std::uint64_t lba, std::uint32_t count, std::uint32_t sectorSize, BYTE* data,
                              DWORD& latency) {
  while (count > 0) {
    std::uint32_t n = std::min(count, kSectorsPerCommand);
    ScsiCommand c = readCommand(lba, n, sectorSize);
    ScsiOutcome o = run(c, latency);
    if (DWORD e = errorOf(o, false)) return e;
    if (o.transferred < c.data.size()) return win::ERROR_IO_DEVICE;
    std::memcpy(data, c.data.data(), c.data.size());
    data += c.data.size();
    lba += n;
    count -= n;
  }
  return win::ERROR_SUCCESS;
}

DWORD DiskHandle::writeSectors(std::uint64_t lba, std::uint32_t count, std::uint32_t sectorSize, const BYTE* data,
                               DWORD& latency) {
  while (count > 0) {
    std::uint32_t n = std::min(count, kSectorsPerCommand);
    ScsiCommand c;
    c.cdb.assign(10, 0);
    c.cdb[0] = 0x2A;
    WriteBigEndian(c.cdb.data() + 2, 4, lba);
    WriteBigEndian(c.cdb.data() + 7, 2, n);
    c.direction = DataDirection::Out;
    c.data.assign(data, data + std::size_t{n} * sectorSize);
    ScsiOutcome o = run(c, latency);
    if (DWORD e = errorOf(o, true)) return e;
    data += c.data.size();
    lba += n;
    count -= n;
  }
  return win::ERROR_SUCCESS;
}

DWORD DiskHandle::extent(Capacity& cap, std::uint64_t& first, std::uint64_t& sectors, DWORD& latency) {
  if (DWORD e = capacity(cap, latency)) return e;
  first = wholeDisk_ ? 0 : std::min(volumeStart_, cap.sectors);
  sectors = cap.sectors - first;
  if (!wholeDisk_ && volumeSectors_) sectors = std::min(sectors, *volumeSectors_);
  return win::ERROR_SUCCESS;
}

win::DeviceAnswer DiskHandle::sectorIo(std::uint64_t offset, BYTE* in, const BYTE* out, DWORD size) {
  if (size == 0) return {};
  DWORD latency = 0;
  {
    std::lock_guard lock(lockMutex_);
    if (control_ && control_->lockedByOther(lock_.get())) return failed(win::ERROR_ACCESS_DENIED);
  }
  Capacity cap;
  std::uint64_t first = 0, sectors = 0;
  if (DWORD e = extent(cap, first, sectors, latency)) return failed(e, latency);
  if (offset % cap.sectorSize || size % cap.sectorSize) return failed(win::ERROR_INVALID_PARAMETER, latency);
  std::uint64_t lba = offset / cap.sectorSize;
  std::uint64_t count = size / cap.sectorSize;
  if (lba >= sectors) return in ? win::DeviceAnswer{win::ERROR_SUCCESS, 0, latency} : failed(win::ERROR_SECTOR_NOT_FOUND, latency);
  if (count > sectors - lba) {
    if (!in) return failed(win::ERROR_SECTOR_NOT_FOUND, latency);
    count = sectors - lba;  // a read stops at the end
  }
  auto n = static_cast<std::uint32_t>(count);
  DWORD e = in ? readSectors(first + lba, n, cap.sectorSize, in, latency)
               : writeSectors(first + lba, n, cap.sectorSize, out, latency);
  if (e) return failed(e, latency);
  return {win::ERROR_SUCCESS, static_cast<DWORD>(count * cap.sectorSize), latency};
}

win::DeviceAnswer DiskHandle::read(std::uint64_t offset, BYTE* data, DWORD size, win::DeviceRequest&) {
  return sectorIo(offset, data, nullptr, size);
}

win::DeviceAnswer DiskHandle::write(std::uint64_t offset, const BYTE* data, DWORD size, win::DeviceRequest&) {
  return sectorIo(offset, nullptr, data, size);
}

std::optional<std::uint64_t> DiskHandle::endOffset() {
  DWORD latency = 0;
  Capacity cap;
  std::uint64_t first = 0, sectors = 0;
  if (extent(cap, first, sectors, latency)) return std::nullopt;
  return sectors * cap.sectorSize;
}

win::DeviceAnswer DiskHandle::control(DWORD code, const std::vector<BYTE>& in, BYTE* out, DWORD outSize,
                                      win::DeviceRequest&) {
  switch (code) {
    case win::IOCTL_SCSI_PASS_THROUGH: return passThrough(in, out, outSize);
    case win::IOCTL_SCSI_GET_ADDRESS: {
      if (outSize < sizeof(win::SCSI_ADDRESS)) return failed(win::ERROR_INSUFFICIENT_BUFFER);
      win::SCSI_ADDRESS a{sizeof(win::SCSI_ADDRESS), target_.port, target_.path, target_.target, target_.lun};
      std::memcpy(out, &a, sizeof a);
      return {win::ERROR_SUCCESS, sizeof a, 0};
    }
    case win::IOCTL_DISK_GET_DRIVE_GEOMETRY: return geometry(out, outSize);
    case win::IOCTL_DISK_GET_DRIVE_LAYOUT: return getLayout(out, outSize);
    case win::IOCTL_DISK_SET_DRIVE_LAYOUT: return setLayout(in);
    case win::IOCTL_DISK_DELETE_DRIVE_LAYOUT: return deleteLayout();
    case win::FSCTL_LOCK_VOLUME: return lock();
    case win::FSCTL_UNLOCK_VOLUME: return unlock();
    case win::FSCTL_DISMOUNT_VOLUME: return {control_ ? control_->dismountVolume() : win::ERROR_SUCCESS, 0, 0};
    default: return failed(win::ERROR_INVALID_FUNCTION);
  }
}

win::DeviceAnswer DiskHandle::passThrough(const std::vector<BYTE>& in, BYTE* out, DWORD outSize) {
  win::SCSI_PASS_THROUGH h;
  if (in.size() < sizeof h || outSize < sizeof h) return failed(win::ERROR_INVALID_PARAMETER);
  std::memcpy(&h, in.data(), sizeof h);
  if (h.Length != sizeof h || h.CdbLength == 0 || h.CdbLength > 16 || h.DataIn > win::SCSI_IOCTL_DATA_UNSPECIFIED ||
      h.DataTransferLength > kMaxPassThroughTransfer)
    return failed(win::ERROR_INVALID_PARAMETER);
  // Unspecified with data is taken as reading: nothing is sent that the
  // caller did not mean to send.
  bool dataIn = h.DataIn != win::SCSI_IOCTL_DATA_OUT;
  std::uint64_t dataEnd = std::uint64_t{h.DataBufferOffset} + h.DataTransferLength;
  std::uint64_t senseEnd = std::uint64_t{h.SenseInfoOffset} + h.SenseInfoLength;
  if (h.DataTransferLength &&
      (h.DataBufferOffset < sizeof h || dataEnd > (dataIn ? outSize : in.size())))
    return failed(win::ERROR_INVALID_PARAMETER);
  if (h.SenseInfoLength && (h.SenseInfoOffset < sizeof h || senseEnd > outSize))
    return failed(win::ERROR_INVALID_PARAMETER);

  ScsiCommand c;
  c.cdb.assign(h.Cdb, h.Cdb + h.CdbLength);
  if (h.DataTransferLength == 0) {
    c.direction = DataDirection::None;
  } else if (dataIn) {
    c.direction = DataDirection::In;
    c.data.assign(h.DataTransferLength, 0);
  } else {
    c.direction = DataDirection::Out;
    c.data.assign(in.begin() + h.DataBufferOffset, in.begin() + static_cast<std::ptrdiff_t>(dataEnd));
  }
  DWORD latency = 0;
  ScsiOutcome o = run(c, latency);
  if (o.deviceGone) return failed(win::ERROR_DEVICE_NOT_CONNECTED, latency);

  // The buffer comes back as the caller gave it, with the answer in it.
  std::vector<BYTE> buffer(std::max<std::size_t>(in.size(), outSize), 0);
  std::memcpy(buffer.data(), in.data(), in.size());
  std::size_t moved = std::min<std::size_t>(o.transferred, h.DataTransferLength);
  std::size_t sense = std::min<std::size_t>(o.sense.size(), h.SenseInfoLength);
  if (o.status == kScsiGood) sense = 0;
  h.ScsiStatus = o.status;
  h.SenseInfoLength = static_cast<BYTE>(sense);
  h.DataTransferLength = static_cast<DWORD>(moved);
  std::memcpy(buffer.data(), &h, sizeof h);
  if (sense) std::memcpy(buffer.data() + h.SenseInfoOffset, o.sense.data(), sense);
  std::size_t returned = sizeof h;
  if (sense) returned = std::max<std::size_t>(returned, h.SenseInfoOffset + sense);
  if (dataIn && moved) {
    std::memcpy(buffer.data() + h.DataBufferOffset, c.data.data(), moved);
    returned = std::max<std::size_t>(returned, h.DataBufferOffset + moved);
  }
  returned = std::min<std::size_t>(returned, outSize);
  std::memcpy(out, buffer.data(), returned);
  return {win::ERROR_SUCCESS, static_cast<DWORD>(returned), latency};
}

win::DeviceAnswer DiskHandle::geometry(BYTE* out, DWORD outSize) {
  if (outSize < sizeof(win::DISK_GEOMETRY)) return failed(win::ERROR_INSUFFICIENT_BUFFER);
  DWORD latency = 0;
  Capacity cap;
  if (DWORD e = capacity(cap, latency)) return failed(e, latency);
  DiskGeometry g = GeometryOf(cap.sectors);
  win::DISK_GEOMETRY d{static_cast<win::LONGLONG>(g.cylinders), win::RemovableMedia, g.heads, g.sectorsPerTrack,
                       cap.sectorSize};
  std::memcpy(out, &d, sizeof d);
  return {win::ERROR_SUCCESS, sizeof d, latency};
}

win::DeviceAnswer DiskHandle::getLayout(BYTE* out, DWORD outSize) {
  constexpr DWORD kSize = 8 + 4 * sizeof(win::PARTITION_INFORMATION);
  if (outSize < kSize) return failed(win::ERROR_INSUFFICIENT_BUFFER);
  DWORD latency = 0;
  Capacity cap;
  if (DWORD e = capacity(cap, latency)) return failed(e, latency);
  if (cap.sectorSize < 512) return failed(win::ERROR_NOT_SUPPORTED, latency);
  std::vector<BYTE> mbr(cap.sectorSize);
  if (DWORD e = readSectors(0, 1, cap.sectorSize, mbr.data(), latency)) return failed(e, latency);
  std::vector<BYTE> layout(kSize, 0);
  WriteLittle(layout.data(), 4, 4);
  bool valid = mbr[510] == 0x55 && mbr[511] == 0xAA;
  if (valid) std::memcpy(layout.data() + 4, mbr.data() + 440, 4);
  DWORD number = 0;
  for (int i = 0; valid && i < 4; ++i) {
    const BYTE* e = mbr.data() + 446 + 16 * i;
    if (e[4] == 0) continue;
    win::PARTITION_INFORMATION p{};
    p.StartingOffset = static_cast<win::LONGLONG>(std::uint64_t{ReadLittle32(e + 8)} * cap.sectorSize);
    p.PartitionLength = static_cast<win::LONGLONG>(std::uint64_t{ReadLittle32(e + 12)} * cap.sectorSize);
    p.HiddenSectors = ReadLittle32(e + 8);
    p.PartitionNumber = ++number;
    p.PartitionType = e[4];
    p.BootIndicator = e[0] == 0x80;
    p.RecognizedPartition = 1;
    std::memcpy(layout.data() + 8 + i * sizeof p, &p, sizeof p);
  }
  std::memcpy(out, layout.data(), kSize);
  return {win::ERROR_SUCCESS, kSize, latency};
}

win::DeviceAnswer DiskHandle::setLayout(const std::vector<BYTE>& in) {
  if (!(access() & win::GENERIC_WRITE)) return failed(win::ERROR_ACCESS_DENIED);
  if (in.size() < 8) return failed(win::ERROR_INVALID_PARAMETER);
  std::uint32_t count = ReadLittle32(in.data());
  if (count > 4 || in.size() < 8 + std::size_t{count} * sizeof(win::PARTITION_INFORMATION))
    return failed(win::ERROR_INVALID_PARAMETER);
  DWORD latency = 0;
  Capacity cap;
  if (DWORD e = capacity(cap, latency)) return failed(e, latency);
  if (cap.sectorSize < 512) return failed(win::ERROR_NOT_SUPPORTED, latency);
  std::vector<BYTE> mbr(cap.sectorSize);
  if (DWORD e = readSectors(0, 1, cap.sectorSize, mbr.data(), latency)) return failed(e, latency);
  DiskGeometry g = GeometryOf(cap.sectors);
  for (std::uint32_t i = 0; i < count; ++i) {
    win::PARTITION_INFORMATION p;
    std::memcpy(&p, in.data() + 8 + i * sizeof p, sizeof p);
    if (!p.RewritePartition) continue;
    BYTE* e = mbr.data() + 446 + 16 * i;
    std::memset(e, 0, 16);
    if (p.PartitionType == 0) continue;
    if (p.StartingOffset < 0 || p.PartitionLength <= 0) return failed(win::ERROR_INVALID_PARAMETER, latency);
    auto start = static_cast<std::uint64_t>(p.StartingOffset), length = static_cast<std::uint64_t>(p.PartitionLength);
    if (start % cap.sectorSize || length % cap.sectorSize) return failed(win::ERROR_INVALID_PARAMETER, latency);
    std::uint64_t first = start / cap.sectorSize, sectors = length / cap.sectorSize;
    if (first >= cap.sectors || sectors > cap.sectors - first || first + sectors > 0xFFFFFFFFu)
      return failed(win::ERROR_INVALID_PARAMETER, latency);
    e[0] = p.BootIndicator ? 0x80 : 0x00;
    PackChs(g, first, e + 1);
    e[4] = p.PartitionType;
    PackChs(g, first + sectors - 1, e + 5);
    WriteLittle(e + 8, 4, first);
    WriteLittle(e + 12, 4, sectors);
  }
  std::memcpy(mbr.data() + 440, in.data() + 4, 4);
  mbr[510] = 0x55;
  mbr[511] = 0xAA;
  if (DWORD e = writeSectors(0, 1, cap.sectorSize, mbr.data(), latency)) return failed(e, latency);
  return {win::ERROR_SUCCESS, 0, latency};
}

win::DeviceAnswer DiskHandle::deleteLayout() {
  if (!(access() & win::GENERIC_WRITE)) return failed(win::ERROR_ACCESS_DENIED);
  DWORD latency = 0;
  Capacity cap;
  if (DWORD e = capacity(cap, latency)) return failed(e, latency);
  if (cap.sectorSize < 512) return failed(win::ERROR_NOT_SUPPORTED, latency);
  std::vector<BYTE> mbr(cap.sectorSize);
  if (DWORD e = readSectors(0, 1, cap.sectorSize, mbr.data(), latency)) return failed(e, latency);
  std::memset(mbr.data() + 440, 0, 512 - 440);
  if (DWORD e = writeSectors(0, 1, cap.sectorSize, mbr.data(), latency)) return failed(e, latency);
  return {win::ERROR_SUCCESS, 0, latency};
}

win::DeviceAnswer DiskHandle::lock() {
  std::lock_guard guard(lockMutex_);
  if (lock_ || lockedWithoutControl_) return {};
  if (!control_) {
    lockedWithoutControl_ = true;
    return {};
  }
  DWORD error = win::ERROR_ACCESS_DENIED;
  lock_ = control_->lockVolume(error);
  return lock_ ? win::DeviceAnswer{} : failed(error);
}

win::DeviceAnswer DiskHandle::unlock() {
  std::lock_guard guard(lockMutex_);
  if (!lock_ && !lockedWithoutControl_) return failed(ERROR_NOT_LOCKED);
  lock_.reset();
  lockedWithoutControl_ = false;
  return {};
}

void DiskHandle::closed() {
  std::lock_guard guard(lockMutex_);
  lock_.reset();
}

}  // namespace devices
