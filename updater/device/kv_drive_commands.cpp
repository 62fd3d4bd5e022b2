#include "updater/device/kv_drive_commands.h"

#include "updater/device/kv_result_codes.h"
#include "updater/device/kv_standard_commands.h"

namespace pendrel {
namespace {

constexpr std::uint32_t kVendorCdbLength = 16;
constexpr std::uint32_t kRefused = 0xFFFFFFFFu;

std::uint32_t driveInfoLength(std::uint8_t type, std::uint32_t callerLength) {
  static const std::uint32_t lengths[] = {4, 4, 8, 4, 8, 4, 1, 48, 48, 1, 2};
  if (type < sizeof lengths / sizeof lengths[0]) return lengths[type];
  return type == 11 ? callerLength : kRefused;
}

std::uint32_t sectorBytes(std::uint32_t count, std::uint32_t sectorSize) {
  std::uint32_t length = 0;
  return TransferLength(count, sectorSize, length) ? length : kRefused;
}

std::int32_t buildSectorCdb(CKvByteArray& cdb, std::uint8_t opcode, std::uint8_t drive, std::uint64_t start,
                            std::uint32_t count) {
  std::int32_t r = cdb.SetAt(0, opcode);
  if (r == kKvOk) r = cdb.SetAt(1, opcode == 0xC0 ? 0x13 : 0x23);
  if (r == kKvOk) r = cdb.SetAt(2, drive);
  if (r == kKvOk) r = cdb.Set64(start, 3);
  if (r == kKvOk) r = cdb.Set32(count, 11);
  return r;
}

}  // namespace

CKvGetLogicalDriveInfo::CKvGetLogicalDriveInfo(std::uint8_t drive, std::uint8_t type, std::uint32_t callerLength)
    : CKvScsiCommand("CKvGetLogicalDriveInfo", kVendorCdbLength,
                     driveInfoLength(type, callerLength) == kRefused ? 0 : driveInfoLength(type, callerLength), 0),
      m_drive(drive),
      m_type(type) {
  if (driveInfoLength(type, callerLength) == kRefused) Refuse(kKvBadIndex);
}

std::int32_t CKvGetLogicalDriveInfo::BuildCdb() { return PutCdbBytes({0xC0, 0x12, m_drive, m_type}); }

std::int32_t CKvGetLogicalDriveInfo::DecodeSectorSize(std::uint32_t& sectorSize) const {
  if (m_type != kDriveInfoSectorSize) return kKvUnknownMediaInfoType;
  if (!m_response) return kKvValueDoesNotFit;
  return m_response->Get32(sectorSize, 0);
}

std::int32_t CKvGetLogicalDriveInfo::decodeVersion(std::uint8_t wanted, CKvVersionInfo& out) const {
  if (m_type != wanted) return kKvUnknownMediaInfoType;
  if (!m_response) return kKvValueDoesNotFit;
  CKvVersionInfo v;
  std::int32_t r = m_response->Get16(v.m_major, 0);
  if (r == kKvOk) r = m_response->Get16(v.m_minor, 2);
  if (r == kKvOk) r = m_response->Get16(v.m_revision, 4);
  if (r == kKvOk) {
    out.m_major = v.m_major;
    out.m_minor = v.m_minor;
    out.m_revision = v.m_revision;
  }
  return r;
}

std::int32_t CKvGetLogicalDriveInfo::DecodeComponentVersion(CKvVersionInfo& out) const {
  return decodeVersion(kDriveInfoComponentVersion, out);
}

std::int32_t CKvGetLogicalDriveInfo::DecodeProductVersion(CKvVersionInfo& out) const {
  return decodeVersion(kDriveInfoProductVersion, out);
}

CKvSetLogicalDriveInfo::CKvSetLogicalDriveInfo(std::uint8_t drive, std::uint8_t type, const CKvVersionInfo& value)
    : CKvScsiCommand("CKvSetLogicalDriveInfo", kVendorCdbLength, 0, 0), m_drive(drive), m_type(type), m_value(value) {}

std::int32_t CKvSetLogicalDriveInfo::BuildCdb() {
  std::int32_t r = PutCdbBytes({0xC1, 0x20, m_drive, m_type});
  if (r == kKvOk) r = m_cdb->Set16(m_value.m_major, 4);
  if (r == kKvOk) r = m_cdb->Set16(m_value.m_minor, 6);
  if (r == kKvOk) r = m_cdb->Set16(m_value.m_revision, 8);
  return r;
}

CKvEraseLogicalDrive::CKvEraseLogicalDrive(std::uint8_t drive)
    : CKvScsiCommand("CKvEraseLogicalDrive", kVendorCdbLength, 0, 0), m_drive(drive) {}

std::int32_t CKvEraseLogicalDrive::BuildCdb() { return PutCdbBytes({0xC1, 0x2F, m_drive}); }

CKvReadLogicalDriveSector::CKvReadLogicalDriveSector(std::uint8_t drive, std::uint64_t start, std::uint32_t count,
                                                     std::uint32_t sectorSize)
    : CKvScsiCommand("CKvReadLogicalDriveSector", kVendorCdbLength,
                     sectorBytes(count, sectorSize) == kRefused ? 0 : sectorBytes(count, sectorSize), 0),
      m_drive(drive),
      m_start(start),
      m_count(count) {
  if (sectorBytes(count, sectorSize) == kRefused) Refuse(kKvValueDoesNotFit);
}

std::int32_t CKvReadLogicalDriveSector::BuildCdb() { return buildSectorCdb(*m_cdb, 0xC0, m_drive, m_start, m_count); }

std::int32_t CKvReadLogicalDriveSector::Decode(CKvByteArray& out) const { return CopyAnswer(m_response.get(), out); }

CKvWriteLogicalDriveSector::CKvWriteLogicalDriveSector(std::uint8_t drive, std::uint64_t start, std::uint32_t count,
                                                       std::uint32_t sectorSize)
    : CKvScsiCommand("CKvWriteLogicalDriveSector", kVendorCdbLength, 0,
                     sectorBytes(count, sectorSize) == kRefused ? 0 : sectorBytes(count, sectorSize)),
      m_drive(drive),
      m_start(start),
      m_count(count) {
  if (sectorBytes(count, sectorSize) == kRefused) Refuse(kKvValueDoesNotFit);
}

std::int32_t CKvWriteLogicalDriveSector::BuildCdb() {
  return buildSectorCdb(*m_cdb, 0xC1, m_drive, m_start, m_count);
}

}  // namespace pendrel
