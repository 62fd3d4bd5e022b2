#include "updater/app/kv_resource.h"

#include "updater/app/kv_config_info.h"
#include "updater/app/kv_error_map.h"
#include "updater/app/kv_own_strings.h"
#include "updater/app/kv_string_table.h"
#include "updater/app/kv_system_message.h"
#include "updater/app/kv_text_format.h"
#include "updater/device/kv_error_info.h"
#include "updater/device/kv_result_codes.h"
#include "updater/device/kv_text.h"
#include "platform/win/system.h"

namespace pendrel {
namespace {

constexpr std::uint32_t kAppNameString = 53;
constexpr std::uint32_t kSearchingTitle = 106;
constexpr std::uint32_t kDownloadingTitle = 107;
constexpr std::uint32_t kSystemErrorString = 209;
constexpr std::uint32_t kEraseTaskString = 171;
constexpr std::uint32_t kWriteTaskString = 196;
constexpr std::uint32_t kVersionString = 626;
constexpr win::LANGID kKorean = 0x12;
// What the system answers for a string the library lacks.
constexpr std::uint32_t kErrorResourceNameNotFound = 1814;
// The library's own error for a library that cannot be loaded.
constexpr std::uint32_t kErrorModNotFound = 126;

}  // namespace

CKvResource::CKvResource(CKvConfigInfo* config, win::LANGID langid)
    : CKvBase("CKvResource"),
      m_errorMap(BuildErrorMap()),
      m_statusMap(BuildDeviceStatusMap()),
      m_config(config),
      m_langid(langid),
      m_alternateLangid(langid) {
  if (!loadLibrary(langid, m_library, m_libraryName)) {
    SetError(kKvResourceLibrary, kErrorModNotFound);
    return;
  }
  m_alternateLibrary = m_library;
}

CKvResource::~CKvResource() = default;

bool CKvResource::loadLibrary(win::LANGID langid, std::shared_ptr<const KvStringTable>& library,
                              std::string& name) {
  name = LanguageLibraryName(langid);
  library = LoadLanguageLibrary(name);
  return library != nullptr;
}

std::int32_t CKvResource::LoadString(std::uint32_t id, std::wstring& text, bool useAlternate) {
  text.clear();
  const std::wstring* found = nullptr;
  std::wstring own;
  if (const wchar_t* s = OwnString(id, m_langid)) {
    own = s;
    found = &own;
  } else if (const KvStringTable* library = (useAlternate ? m_alternateLibrary : m_library).get()) {
    found = library->Find(id);
  }
  if (!found) {
    SetError(kKvStringNotLoaded, kErrorResourceNameNotFound);
    if (m_errorInfo) m_errorInfo->Record(*this);
    return kKvStringNotLoaded;
  }
  text = *found;
  if (id == kSystemErrorString) {
    std::uint32_t systemError = m_errorInfo ? m_errorInfo->systemError() : 0;
    text += SystemMessageText(systemError, useAlternate ? m_alternateLangid : win::GetUserDefaultLangID());
  } else if (id == kSearchingTitle || id == kDownloadingTitle) {
    std::wstring name = OwnString(kAppNameString, m_langid);
    text = (m_langid & 0x3FF) == kKorean ? name + L" " + text + L"..." : text + L" " + name + L"...";
  }
  return kKvOk;
}

std::int32_t CKvResource::GetErrorMessage(std::int32_t code, std::wstring& text, bool useAlternate) {
  auto it = m_errorMap.find(code);
  if (it == m_errorMap.end()) {
    text.clear();
    return kKvCodeOutsideMap;
  }
  return LoadString(it->second, text, useAlternate);
}

std::int32_t CKvResource::LookUpStatus(std::uint16_t status, std::wstring& text, bool useAlternate) {
  auto it = m_statusMap.find(status);
  if (it == m_statusMap.end()) {
    LoadString(kUnknownStatusString, text, useAlternate);
    return kKvUnknownStatus;
  }
  return LoadString(it->second, text, useAlternate);
}

std::int32_t CKvResource::GetComponentText(std::uint32_t id, std::wstring& text, std::uint8_t index,
                                           bool useAlternate) {
  if (id != kEraseTaskString && id != kWriteTaskString) return LoadString(id, text, useAlternate);
  std::wstring name;
  std::int32_t r = m_config ? m_config->GetComponentDisplayName(index, name) : kKvBadIndex;
  if (r != kKvOk) {
    text.clear();
    return r;
  }
  std::wstring format;
  r = LoadString(id, format, useAlternate);
  if (r == kKvOk) text = FormatText(format, {name});
  return r;
}

std::int32_t CKvResource::GetAppName(std::wstring& text) { return LoadString(kAppNameString, text, false); }

std::int32_t CKvResource::GetVersionText(std::wstring& text) {
  std::int32_t r = LoadString(kVersionString, text, false);
  if (r == kKvOk) text += L"1, 548, 8, 139";
  return r;
}

std::int32_t CKvResource::SwitchAlternateLanguage(win::LANGID langid) {
  std::shared_ptr<const KvStringTable> library;
  std::string name;
  if (!loadLibrary(langid, library, name)) {
    SetError(kKvResourceLibrary, kErrorModNotFound);
    if (m_errorInfo) m_errorInfo->Record(AnsiToWide(name), *this);
    return kKvResourceLibrary;
  }
  m_alternateLangid = langid;
  m_alternateLibrary = std::move(library);
  return kKvOk;
}

CKvLanguageResource::CKvLanguageResource(CKvConfigInfo* config, win::LANGID langid) : CKvResource(config, langid) {}

std::int32_t CKvLanguageResource::GetStatusMessage(std::uint16_t status, std::wstring& text, bool useAlternate) {
  return LookUpStatus(status, text, useAlternate);
}

std::int32_t CKvLanguageResource::GetString(std::uint32_t id, std::wstring& text) {
  return LoadString(id, text, false);
}

}  // namespace pendrel
