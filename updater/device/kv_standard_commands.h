// The four standard SCSI commands the updater sends: INQUIRY, READ CAPACITY,
// READ(10) and WRITE(10).
#pragma once

#include <cstdint>

#include "updater/device/kv_scsi_command.h"

namespace pendrel {

class CKvScsiInquiry : public CKvScsiCommand {
 public:
  static constexpr std::uint32_t kDataLength = 96;

  CKvScsiInquiry();
  std::int32_t BuildCdb() override;
  std::int32_t IsDataOut() const override { return 0; }

  // Copies the answer into the inquiry data.
  std::int32_t Decode();
  void ClearInquiryData();
  const std::uint8_t* InquiryData() const { return m_inquiryData; }

 private:
  std::uint8_t m_inquiryData[kDataLength] = {};
};

class CKvReadCapacity : public CKvScsiCommand {
 public:
  CKvReadCapacity();
  std::int32_t BuildCdb() override;
  std::int32_t IsDataOut() const override { return 0; }
  std::int32_t Decode(std::uint32_t& lastLba, std::uint32_t& blockLength) const;
};

class CKvRead : public CKvScsiCommand {
 public:
  CKvRead(std::uint32_t lba, std::uint32_t count, std::uint32_t sectorSize);
  std::int32_t BuildCdb() override;
  std::int32_t IsDataOut() const override { return 0; }
  // Copies as many answer bytes as both arrays hold.
  std::int32_t Decode(CKvByteArray& out) const;

 private:
  std::uint32_t m_lba, m_count;
};

class CKvWrite : public CKvScsiCommand {
 public:
  CKvWrite(std::uint32_t lba, std::uint32_t count, std::uint32_t sectorSize);
  std::int32_t BuildCdb() override;
  std::int32_t IsDataOut() const override { return 1; }
  // The sectors to write; -10 when data is larger than count sectors.
  std::int32_t SetPayload(const CKvByteArray& data) { return CopyIntoPayload(data); }

 private:
  std::uint32_t m_lba, m_count;
};

// Copies the answer of a read into the caller's array, as many bytes as both hold.
std::int32_t CopyAnswer(const CKvByteArray* answer, CKvByteArray& out);

}  // namespace pendrel
