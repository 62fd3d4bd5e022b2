// The text service: every string of the updater by number, the messages of
// result codes and of the player's status codes, from the language library
// of the user's language (and an alternate one for the log).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "platform/win/types.h"
#include "updater/device/kv_base.h"

namespace pendrel {

class CKvConfigInfo;
class CKvErrorInfo;
class KvStringTable;

class CKvResource : public CKvBase {
 public:
  ~CKvResource() override;

  virtual std::int32_t GetStatusMessage(std::uint16_t status, std::wstring& text, bool useAlternate) = 0;
  virtual std::int32_t GetString(std::uint32_t id, std::wstring& text) = 0;

  // The central lookup: 0, or -28 when the string cannot be loaded.
  std::int32_t LoadString(std::uint32_t id, std::wstring& text, bool useAlternate);
  // -60 with an empty text for a code outside 0 to -59.
  std::int32_t GetErrorMessage(std::int32_t code, std::wstring& text, bool useAlternate);
  // Strings 171 and 196 name component `index`; any other id loads plainly.
  std::int32_t GetComponentText(std::uint32_t id, std::wstring& text, std::uint8_t index, bool useAlternate);
  std::int32_t GetAppName(std::wstring& text);
  std::int32_t GetVersionText(std::wstring& text);
  // Loads the library of langid as the alternate one; -61 when it cannot.
  std::int32_t SwitchAlternateLanguage(win::LANGID langid);

  // Where failures to load a string are recorded (the updater's error record).
  void SetErrorInfo(CKvErrorInfo* errorInfo) { m_errorInfo = errorInfo; }
  win::LANGID GetLanguage() const { return m_langid; }
  // The file name of the main library ("kvrx0409.dll"), also when it failed to load.
  const std::string& GetLibraryName() const { return m_libraryName; }
  win::LANGID GetAlternateLanguage() const { return m_alternateLangid; }

 protected:
  CKvResource(CKvConfigInfo* config, win::LANGID langid);
  // The message of a known status: its string, else string 621 and -63.
  std::int32_t LookUpStatus(std::uint16_t status, std::wstring& text, bool useAlternate);

 private:
  bool loadLibrary(win::LANGID langid, std::shared_ptr<const KvStringTable>& library, std::string& name);

  std::unordered_map<std::int32_t, std::uint32_t> m_errorMap;
  std::unordered_map<std::uint16_t, std::uint32_t> m_statusMap;
  CKvConfigInfo* m_config;
  std::string m_libraryName;
  std::shared_ptr<const KvStringTable> m_library;
  std::shared_ptr<const KvStringTable> m_alternateLibrary;
  win::LANGID m_langid;
  win::LANGID m_alternateLangid;
  CKvErrorInfo* m_errorInfo = nullptr;
};

// The one text service the program uses, over the language libraries.
class CKvLanguageResource : public CKvResource {
 public:
  CKvLanguageResource(CKvConfigInfo* config, win::LANGID langid);

  std::int32_t GetStatusMessage(std::uint16_t status, std::wstring& text, bool useAlternate) override;
  std::int32_t GetString(std::uint32_t id, std::wstring& text) override;
};

}  // namespace pendrel
