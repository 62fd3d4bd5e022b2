#include "music/core/language_text.h"

#include <gtest/gtest.h>

#include <string>

#include "music/core/language_config.h"
#include "music/core/language_text_numbers.h"
#include "music/core/tests/virelo_app_test_machine.h"

namespace virelo {
namespace {

using testing::kProgramFolder;
using testing::VireloMachine;

void expectAllListedEmpty(const LanguageTexts& texts) {
  for (int n : kLanguageTextNumbers) {
    ASSERT_NE(texts.LanguageText(n), nullptr) << n;
    EXPECT_STREQ(texts.LanguageText(n), "") << n;
  }
  for (int n : kMenuTextNumbers) {
    ASSERT_NE(texts.MenuText(n), nullptr) << n;
    EXPECT_STREQ(texts.MenuText(n), "") << n;
  }
}

TEST(LanguageTexts, SystemLanguageKeyIsFourLowerCaseHexDigits) {
  struct Case {
    win::LANGID language;
    const char* expectedText;
  };
  // 0x0c04 must read LANG0c04 and 0x0404 the padded LANG0404, not the default.
  const Case cases[] = {{0x0c04, "hong kong"}, {0x0404, "taiwan"}, {0x0409, "default"}};
  for (const Case& c : cases) {
    VireloMachine machine(c.language);
    machine.writeFile(kProgramFolder + "config.ini",
                      "[VIRELO.EXE]\r\nLANG0c04=Language\\Hk.ini\r\nLANG0404=Language\\Tw.ini\r\n"
                      "LANGDEFAULT=Language\\Default.ini\r\n");
    machine.writeFile(kProgramFolder + "Language\\Hk.ini", "[STR]\r\n1=hong kong\r\n");
    machine.writeFile(kProgramFolder + "Language\\Tw.ini", "[STR]\r\n1=taiwan\r\n");
    machine.writeFile(kProgramFolder + "Language\\Default.ini", "[STR]\r\n1=default\r\n");
    LanguageTexts texts;
    texts.load(kProgramFolder, c.language);
    EXPECT_STREQ(texts.LanguageText(1), c.expectedText) << std::hex << c.language;
  }
}

TEST(LanguageTexts, ConfigFallsBackToDefaultWhenTheLanguageKeyIsMissingOrEmpty) {
  struct Case {
    const char* config;
    const char* expected;
  };
  const Case cases[] = {
      {"[VIRELO.EXE]\r\nLANG0804=zh.ini\r\nLANGDEFAULT=en.ini\r\n", "zh.ini"},
      {"[VIRELO.EXE]\r\nLANG0804=\r\nLANGDEFAULT=en.ini\r\n", "en.ini"},
      {"[VIRELO.EXE]\r\nLANGDEFAULT=en.ini\r\n", "en.ini"},
      {"[VIRELO.EXE]\r\nLANG0409=en.ini\r\n", ""},
      {"[DRIVON.EXE]\r\nLANG0804=drivon.ini\r\n", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    VireloMachine machine(0x0804);
    machine.writeFile(kProgramFolder + "config.ini", c.config);
    EXPECT_EQ(ReadConfigForLanguage(ConfigIniPath(kProgramFolder), kVireloConfigSection, "LANG", 0x0804), c.expected)
        << c.config;
  }
}

TEST(LanguageTexts, NoLanguageKeyAndNoDefaultGivesEmptyTextsEverywhere) {
  VireloMachine machine(0x0c04);
  machine.writeFile(kProgramFolder + "config.ini", "[VIRELO.EXE]\r\nLANG0804=Language\\Chinese.ini\r\n");
  machine.writeFile(kProgramFolder + "Language\\Chinese.ini", "[STR]\r\n1=zh\r\n[MENU]\r\n1100=zh\r\n");
  LanguageTexts texts;
  texts.load(kProgramFolder, 0x0c04);
  EXPECT_EQ(texts.languageFile(), "");
  expectAllListedEmpty(texts);
}

TEST(LanguageTexts, MissingLanguageFileOrConfigGivesEmptyTexts) {
  VireloMachine machine;
  LanguageTexts noConfig;
  noConfig.load(kProgramFolder, 0x0409);
  expectAllListedEmpty(noConfig);

  machine.writeFile(kProgramFolder + "config.ini", "[VIRELO.EXE]\r\nLANGDEFAULT=Language\\Gone.ini\r\n");
  LanguageTexts noFile;
  noFile.load(kProgramFolder, 0x0409);
  EXPECT_EQ(noFile.languageFile(), kProgramFolder + "Language\\Gone.ini");
  expectAllListedEmpty(noFile);

  expectAllListedEmpty(LanguageTexts());
}

TEST(LanguageTexts, NumbersOutsideTheListsHaveNoTextEvenWhenTheFileHasThem) {
  VireloMachine machine;
  machine.writeFile(kProgramFolder + "lang.ini",
                    "[STR]\r\n3=three\r\n1106=tree\r\n61248=popup\r\n61254=gap\r\n1=OK\r\n"
                    "[MENU]\r\n32802=gap\r\n1=menu one\r\n61254=gap\r\n1100=&Exit\r\n");
  LanguageTexts texts;
  texts.loadFile(kProgramFolder + "lang.ini");
  for (int n : {0, -1, 3, 1106, 61248, 61254, 65535}) EXPECT_EQ(texts.LanguageText(n), nullptr) << n;
  for (int n : {0, 1, 2, 32802, 61254, 61204}) EXPECT_EQ(texts.MenuText(n), nullptr) << n;
  EXPECT_STREQ(texts.LanguageText(1), "OK");
  EXPECT_STREQ(texts.MenuText(1100), "&Exit");
}

TEST(LanguageTexts, EachListReadsItsOwnSectionAndMissingKeysAreEmpty) {
  VireloMachine machine;
  machine.writeFile(kProgramFolder + "lang.ini",
                    "[MENU]\r\n1100=&Exit\r\n1107=&Play/Pause\tCtrl+P\r\n"
                    "[STR]\r\n1100=Close\r\n61206=Delete \"%s\"?\r\n");
  LanguageTexts texts;
  texts.loadFile(kProgramFolder + "lang.ini");
  EXPECT_STREQ(texts.MenuText(1100), "&Exit");
  EXPECT_STREQ(texts.LanguageText(1100), "Close");
  EXPECT_STREQ(texts.MenuText(1107), "&Play/Pause\tCtrl+P");
  EXPECT_STREQ(texts.LanguageText(61206), "Delete \"%s\"?");
  EXPECT_STREQ(texts.LanguageText(1107), "");
  EXPECT_STREQ(texts.MenuText(57664), "");
}

TEST(LanguageTexts, LongTextsAreCutAt259Characters) {
  VireloMachine machine;
  std::string longText(1000, 'x');
  machine.writeFile(kProgramFolder + "lang.ini", "[STR]\r\n61204=" + longText + "\r\n61205=" +
                                                     std::string(259, 'y') + "\r\n");
  LanguageTexts texts;
  texts.loadFile(kProgramFolder + "lang.ini");
  EXPECT_EQ(std::string(texts.LanguageText(61204)), std::string(259, 'x'));
  EXPECT_EQ(std::string(texts.LanguageText(61205)), std::string(259, 'y'));
}

TEST(LanguageTexts, LoadingAgainReplacesEveryText) {
  VireloMachine machine;
  machine.writeFile(kProgramFolder + "a.ini", "[STR]\r\n1=first\r\n[MENU]\r\n1100=first\r\n");
  machine.writeFile(kProgramFolder + "b.ini", "[STR]\r\n2=second\r\n");
  LanguageTexts texts;
  texts.loadFile(kProgramFolder + "a.ini");
  texts.loadFile(kProgramFolder + "b.ini");
  EXPECT_STREQ(texts.LanguageText(1), "");
  EXPECT_STREQ(texts.MenuText(1100), "");
  EXPECT_STREQ(texts.LanguageText(2), "second");
}

}  // namespace
}  // namespace virelo
