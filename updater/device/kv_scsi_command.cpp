#include "updater/device/kv_scsi_command.h"

#include <new>

#include "updater/device/kv_result_codes.h"

namespace pendrel {

CKvScsiCommand::CKvScsiCommand(const char* name, std::uint32_t cdbLength, std::uint32_t responseLength,
                               std::uint32_t payloadLength)
    : CKvBase(name), m_cdbLength(cdbLength), m_responseLength(responseLength), m_payloadLength(payloadLength) {
  if (payloadLength > 0xFFFFFFFFu - cdbLength) {
    Refuse(kKvValueDoesNotFit);
    return;
  }
  m_cdb.reset(new (std::nothrow) CKvByteArray(cdbLength + payloadLength, "CKvByteArray"));
  if (!m_cdb || m_cdb->GetLastError() != kKvOk) {
    m_cdb.reset(new (std::nothrow) CKvByteArray(0, "CKvByteArray"));
    m_payloadLength = 0;
    SetError(kKvOutOfMemory);
  }
}

CKvScsiCommand::~CKvScsiCommand() = default;

void CKvScsiCommand::Refuse(std::int32_t code) {
  SetError(code, 0);
  m_responseLength = 0;
  m_payloadLength = 0;
  if (!m_cdb) m_cdb.reset(new (std::nothrow) CKvByteArray(m_cdbLength, "CKvByteArray"));
}

std::int32_t CKvScsiCommand::SetResponse(const CKvByteArray& response) {
  auto copy = std::unique_ptr<CKvByteArray>(new (std::nothrow) CKvByteArray(response.GetCount(), "CKvByteArray"));
  if (!copy || copy->GetLastError() != kKvOk) return kKvOutOfMemory;
  copy->CopyFrom(response.Data(), response.GetCount(), 0);
  m_response = std::move(copy);
  return kKvOk;
}

std::int32_t CKvScsiCommand::PutCdbBytes(std::initializer_list<std::uint8_t> bytes) {
  std::uint32_t i = 0;
  for (std::uint8_t b : bytes) {
    std::int32_t r = m_cdb->SetAt(i++, b);
    if (r != kKvOk) return r;
  }
  return kKvOk;
}

std::int32_t CKvScsiCommand::CopyIntoPayload(const CKvByteArray& data) {
  if (data.GetCount() > m_payloadLength) return kKvPayloadTooLarge;
  return m_cdb->CopyFrom(data.Data(), data.GetCount(), m_cdbLength);
}

bool TransferLength(std::uint64_t count, std::uint32_t size, std::uint32_t& out) {
  std::uint64_t total = count * static_cast<std::uint64_t>(size);
  if (count > 0xFFFFFFFFu || total > 0xFFFFFFFFu) return false;
  out = static_cast<std::uint32_t>(total);
  return true;
}

}  // namespace pendrel
