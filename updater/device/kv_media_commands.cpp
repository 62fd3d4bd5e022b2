#include "updater/device/kv_media_commands.h"

#include "updater/device/kv_result_codes.h"

namespace pendrel {
namespace {

constexpr std::uint32_t kVendorCdbLength = 16;
constexpr std::uint32_t kRefused = 0xFFFFFFFFu;

std::uint32_t mediaInfoLength(std::uint8_t type, std::uint32_t callerLength) {
  switch (type) {
    case 0: return 2;
    case 1: return 8;
    case 5: return 1;
    case 6: return 4;
    case 7: return 2;
    case 8: return callerLength;
    case 9: return 1;
    default: return kRefused;  // 2 to 4 and above 9
  }
}

std::uint32_t tableLength(std::uint8_t capacity) { return 2 + 11u * capacity; }

}  // namespace

CKvGetChipMajorRevId::CKvGetChipMajorRevId() : CKvScsiCommand("CKvGetChipMajorRevId", kVendorCdbLength, 2, 0) {}

std::int32_t CKvGetChipMajorRevId::BuildCdb() { return PutCdbBytes({0xC0, 0x30}); }

std::int32_t CKvGetChipMajorRevId::Decode(std::uint16_t& revision) const {
  if (!m_response) return kKvValueDoesNotFit;
  return m_response->Get16(revision, 0);
}

CKvGetLogicalMediaInfo::CKvGetLogicalMediaInfo(std::uint8_t type, std::uint32_t callerLength)
    : CKvScsiCommand("CKvGetLogicalMediaInfo", kVendorCdbLength,
                     mediaInfoLength(type, callerLength) == kRefused ? 0 : mediaInfoLength(type, callerLength), 0),
      m_type(type) {
  if (mediaInfoLength(type, callerLength) == kRefused) Refuse(kKvUnknownMediaInfoType);
}

std::int32_t CKvGetLogicalMediaInfo::BuildCdb() { return PutCdbBytes({0xC0, 0x02, m_type}); }

std::int32_t CKvGetLogicalMediaInfo::DecodeUsable(std::uint8_t& usable) const {
  if (m_type != kUsableType) return kKvUnknownMediaInfoType;
  if (!m_response) return kKvIndexOutOfRange;
  return m_response->GetAt(0, usable);
}

CKvGetLogicalTable::CKvGetLogicalTable(std::uint8_t capacity)
    : CKvScsiCommand("CKvGetLogicalTable", kVendorCdbLength, tableLength(capacity), 0), m_capacity(capacity) {}

std::int32_t CKvGetLogicalTable::BuildCdb() { return PutCdbBytes({0xC0, 0x05, m_capacity}); }

std::int32_t CKvGetLogicalTable::SetResponse(const CKvByteArray& response) {
  std::int32_t r = CKvScsiCommand::SetResponse(response);
  if (r != kKvOk) return r;
  m_table = KvMediaTable{};
  std::uint16_t count = 0;
  r = m_response->Get16(count, 0);
  if (r != kKvOk) return r;
  for (std::uint32_t i = 0; i < count; ++i) {
    // The table has room for ten entries whatever the answer says.
    if (i >= KvMediaTable::kCapacity) return kKvValueDoesNotFit;
    std::uint32_t at = 2 + 11 * i;
    std::uint64_t size = 0;
    std::uint8_t number = 0, type = 0, tag = 0;
    if ((r = m_response->Get64(size, at + 3)) != kKvOk) return kKvValueDoesNotFit;
    m_response->GetAt(at, number);
    m_response->GetAt(at + 1, type);
    m_response->GetAt(at + 2, tag);
    m_table.entries[i].driveNumber = number;
    m_table.entries[i].type = type;
    m_table.entries[i].tag = tag;
    m_table.entries[i].size = size;
    m_table.count = static_cast<std::uint16_t>(i + 1);
  }
  return kKvOk;
}

CKvAllocateLogicalMedia::CKvAllocateLogicalMedia(const KvMediaTable& table)
    : CKvScsiCommand("CKvAllocateLogicalMedia", kVendorCdbLength, 0,
                     11u * (table.count <= KvMediaTable::kCapacity ? table.count : 0)),
      m_table(table) {
  if (table.count > KvMediaTable::kCapacity) Refuse(kKvValueDoesNotFit);
}

std::int32_t CKvAllocateLogicalMedia::BuildCdb() {
  std::int32_t r = PutCdbBytes({0xC1, 0x06, static_cast<std::uint8_t>(m_table.count)});
  // Ten bytes per entry; the player assigns the drive numbers itself.
  for (std::uint32_t i = 0; r == kKvOk && i < m_table.count && i < KvMediaTable::kCapacity; ++i) {
    std::uint32_t at = kVendorCdbLength + 10 * i;
    r = m_cdb->SetAt(at, m_table.entries[i].type);
    if (r == kKvOk) r = m_cdb->SetAt(at + 1, m_table.entries[i].tag);
    if (r == kKvOk) r = m_cdb->Set64(m_table.entries[i].size, at + 2);
  }
  return r;
}

CKvEraseLogicalMedia::CKvEraseLogicalMedia() : CKvScsiCommand("CKvEraseLogicalMedia", kVendorCdbLength, 0, 0) {}

std::int32_t CKvEraseLogicalMedia::BuildCdb() { return PutCdbBytes({0xC1, 0x07}); }

}  // namespace pendrel
