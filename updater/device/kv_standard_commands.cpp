#include "updater/device/kv_standard_commands.h"

#include <cstring>
#include <new>

#include "updater/device/kv_result_codes.h"

namespace pendrel {
namespace {

std::uint32_t sectorBytes(std::uint32_t count, std::uint32_t sectorSize) {
  std::uint32_t length = 0;
  return count <= 0xFFFF && TransferLength(count, sectorSize, length) ? length : 0;
}

bool sectorsFit(std::uint32_t count, std::uint32_t sectorSize) {
  std::uint32_t length = 0;
  return count <= 0xFFFF && TransferLength(count, sectorSize, length);
}

std::int32_t buildRw10(CKvByteArray& cdb, std::uint8_t opcode, std::uint32_t lba, std::uint32_t count) {
  std::int32_t r = cdb.SetAt(0, opcode);
  if (r == kKvOk) r = cdb.Set32(lba, 2);
  if (r == kKvOk) r = cdb.Set16(static_cast<std::uint16_t>(count), 7);
  return r;
}

}  // namespace

std::int32_t CopyAnswer(const CKvByteArray* answer, CKvByteArray& out) {
  if (!answer) return kKvOk;
  std::uint32_t n = answer->GetCount() < out.GetCount() ? answer->GetCount() : out.GetCount();
  return answer->CopyTo(out.Data(), n, 0);
}

CKvScsiInquiry::CKvScsiInquiry() : CKvScsiCommand("CKvScsiInquiry", 6, kDataLength, 0) {
  m_response.reset(new (std::nothrow) CKvByteArray(kDataLength, "CKvByteArray"));
  if (!m_response || m_response->GetLastError() != kKvOk) SetError(kKvOutOfMemory);
}

std::int32_t CKvScsiInquiry::BuildCdb() { return PutCdbBytes({0x12, 0x00, 0x00, 0x00, kDataLength, 0x00}); }

std::int32_t CKvScsiInquiry::Decode() {
  ClearInquiryData();
  if (!m_response) return kKvOk;
  std::uint32_t n = m_response->GetCount() < kDataLength ? m_response->GetCount() : kDataLength;
  return m_response->CopyTo(m_inquiryData, n, 0);
}

void CKvScsiInquiry::ClearInquiryData() { std::memset(m_inquiryData, 0, sizeof m_inquiryData); }

CKvReadCapacity::CKvReadCapacity() : CKvScsiCommand("CKvReadCapacity", 10, 8, 0) {
  m_response.reset(new (std::nothrow) CKvByteArray(8, "CKvByteArray"));
  if (!m_response || m_response->GetLastError() != kKvOk) SetError(kKvOutOfMemory);
}

std::int32_t CKvReadCapacity::BuildCdb() { return PutCdbBytes({0x25}); }

std::int32_t CKvReadCapacity::Decode(std::uint32_t& lastLba, std::uint32_t& blockLength) const {
  if (!m_response) return kKvValueDoesNotFit;
  std::int32_t r = m_response->Get32(lastLba, 0);
  if (r == kKvOk) r = m_response->Get32(blockLength, 4);
  return r;
}

CKvRead::CKvRead(std::uint32_t lba, std::uint32_t count, std::uint32_t sectorSize)
    : CKvScsiCommand("CKvRead", 10, sectorBytes(count, sectorSize), 0), m_lba(lba), m_count(count) {
  if (!sectorsFit(count, sectorSize)) Refuse(kKvValueDoesNotFit);
}

std::int32_t CKvRead::BuildCdb() { return buildRw10(*m_cdb, 0x28, m_lba, m_count); }

std::int32_t CKvRead::Decode(CKvByteArray& out) const { return CopyAnswer(m_response.get(), out); }

CKvWrite::CKvWrite(std::uint32_t lba, std::uint32_t count, std::uint32_t sectorSize)
    : CKvScsiCommand("CKvWrite", 10, 0, sectorBytes(count, sectorSize)), m_lba(lba), m_count(count) {
  if (!sectorsFit(count, sectorSize)) Refuse(kKvValueDoesNotFit);
}

std::int32_t CKvWrite::BuildCdb() { return buildRw10(*m_cdb, 0x2A, m_lba, m_count); }

}  // namespace pendrel
