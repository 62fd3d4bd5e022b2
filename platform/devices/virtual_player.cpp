#include "platform/devices/virtual_player.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>

#include "platform/devices/big_endian.h"
#include "platform/devices/device_maps.h"
#include "platform/devices/drive_image.h"
#include "platform/devices/scsi_sense.h"
#include "platform/win/machine.h"

namespace devices {
namespace {

constexpr std::uint8_t kUsbMassStorageTag = 0x01;

// An exclusive lock on a file, held while the object lives.
class FileLock {
 public:
  FileLock(const std::string& path, bool wait) {
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ >= 0 && ::flock(fd_, LOCK_EX | (wait ? 0 : LOCK_NB)) != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~FileLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

class PlayerVolumeLock : public VolumeLock {
 public:
  explicit PlayerVolumeLock(std::unique_ptr<FileLock> lock) : lock_(std::move(lock)) {}

 private:
  std::unique_ptr<FileLock> lock_;
};

std::string volumeLockPath(const std::string& folder) {
  std::string runtime = win::CurrentMachine().runtimeFolder() + "/locks";
  std::error_code ec;
  std::filesystem::create_directories(runtime, ec);
  return runtime + "/" + std::filesystem::path(folder).filename().string() + ".lock";
}

// The first sector of the data drive's partition, from its master boot
// record; 0 for a medium without one.
std::uint64_t partitionStart(const std::string& image) {
  std::uint8_t mbr[512];
  if (!ReadImage(image, 0, mbr, sizeof mbr) || mbr[510] != 0x55 || mbr[511] != 0xAA || mbr[446 + 4] == 0) return 0;
  return ReadLittle32(mbr + 446 + 8);
}

std::string padded(const std::string& text, std::size_t width) {
  std::string s = text.substr(0, width);
  s.resize(width, ' ');
  return s;
}

char chooseLetter(char wanted) {
  std::vector<win::DriveMapping> drives = win::CurrentMachine().drives();
  auto used = [&](char l) {
    return std::any_of(drives.begin(), drives.end(), [&](const win::DriveMapping& m) { return m.letter == l; });
  };
  if (wanted && !used(wanted)) return wanted;
  for (char l = 'D'; l <= 'Z'; ++l)
    if (!used(l)) return l;
  return 0;
}

}  // namespace

std::shared_ptr<VirtualPlayer> VirtualPlayer::At(const std::string& folder) {
  static std::mutex& m = *new std::mutex;
  static std::map<std::string, std::shared_ptr<VirtualPlayer>> players;
  std::lock_guard lock(m);
  auto& p = players[folder];
  if (!p) p = std::make_shared<VirtualPlayer>(folder);
  return p;
}

VirtualPlayer::VirtualPlayer(std::string folder) : folder_(std::move(folder)) {}

void VirtualPlayer::refresh() {
  struct stat st {};
  if (::stat((folder_ + "/device.ini").c_str(), &st) != 0) {
    loaded_ = false;
    return;
  }
  if (loaded_ && st.st_mtim.tv_sec == stampSec_ && st.st_mtim.tv_nsec == stampNsec_ && st.st_size == stampSize_ &&
      static_cast<long long>(st.st_ino) == stampInode_)
    return;
  PlayerDescription d;
  if (!ReadPlayerDescription(folder_, d)) {
    loaded_ = false;
    return;
  }
  d_ = std::move(d);
  loaded_ = true;
  stampSec_ = st.st_mtim.tv_sec;
  stampNsec_ = st.st_mtim.tv_nsec;
  stampSize_ = st.st_size;
  stampInode_ = static_cast<long long>(st.st_ino);
  if (d_.knobs.vanishAfter != vanishKnob_) {
    vanishKnob_ = d_.knobs.vanishAfter;
    vanishCounter_ = d_.knobs.vanishAfter;
  }
}

bool VirtualPlayer::presentLocked() const {
  return loaded_ && d_.mode == PlayerMode::MassStorage && !d_.vanished && d_.appearsAt <= HostClockMs();
}

bool VirtualPlayer::modify(const std::function<void(PlayerDescription&)>& change) {
  FileLock lock(folder_ + "/device.lock", true);
  stampSec_ = -1;  // read it fresh
  refresh();
  if (!loaded_) return false;
  change(d_);
  bool ok = WritePlayerDescription(folder_, d_);
  stampSec_ = -1;
  refresh();
  return ok;
}

PlayerDescription VirtualPlayer::description() {
  std::lock_guard lock(mutex_);
  refresh();
  return d_;
}

bool VirtualPlayer::present() {
  std::lock_guard lock(mutex_);
  refresh();
  return presentLocked();
}

bool VirtualPlayer::inRecoveryMode() {
  std::lock_guard lock(mutex_);
  refresh();
  return loaded_ && d_.mode == PlayerMode::Recovery && !d_.vanished;
}

bool VirtualPlayer::update(const std::function<void(PlayerDescription&)>& change) {
  bool ok;
  {
    std::lock_guard lock(mutex_);
    ok = modify(change);
  }
  UpdateDeviceMaps();
  return ok;
}

void VirtualPlayer::emptyDataFolder() {
  std::error_code ec;
  std::filesystem::path data = std::filesystem::path(folder_) / kPlayerDataFolder;
  for (const auto& entry : std::filesystem::directory_iterator(data, ec)) std::filesystem::remove_all(entry.path(), ec);
  std::filesystem::create_directories(data, ec);
}

ScsiOutcome VirtualPlayer::execute(ScsiCommand& command) {
  ScsiOutcome outcome;
  bool vanishedNow = false;
  {
    std::lock_guard lock(mutex_);
    refresh();
    if (!presentLocked()) {
      outcome.deviceGone = true;
      return outcome;
    }
    if (vanishCounter_ && (*vanishCounter_)-- == 0) {
      vanishCounter_.reset();
      modify([](PlayerDescription& d) {
        d.vanished = true;
        d.knobs.vanishAfter.reset();
      });
      vanishKnob_.reset();
      vanishedNow = true;
      outcome.deviceGone = true;
    } else {
      outcome = dispatch(command);
    }
    outcome.latencyMs = d_.knobs.delayMs;
  }
  if (vanishedNow) UpdateDeviceMaps();
  return outcome;
}

ScsiOutcome VirtualPlayer::dispatch(ScsiCommand& c) {
  if (c.cdb.empty()) return IllegalRequest(kAscInvalidOpcode);
  std::uint8_t cdb[16] = {};
  std::memcpy(cdb, c.cdb.data(), std::min<std::size_t>(c.cdb.size(), sizeof cdb));
  switch (cdb[0]) {
    case 0x00:  // TEST UNIT READY
      if (!DataDrive(d_)) return CheckCondition(FixedSense(kSenseNotReady, kAscMediumNotPresent, 0));
      return {};
    case 0x12: return inquiry(c);
    case 0x25: return readCapacity(c);
    case 0x28: return readWrite10(c, false);
    case 0x2A: return readWrite10(c, true);
    case 0xC0:
    case 0xC1: return vendorCommand(c, cdb);
    default: return IllegalRequest(kAscInvalidOpcode);
  }
}

ScsiOutcome VirtualPlayer::inquiry(ScsiCommand& c) {
  std::uint8_t cdb1 = c.cdb.size() > 1 ? c.cdb[1] : 0;
  if (cdb1 & 0x01) return IllegalRequest(kAscInvalidFieldInCdb);  // no vital product data pages
  std::uint8_t answer[36] = {};
  answer[0] = 0x00;  // direct-access device
  answer[1] = 0x80;  // removable medium
  answer[2] = 0x02;
  answer[3] = 0x02;
  answer[4] = sizeof answer - 5;
  std::string ids = padded(d_.vendor, 8) + padded(d_.product, 16) + padded(d_.revision, 4);
  std::memcpy(answer + 8, ids.data(), 28);
  std::size_t allocation = c.cdb.size() > 4 ? c.cdb[4] : 0;
  std::size_t n = c.direction == DataDirection::In ? std::min({sizeof answer, allocation, c.data.size()}) : 0;
  if (n) std::memcpy(c.data.data(), answer, n);
  ScsiOutcome o;
  o.transferred = n;
  return o;
}

ScsiOutcome VirtualPlayer::readCapacity(ScsiCommand& c) {
  const LogicalDrive* data = DataDrive(d_);
  if (!data) return CheckCondition(FixedSense(kSenseNotReady, kAscMediumNotPresent, 0));
  std::uint8_t answer[8];
  std::uint64_t sectors = data->size / data->sectorSize;
  WriteBigEndian(answer, 4, sectors ? std::min<std::uint64_t>(sectors - 1, 0xFFFFFFFFu) : 0);
  WriteBigEndian(answer + 4, 4, data->sectorSize);
  std::size_t n = c.direction == DataDirection::In ? std::min(sizeof answer, c.data.size()) : 0;
  if (n) std::memcpy(c.data.data(), answer, n);
  ScsiOutcome o;
  o.transferred = n;
  return o;
}

ScsiOutcome VirtualPlayer::readWrite10(ScsiCommand& c, bool write) {
  const LogicalDrive* data = DataDrive(d_);
  if (!data) return CheckCondition(FixedSense(kSenseNotReady, kAscMediumNotPresent, 0));
  if (c.cdb.size() < 10) return IllegalRequest(kAscInvalidFieldInCdb);
  std::uint64_t lba = ReadBigEndian(c.cdb.data() + 2, 4);
  std::uint64_t count = ReadBigEndian(c.cdb.data() + 7, 2);
  return write ? writeSectors(c, *data, lba, count) : readSectors(c, *data, lba, count);
}

ScsiOutcome VirtualPlayer::readSectors(ScsiCommand& c, const LogicalDrive& drive, std::uint64_t first,
                                       std::uint64_t count) {
  std::uint64_t sectors = drive.size / drive.sectorSize;
  if (first > sectors || count > sectors - first) return IllegalRequest(kAscLbaOutOfRange);
  std::uint64_t bytes = count * drive.sectorSize;
  std::size_t n = c.direction == DataDirection::In ? static_cast<std::size_t>(std::min<std::uint64_t>(bytes, c.data.size())) : 0;
  if (n && !ReadImage(imagePath(drive), first * drive.sectorSize, c.data.data(), n))
    return CheckCondition(FixedSense(kSenseMediumError, 0x11, 0));  // unrecovered read error
  if (n && d_.knobs.corruptReadback) c.data[0] ^= 0x01;
  ScsiOutcome o;
  o.transferred = n;
  return o;
}

ScsiOutcome VirtualPlayer::writeSectors(ScsiCommand& c, const LogicalDrive& drive, std::uint64_t first,
                                        std::uint64_t count) {
  std::uint64_t sectors = drive.size / drive.sectorSize;
  if (first > sectors || count > sectors - first) return IllegalRequest(kAscLbaOutOfRange);
  std::uint64_t bytes = count * drive.sectorSize;
  if (bytes && (c.direction != DataDirection::Out || c.data.size() < bytes)) return IllegalRequest(kAscInvalidFieldInCdb);
  if (d_.knobs.writeFail) return CheckCondition(FixedSense(kSenseMediumError, kAscWriteError, 0));
  if (!bytes) return {};
  // A new boot record on the data drive is a new file system: what the
  // folder beside the image held is gone.
  bool formats = false;
  if (drive.type == kDataDriveType) {
    std::uint64_t start = partitionStart(imagePath(drive));
    for (std::uint64_t boot : {std::uint64_t{0}, start}) {
      if (boot < first || boot >= first + count) continue;
      std::vector<std::uint8_t> old(drive.sectorSize);
      ReadImage(imagePath(drive), boot * drive.sectorSize, old.data(), old.size());
      formats = formats || std::memcmp(old.data(), c.data.data() + (boot - first) * drive.sectorSize, old.size()) != 0;
    }
  }
  if (!WriteImage(imagePath(drive), first * drive.sectorSize, c.data.data(), static_cast<std::size_t>(bytes)))
    return CheckCondition(FixedSense(kSenseMediumError, kAscWriteError, 0));
  if (formats) emptyDataFolder();
  ScsiOutcome o;
  o.transferred = static_cast<std::size_t>(bytes);
  return o;
}

std::unique_ptr<VolumeLock> VirtualPlayer::lockVolume(win::DWORD& error) {
  {
    std::lock_guard lock(mutex_);
    refresh();
    if (d_.knobs.lockFail) {
      error = win::ERROR_ACCESS_DENIED;
      return nullptr;
    }
  }
  auto file = std::make_unique<FileLock>(volumeLockPath(folder_), false);
  if (!file->held()) {
    error = win::ERROR_ACCESS_DENIED;
    return nullptr;
  }
  return std::make_unique<PlayerVolumeLock>(std::move(file));
}

bool VirtualPlayer::lockedByOther(const VolumeLock* mine) {
  if (mine) return false;  // the holder's lock keeps everyone else out
  int fd = ::open(volumeLockPath(folder_).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool other = ::flock(fd, LOCK_SH | LOCK_NB) != 0;
  ::close(fd);
  return other;
}

win::DWORD VirtualPlayer::dismountVolume() { return win::ERROR_SUCCESS; }

std::uint64_t VirtualPlayer::recoveryCapacity() {
  std::lock_guard lock(mutex_);
  refresh();
  for (const LogicalDrive& d : d_.drives)
    if (d.type == kSystemDriveType && d.tag == kUsbMassStorageTag) return d.size;
  return 0;
}

bool VirtualPlayer::acceptRecoveryImage(const std::vector<std::uint8_t>& image) {
  if (image.empty()) return false;
  bool ok = false;
  {
    std::lock_guard lock(mutex_);
    ok = modify([&](PlayerDescription& d) {
      if (d.mode != PlayerMode::Recovery) return;
      for (const LogicalDrive& drive : d.drives) {
        if (drive.type != kSystemDriveType || drive.tag != kUsbMassStorageTag) continue;
        if (image.size() > drive.size) return;
        std::vector<std::uint8_t> whole(static_cast<std::size_t>(drive.size), 0xFF);
        std::copy(image.begin(), image.end(), whole.begin());
        if (!WriteImage(imagePath(drive), 0, whole.data(), whole.size())) return;
        break;
      }
      d.mode = PlayerMode::MassStorage;
      d.letter = chooseLetter(d.letter);
      auto delay = static_cast<std::int64_t>(d.knobs.recoveryDelayMs * win::CurrentMachine().settings().timeScale);
      d.appearsAt = HostClockMs() + delay;
    });
    ok = ok && d_.mode == PlayerMode::MassStorage;
  }
  UpdateDeviceMaps();
  return ok;
}

}  // namespace devices
