// The text service: the string numbers the updater uses in every language,
// the two maps, and the special rules of the central lookup.
#include <gtest/gtest.h>

#include <vector>

#include "updater/app/kv_config_info.h"
#include "updater/app/kv_resource.h"
#include "updater/app/kv_string_table.h"
#include "updater/app/kv_text_format.h"
#include "updater/device/kv_error_info.h"
#include "updater/device/kv_result_codes.h"

namespace pendrel {
namespace {

const win::LANGID kLanguages[] = {0x0409, 0x0407, 0x040A, 0x040C, 0x0411, 0x0412, 0x0404, 0x0804};

// Every string number that a window, switch, task or message of the program names.
std::vector<std::uint32_t> usedStrings() {
  std::vector<std::uint32_t> ids = {100, 102, 103, 104, 106, 107, 138, 159, 621, 622, 623, 624, 625, 626,
                                    629, 630, 631, 632, 634};
  for (std::uint32_t i = 108; i <= 137; ++i) ids.push_back(i);
  for (std::uint32_t i = 140; i <= 155; ++i) ids.push_back(i);
  for (std::uint32_t i = 161; i <= 202; ++i) ids.push_back(i);
  for (std::uint32_t i = 204; i <= 421; ++i) ids.push_back(i);
  return ids;
}

struct Resource {
  explicit Resource(win::LANGID langid) : resource(&config, langid) {
    config.SetResource(&resource);
    resource.SetErrorInfo(&errors);
  }
  CKvConfigInfo config;
  CKvErrorInfo errors;
  CKvLanguageResource resource;
};

TEST(KvResourceTest, EveryUsedNumberHasATextInEveryLanguage) {
  for (win::LANGID langid : kLanguages) {
    Resource r(langid);
    ASSERT_EQ(r.resource.GetLastError(), kKvOk) << std::hex << langid;
    for (std::uint32_t id : usedStrings()) {
      std::wstring text;
      EXPECT_EQ(r.resource.LoadString(id, text, false), kKvOk) << std::hex << langid << std::dec << " " << id;
      if (id != 626) {
        EXPECT_FALSE(text.empty()) << langid << " " << id;
      }
    }
    for (std::uint32_t id = 50; id <= 70; ++id) {
      std::wstring text;
      EXPECT_EQ(r.resource.LoadString(id, text, false), kKvOk);
      EXPECT_FALSE(text.empty()) << langid << " " << id;
    }
  }
}

TEST(KvResourceTest, FormattedTextsKeepTheirPlacesInEveryLanguage) {
  for (win::LANGID langid : kLanguages) {
    Resource r(langid);
    std::wstring usage;
    r.resource.LoadString(205, usage, false);
    std::vector<std::wstring> args(20, L"w");
    std::wstring filled = FormatText(usage, {args[0], args[1], args[2], args[3], args[4], args[5], args[6],
                                             args[7], args[8], args[9], args[10], args[11], args[12], args[13],
                                             args[14], args[15], args[16], args[17], args[18], args[19]});
    EXPECT_EQ(filled.find(L'%'), std::wstring::npos) << langid;
    std::wstring placed = FormatText(usage, {L"Pendrel.exe"});
    EXPECT_EQ(placed.find(L"Pendrel.exe"), usage.find(L"%s")) << langid;
    for (std::uint32_t id : {119u, 171u, 196u}) {
      std::wstring text;
      r.resource.LoadString(id, text, false);
      std::wstring once = FormatText(text, {L"NAME"});
      EXPECT_NE(once.find(L"NAME"), std::wstring::npos) << langid << " " << id;
      EXPECT_EQ(once.find(L"%"), std::wstring::npos) << langid << " " << id;
    }
  }
}

TEST(KvResourceTest, SwitchWordsAreTheSameInEveryLanguage) {
  Resource english(0x0409);
  for (win::LANGID langid : kLanguages) {
    Resource r(langid);
    for (std::uint32_t id : {198u, 199u, 200u, 201u, 202u, 204u, 206u, 625u}) {
      std::wstring word, englishWord;
      r.resource.LoadString(id, word, false);
      english.resource.LoadString(id, englishWord, false);
      EXPECT_EQ(word, englishWord) << langid << " " << id;
    }
  }
}

TEST(KvResourceTest, ErrorMapCoversZeroToMinusFiftyNine) {
  Resource r(0x0409);
  struct Case {
    std::int32_t code;
    const wchar_t* text;
  };
  const Case cases[] = {{0, L"The operation completed successfully."},
                        {-22, L"No player was found."},
                        {-31, L"The player's drive could not be locked. Close every program that uses the player and try again."},
                        {-32, L"The player's drive could not be unlocked."},
                        {-41, L"An icon of the program could not be loaded."},
                        {-59, L"The player's settings file could not be deleted."}};
  for (const Case& c : cases) {
    std::wstring text;
    EXPECT_EQ(r.resource.GetErrorMessage(c.code, text, false), kKvOk);
    EXPECT_EQ(text, c.text) << c.code;
  }
  for (std::int32_t code = 0; code >= -59; --code) {
    std::wstring text;
    EXPECT_EQ(r.resource.GetErrorMessage(code, text, false), kKvOk) << code;
    EXPECT_FALSE(text.empty()) << code;
  }
  for (std::int32_t code : {1, -60, -64, 0x7FFFFFFF, static_cast<std::int32_t>(0x80000000u)}) {
    std::wstring text = L"left over";
    EXPECT_EQ(r.resource.GetErrorMessage(code, text, false), kKvCodeOutsideMap) << code;
    EXPECT_EQ(text, L"");
  }
}

TEST(KvResourceTest, DeviceStatusMapAndUnknownStatus) {
  Resource r(0x0409);
  struct Case {
    std::uint16_t status;
    std::int32_t result;
    const wchar_t* text;
  };
  const Case cases[] = {
      {0x0101, kKvOk, L"The player reported status 0x0101."},
      {0x010F, kKvOk, L"The player reported status 0x010F."},
      {0x0000, kKvOk, L"The player reported status 0x0000."},
      {0x0516, kKvOk, L"The player reported status 0x0516."},
      {0x0885, kKvOk, L"The player reported status 0x0885."},
      {0x1234, kKvUnknownStatus, L"The player reported a status that is not known."},
      {0x0100, kKvUnknownStatus, L"The player reported a status that is not known."},
      {0x020E, kKvUnknownStatus, L"The player reported a status that is not known."},
      {0xFFFF, kKvUnknownStatus, L"The player reported a status that is not known."},
  };
  for (const Case& c : cases) {
    std::wstring text;
    EXPECT_EQ(r.resource.GetStatusMessage(c.status, text, false), c.result) << std::hex << c.status;
    EXPECT_EQ(text, c.text);
  }
}

TEST(KvResourceTest, EveryStatusStringBelongsToOneStatus) {
  Resource r(0x0409);
  for (std::uint32_t status = 0; status <= 0xFFFF; ++status) {
    std::wstring text;
    if (r.resource.GetStatusMessage(static_cast<std::uint16_t>(status), text, false) != kKvOk) continue;
    wchar_t expected[64];
    std::swprintf(expected, 64, L"The player reported status 0x%04X.", status);
    EXPECT_EQ(text, expected);
  }
}

TEST(KvResourceTest, NumbersFiftyToSeventyFollowThePrimaryLanguage) {
  struct Case {
    win::LANGID langid;
    const char* library;
    const wchar_t* string61;
  };
  const Case cases[] = {
      {0x0807, "kvrx0407.dll", L"Ressource dll : %s konnte nicht geladen werden"},
      {0x0407, "kvrx0407.dll", L"Ressource dll : %s konnte nicht geladen werden"},
      {0x0816, "kvrx0409.dll", L"Unable to load resource dll: %s"},
      {0x0009, "kvrx0409.dll", L"Unable to load resource dll: %s"},
      {0x0C04, "kvrx0804.dll", L"不能装载资源 dll : %s"},
      {0x0404, "kvrx0404.dll", L"不能裝載資源 dll : %s"},
      {0x080A, "kvrx040a.dll", L"No se pudo cargar la dll de recursos: %s"},
      {0x040C, "kvrx040c.dll", L"Impossible de charger la DLL de ressource  %s"},
      {0x0411, "kvrx0411.dll", L"リソース dll が読み込まれませんでした： %s"},
      {0x0412, "kvrx0412.dll", L"다음 dll을 읽어올 수 없습니다: %s"},
  };
  for (const Case& c : cases) {
    Resource r(c.langid);
    EXPECT_EQ(LanguageLibraryName(c.langid), c.library);
    EXPECT_EQ(r.resource.GetLibraryName(), c.library);
    std::wstring text;
    EXPECT_EQ(r.resource.LoadString(61, text, false), kKvOk);
    EXPECT_EQ(text, c.string61) << std::hex << c.langid;
  }
}

TEST(KvResourceTest, WindowTitlesCarryTheApplicationName) {
  Resource english(0x0409), korean(0x0412);
  std::wstring text;
  english.resource.LoadString(106, text, false);
  EXPECT_EQ(text, L"Starting MP3 Update...");
  english.resource.LoadString(107, text, false);
  EXPECT_EQ(text, L"Restoring the player with MP3 Update...");
  korean.resource.LoadString(106, text, false);
  EXPECT_EQ(text, L"MP3 Update 시작 중...");
}

TEST(KvResourceTest, SystemErrorTextFollowsString209) {
  Resource r(0x0409);
  r.errors.Set(-25, 5);
  std::wstring text;
  EXPECT_EQ(r.resource.LoadString(209, text, false), kKvOk);
  EXPECT_EQ(text, L"System message: Access is denied.");
}

TEST(KvResourceTest, MissingStringIsRecorded) {
  Resource r(0x0409);
  std::wstring text = L"x";
  EXPECT_EQ(r.resource.LoadString(203, text, false), kKvStringNotLoaded);
  EXPECT_EQ(text, L"");
  EXPECT_EQ(r.errors.errorCode(), kKvStringNotLoaded);
  EXPECT_EQ(r.errors.objectName(), "CKvResource");
  EXPECT_EQ(r.resource.LoadString(100000, text, true), kKvStringNotLoaded);
}

TEST(KvResourceTest, ComponentTextsNameTheComponent) {
  Resource r(0x0409);
  std::wstring text;
  EXPECT_EQ(r.resource.GetComponentText(171, text, 2, false), kKvOk);
  EXPECT_EQ(text, L"Erasing USB Mass Storage...");
  EXPECT_EQ(r.resource.GetComponentText(196, text, 4, false), kKvOk);
  EXPECT_EQ(text, L"Writing Resource Manager...");
  EXPECT_EQ(r.resource.GetComponentText(171, text, 0, false), kKvComponentNotPresent);
  EXPECT_EQ(r.resource.GetComponentText(196, text, 7, false), kKvBadIndex);
  EXPECT_EQ(r.resource.GetComponentText(163, text, 7, false), kKvOk);
  EXPECT_EQ(text, L"Opening the player...");
}

TEST(KvResourceTest, AlternateLanguageServesTheLog) {
  Resource r(0x0407);
  ASSERT_EQ(r.resource.SwitchAlternateLanguage(0x0009), kKvOk);
  EXPECT_EQ(r.resource.GetAlternateLanguage(), 0x0009);
  std::wstring german, english;
  r.resource.GetErrorMessage(-22, german, false);
  r.resource.GetErrorMessage(-22, english, true);
  EXPECT_EQ(german, L"Es wurde kein Player gefunden.");
  EXPECT_EQ(english, L"No player was found.");
  std::wstring version;
  r.resource.GetVersionText(version);
  EXPECT_EQ(version, L"Version 1, 548, 8, 139");
}

TEST(KvStringTableTest, MalformedTablesAreRefused) {
  struct Case {
    const char* text;
    bool ok;
  };
  const Case cases[] = {
      {"# comment\n100\tText\r\n\n101\tTwo\\nlines\\t\\\\\n", true},
      {"100 Text\n", false},
      {"\tText\n", false},
      {"1x0\tText\n", false},
      {"100\tbad \\q escape\n", false},
      {"100\tends in \\\n", false},
      {"100\tA\n100\tB\n", false},
      {"1234567\tlong number\n", false},
      {"", true},
  };
  for (const Case& c : cases) EXPECT_EQ(KvStringTable::Parse(c.text) != nullptr, c.ok) << c.text;
  auto table = KvStringTable::Parse("101\tTwo\\nlines\\t\\\\\n102\t\xE4\xB8\xAD\xff\n");
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(*table->Find(101), L"Two\nlines\t\\");
  EXPECT_EQ(*table->Find(102), L"中\uFFFD");
  EXPECT_EQ(table->Find(103), nullptr);
  EXPECT_EQ(LoadLanguageLibrary("kvrx9999.dll"), nullptr);
}

TEST(KvTextFormatTest, PlacesAreFilledInOrderAndNeverRunPastTheArguments) {
  EXPECT_EQ(FormatText(L"%s and %s", {L"a", L"b"}), L"a and b");
  EXPECT_EQ(FormatText(L"%s and %s", {L"a"}), L"a and ");
  EXPECT_EQ(FormatText(L"100%% %d %", {L"a"}), L"100% %d %");
  EXPECT_EQ(FormatText(L"%s", {L"%s"}), L"%s");
}

}  // namespace
}  // namespace pendrel
