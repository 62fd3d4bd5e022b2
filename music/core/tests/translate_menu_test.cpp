#include "music/core/translate_menu.h"

#include <gtest/gtest.h>

#include "music/core/tests/virelo_app_test_machine.h"

namespace virelo {
namespace {

using testing::kProgramFolder;
using testing::VireloMachine;

Menu sampleMenu() {
  Menu menu;
  menu.items = {
      PopupItem("File", {CommandItem("Exit", 1100)}),
      PopupItem("Play", {CommandItem("Play/Pause", 1107), SeparatorItem(), CommandItem("Up", 1111)}),
      PopupItem("Operate", {PopupItem("My &music library", {CommandItem("Add", 32770), CommandItem("New", 32776)}),
                            PopupItem("My &player", {CommandItem("Clear", 32787)}), CommandItem("Refresh", 32815)}),
      PopupItem("Help", {CommandItem("Help contents", 32811), SeparatorItem(), CommandItem("About", 57664)}),
      PopupItem("Tools", {CommandItem("Unknown", 40000), CommandItem("Zero", 0)}),
  };
  return menu;
}

class TranslateMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    machine_.writeFile(kProgramFolder + "lang.ini",
                       "[MENU]\r\n61248=&Datei\r\n61249=&Wiedergabe\r\n61250=&Bedienen\r\n61251=&Hilfe\r\n"
                       "61252=Meine &Musik\r\n61253=Mein &Spieler\r\n1100=&Beenden\r\n1107=&Abspielen\r\n"
                       "32770=Musik &hinzufuegen\r\n32787=&Leeren\r\n32815=&Aktualisieren\r\n32811=&Inhalt\r\n"
                       "57664=&Info\r\n");
    texts_.loadFile(kProgramFolder + "lang.ini");
  }
  VireloMachine machine_;
  LanguageTexts texts_;
};

TEST_F(TranslateMenuTest, MainMenuRenamesPopupsAndCommandsAndKeepsSeparators) {
  Menu menu = sampleMenu();
  TranslateMenu(menu, kMainMenuResource, texts_);
  const auto& top = menu.items;
  EXPECT_EQ(top[0].caption, "&Datei");
  EXPECT_EQ(top[0].items[0].caption, "&Beenden");
  EXPECT_EQ(top[0].items[0].command, 1100u);
  EXPECT_EQ(top[1].caption, "&Wiedergabe");
  EXPECT_EQ(top[1].items[0].caption, "&Abspielen");
  EXPECT_EQ(top[1].items[1].kind, MenuItem::Kind::Separator);
  EXPECT_EQ(top[1].items[1].caption, "");
  EXPECT_EQ(top[1].items[2].caption, "");  // listed, but the file lacks it
  EXPECT_EQ(top[2].caption, "&Bedienen");
  EXPECT_EQ(top[2].items[0].caption, "Meine &Musik");  // nested popups of the main menu too
  EXPECT_EQ(top[2].items[0].items[0].caption, "Musik &hinzufuegen");
  EXPECT_EQ(top[2].items[0].items[1].caption, "");
  EXPECT_EQ(top[2].items[1].caption, "Mein &Spieler");
  EXPECT_EQ(top[2].items[1].items[0].caption, "&Leeren");
  EXPECT_EQ(top[2].items[2].caption, "&Aktualisieren");
  EXPECT_EQ(top[3].caption, "&Hilfe");
  EXPECT_EQ(top[3].items[2].caption, "&Info");
  // A popup caption and commands outside the lists keep their captions.
  EXPECT_EQ(top[4].caption, "Tools");
  EXPECT_EQ(top[4].items[0].caption, "Unknown");
  EXPECT_EQ(top[4].items[1].caption, "Zero");
  EXPECT_EQ(top[4].kind, MenuItem::Kind::Popup);
  ASSERT_EQ(top[4].items.size(), 2u);
}

TEST_F(TranslateMenuTest, OtherMenusKeepPopupCaptionsButTranslateCommands) {
  Menu menu = sampleMenu();
  TranslateMenu(menu, kContextMenuResource, texts_);
  EXPECT_EQ(menu.items[0].caption, "File");
  EXPECT_EQ(menu.items[2].items[0].caption, "My &music library");
  EXPECT_EQ(menu.items[0].items[0].caption, "&Beenden");
  EXPECT_EQ(menu.items[2].items[1].items[0].caption, "&Leeren");
}

TEST_F(TranslateMenuTest, PopupCaptionsMatchExactly) {
  Menu menu;
  menu.items = {PopupItem("file", {}), PopupItem("&File", {}), PopupItem("My music library", {})};
  TranslateMenu(menu, kMainMenuResource, texts_);
  EXPECT_EQ(menu.items[0].caption, "file");
  EXPECT_EQ(menu.items[1].caption, "&File");
  EXPECT_EQ(menu.items[2].caption, "My music library");
}

}  // namespace
}  // namespace virelo
