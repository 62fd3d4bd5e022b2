// The transport of Windows 2000 and XP: the player's volume "\\.\X:" (or a
// physical drive for the formatter) and the SCSI pass-through request. Each
// command runs on a short-lived thread while the caller keeps the progress
// window painting.
#pragma once

#include <cstdint>
#include <memory>

#include "updater/device/kv_scsi.h"

namespace pendrel {

class CKvScsiInquiry;

class CKvScsi_Nt : public CKvScsi {
 public:
  // Layout of the pass-through request block: the header, two private
  // words, the sense area and the data area.
  static constexpr std::uint32_t kSenseOffset = 52;
  static constexpr std::uint32_t kSenseLength = 18;
  static constexpr std::uint32_t kDataOffset = 70;
  static constexpr std::uint32_t kBlockOverhead = 71;
  static constexpr std::uint32_t kTimeOutSeconds = 120;
  static constexpr int kVolumeAttempts = 10;
  static constexpr win::DWORD kVolumeRetryMs = 100;

  explicit CKvScsi_Nt(CKvUpdater* owner);
  ~CKvScsi_Nt() override;

  std::int32_t Open() override;
  std::int32_t Lock(std::int32_t physical) override;
  std::int32_t LockForFormat(std::int32_t physical) override;
  std::int32_t EndFormatAccess(std::int32_t physical) override;
  std::int32_t Unlock(std::int32_t physical) override;
  std::int32_t Close() override;
  std::int32_t Dismount() override;
  std::int32_t WriteSectors(const CKvByteArray& data, std::uint32_t count, std::uint32_t first,
                            std::uint32_t sectorSize) override;
  std::int32_t ReadSectors(CKvByteArray& data, std::uint32_t count, std::uint32_t first,
                           std::uint32_t sectorSize) override;
  std::int32_t SetDriveLayout(const KvDriveGeometry& geometry, std::uint32_t hiddenSectors) override;
  std::int32_t GetGeometry(KvDriveGeometry& geometry) override;
  std::int32_t GetDriveLayout(CKvByteArray& buffer) override;
  std::int32_t FindPhysicalDrive() override;
  std::int32_t FindDevice() override;
  std::int32_t SendCdb(CKvByteArray& cdb, std::uint32_t cdbLength, std::int32_t dataOut,
                       CKvByteArray& response) override;

 private:
  static win::DWORD PassThroughThread(win::LPVOID self);
  // Up to ten attempts of a volume control code, 100 ms apart.
  std::int32_t volumeControl(win::DWORD code, std::int32_t failure);
  // Moves to the byte offset of a sector.
  bool seekToSector(std::uint32_t first, std::uint32_t sectorSize);
  // Opens a device name into the handle; false when it cannot be opened.
  bool openDevice(const char* name);
  // Sends the inquiry; true when the answer names the player.
  bool answersAsPlayer(CKvScsiInquiry& inquiry);

  std::unique_ptr<std::uint8_t[]> m_request;  // the block of the command in flight
  win::DWORD m_requestLength = 0;
};

}  // namespace pendrel
