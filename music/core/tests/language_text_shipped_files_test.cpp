// The language files shipped beside the program: every listed number has a
// text in each language, the placeholders are the ones the program fills,
// and the Chinese files are code page 936.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "music/core/help_file.h"
#include "music/core/language_text_numbers.h"
#include "music/core/tests/virelo_app_test_machine.h"
#include "music/core/virelo_app.h"
#include "platform/win/codepage.h"

namespace virelo {
namespace {

using testing::kProgramFolder;
using testing::kProgramPath;
using testing::VireloMachine;

std::filesystem::path shippedFolder() { return std::filesystem::path(kltest::SourceDir()) / "components/language/virelo"; }

std::string readHostFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void install(const VireloMachine& machine) {
  std::filesystem::path target = machine.hostPath(kProgramFolder);
  std::filesystem::create_directories(target);
  std::filesystem::copy(shippedFolder(), target, std::filesystem::copy_options::recursive);
}

// The printf conversions of a text: d for integers, f for floating point,
// s for texts, ? for anything else.
std::string conversions(const std::string& text) {
  std::string kinds;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') continue;
    if (++i < text.size() && text[i] == '%') continue;
    while (i < text.size() && std::string("-+ #0").find(text[i]) != std::string::npos) ++i;
    while (i < text.size() && (std::isdigit(static_cast<unsigned char>(text[i])) || text[i] == '.')) ++i;
    while (i < text.size() && (text[i] == 'l' || text[i] == 'h')) ++i;
    char c = i < text.size() ? text[i] : '\0';
    if (std::string("diuxX").find(c) != std::string::npos && c)
      kinds += 'd';
    else if (std::string("feEgG").find(c) != std::string::npos && c)
      kinds += 'f';
    else if (c == 's')
      kinds += 's';
    else
      kinds += '?';
  }
  return kinds;
}

// What the program formats each text with; every other text takes nothing.
const std::map<int, std::string> kPlaceholders = {
    {61206, "s"}, {61217, "s"}, {61220, "f"},  {61222, "ds"}, {61223, "ds"}, {61224, "s"},
    {61225, "s"}, {61226, "ff"}, {61227, "dsf"}, {61238, "s"}, {61240, "s"},  {61241, "s"},
    {61243, "s"}, {61244, "s"},  {61247, "s"},  {61255, "f"},  {61256, "s"},  {61259, "s"},
};

struct Language {
  win::LANGID id;
  win::UINT codePage;
  const char* file;
};
const Language kLanguages[] = {
    {0x0409, 1252, "Language\\English.ini"},
    {0x0804, 936, "Language\\Chinese.ini"},
    {0x0c04, 936, "Language\\English.ini"},  // no file of its own: the default
};

TEST(ShippedLanguageFiles, EveryListedNumberHasATextWithTheRightPlaceholders) {
  for (const Language& language : kLanguages) {
    VireloMachine machine(language.id, language.codePage);
    install(machine);
    VireloApp app;
    ASSERT_EQ(app.texts().languageFile(), kProgramFolder + language.file);
    for (int n : kLanguageTextNumbers) {
      const char* text = app.LanguageText(n);
      ASSERT_NE(text, nullptr);
      EXPECT_STRNE(text, "") << language.file << " STR " << n;
      auto expected = kPlaceholders.find(n);
      EXPECT_EQ(conversions(text), expected == kPlaceholders.end() ? "" : expected->second)
          << language.file << " STR " << n << ": " << text;
    }
    for (int n : kMenuTextNumbers) {
      const char* text = app.MenuText(n);
      ASSERT_NE(text, nullptr);
      EXPECT_STRNE(text, "") << language.file << " MENU " << n;
      EXPECT_EQ(conversions(text), "") << language.file << " MENU " << n;
    }
  }
}

TEST(ShippedLanguageFiles, TextsAreReallyInTheirLanguage) {
  VireloMachine english(0x0409);
  install(english);
  VireloApp en;
  VireloMachine chinese(0x0804, 936);
  install(chinese);
  VireloApp zh;
  EXPECT_STREQ(en.LanguageText(1), "OK");
  EXPECT_STREQ(en.MenuText(61248), "&File");
  EXPECT_STREQ(en.LanguageText(61204), "New list ");  // a number follows directly
  EXPECT_EQ(win::AnsiToUtf8(zh.LanguageText(61208), 936), "我的音乐库");
  EXPECT_EQ(win::AnsiToUtf8(zh.MenuText(32816), 936), "设置(&S)\tCtrl+S");
}

// Lead bytes 0x81..0xFE take a trail byte 0x40..0xFE other than 0x7F.
bool validCp936(const std::string& bytes, std::size_t* doubleByteCount) {
  *doubleByteCount = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) continue;
    if (b == 0x80 || b == 0xFF || i + 1 == bytes.size()) return false;
    auto t = static_cast<unsigned char>(bytes[++i]);
    if (t < 0x40 || t == 0x7F || t == 0xFF) return false;
    ++*doubleByteCount;
  }
  return true;
}

TEST(ShippedLanguageFiles, ChineseFilesAreCodePage936MadeFromTheirSources) {
  kltest::TempMachine machine;
  const std::pair<const char*, const char*> files[] = {
      {"Language/Chinese.ini", "source/Chinese.ini.utf8"},
      {"Help/Chinese.htm", "source/Chinese.htm.utf8"},
  };
  for (const auto& [shipped, source] : files) {
    std::string bytes = readHostFile(shippedFolder() / shipped);
    std::size_t doubleBytes = 0;
    EXPECT_TRUE(validCp936(bytes, &doubleBytes)) << shipped;
    EXPECT_GT(doubleBytes, 100u) << shipped;
    EXPECT_EQ(win::AnsiToUtf8(bytes, 936).find("\xEF\xBF\xBD"), std::string::npos) << shipped;
    // A changed source must be converted again (source/make_cp936.sh).
    EXPECT_EQ(win::AnsiToUtf8(bytes, 936), readHostFile(shippedFolder() / source)) << shipped;
  }
}

TEST(ShippedLanguageFiles, HelpFilesNamedByConfigExist) {
  for (const Language& language : kLanguages) {
    VireloMachine machine(language.id, language.codePage);
    install(machine);
    std::string help = HelpFilePath(kProgramFolder, language.id);
    ASSERT_FALSE(help.empty());
    EXPECT_TRUE(machine.exists(help)) << help;
  }
}

}  // namespace
}  // namespace virelo
