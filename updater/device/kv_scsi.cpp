#include "updater/device/kv_scsi.h"

#include <new>

#include "platform/win/files.h"
#include "updater/app/kv_config_info.h"
#include "updater/app/kv_resource.h"
#include "updater/device/kv_media_commands.h"
#include "updater/device/kv_result_codes.h"
#include "updater/device/kv_scsi_command.h"
#include "updater/device/kv_sense_message.h"
#include "updater/device/kv_standard_commands.h"
#include "updater/device/kv_updater.h"

namespace pendrel {
namespace {

wchar_t foldCase(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

// The configured identification against an INQUIRY field, over the
// configured text's length, without regard to case.
bool fieldMatches(const std::uint8_t* inquiry, std::uint32_t offset, const std::wstring& wanted) {
  if (wanted.size() > CKvScsiInquiry::kDataLength - offset) return false;
  for (std::size_t i = 0; i < wanted.size(); ++i)
    if (foldCase(static_cast<wchar_t>(inquiry[offset + i])) != foldCase(wanted[i])) return false;
  return true;
}

}  // namespace

CKvScsi::CKvScsi(CKvUpdater* owner, const char* name) : CKvBase(name), m_owner(owner) {}

CKvScsi::~CKvScsi() { CloseHandleIfOpen(); }

void CKvScsi::CloseHandleIfOpen() {
  if (m_handle != win::INVALID_HANDLE_VALUE) win::CloseHandle(m_handle);
  m_handle = win::INVALID_HANDLE_VALUE;
}

std::int32_t CKvScsi::Fail(std::int32_t code, std::uint32_t systemError) {
  SetError(code, systemError);
  if (m_owner && m_owner->m_errorInfo) m_owner->m_errorInfo->Record(*this);
  ClearError();
  return code;
}

std::int32_t CKvScsi::Fail(std::int32_t code, std::uint32_t systemError, const std::wstring& message) {
  SetError(code, systemError);
  if (m_owner && m_owner->m_errorInfo) m_owner->m_errorInfo->Record(message, *this);
  ClearError();
  return code;
}

std::int32_t CKvScsi::FailWithSense(const std::uint8_t* sense, std::uint32_t length, std::uint32_t systemError) {
  auto kept = std::unique_ptr<CKvByteArray>(new (std::nothrow) CKvByteArray(length, "CKvByteArray"));
  if (!kept || kept->GetLastError() != kKvOk) return Fail(kKvOutOfMemory, systemError);
  kept->CopyFrom(sense, length, 0);
  m_sense = std::move(kept);
  return Fail(kKvCheckCondition, systemError, SenseMessage(*m_sense, m_owner ? m_owner->m_resource : nullptr));
}

void CKvScsi::KeepAlive() {
  if (m_owner && m_owner->m_progress) m_owner->m_progress->Step(0);
}

bool CKvScsi::IsPlayer(const std::uint8_t* inquiry) const {
  if (!m_owner || !m_owner->m_config) return false;
  std::wstring vendor, product;
  m_owner->m_config->GetScsiVendorId(vendor);
  m_owner->m_config->GetScsiProductId(product);
  return fieldMatches(inquiry, 8, vendor) && fieldMatches(inquiry, 16, product);
}

bool CKvScsi::MediumUsable() {
  CKvGetLogicalMediaInfo info(CKvGetLogicalMediaInfo::kUsableType);
  std::uint8_t usable = 0;
  return info.GetLastError() == kKvOk && SendCommand(info) == kKvOk && info.DecodeUsable(usable) == kKvOk &&
         usable != 0;
}

std::int32_t CKvScsi::SendCommand(CKvScsiCommand& command) {
  command.BuildCdb();
  CKvByteArray response(command.GetResponseLength(), "CKvByteArray");
  if (response.GetLastError() != kKvOk) return kKvOutOfMemory;
  std::int32_t r = SendCdb(command.GetCdb(), command.GetCdbLength(), command.IsDataOut(), response);
  if (r != kKvOk) return r;
  if (command.IsDataOut()) return kKvOk;
  return command.SetResponse(response);
}

std::int32_t CKvScsi::WriteSectors(const CKvByteArray& data, std::uint32_t count, std::uint32_t first,
                                   std::uint32_t sectorSize) {
  CKvWrite write(first, count, sectorSize);
  if (write.GetLastError() != kKvOk) return write.GetLastError();
  std::int32_t r = write.SetPayload(data);
  if (r != kKvOk) return r;
  return SendCommand(write);
}

std::int32_t CKvScsi::ReadSectors(CKvByteArray& data, std::uint32_t count, std::uint32_t first,
                                  std::uint32_t sectorSize) {
  CKvRead read(first, count, sectorSize);
  if (read.GetLastError() != kKvOk) return read.GetLastError();
  std::int32_t r = SendCommand(read);
  if (r != kKvOk) return r;
  return read.Decode(data);
}

std::int32_t CKvScsi::SetDriveLayout(const KvDriveGeometry&, std::uint32_t) { return kKvOk; }

std::int32_t CKvScsi::GetDriveLayout(CKvByteArray&) { return kKvOk; }

std::int32_t CKvScsi::FindPhysicalDrive() { return kKvOk; }

}  // namespace pendrel
