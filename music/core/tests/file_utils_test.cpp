#include "music/core/file_utils.h"

#include <gtest/gtest.h>

#include <memory>

#include "music/core/tests/music_collection_test_support.h"
#include "platform/win/files.h"
#include "platform/win/interaction.h"
#include "platform/win/codepage.h"
#include "platform/win/volumes.h"

namespace virelo {
namespace {

using collectiontest::PlayerMachine;
using collectiontest::TestServices;

constexpr win::DWORD kHiddenSystem = win::FILE_ATTRIBUTE_HIDDEN | win::FILE_ATTRIBUTE_SYSTEM;

win::DWORD attributesOf(const std::string& path) { return win::GetFileAttributesA(path.c_str()); }

TEST(LyricPathOf, ReplacesTheExtensionOfTheFileNameOnly) {
  struct Case {
    const char* path;
    const char* lyrics;
  } cases[] = {
      {"D:\\Music\\a.mp3", "D:\\Music\\a.LRC"},
      {"E:\\SYSTEM\\MP3\\5", "E:\\SYSTEM\\MP3\\5.LRC"},
      {"C:\\a.b\\song", "C:\\a.b\\song.LRC"},
      {"C:/a.b/song", "C:/a.b/song.LRC"},
      {"C:\\x\\song.tar.mp3", "C:\\x\\song.tar.LRC"},
      {"C:\\x\\.hidden", "C:\\x\\.LRC"},
      {"C:\\x\\name.", "C:\\x\\name.LRC"},
      {"song", "song.LRC"},
      {"", ".LRC"},
  };
  for (const Case& c : cases) EXPECT_EQ(lyricPathOf(c.path), c.lyrics) << c.path;
}

TEST(AudioKind, TakesTheWholeExtensionInAnyCase) {
  struct Case {
    const char* path;
    int audio;
    int recording;
  } cases[] = {
      {"C:\\a.mp3", 1, 1},    {"C:\\a.MP3", 1, 1},   {"C:\\a.Wma", 2, 0},       {"E:\\REC\\v1.rec", 0, 2},
      {"E:\\REC\\v1.REC", 0, 2}, {"C:\\a.mp3x", 0, 0}, {"C:\\a.xmp3", 0, 0},     {"C:\\a.mp3\\b", 0, 0},
      {"C:\\mp3", 0, 0},      {"C:\\a.wav", 0, 0},   {"C:\\x.mp3\\b.wma", 2, 0}, {"", 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(audioKind(c.path), c.audio) << c.path;
    EXPECT_EQ(recordingKind(c.path), c.recording) << c.path;
  }
}

TEST(ProgramFolder, IsTheProgramsFolderWithItsBackslash) {
  PlayerMachine machine;
  EXPECT_EQ(programFolder(), collectiontest::kProgramFolder);
}

TEST(MakeFolder, CreatesOnceAndMarksHiddenSystemWhenAsked) {
  PlayerMachine machine;
  EXPECT_EQ(makeFolder("E:\\SYSTEM\\", true), 1);
  EXPECT_EQ(attributesOf("E:\\SYSTEM") & (kHiddenSystem | win::FILE_ATTRIBUTE_DIRECTORY),
            kHiddenSystem | win::FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(makeFolder("E:\\SYSTEM", true), 0);

  EXPECT_EQ(makeFolder("E:\\REC", false), 1);
  EXPECT_EQ(attributesOf("E:\\REC") & kHiddenSystem, 0u);
  // An existing plain folder gets both attributes when asked.
  EXPECT_EQ(makeFolder("E:\\REC\\", true), 0);
  EXPECT_EQ(attributesOf("E:\\REC") & kHiddenSystem, kHiddenSystem);
  EXPECT_EQ(makeFolder("E:\\no\\such\\parent", false), 0);
}

TEST(IsFolder, AcceptsOneTrailingSeparatorAndDriveRoots) {
  PlayerMachine machine;
  machine.writeFile("C:\\music\\a.mp3", "x");
  EXPECT_TRUE(isFolder("C:\\music"));
  EXPECT_TRUE(isFolder("C:\\music\\"));
  EXPECT_TRUE(isFolder("C:\\music/"));
  EXPECT_TRUE(isFolder("E:\\"));
  EXPECT_FALSE(isFolder("C:\\music\\a.mp3"));
  EXPECT_FALSE(isFolder("C:\\nothing\\"));
}

TEST(FileSizeOf, IsZeroForMissingFilesAndFolders) {
  PlayerMachine machine;
  machine.writeFile("C:\\music\\a.mp3", std::string(1234, 'x'));
  EXPECT_EQ(fileSizeOf("C:\\music\\a.mp3"), 1234u);
  EXPECT_EQ(fileSizeOf("c:\\MUSIC\\A.MP3"), 1234u);
  EXPECT_EQ(fileSizeOf("C:\\music"), 0u);
  EXPECT_EQ(fileSizeOf("C:\\music\\b.mp3"), 0u);
  // A file another handle holds without sharing still has its size.
  win::HANDLE held = win::CreateFileA("C:\\music\\a.mp3", win::GENERIC_WRITE, 0, nullptr, win::OPEN_EXISTING,
                                      win::FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, win::INVALID_HANDLE_VALUE);
  EXPECT_EQ(fileSizeOf("C:\\music\\a.mp3"), 1234u);
  win::CloseHandle(held);
}

TEST(CopyFile, OverwritesHiddenSystemTargetsAndMarksTheCopy) {
  PlayerMachine machine;
  machine.writeFile("C:\\a.mp3", "new contents");
  machine.writeFile("E:\\SYSTEM\\MP3\\1", "old");
  win::SetFileAttributesA("E:\\SYSTEM\\MP3\\1", kHiddenSystem | win::FILE_ATTRIBUTE_READONLY);

  ASSERT_TRUE(copyFile("E:\\SYSTEM\\MP3\\1", "C:\\a.mp3", true));
  EXPECT_EQ(machine.readFile("E:\\SYSTEM\\MP3\\1"), "new contents");
  EXPECT_EQ(attributesOf("E:\\SYSTEM\\MP3\\1") & (kHiddenSystem | win::FILE_ATTRIBUTE_READONLY), kHiddenSystem);

  ASSERT_TRUE(copyFile("E:\\a.mp3", "C:\\a.mp3", false));
  EXPECT_EQ(attributesOf("E:\\a.mp3") & kHiddenSystem, 0u);
  EXPECT_FALSE(copyFile("E:\\b.mp3", "C:\\missing.mp3", false));
  EXPECT_FALSE(machine.exists("E:\\b.mp3"));
}

TEST(DeleteFile, DeletesReadOnlyAndHiddenFiles) {
  PlayerMachine machine;
  machine.writeFile("E:\\SYSTEM\\MP3\\3", "x");
  win::SetFileAttributesA("E:\\SYSTEM\\MP3\\3", kHiddenSystem | win::FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(deleteFile("E:\\SYSTEM\\MP3\\3"));
  EXPECT_FALSE(machine.exists("E:\\SYSTEM\\MP3\\3"));
  EXPECT_FALSE(deleteFile("E:\\SYSTEM\\MP3\\3"));
}

TEST(DeleteFilesIn, DeletesFilesButNotFoldersNorBelow) {
  PlayerMachine machine;
  machine.writeFile("E:\\SYSTEM\\MP3\\1", "x");
  machine.writeFile("E:\\SYSTEM\\MP3\\1.LRC", "x");
  machine.writeFile("E:\\SYSTEM\\MP3\\sub\\2", "x");
  win::SetFileAttributesA("E:\\SYSTEM\\MP3\\1", kHiddenSystem);
  deleteFilesIn("E:\\SYSTEM\\MP3\\");
  EXPECT_FALSE(machine.exists("E:\\SYSTEM\\MP3\\1"));
  EXPECT_FALSE(machine.exists("E:\\SYSTEM\\MP3\\1.LRC"));
  EXPECT_TRUE(machine.exists("E:\\SYSTEM\\MP3\\sub\\2"));
}

TEST(FreeSpace, CountsBeyondFourGibibytes) {
  sim::MachineSpec spec = collectiontest::PlayerMachineSpec();
  spec.drives[1].capacity = 20ull << 30;
  PlayerMachine machine(spec);
  win::ULONGLONG available = 0, total = 0, free = 0;
  ASSERT_TRUE(win::GetDiskFreeSpaceExA("E:\\", &available, &total, &free));
  EXPECT_GT(freeSpace("E:\\"), 16ull << 30);
  EXPECT_EQ(freeSpace("E:\\"), free);
  EXPECT_EQ(freeSpace("Q:\\"), 0u);
}

class RenameFileTest : public ::testing::Test {
 protected:
  void SetUp() override { win::SetInteraction(interaction_); }
  void TearDown() override { win::SetInteraction(nullptr); }
  std::vector<win::AskedQuestion> asked() const { return interaction_->asked(); }

  PlayerMachine machine_;
  TestServices services_;
  std::shared_ptr<win::ScriptedInteraction> interaction_ = std::make_shared<win::ScriptedInteraction>();
};

TEST_F(RenameFileTest, RenamesSilently) {
  machine_.writeFile("C:\\a.mp3", "x");
  EXPECT_TRUE(renameFile("C:\\a.mp3", "C:\\b.mp3", services_));
  EXPECT_TRUE(machine_.exists("C:\\b.mp3"));
  EXPECT_TRUE(asked().empty());
}

TEST_F(RenameFileTest, ShowsTheTextOfEachKindOfFailure) {
  machine_.writeFile("C:\\a.mp3", "x");
  machine_.writeFile("C:\\b.mp3", "y");
  struct Case {
    const char* from;
    const char* to;
    const char* message;
  } cases[] = {
      {"C:\\a.mp3", "C:\\b.mp3", "Access to C:\\b.mp3 denied (100%)"},
      {"C:\\a.mp3", "C:\\no\\such\\b.mp3", "Bad path"},
      {"C:\\missing.mp3", "C:\\c.mp3", "Cannot rename C:\\missing.mp3"},
  };
  for (const Case& c : cases) {
    std::size_t before = asked().size();
    EXPECT_FALSE(renameFile(c.from, c.to, services_)) << c.to;
    ASSERT_EQ(asked().size(), before + 1) << c.to;
    EXPECT_EQ(asked().back().text, c.message);
    EXPECT_TRUE(asked().back().type & win::MB_ICONERROR);
  }
  EXPECT_EQ(machine_.readFile("C:\\b.mp3"), "y");
}

TEST_F(RenameFileTest, LeavesFormatDirectivesOfTheLanguageFileAlone) {
  class OddTexts : public TestServices {
   public:
    const char* text(int) const override { return "%d %s %s %n %x"; }
  } odd;
  EXPECT_FALSE(renameFile("C:\\missing.mp3", "C:\\c.mp3", odd));
  ASSERT_EQ(asked().size(), 1u);
  EXPECT_EQ(asked().back().text, "%d C:\\missing.mp3 %s %n %x");
}

TEST(BrowseForFolder, AsksThePicker) {
  auto interaction = std::make_shared<win::ScriptedInteraction>();
  win::SetInteraction(interaction);
  interaction->queueFolder(std::string("C:\\Music"));
  interaction->queueFolder(std::nullopt);
  EXPECT_EQ(browseForFolder("Upload"), std::optional<std::string>("C:\\Music"));
  EXPECT_EQ(browseForFolder("Upload"), std::nullopt);
  win::SetInteraction(nullptr);
}

}  // namespace
}  // namespace virelo

namespace virelo {
namespace {

TEST(FileSizeLookup, AnswersAsFileSizeOfDoes) {
  PlayerMachine machine;
  machine.writeFile("C:\\Music\\a.mp3", "abc");
  machine.writeFile("C:\\Music\\Empty.mp3", "");
  machine.writeFile("C:\\Music\\Sub\\b.mp3", "bb");
  machine.writeFile("C:\\Music\\twice.mp3", "1");
  machine.writeFile("C:\\Music\\TWICE.mp3", "22");  // two host names that fold alike
  machine.writeFile("C:\\root.mp3", "r");
  machine.writeFile("E:\\only.mp3", "e");
  win::SetFileAttributesA("C:\\Music\\a.mp3", win::FILE_ATTRIBUTE_HIDDEN);
  const char* paths[] = {
      "C:\\Music\\a.mp3",        "c:\\MUSIC\\A.MP3",      "C:\\Music\\Empty.mp3", "C:\\Music\\Sub",
      "C:\\Music\\Sub\\b.mp3",   "C:\\Music\\sub\\B.mp3", "C:\\Music\\none.mp3",  "C:\\Nothing\\a.mp3",
      "C:\\Music\\twice.mp3",    "C:\\Music\\TWICE.mp3",  "C:\\Music\\Twice.MP3", "C:\\root.mp3",
      "E:\\only.mp3",            "Q:\\x.mp3",             "C:\\Music\\..\\root.mp3", "C:/Music/a.mp3",
      "C:\\Music\\.\\a.mp3",     "C:\\Music\\\\a.mp3",    "C:\\Music\\a.mp3.",    "Music\\a.mp3",
      "C:\\Music\\*.mp3",        "",                      "C:\\Music\\",          "C:\\",
  };
  FileSizeLookup lookup(win::GetACP());
  for (const char* path : paths) EXPECT_EQ(lookup.sizeOf(path), fileSizeOf(path)) << path;
}

}  // namespace
}  // namespace virelo
