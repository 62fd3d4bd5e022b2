#include "updater/app/kv_config_info.h"

#include "updater/app/kv_resource.h"
#include "updater/device/kv_result_codes.h"

namespace pendrel {
namespace {

const KvComponentRecord kComponents[CKvConfigInfo::kComponentRecords] = {
    {"", u"", 0, 0x0A, 0, 0, 0},
    {"bootmanager.sb", u"Boot Manager", 1, 0x50, 1, 0, 0},
    {"usbmsc.sb", u"USB Mass Storage", 1, 0x01, 1, 0, 0},
    {"kvrxsys.sb", u"Player", 1, 0x00, 1, 0, 0},
    {"resource.bin", u"Resource Manager", 1, 0x02, 1, 0, 0},
};

const char kUpdaterFileName[] = "Pendrel.exe";
const char kScsiVendorId[] = "ORNEX   ";
const char kScsiProductId[] = "KL570           ";
const char kProductName[] = "KL570";
constexpr std::uint8_t kRecoveryComponent = 2;
constexpr std::uint8_t kPlayerComponent = 3;

std::wstring widen(const char* ascii) { return std::wstring(ascii, ascii + std::char_traits<char>::length(ascii)); }

}  // namespace

CKvConfigInfo::CKvConfigInfo() : CKvBase("CKvConfigInfo") {}

std::int32_t CKvConfigInfo::GetUpdaterFileName(std::wstring& text) const {
  text = widen(kUpdaterFileName);
  return kKvOk;
}

std::int32_t CKvConfigInfo::GetScsiVendorId(std::wstring& text) const {
  text = widen(kScsiVendorId);
  return kKvOk;
}

std::int32_t CKvConfigInfo::GetScsiProductId(std::wstring& text) const {
  text = widen(kScsiProductId);
  return kKvOk;
}

std::int32_t CKvConfigInfo::GetProductName(std::wstring& text) const {
  text = widen(kProductName);
  return text.empty() ? kKvEmptyProductName : kKvOk;
}

std::int32_t CKvConfigInfo::GetComponentCount(std::uint8_t& count) const {
  count = 0;
  for (const KvComponentRecord& record : kComponents)
    if (record.present == 1) ++count;
  return kKvOk;
}

std::int32_t CKvConfigInfo::presentRecord(std::uint8_t index, const KvComponentRecord*& record) const {
  if (index >= kComponentRecords) return kKvBadIndex;
  if (kComponents[index].present != 1) return kKvComponentNotPresent;
  record = &kComponents[index];
  return kKvOk;
}

std::int32_t CKvConfigInfo::GetComponentFileName(std::uint8_t index, std::wstring& text) const {
  const KvComponentRecord* record = nullptr;
  std::int32_t r = presentRecord(index, record);
  if (r == kKvOk) text = widen(record->fileName);
  return r;
}

std::int32_t CKvConfigInfo::GetComponentDisplayName(std::uint8_t index, std::wstring& text) const {
  const KvComponentRecord* record = nullptr;
  std::int32_t r = presentRecord(index, record);
  if (r == kKvOk) {
    text.clear();
    for (const char16_t* c = record->displayName; *c; ++c) text += static_cast<wchar_t>(*c);
  }
  return r;
}

std::int32_t CKvConfigInfo::GetComponentDriveTag(std::uint8_t index, std::uint8_t& tag) const {
  if (index >= kComponentRecords) return kKvBadIndex;
  tag = kComponents[index].driveTag;
  return kKvOk;
}

std::int32_t CKvConfigInfo::GetComponentEncrypted(std::uint8_t index, std::uint8_t& flag) const {
  const KvComponentRecord* record = nullptr;
  std::int32_t r = presentRecord(index, record);
  if (r == kKvOk) flag = record->encrypted;
  return r;
}

std::int32_t CKvConfigInfo::GetComponentSizeHint(std::uint8_t index, std::uint32_t& value) const {
  if (index >= kComponentRecords) return kKvBadIndex;
  value = kComponents[index].sizeHint;
  return kKvOk;
}

std::int32_t CKvConfigInfo::GetBootManagerTag(std::uint8_t& tag) const { return GetComponentDriveTag(1, tag); }

std::int32_t CKvConfigInfo::GetFormatByDefault(std::int32_t& flag) const {
  flag = 0;
  return kKvOk;
}

std::int32_t CKvConfigInfo::GetShowDeviceDetails(std::int32_t& flag) const {
  flag = 1;
  return kKvOk;
}

std::int32_t CKvConfigInfo::GetRecoveryComponentIndex(std::uint8_t& index) const {
  index = kRecoveryComponent;
  return kKvOk;
}

std::int32_t CKvConfigInfo::GetPlayerComponentIndex(std::uint8_t& index) const {
  index = kPlayerComponent;
  return kKvOk;
}

std::int32_t CKvConfigInfo::resourceString(std::uint32_t id, std::wstring& text) const {
  if (!m_resource) return kKvStringNotLoaded;
  return m_resource->GetString(id, text);
}

std::int32_t CKvConfigInfo::GetLegalNotice(std::wstring& text) const { return resourceString(52, text); }
std::int32_t CKvConfigInfo::GetAppName(std::wstring& text) const { return resourceString(53, text); }
std::int32_t CKvConfigInfo::GetAboutTitle(std::wstring& text) const { return resourceString(54, text); }
std::int32_t CKvConfigInfo::GetAppDescription(std::wstring& text) const { return resourceString(55, text); }

}  // namespace pendrel
