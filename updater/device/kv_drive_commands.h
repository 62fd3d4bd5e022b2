// The player's vendor commands on one logical drive: its information and
// version stamps, erasure, and sector reads and writes.
#pragma once

#include <cstdint>

#include "updater/device/kv_scsi_command.h"
#include "updater/device/kv_version_info.h"

namespace pendrel {

constexpr std::uint8_t kDriveInfoSectorSize = 0;
constexpr std::uint8_t kDriveInfoComponentVersion = 7;
constexpr std::uint8_t kDriveInfoProductVersion = 8;

class CKvGetLogicalDriveInfo : public CKvScsiCommand {
 public:
  // `callerLength` is the answer length of type 11.
  CKvGetLogicalDriveInfo(std::uint8_t drive, std::uint8_t type, std::uint32_t callerLength = 0);
  std::int32_t BuildCdb() override;
  std::int32_t IsDataOut() const override { return 0; }
  // Type 0: the drive's sector size in bytes.
  std::int32_t DecodeSectorSize(std::uint32_t& sectorSize) const;
  // Type 7: the component version. Type 8: the product version.
  std::int32_t DecodeComponentVersion(CKvVersionInfo& out) const;
  std::int32_t DecodeProductVersion(CKvVersionInfo& out) const;

 private:
  std::int32_t decodeVersion(std::uint8_t wanted, CKvVersionInfo& out) const;

  std::uint8_t m_drive, m_type;
};

class CKvSetLogicalDriveInfo : public CKvScsiCommand {
 public:
  // Types 7 and 8 carry a version inside the CDB.
  CKvSetLogicalDriveInfo(std::uint8_t drive, std::uint8_t type, const CKvVersionInfo& value);
  std::int32_t BuildCdb() override;
  std::int32_t IsDataOut() const override { return 1; }

 private:
  std::uint8_t m_drive, m_type;
  CKvVersionInfo m_value;
};

class CKvEraseLogicalDrive : public CKvScsiCommand {
 public:
  explicit CKvEraseLogicalDrive(std::uint8_t drive);
  std::int32_t BuildCdb() override;
  std::int32_t IsDataOut() const override { return 1; }

 private:
  std::uint8_t m_drive;
};

class CKvReadLogicalDriveSector : public CKvScsiCommand {
 public:
  CKvReadLogicalDriveSector(std::uint8_t drive, std::uint64_t start, std::uint32_t count, std::uint32_t sectorSize);
  std::int32_t BuildCdb() override;
  std::int32_t IsDataOut() const override { return 0; }
  std::int32_t Decode(CKvByteArray& out) const;

 private:
  std::uint8_t m_drive;
  std::uint64_t m_start;
  std::uint32_t m_count;
};

class CKvWriteLogicalDriveSector : public CKvScsiCommand {
 public:
  CKvWriteLogicalDriveSector(std::uint8_t drive, std::uint64_t start, std::uint32_t count, std::uint32_t sectorSize);
  std::int32_t BuildCdb() override;
  std::int32_t IsDataOut() const override { return 1; }
  // -10 when data is larger than count sectors.
  std::int32_t SetPayload(const CKvByteArray& data) { return CopyIntoPayload(data); }

 private:
  std::uint8_t m_drive;
  std::uint64_t m_start;
  std::uint32_t m_count;
};

}  // namespace pendrel
